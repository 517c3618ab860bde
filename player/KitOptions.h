// The kit choices of a vuplay run: the environment's, and what the options
// say over them.
#pragma once

#include "host/KitChoices.h"
#include "options/Options.h"

// --settings-dir over $VUMETERS_SETTINGS_DIR; --headless with neither of
// those gives the add-ons a private copy of the user's folder. --headless
// draws in memory on a screen of --screen's size. [main thread] As
// KitChoices::FromEnvironment().
KitChoices KitChoicesFor(const Options& options);
