#include "audio/sources/AudioFileSource.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <filesystem>
#include <optional>
#include <sndfile.h>
#include <sys/stat.h>

#include "audio/helpers/Clause.h"
#include "audio/helpers/HeaderClaim.h"
#include "audio/helpers/InterruptibleIo.h"
#include "audio/helpers/OggEnd.h"
#include "audio/helpers/QuietStderr.h"
#include "audio/helpers/RawPcm.h"
#include "audio/helpers/StreamInput.h"
#include "audio/helpers/TimeText.h"
#include "host/Printable.h"

namespace {

// About 190 ms at 44.1 kHz: few reads a second, little memory even with many channels.
constexpr int64_t kReadFrames = 16 * kBlockFrames;

// Whether a float holds every sample of the format exactly: integers of up to
// 24 bits, single-precision floats, and what the lossy and compressed codecs
// decode to. Wider samples read as floats would be rounded twice.
bool FloatIsExact(int format) {
	switch (format & SF_FORMAT_SUBMASK) {
	case SF_FORMAT_PCM_32:
	case SF_FORMAT_DOUBLE:
	case SF_FORMAT_ALAC_32:
	case SF_FORMAT_DWVW_N:
		return false;
	default:
		return true;
	}
}

bool IsVorbisOrdered(int format) {
	const int codec = format & SF_FORMAT_SUBMASK;
	return codec == SF_FORMAT_VORBIS || codec == SF_FORMAT_OPUS;
}

// The channels that feed the left and the right side (see the header).
ChannelPair FrontPair(SNDFILE* file, const SF_INFO& info) {
	const int channels = info.channels;
	if (channels == 1) return {0, 0};
	std::vector<int> map(static_cast<size_t>(channels));
	if (sf_command(file, SFC_GET_CHANNEL_MAP_INFO, map.data(), static_cast<int>(map.size() * sizeof(int))) ==
	    SF_TRUE) {
		const auto find = [&map](int a, int b) {
			const auto it = std::find_if(map.begin(), map.end(), [=](int c) { return c == a || c == b; });
			return it == map.end() ? -1 : static_cast<int>(it - map.begin());
		};
		const int left = find(SF_CHANNEL_MAP_LEFT, SF_CHANNEL_MAP_FRONT_LEFT);
		const int right = find(SF_CHANNEL_MAP_RIGHT, SF_CHANNEL_MAP_FRONT_RIGHT);
		if (left >= 0 && right >= 0) return {left, right};
	}
	if (IsVorbisOrdered(info.format) && (channels == 3 || channels >= 5)) return {0, 2};
	return {0, 1};
}

// Why libsndfile refused input that could be read.
std::string DecodeFailure(bool empty) {
	if (empty) return "empty file";
	const int code = sf_error(nullptr);
	if (code == SF_ERR_MALFORMED_FILE || code == SF_ERR_UNSUPPORTED_ENCODING)
		return "cannot decode: " + Clause(sf_strerror(nullptr));
	return "not a sound file in a format that can be decoded";
}

// `path` as one word of a shell command line.
std::string ShellWord(const std::string& path) {
	if (!path.empty() &&
	    path.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789"
	                           "._-+/,:=@") == std::string::npos)
		return path;
	std::string quoted = "'";
	for (const char c : path)
		quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
	return quoted + "'";
}

// What libsndfile cannot read, ffmpeg most likely can, into a pipe.
std::string FfmpegHint(const std::string& path) {
	return "; to play it through ffmpeg: ffmpeg -i " + ShellWord(path) + " -f wav - | vuplay -";
}

} // namespace

Expected<std::unique_ptr<AudioFileSource>> AudioFileSource::Open(const std::string& path,
                                                                 std::stop_token stop, const RawPcm* raw) {
	const Expected<InterruptibleIo::Opened> opened = InterruptibleIo::OpenForReading(path);
	if (!opened) {
		const bool missing = errno == ENOENT;
		return Failure{path + ": " + (missing ? "no such file" : opened.Error())};
	}
	const auto [fd, isStream] = *opened;
	// A pipe is read once, so the source keeps what it opened instead of opening the path again.
	std::unique_ptr<StreamInput> stream = isStream ? std::make_unique<StreamInput>(fd, stop) : nullptr;
	struct stat status {};
	const bool empty = stream ? false : ::fstat(fd, &status) == 0 && status.st_size == 0;
	SF_INFO info{};
	if (raw) {
		info.format = raw->SndfileFormat();
		info.samplerate = raw->Rate();
		info.channels = raw->Channels();
	}
	SNDFILE* file = nullptr;
	{
		QuietStderr quiet;
		// libsndfile closes a file's descriptor, on failure too.
		file = stream ? sf_open_virtual(StreamInput::Callbacks(), SFM_READ, &info, stream.get())
		              : sf_open_fd(fd, SFM_READ, &info, SF_TRUE);
	}
	if (!file) {
		if (stream && stream->Interrupted()) return Failure{path + ": interrupted while waiting for input"};
		if (stream && !stream->Error().empty()) return Failure{path + ": cannot read: " + stream->Error()};
		return Failure{path + ": " + DecodeFailure(stream ? stream->Empty() : empty) +
		               (stream || raw || empty ? "" : FfmpegHint(path))};
	}
	std::string problem;
	if (info.channels < 1 || info.samplerate < 1)
		problem = "cannot decode: no channels or no sample rate";
	else if (info.frames <= 0)
		problem = "contains no audio";
	if (!problem.empty()) {
		sf_close(file);
		return Failure{path + ": " + problem};
	}
	// Headerless sound read from a pipe has no length; libsndfile takes the pipe's for it.
	const int64_t frames = info.frames == SF_COUNT_MAX || (raw && stream) ? -1 : info.frames;
	std::unique_ptr<AudioFileSource> source(
	    new AudioFileSource(path, file, info.samplerate, info.channels, frames));
	source->frontPair_ = FrontPair(file, info);
	const size_t buffer = static_cast<size_t>(kReadFrames) * static_cast<size_t>(info.channels);
	if (FloatIsExact(info.format))
		source->frames_.resize(buffer);
	else
		source->wide_.resize(buffer);
	source->format_ = info.format;
	source->mpeg_ = (info.format & SF_FORMAT_TYPEMASK) == SF_FORMAT_MPEG;
	// libsndfile still owns the descriptor and reads on from where it is.
	source->endMissing_ =
	    !stream && (info.format & SF_FORMAT_TYPEMASK) == SF_FORMAT_OGG && !OggEnd::IsThere(fd);
	source->stream_ = std::move(stream);
	return source;
}

AudioFileSource::AudioFileSource(std::string path, sf_private_tag* file, int sampleRate, int channels,
                                 int64_t frames)
    : path_(std::move(path)), file_(file), sampleRate_(sampleRate), channels_(channels), totalFrames_(frames),
      name_(path_ == "-" ? "standard input" : Printable(std::filesystem::path(path_).filename().string())) {}

AudioFileSource::~AudioFileSource() { sf_close(file_); }

void AudioFileSource::CancelReading() {
	if (stream_) stream_->Cancel();
}

bool AudioFileSource::Refill() {
	std::optional<QuietStderr> quiet;
	if (mpeg_) quiet.emplace();
	next_ = 0;
	const sf_count_t got = wide_.empty() ? sf_readf_float(file_, frames_.data(), kReadFrames)
	                                     : sf_readf_double(file_, wide_.data(), kReadFrames);
	filled_ = std::max<sf_count_t>(got, 0);
	return filled_ > 0;
}

void AudioFileSource::Convert(int64_t count, int16_t* out) const {
	const size_t start = static_cast<size_t>(next_ * channels_);
	if (!wide_.empty())
		ToStereoInt16(wide_.data() + start, channels_, frontPair_, static_cast<size_t>(count), out);
	else
		ToStereoInt16(frames_.data() + start, channels_, frontPair_, static_cast<size_t>(count), out);
}

bool AudioFileSource::NextBlock(AudioBlock& block) {
	if (!error_.empty()) return false;
	int64_t got = 0;
	while (got < kBlockFrames && (next_ < filled_ || Refill())) {
		const int64_t take = std::min<int64_t>(kBlockFrames - got, filled_ - next_);
		Convert(take, block.data() + 2 * got);
		next_ += take;
		got += take;
	}
	if (got < kBlockFrames) end_ = position_ + got;
	if (got == 0) {
		if (sf_error(file_) != SF_ERR_NO_ERROR)
			error_ = path_ + ": cannot decode: " + Clause(sf_strerror(file_));
		else if (stream_ && !stream_->Error().empty())
			error_ = path_ + ": cannot read: " + stream_->Error();
		// A pipe's header cannot know that nothing follows it; a file's length tells at once.
		else if (stream_ && position_ == 0 && !stream_->Interrupted())
			error_ = path_ + ": contains no audio";
		else if (int64_t stated = 0; EndedEarly(stated))
			error_ = path_ + ": the file ends early, at " + TimeText(position_, sampleRate_) +
			         (stated >= 0 ? " of " + TimeText(stated, sampleRate_) : "");
		return false;
	}
	std::fill(block.begin() + 2 * got, block.end(), int16_t{0});
	position_ += got;
	return true;
}

bool AudioFileSource::EndedEarly(int64_t& stated) const {
	stated = totalFrames_;
	if (endMissing_) return true;
	if (HeaderClaim::ClaimsMore(file_, format_, channels_, totalFrames_, stated)) return true;
	// A pipe's header may give any length, as its writer could not know it.
	if (stream_ || totalFrames_ < 0) return false;
	// Without a frame count in the file, the MP3 decoder estimates the
	// length from the file's size, and is off by up to about 1%.
	const int64_t slack = mpeg_ ? totalFrames_ / 100 : 0;
	return position_ < totalFrames_ - slack;
}

bool AudioFileSource::Seek(int64_t frame) {
	if (stream_) return false;
	frame = std::max<int64_t>(frame, 0);
	if (totalFrames_ >= 0) frame = std::min(frame, totalFrames_);
	std::optional<QuietStderr> quiet;
	if (mpeg_) quiet.emplace();
	if (sf_seek(file_, frame, SEEK_SET) < 0) return false;
	position_ = frame;
	end_ = -1;
	next_ = filled_ = 0;
	return true;
}
