#include "audio/sources/AudioFileSource.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>

#include "audio/helpers/RawPcm.h"
#include "playback/PeakMeter.h"
#include "player/TestFiles.h"

namespace {

// Left counts up from 0, right down from -1: every frame's values are distinct and known.
std::vector<short> Ramp(int frames) {
	std::vector<short> samples;
	for (int i = 0; i < frames; i++) {
		samples.push_back(static_cast<short>(i));
		samples.push_back(static_cast<short>(-1 - i));
	}
	return samples;
}

std::vector<AudioBlock> ReadAll(AudioSource& source) {
	std::vector<AudioBlock> blocks;
	AudioBlock block;
	while (source.NextBlock(block))
		blocks.push_back(block);
	return blocks;
}

std::unique_ptr<AudioFileSource> OpenOrFail(const std::string& path) {
	auto source = AudioFileSource::Open(path, {});
	EXPECT_TRUE(source) << source.Error();
	return source ? std::move(*source) : nullptr;
}

} // namespace

TEST(AudioFileSource, StreamsExactBlocksAndPadsTheLastWithSilence) {
	TempDir dir;
	const std::string path = dir / "ramp.wav";
	ASSERT_TRUE(WriteSound(path, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 2, 22050, Ramp(1300)));
	auto source = OpenOrFail(path);
	ASSERT_TRUE(source);
	EXPECT_EQ(source->SampleRate(), 22050);
	EXPECT_EQ(source->TotalFrames(), 1300);
	EXPECT_EQ(source->Name(), "ramp.wav");

	const auto blocks = ReadAll(*source);
	ASSERT_EQ(blocks.size(), 3u); // 512 + 512 + 276 frames
	for (int frame = 0; frame < 3 * kBlockFrames; frame++) {
		const AudioBlock& block = blocks[static_cast<size_t>(frame / kBlockFrames)];
		const size_t at = static_cast<size_t>(2 * (frame % kBlockFrames));
		const int left = frame < 1300 ? frame : 0;
		const int right = frame < 1300 ? -1 - frame : 0;
		ASSERT_EQ(block[at], left) << "frame " << frame;
		ASSERT_EQ(block[at + 1], right) << "frame " << frame;
	}
	EXPECT_EQ(source->Position(), 1300);
	EXPECT_TRUE(source->Error().empty());
}

// Long enough to be decoded in several pieces, none ending on a block boundary of the file's length.
TEST(AudioFileSource, AFileReadInPiecesGivesEveryFrameOnceInOrder) {
	TempDir dir;
	const std::string path = dir / "long.wav";
	constexpr int kFrames = 30001;
	ASSERT_TRUE(WriteSound(path, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 2, 44100, Ramp(kFrames)));
	auto source = OpenOrFail(path);
	ASSERT_TRUE(source);
	const auto blocks = ReadAll(*source);
	ASSERT_EQ(blocks.size(), size_t((kFrames + kBlockFrames - 1) / kBlockFrames));
	for (int frame = 0; frame < kFrames; frame++) {
		const AudioBlock& block = blocks[static_cast<size_t>(frame / kBlockFrames)];
		const size_t at = static_cast<size_t>(2 * (frame % kBlockFrames));
		ASSERT_EQ(block[at], frame);
		ASSERT_EQ(block[at + 1], -1 - frame);
	}
	EXPECT_EQ(source->Position(), kFrames);
}

TEST(AudioFileSource, MonoIsHeardOnBothSides) {
	TempDir dir;
	const std::string path = dir / "mono.wav";
	std::vector<short> samples;
	for (int i = 0; i < 600; i++)
		samples.push_back(static_cast<short>(i * 50 - 15000));
	ASSERT_TRUE(WriteSound(path, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 1, 8000, samples));
	auto source = OpenOrFail(path);
	ASSERT_TRUE(source);
	const auto blocks = ReadAll(*source);
	ASSERT_EQ(blocks.size(), 2u);
	for (int frame = 0; frame < 600; frame++) {
		const AudioBlock& block = blocks[static_cast<size_t>(frame / kBlockFrames)];
		const size_t at = static_cast<size_t>(2 * (frame % kBlockFrames));
		ASSERT_EQ(block[at], samples[static_cast<size_t>(frame)]);
		ASSERT_EQ(block[at + 1], samples[static_cast<size_t>(frame)]);
	}
}

TEST(AudioFileSource, FloatSamplesBeyondFullScaleClipInsteadOfWrapping) {
	TempDir dir;
	const std::string path = dir / "hot.wav";
	const std::vector<float> samples = {1.5f, -1.5f, 1.0f, -1.0f, 0.5f, -0.25f, 0.99999f, NAN};
	ASSERT_TRUE(WriteSound(path, SF_FORMAT_WAV | SF_FORMAT_FLOAT, 2, 48000, samples));
	auto source = OpenOrFail(path);
	ASSERT_TRUE(source);
	AudioBlock block;
	ASSERT_TRUE(source->NextBlock(block));
	const int16_t expected[] = {32767, -32768, 32767, -32768, 16384, -8192, 32767, 0};
	for (size_t i = 0; i < 8; i++)
		EXPECT_EQ(block[i], expected[i]) << "sample " << i;
}

// Samples a float cannot hold, just below and at a half step of the 16-bit
// scale: read through a float, 1000.49998 would become 1000.5 and reach the
// meter as 1001. A headerless stream of the same samples reads alike.
TEST(AudioFileSource, SamplesWiderThanAFloatAreRoundedOnceFromTheirOwnPrecision) {
	TempDir dir;
	const int16_t expected[] = {1000, -1000, 1001, -1001};
	// 65568767 / 65536 is 1000.49998..., 65568768 / 65536 exactly 1000.5.
	const std::vector<int> integers = {65568767, -65568767, 65568768, -65568768};
	const double below = (1000.5 - std::ldexp(1.0, -30)) / 32768;
	const std::vector<double> doubles = {below, -below, 1000.5 / 32768, -1000.5 / 32768};
	ASSERT_TRUE(WriteSound(dir / "int32.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_32, 2, 48000, integers));
	ASSERT_TRUE(WriteSound(dir / "int32.aiff", SF_FORMAT_AIFF | SF_FORMAT_PCM_32, 2, 48000, integers));
	ASSERT_TRUE(WriteSound(dir / "double.wav", SF_FORMAT_WAV | SF_FORMAT_DOUBLE, 2, 48000, doubles));
	for (const char* name : {"int32.wav", "int32.aiff", "double.wav"}) {
		auto source = OpenOrFail(dir / name);
		ASSERT_TRUE(source);
		AudioBlock block;
		ASSERT_TRUE(source->NextBlock(block));
		for (size_t i = 0; i < 4; i++)
			EXPECT_EQ(block[i], expected[i]) << name << ", sample " << i;
	}

	const auto raw = RawPcm::Make("s32le", 48000, 2);
	ASSERT_TRUE(raw) << raw.Error();
	const std::string path = dir / "int32.raw";
	std::ofstream(path, std::ios::binary)
	    .write(reinterpret_cast<const char*>(integers.data()), std::streamsize(integers.size() * 4));
	auto opened = AudioFileSource::Open(path, {}, &*raw);
	ASSERT_TRUE(opened) << opened.Error();
	auto& source = *opened;
	AudioBlock fromFile, converted;
	ASSERT_TRUE(source->NextBlock(fromFile));
	raw->ToStereo(reinterpret_cast<const unsigned char*>(integers.data()), 2, converted.data());
	for (size_t i = 0; i < 4; i++) {
		EXPECT_EQ(fromFile[i], expected[i]) << "raw file, sample " << i;
		EXPECT_EQ(converted[i], expected[i]) << "raw stream, sample " << i;
	}
}

TEST(AudioFileSource, SixChannelWaveKeepsTheFrontPair) {
	TempDir dir;
	const std::string path = dir / "surround.wav";
	// Each channel holds its own constant: 0.1 for channel 0 ... 0.6 for channel 5.
	std::vector<short> samples;
	for (int frame = 0; frame < 100; frame++)
		for (int channel = 0; channel < 6; channel++)
			samples.push_back(static_cast<short>(1000 * (channel + 1)));
	ASSERT_TRUE(WriteSound(path, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 6, 48000, samples));
	auto source = OpenOrFail(path);
	ASSERT_TRUE(source);
	EXPECT_EQ(source->Channels(), 6);
	AudioBlock block;
	ASSERT_TRUE(source->NextBlock(block));
	EXPECT_EQ(block[0], 1000);
	EXPECT_EQ(block[1], 2000);
	EXPECT_EQ(block[198], 1000);
	EXPECT_EQ(block[199], 2000);
	EXPECT_EQ(block[200], 0);
}

TEST(AudioFileSource, SixChannelVorbisTakesFrontRightFromItsOwnChannelOrder) {
	if (!HaveTool("ffmpeg")) GTEST_SKIP() << "ffmpeg is not installed";
	TempDir dir;
	// Front left loud, front right at -12 dB, everything else far quieter, in WAVE order.
	const double amplitude[6] = {0.5, 0.125, 0.02, 0.01, 0.01, 0.01};
	std::vector<short> samples;
	for (int frame = 0; frame < 48000; frame++)
		for (int channel = 0; channel < 6; channel++)
			samples.push_back(static_cast<short>(std::lround(
			    32767 * amplitude[channel] * std::sin(2 * M_PI * (500 + 100 * channel) * frame / 48000.0))));
	ASSERT_TRUE(WriteSound(dir / "surround.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 6, 48000, samples));
	ASSERT_TRUE(RunQuietly("ffmpeg -nostdin -y -i " + dir / "surround.wav" +
	                       " -channel_layout 5.1 -c:a libvorbis " + dir / "surround.ogg"));
	auto source = OpenOrFail(dir / "surround.ogg");
	ASSERT_TRUE(source);
	ASSERT_EQ(source->Channels(), 6);
	AudioBlock block;
	double left = -INFINITY, right = -INFINITY;
	while (source->NextBlock(block)) {
		const PeakLevels peak = PeakMeter::Measure(block);
		left = std::max(left, peak.left);
		right = std::max(right, peak.right);
	}
	EXPECT_NEAR(left, 20 * std::log10(0.5), 1.5);
	EXPECT_NEAR(right, 20 * std::log10(0.125), 1.5);
}

TEST(AudioFileSource, DecodesTheCommonFormatsIntoTheExpectedBlocks) {
	if (!HaveTool("sox") || !HaveTool("ffmpeg")) GTEST_SKIP() << "sox or ffmpeg is not installed";
	TempDir dir;
	ASSERT_TRUE(RunQuietly("sox -n -r 44100 -c 2 -b 16 " + dir / "tone.wav" + " synth 1 sine 440 vol 0.5"));
	ASSERT_TRUE(RunQuietly("sox " + dir / "tone.wav" + " " + dir / "tone.flac"));
	ASSERT_TRUE(
	    RunQuietly("ffmpeg -nostdin -y -i " + dir / "tone.wav" + " -c:a libvorbis " + dir / "tone.ogg"));
	ASSERT_TRUE(
	    RunQuietly("ffmpeg -nostdin -y -i " + dir / "tone.wav" + " -c:a libmp3lame " + dir / "tone.mp3"));
	ASSERT_TRUE(
	    RunQuietly("ffmpeg -nostdin -y -i " + dir / "tone.wav" + " -c:a libopus " + dir / "tone.opus"));

	struct Case {
		const char* name;
		int rate;
		bool exact; // lossless: exactly the frames sox made
	};
	for (const Case& c :
	     {Case{"tone.wav", 44100, true}, Case{"tone.flac", 44100, true}, Case{"tone.ogg", 44100, false},
	      Case{"tone.mp3", 44100, false}, Case{"tone.opus", 48000, false}}) {
		SCOPED_TRACE(c.name);
		auto source = OpenOrFail(dir / c.name);
		ASSERT_TRUE(source);
		EXPECT_EQ(source->SampleRate(), c.rate);
		const int64_t total = source->TotalFrames();
		if (c.exact)
			EXPECT_EQ(total, 44100);
		else
			EXPECT_NEAR(static_cast<double>(total), c.rate, c.rate * 0.05);

		const auto blocks = ReadAll(*source);
		EXPECT_EQ(source->Position(), total);
		ASSERT_EQ(static_cast<int64_t>(blocks.size()), (total + kBlockFrames - 1) / kBlockFrames);
		const AudioBlock& last = blocks.back();
		const size_t used =
		    static_cast<size_t>(2 * (total - (static_cast<int64_t>(blocks.size()) - 1) * kBlockFrames));
		for (size_t i = used; i < last.size(); i++)
			ASSERT_EQ(last[i], 0) << "padding at " << i;
		const PeakLevels middle = PeakMeter::Measure(blocks[blocks.size() / 2]);
		EXPECT_NEAR(middle.left, -6.0, 1.0);
		EXPECT_NEAR(middle.right, -6.0, 1.0);
	}
}

TEST(AudioFileSource, FailuresNameTheFileAndTheReason) {
	TempDir dir;
	std::ofstream(dir / "empty.wav").close();
	std::ofstream(dir / "text.mp3") << "this is not a sound file, only some words in a text file\n";
	ASSERT_TRUE(
	    WriteSound(dir / "silent.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 2, 44100, std::vector<short>{}));
	const std::pair<std::string, std::string> cases[] = {
	    {dir / "missing.flac", "no such file"},    {dir / "", "is a directory"},
	    {dir / "empty.wav", "empty file"},         {dir / "text.mp3", "not a sound file"},
	    {dir / "silent.wav", "contains no audio"}, {"/dev/zero", "is a device"},
	};
	for (const auto& [path, reason] : cases) {
		const auto source = AudioFileSource::Open(path, {});
		ASSERT_FALSE(source);
		const std::string& error = source.Error();
		EXPECT_EQ(error.rfind(path + ": ", 0), 0u) << error;
		EXPECT_NE(error.find(reason), std::string::npos) << error;
		EXPECT_EQ(error.find('\n'), std::string::npos) << error;
	}
}

TEST(AudioFileSource, SeekingResumesAtTheFrameAskedForAndClampsToTheStream) {
	if (!HaveTool("sox")) GTEST_SKIP() << "sox is not installed";
	TempDir dir;
	ASSERT_TRUE(WriteSound(dir / "ramp.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 2, 44100, Ramp(3000)));
	ASSERT_TRUE(RunQuietly("sox " + dir / "ramp.wav" + " " + dir / "ramp.flac"));
	for (const char* name : {"ramp.wav", "ramp.flac"}) {
		SCOPED_TRACE(name);
		auto source = OpenOrFail(dir / name);
		ASSERT_TRUE(source);
		AudioBlock block;
		ASSERT_TRUE(source->NextBlock(block));
		ASSERT_TRUE(source->Seek(2000));
		EXPECT_EQ(source->Position(), 2000);
		ASSERT_TRUE(source->NextBlock(block));
		EXPECT_EQ(block[0], 2000);
		EXPECT_EQ(block[1], -2001);
		EXPECT_EQ(source->Position(), 2512);

		ASSERT_TRUE(source->Seek(-100));
		ASSERT_TRUE(source->NextBlock(block));
		EXPECT_EQ(block[0], 0);

		ASSERT_TRUE(source->Seek(1 << 30));
		EXPECT_EQ(source->Position(), 3000);
		EXPECT_FALSE(source->NextBlock(block));
	}
}
