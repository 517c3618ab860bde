#include "audio/sources/StreamSource.h"

namespace {

// A second decoded ahead: the player rides out a second of the writer's hiccups.
constexpr int kQueueSeconds = 1;

} // namespace

StreamSource::StreamSource(std::unique_ptr<AudioFileSource> file)
    : LiveSource(file->SampleRate(), WhenFull::Wait, int64_t{kQueueSeconds} * file->SampleRate()),
      file_(std::move(file)), name_(file_->Name()), totalFrames_(file_->TotalFrames()) {}

StreamSource::~StreamSource() {
	Close();
	file_->CancelReading();
	if (decoder_.joinable()) decoder_.join();
}

void StreamSource::Begin() {
	decoder_ = std::thread([this] { Decode(); });
}

void StreamSource::Decode() {
	AudioBlock block;
	while (file_->NextBlock(block))
		if (!Deliver(block.data(), kBlockFrames)) return;
	End(file_->Error());
}
