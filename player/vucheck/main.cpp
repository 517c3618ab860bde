// vucheck: runs a set of checks on visualisation add-ons, each check in a
// child process with a time limit, and says which passed.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <random>
#include <set>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "AddonLocator.h"
#include "CheckProcess.h"
#include "CheckRunner.h"
#include "Checks.h"

namespace {

constexpr const char* kDescription =
    "Checks visualisation add-ons the way a careful host would: each check runs in a process of its\n"
    "own with a time limit and is reported as pass, fail, crash (with the signal), timeout or warning.\n"
    "A warning is shown but counts as passed (a check that could not run fully here, such as the\n"
    "allocation count under a sanitizer); a failure, crash or timeout counts as failed. The last line\n"
    "is 'N passed, N failed'. Exit status: 0 when every check passed, 1 otherwise, 2 for bad usage.";

void PrintReport(const Check& check, const CheckReport& report) {
	std::string kind = KindName(report.kind);
	if (report.kind == CheckKind::kCrash) kind += " (" + report.signalName + ")";
	std::printf("  %-17s %d %s  (%.1f s)\n", kind.c_str(), check.number, check.title, report.seconds);
	if (report.kind != CheckKind::kPass)
		for (const std::string& line : report.lines)
			std::printf("      %s\n", line.c_str());
	std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv) {
	CLI::App app(kDescription, "vucheck");
	std::vector<std::string> addons;
	uint32_t seed = std::random_device{}();
	double timeout = 30;
	std::vector<int> only;
	int runCheck = 0;
	std::string checkAddon;
	app.add_option("ADDON", addons,
	               "Add-on to check: 'corvel', 'kestle', the file name of another add-on in the add-on "
	               "folders, or a path containing '/'");
	app.add_option("--seed", seed,
	               "Seed of the random checks, to replay a run (default: a new one, printed)");
	app.add_option("--timeout", timeout, "Seconds each check may take before it counts as a timeout")
	    ->check(CLI::PositiveNumber)
	    ->capture_default_str();
	app.add_option("--only", only, "Run only these checks (numbers, repeatable or comma-separated)")
	    ->check(CLI::Range(1, 8))
	    ->delimiter(',')
	    ->allow_extra_args(false);
	app.add_option("--run-check", runCheck)->group("");
	app.add_option("--addon", checkAddon)->group("");
	app.set_version_flag("--version", "vucheck (vu-meters) " VUMETERS_VERSION, "Print the version and exit");
	std::string footer = "Checks:";
	for (const Check& check : AllChecks())
		footer += "\n  " + std::to_string(check.number) + "  " + check.title;
	app.footer(footer + "\n\n" + AddonLocator::Rule());
	try {
		app.parse(argc, argv);
	} catch (const CLI::ParseError& error) {
		return app.exit(error) == 0 ? 0 : 2;
	}

	if (runCheck > 0) {
		const int status = RunCheckInThisProcess(runCheck, checkAddon, seed);
		std::fflush(stdout);
		_exit(status);
	}
	if (addons.empty()) {
		std::fprintf(stderr, "vucheck: name at least one add-on (corvel, kestle or a path); see --help\n");
		return 2;
	}

	const AddonLocator locator = AddonLocator::FromEnvironment();
	std::vector<std::string> paths;
	for (const std::string& name : addons) {
		const auto path = locator.Find(name);
		if (!path) {
			std::fprintf(stderr, "vucheck: %s\n", locator.Unknown(name).c_str());
			return 2;
		}
		paths.push_back(path->string());
	}

	const std::set<int> selected(only.begin(), only.end());
	int passed = 0;
	int failed = 0;
	for (const std::string& path : paths) {
		std::printf("%s (seed %u)\n", path.c_str(), seed);
		for (const Check& check : AllChecks()) {
			if (!selected.empty() && !selected.contains(check.number)) continue;
			const CheckReport report = RunCheckProcess(check.number, path, seed, timeout);
			PrintReport(check, report);
			const bool ok = report.kind == CheckKind::kPass || report.kind == CheckKind::kWarning;
			(ok ? passed : failed)++;
		}
	}
	std::printf("%d passed, %d failed\n", passed, failed);
	return failed == 0 ? 0 : 1;
}
