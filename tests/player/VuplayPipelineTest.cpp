// vuplay in shell pipelines and scripted renders: video on standard output,
// recording paths, the exact meter size, the frame rate, the exact gain and
// a headless run's settings.
#include <sys/stat.h>

#include <cstring>

#include "player/VuplayFixture.h"

namespace {

class VuplayPipelineTest : public VuplayFixture {
protected:
	// vuplay --headless ARGS with the user's own settings folder under the
	// scratch folder, and no --settings-dir unless ARGS give one.
	Outcome VuplayAsUser(const std::string& args) {
		return Shell("export XDG_CONFIG_HOME='" + (dir_ / "config") + "'; unset VUMETERS_SETTINGS_DIR; " +
		             "SDL_AUDIODRIVER=dummy timeout 100 '" VUPLAY_PROGRAM "' --headless " + args);
	}

	// The frame (left, top, right, bottom) and gain in a corvel settings file.
	static std::pair<std::array<float, 4>, int32_t> FrameAndGain(const std::string& settings) {
		std::array<float, 4> frame{};
		int32_t gain = 0;
		if (settings.size() != 20u) return {frame, -1};
		std::memcpy(frame.data(), settings.data(), sizeof frame);
		std::memcpy(&gain, settings.data() + 16, sizeof gain);
		return {frame, gain};
	}

	const std::string corvel_ = "/Tarnwick_VisPlugin_Corvels_VU-Meter.preferences";
};

} // namespace

TEST_F(VuplayPipelineTest, VideoOnStandardOutputIsTheWholeStreamAtTheSizeAndRateAsked) {
	// -v makes the player talk: all of it must go to standard error.
	const Outcome run = Vuplay("-v --record - --size 200x400 '" + tone_ + "'");
	ASSERT_EQ(run.status, 0) << run.err;
	const std::string header = "YUV4MPEG2 W200 H400 F30:1 Ip A1:1 C420jpeg XCOLORRANGE=LIMITED\n";
	const size_t frame = std::strlen("FRAME\n") + 200 * 400 * 3 / 2;
	// One second of sound at the default 30 frames a second.
	EXPECT_EQ(run.out.size(), header.size() + 30 * frame);
	EXPECT_EQ(run.out.rfind(header, 0), 0u) << run.out.substr(0, 80);
	EXPECT_EQ(Count(run.out, "FRAME\n"), 30);
	EXPECT_NE(run.err.find("playing "), std::string::npos) << run.err;

	if (!HaveTool("ffmpeg")) GTEST_SKIP() << "ffmpeg is not installed";
	const Outcome piped = Shell("set -o pipefail; SDL_AUDIODRIVER=dummy timeout 100 " + Program() +
	                            " --headless --record - --size 200x400 --fps 30 '" + tone_ +
	                            "' | ffmpeg -nostdin -hide_banner -i - -f null - 2>&1");
	ASSERT_EQ(piped.status, 0) << piped.out << piped.err;
	EXPECT_NE(piped.out.find("200x400"), std::string::npos) << piped.out;
	EXPECT_NE(piped.out.find(" 30 fps"), std::string::npos) << piped.out;
	// ffmpeg prints its progress every half second; its last line counts the whole stream.
	const size_t last = piped.out.rfind("frame=");
	ASSERT_NE(last, std::string::npos) << piped.out;
	EXPECT_EQ(Count(piped.out.substr(last, piped.out.find_first_of("\r\n", last) - last), "^frame= *30 "), 1)
	    << piped.out;
}

TEST_F(VuplayPipelineTest, ARecordingPathSaysWhatItMakes) {
	const std::string mp4 = dir_ / "out.mp4";
	const Outcome refused = Vuplay("--record '" + mp4 + "' '" + tone_ + "'");
	EXPECT_EQ(refused.status, 2);
	EXPECT_NE(refused.err.find("--record - SOUND | ffmpeg -i - -i SOUND"), std::string::npos) << refused.err;
	EXPECT_FALSE(std::filesystem::exists(mp4));

	const std::string frames = dir_ / "frames";
	ASSERT_EQ(Vuplay("--record '" + frames + "/' '" + tone_ + "'").status, 0);
	EXPECT_EQ(ReadFile(frames + "/frame-000030.png").substr(1, 3), "PNG");
	EXPECT_FALSE(std::filesystem::exists(frames + "/frame-000031.png"));
	// An existing folder needs no slash.
	ASSERT_EQ(Vuplay("--record '" + frames + "' --fps 2 '" + tone_ + "'").status, 0);
	EXPECT_EQ(ReadFile(frames + "/frame-000002.png").substr(1, 3), "PNG");
}

TEST_F(VuplayPipelineTest, ScriptedGainLandsExactlyAndOutOfRangeNamesTheLine) {
	for (const int gain : {250, 1, 500}) {
		const Outcome run = Vuplay("--events '" + Script("3 prefs\n5 gain " + std::to_string(gain) + "\n") +
		                           "' '" + tone_ + "'");
		ASSERT_EQ(run.status, 0) << run.err;
		EXPECT_EQ(FrameAndGain(ReadFile(settings_ + corvel_)).second, gain);
	}
	// Refused as the script is read, before anything plays.
	const Outcome run = Vuplay("--events '" + Script("3 prefs\n5 gain 501\n") + "' '" + tone_ + "'");
	EXPECT_EQ(run.status, 1);
	EXPECT_EQ(run.err, "vuplay: " + (dir_ / "events.txt") +
	                       ":2: gain: gain '501' is not a whole number from 1 to 500\n");
}

TEST_F(VuplayPipelineTest, AHeadlessRunLeavesTheUsersSettingsAloneUnlessGivenAFolder) {
	const std::string user = dir_ / "config/vu-meters";
	std::filesystem::create_directories(user);
	// A first on-screen-like run's settings: made with an explicit folder.
	ASSERT_EQ(VuplayAsUser("--settings-dir '" + user + "' '" + tone_ + "'").status, 0);
	const std::string before = ReadFile(user + corvel_);
	ASSERT_EQ(before.size(), 20u);

	const std::string script = Script("3 move 40 50\n4 prefs\n6 gain 300\n");
	const std::string changes = "--size 200x400 --events '" + script + "' '" + tone_ + "'";
	Outcome run = VuplayAsUser(changes);
	ASSERT_EQ(run.status, 0) << run.err;
	EXPECT_EQ(ReadFile(user + corvel_), before);

	run = VuplayAsUser("--settings-dir '" + user + "' " + changes);
	ASSERT_EQ(run.status, 0) << run.err;
	const auto [frame, gain] = FrameAndGain(ReadFile(user + corvel_));
	EXPECT_EQ(frame, (std::array<float, 4>{40, 50, 239, 449}));
	EXPECT_EQ(gain, 300);
}

TEST_F(VuplayPipelineTest, AHeadlessRunCopiesOnlyTheSettingsTheAddOnsCanReadAndNeedsNoTmpdir) {
	const std::string user = dir_ / "config/vu-meters";
	std::filesystem::create_directories(user);
	ASSERT_EQ(VuplayAsUser("--settings-dir '" + user + "' -p kestle '" + tone_ + "'").status, 0);
	const std::string kestle = user + "/Tarnwick_VisPlugin_Kestle_VU-Meter.preferences";
	const std::string saved = ReadFile(kestle);
	ASSERT_EQ(saved.size(), 20u);
	ASSERT_EQ(mkfifo((user + corvel_).c_str(), 0600), 0);
	std::filesystem::create_symlink("loop", user + "/loop");
	// Neither is a file the add-ons read: each is said, and the run goes on without it.
	const std::string skipped =
	    "vuplay: " + user + corvel_ + ": a FIFO; the headless run starts without it\n" + "vuplay: " + user +
	    "/loop: Too many levels of symbolic links; the headless " + "run starts without it\n";
	const std::string args =
	    "-p corvel -p kestle --events '" + Script("3 prefs\n5 gain 300\n") + "' '" + tone_ + "'";
	Outcome run = VuplayAsUser(args);
	EXPECT_EQ(run.status, 0);
	EXPECT_EQ(run.err, skipped);
	EXPECT_TRUE(std::filesystem::is_fifo(user + corvel_));
	EXPECT_EQ(ReadFile(kestle), saved);

	const std::string file = dir_ / "not-a-folder";
	std::ofstream(file) << "";
	run = Shell("export TMPDIR='" + file + "' XDG_CONFIG_HOME='" + (dir_ / "config") +
	            "'; unset VUMETERS_SETTINGS_DIR; SDL_AUDIODRIVER=dummy timeout 100 '" VUPLAY_PROGRAM
	            "' --headless " +
	            args);
	EXPECT_EQ(run.status, 0);
	EXPECT_EQ(run.err, "vuplay: TMPDIR " + file + ": Not a directory; using /tmp instead\n" + skipped);
	EXPECT_EQ(ReadFile(kestle), saved);
}
