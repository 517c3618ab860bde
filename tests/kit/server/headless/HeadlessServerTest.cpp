#include <gtest/gtest.h>

#include <AppDefs.h>
#include <Screen.h>
#include <kit/Display.h>

#include "kit/MessageRecorder.h"
#include "server/DisplayChoice.h"
#include "server/headless/HeadlessServer.h"
#include "support/Watchdog.h"

namespace {

using namespace std::chrono_literals;

// Messages are posted before the server call returns; the recorder's thread
// takes them shortly after.
constexpr auto kArrival = 5000ms;

WindowAttributes Attributes(BRect frame, uint32 flags = 0) {
	WindowAttributes attributes;
	attributes.frame = frame;
	attributes.title = "test";
	attributes.flags = flags;
	return attributes;
}

// A message's what and fields, with the time left out, for comparing.
std::string Describe(const RecordedMessage& recorded) {
	BMessage copy = recorded.message;
	copy.RemoveName("when");
	return std::to_string(recorded.client) + " " + copy.ToString();
}

std::string Activated(int client, bool active) {
	BMessage message(B_WINDOW_ACTIVATED);
	message.AddBool("active", active);
	return Describe({client, message});
}

std::string Update(int client, BRect rect) {
	BMessage message(kMsgUpdate);
	message.AddRect("updateRect", rect);
	return Describe({client, message});
}

std::string Resized(int client, int32 right, int32 bottom) {
	BMessage message(B_WINDOW_RESIZED);
	message.AddInt32("width", right);
	message.AddInt32("height", bottom);
	return Describe({client, message});
}

std::string Moved(int client, BPoint where) {
	BMessage message(B_WINDOW_MOVED);
	message.AddPoint("where", where);
	return Describe({client, message});
}

std::string Minimize(int client, bool minimized) {
	BMessage message(B_MINIMIZE);
	message.AddBool("minimize", minimized);
	return Describe({client, message});
}

class HeadlessServerTest : public testing::Test {
protected:
	HeadlessServerTest() : fWatchdog(60s), fRecorder(MakeRecorder()), fServer(800, 600) {
		for (int i = 0; i < 3; i++)
			fClients.push_back(fRecorder->AddClient());
		fRecorder->Start();
	}

	// Everything posted so far, once `count` messages have arrived; then
	// checks that no more than that arrives.
	std::vector<std::string> Received(size_t count) {
		std::vector<std::string> described;
		for (const RecordedMessage& recorded : fRecorder->WaitForCount(count, kArrival))
			described.push_back(Describe(recorded));
		return described;
	}

	// Messages after the first `skip`.
	std::vector<std::string> ReceivedAfter(size_t skip, size_t count) {
		std::vector<std::string> all = Received(skip + count);
		return std::vector<std::string>(all.begin() + long(std::min(skip, all.size())), all.end());
	}

	Watchdog fWatchdog;
	RecorderPointer fRecorder;
	HeadlessServer fServer;
	std::vector<BMessenger> fClients;
};

TEST_F(HeadlessServerTest, ShowingActivatesAfterDeactivatingThePreviousWindowThenExposesAll) {
	const server_window_id first = fServer.CreateWindow(Attributes(BRect(10, 20, 209, 119)), fClients[0]);
	const server_window_id second = fServer.CreateWindow(Attributes(BRect(50, 60, 149, 99)), fClients[1]);
	fServer.SetVisible(first, true);
	fServer.SetVisible(second, true);
	EXPECT_EQ(Received(5), (std::vector<std::string>{Activated(0, true), Update(0, BRect(0, 0, 199, 99)),
	                                                 Activated(0, false), Activated(1, true),
	                                                 Update(1, BRect(0, 0, 99, 39))}));
	EXPECT_EQ(fServer.ActiveWindow(), second);
}

TEST_F(HeadlessServerTest, NewWindowIsHiddenAndShowingTwicePostsOnce) {
	const server_window_id id = fServer.CreateWindow(Attributes(BRect(0, 0, 99, 99)), fClients[0]);
	ASSERT_TRUE(fServer.State(id));
	EXPECT_FALSE(fServer.State(id)->visible);
	EXPECT_EQ(fServer.ActiveWindow(), 0);
	fServer.SetVisible(id, true);
	fServer.SetVisible(id, true);
	fServer.MoveTo(id, BPoint(5, 5)); // a marker: nothing else may come before it
	EXPECT_EQ(Received(3), (std::vector<std::string>{Activated(0, true), Update(0, BRect(0, 0, 99, 99)),
	                                                 Moved(0, BPoint(5, 5))}));
}

TEST_F(HeadlessServerTest, HidingTheActiveWindowDeactivatesItAndActivatesNoOther) {
	const server_window_id first = fServer.CreateWindow(Attributes(BRect(0, 0, 9, 9)), fClients[0]);
	const server_window_id second = fServer.CreateWindow(Attributes(BRect(0, 0, 9, 9)), fClients[1]);
	fServer.SetVisible(first, true);
	fServer.SetVisible(second, true);
	fServer.SetVisible(second, false);
	EXPECT_EQ(ReceivedAfter(5, 1), (std::vector<std::string>{Activated(1, false)}));
	EXPECT_EQ(fServer.ActiveWindow(), 0);
	EXPECT_FALSE(fServer.State(second)->visible);
}

TEST_F(HeadlessServerTest, ResizeReportsBoundsAndRepaintsAllOnlyWhenTheWindowGrew) {
	const server_window_id id = fServer.CreateWindow(Attributes(BRect(100, 100, 199, 149)), fClients[0]);
	fServer.ResizeTo(id, 120, 50); // wider
	fServer.ResizeTo(id, 120, 40); // lower only
	fServer.ResizeTo(id, 120, 40); // unchanged
	fServer.ResizeTo(id, 90, 60);  // narrower but higher
	EXPECT_EQ(Received(5), (std::vector<std::string>{Resized(0, 119, 49), Update(0, BRect(0, 0, 119, 49)),
	                                                 Resized(0, 119, 39), Resized(0, 89, 59),
	                                                 Update(0, BRect(0, 0, 89, 59))}));
	EXPECT_EQ(fServer.State(id)->attributes.frame, BRect(100, 100, 189, 159));
}

TEST_F(HeadlessServerTest, MoveReportsTheContentCornerAndKeepsTheSize) {
	const server_window_id id = fServer.CreateWindow(Attributes(BRect(100, 100, 199, 149)), fClients[0]);
	fServer.MoveTo(id, BPoint(30, 40));
	fServer.MoveTo(id, BPoint(30, 40));
	fServer.ResizeTo(id, 50, 50); // a marker after the second move
	EXPECT_EQ(Received(2), (std::vector<std::string>{Moved(0, BPoint(30, 40)), Resized(0, 49, 49)}));
	EXPECT_EQ(fServer.State(id)->attributes.frame, BRect(30, 40, 79, 89));
}

TEST_F(HeadlessServerTest, FullScreenFillsTheScreenOnceAndComesBackToTheFrameBefore) {
	const server_window_id id = fServer.CreateWindow(Attributes(BRect(100, 100, 199, 149)), fClients[0]);
	fServer.SetFullScreen(id, true);
	fServer.SetFullScreen(id, true);
	EXPECT_EQ(fServer.State(id)->attributes.frame, BRect(0, 0, 799, 599));
	fServer.SetFullScreen(id, false);
	fServer.SetFullScreen(id, false);
	EXPECT_EQ(Received(5), (std::vector<std::string>{Moved(0, BPoint(0, 0)), Resized(0, 799, 599),
	                                                 Update(0, BRect(0, 0, 799, 599)),
	                                                 Moved(0, BPoint(100, 100)), Resized(0, 99, 49)}));
	EXPECT_EQ(fServer.State(id)->attributes.frame, BRect(100, 100, 199, 149));
}

TEST_F(HeadlessServerTest, UserActionsFollowTheWindowFlags) {
	const uint32 fixed = B_NOT_RESIZABLE | B_NOT_MOVABLE | B_NOT_CLOSABLE;
	const server_window_id locked = fServer.CreateWindow(Attributes(BRect(0, 0, 99, 99), fixed), fClients[0]);
	const server_window_id wide =
	    fServer.CreateWindow(Attributes(BRect(0, 0, 99, 99), B_NOT_H_RESIZABLE), fClients[1]);
	fServer.SetVisible(locked, true);
	fServer.SetVisible(wide, true);
	EXPECT_FALSE(fServer.UserResize(locked, 50, 50));
	EXPECT_FALSE(fServer.UserMove(locked, BPoint(5, 5)));
	EXPECT_FALSE(fServer.UserClose(locked));
	EXPECT_TRUE(fServer.UserResize(wide, 50, 50));
	EXPECT_TRUE(fServer.UserClose(wide));
	EXPECT_EQ(ReceivedAfter(5, 2),
	          (std::vector<std::string>{Resized(1, 99, 49), Describe({1, BMessage(B_QUIT_REQUESTED)})}));
	EXPECT_EQ(fServer.State(locked)->attributes.frame, BRect(0, 0, 99, 99));
}

TEST_F(HeadlessServerTest, HiddenOrMinimisedWindowsTakeNoUserAction) {
	const server_window_id hidden = fServer.CreateWindow(Attributes(BRect(0, 0, 99, 99)), fClients[0]);
	const server_window_id minimised = fServer.CreateWindow(Attributes(BRect(0, 0, 99, 99)), fClients[1]);
	fServer.SetVisible(minimised, true);
	fServer.SetMinimized(minimised, true);
	for (server_window_id id : {hidden, minimised}) {
		EXPECT_FALSE(fServer.UserMove(id, BPoint(1, 1)));
		EXPECT_FALSE(fServer.UserResize(id, 10, 10));
		EXPECT_FALSE(fServer.UserClose(id));
		EXPECT_FALSE(fServer.UserActivate(id));
		EXPECT_FALSE(fServer.UserExpose(id, BRect(0, 0, 5, 5)));
		EXPECT_FALSE(fServer.UserMouse(id, B_MOUSE_DOWN, BPoint(1, 1), B_PRIMARY_MOUSE_BUTTON, 0));
	}
	EXPECT_FALSE(fServer.UserKey(B_KEY_DOWN, "a"));
	EXPECT_FALSE(fServer.UserMove(99, BPoint(1, 1)));
	fServer.ResizeTo(hidden, 10, 10); // a marker: nothing else may come before it
	EXPECT_EQ(ReceivedAfter(4, 1), (std::vector<std::string>{Resized(0, 9, 9)}));
}

TEST_F(HeadlessServerTest, MinimisingDeactivatesAndRestoringReactivatesAndRepaints) {
	const server_window_id id = fServer.CreateWindow(Attributes(BRect(0, 0, 19, 9)), fClients[0]);
	fServer.SetVisible(id, true);
	EXPECT_TRUE(fServer.UserMinimize(id, true));
	EXPECT_FALSE(fServer.UserMinimize(id, true));
	EXPECT_TRUE(fServer.UserMinimize(id, false));
	EXPECT_EQ(ReceivedAfter(2, 5),
	          (std::vector<std::string>{Minimize(0, true), Activated(0, false), Minimize(0, false),
	                                    Activated(0, true), Update(0, BRect(0, 0, 19, 9))}));
}

TEST_F(HeadlessServerTest, ExposeIsClippedToTheWindow) {
	const server_window_id id = fServer.CreateWindow(Attributes(BRect(10, 10, 59, 39)), fClients[0]);
	fServer.SetVisible(id, true);
	EXPECT_TRUE(fServer.UserExpose(id, BRect(-5, 20, 10, 100)));
	EXPECT_FALSE(fServer.UserExpose(id, BRect(50, 0, 60, 5)));
	EXPECT_EQ(ReceivedAfter(2, 1), (std::vector<std::string>{Update(0, BRect(0, 20, 10, 29))}));
}

TEST_F(HeadlessServerTest, ClickOnAnInactiveWindowActivatesItBeforeTheClickAndKeysGoToIt) {
	const server_window_id first = fServer.CreateWindow(Attributes(BRect(0, 0, 99, 99)), fClients[0]);
	const server_window_id second = fServer.CreateWindow(Attributes(BRect(0, 0, 99, 99)), fClients[1]);
	fServer.SetVisible(first, true);
	fServer.SetVisible(second, true);
	EXPECT_TRUE(fServer.UserMouse(first, B_MOUSE_DOWN, BPoint(3, 4), B_SECONDARY_MOUSE_BUTTON, B_SHIFT_KEY));
	EXPECT_TRUE(fServer.UserKey(B_KEY_DOWN, "x", B_COMMAND_KEY, 53));
	const std::vector<std::string> received = ReceivedAfter(5, 4);
	ASSERT_EQ(received.size(), 4u);
	EXPECT_EQ(received[0], Activated(1, false));
	EXPECT_EQ(received[1], Activated(0, true));

	const std::vector<RecordedMessage> all = fRecorder->WaitForCount(9, kArrival);
	const BMessage& click = all[7].message;
	EXPECT_EQ(all[7].client, 0);
	EXPECT_EQ(click.what, B_MOUSE_DOWN);
	BPoint where;
	int32 buttons = 0, modifiers = 0, clicks = 0;
	EXPECT_EQ(click.FindPoint("where", &where), B_OK);
	EXPECT_EQ(click.FindInt32("buttons", &buttons), B_OK);
	EXPECT_EQ(click.FindInt32("modifiers", &modifiers), B_OK);
	EXPECT_EQ(click.FindInt32("clicks", &clicks), B_OK);
	EXPECT_EQ(where, BPoint(3, 4));
	EXPECT_EQ(buttons, int32(B_SECONDARY_MOUSE_BUTTON));
	EXPECT_EQ(modifiers, int32(B_SHIFT_KEY));
	EXPECT_EQ(clicks, 1);

	const BMessage& key = all[8].message;
	EXPECT_EQ(all[8].client, 0);
	EXPECT_EQ(key.what, B_KEY_DOWN);
	const char* bytes = nullptr;
	int8 byte = 0;
	int32 code = 0;
	EXPECT_EQ(key.FindString("bytes", &bytes), B_OK);
	EXPECT_STREQ(bytes, "x");
	EXPECT_EQ(key.FindInt8("byte", &byte), B_OK);
	EXPECT_EQ(byte, 'x');
	EXPECT_EQ(key.FindInt32("key", &code), B_OK);
	EXPECT_EQ(code, 53);
	EXPECT_EQ(key.FindInt32("modifiers", &modifiers), B_OK);
	EXPECT_EQ(modifiers, int32(B_COMMAND_KEY));
}

TEST_F(HeadlessServerTest, WindowThatAvoidsFocusIsShownWithoutTakingIt) {
	const server_window_id normal = fServer.CreateWindow(Attributes(BRect(0, 0, 9, 9)), fClients[0]);
	const server_window_id menu =
	    fServer.CreateWindow(Attributes(BRect(0, 0, 9, 9), B_AVOID_FOCUS), fClients[1]);
	fServer.SetVisible(normal, true);
	fServer.SetVisible(menu, true);
	EXPECT_FALSE(fServer.UserActivate(menu));
	EXPECT_TRUE(fServer.UserMouse(menu, B_MOUSE_DOWN, BPoint(1, 1), B_PRIMARY_MOUSE_BUTTON, 0));
	EXPECT_EQ(fServer.ActiveWindow(), normal);
	const std::vector<std::string> received = Received(4);
	ASSERT_EQ(received.size(), 4u);
	EXPECT_EQ(received[2], Update(1, BRect(0, 0, 9, 9)));
	EXPECT_EQ(fRecorder->WaitForCount(4, kArrival)[3].message.what, B_MOUSE_DOWN);
}

TEST_F(HeadlessServerTest, DestroyedActiveWindowLeavesNoActiveWindowAndIdsAreNotReused) {
	const server_window_id first = fServer.CreateWindow(Attributes(BRect(0, 0, 9, 9)), fClients[0]);
	fServer.SetVisible(first, true);
	fServer.DestroyWindow(first);
	EXPECT_EQ(fServer.ActiveWindow(), 0);
	EXPECT_FALSE(fServer.State(first));
	EXPECT_GT(fServer.CreateWindow(Attributes(BRect(0, 0, 9, 9)), fClients[1]), first);
}

// The same calls on two fresh displays give the same messages.
TEST_F(HeadlessServerTest, SameCallsGiveTheSameMessages) {
	auto script = [](HeadlessServer& server, const std::vector<BMessenger>& clients) {
		const server_window_id a = server.CreateWindow(Attributes(BRect(10, 10, 109, 59)), clients[0]);
		const server_window_id b = server.CreateWindow(Attributes(BRect(20, 20, 69, 69)), clients[1]);
		server.SetVisible(a, true);
		server.SetVisible(b, true);
		server.UserActivate(a);
		server.UserResize(b, 80, 80);
		server.UserMove(a, BPoint(0, 0));
		server.UserExpose(b, BRect(5, 5, 10, 10));
		server.UserKey(B_KEY_DOWN, "q", B_COMMAND_KEY);
		server.UserClose(a);
	};
	script(fServer, fClients);
	const std::vector<std::string> first = Received(13);
	RecorderPointer otherRecorder = MakeRecorder();
	std::vector<BMessenger> otherClients{otherRecorder->AddClient(), otherRecorder->AddClient()};
	otherRecorder->Start();
	HeadlessServer other(800, 600);
	script(other, otherClients);
	std::vector<std::string> second;
	for (const RecordedMessage& recorded : otherRecorder->WaitForCount(first.size(), kArrival))
		second.push_back(Describe(recorded));
	ASSERT_EQ(first.size(), 13u);
	EXPECT_EQ(first, second);
}

TEST(DisplayServerTest, HeadlessChosenFirstGivesThatScreenToBScreen) {
	ASSERT_TRUE(DisplayChoice::UseHeadless(640, 480));
	EXPECT_TRUE(DisplayChoice::Server().IsHeadless());
	EXPECT_EQ(DisplayChoice::Server().ScreenFrame(), BRect(0, 0, 639, 479));
	EXPECT_EQ(BScreen().Frame(), BRect(0, 0, 639, 479));
	EXPECT_TRUE(BScreen(B_MAIN_SCREEN_ID).IsValid());
	EXPECT_FALSE(BScreen(screen_id{1}).IsValid());
	EXPECT_FALSE(DisplayChoice::UseHeadless(800, 600));
}

// In a child process, so that the display is chosen afresh.
TEST(DisplayServerDeathTest, WithoutADisplayTheServerIsHeadlessWithTheFallbackScreenTheHostGave) {
	GTEST_FLAG_SET(death_test_style, "threadsafe");
	EXPECT_EXIT(
	    {
		    unsetenv("DISPLAY");
		    unsetenv("WAYLAND_DISPLAY");
		    const bool taken = kit::SetFallbackScreenSize(800, 600);
		    DisplayServer& server = DisplayChoice::Server();
		    std::exit(taken && server.IsHeadless() && server.ScreenFrame() == BRect(0, 0, 799, 599) &&
		                      !kit::SetFallbackScreenSize(640, 480)
		                  ? 0
		                  : 1);
	    },
	    testing::ExitedWithCode(0), "");
	// A chosen headless screen is not the fallback's to change.
	EXPECT_EXIT(
	    {
		    const bool chosen = kit::UseHeadlessDisplay(320, 200);
		    const bool overridden = kit::SetFallbackScreenSize(800, 600);
		    DisplayServer& server = DisplayChoice::Server();
		    std::exit(chosen && !overridden && server.IsHeadless() &&
		                      server.ScreenFrame() == BRect(0, 0, 319, 199)
		                  ? 0
		                  : 1);
	    },
	    testing::ExitedWithCode(0), "");
}

} // namespace
