#include "CallWatch.h"

#include <unistd.h>

#include <atomic>
#include <thread>

#include "host/AddonCallObserver.h"
#include "host/AddonWatch.h"
#include "host/Report.h"

namespace {

using Clock = std::chrono::steady_clock;

// The calls of the main thread, as the watching thread reads them.
class MainThreadCalls final : public AddonCallObserver {
public:
	void Began(const AddonCall& call) override {
		if (std::this_thread::get_id() != main_ || call.outer) return;
		since_.store(Clock::now().time_since_epoch().count());
		name_.store(call.Name());
	}
	void Ended(const AddonCall& call) override {
		if (std::this_thread::get_id() == main_ && !call.outer) name_.store(nullptr);
	}

	// The call under way and since when, or null.
	const char* Name(Clock::time_point* since) const {
		const char* name = name_.load();
		*since = Clock::time_point(Clock::duration(since_.load()));
		return name;
	}

private:
	const std::thread::id main_ = std::this_thread::get_id();
	std::atomic<const char*> name_{nullptr};
	std::atomic<Clock::rep> since_{0};
};

void Watch(const MainThreadCalls* calls, std::string prefix, std::chrono::seconds patience) {
	for (;;) {
		// A call is given up within a second of its time.
		std::this_thread::sleep_for(std::chrono::seconds(1));
		Clock::time_point since;
		const char* call = calls->Name(&since);
		if (!call || Clock::now() - since < patience) continue;
		const std::string line = prefix + "the add-on did not return from " + call + " within " +
		                         std::to_string(patience.count()) + " seconds; its settings are not saved\n";
		(void)!::write(STDERR_FILENO, line.data(), line.size());
		::_exit(1);
	}
}

} // namespace

void CallWatch::Start(const std::string& addonPath, std::chrono::seconds patience) {
	// Reachable for the rest of the process, as the thread is.
	static auto* calls = new MainThreadCalls;
	AddonWatch::Add(calls);
	std::thread(Watch, calls, std::string(ReportName()) + ": " + addonPath + ": ", patience).detach();
}
