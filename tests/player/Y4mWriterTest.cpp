#include "Y4mWriter.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "TestFiles.h"

namespace {

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
	ASSERT_TRUE(writer.Open(path, width, height, 44100, 512)) << writer.Error();
	const auto frame = Solid(width, height, stride, colour);
	for (int i = 0; i < 5; i++)
		ASSERT_TRUE(writer.WriteFrame(frame, stride)) << writer.Error();
	EXPECT_FALSE(std::filesystem::exists(path)); // named only when finished
	ASSERT_TRUE(writer.Finish()) << writer.Error();
	EXPECT_FALSE(std::filesystem::exists(path + ".part"));

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
	{
		Y4mWriter writer;
		ASSERT_TRUE(writer.Open(path, 4, 4, 25, 1));
		ASSERT_TRUE(writer.WriteFrame(Solid(4, 4, 16, {1, 2, 3}), 16));
		EXPECT_TRUE(std::filesystem::exists(path + ".part"));
	}
	EXPECT_FALSE(std::filesystem::exists(path));
	EXPECT_FALSE(std::filesystem::exists(path + ".part"));
}

TEST(Y4mWriter, RejectsAFrameSmallerThanTheStream) {
	TempDir dir;
	Y4mWriter writer;
	ASSERT_TRUE(writer.Open(dir / "small.y4m", 8, 8, 25, 1));
	EXPECT_FALSE(writer.WriteFrame(Solid(8, 7, 32, {0, 0, 0}), 32));
	EXPECT_NE(writer.Error().find("smaller than 8x8"), std::string::npos) << writer.Error();
	EXPECT_FALSE(writer.Finish());
	EXPECT_FALSE(std::filesystem::exists(dir / "small.y4m"));
}

TEST(Y4mWriter, ReportsAFolderItCannotWriteIn) {
	Y4mWriter writer;
	EXPECT_FALSE(writer.Open("/nonexistent-folder/meter.y4m", 8, 8, 25, 1));
	EXPECT_EQ(writer.Error(), "/nonexistent-folder/meter.y4m: cannot create: No such file or directory");
}
