#include "audio/InputFiles.h"

#include "audio/helpers/InterruptibleIo.h"
#include "audio/sources/AudioFileSource.h"
#include "audio/sources/RawFifoSource.h"
#include "audio/sources/StreamSource.h"
#include "host/Report.h"

Expected<std::unique_ptr<AudioSource>> InputFiles::Open(const std::string& path,
                                                        const std::optional<RawPcm>& raw,
                                                        std::stop_token stop, bool* readOnce) {
	if (raw && path != "-" && InterruptibleIo::IsNamedFifo(path)) {
		if (readOnce) *readOnce = true;
		return RawFifoSource::Open(path, *raw);
	}
	auto file = AudioFileSource::Open(path, stop, raw ? &*raw : nullptr);
	if (!file) return Failure{file.Error()};
	// Standard input, even from a file, shares its place in it with the copy read: it cannot start over.
	if (readOnce) *readOnce = (*file)->IsStream() || path == "-";
	if ((*file)->IsStream())
		return std::unique_ptr<AudioSource>(std::make_unique<StreamSource>(std::move(*file)));
	return file;
}

std::vector<InputFile> InputFiles::Playable(const std::vector<std::string>& files,
                                            const std::optional<RawPcm>& raw, std::stop_token stop) {
	std::vector<InputFile> playable;
	for (const std::string& path : files) {
		bool readOnce = false;
		auto source = Open(path, raw, stop, &readOnce);
		if (!source)
			Report(source.Error());
		else
			playable.push_back({path, readOnce ? std::move(*source) : nullptr});
	}
	return playable;
}
