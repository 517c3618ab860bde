#include "Options.h"

#include <CLI/CLI.hpp>

#include <charconv>

namespace {

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

bool IsPath(const std::string& name) { return name.find('/') != std::string::npos; }

void Describe(CLI::App& app, Options& o, std::string& screen) {
	app.description("Plays sound and shows it on stereo VU-meter add-ons.");
	app.add_option(
	    "files", o.files,
	    "Sound files to play one after the other (any format libsndfile reads: WAV, FLAC, Ogg Vorbis, "
	    "Opus, MP3, ...). Without files a built-in demo piece of 20 seconds plays.");
	app.add_option("-p,--plugin", o.plugins,
	               "Add-on to run: 'corvel' (bars) or 'kestle' (needles), or the path of an add-on library. "
	               "Repeat to run several at once. Default: corvel.")
	    ->allow_extra_args(false)
	    ->type_name("NAME|PATH")
	    ->check([](const std::string& name) -> std::string {
		    if (name == "corvel" || name == "kestle" || IsPath(name)) return {};
		    return "unknown add-on '" + name + "': use corvel, kestle or a path containing '/'";
	    });
	app.add_option("--capture", o.captureDevice,
	               "Meter live input from the default capture device, or from DEVICE. Write --capture=DEVICE "
	               "when a device name follows.")
	    ->expected(0, 1)
	    ->type_name("[DEVICE]");
	app.add_option("--latency-offset", o.latencyOffsetMs,
	               "Show the meters MS milliseconds later (negative: earlier) than the output latency alone "
	               "suggests.")
	    ->type_name("MS")
	    ->check(CLI::Range(-10000.0, 10000.0));
	app.add_flag("--mute", o.mute, "Play no sound; pace the blocks by the clock.");
	auto* headless = app.add_flag(
	    "--headless", o.headless,
	    "Draw into an off-screen display instead of windows; play no sound and render as fast as possible.");
	app.add_flag("--realtime", o.realtime, "With --headless: pace the blocks by the clock.")->needs(headless);
	app.add_flag("-v,--verbose", o.verbose,
	             "Report progress even when the output is not a terminal, and every message the add-ons send "
	             "to the player.");
	auto* record =
	    app.add_option(
	           "--record", o.record,
	           "Record the meter window: PATH.y4m a video stream, PATH.png the last frame, any other PATH a "
	           "folder of numbered PNG frames.")
	        ->type_name("PATH");
	app.add_option("--fps", o.fps, "Frames a second of the recording. Default: one frame per audio block.")
	    ->type_name("N")
	    ->check(CLI::Range(0.1, 1000.0))
	    ->needs(record);
	app.add_option("--screen", screen, "Size of the headless screen. Default: 1280x800.")
	    ->type_name("WxH")
	    ->check([](const std::string& text) -> std::string {
		    return ParseSize(text) ? "" : "'" + text + "' is not WIDTHxHEIGHT with sides 1..16384";
	    });
	app.add_option("--settings-dir", o.settingsDir, "Folder for the add-ons' settings files.")
	    ->type_name("DIR");
	app.add_option("--events", o.events,
	               "Scripted input: lines 'BLOCK EVENT ARGS...' applied before that Render call of the first "
	               "add-on (resize, move, close, mouse, key, menu, prefs, about, gain, activate, expose, "
	               "stop, start).")
	    ->type_name("FILE");
	app.add_option("--trace", o.trace, "Write a trace of the add-ons' drawing to FILE.")->type_name("FILE");
	app.footer("Keys, in a meter window or on the terminal: space pauses and resumes, left and right arrows "
	           "seek 5 seconds, 'a' shows the about box, 'q' or Escape quits.\n"
	           "Exit status: 0 done, 1 a file, device, add-on or recording failed or the display went away, "
	           "2 bad command line.");
}

} // namespace

ParsedOptions OptionsParser::Parse(int argc, const char* const* argv) {
	CLI::App app("", "vuplay");
	Options options;
	std::string screen;
	Describe(app, options, screen);
	ParsedOptions result;
	try {
		app.parse(argc, argv);
	} catch (const CLI::CallForHelp&) {
		result.message = app.help();
		return result;
	} catch (const CLI::ParseError& e) {
		result.exitStatus = kExitUsage;
		result.message = std::string("vuplay: ") + e.what() + " (see --help)";
		return result;
	}
	options.capture = app.count("--capture") > 0;
	if (options.capture && !options.files.empty()) {
		result.exitStatus = kExitUsage;
		result.message = "vuplay: --capture meters live input and takes no files (see --help)";
		return result;
	}
	if (options.plugins.empty()) options.plugins = {"corvel"};
	if (const auto size = ParseSize(screen)) std::tie(options.screenWidth, options.screenHeight) = *size;
	result.options = std::move(options);
	return result;
}

std::string OptionsParser::Help() {
	CLI::App app("", "vuplay");
	Options options;
	std::string screen;
	Describe(app, options, screen);
	return app.help();
}
