// The options' descriptions (their help), the checks of each value and of
// the values together, and the parse that applies them are one unit: the
// checks are attached to the descriptions, and both fill the same local
// texts (sizes, rates, formats) that the parse turns into Options.
#include "options/OptionsParser.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <filesystem>

#include "host/AddonLocator.h"
#include "host/DidYouMean.h"
#include "options/OutputClash.h"

namespace {

const std::string kExitStatusRule =
    "Exit status: 0 when everything asked for was done completely; 1 when something failed or was cut "
    "short, and a line on standard error says what; 2 for a bad command line; 128 + N when signal N "
    "(Ctrl+C 130, kill 143, a closed terminal 129, Ctrl+\\ 131, and any other signal that asks for an end) "
    "ended the run, after its clean-up and a line saying so. "
    "Warnings, such as no sound device or settings not saved, are one line each and leave the status alone.";

// "WxH" with both sides 1..16384, or nothing.
std::optional<std::pair<int, int>> ParseSize(const std::string& text) {
	const size_t x = text.find('x');
	if (x == std::string::npos) return std::nullopt;
	int width = 0, height = 0;
	const char* end = text.data() + text.size();
	const auto w = std::from_chars(text.data(), text.data() + x, width);
	const auto h = std::from_chars(text.data() + x + 1, end, height);
	if (w.ec != std::errc() || w.ptr != text.data() + x || h.ec != std::errc() || h.ptr != end)
		return std::nullopt;
	if (width < 1 || width > 16384 || height < 1 || height > 16384) return std::nullopt;
	return std::pair{width, height};
}

// NaN passes every range check, so it is refused on its own, as is infinity.
std::string Finite(const std::string& text) {
	char* end = nullptr;
	const double value = std::strtod(text.c_str(), &end);
	if (end != text.c_str() && *end == '\0' && !std::isfinite(value))
		return "'" + text + "' is not a finite number";
	return {};
}

// "out/.y4m" would make a hidden file, or a folder, that the user did not mean.
std::string NamesAFile(const std::string& path) {
	const std::string name = std::filesystem::path(path).filename().string();
	if (name == ".y4m" || name == ".png") return "'" + path + "' is only an extension; name the file";
	return {};
}

// What --record takes: a video stream, a picture, or a folder of frames asked
// for with a trailing '/' or by naming one that exists; anything else, such as
// out.mp4, would silently become a folder of that name.
std::string RecordingProblem(const std::string& path) {
	if (path.empty() || path == "-" || path.ends_with(".y4m") || path.ends_with(".png") ||
	    path.ends_with("/"))
		return {};
	std::error_code error;
	if (std::filesystem::is_directory(path, error)) return {};
	return "--record '" + path +
	       "': writes PATH.y4m (a Y4M video), PATH.png (the last frame), FOLDER/ (numbered PNG frames) or - "
	       "(Y4M to standard output); for an MP4 with the sound: vuplay --headless --record - SOUND | "
	       "ffmpeg -i - -i SOUND -pix_fmt yuv420p -shortest out.mp4";
}

// "block", one frame per audio block, is 0.
std::optional<double> ParseFps(const std::string& text) {
	if (text == "block") return 0.0;
	char* end = nullptr;
	const double fps = std::strtod(text.c_str(), &end);
	if (end == text.c_str() || *end != '\0' || !std::isfinite(fps) || fps < 0.1 || fps > 1000)
		return std::nullopt;
	return fps;
}

bool IsFile(const std::string& path) {
	std::error_code error;
	return !path.empty() && std::filesystem::is_regular_file(path, error);
}

// A file after --capture is taken for a file to play, which is most likely
// what was meant.
std::string LiveTakesNoFiles(const Options& options) {
	const std::string option = options.monitor ? "--monitor" : "--capture";
	if (IsFile(options.files.front()))
		return option + " meters live input; to play '" + options.files.front() + "', leave out " + option +
		       " (see --help)";
	return option + " meters live input and takes no files (see --help)";
}

// Texts the parser checks before they are turned into options.
struct Texts {
	std::string screen;
	std::string size;
	std::string fps;
};

// "44100": digits only, so that an empty or partial number is not taken for 0.
std::string WholeNumber(const std::string& text) {
	int value = 0;
	const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
	if (!text.empty() && ec == std::errc() && end == text.data() + text.size()) return {};
	return "'" + text + "' is not a whole number";
}

// What --raw, --rate and --channels say, before they are checked together.
struct RawWords {
	std::string encoding;
	int rate = 44100;
	int channels = 2;
};

// Standard input can be read once, so "-" names it once, and a headerless
// stream has nothing else to be read from.
std::string ReadsInputOnce(const Options& options, const RawWords& raw) {
	if (std::count(options.files.begin(), options.files.end(), "-") > 1)
		return "'-' reads standard input, which can be read once; name it once (see --help)";
	if (!raw.encoding.empty() && options.files.empty())
		return "--raw reads a file, a FIFO or '-' (standard input); name one (see --help)";
	return {};
}

void DescribeRaw(CLI::App& app, RawWords& raw, CLI::Option* capture, CLI::Option* monitor) {
	auto* format =
	    app.add_option("--raw", raw.encoding,
	                   "Read the files as headerless little-endian PCM of FORMAT: s16le, s24le, s32le or "
	                   "f32le (the words of ffmpeg -f and of music servers' FIFO outputs). A FIFO is read "
	                   "for as long as the player runs: while no writer has it open, the meters fall back "
	                   "to rest, and they go on when a writer opens it again. '-' reads standard input, "
	                   "which ends at its end.")
	        ->type_name("FORMAT")
	        ->check(RawPcm::UnknownEncoding)
	        ->excludes(capture)
	        ->excludes(monitor);
	app.add_option("--rate", raw.rate,
	               "Sample rate of --raw input, " + std::to_string(RawPcm::kMinRate) + " to " +
	                   std::to_string(RawPcm::kMaxRate) + ". Default: 44100.")
	    ->type_name("HZ")
	    ->check(WholeNumber)
	    ->needs(format);
	app.add_option("--channels", raw.channels,
	               "Channels of --raw input, 1 to " + std::to_string(RawPcm::kMaxChannels) +
	                   "; the first two are metered. Default: 2.")
	    ->type_name("N")
	    ->check(WholeNumber)
	    ->needs(format);
}

void Describe(CLI::App& app, Options& o, Texts& texts, RawWords& raw) {
	app.description("Plays sound and shows it on stereo VU-meter add-ons.");
	app.add_option(
	    "files", o.files,
	    "Sound files to play one after the other (any format libsndfile reads: WAV, FLAC, Ogg Vorbis, "
	    "Opus, MP3, ...); '-' is standard input. Without files a built-in demo piece of 20 seconds plays.");
	app.add_option("-p,--plugin", o.session.addons,
	               "Add-on to run: 'corvel' (bars), 'kestle' (needles), the file name of another add-on in "
	               "the add-on folders (see below), or a path containing '/'. Repeat to run several at once. "
	               "Default: corvel.")
	    ->allow_extra_args(false)
	    ->type_name("NAME|PATH")
	    ->check([](const std::string& name) -> std::string {
		    const AddonLocator locator = AddonLocator::FromEnvironment();
		    return locator.Find(name) ? "" : locator.Unknown(name);
	    });
	app.add_flag("--list-plugins", o.listPlugins,
	             "List the add-ons found in the add-on folders, with their names, and exit.");
	auto* capture =
	    app.add_option(
	           "--capture", o.captureDevice,
	           "Meter live input from the default capture device, or from DEVICE, a name --list-devices "
	           "shows; --capture=monitor is --monitor. Write --capture=DEVICE when a device name follows.")
	        ->expected(0, 1)
	        ->type_name("[DEVICE]");
	auto* monitor = app.add_flag(
	    "--monitor", o.monitor,
	    "Meter what the desktop plays: the sound server's monitor of the default output, following "
	    "the default when it changes (PulseAudio, or PipeWire's PulseAudio service).");
	DescribeRaw(app, raw, capture, monitor);
	app.add_flag(
	    "--list-devices", o.listDevices,
	    "List the sound server's outputs and inputs, monitors included, with the names --capture takes "
	    "and the defaults marked, and exit.");
	app.add_option("--duration", o.player.durationSeconds,
	               "Stop after SECONDS of sound, of the files together, the demo or the live input.")
	    ->type_name("SECONDS")
	    ->check(Finite)
	    ->check([](const std::string& text) -> std::string {
		    char* end = nullptr;
		    const double seconds = std::strtod(text.c_str(), &end);
		    return end != text.c_str() && *end == '\0' && seconds > 0
		               ? ""
		               : "'" + text + "' is not a number of seconds above 0";
	    });
	app.add_option("--latency-offset", o.player.latencyOffsetMs,
	               "Show the meters MS milliseconds later (negative: earlier) than the output latency alone "
	               "suggests.")
	    ->type_name("MS")
	    ->check(Finite)
	    ->check(CLI::Range(-10000.0, 10000.0));
	app.add_flag("--mute", o.player.mute, "Play no sound; pace the blocks by the clock.");
	auto* headless = app.add_flag(
	    "--headless", o.player.headless,
	    "Draw into an off-screen display instead of windows; play no sound and render as fast as possible.");
	app.add_flag("--keep-open", o.player.keepOpen,
	             "Keep the meter windows open, as the sound left them, once the files, the demo or "
	             "--duration have ended, until they are closed or 'q' is pressed.")
	    ->excludes(headless);
	app.add_flag("--alert", o.alert,
	             "When the run fails, show what standard error says in an alert box too, and wait until it "
	             "is answered: for launchers without a terminal, such as the desktop's menu.");
	app.add_flag("--realtime", o.player.realtime, "With --headless: pace the blocks by the clock.")
	    ->needs(headless);
	app.add_flag("-v,--verbose", o.player.verbose,
	             "Report progress even when the output is not a terminal, and every message the add-ons send "
	             "to the player.");
	auto* record =
	    app.add_option("--record", o.session.record,
	                   "Record the meter window of the first add-on that opens one, for every audio block "
	                   "played (a stopped meter gives its last picture): PATH.y4m a Y4M video, - the Y4M "
	                   "video on standard output (everything else then goes to standard error), PATH.png "
	                   "the last frame, FOLDER/ or an existing folder numbered PNG frames.")
	        ->type_name("PATH")
	        ->check(NamesAFile);
	app.add_option("--fps", texts.fps,
	               "Frames a second of the recording, or 'block' for one frame per audio block; a recording "
	               "has at least one frame. Default: 30.")
	    ->type_name("N|block")
	    ->check([](const std::string& text) -> std::string {
		    return ParseFps(text) ? ""
		                          : "'" + text + "' is not 'block' or a number of frames a second 0.1..1000";
	    })
	    ->needs(record);
	auto* size =
	    app.add_option(
	           "--size", texts.size,
	           "Make the first add-on's meter window WIDTH x HEIGHT pixels before the first block, and so "
	           "the recorded frames.")
	        ->type_name("WxH")
	        ->check([](const std::string& text) -> std::string {
		        return ParseSize(text) ? "" : "'" + text + "' is not WIDTHxHEIGHT with sides 1..16384";
	        });
	app.add_flag("--fullscreen", o.session.fullScreen,
	             "Make the first add-on's meter window fill the screen, without decoration and with the "
	             "pointer hidden over it, for as long as the player runs; the frame the add-on saves stays "
	             "the one the window had before.")
	    ->excludes(size);
	app.add_option("--screen", texts.screen, "Size of the headless screen. Default: 1280x800.")
	    ->type_name("WxH")
	    ->check([](const std::string& text) -> std::string {
		    return ParseSize(text) ? "" : "'" + text + "' is not WIDTHxHEIGHT with sides 1..16384";
	    });
	app.add_option(
	       "--settings-dir", o.kit.settingsDir,
	       "Folder for the add-ons' settings files, where they are read and saved. Default: "
	       "$VUMETERS_SETTINGS_DIR, else vu-meters in the user's configuration folder; without either, "
	       "--headless gives the add-ons a private copy of that folder, so a headless run leaves the "
	       "on-screen meters' settings alone.")
	    ->type_name("DIR");
	app.add_option("--events", o.session.events,
	               "Scripted input: lines 'BLOCK EVENT ARGS...' applied before that Render call of the first "
	               "add-on (resize, move, close, mouse, key, menu, prefs, about, gain, activate, expose, "
	               "stop, start).")
	    ->type_name("FILE");
	app.add_option(
	       "--trace", o.session.trace,
	       "Write a trace of the first add-on's Render calls and of its drawing in its meter window to "
	       "FILE.")
	    ->type_name("FILE");
	app.set_version_flag("--version", "vuplay (vu-meters) " VUMETERS_VERSION, "Print the version and exit.");
	app.footer("Keys, in a meter window or on the terminal: space pauses and resumes, left and right arrows "
	           "seek 5 seconds, 'a' shows the about box, 'q' or Escape quits.\n" +
	           AddonLocator::Rule() + "\n" + kExitStatusRule);
}

// An option that does not exist, with the nearest that do; anything else
// left over as the parser says it.
std::string NotExpected(const CLI::App& app, const CLI::ExtrasError& error) {
	for (const std::string& argument : app.remaining()) {
		if (argument.size() < 2 || argument[0] != '-') continue;
		const std::string option = argument.substr(0, argument.find('='));
		std::vector<std::string> options;
		for (const CLI::Option* known : app.get_options()) {
			for (const std::string& name : known->get_lnames())
				options.push_back("--" + name);
			for (const std::string& name : known->get_snames())
				options.push_back("-" + name);
		}
		const std::string suggestion = DidYouMean(option, options);
		return "unknown option '" + option + "'" + (suggestion.empty() ? "" : "; " + suggestion);
	}
	return error.what();
}

} // namespace

ParsedOptions OptionsParser::Parse(int argc, const char* const* argv) {
	CLI::App app("", "vuplay");
	Options options;
	Texts texts;
	RawWords raw;
	Describe(app, options, texts, raw);
	ParsedOptions result;
	try {
		app.parse(argc, argv);
	} catch (const CLI::CallForHelp&) {
		result.message = app.help();
		return result;
	} catch (const CLI::CallForVersion& version) {
		result.message = version.what();
		return result;
	} catch (const CLI::ExtrasError& e) {
		result.exitStatus = ExitUsage;
		result.message = NotExpected(app, e) + " (see --help)";
		return result;
	} catch (const CLI::ParseError& e) {
		result.exitStatus = ExitUsage;
		result.message = std::string(e.what()) + " (see --help)";
		return result;
	}
	if (options.captureDevice == "monitor") {
		options.monitor = true;
		options.captureDevice.clear();
	}
	options.capture = app.count("--capture") > 0 || options.monitor;
	if (options.capture && !options.files.empty()) {
		result.exitStatus = ExitUsage;
		result.message = LiveTakesNoFiles(options);
		return result;
	}
	if (IsFile(options.captureDevice)) {
		result.exitStatus = ExitUsage;
		result.message = "--capture meters live input; to play '" + options.captureDevice +
		                 "', leave out --capture (see --help)";
		return result;
	}
	if (const std::string why = ReadsInputOnce(options, raw); !why.empty()) {
		result.exitStatus = ExitUsage;
		result.message = why;
		return result;
	}
	if (!raw.encoding.empty()) {
		const Expected<RawPcm> format = RawPcm::Make(raw.encoding, raw.rate, raw.channels);
		if (!format) {
			result.exitStatus = ExitUsage;
			result.message = format.Error() + " (see --help)";
			return result;
		}
		options.player.raw = *format;
	}
	if (options.session.addons.empty()) options.session.addons = {"corvel"};
	if (const std::string problem = RecordingProblem(options.session.record); !problem.empty()) {
		result.exitStatus = ExitUsage;
		result.message = problem;
		return result;
	}
	if (const auto size = ParseSize(texts.screen)) options.kit.screen = *size;
	if (const auto size = ParseSize(texts.size))
		std::tie(options.session.meterWidth, options.session.meterHeight) = *size;
	if (const auto fps = ParseFps(texts.fps)) options.session.fps = *fps;
	options.kit.headless = options.session.headless = options.player.headless;
	options.session.verbose = options.player.verbose;
	if (const std::string clash = OutputClash::Find(options); !clash.empty()) {
		result.exitStatus = ExitUsage;
		result.message = clash + " (see --help)";
		return result;
	}
	result.options = std::move(options);
	return result;
}

std::string OptionsParser::Help() {
	CLI::App app("", "vuplay");
	Options options;
	Texts texts;
	RawWords raw;
	Describe(app, options, texts, raw);
	return app.help();
}
