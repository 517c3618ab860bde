// The live source that --monitor or --capture asks for.
#pragma once

#include <memory>
#include <stop_token>
#include <string>

#include "audio/LiveSource.h"
#include "host/Expected.h"

// [player thread]
class LiveInput {
public:
	enum class Kind {
		Monitor, // --monitor: the sound server's monitor of the default output
		Capture  // --capture: the server's default input, or its input `name`
	};

	// Where no server answers, --capture takes SDL's capture device (ALSA,
	// say) of that name. The server is waited for until a stop is requested
	// of `stop`. Fails with one line, followed by the devices there are when
	// the name is not one of them.
	static Expected<std::unique_ptr<LiveSource>> Open(Kind kind, const std::string& name,
	                                                  std::stop_token stop);
};
