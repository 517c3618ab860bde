#include <AppDefs.h>
#include <Messenger.h>
#include <View.h>
#include <Window.h>
#include <kit/Display.h>
#include <kit/DrawingObserver.h>

#include <atomic>
#include <cmath>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "support/Watchdog.h"

namespace {

constexpr rgb_color kRed = {255, 0, 0, 255};
constexpr rgb_color kBlue = {0, 0, 255, 255};
constexpr rgb_color kWhite = {255, 255, 255, 255};

// A view that records what reaches it.
class ProbeView : public BView {
public:
	ProbeView(BRect frame, const char* name, uint32 mode = B_FOLLOW_ALL, uint32 flags = B_WILL_DRAW)
	    : BView(frame, name, mode, flags) {}

	void Draw(BRect update) override {
		draws.push_back(update);
		SetHighColor(kRed);
		FillRect(BRect(0, 0, 0, 0));
	}
	void MouseDown(BPoint where) override {
		uint32 buttons = 0;
		BPoint now;
		GetMouse(&now, &buttons);
		downs.push_back(where);
		downButtons.push_back(buttons);
	}
	void KeyDown(const char* bytes, int32) override { keys.push_back(bytes); }
	void WindowActivated(bool active) override { activations.push_back(active); }
	void MessageReceived(BMessage* message) override { messages.push_back(message->what); }

	std::vector<BRect> draws;
	std::vector<BPoint> downs;
	std::vector<uint32> downButtons;
	std::vector<std::string> keys;
	std::vector<bool> activations;
	std::vector<uint32> messages;
};

class RecordingWindow : public BWindow {
public:
	explicit RecordingWindow(BRect frame, const char* title = "probe")
	    : BWindow(frame, title, B_TITLED_WINDOW_LOOK, B_NORMAL_WINDOW_FEEL, B_WILL_ACCEPT_FIRST_CLICK) {}
	void FrameResized(float width, float height) override { resizes.push_back(BPoint(width, height)); }
	void FrameMoved(BPoint where) override { moves.push_back(where); }
	bool QuitRequested() override {
		quitRequests++;
		return false;
	}
	std::vector<BPoint> resizes;
	std::vector<BPoint> moves;
	std::atomic<int> quitRequests{0};
};

struct Recorder : kit::DrawingObserver {
	void HighColorSet(rgb_color c) override { calls.push_back("high " + std::to_string(c.red)); }
	void RectFilled(BRect r) override {
		calls.push_back("fill " + std::to_string(int(r.left)) + " " + std::to_string(int(r.right)));
	}
	void LineStroked(BPoint, BPoint) override { calls.push_back("line"); }
	void Synced() override { calls.push_back("sync"); }
	void UpdateStarting(BRect) override { calls.push_back("update"); }
	void WindowResizing(float w, float h) override {
		calls.push_back("resized " + std::to_string(int(w)) + " " + std::to_string(int(h)));
	}
	std::vector<std::string> calls;
};

class WindowTest : public ::testing::Test {
protected:
	static void SetUpTestSuite() { kit::UseHeadlessDisplay(1024, 768); }

	// A shown window with one view covering it.
	void Open(BRect frame = BRect(100, 100, 299, 199)) {
		window = new RecordingWindow(frame);
		view = new ProbeView(window->Bounds(), "probe");
		window->AddChild(view);
		window->Show();
		ASSERT_TRUE(kit::WaitForIdle(window));
	}
	void TearDown() override {
		if (window && window->Lock()) window->Quit();
	}

	Watchdog watchdog;
	RecordingWindow* window = nullptr;
	ProbeView* view = nullptr;
};

} // namespace

TEST_F(WindowTest, IsCreatedHiddenAndShowsActiveAndExposed) {
	window = new RecordingWindow(BRect(10, 20, 209, 419));
	view = new ProbeView(window->Bounds(), "probe");
	window->AddChild(view);
	EXPECT_TRUE(window->IsHidden());
	EXPECT_EQ(window->Bounds(), BRect(0, 0, 199, 399));
	EXPECT_EQ(window->Frame(), BRect(10, 20, 209, 419));
	window->Show();
	ASSERT_TRUE(kit::WaitForIdle(window));
	ASSERT_TRUE(window->Lock());
	EXPECT_FALSE(window->IsHidden());
	EXPECT_TRUE(window->IsActive());
	ASSERT_EQ(view->draws.size(), 1u);
	EXPECT_EQ(view->draws[0], BRect(0, 0, 199, 399));
	EXPECT_EQ(view->activations, std::vector<bool>{true});
	window->Unlock();
	// The view colour filled the exposed area before Draw painted its pixel.
	EXPECT_EQ(kit::PixelAt(window, 0, 0), kRed);
	EXPECT_EQ(kit::PixelAt(window, 199, 399), kWhite);
}

TEST_F(WindowTest, ExposeFillsWithTheViewColourThenDraws) {
	Open();
	ASSERT_TRUE(window->Lock());
	view->SetViewColor(kBlue);
	view->SetHighColor(kWhite);
	view->FillRect(view->Bounds());
	view->draws.clear();
	window->Unlock();
	ASSERT_TRUE(kit::Expose(window, BRect(10, 10, 19, 19)));
	EXPECT_EQ(kit::PixelAt(window, 10, 10), kBlue);
	EXPECT_EQ(kit::PixelAt(window, 19, 19), kBlue);
	EXPECT_EQ(kit::PixelAt(window, 20, 20), kWhite);
	EXPECT_EQ(kit::PixelAt(window, 9, 9), kWhite);
	ASSERT_TRUE(window->Lock());
	ASSERT_EQ(view->draws.size(), 1u);
	EXPECT_EQ(view->draws[0], BRect(10, 10, 19, 19));
	window->Unlock();
}

TEST_F(WindowTest, FollowAllViewKeepsCoveringTheWindowOnResize) {
	Open();
	auto* fixed = new ProbeView(BRect(5, 5, 54, 24), "fixed", B_FOLLOW_LEFT | B_FOLLOW_TOP);
	ASSERT_TRUE(window->Lock());
	window->AddChild(fixed);
	window->Unlock();
	ASSERT_TRUE(kit::UserResize(window, 399, 299));
	ASSERT_TRUE(window->Lock());
	EXPECT_EQ(window->Bounds(), BRect(0, 0, 399, 299));
	EXPECT_EQ(view->Frame(), BRect(0, 0, 399, 299));
	EXPECT_EQ(fixed->Frame(), BRect(5, 5, 54, 24));
	ASSERT_EQ(window->resizes.size(), 1u);
	EXPECT_EQ(window->resizes[0], BPoint(399, 299));
	EXPECT_EQ(window->Frame(), BRect(100, 100, 499, 399));
	window->Unlock();
	ASSERT_TRUE(kit::UserResize(window, 49, 29));
	ASSERT_TRUE(window->Lock());
	EXPECT_EQ(view->Frame(), BRect(0, 0, 49, 29));
	EXPECT_EQ(fixed->Frame(), BRect(5, 5, 54, 24));
	window->Unlock();
}

TEST_F(WindowTest, FrameFollowsMovesAndAbsurdFramesAreTamed) {
	Open();
	ASSERT_TRUE(kit::UserMove(window, BPoint(300, 250)));
	ASSERT_TRUE(window->Lock());
	EXPECT_EQ(window->Frame(), BRect(300, 250, 499, 349));
	ASSERT_EQ(window->moves.size(), 1u);
	window->MoveTo(BPoint(391.5f, 343.5f));
	window->Unlock();
	ASSERT_TRUE(kit::WaitForIdle(window));
	ASSERT_TRUE(window->Lock());
	EXPECT_EQ(window->Frame().LeftTop(), BPoint(391.5f, 343.5f));
	window->Unlock();

	auto* wild = new BWindow(BRect(NAN, 1e30f, INFINITY, -1e30f), "wild", B_TITLED_WINDOW_LOOK,
	                         B_NORMAL_WINDOW_FEEL, 0);
	BRect frame = wild->Frame();
	EXPECT_TRUE(std::isfinite(frame.left) && std::isfinite(frame.top));
	EXPECT_GE(frame.Width(), 0);
	EXPECT_LE(frame.Width(), kMaxWindowSize);
	EXPECT_LE(frame.Height(), kMaxWindowSize);
	auto* huge = new BWindow(BRect(0, 0, 1e9f, 1e9f), "huge", B_TITLED_WINDOW_LOOK, B_NORMAL_WINDOW_FEEL, 0);
	EXPECT_EQ(huge->Bounds(), BRect(0, 0, kMaxWindowSize - 1, kMaxWindowSize - 1));
	wild->Quit();
	huge->Quit();
}

TEST_F(WindowTest, KeysGoToTheFocusViewAndShortcutsWin) {
	Open();
	auto* other = new ProbeView(BRect(0, 0, 9, 9), "other", B_FOLLOW_NONE);
	ASSERT_TRUE(window->Lock());
	window->AddChild(other);
	view->MakeFocus(true);
	window->AddShortcut('p', B_COMMAND_KEY, new BMessage(100), view);
	window->Unlock();
	ASSERT_TRUE(kit::TypeKey(window, "a"));
	ASSERT_TRUE(kit::TypeKey(window, "p", B_COMMAND_KEY));
	ASSERT_TRUE(kit::TypeKey(window, "P", B_COMMAND_KEY | B_SHIFT_KEY));
	ASSERT_TRUE(kit::TypeKey(window, "p"));
	ASSERT_TRUE(window->Lock());
	EXPECT_EQ(view->keys, (std::vector<std::string>{"a", "P", "p"}));
	EXPECT_EQ(view->messages, std::vector<uint32>{100});
	EXPECT_TRUE(other->keys.empty());
	other->MakeFocus(true);
	EXPECT_EQ(window->CurrentFocus(), other);
	EXPECT_FALSE(view->IsFocus());
	window->Unlock();
	ASSERT_TRUE(kit::TypeKey(window, "b"));
	ASSERT_TRUE(window->Lock());
	EXPECT_EQ(other->keys, std::vector<std::string>{"b"});
	window->Unlock();
}

TEST_F(WindowTest, MouseDownsGoToTheViewUnderThePointerWithItsButtons) {
	Open();
	auto* corner = new ProbeView(BRect(150, 50, 199, 99), "corner", B_FOLLOW_NONE);
	ASSERT_TRUE(window->Lock());
	window->AddChild(corner);
	window->Unlock();
	ASSERT_TRUE(kit::MouseDown(window, BPoint(160, 60), B_SECONDARY_MOUSE_BUTTON));
	ASSERT_TRUE(kit::MouseUp(window, BPoint(160, 60)));
	ASSERT_TRUE(kit::MouseDown(window, BPoint(20, 30), B_PRIMARY_MOUSE_BUTTON | B_TERTIARY_MOUSE_BUTTON));
	ASSERT_TRUE(window->Lock());
	ASSERT_EQ(corner->downs.size(), 1u);
	EXPECT_EQ(corner->downs[0], BPoint(10, 10));
	EXPECT_EQ(corner->downButtons[0], B_SECONDARY_MOUSE_BUTTON);
	ASSERT_EQ(view->downs.size(), 1u);
	EXPECT_EQ(view->downs[0], BPoint(20, 30));
	EXPECT_EQ(view->downButtons[0], uint32(B_PRIMARY_MOUSE_BUTTON | B_TERTIARY_MOUSE_BUTTON));
	EXPECT_EQ(view->ConvertToScreen(BPoint(20, 30)), BPoint(120, 130));
	window->Unlock();
}

TEST_F(WindowTest, CloseBoxAsksQuitRequested) {
	Open();
	ASSERT_TRUE(kit::CloseBox(window));
	EXPECT_EQ(window->quitRequests.load(), 1);
	ASSERT_TRUE(window->Lock());
	EXPECT_FALSE(window->IsHidden());
	window->Unlock();
}

TEST_F(WindowTest, ShowAndHideNest) {
	Open();
	ASSERT_TRUE(window->Lock());
	window->Hide();
	window->Hide();
	EXPECT_TRUE(window->IsHidden());
	window->Show();
	EXPECT_TRUE(window->IsHidden());
	window->Show();
	EXPECT_FALSE(window->IsHidden());
	window->Minimize(true);
	EXPECT_TRUE(window->IsMinimized());
	window->Minimize(false);
	EXPECT_FALSE(window->IsMinimized());
	window->Unlock();
}

TEST_F(WindowTest, ObserverSeesEveryCallIncludingEmptyOnesAndResizes) {
	Open();
	Recorder recorder;
	ASSERT_TRUE(window->Lock());
	kit::SetDrawingObserver(view, &recorder);
	view->SetHighColor(kBlue);
	view->FillRect(BRect(50, 0, 40, 10)); // inverted: paints nothing, still seen
	view->StrokeLine(BPoint(0, 0), BPoint(5, 5));
	view->Sync();
	window->Unlock();
	EXPECT_EQ(kit::PixelAt(window, 45, 5), kWhite);
	// Growing exposes the window, so the view is redrawn after the resize notice.
	ASSERT_TRUE(kit::UserResize(window, 299, 149));
	ASSERT_TRUE(window->Lock());
	kit::SetDrawingObserver(view, nullptr);
	window->Unlock();
	std::vector<std::string> expected = {"high 0",          "fill 50 40", "line",     "sync",
	                                     "resized 299 149", "update",     "high 255", "fill 0 0"};
	EXPECT_EQ(recorder.calls, expected);
}

TEST_F(WindowTest, QuitFromAnotherThreadWhileTheWindowIsBusy) {
	for (int round = 0; round < 10; round++) {
		Open();
		std::atomic<bool> stop{false};
		std::thread storm([&] {
			BMessenger messenger(window);
			while (!stop) {
				BMessage down(B_MOUSE_DOWN);
				down.AddPoint("where", BPoint(5, 5));
				down.AddInt32("buttons", 1);
				messenger.SendMessage(&down);
			}
		});
		snooze(5000);
		ASSERT_TRUE(window->Lock());
		window->Quit();
		window = nullptr;
		stop = true;
		storm.join();
	}
}

TEST_F(WindowTest, RenderLoopAndEventStormDoNotOverlap) {
	Open();
	std::atomic<bool> stop{false};
	std::atomic<int> rendered{0};
	std::atomic<int> overlaps{0};
	std::atomic<bool> drawing{false};
	std::thread player([&] {
		while (!stop) {
			if (!window->Lock()) break;
			drawing = true;
			view->SetHighColor(uint8(rendered.load()), 0, 0);
			view->FillRect(BRect(0, 0, 49, 49));
			view->StrokeLine(BPoint(0, 99), BPoint(199, 0));
			view->Sync();
			drawing = false;
			window->Unlock();
			rendered++;
		}
	});
	// The window thread checks, inside its own handlers, that no render is
	// half done while it holds the lock.
	class Guard : public BView {
	public:
		Guard(std::atomic<bool>* drawing, std::atomic<int>* overlaps)
		    : BView(BRect(0, 0, 9, 9), "guard", B_FOLLOW_NONE, 0), fDrawing(drawing), fOverlaps(overlaps) {}
		void MouseDown(BPoint) override {
			if (*fDrawing) (*fOverlaps)++;
		}
		std::atomic<bool>* fDrawing;
		std::atomic<int>* fOverlaps;
	};
	ASSERT_TRUE(window->Lock());
	window->AddChild(new Guard(&drawing, &overlaps));
	window->Unlock();
	for (int event = 0; event < 100; event++) {
		ASSERT_TRUE(kit::MouseDown(window, BPoint(5, 5), B_PRIMARY_MOUSE_BUTTON));
		ASSERT_TRUE(kit::UserResize(window, 150 + event % 100, 80 + event % 50));
		ASSERT_TRUE(kit::TypeKey(window, "x"));
		ASSERT_TRUE(kit::Expose(window, BRect(0, 0, 20, 20)));
	}
	stop = true;
	player.join();
	EXPECT_GT(rendered.load(), 0);
	EXPECT_EQ(overlaps.load(), 0);
}

// A reader that keeps the last picture reads a window again only once it has
// drawn, and never mistakes another window's picture for it.
TEST_F(WindowTest, PixelsAreLentOnlyWhenTheWindowDrewSinceTheLastLoan) {
	Open();
	uint64 version = 0;
	int loans = 0;
	rgb_color corner{};
	const auto lend = [&](BWindow* from) {
		return kit::LendPixels(from, &version, [&](const rgb_color* pixels, int32 width, int32 height) {
			loans++;
			EXPECT_EQ(width, 200);
			EXPECT_EQ(height, 100);
			corner = pixels[0];
		});
	};
	ASSERT_TRUE(lend(window));
	EXPECT_EQ(loans, 1);
	ASSERT_TRUE(lend(window));
	EXPECT_EQ(loans, 1);

	ASSERT_TRUE(window->Lock());
	view->SetHighColor(kBlue);
	view->FillRect(BRect(0, 0, 0, 0));
	window->Unlock();
	ASSERT_TRUE(lend(window));
	EXPECT_EQ(loans, 2);
	EXPECT_EQ(corner, kBlue);

	std::vector<rgb_color> copy;
	int32 width = 0, height = 0;
	uint64 copied = version;
	ASSERT_TRUE(kit::ReadPixels(window, &copy, &width, &height, &copied));
	EXPECT_TRUE(copy.empty()); // nothing new to copy

	RecordingWindow* other = new RecordingWindow(BRect(100, 100, 299, 199));
	other->Show();
	ASSERT_TRUE(kit::WaitForIdle(other));
	ASSERT_TRUE(lend(other));
	EXPECT_EQ(loans, 3);
	EXPECT_NE(corner, kBlue);
	ASSERT_TRUE(other->Lock());
	other->Quit();
}
