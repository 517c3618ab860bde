#include "output/Y4mWriter.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <thread>

#include "player/TestFiles.h"
#include "support/Watchdog.h"

namespace {

// Passes when the call did, else fails with its reason.
testing::AssertionResult Done(const Expected<void>& result) {
	if (result) return testing::AssertionSuccess();
	return testing::AssertionFailure() << result.Error();
}

// A frame of `width` x `height` filled with one colour, rows padded to `stride` bytes.
std::vector<uint8_t> Solid(int width, int height, size_t stride, std::array<uint8_t, 3> rgb) {
	std::vector<uint8_t> frame(stride * static_cast<size_t>(height), 0xee);
	for (int y = 0; y < height; y++)
		for (int x = 0; x < width; x++) {
			uint8_t* p = frame.data() + stride * static_cast<size_t>(y) + 4 * static_cast<size_t>(x);
			p[0] = rgb[0];
			p[1] = rgb[1];
			p[2] = rgb[2];
			p[3] = 255;
		}
	return frame;
}

std::string Capture(const std::string& command) {
	std::string output;
	if (FILE* pipe = popen(command.c_str(), "r")) {
		char buffer[4096];
		for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;)
			output.append(buffer, n);
		pclose(pipe);
	}
	return output;
}

} // namespace

TEST(Y4mWriter, FfmpegReadsBackSizeFrameCountAndColour) {
	if (!HaveTool("ffmpeg") || !HaveTool("ffprobe")) GTEST_SKIP() << "ffmpeg is not installed";
	TempDir dir;
	const std::string path = dir / "meter.y4m";
	const int width = 33, height = 17; // odd both ways
	const size_t stride = 4 * 40;
	const std::array<uint8_t, 3> colour = {200, 40, 90};
	Y4mWriter writer;
	ASSERT_TRUE(Done(writer.Open(path, width, height, 44100, 512, {})));
	const auto frame = Solid(width, height, stride, colour);
	for (int i = 0; i < 5; i++)
		ASSERT_TRUE(Done(writer.WriteFrame(frame, stride)));
	EXPECT_FALSE(std::filesystem::exists(path)); // named only when finished
	ASSERT_TRUE(Done(writer.Finish()));
	EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir / ""), {}), 1);

	const std::string probe = Capture("ffprobe -v error -count_frames -select_streams v:0 -show_entries "
	                                  "stream=width,height,nb_read_frames,r_frame_rate -of default=nw=1 " +
	                                  path);
	EXPECT_NE(probe.find("width=33\n"), std::string::npos) << probe;
	EXPECT_NE(probe.find("height=17\n"), std::string::npos) << probe;
	EXPECT_NE(probe.find("nb_read_frames=5\n"), std::string::npos) << probe;
	EXPECT_NE(probe.find("r_frame_rate=11025/128\n"), std::string::npos) << probe;

	const std::string rgb =
	    Capture("ffmpeg -nostdin -v error -i " + path + " -frames:v 1 -f rawvideo -pix_fmt rgb24 -");
	ASSERT_EQ(rgb.size(), static_cast<size_t>(3 * width * height));
	for (const size_t pixel : {size_t{0}, size_t{8 * width + 16}, size_t{width * height - 1}})
		for (size_t c = 0; c < 3; c++)
			EXPECT_NEAR(static_cast<uint8_t>(rgb[3 * pixel + c]), colour[c], 4)
			    << "pixel " << pixel << " channel " << c;
}

TEST(Y4mWriter, AnAbandonedStreamLeavesNoFile) {
	TempDir dir;
	const std::string path = dir / "gone.y4m";
	const auto files = [&dir] { return std::distance(std::filesystem::directory_iterator(dir / ""), {}); };
	{
		Y4mWriter writer;
		ASSERT_TRUE(writer.Open(path, 4, 4, 25, 1, {}));
		ASSERT_TRUE(writer.WriteFrame(Solid(4, 4, 16, {1, 2, 3}), 16));
		EXPECT_EQ(files(), 1);
		EXPECT_FALSE(std::filesystem::exists(path));
	}
	EXPECT_EQ(files(), 0);
}

TEST(Y4mWriter, RejectsAFrameSmallerThanTheStream) {
	TempDir dir;
	Y4mWriter writer;
	ASSERT_TRUE(writer.Open(dir / "small.y4m", 8, 8, 25, 1, {}));
	const Expected<void> small = writer.WriteFrame(Solid(8, 7, 32, {0, 0, 0}), 32);
	ASSERT_FALSE(small);
	EXPECT_NE(small.Error().find("smaller than 8x8"), std::string::npos) << small.Error();
	EXPECT_FALSE(writer.Finish());
	EXPECT_FALSE(std::filesystem::exists(dir / "small.y4m"));
}

TEST(Y4mWriter, ReportsAFolderItCannotWriteIn) {
	Y4mWriter writer;
	const Expected<void> opened = writer.Open("/nonexistent-folder/meter.y4m", 8, 8, 25, 1, {});
	ASSERT_FALSE(opened);
	EXPECT_EQ(opened.Error(), "/nonexistent-folder: cannot create a file in it: No such file or directory");
}

namespace {

uint8_t Rounded(double value) { return static_cast<uint8_t>(std::lround(std::clamp(value, 0.0, 255.0))); }

// Y, Cb and Cr planes of one frame, each sample worked out on its own.
std::vector<uint8_t> PlainPlanes(const std::vector<uint8_t>& rgba, int width, int height, size_t stride) {
	std::vector<uint8_t> y, cb, cr;
	for (int row = 0; row < height; row++)
		for (int column = 0; column < width; column++) {
			const uint8_t* p = rgba.data() + stride * row + 4 * column;
			y.push_back(Rounded(16.0 + (65.481 * p[0] + 128.553 * p[1] + 24.966 * p[2]) / 255.0));
		}
	for (int row = 0; row < height; row += 2)
		for (int column = 0; column < width; column += 2) {
			double sum[3] = {0, 0, 0};
			int count = 0;
			for (int dy = 0; dy < 2 && row + dy < height; dy++)
				for (int dx = 0; dx < 2 && column + dx < width; dx++, count++)
					for (int c = 0; c < 3; c++)
						sum[c] += rgba[stride * (row + dy) + 4 * (column + dx) + c];
			const double r = sum[0] / count, g = sum[1] / count, b = sum[2] / count;
			cb.push_back(Rounded(128.0 + (-37.797 * r - 74.203 * g + 112.0 * b) / 255.0));
			cr.push_back(Rounded(128.0 + (112.0 * r - 93.786 * g - 18.214 * b) / 255.0));
		}
	y.insert(y.end(), cb.begin(), cb.end());
	y.insert(y.end(), cr.begin(), cr.end());
	return y;
}

std::string Contents(const std::string& path) {
	std::ifstream file(path, std::ios::binary);
	return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

} // namespace

// Repeated rows and runs of one colour are taken over rather than converted;
// the frames mix them with lone pixels, odd sizes and rows that differ only in
// their last pixel or only in alpha. Half the frames have long runs, as meters
// draw them, which are taken several pixels at a time; a repeated frame is
// written again without being converted.
TEST(Y4mWriter, RepeatedRowsRunsAndFramesConvertAsEveryPixelOnItsOwn) {
	TempDir dir;
	const std::string path = dir / "meter.y4m";
	const int width = 37, height = 23;
	const size_t stride = 4 * 40;
	std::mt19937 random(5);
	std::uniform_int_distribution<int> byte(0, 255), chance(0, 3), rarely(0, 29);
	std::vector<std::vector<uint8_t>> frames;
	for (int f = 0; f < 12; f++) {
		const bool longRuns = f % 2 == 1;
		std::vector<uint8_t> frame(stride * height, 0xee);
		for (int row = 0; row < height; row++) {
			uint8_t* line = frame.data() + stride * row;
			if (row > 0 && chance(random) != 0) {
				std::memcpy(line, line - stride, 4 * width);
				if (chance(random) == 0) line[4 * (width - 1) + chance(random) % 3] ^= 1;
				if (chance(random) == 0) line[3] ^= 0x80;
				continue;
			}
			uint8_t colour[4] = {uint8_t(byte(random)), uint8_t(byte(random)), uint8_t(byte(random)), 255};
			for (int column = 0; column < width; column++) {
				if (longRuns ? rarely(random) == 0 : chance(random) == 0)
					for (int c = 0; c < 3; c++)
						colour[c] = uint8_t(byte(random));
				std::memcpy(line + 4 * column, colour, 4);
			}
		}
		frames.push_back(frame);
	}
	Y4mWriter writer;
	ASSERT_TRUE(Done(writer.Open(path, width, height, 30, 1, {})));
	std::vector<size_t> written; // the frames in the order they went out
	for (size_t f = 0; f < frames.size(); f++) {
		ASSERT_TRUE(Done(writer.WriteFrame(frames[f], stride)));
		written.push_back(f);
		for (size_t again = 0; again < f % 3; again++) {
			ASSERT_TRUE(Done(writer.RepeatFrame()));
			written.push_back(f);
		}
	}
	ASSERT_TRUE(Done(writer.Finish()));
	EXPECT_EQ(writer.FramesWritten(), static_cast<int64_t>(written.size()));

	const std::string stream = Contents(path);
	size_t at = stream.find('\n') + 1;
	for (const size_t f : written) {
		ASSERT_EQ(stream.compare(at, 6, "FRAME\n"), 0) << "frame " << f;
		at += 6;
		const std::vector<uint8_t> expected = PlainPlanes(frames[f], width, height, stride);
		ASSERT_LE(at + expected.size(), stream.size());
		for (size_t i = 0; i < expected.size(); i++)
			ASSERT_EQ(uint8_t(stream[at + i]), expected[i]) << "frame " << f << ", sample " << i;
		at += expected.size();
	}
	EXPECT_EQ(at, stream.size());
}

// A pipe or a device is written into as it is: no file beside it, and
// nothing renamed over it.
TEST(Y4mWriter, WritesStraightIntoAPipe) {
	Watchdog watchdog;
	TempDir dir;
	const std::string pipe = dir / "pipe.y4m";
	ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
	std::string received;
	std::thread reader([&] { received = Contents(pipe); });
	Y4mWriter writer;
	const Expected<void> opened = writer.Open(pipe, 2, 2, 25, 1, {});
	if (!opened) std::fclose(std::fopen(pipe.c_str(), "w")); // lets the reader end
	EXPECT_TRUE(Done(opened));
	if (opened) {
		EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir / ""), {}), 1);
		EXPECT_TRUE(Done(writer.WriteFrame(Solid(2, 2, 8, {0, 0, 0}), 8)));
		EXPECT_TRUE(Done(writer.Finish()));
	}
	reader.join();
	EXPECT_EQ(received.rfind("YUV4MPEG2 W2 H2 F25:1 ", 0), 0u) << received;
	EXPECT_NE(received.find("FRAME\n"), std::string::npos);
	EXPECT_TRUE(std::filesystem::is_fifo(pipe));
	EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir / ""), {}), 1);
}
