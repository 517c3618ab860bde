// The slider and the alert on a real X display, driven with xdotool: run
// through run-under-xvfb.sh. With VUMETERS_SCREENSHOTS set to a folder, the
// tests leave slider.png and alert.png there.
#include <Alert.h>
#include <Control.h>
#include <Font.h>
#include <Message.h>
#include <Messenger.h>
#include <OS.h>
#include <Slider.h>
#include <TextView.h>
#include <View.h>
#include <Window.h>
#include <kit/Display.h>

#include <array>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "support/AboutStyle.h"
#include "support/OnScreen.h"
#include "support/Watchdog.h"
#include "support/WindowPlacement.h"

namespace {

using namespace std::chrono_literals;

constexpr uint32 kGainChanged = 1;

std::string Point(BPoint where) { return std::to_string(int(where.x)) + " " + std::to_string(int(where.y)); }

// The window with its decoration, into the screenshot folder if one is set.
void Screenshot(BWindow* window, const char* name) {
	const char* folder = std::getenv("VUMETERS_SCREENSHOTS");
	if (!folder) return;
	window->Lock();
	const BRect frame = window->Frame();
	window->Unlock();
	const int32 left = std::max(0, int32(frame.left) - 8);
	const int32 top = std::max(0, int32(frame.top) - 32);
	const int32 width = int32(frame.Width()) + 17;
	const int32 height = int32(frame.bottom) + 9 - top;
	Shell("import -window root -crop " + std::to_string(width) + "x" + std::to_string(height) + "+" +
	      std::to_string(left) + "+" + std::to_string(top) + " +repage " + folder + "/" + name);
}

class GainPanel : public BView {
public:
	explicit GainPanel(BRect frame) : BView(frame, "panel", B_FOLLOW_ALL, B_WILL_DRAW) {}
	void MessageReceived(BMessage* message) override {
		if (message->what == kGainChanged)
			values.push_back(message->GetInt32("be:value", -1));
		else
			BView::MessageReceived(message);
	}
	std::vector<int32> values;
};

class ControlsOnScreenTest : public ::testing::Test {
protected:
	void SetUp() override {
		ASSERT_FALSE(kit::IsHeadlessDisplay()) << "no display: run under run-under-xvfb.sh";
	}

	Watchdog watchdog{std::chrono::seconds(120)};
};

} // namespace

TEST_F(ControlsOnScreenTest, SliderDraggedWithTheMouseInvokesOnceWhenLetGo) {
	auto* window = new BWindow(BRect(300, 250, 539, 329), "vu-gain", B_TITLED_WINDOW_LOOK,
	                           B_NORMAL_WINDOW_FEEL, B_NOT_RESIZABLE);
	auto* panel = new GainPanel(window->Bounds());
	window->AddChild(panel);
	panel->SetViewColor(216, 216, 216);
	auto* slider = new BSlider(BRect(5, 5, 235, 55), "", "", new BMessage(kGainChanged), 1, 500);
	slider->SetLimitLabels("1%", "500%");
	slider->SetHashMarks(B_HASH_MARKS_BOTTOM);
	slider->SetHashMarkCount(6);
	slider->SetValue(100);
	slider->SetLabel("Gain (100%)");
	panel->AddChild(slider);
	slider->SetTarget(panel);
	window->Show();
	ASSERT_TRUE(WaitUntilPlaced(window, "vu-gain"));

	ASSERT_TRUE(window->Lock());
	const BRect thumb = slider->ThumbFrame();
	const BPoint grab =
	    slider->ConvertToScreen(BPoint((thumb.left + thumb.right) / 2, (thumb.top + thumb.bottom) / 2));
	window->Unlock();
	const BPoint letGo = grab + BPoint(70, 0);
	auto value = [&] {
		window->Lock();
		const int32 v = slider->Value();
		window->Unlock();
		return v;
	};
	auto received = [&] {
		window->Lock();
		const auto values = panel->values;
		window->Unlock();
		return values;
	};

	Shell("xdotool mousemove " + Point(grab) + " mousedown 1");
	Shell("xdotool mousemove " + Point(grab + BPoint(30, 0)));
	Shell("xdotool mousemove " + Point(letGo));
	EXPECT_TRUE(Eventually([&] {
		window->Lock();
		const BRect now = slider->ThumbFrame();
		window->Unlock();
		return std::abs(slider->ConvertToScreen(BPoint((now.left + now.right) / 2, 0)).x - letGo.x) <= 1;
	})) << "the thumb did not follow the pointer: value "
	    << value();
	EXPECT_TRUE(received().empty()) << "the slider sent while dragged";
	Shell("xdotool mouseup 1");
	ASSERT_TRUE(Eventually([&] { return !received().empty(); }));
	std::this_thread::sleep_for(200ms);
	const auto values = received();
	ASSERT_EQ(values.size(), 1u);
	EXPECT_EQ(values[0], value());
	EXPECT_GT(value(), 100);
	// The thumb stays where it was let go.
	ASSERT_TRUE(window->Lock());
	const BRect after = slider->ThumbFrame();
	EXPECT_NEAR(slider->ConvertToScreen(BPoint((after.left + after.right) / 2, 0)).x, letGo.x, 1);
	slider->SetLabel(("Gain (" + std::to_string(values[0]) + "%)").c_str());
	window->Unlock();
	kit::WaitForIdle(window);
	std::this_thread::sleep_for(300ms);
	Screenshot(window, "slider.png");
	ASSERT_TRUE(window->Lock());
	window->Quit();
}

TEST_F(ControlsOnScreenTest, AlertClickedOnScreenReturnsTheButtonIndex) {
	std::atomic<int32> result{-2};
	std::thread player([&] { result = NewStyledAbout("vu-about")->Go(); });
	BWindow* alert = nullptr;
	ASSERT_TRUE(Eventually([&] { return (alert = kit::FindWindow("vu-about")) != nullptr; }));
	const BMessenger messenger(alert);
	ASSERT_TRUE(WaitUntilPlaced(alert, "vu-about"));
	ASSERT_TRUE(alert->Lock());
	BView* button = nullptr;
	std::vector<BView*> pending{alert->ChildAt(0)};
	while (!pending.empty() && !button) {
		BView* view = pending.back();
		pending.pop_back();
		if (auto* control = dynamic_cast<BControl*>(view);
		    control && std::strcmp(control->Label(), "Aha!") == 0)
			button = view;
		for (int32 i = 0; i < view->CountChildren(); i++)
			pending.push_back(view->ChildAt(i));
	}
	ASSERT_NE(button, nullptr);
	const BPoint centre =
	    button->ConvertToScreen(BPoint(button->Bounds().right / 2, button->Bounds().bottom / 2));
	alert->Unlock();
	std::this_thread::sleep_for(300ms);
	Screenshot(alert, "alert.png");

	Shell("xdotool mousemove " + Point(centre) + " click 1");
	const bool answered = Eventually([&] { return result != -2; });
	// An alert the click missed is ended here, so that Go() returns.
	if (!answered && messenger.LockTarget()) alert->Quit();
	player.join();
	EXPECT_TRUE(answered);
	EXPECT_EQ(result, 0);
}
