#include "core/MyPlugin.h"

#include <Alert.h>
#include <Font.h>
#include <Messenger.h>
#include <OS.h>
#include <TextView.h>

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

} // namespace

extern "C" __attribute__((visibility("default"))) VisualizationPlugin* NewPlugin(int32* out) {
	*out = 1;
	return new MyPlugin();
}

MyPlugin::MyPlugin() : VisualizationPlugin(kShortName, Deliverable::LongName) {}

bool MyPlugin::Init() {
	ViEdMainWindow::WindowSemaphore = create_sem(1, "PluginPanelMainWindow");
	window = new PluginWindow(ThePrefs.frame, Deliverable::MeterWindowTitle, this, B_TITLED_WINDOW_LOOK,
	                          B_NORMAL_WINDOW_FEEL, B_WILL_ACCEPT_FIRST_CLICK, B_CURRENT_WORKSPACE);
	window->Show();
	return true;
}

void MyPlugin::Cleanup() {
	if (window != nullptr) {
		window->Lock();
		ThePrefs.frame = window->Frame();
		window->Quit();
		window = nullptr;
	}
	delete_sem(ViEdMainWindow::WindowSemaphore);

	BMessenger prefs(ViEdMainWindow::the_win.load());
	if (prefs.IsValid()) prefs.SendMessage(B_QUIT_REQUESTED);
	ViEdMainWindow::WaitForNoWindow(kPrefsCloseWaits);
}

bool MyPlugin::About(bool query) {
	if (query) return true;
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

bool MyPlugin::Prefs(bool query) {
	if (!query) ViEdMainWindow::OpenOrRaise();
	return true;
}

uint32 MyPlugin::GetFlags() { return 1; }

void MyPlugin::SongInfo(SongInfoStruct*) {}

bool MyPlugin::Render(const VisAudioInfoStruct* info) {
	if (window == nullptr || !window->Lock()) return false;
	const bool rendered = window->Render(info->Samples(), kBlockValues);
	window->Unlock();
	return rendered;
}
