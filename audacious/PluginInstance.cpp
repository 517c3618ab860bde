// The plug-in object of one Audacious plug-in library; built once for each
// meter, with the meter's names defined on the command line.
#include <libaudcore/mainloop.h>
#include <libaudcore/plugins.h>
#include <libaudcore/preferences.h>

#include "MeterPlugin.h"

namespace {

void Disable();
void OpenPrefs();
void OpenAbout();

constexpr PreferencesWidget kWidgets[] = {
    WidgetLabel("The meter's own preferences window opens beside this one.\n"
                "Its popup menu (right-click in the meter) and Ctrl+P open it too."),
    WidgetButton("About the meter", {OpenAbout, nullptr}),
};
constexpr PluginPreferences kPreferences = {{kWidgets}, OpenPrefs, nullptr, nullptr};

constexpr const char kAbout[] = VUMETERS_BRIDGE_TITLE
    "\n\n"
    "A stereo VU meter in a window of its own: the add-on " VUMETERS_BRIDGE_FILE
    ", run for Audacious in a process "
    "of its own and handed every block Audacious plays as it is heard.\n\n"
    "The meter's own about box: the button in this plug-in's settings, or the A key in the meter window. "
    "In the meter window, space pauses and resumes, the arrow keys seek 5 seconds, and Q, Escape or the "
    "close box close the meter.";

} // namespace

__attribute__((visibility("default")))
MeterPlugin aud_plugin_instance({VUMETERS_BRIDGE_TITLE, nullptr, kAbout, &kPreferences, 0},
                                VUMETERS_BRIDGE_ADDON, Disable);

namespace {

// Audacious disables the plug-in (and calls cleanup) from its main loop, not
// from inside a call of the plug-in's own.
QueuedFunc gDisableLater;

void Disable() {
	gDisableLater.queue([] { aud_plugin_enable(aud_plugin_by_header(&aud_plugin_instance), false); });
}

void OpenPrefs() { aud_plugin_instance.OpenPrefs(); }

void OpenAbout() { aud_plugin_instance.OpenAbout(); }

} // namespace
