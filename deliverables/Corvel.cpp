#include "core/Preferences.h"
#include "deliverables/Deliverable.h"

constinit const char* const Preferences::PrefsDataFile =
    "/boot/home/config/settings/Tarnwick_VisPlugin_Corvels_VU-Meter.preferences";

namespace Deliverable {

constinit const char* const LongName = "Corvel's VU-Meter by Corvel Dravik";
constinit const char* const MeterWindowTitle = "Corvel's VU-Meter";
constinit const char* const AboutText = "VU-Meter\nVersion 1.0\n\nMade by Corvel Dravik\n\n";
constinit const char* const PrefsWindowTitle = "Corvel's VU-Meter Prefs";
constinit const int32 GainFactor = 26;

} // namespace Deliverable
