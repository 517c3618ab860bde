#include "core/MyPlugin.h"

#include <Alert.h>
#include <Font.h>
#include <Messenger.h>
#include <OS.h>
#include <Screen.h>
#include <TextView.h>

#include <cmath>
#include <utility>

#include "core/Preferences.h"
#include "deliverables/Deliverable.h"
#include "display/PluginWindow.h"
#include "prefs/ViEdMainWindow.h"

namespace {

constexpr const char* kShortName = "vu-meter";
// "VU-Meter", the heading at the start of every about text.
constexpr int32 kHeadingLength = 8;
constexpr float kHeadingSize = 24;
// Long enough for any preferences window to finish closing.
constexpr int32 kPrefsCloseWaits = 99999;

// The player is not built to take an exception from an add-on: a call that
// fails by one (an allocation, say) answers `failed` instead.
template <typename Result, typename Call> Result Guarded(Result failed, Call call) {
	try {
		return call();
	} catch (...) {
		return failed;
	}
}

// Where the meter window can be seen and reached: finite, not inverted, and
// with at least one pixel on the screen. A one-pixel window is usable.
bool IsUsable(BRect frame) {
	const bool finite = std::isfinite(frame.left) && std::isfinite(frame.top) && std::isfinite(frame.right) &&
	                    std::isfinite(frame.bottom);
	const BRect screen = BScreen(B_MAIN_SCREEN_ID).Frame();
	return finite && frame.IsValid() && (!screen.IsValid() || frame.Intersects(screen));
}

// Blocks until the about box is dismissed.
bool ShowAbout() {
	BAlert* alert =
	    new BAlert("", Deliverable::AboutText, "Aha!", nullptr, nullptr, B_WIDTH_FROM_LABEL, B_INFO_ALERT);
	if (BTextView* text = alert->TextView()) {
		text->MakeStylable(true);
		text->Select(0, kHeadingLength);
		text->SetFontAndColor(be_bold_font, B_FONT_ALL, nullptr);
		BFont heading;
		text->GetFontAndColor(2, &heading, nullptr);
		heading.SetSize(kHeadingSize);
		text->SetFontAndColor(&heading, B_FONT_ALL, nullptr);
	}
	alert->Go();
	return true;
}

} // namespace

extern "C" __attribute__((visibility("default"))) VisualizationPlugin* NewPlugin(int32* out) {
	if (out != nullptr) *out = 1;
	return Guarded<VisualizationPlugin*>(nullptr, [] { return new MyPlugin(); });
}

MyPlugin::MyPlugin() : VisualizationPlugin(kShortName, Deliverable::LongName) {}

bool MyPlugin::Init() {
	return Guarded(false, [this] {
		ViEdMainWindow::WindowSemaphore = create_sem(1, "PluginPanelMainWindow");
		// A frame the user could never see or reach again would be saved
		// back on every run.
		if (!IsUsable(ThePrefs.frame)) ThePrefs.frame = Preferences::DefaultFrame;
		window = NewWindow(ThePrefs.frame);
		// Edges beyond the window system's range leave the window wherever
		// it can be placed, which may be out of sight.
		if (!IsUsable(window->Frame())) {
			PluginWindow* unusable = std::exchange(window, nullptr);
			unusable->Lock();
			unusable->Quit();
			ThePrefs.frame = Preferences::DefaultFrame;
			window = NewWindow(ThePrefs.frame);
		}
		openedAt = window->Frame();
		window->Show();
		return true;
	});
}

PluginWindow* MyPlugin::NewWindow(BRect frame) {
	return new PluginWindow(frame, Deliverable::MeterWindowTitle, this, B_TITLED_WINDOW_LOOK,
	                        B_NORMAL_WINDOW_FEEL, B_WILL_ACCEPT_FIRST_CLICK, B_CURRENT_WORKSPACE);
}

void MyPlugin::Cleanup() {
	Guarded(false, [this] {
		if (window != nullptr) {
			window->Lock();
			// The window has whole-pixel sizes: a saved frame with fractions
			// stays as it was unless the user moved or resized the window.
			const BRect frame = window->Frame();
			if (frame != openedAt) ThePrefs.frame = frame;
			window->Quit();
			window = nullptr;
		}
		delete_sem(ViEdMainWindow::WindowSemaphore);

		BMessenger prefs(ViEdMainWindow::the_win.load());
		if (prefs.IsValid()) prefs.SendMessage(B_QUIT_REQUESTED);
		ViEdMainWindow::WaitForNoWindow(kPrefsCloseWaits);
		return true;
	});
}

bool MyPlugin::About(bool query) {
	if (query) return true;
	return Guarded(false, ShowAbout);
}

bool MyPlugin::Prefs(bool query) {
	if (query) return true;
	return Guarded(false, [] {
		ViEdMainWindow::OpenOrRaise();
		return true;
	});
}

uint32 MyPlugin::GetFlags() { return 1; }

void MyPlugin::SongInfo(SongInfoStruct*) {}

bool MyPlugin::Render(const VisAudioInfoStruct* info) {
	return Guarded(false, [this, info] {
		if (window == nullptr || !window->Lock()) return false;
		const bool rendered =
		    Guarded(false, [this, info] { return window->Render(info->Samples(), kBlockValues); });
		window->Unlock();
		return rendered;
	});
}
