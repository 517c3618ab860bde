// The one door into add-on code and what watches it: the crash and exit
// reports, asked from their handlers; which call each thread is inside; and
// the tracker that a call the host thread is held in is taken over with.
#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdlib>
#include <latch>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "host/AddonCallObserver.h"
#include "host/AddonCallTracker.h"
#include "host/AddonExitGuard.h"
#include "host/AddonGate.h"
#include "host/AddonWatch.h"
#include "host/CrashReport.h"
#include "host/HangWatch.h"
#include "host/Report.h"
#include "support/Watchdog.h"

namespace {

const std::string kPath = "/add-ons/vis_Test";
const std::string kOtherPath = "/add-ons/vis_Other";

// Stands for a RunningAddon: the tracker only compares it.
const auto* const kOurs = reinterpret_cast<const RunningAddon*>(&kPath);
const auto* const kTheirs = reinterpret_cast<const RunningAddon*>(&kOtherPath);

// Ends the process with a crash signal inside `step`, or outside every call
// when `step` is null, on a thread of its own when `elsewhere` is set while
// this thread is inside a Render.
void CrashIn(CrashReport::Covers covers, const AddonStep* step, bool elsewhere = false) {
	SetReportName("host_tests");
	CrashReport::Install(covers, kPath);
	if (elsewhere) {
		const AddonGate render(kPath, AddonStep::Render);
		std::thread([] { std::raise(SIGSEGV); }).join();
	} else if (step) {
		const AddonGate gate(kPath, *step);
		std::raise(SIGSEGV);
	} else {
		std::raise(SIGSEGV);
	}
}

TEST(AddonGateDeathTest, ACrashIsOneLineNamingTheAddOnAndTheCallItsThreadIsInside) {
#ifdef HOST_TESTS_SANITIZED
	GTEST_SKIP() << "the sanitizer takes the crash signals for itself";
#endif
	GTEST_FLAG_SET(death_test_style, "threadsafe");
	const AddonStep open = AddonStep::Open, init = AddonStep::Init, render = AddonStep::Render;
	using Covers = CrashReport::Covers;
	EXPECT_EXIT(CrashIn(Covers::LoadingAndStarting, &open), testing::ExitedWithCode(1),
	            "^host_tests: /add-ons/vis_Test: the add-on crashed in the library's constructors "
	            "\\(dlopen\\) \\(signal 11\\)\n$");
	EXPECT_EXIT(CrashIn(Covers::LoadingAndStarting, &init), testing::ExitedWithCode(1),
	            "^host_tests: /add-ons/vis_Test: the add-on crashed while starting \\(signal 11\\)\n$");
	// A host that covers loading and starting only leaves the rest to the
	// handler there before: here the default one.
	EXPECT_EXIT(CrashIn(Covers::LoadingAndStarting, &render), testing::KilledBySignal(SIGSEGV), "");
	EXPECT_EXIT(CrashIn(Covers::Everything, &render), testing::ExitedWithCode(1),
	            "^host_tests: /add-ons/vis_Test: the add-on crashed in Render \\(signal 11\\)\n$");
	EXPECT_EXIT(CrashIn(Covers::Everything, nullptr), testing::ExitedWithCode(1),
	            "^host_tests: /add-ons/vis_Test: the add-on crashed \\(signal 11\\)\n$");
	// The thread that crashed is outside any call, whatever the others are in.
	EXPECT_EXIT(CrashIn(Covers::Everything, nullptr, true), testing::ExitedWithCode(1),
	            "^host_tests: /add-ons/vis_Test: the add-on crashed \\(signal 11\\)\n$");
}

TEST(AddonGateDeathTest, AnExitFromInsideACallIsNamedAndEndsWithOne) {
	GTEST_FLAG_SET(death_test_style, "threadsafe");
	const auto exitIn = [](const AddonStep* step, int status) {
		SetReportName("host_tests");
		AddonExitGuard::Install();
		if (!step) std::exit(status);
		const AddonGate gate(kPath, *step);
		std::exit(status);
	};
	const AddonStep prefs = AddonStep::Prefs;
	EXPECT_EXIT(exitIn(&prefs, 0), testing::ExitedWithCode(1),
	            "^host_tests: /add-ons/vis_Test: the add-on ended the process in Prefs\n$");
	EXPECT_EXIT(exitIn(nullptr, 3), testing::ExitedWithCode(3), "^$");
}

// Every call's beginning and end, in the order they came, from any thread.
class Recorder final : public AddonCallObserver {
public:
	Recorder() { AddonWatch::Add(this); }
	~Recorder() override { AddonWatch::Remove(this); }

	void Began(const AddonCall& call) override { Add(call, "began "); }
	void Ended(const AddonCall& call) override { Add(call, "ended "); }

	// What the calls of the add-on at `path` were told, in order.
	std::vector<std::string> Of(const std::string& path) {
		std::lock_guard guard(lock_);
		std::vector<std::string> of;
		for (const auto& [from, line] : lines_)
			if (from == &path) of.push_back(line);
		return of;
	}

private:
	void Add(const AddonCall& call, const char* what) {
		std::lock_guard guard(lock_);
		lines_.emplace_back(call.path, what + std::string(call.Name()));
	}

	std::mutex lock_;
	std::vector<std::pair<const std::string*, std::string>> lines_;
};

// What a thread saw of its own calls while the other was inside one of its own.
struct Seen {
	std::vector<std::string> current;
	bool outerKept = false;
};

std::string Describe(const AddonCall* call) { return call ? *call->path + " " + call->Name() : "none"; }

TEST(AddonGateTest, NestedAndConcurrentCallsAreEachTheirThreadsInOrder) {
	Watchdog watchdog;
	Recorder recorder;
	std::latch bothInside(2), bothLooked(2);
	Seen first, second;
	std::thread one([&] {
		const AddonGate render(kPath, AddonStep::Render);
		bothInside.arrive_and_wait();
		first.current.push_back(Describe(AddonWatch::Current()));
		{
			const AddonGate about(kPath, AddonStep::About);
			first.current.push_back(Describe(AddonWatch::Current()));
			first.outerKept =
			    AddonWatch::Current()->outer && AddonWatch::Current()->outer->step == AddonStep::Render;
		}
		first.current.push_back(Describe(AddonWatch::Current()));
		bothLooked.arrive_and_wait();
	});
	std::thread two([&] {
		{
			const AddonGate prefs(kOtherPath, AddonStep::Prefs);
			bothInside.arrive_and_wait();
			second.current.push_back(Describe(AddonWatch::Current()));
			bothLooked.arrive_and_wait();
		}
		second.current.push_back(Describe(AddonWatch::Current()));
	});
	one.join();
	two.join();

	EXPECT_EQ(first.current,
	          (std::vector<std::string>{kPath + " Render", kPath + " About", kPath + " Render"}));
	EXPECT_TRUE(first.outerKept);
	EXPECT_EQ(second.current, (std::vector<std::string>{kOtherPath + " Prefs", "none"}));
	EXPECT_EQ(AddonWatch::Current(), nullptr);
	EXPECT_EQ(recorder.Of(kPath),
	          (std::vector<std::string>{"began Render", "began About", "ended About", "ended Render"}));
	EXPECT_EQ(recorder.Of(kOtherPath), (std::vector<std::string>{"began Prefs", "ended Prefs"}));
}

// A host thread that makes one call of `addon` while the test holds it inside.
class HostThread {
public:
	explicit HostThread(const RunningAddon* addon)
	    : thread_([this, addon] {
		      {
			      const AddonGate gate(kPath, AddonStep::Render, addon);
			      inside_.count_down();
			      leave_.wait();
		      }
		      returned_.count_down();
	      }) {
		inside_.wait();
	}
	~HostThread() {
		if (thread_.joinable()) thread_.join();
	}

	// Lets the call return; the thread is done once Returned().
	void Leave() { leave_.count_down(); }
	bool Returned() { return returned_.try_wait(); }
	void WaitReturned() { returned_.wait(); }
	// For a thread held for good, which the process ends with.
	void Forget() { thread_.detach(); }

private:
	std::latch inside_{1}, leave_{1}, returned_{1};
	std::thread thread_;
};

TEST(AddonGateTest, TheTrackerFollowsItsAddOnsCallsAndHoldsOneTakenOverForGood) {
	Watchdog watchdog;
	// Outlives the test: a thread stays held inside it.
	auto* tracker = new AddonCallTracker([](const RunningAddon* addon) { return addon == kOurs; });

	{
		HostThread theirs(kTheirs);
		EXPECT_FALSE(tracker->Current()) << "another group's add-on";
		theirs.Leave();
	}
	{
		const AddonGate library(kPath, AddonStep::Open);
		EXPECT_FALSE(tracker->Current()) << "a library step is in no add-on's order";
	}

	uint64_t number = 0;
	{
		HostThread returns(kOurs);
		const auto call = tracker->Current();
		ASSERT_TRUE(call);
		EXPECT_EQ(call->addon, kOurs);
		EXPECT_EQ(call->path, kPath);
		EXPECT_STREQ(call->name, "Render");
		number = call->number;
		returns.Leave();
		returns.WaitReturned();
		EXPECT_FALSE(tracker->Current());
		EXPECT_FALSE(tracker->TakeOver(number)) << "the call has returned";
	}

	Recorder others;
	// Outlives the test as well, as the thread does.
	auto* held = new HostThread(kOurs);
	const auto call = tracker->Current();
	ASSERT_TRUE(call);
	EXPECT_EQ(call->number, number + 1);
	EXPECT_FALSE(tracker->TakeOver(number)) << "an earlier call";
	ASSERT_TRUE(tracker->TakeOver(call->number));
	// Calls the taking thread makes are its own, not followed.
	{
		const AddonGate cleanup(kPath, AddonStep::Cleanup, kOurs);
		EXPECT_EQ(tracker->Current()->number, call->number);
	}
	held->Leave();
	std::this_thread::sleep_for(std::chrono::milliseconds(200));
	EXPECT_FALSE(held->Returned()) << "a thread taken over from must stop where its call returns";
	const std::vector<std::string> heard = others.Of(kPath);
	EXPECT_EQ(std::count(heard.begin(), heard.end(), "ended Render"), 0)
	    << "no other observer may touch the host's state after the take-over";
	AddonWatch::Remove(tracker);
	held->Forget();
}

TEST(AddonGateTest, TheHangWatchGivesUpACallOfItsThreadThatOutlastsItsPatienceOnly) {
	using namespace std::chrono_literals;
	Watchdog watchdog;
	std::atomic<const char*> givenUp{nullptr};
	std::latch fired(1);
	HangWatch watch(300ms, 10ms, [&](const char* call) {
		givenUp.store(call);
		fired.count_down();
	});
	for (int i = 0; i < 10; i++) {
		const AddonGate quick(kPath, AddonStep::Render);
		std::this_thread::sleep_for(50ms);
	}
	// Another thread's call is not the watched thread's.
	std::thread([] {
		const AddonGate elsewhere(kPath, AddonStep::About);
		std::this_thread::sleep_for(600ms);
	}).join();
	EXPECT_EQ(givenUp.load(), nullptr) << "calls that returned in time";

	const AddonGate hung(kPath, AddonStep::Cleanup);
	{ const AddonGate inner(kPath, AddonStep::Render); }
	fired.wait();
	EXPECT_STREQ(givenUp.load(), "Cleanup");
}

} // namespace
