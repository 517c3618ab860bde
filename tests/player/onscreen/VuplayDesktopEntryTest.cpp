// The desktop entries' Exec lines, run as a desktop runs them, in real windows
// and against a sound server of the test's own: the menu's entries meter what
// the desktop plays until their window is closed; the file manager's entry
// plays the files it is given and keeps the window open after them.
#include <algorithm>
#include <fstream>
#include <map>
#include <sstream>

#include "VuplayOnScreen.h"
#include "support/SoundServer.h"

namespace {

using namespace std::chrono_literals;

// The command lines of an entry's Exec keys, the main one first, with the
// program given by its name alone (found on PATH) and %F made `files`. The
// entries use no quoting, which the test would otherwise have to undo.
std::vector<std::vector<std::string>> ExecLines(const std::string& entry,
                                                const std::vector<std::string>& files = {}) {
	std::vector<std::vector<std::string>> lines;
	std::istringstream text(ReadFile(entry));
	for (std::string line; std::getline(text, line);) {
		if (line.rfind("Exec=", 0) != 0) continue;
		EXPECT_EQ(line.find_first_of("\"'\\"), std::string::npos) << line;
		std::istringstream words(line.substr(5));
		std::vector<std::string> args;
		for (std::string word; words >> word;) {
			if (word == "%F")
				args.insert(args.end(), files.begin(), files.end());
			else
				args.push_back(args.empty() && word == "vuplay" ? VUPLAY_PROGRAM : word);
		}
		lines.push_back(args);
	}
	return lines;
}

// What the sound server says of its streams: `kind` "source-outputs" or
// "sink-inputs", each with the name of the source or output it is on.
std::vector<std::string> Streams(const std::string& kind) {
	const std::string where = kind == "source-outputs" ? "sources" : "sinks";
	std::istringstream devices(Shell("pactl list short " + where + " 2>/dev/null"));
	std::map<std::string, std::string> names;
	for (std::string index, name, rest; devices >> index >> name && std::getline(devices, rest);)
		names[index] = name;
	std::istringstream streams(Shell("pactl list short " + kind + " 2>/dev/null"));
	std::vector<std::string> on;
	for (std::string index, device, rest; streams >> index >> device && std::getline(streams, rest);)
		on.push_back(names[device]);
	return on;
}

class VuplayDesktopEntryTest : public VuplayOnScreen {
protected:
	void SetUp() override {
		VuplayOnScreen::SetUp();
		if (!SoundServer::Installed(SoundServer::Kind::PulseAudio))
			GTEST_SKIP() << "pulseaudio is not installed";
		std::string error;
		ASSERT_TRUE(server_.Start(error)) << error;
		// The sound goes to the server, as on a desktop.
		setenv("SDL_AUDIODRIVER", "pulseaudio", 1);
		// SDL's PulseAudio device watcher stops with a query unanswered,
		// which tests/lsan.supp lets libpulse keep; the leak checker sees
		// past libpulse, which keeps no frame pointers, to match it only when
		// it unwinds the slow way.
		if (const char* options = std::getenv("LSAN_OPTIONS"))
			slowUnwind_.emplace("LSAN_OPTIONS", (std::string(options) + ":fast_unwind_on_malloc=0").c_str());
	}

	SoundServer server_{SoundServer::Kind::PulseAudio};
	std::optional<ScopedVariable> slowUnwind_;
	ScopedVariable settingsFolder_{"VUMETERS_SETTINGS_DIR", settings_.c_str()};
};

// The entries where they fail: no sound server to meter, a file that is no sound.
class VuplayDesktopEntryFailureTest : public VuplayOnScreen {
protected:
	ScopedVariable noServer_{"PULSE_SERVER", "unix:/nonexistent"};
	ScopedVariable settingsFolder_{"VUMETERS_SETTINGS_DIR", settings_.c_str()};
};

} // namespace

// Started from the menu or the file manager, vuplay has no terminal to show
// its failures on: each entry's Exec line has it show the failure in an alert
// box too, until the box is answered. The same command line without that
// option fails as it does in a terminal, with no box to wait for.
TEST_F(VuplayDesktopEntryFailureTest, EachEntryShowsAFailureInABoxThatWaitsForOk) {
	const std::string junk = dir_ / "junk.wav";
	std::ofstream(junk) << "not sound\n";
	const auto menu = ExecLines(PACKAGING_FOLDER "/vuplay.desktop");
	const auto files = ExecLines(PACKAGING_FOLDER "/vuplay-files.desktop", {junk});
	ASSERT_EQ(menu.size(), 2u);
	ASSERT_EQ(files.size(), 1u);
	for (const std::vector<std::string>& line : {menu[0], menu[1], files[0]}) {
		SCOPED_TRACE(testing::PrintToString(line));
		std::vector<std::string> args(line.begin() + 1, line.end());
		PlayerProcess player;
		ASSERT_TRUE(player.Start(args, dir_ / "stdout", dir_ / "stderr"));
		std::string box;
		ASSERT_TRUE(Eventually([&] { return !(box = WindowId("VU Meters")).empty(); })) << Errors();
		const std::string failure = Errors();
		EXPECT_EQ(std::count(failure.begin(), failure.end(), '\n'), 1) << failure;
		EXPECT_NE(failure.find(line == files[0] ? junk : "--monitor: no sound server"), std::string::npos)
		    << failure;
		std::this_thread::sleep_for(1s);
		EXPECT_TRUE(player.Running()) << "the box waits for its answer";
		Shell("xdotool windowactivate --sync " + box + " key Return");
		EXPECT_EQ(player.Wait(60s), 1);
		EXPECT_EQ(Errors(), failure);

		std::erase(args, "--alert");
		ASSERT_TRUE(player.Start(args, dir_ / "stdout", dir_ / "stderr"));
		EXPECT_EQ(player.Wait(60s), 1);
		EXPECT_EQ(Errors(), failure);
		EXPECT_EQ(WindowId("VU Meters"), "");
	}
}

TEST_F(VuplayDesktopEntryTest, TheMenuEntriesMeterWhatTheDesktopPlaysUntilTheirWindowIsClosed) {
	const auto lines = ExecLines(PACKAGING_FOLDER "/vuplay.desktop");
	ASSERT_EQ(lines.size(), 2u);
	for (const auto& [line, meterTitle] : {std::pair{lines[0], kMeterTitle}, {lines[1], kNeedleMeterTitle}}) {
		SCOPED_TRACE(testing::PrintToString(line));
		const char* title = meterTitle;
		PlayerProcess player;
		ASSERT_TRUE(player.Start({line.begin() + 1, line.end()}, dir_ / "stdout", dir_ / "stderr"));
		std::string meter;
		ASSERT_TRUE(Eventually([&] { return !(meter = WindowId(title)).empty(); })) << Errors();
		// Recording the monitor of the default output, 'one'.
		EXPECT_TRUE(Eventually([] {
			return Streams("source-outputs") == std::vector<std::string>{"one.monitor"};
		})) << Shell("pactl list source-outputs");
		std::this_thread::sleep_for(1s);
		EXPECT_TRUE(player.Running());
		Shell("wmctrl -i -c " + meter);
		EXPECT_EQ(player.Wait(60s), 0) << Errors();
		EXPECT_EQ(Errors(), "");
	}
}

TEST_F(VuplayDesktopEntryTest, TheFileManagersEntryPlaysTheFilesAndKeepsTheWindowUntilItIsClosed) {
	const std::string first = dir_ / "first.wav", second = dir_ / "second name.wav";
	for (const std::string& file : {first, second})
		ASSERT_TRUE(RunQuietly("sox -n -r 44100 -c 2 -b 16 '" + file + "' synth 1 sine 440 vol 0.3"));
	const auto lines = ExecLines(PACKAGING_FOLDER "/vuplay-files.desktop", {first, second});
	ASSERT_EQ(lines.size(), 1u);
	PlayerProcess player;
	ASSERT_TRUE(player.Start({lines[0].begin() + 1, lines[0].end()}, dir_ / "stdout", dir_ / "stderr"));
	ASSERT_TRUE(Eventually([&] { return !(meter_ = WindowId(kMeterTitle)).empty(); })) << Errors();
	// The files play on the default output, and once they have ended the
	// player lets the output go but stays.
	ASSERT_TRUE(Eventually([] { return Streams("sink-inputs") == std::vector<std::string>{"one"}; }))
	    << Errors();
	ASSERT_TRUE(Eventually([] { return Streams("sink-inputs").empty(); })) << Errors();
	std::this_thread::sleep_for(1s);
	EXPECT_TRUE(player.Running());
	EXPECT_TRUE(Viewable(meter_));
	Shell("wmctrl -i -c " + meter_);
	EXPECT_EQ(player.Wait(60s), 0) << Errors();
	EXPECT_EQ(Errors(), "");
}
