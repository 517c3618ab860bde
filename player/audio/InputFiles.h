// The sound files the command line names, checked before any add-on loads.
#pragma once

#include <memory>
#include <optional>
#include <stop_token>
#include <string>
#include <vector>

#include "audio/AudioSource.h"
#include "audio/helpers/RawPcm.h"
#include "host/Expected.h"

// An input that opened when checked. A pipe or FIFO stays open from then on,
// as it can be read only once; a file is opened again at its turn, so that a
// long list does not hold every file open at once.
struct InputFile {
	std::string path;
	std::unique_ptr<AudioSource> stream;
};

// [player thread]
class InputFiles {
public:
	// The inputs that open, each other one reported at once ("vuplay: reason")
	// rather than after the inputs before it have played.
	// A pipe's first bytes are waited for until a stop is requested of `stop`.
	static std::vector<InputFile> Playable(const std::vector<std::string>& files,
	                                       const std::optional<RawPcm>& raw, std::stop_token stop);
	// Opens `path`, headerless when `raw` is set: a named FIFO then as a live
	// source (see RawFifoSource); any other pipe is decoded as it comes (see
	// StreamSource). Fails with one line. `readOnce`, when given, tells
	// whether it cannot be opened again. A pipe's bytes are waited for until
	// a stop is requested of `stop`.
	static Expected<std::unique_ptr<AudioSource>> Open(const std::string& path,
	                                                   const std::optional<RawPcm>& raw, std::stop_token stop,
	                                                   bool* readOnce = nullptr);
};
