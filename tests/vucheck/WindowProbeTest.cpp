#include <Slider.h>
#include <Window.h>
#include <kit/Display.h>

#include <gtest/gtest.h>

#include "GainSlider.h"
#include "WindowProbe.h"
#include "support/Watchdog.h"

namespace {

class WindowProbeTest : public ::testing::Test {
protected:
	static void SetUpTestSuite() { kit::UseHeadlessDisplay(1024, 768); }

	static BWindow* Open(const char* title) {
		auto* window =
		    new BWindow(BRect(100, 100, 339, 179), title, B_TITLED_WINDOW_LOOK, B_NORMAL_WINDOW_FEEL, 0);
		window->Show();
		return window;
	}

	static void Close(BWindow* window) {
		if (window->Lock()) window->Quit();
	}

	Watchdog watchdog_;
};

} // namespace

TEST_F(WindowProbeTest, CountsAndFindsWindowsByTheEndOfTheirTitle) {
	BWindow* meter = Open("Corvel's VU-Meter");
	BWindow* prefs = Open("Corvel's VU-Meter Prefs");
	EXPECT_EQ(WindowProbe::CountTitledEndingIn(" Prefs"), 1);
	EXPECT_EQ(WindowProbe::FindEndingIn(" Prefs"), prefs);
	BWindow* second = Open("Kestle VU-Meter Prefs");
	EXPECT_EQ(WindowProbe::CountTitledEndingIn(" Prefs"), 2);
	Close(second);
	Close(prefs);
	EXPECT_EQ(WindowProbe::CountTitledEndingIn(" Prefs"), 0);
	EXPECT_EQ(WindowProbe::FindEndingIn(" Prefs"), nullptr);
	Close(meter);
}

TEST_F(WindowProbeTest, WaitsForAWindowToComeAndToGo) {
	EXPECT_EQ(WindowProbe::WaitFor("late", 20000), nullptr);
	BWindow* window = Open("late");
	EXPECT_EQ(WindowProbe::WaitFor("late", 20000), window);
	EXPECT_FALSE(WindowProbe::WaitUntilGone("late", 20000));
	Close(window);
	EXPECT_TRUE(WindowProbe::WaitUntilGone("late", 20000));
}

TEST_F(WindowProbeTest, GainSliderIsReadAndClickedThroughTheWindow) {
	BWindow* window = Open("Prefs");
	auto* slider = new BSlider(BRect(5, 5, 234, 55), "", "", nullptr, 1, 500);
	slider->SetValue(100);
	ASSERT_TRUE(window->Lock());
	window->AddChild(slider);
	window->Unlock();
	EXPECT_EQ(GainSlider::Value(window), 100);
	const auto clicked = GainSlider::ClickAt(window, 1.0f);
	EXPECT_EQ(clicked, 500);
	const auto low = GainSlider::ClickAt(window, 0.0f);
	EXPECT_EQ(low, 1);
	Close(window);

	BWindow* empty = Open("no slider");
	EXPECT_EQ(GainSlider::Value(empty), std::nullopt);
	EXPECT_EQ(GainSlider::ClickAt(empty, 0.5f), std::nullopt);
	Close(empty);
}
