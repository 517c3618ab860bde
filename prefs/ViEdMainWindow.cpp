#include "prefs/ViEdMainWindow.h"

#include <AppDefs.h>
#include <Messenger.h>
#include <Screen.h>

#include "deliverables/Deliverable.h"
#include "prefs/ViEdView_L0S0.h"

namespace {

constexpr float kWidth = 240;
constexpr float kHeight = 80;
constexpr bigtime_t kTryTimeout = 50;
constexpr bigtime_t kPollInterval = 100000;
constexpr bigtime_t kSettleTime = 400000;

} // namespace

constinit std::atomic<sem_id> ViEdMainWindow::WindowSemaphore{B_BAD_VALUE};
constinit std::atomic<ViEdMainWindow*> ViEdMainWindow::the_win{nullptr};

ViEdMainWindow::ViEdMainWindow(BRect frame, const char* title, window_look look, window_feel feel,
                               uint32 flags, uint32 workspace)
    : BWindow(frame, title, look, feel, flags, workspace) {
	panel = new ViEdView_L0S0(Bounds(), "view_L0S0", B_FOLLOW_ALL, B_WILL_DRAW);
	panel->SetViewColor(216, 216, 216, 0);
	AddChild(panel);
	// Last, so that a construction that fails leaves no pointer to it.
	the_win = this;
}

ViEdMainWindow::~ViEdMainWindow() {
	release_sem(WindowSemaphore);
	// Once the unit is back another opener may already have registered a new
	// window; only clear the pointer if it is still this one.
	ViEdMainWindow* self = this;
	the_win.compare_exchange_strong(self, nullptr);
}

void ViEdMainWindow::MessageReceived(BMessage* message) {
	switch (message->what) {
	case MSG_SHOW_PREFS:
		// Hiding and showing again brings the window to the front and
		// activates it, wherever it was.
		if (!IsHidden()) Hide();
		Minimize(false);
		Show();
		break;
	case B_SIMPLE_DATA:
	case B_QUIT_REQUESTED:
		break;
	default:
		BWindow::MessageReceived(message);
	}
}

bool ViEdMainWindow::QuitRequested() { return true; }

void ViEdMainWindow::CreateWindow() {
	const BRect screen = BScreen(B_MAIN_SCREEN_ID).Frame();
	BRect frame(10, 20, 10 + kWidth, 20 + kHeight);
	// Right and bottom rather than width and height: centred to within half
	// a pixel, and the corner may lie on a half pixel.
	frame.OffsetTo(0.5f * screen.right - 0.5f * kWidth, 0.5f * screen.bottom - 0.5f * kHeight);
	ViEdMainWindow* window = nullptr;
	try {
		window = new ViEdMainWindow(frame, Deliverable::PrefsWindowTitle, B_TITLED_WINDOW_LOOK,
		                            B_NORMAL_WINDOW_FEEL, 0, B_CURRENT_WORKSPACE);
	} catch (...) {
		// Only the window gives the unit back; without one the next opener
		// could never open another.
		release_sem(WindowSemaphore);
		throw;
	}
	window->Show();
}

void ViEdMainWindow::ShowWindow() {
	BMessenger messenger(the_win.load());
	if (messenger.IsValid()) messenger.SendMessage(MSG_SHOW_PREFS);
}

void ViEdMainWindow::OpenOrRaise() {
	if (acquire_sem_etc(WindowSemaphore, 1, B_TIMEOUT, kTryTimeout) == B_OK)
		CreateWindow();
	else
		ShowWindow();
}

void ViEdMainWindow::WaitForNoWindow(int32 count) {
	const bool hadWindow = the_win.load() != nullptr;
	for (int32 i = 0; i < count && the_win.load() != nullptr; i++)
		snooze(kPollInterval);
	if (hadWindow) snooze(kSettleTime);
}
