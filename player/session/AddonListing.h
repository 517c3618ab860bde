// vuplay --list-plugins: what the add-on lookup finds, with each add-on's
// long name.
#pragma once

#include <cstdio>

#include "host/AddonLocator.h"

class AddonListing {
public:
	// Loads every file `locator` finds and prints one line per add-on to
	// `out`: its name, its long_name and its path; these are the files that
	// -p NAME runs. A library that is no add-on is reported on standard error
	// and left out. With `verbose`, a line "skipped: PATH: why" follows for
	// every other file in the folders. The add-ons' settings go to a scratch
	// folder meanwhile, so the user's are neither read nor written. Returns
	// the exit status: 1 when no add-on was found.
	// [main thread, before any other add-on is loaded]
	static int Print(const AddonLocator& locator, std::FILE* out, bool verbose);
};
