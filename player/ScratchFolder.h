// Fresh folders of the player's own in the temporary folder.
#pragma once

#include <string>

#include "host/Expected.h"

// [main thread]
class ScratchFolder {
public:
	// Makes "PREFIX-XXXXXX" in the temporary folder ($TMPDIR, else /tmp) and
	// returns its path; the caller removes it. Where $TMPDIR is unusable (not
	// a folder, not writable), in /tmp, which is said once in a line. Fails
	// with one line when neither works.
	static Expected<std::string> Make(const std::string& prefix);
};
