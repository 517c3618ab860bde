// Streams a sound file of any format libsndfile decodes as 16-bit stereo blocks.
#pragma once

#include <memory>
#include <stop_token>
#include <string>
#include <vector>

#include "audio/AudioSource.h"
#include "host/Expected.h"
#include "host/SampleConversion.h"

struct sf_private_tag;
class RawPcm;
class StreamInput;

// Channel handling: mono goes to both sides; stereo is taken as it is. Of a
// file with more channels only the front left and front right channels are
// played and metered: the file's own channel map says which ones they are when
// it has one; otherwise Vorbis and Opus streams follow the Vorbis order (front
// right is channel 2 in 3-, 5-, 6-, 7- and 8-channel streams) and every other
// format the WAVE order (channels 0 and 1). Centre, LFE and surround channels
// are dropped rather than mixed in, so that a meter shows the front pair's
// levels unchanged and nothing is clipped by a mix.
//
// A pipe, FIFO or socket is read once as a stream: it cannot seek, and the
// source keeps it open from Open on, as it cannot be opened a second time.
// The path "-" is standard input. Devices are refused.
//
// A file that ends before its own length, or whose end is missing, fails at
// its end: Error() names it and the time where it ended.
//
// Samples are converted with rounding and saturation: full-scale floating-point
// values beyond [-1, 1] clip to -32768 and 32767 instead of wrapping. Each is
// rounded once, from the file's own precision: formats whose samples a float
// holds exactly (up to 24 bits, single-precision float, the lossy codecs) are
// decoded as floats, wider ones (32-bit integers, doubles) as doubles.
//
// [player thread]
class AudioFileSource final : public AudioSource {
public:
	// Opens `path` for streaming; the file is read a few blocks ahead. Fails
	// with one line, "PATH: reason". Waits for a pipe's bytes until they come
	// or a stop is requested of `stop`. With `raw` the file is headerless PCM
	// as it says.
	static Expected<std::unique_ptr<AudioFileSource>> Open(const std::string& path, std::stop_token stop,
	                                                       const RawPcm* raw = nullptr);
	~AudioFileSource() override;

	AudioFileSource(const AudioFileSource&) = delete;
	AudioFileSource& operator=(const AudioFileSource&) = delete;

	// The file's name, its control characters shown as escapes.
	std::string Name() const override { return name_; }
	int SampleRate() const override { return sampleRate_; }
	int64_t TotalFrames() const override { return totalFrames_; }
	int64_t Position() const override { return position_; }
	bool NextBlock(AudioBlock& block) override;
	bool Seek(int64_t frame) override;
	std::string Error() const override { return error_; }
	int64_t EndOfSound() const override { return end_; }

	const std::string& Path() const { return path_; }
	bool IsStream() const { return stream_ != nullptr; }
	// [any thread] Of a stream: a read that waits for the pipe gives up
	// within a tenth of a second, and the stream ends there.
	void CancelReading();
	int Channels() const { return channels_; }

private:
	AudioFileSource(std::string path, sf_private_tag* file, int sampleRate, int channels, int64_t frames);

	std::string path_;
	sf_private_tag* file_;                // owned; closed by the destructor
	std::unique_ptr<StreamInput> stream_; // what file_ reads from a pipe; outlives it
	int sampleRate_;
	int channels_;
	int64_t totalFrames_;
	int64_t position_ = 0;
	int64_t end_ = -1; // where decoding ended, which a file cut short puts before its stated length
	ChannelPair frontPair_{0, 0};
	// Decodes the next frames into `frames_` or `wide_`; false at the end or on an error.
	bool Refill();
	// Converts `count` decoded frames from `next_` on into `out`, stereo.
	void Convert(int64_t count, int16_t* out) const;
	// At the end of the decoded sound: whether the file was cut short, before
	// it was opened or while it played, and the length it `stated` (-1: none).
	bool EndedEarly(int64_t& stated) const;

	std::string name_;
	int format_ = 0;          // SF_FORMAT_*
	bool endMissing_ = false; // an Ogg file cut short before it was opened
	bool mpeg_ = false; // its decoder writes its own complaints to standard error and may estimate the length
	// Frames decoded ahead, all channels, so that the file is read in large
	// pieces rather than a block at a time; [next_, filled_) are still to be
	// played. Into `wide_` instead of `frames_` for samples wider than a float.
	std::vector<float> frames_;
	std::vector<double> wide_;
	int64_t next_ = 0;
	int64_t filled_ = 0;
	std::string error_;
};
