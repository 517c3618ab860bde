// The real meter process, drawing off screen, as a player plug-in drives it:
// started, fed and ended the clean way; refused at the start; killed from
// outside.
#include <signal.h>
#include <unistd.h>

#include <thread>

#include <gtest/gtest.h>

#include "feed/MeterProcess.h"
#include "player/TestFiles.h"
#include "support/MeterWindows.h"
#include "support/OnScreen.h"
#include "support/Watchdog.h"

namespace {

using namespace std::chrono_literals;
using Kind = MeterProcess::Event::Kind;

class MeterProcessTest : public testing::Test {
protected:
	MeterProcess::Launch Launch(const std::string& addon) {
		return {METER_PROGRAM, {"--addon", addon, "--trace", dir_ / "trace"}, {}, addon};
	}

	// Waits for the first event of `kind`; all events until then.
	std::vector<MeterProcess::Event> Await(MeterProcess& meter, Kind kind) {
		std::vector<MeterProcess::Event> events;
		for (int i = 0; i < 2000; i++) {
			for (const auto& event : meter.TakeEvents()) {
				events.push_back(event);
				if (event.kind == kind) return events;
			}
			std::this_thread::sleep_for(5ms);
		}
		ADD_FAILURE() << "no event of the kind awaited";
		return events;
	}

	Watchdog watchdog_{120s};
	TempDir dir_;
	ScopedVariable settings_{"VUMETERS_SETTINGS_DIR", (dir_ / "settings").c_str()};
	ScopedVariable headless_{"VUMETERS_HEADLESS", "1"};
};

TEST_F(MeterProcessTest, RendersWhatItIsSentAndEndsWithItsSettingsSavedAndItsTiming) {
	auto meter = MeterProcess::Start(Launch("kestle"));
	ASSERT_TRUE(meter) << meter.Error();
	int16_t loud[1024], silence[1024] = {};
	for (int i = 0; i < 1024; i++)
		loud[i] = int16_t(i % 2 ? 0 : (i % 8 < 4 ? 20000 : -20000));
	// Heard from a tenth of a second ago: every block is due at once.
	const auto ago = std::chrono::steady_clock::now() - 100ms;
	(*meter)->SendClock(
	    {0, std::chrono::duration_cast<std::chrono::nanoseconds>(ago.time_since_epoch()).count(), 44100, 1});
	for (int block = 0; block < 20; block++)
		(*meter)->SendBlock(block * 512, 44100, block % 2 ? loud : silence);
	(*meter)->SendRest();
	std::this_thread::sleep_for(300ms);
	const MeterProcess::Ending ending = (*meter)->End();
	EXPECT_EQ(ending.failure, "");
	EXPECT_TRUE(ending.reports.empty());
	ASSERT_TRUE(ending.timed);
	EXPECT_EQ(ending.timing.rendered, 20);
	EXPECT_GT(ending.timing.silent, 0) << "the meter falls to rest after the last";
	EXPECT_GE(ending.timing.latestUs, 90000) << "the first block was due a tenth of a second before it came";
	EXPECT_EQ((*meter)->BlocksSent(), 20);
	const std::string trace = ReadFile(dir_ / "trace");
	EXPECT_NE(trace.find("render 20\n"), std::string::npos);
	EXPECT_TRUE(ReadSettings(dir_ / (std::string("settings/") + kNeedleSettingsFile)));
}

TEST_F(MeterProcessTest, AnAddOnThatCannotStartFailsTheStartWithItsLine) {
	const auto meter = MeterProcess::Start(Launch("nosuch"));
	ASSERT_FALSE(meter);
	EXPECT_NE(meter.Error().find("unknown add-on 'nosuch'"), std::string::npos) << meter.Error();
}

TEST_F(MeterProcessTest, AProcessKilledFromOutsideIsStoppedWithTheSignalNamed) {
	auto meter = MeterProcess::Start(Launch("corvel"));
	ASSERT_TRUE(meter) << meter.Error();
	const std::string pid = Shell("pgrep -P " + std::to_string(getpid()) + " -f vu-meter-process");
	ASSERT_FALSE(pid.empty());
	kill(std::atoi(pid.c_str()), SIGSEGV);
	const auto events = Await(**meter, Kind::Stopped);
	ASSERT_FALSE(events.empty());
	EXPECT_EQ(events.back().text, "corvel: the meter process was ended by signal 11 (Segmentation fault)");
}

} // namespace
