#include <Font.h>
#include <Message.h>
#include <Slider.h>
#include <View.h>
#include <Window.h>
#include <kit/Display.h>

#include <cmath>
#include <cstring>
#include <vector>

#include <gtest/gtest.h>

#include "support/Watchdog.h"

namespace {

constexpr uint32 kGainChanged = 1;
constexpr rgb_color kPanel = {219, 219, 219, 255};

// The slider's target: keeps what each invocation carried and the slider's
// value when the message arrived.
class PanelView : public BView {
public:
	explicit PanelView(BRect frame) : BView(frame, "panel", B_FOLLOW_ALL, B_WILL_DRAW) {}

	void MessageReceived(BMessage* message) override {
		if (message->what != kGainChanged) {
			BView::MessageReceived(message);
			return;
		}
		int64 when = 0;
		void* source = nullptr;
		int32 value = 0;
		const bool complete = message->FindInt64("when", &when) == B_OK && when > 0 &&
		                      message->FindPointer("source", &source) == B_OK &&
		                      message->FindInt32("be:value", &value) == B_OK;
		received.push_back({value, slider->Value(), source, complete});
	}

	struct Received {
		int32 value;       // "be:value"
		int32 sliderValue; // Value() on arrival
		void* source;
		bool complete; // "when", "source" and "be:value" all present
	};
	std::vector<Received> received;
	BSlider* slider = nullptr;
};

bool IsDark(rgb_color c) { return c.red + c.green + c.blue < 3 * 100; }

class SliderTest : public ::testing::Test {
protected:
	static void SetUpTestSuite() { kit::UseHeadlessDisplay(1024, 768); }

	// The gain slider of the preferences window: 50 high, inset by 5, range
	// 1 to 500, six marks below, target set after it was added.
	void Open(int32 value = 100) {
		window = new BWindow(BRect(100, 100, 339, 179), "slider", B_TITLED_WINDOW_LOOK, B_NORMAL_WINDOW_FEEL,
		                     B_NOT_RESIZABLE);
		panel = new PanelView(window->Bounds());
		window->AddChild(panel);
		panel->SetViewColor(kPanel);
		const BRect bounds = panel->Bounds();
		slider = new BSlider(BRect(bounds.left + 5, bounds.top + 5, bounds.right - 5, bounds.top + 5 + 50),
		                     "", "", new BMessage(kGainChanged), 1, 500, B_BLOCK_THUMB,
		                     B_FOLLOW_LEFT | B_FOLLOW_TOP, B_NAVIGABLE | B_WILL_DRAW | B_FRAME_EVENTS);
		slider->SetLimitLabels("1%", "500%");
		slider->SetHashMarks(B_HASH_MARKS_BOTTOM);
		slider->SetHashMarkCount(6);
		slider->SetValue(value);
		slider->SetLabel("Gain (100%)");
		panel->AddChild(slider);
		slider->SetTarget(panel);
		panel->slider = slider;
		window->Show();
		ASSERT_TRUE(kit::WaitForIdle(window));
	}
	void TearDown() override {
		if (window && window->Lock()) window->Quit();
	}

	// Slider coordinates to window coordinates.
	BPoint InWindow(BPoint where) const { return where + slider->Frame().LeftTop(); }
	BPoint InWindow(float x, float y) const { return InWindow(BPoint(x, y)); }

	BRect Thumb() {
		window->Lock();
		const BRect thumb = slider->ThumbFrame();
		window->Unlock();
		return thumb;
	}
	BRect Bar() {
		window->Lock();
		const BRect bar = slider->BarFrame();
		window->Unlock();
		return bar;
	}
	float ThumbCentre() {
		const BRect thumb = Thumb();
		return (thumb.left + thumb.right) / 2;
	}
	int32 Value() {
		window->Lock();
		const int32 value = slider->Value();
		window->Unlock();
		return value;
	}
	std::vector<PanelView::Received> Received() {
		window->Lock();
		auto received = panel->received;
		window->Unlock();
		return received;
	}
	// Columns of the slider's row `y` that show something other than the
	// background.
	std::vector<int32> DrawnColumns(float y) {
		std::vector<int32> columns;
		const BPoint origin = InWindow(0, y);
		const float width = slider->Bounds().Width();
		for (int32 x = 0; x <= int32(width); x++) {
			if (kit::PixelAt(window, int32(origin.x) + x, int32(origin.y)) != kPanel) columns.push_back(x);
		}
		return columns;
	}
	// Drags the thumb from its centre to the slider's x positions, pressing
	// and moving only.
	void PressOnThumbAndMoveTo(const std::vector<float>& xs) {
		const BRect thumb = Thumb();
		const float y = (thumb.top + thumb.bottom) / 2;
		ASSERT_TRUE(kit::MouseDown(window, InWindow(ThumbCentre(), y), B_PRIMARY_MOUSE_BUTTON));
		for (float x : xs)
			ASSERT_TRUE(kit::MouseMove(window, InWindow(x, y), B_PRIMARY_MOUSE_BUTTON));
	}
	void ReleaseAt(float x) {
		const BRect thumb = Thumb();
		ASSERT_TRUE(kit::MouseUp(window, InWindow(x, (thumb.top + thumb.bottom) / 2)));
	}

	Watchdog watchdog;
	BWindow* window = nullptr;
	PanelView* panel = nullptr;
	BSlider* slider = nullptr;
};

} // namespace

TEST_F(SliderTest, DraggingSendsNothingAndReleaseInvokesOnceWithTheValueLetGo) {
	Open(100);
	const BRect bar = Bar();
	const float release = bar.left + (bar.right - bar.left) * 0.6f;
	PressOnThumbAndMoveTo({bar.left + 40, bar.left + 90, release});
	EXPECT_TRUE(Received().empty());
	// The thumb follows the pointer while dragged.
	EXPECT_NEAR(ThumbCentre(), release, 1);
	ReleaseAt(release);

	const auto received = Received();
	ASSERT_EQ(received.size(), 1u);
	EXPECT_TRUE(received[0].complete);
	EXPECT_EQ(received[0].source, static_cast<void*>(slider));
	EXPECT_EQ(received[0].value, Value());
	EXPECT_EQ(received[0].sliderValue, Value());
	EXPECT_NEAR(ThumbCentre(), release, 1);
	// 60 % of the way along the thumb's travel, give or take a pixel's worth.
	EXPECT_NEAR(Value(), 1 + 0.6 * 499, 6);
}

TEST_F(SliderTest, MousePositionsBeyondTheEndsClampToTheRange) {
	Open(100);
	PressOnThumbAndMoveTo({-40});
	EXPECT_EQ(Value(), 1);
	ReleaseAt(-40);
	EXPECT_EQ(Value(), 1);
	PressOnThumbAndMoveTo({slider->Bounds().right + 60});
	EXPECT_EQ(Value(), 500);
	ReleaseAt(slider->Bounds().right + 60);
	EXPECT_EQ(Value(), 500);
	const auto received = Received();
	ASSERT_EQ(received.size(), 2u);
	EXPECT_EQ(received[0].value, 1);
	EXPECT_EQ(received[1].value, 500);
}

TEST_F(SliderTest, ValueAboveTheMaximumIsKeptAndShownAtTheRightEnd) {
	Open(800);
	ASSERT_TRUE(window->Lock());
	slider->SetLabel("Gain (800%)");
	window->Unlock();
	ASSERT_TRUE(kit::WaitForIdle(window));
	EXPECT_EQ(Value(), 800);
	EXPECT_STREQ(slider->Label(), "Gain (800%)");
	EXPECT_EQ(Thumb().right, Bar().right);
	// Only the thumb draws in the band above the bar; it sits at the right end.
	const std::vector<int32> drawn = DrawnColumns(Bar().top - 2);
	ASSERT_FALSE(drawn.empty());
	EXPECT_GE(float(drawn.front()), Thumb().left - 1);
	EXPECT_STREQ(slider->Label(), "Gain (800%)");

	// A click on the thumb without moving invokes with a value in range.
	PressOnThumbAndMoveTo({});
	EXPECT_EQ(Value(), 800);
	ReleaseAt(ThumbCentre());
	const auto received = Received();
	ASSERT_EQ(received.size(), 1u);
	EXPECT_EQ(received[0].value, 500);
}

TEST_F(SliderTest, ClickOnTheBarJumpsThereAndStartsTheDrag) {
	Open(1);
	const BRect bar = Bar();
	const float y = (bar.top + bar.bottom) / 2;
	const float press = bar.left + (bar.right - bar.left) * 0.75f;
	ASSERT_TRUE(kit::MouseDown(window, InWindow(press, y), B_PRIMARY_MOUSE_BUTTON));
	EXPECT_NEAR(ThumbCentre(), press, 1);
	const float moved = press - 30;
	ASSERT_TRUE(kit::MouseMove(window, InWindow(moved, y), B_PRIMARY_MOUSE_BUTTON));
	EXPECT_NEAR(ThumbCentre(), moved, 1);
	EXPECT_TRUE(Received().empty());
	ASSERT_TRUE(kit::MouseUp(window, InWindow(moved, y)));
	ASSERT_EQ(Received().size(), 1u);
	EXPECT_EQ(Received()[0].value, Value());
}

TEST_F(SliderTest, ClickFocusesAndArrowKeysStepByOneAndInvoke) {
	Open(100);
	const BRect bar = Bar();
	ASSERT_TRUE(kit::Click(window, InWindow(ThumbCentre(), bar.top), B_PRIMARY_MOUSE_BUTTON));
	ASSERT_TRUE(window->Lock());
	EXPECT_TRUE(slider->IsFocus());
	panel->received.clear();
	window->Unlock();

	const char right[] = {B_RIGHT_ARROW, 0};
	const char left[] = {B_LEFT_ARROW, 0};
	ASSERT_TRUE(kit::TypeKey(window, right));
	EXPECT_EQ(Value(), 101);
	ASSERT_EQ(Received().size(), 1u);
	EXPECT_EQ(Received()[0].value, 101);
	ASSERT_TRUE(kit::TypeKey(window, left));
	ASSERT_TRUE(kit::TypeKey(window, left));
	EXPECT_EQ(Value(), 99);
	ASSERT_EQ(Received().size(), 3u);
	EXPECT_EQ(Received()[2].value, 99);
}

TEST_F(SliderTest, ArrowKeysStopAtTheEndsAndBringAnOutOfRangeValueIn) {
	Open(800);
	ASSERT_TRUE(window->Lock());
	slider->MakeFocus(true);
	window->Unlock();
	const char right[] = {B_RIGHT_ARROW, 0};
	ASSERT_TRUE(kit::TypeKey(window, right));
	EXPECT_EQ(Value(), 500);
	ASSERT_TRUE(kit::TypeKey(window, right));
	EXPECT_EQ(Value(), 500);
	const auto received = Received();
	ASSERT_EQ(received.size(), 1u);
	EXPECT_EQ(received[0].value, 500);
}

TEST_F(SliderTest, LabelsAreCopied) {
	char buffer[100] = "Gain (250%)";
	char minimum[8] = "1%";
	char maximum[8] = "500%";
	Open(250);
	ASSERT_TRUE(window->Lock());
	slider->SetLabel(buffer);
	slider->SetLimitLabels(minimum, maximum);
	window->Unlock();
	std::strcpy(buffer, "changed");
	std::strcpy(minimum, "x");
	std::strcpy(maximum, "y");
	EXPECT_STREQ(slider->Label(), "Gain (250%)");
	EXPECT_STREQ(slider->MinLimitLabel(), "1%");
	EXPECT_STREQ(slider->MaxLimitLabel(), "500%");

	char constructed[] = "first";
	BSlider detached(BRect(0, 0, 99, 50), "", constructed, nullptr, 0, 10);
	constructed[0] = 'F';
	EXPECT_STREQ(detached.Label(), "first");
}

TEST_F(SliderTest, DrawsLabelLimitLabelsAndSixHashMarksWithinItsFrame) {
	Open(100);
	font_height height;
	ASSERT_TRUE(window->Lock());
	slider->GetFontHeight(&height);
	const float labelWidth = slider->StringWidth(slider->Label());
	window->Unlock();
	const BRect bar = Bar();
	const BRect thumb = Thumb();

	auto darkIn = [&](BRect area) {
		int32 count = 0;
		for (int32 y = int32(area.top); y <= int32(area.bottom); y++)
			for (int32 x = int32(area.left); x <= int32(area.right); x++)
				if (IsDark(kit::PixelAt(window, x, y))) count++;
		return count;
	};
	const BPoint origin = InWindow(0, 0);
	// The label above the bar, at the top left.
	EXPECT_GT(darkIn(BRect(origin.x, origin.y, origin.x + labelWidth, origin.y + thumb.top - 1)), 20);
	// The limit labels below the ends, in the slider's last rows.
	const float limitsTop = origin.y + 50 - std::ceil(height.ascent + height.descent);
	EXPECT_GT(darkIn(BRect(origin.x, limitsTop, origin.x + 30, origin.y + 50)), 5);
	EXPECT_GT(darkIn(BRect(origin.x + bar.right - 40, limitsTop, origin.x + bar.right, origin.y + 50)), 5);

	// Six separate marks in a row between the thumb and the limit labels.
	const std::vector<int32> drawn = DrawnColumns(thumb.bottom + 3);
	int32 marks = 0;
	for (size_t i = 0; i < drawn.size(); i++)
		if (i == 0 || drawn[i] != drawn[i - 1] + 1) marks++;
	EXPECT_EQ(marks, 6);
	ASSERT_FALSE(drawn.empty());
	EXPECT_NEAR(drawn.front(), bar.left + 5, 1);
	EXPECT_NEAR(drawn.back(), bar.right - 5, 1);
}

TEST_F(SliderTest, ThumbMovesInThePixelsWhenTheValueChanges) {
	Open(1);
	const float band = Bar().top - 2;
	const std::vector<int32> before = DrawnColumns(band);
	ASSERT_FALSE(before.empty());
	EXPECT_LT(before.back(), 20);
	ASSERT_TRUE(window->Lock());
	slider->SetValue(500);
	window->Unlock();
	ASSERT_TRUE(kit::WaitForIdle(window));
	const std::vector<int32> after = DrawnColumns(band);
	ASSERT_FALSE(after.empty());
	EXPECT_GT(after.front(), int32(slider->Bounds().right) - 20);
}

TEST_F(SliderTest, FocusedSliderShowsAFocusMark) {
	Open(250);
	const BRect thumb = Thumb();
	const BPoint mark = InWindow(thumb.left - 1, (thumb.top + thumb.bottom) / 2);
	const rgb_color unfocused = kit::PixelAt(window, int32(mark.x), int32(mark.y));
	ASSERT_TRUE(window->Lock());
	slider->MakeFocus(true);
	window->Unlock();
	ASSERT_TRUE(kit::WaitForIdle(window));
	const rgb_color focused = kit::PixelAt(window, int32(mark.x), int32(mark.y));
	EXPECT_NE(focused, unfocused);
	ASSERT_TRUE(window->Lock());
	slider->MakeFocus(false);
	window->Unlock();
	ASSERT_TRUE(kit::WaitForIdle(window));
	EXPECT_EQ(kit::PixelAt(window, int32(mark.x), int32(mark.y)), unfocused);
}
