#include "core/Preferences.h"

Preferences ThePrefs;
