#include "audio/InputFiles.h"

#include "Report.h"

std::vector<InputFile> PlayableInputs(const std::vector<std::string>& files) {
	std::vector<InputFile> playable;
	for (const std::string& path : files) {
		std::string error;
		auto source = AudioFileSource::Open(path, error);
		if (!source)
			Report(error);
		else
			playable.push_back({path, source->IsStream() ? std::move(source) : nullptr});
	}
	return playable;
}
