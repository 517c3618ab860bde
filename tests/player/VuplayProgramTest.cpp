// Runs the built vuplay as a process, headless and without sound, with the
// real add-ons and a scratch settings folder.
#include <sys/wait.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <regex>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "TestFiles.h"
#include "Watchdog.h"

namespace {

struct Outcome {
	int status = -1; // exit status; -1 when it did not exit normally
	std::string out;
	std::string err;
};

std::string ReadFile(const std::string& path) {
	std::ifstream file(path, std::ios::binary);
	return {std::istreambuf_iterator<char>(file), {}};
}

int Count(const std::string& text, const std::string& pattern) {
	const std::regex expression(pattern, std::regex::multiline);
	return static_cast<int>(std::distance(std::sregex_iterator(text.begin(), text.end(), expression), {}));
}

class VuplayProgramTest : public ::testing::Test {
protected:
	void SetUp() override {
		if (!HaveTool("sox")) GTEST_SKIP() << "sox is not installed";
		// 44100 frames: 86 whole blocks and a padded one.
		ASSERT_TRUE(RunQuietly("sox -n -r 44100 -c 2 -b 16 '" + tone_ + "' synth 1 sine 440 vol 0.5"));
	}

	// vuplay ARGS --headless --settings-dir DIR, with a watchdog on the run.
	Outcome Vuplay(const std::string& args) {
		Watchdog watchdog(std::chrono::seconds(120));
		const std::string out = dir_ / "stdout", err = dir_ / "stderr";
		const std::string command = "SDL_AUDIODRIVER=dummy timeout 100 '" VUPLAY_PROGRAM
		                            "' --headless --settings-dir '" +
		                            settings_ + "' " + args + " >'" + out + "' 2>'" + err + "' </dev/null";
		const int raw = std::system(command.c_str());
		Outcome run;
		run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
		run.out = ReadFile(out);
		run.err = ReadFile(err);
		return run;
	}

	std::string Script(const std::string& text) {
		const std::string path = dir_ / "events.txt";
		std::ofstream(path) << text;
		return path;
	}

	TempDir dir_;
	std::string tone_ = dir_ / "tone.wav";
	std::string settings_ = dir_ / "settings";
};

TEST_F(VuplayProgramTest, RecordsOneFramePerBlockAndEndsWithTheFile) {
	const std::string video = dir_ / "out.y4m";
	const Outcome run = Vuplay("--record '" + video + "' '" + tone_ + "'");
	ASSERT_EQ(run.status, 0) << run.err;
	const std::string stream = ReadFile(video);
	EXPECT_EQ(stream.rfind("YUV4MPEG2 ", 0), 0u);
	EXPECT_EQ(Count(stream, "FRAME\n"), 87);
	EXPECT_FALSE(std::filesystem::exists(video + ".part"));
}

TEST_F(VuplayProgramTest, RecordsAtTheGivenFrameRateAndKeepsTheLastFrameAsPng) {
	const std::string video = dir_ / "out.y4m", picture = dir_ / "last.png";
	ASSERT_EQ(Vuplay("--record '" + video + "' --fps 10 '" + tone_ + "'").status, 0);
	EXPECT_EQ(Count(ReadFile(video), "FRAME\n"), 10);
	ASSERT_EQ(Vuplay("--record '" + picture + "' '" + tone_ + "'").status, 0);
	EXPECT_EQ(ReadFile(picture).substr(1, 3), "PNG");
	const std::string folder = dir_ / "frames";
	ASSERT_EQ(Vuplay("--record '" + folder + "' --fps 5 '" + tone_ + "'").status, 0);
	EXPECT_EQ(ReadFile(folder + "/frame-000005.png").substr(1, 3), "PNG");
	EXPECT_FALSE(std::filesystem::exists(folder + "/frame-000006.png"));
}

TEST_F(VuplayProgramTest, TraceFramesEveryRenderCallAndShowsTheDrawing) {
	const std::string trace = dir_ / "trace.txt";
	ASSERT_EQ(Vuplay("--trace '" + trace + "' '" + tone_ + "'").status, 0);
	const std::string text = ReadFile(trace);
	EXPECT_EQ(Count(text, "^render [0-9]+$"), 87);
	EXPECT_EQ(Count(text, "^done [0-9]+ true$"), 87);
	EXPECT_NE(text.find("render 1\n"), std::string::npos);
	EXPECT_NE(text.find("done 87 true\n"), std::string::npos);
	// The bar meter redraws every third block: bars filled, tops stroked.
	EXPECT_GT(Count(text, "^fill -?[0-9.]+ -?[0-9.]+ -?[0-9.]+ -?[0-9.]+$"), 20);
	EXPECT_GT(Count(text, "^line -?[0-9.]+ -?[0-9.]+ -?[0-9.]+ -?[0-9.]+$"), 20);
	EXPECT_EQ(Count(text, "^high [0-9]+ [0-9]+ [0-9]+ 255$"), Count(text, "^high "));
}

TEST_F(VuplayProgramTest, ClosingTheMeterWindowStopsTheAddOnAndEndsTheProgram) {
	const std::string trace = dir_ / "trace.txt";
	const Outcome run = Vuplay("-v -p kestle --events '" + Script("10 resize 200 100\n20 close\n") +
	                           "' --trace '" + trace + "' '" + tone_ + "'");
	ASSERT_EQ(run.status, 0) << run.err;
	EXPECT_NE(run.out.find("its object"), std::string::npos) << run.out;
	const std::string text = ReadFile(trace);
	EXPECT_NE(text.find("done 19 true\n"), std::string::npos);
	EXPECT_EQ(text.find("render 20\n"), std::string::npos);
	const std::string settings = ReadFile(settings_ + "/Tarnwick_VisPlugin_Kestle_VU-Meter.preferences");
	ASSERT_EQ(settings.size(), 20u);
	float frame[4];
	std::memcpy(frame, settings.data(), sizeof frame);
	EXPECT_EQ(frame[2] - frame[0], 200.0f);
	EXPECT_EQ(frame[3] - frame[1], 100.0f);
}

TEST_F(VuplayProgramTest, KeysFromTheMeterWindowPauseResumeAndQuit) {
	const std::string trace = dir_ / "trace.txt";
	const Outcome run = Vuplay("-v --events '" + Script("5 key space\n6 key space\n12 key q\n") +
	                           "' --trace '" + trace + "' '" + tone_ + "'");
	ASSERT_EQ(run.status, 0) << run.err;
	EXPECT_EQ(Count(run.out, "bytes=\" \""), 2) << run.out;
	const std::string text = ReadFile(trace);
	EXPECT_NE(text.find("done 12 true\n"), std::string::npos);
	EXPECT_EQ(text.find("render 13\n"), std::string::npos);
}

TEST_F(VuplayProgramTest, ScriptedPrefsGainAboutStopAndStartAreApplied) {
	const std::string trace = dir_ / "trace.txt";
	const Outcome run = Vuplay("--events '" + Script("3 prefs\n5 gain 150\n8 about\n10 stop\n12 start\n") +
	                           "' --trace '" + trace + "' '" + tone_ + "'");
	ASSERT_EQ(run.status, 0) << run.err;
	EXPECT_EQ(run.err, "");
	const std::string text = ReadFile(trace);
	EXPECT_NE(text.find("done 9 true\n"), std::string::npos);
	EXPECT_EQ(text.find("render 10\n"), std::string::npos);
	EXPECT_EQ(text.find("render 11\n"), std::string::npos);
	EXPECT_NE(text.find("done 12 true\n"), std::string::npos);
	const std::string settings = ReadFile(settings_ + "/Tarnwick_VisPlugin_Corvels_VU-Meter.preferences");
	ASSERT_EQ(settings.size(), 20u);
	int32_t gain = 0;
	std::memcpy(&gain, settings.data() + 16, sizeof gain);
	EXPECT_EQ(gain, 150);
}

TEST_F(VuplayProgramTest, ScriptedRightClickAndMenuChoiceOpenThePreferences) {
	// The gain in the same block as the choice: the window must be open by then.
	const Outcome run =
	    Vuplay("--verbose --events '" +
	           Script("5 mouse 20 100 2\n5 menu Preferences\n5 gain 300\n9 menu Preferences\n") + "' '" +
	           tone_ + "'");
	ASSERT_EQ(run.status, 0) << run.err;
	// The menu closed with the choice, so the second one finds none.
	EXPECT_EQ(run.err,
	          "vuplay: " + (dir_ / "events.txt") + ":4: menu: no open menu has an item \"Preferences\"\n");
	const std::string settings = ReadFile(settings_ + "/Tarnwick_VisPlugin_Corvels_VU-Meter.preferences");
	ASSERT_EQ(settings.size(), 20u);
	int32_t gain = 0;
	std::memcpy(&gain, settings.data() + 16, sizeof gain);
	// The thumb moves in whole pixels, each two or three percent.
	EXPECT_NEAR(gain, 300, 3);
}

TEST_F(VuplayProgramTest, TheAboutBoxFromTheMeterWindowDoesNotStallTheMeters) {
	const std::string trace = dir_ / "trace.txt";
	const Outcome run =
	    Vuplay("--events '" + Script("5 key a\n") + "' --trace '" + trace + "' '" + tone_ + "'");
	ASSERT_EQ(run.status, 0) << run.err;
	EXPECT_EQ(Count(ReadFile(trace), "^done [0-9]+ true$"), 87);
}

TEST_F(VuplayProgramTest, RunsBothAddOnsAtOnceAndEachSavesItsSettings) {
	ASSERT_EQ(Vuplay("-p corvel -p kestle '" + tone_ + "'").status, 0);
	EXPECT_EQ(ReadFile(settings_ + "/Tarnwick_VisPlugin_Corvels_VU-Meter.preferences").size(), 20u);
	EXPECT_EQ(ReadFile(settings_ + "/Tarnwick_VisPlugin_Kestle_VU-Meter.preferences").size(), 20u);
}

TEST_F(VuplayProgramTest, AnAddOnThatIsNoLibraryOrHasNoNewPluginFailsWithOneLine) {
	const std::string text = dir_ / "not-a-library";
	std::ofstream(text) << "hello\n";
	Outcome run = Vuplay("-p '" + text + "' '" + tone_ + "'");
	EXPECT_EQ(run.status, 1);
	EXPECT_EQ(Count(run.err, "\n"), 1);
	EXPECT_NE(run.err.find(text), std::string::npos) << run.err;

	run = Vuplay("-p '" VUPLAY_NOT_AN_ADDON "' '" + tone_ + "'");
	EXPECT_EQ(run.status, 1);
	EXPECT_EQ(Count(run.err, "\n"), 1);
	EXPECT_NE(run.err.find("NewPlugin"), std::string::npos) << run.err;
}

TEST_F(VuplayProgramTest, ABadOptionExitsWithTwo) {
	const Outcome run = Vuplay("--no-such-option");
	EXPECT_EQ(run.status, 2);
	EXPECT_NE(run.err.find("--no-such-option"), std::string::npos);
}

} // namespace
