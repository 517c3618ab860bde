// Runs the built vucheck on add-ons with known faults, and on the real ones.
#include <sys/wait.h>

#include <cstdio>
#include <string>

#include <gtest/gtest.h>

#include "Watchdog.h"

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

Outcome Vucheck(const std::string& args) {
	Watchdog watchdog(std::chrono::seconds(150));
	const std::string command = "timeout 140 '" VUCHECK_PROGRAM "' --seed 7 " + args + " 2>&1";
	Outcome run;
	FILE* pipe = popen(command.c_str(), "r");
	if (!pipe) return run;
	char buffer[4096];
	for (size_t got; (got = fread(buffer, 1, sizeof buffer, pipe)) > 0;)
		run.out.append(buffer, got);
	const int raw = pclose(pipe);
	run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
	return run;
}

// The kind vucheck reported for check `number`, as printed: "pass",
// "crash (SIGSEGV)" and so on; empty when the check is not in the output.
std::string KindOf(const std::string& out, int number) {
	const std::string title = std::string(" ").append(std::to_string(number)).append(" ");
	for (size_t start = 0; start < out.size();) {
		size_t end = out.find('\n', start);
		if (end == std::string::npos) end = out.size();
		const std::string line = out.substr(start, end - start);
		start = end + 1;
		if (line.rfind("  ", 0) != 0 || line[2] == ' ') continue;
		const size_t kindEnd = line.find("  ", 2);
		if (kindEnd == std::string::npos) continue;
		const size_t numberAt = line.find_first_not_of(' ', kindEnd);
		if (line.compare(numberAt - 1, title.size(), title) == 0) return line.substr(2, kindEnd - 2);
	}
	return "";
}

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

TEST(VucheckProgramTest, ALibraryThatDoesNotLoadFailsEveryCheck) {
	const Outcome run = Vucheck("--only 1,8 /nonexistent/add-on");
	EXPECT_EQ(KindOf(run.out, 1), "fail") << run.out;
	EXPECT_EQ(KindOf(run.out, 8), "fail") << run.out;
	EXPECT_NE(run.out.find("/nonexistent/add-on"), std::string::npos) << run.out;
	EXPECT_EQ(run.status, 1);
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
