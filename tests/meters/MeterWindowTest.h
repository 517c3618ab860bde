// A real meter window on the headless display, driven as the player drives
// it: Render on the test's thread with the window locked.
#pragma once

#include <Window.h>
#include <kit/Display.h>
#include <kit/DrawingObserver.h>

#include <ostream>
#include <vector>

#include <gtest/gtest.h>

#include "core/Preferences.h"
#include "display/PluginView.h"
#include "display/PluginWindow.h"
#include "meters/DrawingTrace.h"
#include "meters/GoldenProgram.h"
#include "meters/PcmBlocks.h"
#include "support/Watchdog.h"

inline void PrintTo(const rgb_color& color, std::ostream* out) {
	*out << "{" << int(color.red) << "," << int(color.green) << "," << int(color.blue) << ","
	     << int(color.alpha) << "}";
}

// A copy of the window's pixels.
struct Image {
	int32 width = 0;
	int32 height = 0;
	std::vector<rgb_color> pixels;

	rgb_color At(int32 x, int32 y) const { return pixels[size_t(y) * size_t(width) + size_t(x)]; }
};

// The window's left_pos and right_pos.
struct Positions {
	int32 left;
	int32 right;
	bool operator==(const Positions&) const = default;
};

inline void PrintTo(const Positions& p, std::ostream* out) {
	*out << "(" << p.left << ", " << p.right << ")";
}

class MeterWindowTest : public testing::Test {
protected:
	static void SetUpTestSuite() { kit::UseHeadlessDisplay(1024, 768); }

	void SetUp() override { ThePrefs.gain = 100; }

	void TearDown() override { Close(); }

	// A shown meter window whose Bounds() are 0, 0, right, bottom.
	void Open(float right, float bottom) {
		window =
		    new PluginWindow(BRect(40, 30, 40 + right, 30 + bottom), "meter", nullptr, B_TITLED_WINDOW_LOOK,
		                     B_NORMAL_WINDOW_FEEL, B_WILL_ACCEPT_FIRST_CLICK, B_CURRENT_WORKSPACE);
		window->Show();
		ASSERT_TRUE(kit::WaitForIdle(window));
		ASSERT_TRUE(window->Lock());
		kit::SetDrawingObserver(window->view, &trace);
		window->Unlock();
	}

	void Close() {
		if (window == nullptr || !window->Lock()) return;
		kit::SetDrawingObserver(window->view, nullptr);
		window->Quit();
		window = nullptr;
	}

	bool Render(const Block& block) {
		EXPECT_TRUE(window->Lock());
		const bool result = window->Render(block.data(), kBlockValues);
		window->Unlock();
		return result;
	}

	// The calls made since the last TakeCalls().
	std::vector<DrawCall> TakeCalls() {
		EXPECT_TRUE(window->Lock());
		std::vector<DrawCall> calls;
		calls.swap(trace.calls);
		window->Unlock();
		return calls;
	}

	Positions PositionsNow() {
		EXPECT_TRUE(window->Lock());
		const Positions positions{window->left_pos, window->right_pos};
		window->Unlock();
		return positions;
	}
	void SetPositions(int32 left, int32 right) {
		ASSERT_TRUE(window->Lock());
		window->left_pos = left;
		window->right_pos = right;
		window->Unlock();
	}

	Image Pixels() {
		Image image;
		EXPECT_TRUE(kit::ReadPixels(window, &image.pixels, &image.width, &image.height));
		return image;
	}

	// Plays the golden programme through a window of that size and through
	// the independent model side by side, comparing the pictures at the
	// checkpoints.
	template <typename Model> void PlayGoldenProgram(int32 width, int32 height) {
		Open(float(width), float(height));
		Model model(width, height);
		const std::vector<Block> program = GoldenProgram();
		for (size_t i = 0; i < program.size(); ++i) {
			ASSERT_TRUE(Render(program[i]));
			model.Feed(program[i]);
			if (kGoldenCheckpoints.contains(i)) {
				ASSERT_EQ(model.Picture().Compare(Pixels()), "") << "after block " << i;
			}
		}
	}

	Watchdog watchdog;
	PluginWindow* window = nullptr;
	DrawingTrace trace;
};
