// What sets one add-on apart from the other, apart from its meter: its texts
// and the gain factor of its level measurement. Each add-on links exactly one
// unit that defines these (Corvel.cpp or Kestle.cpp), together with its
// Preferences::PrefsDataFile. All are constant-initialised.
#pragma once

#include <SupportDefs.h>

namespace Deliverable {

// The plug-in's long_name, shown by the player.
extern const char* const LongName;
// Title of the meter window.
extern const char* const MeterWindowTitle;
// Body of the about box; its first word, "VU-Meter", is set as a heading.
extern const char* const AboutText;
// Title of the preferences window.
extern const char* const PrefsWindowTitle;
// How strongly the gain shortens the block divisor of the level measurement.
extern const int32 GainFactor;

} // namespace Deliverable
