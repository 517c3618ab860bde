// The sound files the command line names, checked before any add-on loads.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "audio/AudioFileSource.h"

// An input that opened when checked. A pipe stays open from then on, as it
// can be read only once; a file is opened again at its turn, so that a long
// list does not hold every file open at once.
struct InputFile {
	std::string path;
	std::unique_ptr<AudioFileSource> stream;
};

// The inputs that open, each other one reported at once ("vuplay: reason")
// rather than after the inputs before it have played. [player thread]
std::vector<InputFile> PlayableInputs(const std::vector<std::string>& files);
