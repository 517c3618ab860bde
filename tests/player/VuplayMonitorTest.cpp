// vuplay metering what a sound server of its own plays: the monitor of the
// default output, following the default as it changes and through the server
// going away and coming back, and an input by name; against PulseAudio and
// against PipeWire's PulseAudio service.
#include <cmath>
#include <memory>
#include <sstream>
#include <thread>

#include "player/ChildProcess.h"
#include "player/NeedleTrace.h"
#include "player/VuplayFixture.h"
#include "support/MeasureLevelsReference.h"
#include "support/SoundServer.h"

using namespace std::chrono_literals;

namespace {

constexpr int kRate = 44100;
constexpr int kBlock = 512;
// Left at half scale, right at a quarter, so that swapped or mixed channels show.
constexpr double kLeftAmplitude = 16384.0;
constexpr double kRightAmplitude = 8192.0;
constexpr double kFrequency = 440.0;

short ToneSample(double amplitude, int64_t frame) {
	return static_cast<short>(std::lround(amplitude * std::sin(2 * M_PI * kFrequency * frame / kRate)));
}

// The needle reds a block of the tone gives, whatever its phase in the block: lowest and highest.
std::pair<int, int> ToneReds(bool left) {
	int low = INT32_MAX, high = 0;
	for (int phase = 0; phase < kRate / kFrequency + 1; phase++) {
		std::vector<int16> block(2 * kBlock);
		for (int i = 0; i < kBlock; i++) {
			block[2 * i] = ToneSample(kLeftAmplitude, phase + i);
			block[2 * i + 1] = ToneSample(kRightAmplitude, phase + i);
		}
		const ChannelLevels levels = MeasureLevelsReference(block.data(), 2 * kBlock, 100, 32);
		const int red = static_cast<int>((left ? levels.left : levels.right) >> 8);
		low = std::min(low, red);
		high = std::max(high, red);
	}
	return {low, high};
}

class VuplayMonitor : public VuplayFixture, public ::testing::WithParamInterface<SoundServer::Kind> {
protected:
	void SetUp() override {
		VuplayFixture::SetUp();
		if (IsSkipped()) return;
		if (!SoundServer::Installed(GetParam()))
			GTEST_SKIP() << SoundServer::NameOf(GetParam()) << " is not installed";
		for (const auto& [path, seconds] : {std::pair{oneSecond_, 1}, {fourSeconds_, 4}}) {
			std::vector<short> samples;
			for (int64_t frame = 0; frame < int64_t{seconds} * kRate; frame++) {
				samples.push_back(ToneSample(kLeftAmplitude, frame));
				samples.push_back(ToneSample(kRightAmplitude, frame));
			}
			ASSERT_TRUE(WriteSound(path, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 2, kRate, samples));
		}
		server_ = std::make_unique<SoundServer>(GetParam());
		Watchdog watchdog(60s);
		std::string error;
		ASSERT_TRUE(server_->Start(error)) << error;
	}

	// vuplay with the needle meter, off screen, tracing its drawing.
	std::unique_ptr<Child> Meter(std::vector<std::string> args) {
		args.insert(args.begin(),
		            {"--settings-dir", settings_, "--headless", "-p", "kestle", "--trace", trace_});
		return std::make_unique<Child>(VUPLAY_PROGRAM, args, STDOUT_FILENO, err_);
	}
	// paplay playing `file` into `output`.
	std::unique_ptr<Child> Play(const std::string& output, const std::string& file) {
		return std::make_unique<Child>("/usr/bin/env", std::vector<std::string>{"paplay", "-d", output, file},
		                               STDOUT_FILENO, dir_ / "paplay.err");
	}
	std::vector<Needles> Drawn() const { return ReadNeedles(ReadFile(trace_)); }
	std::string Err() const { return ReadFile(err_); }

	// Tolerance of the needles' reds: the server may resample twice, and
	// PipeWire's glitches overshoot a little; swapped or mixed channels are
	// many reds off.
	int Tolerance() const { return GetParam() == SoundServer::Kind::PulseAudio ? 1 : 3; }
	bool LeftAtTheTone(const Needles& drawn) const {
		return drawn.left >= ToneReds(true).first - Tolerance();
	}
	// The first call from `from` on that draws the left needle at the tone's level.
	std::optional<size_t> ToneFrom(const std::vector<Needles>& drawn, size_t from) const {
		for (size_t call = from; call < drawn.size(); call++)
			if (LeftAtTheTone(drawn[call])) return call;
		return std::nullopt;
	}

	// From the call `from` on: silence, then the tone at its levels on each
	// side, without dips while it lasts, then silence again. A server starved
	// on a loaded machine, or one just started, puts a few glitches of its own
	// into what it plays, and the meter rightly shows them: a few dips pass
	// (silence of the meter's own between deliveries dipped every third call
	// or so), and PipeWire's overshoot is in its tolerance.
	void ExpectTheTone(const std::vector<Needles>& drawn, size_t from) const {
		const auto [leftLow, leftHigh] = ToneReds(true);
		const auto [rightLow, rightHigh] = ToneReds(false);
		int left = 0, right = 0;
		std::optional<size_t> start, end;
		for (size_t call = from; call < drawn.size(); call++) {
			left = std::max(left, drawn[call].left);
			right = std::max(right, drawn[call].right);
			if (LeftAtTheTone(drawn[call])) {
				if (!start) start = call;
				end = call;
			}
		}
		EXPECT_GE(left, leftLow - Tolerance());
		EXPECT_LE(left, leftHigh + Tolerance());
		EXPECT_GE(right, rightLow - Tolerance());
		EXPECT_LE(right, rightHigh + Tolerance());
		ASSERT_TRUE(start);
		std::vector<size_t> dips;
		for (size_t call = *start; call <= *end; call++)
			if (drawn[call].left >= 0 && !LeftAtTheTone(drawn[call])) dips.push_back(call + 1);
		EXPECT_LE(dips.size(), std::max<size_t>(12, (*end - *start + 1) * 5 / 100))
		    << "dips in calls " << testing::PrintToString(dips);
	}

	// Whether the last needles drawn up to `until` rest where silence puts them, as in the first call.
	static bool AtRest(const std::vector<Needles>& drawn, size_t until) {
		int left = -1, right = -1;
		for (size_t call = 0; call < until && call < drawn.size(); call++) {
			if (drawn[call].leftTip >= 0) left = drawn[call].leftTip;
			if (drawn[call].rightTip >= 0) right = drawn[call].rightTip;
		}
		return !drawn.empty() && left == drawn[0].leftTip && right == drawn[0].rightTip;
	}

	// Every run here is timed to its end.
	ScopedVariable tsan_{"TSAN_OPTIONS", TsanWithoutExitPause().c_str()};
	std::unique_ptr<SoundServer> server_;
	std::string oneSecond_ = dir_ / "one-second.wav", fourSeconds_ = dir_ / "four-seconds.wav";
	std::string trace_ = dir_ / "trace.txt", err_ = dir_ / "vuplay.err";
};

TEST_P(VuplayMonitor, MetersWhatTheDefaultOutputPlaysAndSilenceAtTheBlockRate) {
	Watchdog watchdog(120s);
	auto meter = Meter({"--monitor", "--duration", "3"});
	ASSERT_TRUE(WaitUntil([&] { return !Drawn().empty(); }, 60s)) << Err();
	const auto firstCall = Clock::now();
	auto play = Play("one", oneSecond_);
	EXPECT_EQ(meter->Wait(60s), 0);
	const auto took = Clock::now() - firstCall;
	EXPECT_EQ(Err(), "");
	const std::vector<Needles> drawn = Drawn();
	// Every block of three seconds, as fast as sound comes: silence before and
	// after the tone, when the server sends nothing, paced as the tone is. The
	// upper bound leaves room for a loaded machine; silence made only once a
	// stall is declared would take ten times as long.
	EXPECT_EQ(drawn.size(), 259u); // 3 * 44100 / 512, the last one cut
	EXPECT_GT(took, 2800ms);
	EXPECT_LT(took, 5s);
	ASSERT_FALSE(drawn.empty());
	EXPECT_EQ(drawn[0].left, 0);
	EXPECT_EQ(drawn[0].right, 0);
	ExpectTheTone(drawn, 0);
	EXPECT_TRUE(AtRest(drawn, drawn.size()));
}

TEST_P(VuplayMonitor, FollowsTheDefaultOutputWhenItChanges) {
	Watchdog watchdog(120s);
	auto meter = Meter({"--monitor", "--duration", "4"});
	auto play = Play("two", fourSeconds_);
	// The tone plays into 'two' while the meter shows 'one'.
	ASSERT_TRUE(WaitUntil([&] { return Drawn().size() > 60; }, 60s)) << Err();
	const size_t switched = Drawn().size();
	ASSERT_TRUE(RunQuietly("pactl set-default-sink two"));
	// A null output's monitor sends its first sound about a second after it is
	// asked for; the bound leaves room for sanitizer builds on a busy machine, and
	// still fails a meter that follows only when something else wakes it.
	const auto asked = Clock::now();
	ASSERT_TRUE(WaitUntil([&] { return ToneFrom(Drawn(), switched).has_value(); }, 30s)) << Err();
	EXPECT_LT(Clock::now() - asked, 5s);
	EXPECT_EQ(meter->Wait(60s), 0);
	EXPECT_EQ(Err(), "vuplay: the default output is now 'two'; metering what it plays\n");
	const std::vector<Needles> drawn = Drawn();
	const std::optional<size_t> early = ToneFrom(drawn, 0);
	EXPECT_TRUE(early && *early >= switched) << "the tone in 'two' showed before the switch";
	ExpectTheTone(drawn, switched);
}

TEST_P(VuplayMonitor, KeepsGoingWhileTheServerIsGoneAndMetersAgainWhenItIsBack) {
	Watchdog watchdog(180s);
	auto meter = Meter({"--monitor", "--duration", "12"});
	auto play = Play("one", fourSeconds_);
	ASSERT_TRUE(WaitUntil([&] { return ToneFrom(Drawn(), 0).has_value(); }, 60s)) << Err();
	server_->Stop();
	ASSERT_TRUE(WaitUntil([&] { return Err().find("sound server went away") != std::string::npos; }, 30s))
	    << Err();
	// Silent blocks go on coming, and the needles fall back to rest. The server
	// may hand over what it still held after the message, so rest is waited for
	// rather than expected at a fixed block.
	const size_t gone = Drawn().size();
	ASSERT_TRUE(WaitUntil([&] { return Drawn().size() > gone + 100; }, 30s)) << Err();
	size_t rested = 0;
	ASSERT_TRUE(WaitUntil(
	    [&] {
		    rested = Drawn().size();
		    return AtRest(Drawn(), rested);
	    },
	    30s))
	    << Err();

	std::string error;
	ASSERT_TRUE(server_->Start(error)) << error;
	ASSERT_TRUE(WaitUntil([&] { return Err().find("sound server is back") != std::string::npos; }, 30s))
	    << Err();
	auto again = Play("one", fourSeconds_);
	ASSERT_TRUE(WaitUntil([&] { return ToneFrom(Drawn(), rested).has_value(); }, 30s)) << Err();
	EXPECT_EQ(meter->Wait(60s), 0);
	EXPECT_EQ(Err(), "vuplay: the sound server went away (stopped or restarted); the meters get silence, and "
	                 "it is looked for again every second\nvuplay: the sound server is back\n");
	ExpectTheTone(Drawn(), rested);
}

TEST_P(VuplayMonitor, ListsTheDevicesAndMetersAnInputByItsName) {
	Watchdog watchdog(120s);
	const Outcome list = Shell("'" VUPLAY_PROGRAM "' --list-devices");
	EXPECT_EQ(list.status, 0) << list.err;
	for (const char* line :
	     {"^sound server: .+ at unix:/.+/pulse/native$", "^output +one +One \\(default\\)$",
	      "^output +two +Two$",
	      "^input +one\\.monitor +Monitor of One \\(default; what the default output plays: "
	      "--monitor\\)$",
	      "^input +two\\.monitor +Monitor of Two$"})
		EXPECT_EQ(Count(list.out, line), 1) << line << " in\n" << list.out;

	auto meter = Meter({"--capture=two.monitor", "--duration", "3"});
	ASSERT_TRUE(WaitUntil([&] { return !Drawn().empty(); }, 60s)) << Err();
	auto play = Play("two", oneSecond_);
	EXPECT_EQ(meter->Wait(60s), 0);
	EXPECT_EQ(Err(), "");
	ExpectTheTone(Drawn(), 0);

	// An output's name is not an input's: the message says which is, and lists them all.
	const Outcome wrong = Vuplay("--capture=one");
	EXPECT_EQ(wrong.status, 1);
	EXPECT_EQ(wrong.err,
	          "vuplay: --capture=one: no such input; 'one' is an output, and --capture=one.monitor "
	          "meters what it plays; the devices are:\n" +
	              list.out);
}

// A server that is there but never answers (stopped), while playing or from
// the start: each wait on it ends at Ctrl+C, and without one after five
// seconds, and the player goes on without it.
TEST_P(VuplayMonitor, AServerThatDoesNotAnswerIsWaitedForFiveSecondsAtMostAndNotPastCtrlC) {
	Watchdog watchdog(120s);
	ScopedVariable driver("SDL_AUDIODRIVER", nullptr);
	ScopedVariable headless("VUMETERS_HEADLESS", "1");
	{
		Child play(VUPLAY_PROGRAM,
		           {"--settings-dir", settings_, "-p", "kestle", "--trace", trace_, fourSeconds_},
		           STDOUT_FILENO, err_);
		ASSERT_TRUE(WaitUntil([&] { return Drawn().size() > 40; }, 60s)) << Err();
		server_->Signal(SIGSTOP);
		std::this_thread::sleep_for(300ms);
		ASSERT_EQ(kill(play.Pid(), SIGINT), 0);
		const auto signalled = Clock::now();
		EXPECT_EQ(play.Wait(30s), 128 + SIGINT);
		// Within a second on a quiet machine; the bound leaves room for a loaded one
		// and still tells an end from the five seconds a server is waited for.
		EXPECT_LT(Clock::now() - signalled, 3s);
	}
	for (const std::string& args : {oneSecond_, std::string("--list-devices"), std::string("--monitor"),
	                                std::string("--capture=one.monitor")}) {
		SCOPED_TRACE(args);
		Child child(VUPLAY_PROGRAM, {"--settings-dir", settings_, args}, STDOUT_FILENO, err_);
		std::this_thread::sleep_for(1s);
		ASSERT_EQ(kill(child.Pid(), SIGINT), 0);
		const auto signalled = Clock::now();
		EXPECT_EQ(child.Wait(30s), 128 + SIGINT);
		// Within a second on a quiet machine; the bound leaves room for a loaded one
		// and still tells an end from the five seconds a server is waited for.
		EXPECT_LT(Clock::now() - signalled, 3s);
		EXPECT_TRUE(Err().ends_with("vuplay: ended by SIGINT\n")) << Err();
	}
	const auto start = Clock::now();
	Child play(VUPLAY_PROGRAM, {"--settings-dir", settings_, oneSecond_}, STDOUT_FILENO, err_);
	EXPECT_EQ(play.Wait(60s), 0);
	EXPECT_GT(Clock::now() - start, 6s); // the bound, then the second of sound
	EXPECT_EQ(Err(),
	          "vuplay: no sound output: sound server: no answer within 5 seconds; pacing by the clock\n");
	server_->Signal(SIGCONT);
}

TEST_P(VuplayMonitor, AServerThatGoesAwayWhilePlayingIsReportedAndTheRestPacedByTheClock) {
	Watchdog watchdog(120s);
	ScopedVariable driver("SDL_AUDIODRIVER", nullptr);
	ScopedVariable headless("VUMETERS_HEADLESS", "1");
	Child play(
	    VUPLAY_PROGRAM,
	    {"--settings-dir", settings_, "-p", "kestle", "--trace", trace_, "--duration", "3", fourSeconds_},
	    STDOUT_FILENO, err_);
	ASSERT_TRUE(WaitUntil([&] { return Drawn().size() > 40; }, 60s)) << Err();
	const auto firstCalls = Clock::now();
	// Through the server, which plays it into its default output.
	EXPECT_TRUE(RunQuietly("pactl list short sink-inputs | grep -q ."));
	server_->Stop();
	EXPECT_EQ(play.Wait(60s), 0);
	EXPECT_EQ(Err(), "vuplay: sound output lost; the rest is paced by the clock\n");
	EXPECT_EQ(Drawn().size(), 259u); // 3 * 44100 / 512, the last one cut
	EXPECT_GT(Clock::now() - firstCalls, 2s);
}

INSTANTIATE_TEST_SUITE_P(Servers, VuplayMonitor,
                         ::testing::Values(SoundServer::Kind::PulseAudio, SoundServer::Kind::PipeWire),
                         [](const auto& info) { return std::string(SoundServer::NameOf(info.param)); });

} // namespace
