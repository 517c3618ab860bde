// The live source that --monitor or --capture asks for.
#pragma once

#include <memory>
#include <string>

#include "audio/LiveSource.h"
#include "options/Options.h"

// [player thread]
class LiveInput {
public:
	// --monitor: the sound server's monitor of the default output.
	// --capture: the server's default input, or its input of the name given;
	// where no server answers, SDL's capture device (ALSA, say) of that name.
	// Null on failure, with `error` one line, followed by the devices there
	// are when the name is not one of them.
	static std::unique_ptr<LiveSource> Open(const Options& options, std::string& error);
};
