// The on-screen display under a real X server and window manager: run
// through run-under-xvfb.sh. The window manager and the X tools (xdotool,
// wmctrl, xwininfo, ImageMagick's import) play the user and the eye.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <future>
#include <string>
#include <thread>

#include <SDL.h>

#include <AppDefs.h>
#include <Screen.h>
#include <Window.h>
#include <X11/Xlib.h>
#include <X11/extensions/Xfixes.h>

#include "kit/MessageRecorder.h"
#include "server/DisplayChoice.h"
#include "server/DisplayServer.h"
#include "support/OnScreen.h"
#include "support/TempDir.h"
#include "support/Watchdog.h"

namespace {

using namespace std::chrono_literals;

// Xvfb on a busy two-core machine can take seconds to answer.
constexpr auto kPatience = 20000ms;

constexpr rgb_color kRed = {255, 0, 0, 255};
constexpr rgb_color kGreen = {0, 255, 0, 255};
constexpr rgb_color kBlue = {0, 0, 255, 255};

// The X window of the content, found by its title.
std::string XWindow(const std::string& title) {
	for (int attempt = 0; attempt < 100; attempt++) {
		std::string found = Shell("xdotool search --name '^" + title + "$' 2>/dev/null | head -1");
		if (!found.empty()) return found.substr(0, found.find('\n'));
		std::this_thread::sleep_for(100ms);
	}
	return {};
}

// The content's frame on the screen as the X server has it.
BRect XFrame(const std::string& window) {
	const std::string info = Shell("xwininfo -id " + window);
	auto number = [&](const char* label) {
		size_t at = info.find(label);
		return at == std::string::npos ? -1.0f : std::stof(info.substr(at + std::string(label).size()));
	};
	const float x = number("Absolute upper-left X:");
	const float y = number("Absolute upper-left Y:");
	return BRect(x, y, x + number("Width:") - 1, y + number("Height:") - 1);
}

struct Screenshot {
	std::string path;
	rgb_color At(int x, int y) const {
		const std::string bytes = Shell("convert " + path + " -crop 1x1+" + std::to_string(x) + "+" +
		                                std::to_string(y) + " -depth 8 rgb:-");
		if (bytes.size() != 3) return {0, 0, 0, 0};
		return {uint8(bytes[0]), uint8(bytes[1]), uint8(bytes[2]), 255};
	}
};

bool IsWhat(const RecordedMessage& recorded, uint32 what) { return recorded.message.what == what; }

class SdlServerTest : public testing::Test {
protected:
	SdlServerTest() : fWatchdog(180s), fServer(DisplayChoice::Server()), fRecorder(MakeRecorder()) {
		fClient = fRecorder->AddClient();
		fRecorder->Start();
	}

	void SetUp() override { ASSERT_FALSE(fServer.IsHeadless()) << "no display: run under run-under-xvfb.sh"; }

	// Creates and shows a window and waits until it is active.
	server_window_id Open(const std::string& title, BRect frame, window_look look = B_TITLED_WINDOW_LOOK,
	                      window_feel feel = B_NORMAL_WINDOW_FEEL) {
		WindowAttributes attributes;
		attributes.frame = frame;
		attributes.title = title;
		attributes.look = look;
		attributes.feel = feel;
		const server_window_id id = fServer.CreateWindow(attributes, fClient);
		fServer.SetVisible(id, true);
		return id;
	}

	std::optional<RecordedMessage> WaitFor(uint32 what, size_t from = 0) {
		return fRecorder->WaitFor([what](const RecordedMessage& m) { return IsWhat(m, what); }, kPatience,
		                          from);
	}

	bool WaitUntilActive() {
		return fRecorder
		    ->WaitFor(
		        [](const RecordedMessage& m) {
			        bool active = false;
			        return IsWhat(m, B_WINDOW_ACTIVATED) && m.message.FindBool("active", &active) == B_OK &&
			               active;
		        },
		        kPatience)
		    .has_value();
	}

	// The frame the window learnt: its first frame moved and resized by
	// every report so far.
	BRect ReportedFrame(BRect frame) {
		for (const RecordedMessage& recorded : fRecorder->WaitForCount(0, 0ms)) {
			BPoint where;
			int32 right = 0, bottom = 0;
			if (recorded.message.what == B_WINDOW_MOVED &&
			    recorded.message.FindPoint("where", &where) == B_OK)
				frame.OffsetTo(where);
			if (recorded.message.what == B_WINDOW_RESIZED &&
			    recorded.message.FindInt32("width", &right) == B_OK &&
			    recorded.message.FindInt32("height", &bottom) == B_OK) {
				frame.right = frame.left + float(right);
				frame.bottom = frame.top + float(bottom);
			}
		}
		return frame;
	}

	// Waits until the X server has the window's content at `frame`.
	BRect WaitForXFrame(const std::string& window, BRect frame) {
		BRect seen;
		for (int attempt = 0; attempt < 100 && (seen = XFrame(window)) != frame; attempt++)
			std::this_thread::sleep_for(100ms);
		return seen;
	}

	// The whole screen, saved as NAME.png in the test's scratch folder.
	Screenshot TakeScreenshot(const std::string& name) const {
		Screenshot shot{fScratch / (name + ".png")};
		Shell("import -window root " + shot.path);
		return shot;
	}

	Watchdog fWatchdog;
	TempDir fScratch;
	DisplayServer& fServer;
	RecorderPointer fRecorder;
	BMessenger fClient;
};

TEST_F(SdlServerTest, PresentedPixelsAppearExactlyInTheContentArea) {
	const BRect frame(200, 150, 399, 299);
	const server_window_id id = Open("vu-pattern", frame);
	ASSERT_TRUE(WaitUntilActive());
	ASSERT_TRUE(WaitFor(kMsgUpdate));
	const std::string window = XWindow("vu-pattern");
	EXPECT_EQ(WaitForXFrame(window, frame), frame);
	EXPECT_EQ(ReportedFrame(frame), frame);

	// Left half red, right half blue, a green line around the edge.
	Framebuffer pixels(200, 150, kBlue);
	pixels.FillPixels({0, 0, 99, 149}, kRed);
	pixels.FillPixels({0, 0, 199, 0}, kGreen);
	pixels.FillPixels({0, 149, 199, 149}, kGreen);
	pixels.FillPixels({0, 0, 0, 149}, kGreen);
	pixels.FillPixels({199, 0, 199, 149}, kGreen);
	fServer.Present(id, pixels, pixels.Bounds(), true);

	const Screenshot shot = TakeScreenshot("onscreen-pattern");
	EXPECT_EQ(shot.At(200, 150), kGreen);
	EXPECT_EQ(shot.At(399, 299), kGreen);
	EXPECT_EQ(shot.At(250, 220), kRed);
	EXPECT_EQ(shot.At(350, 220), kBlue);
	EXPECT_NE(shot.At(199, 220), kGreen);
	EXPECT_NE(shot.At(300, 149), kGreen);
	EXPECT_NE(shot.At(400, 220), kGreen);
	fServer.DestroyWindow(id);
}

TEST_F(SdlServerTest, ReopeningAtTheReportedFrameLandsInTheSamePlaceEveryTime) {
	const BRect first(120, 90, 319, 209);
	BRect frame = first;
	for (int run = 0; run < 3; run++) {
		const size_t before = fRecorder->Count();
		const server_window_id id = Open("vu-reopen", frame);
		ASSERT_TRUE(fRecorder->WaitFor([](const RecordedMessage& m) { return IsWhat(m, B_WINDOW_ACTIVATED); },
		                               kPatience, before));
		const std::string window = XWindow("vu-reopen");
		EXPECT_EQ(WaitForXFrame(window, first), first) << "run " << run;
		frame = ReportedFrame(frame);
		EXPECT_EQ(frame, first) << "run " << run;
		fServer.DestroyWindow(id);
		// The next window of that title must not be found before this one is gone.
		for (int attempt = 0; attempt < 100 && !Shell("xdotool search --name '^vu-reopen$'").empty();
		     attempt++)
			std::this_thread::sleep_for(100ms);
	}
}

TEST_F(SdlServerTest, CloseBoxAsksTheWindowToQuitAndLeavesItOpen) {
	const server_window_id id = Open("vu-close", BRect(300, 300, 459, 399));
	ASSERT_TRUE(WaitUntilActive());
	Shell("wmctrl -c vu-close");
	EXPECT_TRUE(WaitFor(B_QUIT_REQUESTED));
	EXPECT_FALSE(XWindow("vu-close").empty());
	fServer.DestroyWindow(id);
}

// Another client destroying the window is the user closing it. What the
// window's own thread may still ask of it ends nothing, and the display goes on.
TEST_F(SdlServerTest, AWindowDestroyedByAnotherClientIsAskedToQuitAndTheDisplayGoesOn) {
	const BRect frame(120, 420, 279, 519);
	const server_window_id id = Open("vu-destroyed", frame);
	ASSERT_TRUE(WaitUntilActive());
	const std::string window = XWindow("vu-destroyed");
	ASSERT_FALSE(window.empty());
	const size_t before = fRecorder->Count();
	Shell("xdotool windowclose " + window);
	ASSERT_TRUE(WaitFor(B_QUIT_REQUESTED, before));

	Framebuffer pixels(160, 100, kRed);
	fServer.Present(id, pixels, pixels.Bounds(), true);
	fServer.SetTitle(id, "vu-destroyed-still");
	fServer.MoveTo(id, BPoint(130, 430));
	fServer.ResizeTo(id, 170, 110);
	fServer.SetVisible(id, false);
	fServer.DestroyWindow(id);

	const size_t after = fRecorder->Count();
	const server_window_id next = Open("vu-after-destroyed", BRect(320, 420, 419, 499));
	EXPECT_TRUE(fRecorder->WaitFor(
	    [](const RecordedMessage& m) {
		    bool active = false;
		    return IsWhat(m, B_WINDOW_ACTIVATED) && m.message.FindBool("active", &active) == B_OK && active;
	    },
	    kPatience, after));
	fServer.DestroyWindow(next);
}

// The click that activates a window is not swallowed by the activation.
TEST_F(SdlServerTest, AClickOnAnInactiveWindowActivatesItAndArrives) {
	const BRect first(520, 60, 619, 139);
	Open("vu-behind", first);
	ASSERT_TRUE(WaitUntilActive());
	WaitForXFrame(XWindow("vu-behind"), first);
	const BRect second(700, 60, 799, 139);
	const size_t before = fRecorder->Count();
	Open("vu-front", second);
	WaitForXFrame(XWindow("vu-front"), second);
	ASSERT_TRUE(fRecorder->WaitFor(
	    [](const RecordedMessage& m) {
		    bool active = true;
		    return IsWhat(m, B_WINDOW_ACTIVATED) && m.message.FindBool("active", &active) == B_OK && !active;
	    },
	    kPatience, before));

	const size_t clicked = fRecorder->Count();
	Shell("xdotool mousemove 530 70 click 1");
	const auto down = WaitFor(B_MOUSE_DOWN, clicked);
	ASSERT_TRUE(down);
	BPoint where;
	EXPECT_EQ(down->message.FindPoint("where", &where), B_OK);
	EXPECT_EQ(where, BPoint(10, 10));
	EXPECT_TRUE(fRecorder->WaitFor(
	    [](const RecordedMessage& m) {
		    bool active = false;
		    return IsWhat(m, B_WINDOW_ACTIVATED) && m.message.FindBool("active", &active) == B_OK && active;
	    },
	    kPatience, clicked));
}

TEST_F(SdlServerTest, ClicksAndKeysArriveWithButtonsPositionAndBytes) {
	const BRect frame(250, 200, 449, 349);
	const server_window_id id = Open("vu-input", frame);
	ASSERT_TRUE(WaitUntilActive());
	WaitForXFrame(XWindow("vu-input"), frame);

	Shell("xdotool mousemove 290 230 click 3");
	const auto down = WaitFor(B_MOUSE_DOWN);
	ASSERT_TRUE(down);
	BPoint where;
	int32 buttons = -1;
	EXPECT_EQ(down->message.FindPoint("where", &where), B_OK);
	EXPECT_EQ(where, BPoint(40, 30));
	EXPECT_EQ(down->message.FindInt32("buttons", &buttons), B_OK);
	EXPECT_EQ(buttons, int32(B_SECONDARY_MOUSE_BUTTON));
	const auto up = WaitFor(B_MOUSE_UP);
	ASSERT_TRUE(up);
	EXPECT_EQ(up->message.FindInt32("buttons", &buttons), B_OK);
	EXPECT_EQ(buttons, 0);

	const size_t before = fRecorder->Count();
	Shell("xdotool key a shift+b Return ctrl+q Left");
	std::vector<std::string> bytes;
	std::vector<int32> modifiers;
	for (size_t from = before; bytes.size() < 5;) {
		auto key = fRecorder->WaitFor([](const RecordedMessage& m) { return IsWhat(m, B_KEY_DOWN); },
		                              kPatience, from);
		ASSERT_TRUE(key) << "after " << bytes.size() << " keys";
		const char* text = nullptr;
		int32 mods = 0;
		key->message.FindString("bytes", &text);
		key->message.FindInt32("modifiers", &mods);
		bytes.push_back(text ? text : "");
		modifiers.push_back(mods);
		// Continue after this message.
		const auto all = fRecorder->WaitForCount(0, 0ms);
		for (size_t i = from; i < all.size(); i++)
			if (all[i].message.HasSameData(key->message)) {
				from = i + 1;
				break;
			}
	}
	EXPECT_EQ(bytes, (std::vector<std::string>{"a", "B", "\n", "q", "\x1c"}));
	EXPECT_TRUE(modifiers[3] & B_COMMAND_KEY);
	EXPECT_TRUE(modifiers[1] & B_SHIFT_KEY);
	EXPECT_FALSE(modifiers[0] & (B_SHIFT_KEY | B_COMMAND_KEY));
	fServer.DestroyWindow(id);
}

TEST_F(SdlServerTest, ResizesAndMovesByTheUserAndByTheProgramAreReported) {
	const BRect frame(100, 100, 299, 199);
	const server_window_id id = Open("vu-geometry", frame);
	ASSERT_TRUE(WaitUntilActive());
	const std::string window = XWindow("vu-geometry");
	WaitForXFrame(window, frame);
	// Past the window manager's placement, so that moves are the user's.
	std::this_thread::sleep_for(2s);

	size_t before = fRecorder->Count();
	Shell("xdotool windowsize " + window + " 300 220");
	const auto resized = WaitFor(B_WINDOW_RESIZED, before);
	ASSERT_TRUE(resized);
	int32 right = 0, bottom = 0;
	resized->message.FindInt32("width", &right);
	resized->message.FindInt32("height", &bottom);
	EXPECT_EQ(right, 299);
	EXPECT_EQ(bottom, 219);
	EXPECT_TRUE(WaitFor(kMsgUpdate, before));

	before = fRecorder->Count();
	Shell("xdotool windowmove " + window + " 500 300");
	ASSERT_TRUE(WaitFor(B_WINDOW_MOVED, before));
	std::this_thread::sleep_for(1s); // the window manager may settle in steps
	const BRect userMoved = ReportedFrame(frame);
	EXPECT_EQ(XFrame(window), userMoved);
	EXPECT_NE(userMoved.LeftTop(), frame.LeftTop());

	before = fRecorder->Count();
	fServer.MoveTo(id, BPoint(150, 120));
	fServer.ResizeTo(id, 240, 160);
	ASSERT_TRUE(WaitFor(B_WINDOW_RESIZED, before));
	const BRect wanted(150, 120, 389, 279);
	EXPECT_EQ(WaitForXFrame(window, wanted), wanted);
	std::this_thread::sleep_for(500ms);
	EXPECT_EQ(ReportedFrame(frame), wanted);
	fServer.DestroyWindow(id);
}

TEST_F(SdlServerTest, PopupMenuLookIsPlacedExactlyWithoutDecoration) {
	const BRect frame(600, 400, 679, 459);
	const server_window_id id = Open("vu-popup", frame, B_NO_BORDER_WINDOW_LOOK, B_FLOATING_APP_WINDOW_FEEL);
	const std::string window = XWindow("vu-popup");
	EXPECT_EQ(WaitForXFrame(window, frame), frame);
	EXPECT_NE(Shell("xwininfo -id " + window).find("Override Redirect State: yes"), std::string::npos);
	Framebuffer pixels(80, 60, kRed);
	fServer.Present(id, pixels, pixels.Bounds(), true);
	const Screenshot shot = TakeScreenshot("onscreen-popup");
	EXPECT_EQ(shot.At(600, 400), kRed);
	EXPECT_EQ(shot.At(679, 459), kRed);
	EXPECT_NE(shot.At(599, 400), kRed);
	fServer.DestroyWindow(id);
}

TEST_F(SdlServerTest, ManyPresentsWithoutWaitingEndWithTheLastOnScreen) {
	const BRect frame(50, 450, 149, 529);
	const server_window_id id = Open("vu-flood", frame);
	ASSERT_TRUE(WaitUntilActive());
	WaitForXFrame(XWindow("vu-flood"), frame);
	Framebuffer pixels(100, 80, kRed);
	for (int i = 0; i < 500; i++) {
		pixels.FillPixels({0, 0, 99, 79}, i % 2 ? kRed : kBlue);
		fServer.Present(id, pixels, {0, 0, 99, 79}, false);
	}
	pixels.FillPixels({10, 10, 19, 19}, kGreen);
	fServer.Present(id, pixels, {10, 10, 19, 19}, true);
	const Screenshot shot = TakeScreenshot("onscreen-flood");
	EXPECT_EQ(shot.At(65, 465), kGreen);
	EXPECT_EQ(shot.At(90, 500), kRed);
	// Left open on purpose: the process must end cleanly with windows still there.
}

// The largest window holds more than the X server takes in one request; a
// request over its limit would close the connection and nothing would show.
TEST_F(SdlServerTest, AWholeLargestWindowGoesToTheServerAndTheNextFrameShows) {
	const int32 height = 1200; // 4096 x 1200 pixels: 19.7 MB, over the 16 MB a request may hold
	const server_window_id id = Open("vu-largest", BRect(0, 0, kMaxWindowSize - 1, height - 1));
	ASSERT_TRUE(WaitUntilActive());
	const BRect seen = XFrame(XWindow("vu-largest"));
	Framebuffer pixels(kMaxWindowSize, height, kRed);
	fServer.Present(id, pixels, {0, 0, kMaxWindowSize - 1, height - 1}, true);
	pixels.FillPixels({100, 100, 199, 199}, kGreen);
	fServer.Present(id, pixels, {100, 100, 199, 199}, true);
	const Screenshot shot = TakeScreenshot("onscreen-largest");
	const int left = int(seen.left), top = int(seen.top);
	EXPECT_EQ(shot.At(left + 150, top + 150), kGreen);
	EXPECT_EQ(shot.At(left + 500, top + 300), kRed);
	fServer.DestroyWindow(id);
}

// Whether the pointer shows nothing where it is now.
bool PointerHidden() {
	Display* display = XOpenDisplay(nullptr);
	if (!display) return false;
	XFixesCursorImage* image = XFixesGetCursorImage(display);
	bool hidden = image != nullptr;
	for (int i = 0; image && i < int(image->width) * int(image->height); i++)
		hidden = hidden && (image->pixels[i] >> 24) == 0;
	if (image) XFree(image);
	XCloseDisplay(display);
	return hidden;
}

TEST_F(SdlServerTest, FullScreenFillsTheScreenUndecoratedHidesThePointerAndComesBackToTheFrameBefore) {
	const BRect frame(150, 120, 409, 299);
	const BRect screen(0, 0, 1023, 767);
	// Over the desktop, away from the window's frame.
	Shell("xdotool mousemove 700 600");
	ASSERT_TRUE(Eventually([] { return !PointerHidden(); }));
	// Full screen at once, before the window manager has placed the window,
	// which it may not have put where it was asked to be yet.
	const server_window_id id = Open("vu-full", frame);
	fServer.SetFullScreen(id, true);
	const std::string window = XWindow("vu-full");
	EXPECT_EQ(WaitForXFrame(window, screen), screen);
	EXPECT_NE(Shell("xprop -id " + window + " _NET_FRAME_EXTENTS").find("= 0, 0, 0, 0"), std::string::npos);
	EXPECT_TRUE(Eventually([&] { return ReportedFrame(frame) == screen; }));
	EXPECT_TRUE(Eventually(PointerHidden));

	const size_t left = fRecorder->Count();
	fServer.SetFullScreen(id, false);
	EXPECT_EQ(WaitForXFrame(window, frame), frame);
	EXPECT_TRUE(Eventually([] { return !PointerHidden(); }));
	// Past the placement time, by when any report of the way back has come:
	// the only place reported is the frame before.
	std::this_thread::sleep_for(2s);
	const auto reports = fRecorder->WaitForCount(0, 0ms);
	for (size_t i = left; i < reports.size(); i++) {
		BPoint where;
		int32 right = 0, bottom = 0;
		if (reports[i].message.FindPoint("where", &where) == B_OK && IsWhat(reports[i], B_WINDOW_MOVED)) {
			EXPECT_EQ(where, frame.LeftTop());
		}
		if (reports[i].message.FindInt32("width", &right) == B_OK &&
		    reports[i].message.FindInt32("height", &bottom) == B_OK) {
			EXPECT_EQ(BPoint(float(right), float(bottom)), BPoint(frame.Width(), frame.Height()));
		}
	}
	EXPECT_EQ(ReportedFrame(frame), frame);
	fServer.DestroyWindow(id);
}

TEST_F(SdlServerTest, ScreenIsTheDisplaysSize) { EXPECT_EQ(BScreen().Frame(), BRect(0, 0, 1023, 767)); }

// A host inside a program that ends SDL for a use of its own has SDL's video
// stopped whenever no window is left; the next window starts it again and is
// shown and drawn as any. In a process of its own: the choice is for good.
TEST_F(SdlServerTest, ClosedWhenUnusedSdlStopsWithTheLastWindowAndTheNextWindowStartsItAgain) {
	GTEST_FLAG_SET(death_test_style, "threadsafe");
	const auto closeAndOpenAgain = [this] {
		const server_window_id first = Open("vu-first", BRect(100, 100, 199, 199));
		const bool firstShown = WaitUntilActive();
		std::promise<void> inUse, closed;
		fServer.CloseWhenUnused([&] { inUse.set_value(); });
		inUse.get_future().wait();
		const bool keptInUse = SDL_WasInit(SDL_INIT_VIDEO) != 0;
		fServer.DestroyWindow(first);
		fServer.CloseWhenUnused([&] { closed.set_value(); });
		closed.get_future().wait();
		const bool stopped = SDL_WasInit(SDL_INIT_VIDEO) == 0;

		const size_t before = fRecorder->Count();
		const BRect frame(300, 200, 399, 279);
		const server_window_id again = Open("vu-again", frame);
		const bool againShown =
		    fRecorder
		        ->WaitFor([](const RecordedMessage& m) { return IsWhat(m, B_WINDOW_ACTIVATED); }, kPatience,
		                  before)
		        .has_value();
		const BRect seen = WaitForXFrame(XWindow("vu-again"), frame);
		Framebuffer pixels(100, 80, kGreen);
		fServer.Present(again, pixels, pixels.Bounds(), true);
		const bool drawn = TakeScreenshot("onscreen-again").At(350, 240) == kGreen;
		// _Exit skips the destructors, the scratch folder's among them.
		std::error_code ignored;
		std::filesystem::remove_all(fScratch.Path(), ignored);
		std::_Exit(firstShown && keptInUse && stopped && againShown && seen == frame && drawn ? 0 : 1);
	};
	EXPECT_EXIT(closeAndOpenAgain(), testing::ExitedWithCode(0), "");
}

} // namespace
