#include "core/Preferences.h"
#include "deliverables/Deliverable.h"

constinit const char* const Preferences::PrefsDataFile =
    "/boot/home/config/settings/Tarnwick_VisPlugin_Kestle_VU-Meter.preferences";

namespace Deliverable {

constinit const char* const LongName = "Kestle VU-Meter by Vessik Lundrel";
constinit const char* const MeterWindowTitle = "Kestle VU-Meter";
constinit const char* const AboutText = "VU-Meter\nVersion 1.0\n\nMade by Vessik Lundrel\n"
                                        "E-mail: vessik@example.org\n"
                                        "http://www.example.org/vessik/\n"
                                        "\n";
constinit const char* const PrefsWindowTitle = "Kestle VU-Meter Prefs";
constinit const int32 GainFactor = 32;

} // namespace Deliverable
