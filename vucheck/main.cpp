// vucheck: runs a set of checks on visualisation add-ons, each check in a
// child process with a time limit, and says which passed.
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <random>
#include <set>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "CheckProcess.h"
#include "CheckReport.h"
#include "CheckRunner.h"
#include "Checks.h"
#include "ReportPipe.h"
#include "host/AddonLibrary.h"
#include "host/AddonLocator.h"
#include "host/ExitStatus.h"
#include "host/Printable.h"
#include "host/Report.h"
#include "host/SignalFlag.h"

namespace {

constexpr const char* kDescription =
    "Checks visualisation add-ons the way a careful host would: each check runs in a process of its\n"
    "own with a time limit and is reported as pass, fail, crash (with the signal), timeout or warning.\n"
    "A check passes only when its process ran it to the end; an add-on that ends the process fails\n"
    "it, with the call it was in. A warning is shown but counts as passed (a check that could not run\n"
    "fully here, such as the allocation count under a sanitizer); a failure, crash or timeout counts\n"
    "as failed. The last line is 'N passed, N failed'.\n"
    "Exit status: 0 only when every check passed completely, 1 when any failed, crashed, timed out\n"
    "or could not run (or standard output could not take the report), 2 for a bad command line,\n"
    "128 + N when signal N (Ctrl+C 130, kill 143, Ctrl+\\ 131) ended the run, after the check\n"
    "under way was ended and its folder removed, and a line saying so.";

// A check may take from a tenth of a second to a day: beyond that a
// deadline is no longer a time (nan, inf, 1e300).
constexpr double kShortestTimeout = 0.1;
constexpr double kLongestTimeout = 86400;

std::string TimeoutError(const std::string& text) {
	char* end = nullptr;
	const double seconds = std::strtod(text.c_str(), &end);
	if (end != text.c_str() && *end == '\0' && seconds >= kShortestTimeout && seconds <= kLongestTimeout)
		return {};
	return "'" + text + "' is not a number of seconds from 0.1 to 86400";
}

void PrintReport(const Check& check, const CheckReport& report) {
	std::string kind = KindName(report.kind);
	if (report.kind == CheckKind::Crash) kind += " (" + report.signalName + ")";
	std::printf("  %-17s %d %s  (%.1f s)\n", kind.c_str(), check.number, check.title, report.seconds);
	if (report.kind != CheckKind::Pass)
		for (const std::string& line : report.lines)
			std::printf("      %s\n", Printable(line).c_str());
	std::fflush(stdout);
}

// Whether everything printed so far reached standard output; a line on
// standard error when not. Called right after printing, so that the errno
// of a write that failed on the way is still that write's.
bool OutputWritten() {
	if (!std::ferror(stdout)) errno = 0;
	std::cout.flush();
	if (std::cout.good() && std::fflush(stdout) == 0 && !std::ferror(stdout)) return true;
	const int error = errno;
	std::fprintf(stderr, "vucheck: standard output: cannot write%s%s\n", error ? ": " : "",
	             error ? std::strerror(error) : "");
	return false;
}

} // namespace

int main(int argc, char** argv) {
	// The lines host/ reports, such as an unusable $TMPDIR, name the program.
	SetReportName("vucheck");
	CLI::App app(kDescription, "vucheck");
	std::vector<std::string> addons;
	uint32_t seed = std::random_device{}();
	double timeout = 30;
	std::vector<int> only;
	int runCheck = 0;
	std::string checkAddon;
	std::string checkFolder;
	int reportFd = -1;
	app.add_option("ADDON", addons,
	               "Add-on to check: 'corvel', 'kestle', the file name of another add-on in the add-on "
	               "folders, or a path containing '/'");
	app.add_option("--seed", seed,
	               "Seed of the random checks, to replay a run (default: a new one, printed)");
	app.add_option("--timeout", timeout, "Seconds each check may take before it counts as a timeout")
	    ->check(TimeoutError)
	    ->capture_default_str();
	app.add_option("--only", only, "Run only these checks (numbers, repeatable or comma-separated)")
	    ->check(CLI::Range(1, 8))
	    ->delimiter(',')
	    ->allow_extra_args(false);
	app.add_option("--run-check", runCheck)->check(CLI::Range(1, int(AllChecks().size())))->group("");
	app.add_option("--addon", checkAddon)->group("");
	app.add_option("--settings-folder", checkFolder)->group("");
	app.add_option("--report-fd", reportFd)->check(CLI::NonNegativeNumber)->group("");
	app.set_version_flag("--version", "vucheck (vu-meters) " VUMETERS_VERSION, "Print the version and exit");
	std::string footer = "Checks:";
	for (const Check& check : AllChecks())
		footer += "\n  " + std::to_string(check.number) + "  " + check.title;
	app.footer(footer + "\n\n" + AddonLocator::Rule());
	try {
		app.parse(argc, argv);
	} catch (const CLI::Success& help) {
		const int status = app.exit(help);
		return OutputWritten() ? status : ExitFailure;
	} catch (const CLI::ParseError& error) {
		std::fprintf(stderr, "vucheck: %s (see --help)\n", Printable(error.what()).c_str());
		return ExitUsage;
	}

	if (runCheck > 0) {
		if (reportFd >= 0) ReportPipe::Use(reportFd);
		const CheckOutcome outcome = RunCheckInThisProcess(runCheck, checkAddon, seed, checkFolder);
		std::fflush(stdout);
		ReportPipe::Finish(outcome);
		_exit(int(outcome));
	}
	if (addons.empty()) {
		std::fprintf(stderr, "vucheck: name at least one add-on (corvel, kestle or a path); see --help\n");
		return ExitUsage;
	}

	const AddonLocator locator = AddonLocator::FromEnvironment();
	std::vector<std::string> paths;
	for (const std::string& name : addons) {
		const auto path = locator.Find(name);
		if (!path) {
			std::fprintf(stderr, "vucheck: %s\n", Printable(locator.Unknown(name)).c_str());
			return ExitUsage;
		}
		// Opening a FIFO would wait for a writer past any time limit.
		if (const std::string why = AddonLibrary::NotARegularFile(path->string()); !why.empty()) {
			std::fprintf(stderr, "vucheck: %s: %s\n", Printable(path->string()).c_str(), why.c_str());
			return ExitFailure;
		}
		paths.push_back(path->string());
	}

	// A signal ends the check under way, whose folder is then removed, and no other starts.
	SignalFlag::CatchEnding(SignalFlag::Restart::No);
	const std::stop_token stop = SignalFlag::StopToken();
	// A closed pipe is a write that fails, and is said (the checks get SIGPIPE back).
	std::signal(SIGPIPE, SIG_IGN);
	const std::set<int> selected(only.begin(), only.end());
	int passed = 0;
	int failed = 0;
	for (const std::string& path : paths) {
		std::printf("%s (seed %u)\n", Printable(path).c_str(), seed);
		for (const Check& check : AllChecks()) {
			if (!selected.empty() && !selected.contains(check.number)) continue;
			const CheckReport report = RunCheckProcess(check.number, path, seed, timeout, stop);
			if (SignalFlag::Signal() != 0) {
				std::fflush(stdout);
				std::fprintf(stderr, "vucheck: ended by %s\n", SignalFlag::Name().c_str());
				return 128 + SignalFlag::Signal();
			}
			PrintReport(check, report);
			if (!OutputWritten()) return ExitFailure;
			const bool ok = report.kind == CheckKind::Pass || report.kind == CheckKind::Warning;
			(ok ? passed : failed)++;
		}
	}
	std::printf("%d passed, %d failed\n", passed, failed);
	if (!OutputWritten()) return ExitFailure;
	return failed == 0 ? ExitOk : ExitFailure;
}
