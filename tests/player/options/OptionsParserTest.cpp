#include "options/OptionsParser.h"

#include <gtest/gtest.h>

#include <fstream>

#include "player/TestFiles.h"

namespace {

ParsedOptions ParseArgs(std::vector<const char*> args) {
	args.insert(args.begin(), "vuplay");
	return OptionsParser::Parse(static_cast<int>(args.size()), args.data());
}

void ExpectUsageError(std::vector<const char*> args, const std::string& mentions) {
	const ParsedOptions parsed = ParseArgs(args);
	EXPECT_FALSE(parsed.options);
	EXPECT_EQ(parsed.exitStatus, ExitUsage);
	EXPECT_EQ(parsed.message.rfind("vuplay", 0), std::string::npos) << parsed.message;
	EXPECT_EQ(parsed.message.find('\n'), std::string::npos) << parsed.message;
	EXPECT_NE(parsed.message.find(mentions), std::string::npos) << parsed.message;
}

} // namespace

TEST(Options, DefaultsPlayTheDemoOnCorvel) {
	const ParsedOptions parsed = ParseArgs({});
	ASSERT_TRUE(parsed.options) << parsed.message;
	EXPECT_EQ(parsed.options->session.addons, std::vector<std::string>{"corvel"});
	EXPECT_TRUE(parsed.options->files.empty());
	EXPECT_FALSE(parsed.options->capture);
	EXPECT_EQ(parsed.options->kit.screen, (std::pair{1280, 800}));
	EXPECT_DOUBLE_EQ(parsed.options->session.fps, 30.0);
	EXPECT_EQ(parsed.options->session.meterWidth, 0);
	const ParsedOptions perBlock = ParseArgs({"--record", "-", "--fps", "block"});
	ASSERT_TRUE(perBlock.options) << perBlock.message;
	EXPECT_DOUBLE_EQ(perBlock.options->session.fps, 0.0);
}

TEST(Options, ReadsTheWholeSet) {
	const ParsedOptions parsed = ParseArgs({"-p",
	                                        "kestle",
	                                        "--plugin",
	                                        "./build/add-ons/x.so",
	                                        "a.flac",
	                                        "--latency-offset",
	                                        "-40",
	                                        "--mute",
	                                        "--headless",
	                                        "--realtime",
	                                        "--record",
	                                        "out.y4m",
	                                        "--fps",
	                                        "12.5",
	                                        "--size",
	                                        "200x400",
	                                        "--screen",
	                                        "640x480",
	                                        "--settings-dir",
	                                        "/tmp/s",
	                                        "--events",
	                                        "e.txt",
	                                        "--trace",
	                                        "t.txt",
	                                        "b.mp3",
	                                        "--duration",
	                                        "2.5",
	                                        "--verbose"});
	ASSERT_TRUE(parsed.options) << parsed.message;
	const Options& o = *parsed.options;
	EXPECT_EQ(o.session.addons, (std::vector<std::string>{"kestle", "./build/add-ons/x.so"}));
	EXPECT_EQ(o.files, (std::vector<std::string>{"a.flac", "b.mp3"}));
	EXPECT_DOUBLE_EQ(o.player.latencyOffsetMs, -40.0);
	EXPECT_TRUE(o.player.mute && o.player.realtime);
	// One flag for each part of the run that takes it.
	EXPECT_TRUE(o.kit.headless && o.session.headless && o.player.headless);
	EXPECT_TRUE(o.session.verbose && o.player.verbose);
	EXPECT_EQ(o.session.record, "out.y4m");
	EXPECT_DOUBLE_EQ(o.session.fps, 12.5);
	EXPECT_EQ(o.session.meterWidth, 200);
	EXPECT_EQ(o.session.meterHeight, 400);
	EXPECT_EQ(o.kit.screen, (std::pair{640, 480}));
	EXPECT_EQ(o.kit.settingsDir, "/tmp/s");
	EXPECT_EQ(o.session.events, "e.txt");
	EXPECT_EQ(o.session.trace, "t.txt");
	EXPECT_DOUBLE_EQ(o.player.durationSeconds, 2.5);
}

TEST(Options, CaptureTakesAnOptionalDevice) {
	ParsedOptions parsed = ParseArgs({"--capture"});
	ASSERT_TRUE(parsed.options) << parsed.message;
	EXPECT_TRUE(parsed.options->capture);
	EXPECT_EQ(parsed.options->captureDevice, "");

	parsed = ParseArgs({"--capture=Monitor of Speakers", "-p", "kestle"});
	ASSERT_TRUE(parsed.options) << parsed.message;
	EXPECT_TRUE(parsed.options->capture);
	EXPECT_FALSE(parsed.options->monitor);
	EXPECT_EQ(parsed.options->captureDevice, "Monitor of Speakers");

	for (const char* monitor : {"--monitor", "--capture=monitor"}) {
		parsed = ParseArgs({monitor});
		ASSERT_TRUE(parsed.options) << parsed.message;
		EXPECT_TRUE(parsed.options->capture && parsed.options->monitor) << monitor;
		EXPECT_EQ(parsed.options->captureDevice, "") << monitor;
	}
}

TEST(Options, ASoundFileGivenToCaptureIsToBePlayedWithoutIt) {
	const TempDir dir;
	const std::string song = dir / "song.wav";
	std::ofstream(song) << "RIFF";
	ExpectUsageError({"--capture", song.c_str()}, "to play '" + song + "', leave out --capture");
	ExpectUsageError({("--capture=" + song).c_str()}, "to play '" + song + "', leave out --capture");
	ExpectUsageError({"--monitor", song.c_str()}, "to play '" + song + "', leave out --monitor");
}

TEST(Options, UsageErrorsGiveOneLineAndStatusTwo) {
	ExpectUsageError({"--capture", "--", "a.wav"}, "--capture meters live input and takes no files");
	ExpectUsageError({"--monitor", "a.wav"}, "--monitor meters live input and takes no files");
	for (const char* duration : {"0", "-1", "nan", "inf", "soon"})
		ExpectUsageError({"--duration", duration}, duration);
	ExpectUsageError({"--screen", "640"}, "'640' is not WIDTHxHEIGHT");
	ExpectUsageError({"--screen", "0x480"}, "'0x480' is not WIDTHxHEIGHT");
	ExpectUsageError({"--realtime"}, "--headless");
	ExpectUsageError({"--fps", "25"}, "--record");
	for (const char* fps : {"nan", "0", "blocks"})
		ExpectUsageError({"--record", "out.y4m", "--fps", fps},
		                 std::string("'") + fps + "' is not 'block' or");
	ExpectUsageError({"--size", "200"}, "'200' is not WIDTHxHEIGHT");
	// A folder of frames named out.mp4 is not what was meant.
	ExpectUsageError({"--record", "out.mp4"}, "| ffmpeg -i - -i SOUND");
	ExpectUsageError({"--record", "frames"}, "FOLDER/ (numbered PNG frames)");
	ExpectUsageError({"--record", "frames/.png"}, "'frames/.png' is only an extension");
	ExpectUsageError({"--latency-offset", "soon"}, "soon");
	ExpectUsageError({"--latency-offset=nan"}, "'nan' is not a finite number");
	ExpectUsageError({"--latency-offset=-inf"}, "'-inf' is not a finite number");
	ExpectUsageError({"--latency-offset=10001"}, "10001");
	ExpectUsageError({"--bogus"}, "unknown option '--bogus' (see --help)");
	ExpectUsageError({"--fullscreen", "--size", "200x100"}, "--size excludes --fullscreen");
	ExpectUsageError({"--keep-open", "--headless"}, "--headless excludes --keep-open");
}

TEST(Options, AMisspeltOptionOrAddonNameGetsTheNearestSuggested) {
	ExpectUsageError({"--monitr"}, "unknown option '--monitr'; did you mean '--monitor'? (see --help)");
	ExpectUsageError({"--Fulscreen=1"}, "unknown option '--Fulscreen'; did you mean '--fullscreen'?");
	ExpectUsageError({"--rat", "48000"}, "did you mean '--raw' or '--rate'?");
	ExpectUsageError({"-x"}, "unknown option '-x' (see --help)");
	ExpectUsageError({"-p", "kestel"},
	                 "unknown add-on 'kestel': did you mean 'kestle'? The add-ons there are");
	ExpectUsageError({"-p", "winamp"}, "unknown add-on 'winamp': the add-ons there are");
}

TEST(Options, RawInputTakesWhatTheMetersCanUseAndNothingElse) {
	const ParsedOptions raw = ParseArgs({"--raw", "s24le", "--rate", "48000", "--channels", "1", "-"});
	ASSERT_TRUE(raw.options && raw.options->player.raw) << raw.message;
	EXPECT_EQ(raw.options->player.raw->Rate(), 48000);
	EXPECT_EQ(raw.options->player.raw->Channels(), 1);
	EXPECT_EQ(raw.options->player.raw->FrameBytes(), 3u);
	const ParsedOptions defaults = ParseArgs({"--raw", "f32le", "sound.raw"});
	ASSERT_TRUE(defaults.options && defaults.options->player.raw) << defaults.message;
	EXPECT_EQ(defaults.options->player.raw->Rate(), 44100);
	EXPECT_EQ(defaults.options->player.raw->FrameBytes(), 8u);

	ExpectUsageError({"--raw", "u8", "-"}, "'u8' is not a raw format");
	ExpectUsageError({"--raw", "s16le", "--rate", "400000", "-"}, "--rate 400000 is not a sample rate");
	ExpectUsageError({"--raw", "s16le", "--channels", "0", "-"}, "--channels 0");
	// Not taken for 0.
	ExpectUsageError({"--raw", "s16le", "--rate", "", "-"}, "--rate: '' is not a whole number");
	ExpectUsageError({"--raw", "s16le", "--channels", "2x", "-"}, "--channels: '2x' is not a whole number");
	ExpectUsageError({"--rate", "48000", "-"}, "--rate requires --raw");
	ExpectUsageError({"--raw", "s16le"}, "name one");
	ExpectUsageError({"--raw", "s16le", "--monitor"}, "--monitor");
	ExpectUsageError({"-", "-"}, "name it once");
}

TEST(Options, HelpExplainsEveryOptionAndExitsWithZero) {
	const ParsedOptions parsed = ParseArgs({"--help"});
	EXPECT_FALSE(parsed.options);
	EXPECT_EQ(parsed.exitStatus, ExitOk);
	for (const char* option :
	     {"--plugin",       "--capture", "--latency-offset", "--mute",      "--headless",
	      "--realtime",     "--verbose", "--record",         "--fps",       "--screen",
	      "--settings-dir", "--events",  "--trace",          "--monitor",   "--list-devices",
	      "--duration",     "--size",    "--fullscreen",     "--keep-open", "private copy",
	      "Exit status"})
		EXPECT_NE(parsed.message.find(option), std::string::npos) << option;
}
