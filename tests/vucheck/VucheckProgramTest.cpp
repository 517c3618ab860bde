// Runs the built vucheck on add-ons with known faults, and on the real ones.
#include <sys/stat.h>
#include <sys/wait.h>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include <gtest/gtest.h>

#include "player/ChildProcess.h"
#include "player/TestFiles.h"
#include "support/Watchdog.h"

namespace {

// Under a sanitizer some checks can only warn.
#ifdef VUCHECK_SANITIZED
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif

struct Outcome {
	int status = -1; // exit status; -1 when it did not exit normally
	std::string out;
};

// Runs vucheck with a temporary folder of its own, which every run must
// leave as empty as it found it, however the checks ended.
Outcome Vucheck(const std::string& args) {
	Watchdog watchdog(std::chrono::seconds(150));
	const TempDir scratch;
	const std::string tmpdir = scratch / "";
	// Run as root, the settings check acts as an unprivileged user in the
	// folder vucheck makes here.
	std::filesystem::permissions(tmpdir, std::filesystem::perms::owner_all |
	                                         std::filesystem::perms::group_exec |
	                                         std::filesystem::perms::others_exec);
	const std::string command =
	    "TMPDIR='" + tmpdir + "' timeout 140 '" VUCHECK_PROGRAM "' --seed 7 " + args + " 2>&1";
	Outcome run;
	FILE* pipe = popen(command.c_str(), "r");
	if (!pipe) return run;
	char buffer[4096];
	for (size_t got; (got = fread(buffer, 1, sizeof buffer, pipe)) > 0;)
		run.out.append(buffer, got);
	const int raw = pclose(pipe);
	run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
	for (const auto& entry : std::filesystem::directory_iterator(tmpdir))
		ADD_FAILURE() << entry.path() << " left behind by vucheck " << args;
	return run;
}

struct Reported {
	std::string kind;    // as printed: "pass", "crash (SIGSEGV)" and so on
	std::string reasons; // the lines printed under it, joined
};

// What vucheck printed for check `number`; an empty kind when the check is
// not in the output.
Reported ReportOf(const std::string& out, int number) {
	const std::string title = std::string(" ").append(std::to_string(number)).append(" ");
	Reported reported;
	bool inside = false;
	for (size_t start = 0; start < out.size();) {
		size_t end = out.find('\n', start);
		if (end == std::string::npos) end = out.size();
		const std::string line = out.substr(start, end - start);
		start = end + 1;
		if (inside && line.rfind("      ", 0) == 0) {
			reported.reasons += line.substr(6) + "\n";
			continue;
		}
		inside = false;
		if (line.rfind("  ", 0) != 0 || line[2] == ' ') continue;
		const size_t kindEnd = line.find("  ", 2);
		if (kindEnd == std::string::npos) continue;
		const size_t numberAt = line.find_first_not_of(' ', kindEnd);
		if (line.compare(numberAt - 1, title.size(), title) != 0) continue;
		reported.kind = line.substr(2, kindEnd - 2);
		inside = true;
	}
	return reported;
}

std::string KindOf(const std::string& out, int number) { return ReportOf(out, number).kind; }

std::string Broken(const char* fault) {
	return std::string("'" BROKEN_ADDON_DIR "/broken_") + fault + ".so'";
}

} // namespace

TEST(VucheckProgramTest, AllocationInRenderIsAFailure) {
	const Outcome run = Vucheck("--only 6 " + Broken("AllocatesInRender"));
	if (kSanitized) {
		EXPECT_EQ(KindOf(run.out, 6), "warning") << run.out;
		EXPECT_EQ(run.status, 0);
		return;
	}
	EXPECT_EQ(KindOf(run.out, 6), "fail") << run.out;
	EXPECT_NE(run.out.find("heap allocations in"), std::string::npos) << run.out;
	EXPECT_NE(run.out.find("\n0 passed, 1 failed\n"), std::string::npos) << run.out;
	EXPECT_EQ(run.status, 1);
}

TEST(VucheckProgramTest, ThreadLeftRunningAfterCleanupIsAFailure) {
	const Outcome run = Vucheck("--only 2 " + Broken("ThreadAfterCleanup"));
	EXPECT_EQ(KindOf(run.out, 2), "fail") << run.out;
	EXPECT_NE(run.out.find("threads after Cleanup"), std::string::npos) << run.out;
	EXPECT_EQ(run.status, 1);
}

TEST(VucheckProgramTest, CrashInRenderIsReportedWithItsSignal) {
	const Outcome run = Vucheck("--only 2 --only 5 " + Broken("CrashesInRender"));
	EXPECT_EQ(KindOf(run.out, 2), "crash (SIGSEGV)") << run.out;
	EXPECT_EQ(KindOf(run.out, 5), "crash (SIGSEGV)") << run.out;
	EXPECT_NE(run.out.find("during: cycle 1: Render"), std::string::npos) << run.out;
	EXPECT_NE(run.out.find("\n0 passed, 2 failed\n"), std::string::npos) << run.out;
	EXPECT_EQ(run.status, 1);
}

TEST(VucheckProgramTest, HangInInitIsATimeout) {
	const Outcome run = Vucheck("--timeout 2 --only 2 " + Broken("HangsInInit"));
	EXPECT_EQ(KindOf(run.out, 2), "timeout") << run.out;
	EXPECT_NE(run.out.find("during: cycle 1: Init"), std::string::npos) << run.out;
	EXPECT_EQ(run.status, 1);
}

TEST(VucheckProgramTest, FaultsOfOneKindLeaveTheOtherChecksPassing) {
	const Outcome run = Vucheck("--only 2 --only 3,5 " + Broken("AllocatesInRender"));
	for (int check : {2, 3, 5})
		EXPECT_EQ(KindOf(run.out, check), "pass") << check << "\n" << run.out;
	EXPECT_NE(run.out.find("\n3 passed, 0 failed\n"), std::string::npos) << run.out;
	EXPECT_EQ(run.status, 0) << run.out;
}

TEST(VucheckProgramTest, RealAddonsPassEveryCheck) {
	const Outcome run = Vucheck("corvel kestle");
	for (int check = 1; check <= 8; ++check) {
		// A sanitizer keeps freed memory and owns malloc: the memory and
		// allocation checks may only warn.
		const std::string kind = KindOf(run.out, check);
		if (kSanitized && (check == 1 || check == 6) && kind == "warning") continue;
		EXPECT_EQ(kind, "pass") << check << "\n" << run.out;
	}
	EXPECT_NE(run.out.find("\n16 passed, 0 failed\n"), std::string::npos) << run.out;
	EXPECT_EQ(run.status, 0);
}

TEST(VucheckProgramTest, NoAddonAnUnknownCheckOrAnUnknownAddOnNameIsBadUsage) {
	EXPECT_EQ(Vucheck("").status, 2);
	EXPECT_EQ(Vucheck("--only 9 corvel").status, 2);
	// A name is looked up in the add-on folders only, never on the system's library path.
	const Outcome run = Vucheck("libc.so.6");
	EXPECT_EQ(run.status, 2);
	EXPECT_NE(run.out.find("vucheck: unknown add-on 'libc.so.6': the add-ons there are "), std::string::npos)
	    << run.out;
	EXPECT_NE(run.out.find("corvel"), std::string::npos) << run.out;
}

TEST(VucheckProgramTest, WhatCannotBeWrittenToStandardOutputFailsWithALine) {
	for (const std::string args : {"--help", "--version", "--only 1 corvel"}) {
		// Standard error to the pipe that is read, standard output to the full device.
		const Outcome run = Vucheck(args + " 2>&1 >/dev/full; echo status $?");
		EXPECT_EQ(run.out, "vucheck: standard output: cannot write: No space left on device\nstatus 1\n")
		    << args;
	}
}

TEST(VucheckProgramTest, ALibraryThatDoesNotLoadFailsEveryCheck) {
	const Outcome run = Vucheck("--only 1,8 /nonexistent/add-on");
	EXPECT_EQ(KindOf(run.out, 1), "fail") << run.out;
	EXPECT_EQ(KindOf(run.out, 8), "fail") << run.out;
	EXPECT_NE(run.out.find("/nonexistent/add-on"), std::string::npos) << run.out;
	EXPECT_EQ(run.status, 1);

	// A FIFO is refused before any check opens it, rather than waited on until the time limit.
	const TempDir scratch;
	const std::string fifo = scratch / "add-on.fifo";
	ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
	const Outcome refused = Vucheck("--timeout 60 '" + fifo + "'");
	EXPECT_EQ(refused.status, 1);
	EXPECT_EQ(refused.out, "vucheck: " + fifo + ": not a regular file (a FIFO)\n");
}

TEST(VucheckProgramTest, TheSameSeedReplaysTheSameRandomSequence) {
	// The check process itself, whose progress lines name every step.
	const std::string command = "--run-check 4 --addon '" CORVEL_ADDON "'";
	const Outcome first = Vucheck(command);
	const Outcome again = Vucheck(command);
	EXPECT_EQ(first.status, 0) << first.out;
	EXPECT_NE(first.out.find("step: step 1000: "), std::string::npos) << first.out;
	EXPECT_EQ(first.out, again.out);
}

// The calls into the add-on that a report of an ended process names, as
// "Render" or "About and Render" when another thread was in a call too.
std::string CallsNamed(const std::string& reasons) {
	const std::string ended = "the add-on ended the process (exit 0) in ";
	const size_t at = reasons.find(ended);
	if (at == std::string::npos) return "";
	const size_t from = at + ended.size();
	return reasons.substr(from, reasons.find_first_of(",\n", from) - from);
}

// exit() runs the process's exit handlers and _exit() does not; neither may
// pass for a check that ran to its end, whatever the status.
TEST(VucheckProgramTest, AnAddonThatEndsTheProcessFailsEveryCheckItReachesNamingTheCall) {
	const struct {
		const char* place;
		const char* call;
		bool firstCall; // the add-on ends the process on loading or making its object
	} places[] = {
	    {"Constructor", "the library's constructors (dlopen)", true},
	    {"NewPlugin", "NewPlugin", true},
	    {"Init", "Init", false},
	    {"Render", "Render", false},
	};
	for (const auto& place : places) {
		for (const char* end : {"exit", "_exit"}) {
			const std::string name = std::string("EndsIn") + place.place + "_" + end;
			const Outcome run = Vucheck(Broken(name.c_str()));
			for (int check = 1; check <= 8; ++check) {
				const Reported reported = ReportOf(run.out, check);
				SCOPED_TRACE(name + ", check " + std::to_string(check) + "\n" + run.out);
				// Check 6 cannot count allocations under a sanitizer and
				// loads nothing there.
				if (check == 6 && kSanitized) {
					EXPECT_EQ(reported.kind, "warning");
				} else if (!place.firstCall && check == 1) {
					// A sanitizer holds on to freed memory: the memory check may warn.
					EXPECT_TRUE(reported.kind == "pass" || (kSanitized && reported.kind == "warning"));
				} else if (!place.firstCall && check == 8) {
					// The test add-ons save no settings: the check stops
					// before it starts one.
					EXPECT_EQ(reported.kind, "fail");
				} else {
					EXPECT_EQ(reported.kind, "fail");
					EXPECT_NE(CallsNamed(reported.reasons).find(place.call), std::string::npos);
				}
			}
			EXPECT_EQ(run.status, 1) << name;
		}
	}
}

// The verdict is vucheck's own: what the add-on writes cannot pass for it.
TEST(VucheckProgramTest, AnAddonThatForgesAPassAndEndsTheProcessFailsNamingTheCall) {
	for (const char* name : {"ForgesAPassByCommandLine", "ForgesAPassOnAFoundPipe"}) {
		const Outcome run = Vucheck("--only 2,5 " + Broken(name));
		for (const int check : {2, 5}) {
			const Reported reported = ReportOf(run.out, check);
			EXPECT_EQ(reported.kind, "fail") << name << ", check " << check << "\n" << run.out;
			EXPECT_EQ(CallsNamed(reported.reasons), "Render") << name << "\n" << run.out;
		}
		EXPECT_EQ(run.status, 1) << name;
	}
}

TEST(VucheckProgramTest, AnAddonThatMakesNoPluginObjectFailsSayingWhy) {
	const Outcome none = Vucheck("--only 1,2 " + Broken("NoNewPlugin"));
	EXPECT_NE(
	    ReportOf(none.out, 1)
	        .reasons.find("load 1: " BROKEN_ADDON_DIR "/broken_NoNewPlugin.so: not an add-on (no NewPlugin)"),
	    std::string::npos)
	    << none.out;
	EXPECT_NE(ReportOf(none.out, 2).reasons.find(": not an add-on (no NewPlugin)"), std::string::npos)
	    << none.out;
	EXPECT_EQ(none.status, 1);

	const Outcome null = Vucheck("--only 1,2 " + Broken("NullNewPlugin"));
	EXPECT_NE(ReportOf(null.out, 1)
	              .reasons.find("load 1: " BROKEN_ADDON_DIR
	                            "/broken_NullNewPlugin.so: NewPlugin made no plug-in object"),
	          std::string::npos)
	    << null.out;
	EXPECT_NE(ReportOf(null.out, 2).reasons.find(": NewPlugin made no plug-in object"), std::string::npos)
	    << null.out;
	EXPECT_EQ(null.status, 1);
}

TEST(VucheckProgramTest, ATimeoutThatIsNoSaneNumberOfSecondsIsBadUsageInOneShortLine) {
	for (const char* timeout : {"nan", "inf", "1e300", "-1", "0"}) {
		const Outcome run = Vucheck(std::string("--timeout ") + timeout + " corvel");
		EXPECT_EQ(run.status, 2) << timeout;
		EXPECT_EQ(run.out.rfind("vucheck: --timeout: ", 0), 0u) << run.out;
		EXPECT_EQ(run.out.find('\n'), run.out.size() - 1) << run.out;
		EXPECT_LT(run.out.size(), 100u) << run.out;
	}
}

TEST(VucheckProgramTest, ASignalEndsTheCheckUnderWayRemovesItsFolderAndSaysSo) {
	Watchdog watchdog(std::chrono::seconds(120));
	const TempDir scratch;
	const std::string tmpdir = scratch / "tmp", err = scratch / "stderr";
	std::filesystem::create_directory(tmpdir);
	ScopedVariable tmp("TMPDIR", tmpdir.c_str());
	const std::string hangs = BROKEN_ADDON_DIR "/broken_HangsInInit.so";
	Child vucheck(VUCHECK_PROGRAM, {"--timeout", "100", "--only", "2,3", hangs}, STDOUT_FILENO, err);
	// The check is under way once its folder is there.
	ASSERT_TRUE(WaitUntil([&] { return !std::filesystem::is_empty(tmpdir); }, std::chrono::seconds(60)));
	ASSERT_EQ(kill(vucheck.Pid(), SIGTERM), 0);
	const auto signalled = Clock::now();
	EXPECT_EQ(vucheck.Wait(std::chrono::seconds(60)), 128 + SIGTERM);
	EXPECT_LT(Clock::now() - signalled, std::chrono::seconds(5));
	std::ifstream said(err);
	EXPECT_EQ(std::string(std::istreambuf_iterator<char>(said), {}), "vucheck: ended by SIGTERM\n");
	EXPECT_TRUE(std::filesystem::is_empty(tmpdir));
}
