// The kit's handling of X errors, each case in a child process: Xlib's
// default handlers end the process, and a lost connection is lost for the
// whole process.
#include <gtest/gtest.h>

#include <cstdlib>

#include <X11/Xlib.h>
#include <sys/socket.h>

#include "server/sdl/XErrors.h"
#include "support/Watchdog.h"

namespace {

// The child's exit status when the display cannot be opened at all.
constexpr int kNoDisplay = 5;

Display* OpenSurviving() {
	XErrors::Install();
	Display* display = XOpenDisplay(nullptr);
	if (!display) std::_Exit(kNoDisplay);
	XErrors::Survive(display);
	return display;
}

// Exits 0 when requests about a destroyed window fail and the next request
// is answered.
[[noreturn]] void AskAboutAWindowThatIsGone() {
	Display* display = OpenSurviving();
	const Window root = DefaultRootWindow(display);
	const Window gone = XCreateSimpleWindow(display, root, 0, 0, 10, 10, 0, 0, 0);
	XDestroyWindow(display, gone);
	XMapWindow(display, gone);
	Window child = 0;
	int x = 0;
	int y = 0;
	const bool translated = XTranslateCoordinates(display, gone, root, 0, 0, &x, &y, &child);
	XWindowAttributes attributes;
	const bool answered = XGetWindowAttributes(display, root, &attributes);
	std::_Exit(!translated && answered && !XErrors::DisplayLost() ? 0 : 4);
}

// Exits 0 when the display is lost once the connection breaks and later
// requests return unanswered.
[[noreturn]] void BreakTheConnection() {
	Display* display = OpenSurviving();
	shutdown(ConnectionNumber(display), SHUT_RDWR);
	XSync(display, False);
	XWindowAttributes attributes;
	const bool answered = XGetWindowAttributes(display, DefaultRootWindow(display), &attributes);
	XSync(display, False);
	std::_Exit(XErrors::DisplayLost() && !answered ? 0 : 4);
}

int gForeignErrors = 0;

int CountForeignError(Display*, XErrorEvent*) {
	gForeignErrors++;
	return 0;
}

// Exits 0 when an error on a connection that is not the kit's (a toolkit's in
// the program the kit is loaded into) reaches the handler that program had,
// and one on the kit's own does not.
[[noreturn]] void MakeErrorsOnBothConnections() {
	XSetErrorHandler(CountForeignError);
	Display* ours = OpenSurviving();
	Display* theirs = XOpenDisplay(nullptr);
	if (!theirs) std::_Exit(kNoDisplay);
	for (Display* display : {ours, theirs}) {
		XMapWindow(display, 0x1fffffff); // no such window
		XSync(display, False);
	}
	std::_Exit(gForeignErrors == 1 && !XErrors::DisplayLost() ? 0 : 4);
}

class XErrorsTest : public testing::Test {
protected:
	void SetUp() override { GTEST_FLAG_SET(death_test_style, "threadsafe"); }

	Watchdog fWatchdog{std::chrono::seconds(60)};
};

TEST_F(XErrorsTest, RequestsAboutAWindowThatIsGoneLeaveTheConnectionUsable) {
	EXPECT_EXIT(AskAboutAWindowThatIsGone(), testing::ExitedWithCode(0), "");
}

TEST_F(XErrorsTest, ErrorsOnAnotherConnectionGoToTheHandlerThereBefore) {
	EXPECT_EXIT(MakeErrorsOnBothConnections(), testing::ExitedWithCode(0), "");
}

TEST_F(XErrorsTest, ABrokenConnectionMarksTheDisplayLostAndLaterCallsReturn) {
	EXPECT_EXIT(BreakTheConnection(), testing::ExitedWithCode(0), "");
}

} // namespace
