// Fresh folders of the player's own in the temporary folder.
#pragma once

#include <string>

// [main thread]
class ScratchFolder {
public:
	// Makes "PREFIX-XXXXXX" in the temporary folder ($TMPDIR, else /tmp) and
	// returns its path; the caller removes it. Where $TMPDIR is unusable (not
	// a folder, not writable), in /tmp, which is said once in a line. Empty
	// with `error` set to one line when neither works.
	static std::string Make(const std::string& prefix, std::string& error);
};
