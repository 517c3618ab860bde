// The one way a player's library starts a meter behind the plain C calls its
// plug-ins make: nothing may be thrown into the player, so running out of
// memory is a failed start, and a failure comes back as its line.
#pragma once

#include <cstdio>
#include <exception>
#include <string>

#include "host/Expected.h"

// Runs `start`, which gives Expected<T*>: its pointer, or null with the line
// that says why written into `error` (`size` bytes). The line of an
// exception is written on standard error as well; `start`'s own failures say
// theirs where they fail. [player's main thread]
template <typename T, typename Start>
T* StartFromPlainCall(const char* addon, char* error, int size, Start start) {
	std::string why;
	try {
		Expected<T*> started = start();
		if (started) return *started;
		why = started.Error();
	} catch (const std::exception& exception) {
		why = std::string(addon) + ": " + exception.what();
		std::fprintf(stderr, "vu-meters: %s\n", why.c_str());
	}
	std::snprintf(error, static_cast<size_t>(size), "%s", why.c_str());
	return nullptr;
}

// The failure of a meter whose player has not the feed in its effects
// folder, written on standard error.
inline Failure FeedMissing(const char* addon, const std::string& feed, const std::string& player) {
	const std::string why =
	    std::string(addon) + ": the feed, " + feed + ", is not in " + player + "'s Effect folder";
	std::fprintf(stderr, "vu-meters: %s\n", why.c_str());
	return Failure{why};
}
