#include "CallWatch.h"

#include <signal.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <thread>

#include "host/Report.h"

namespace {

constexpr int kCrashSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};

std::atomic<const char*> gCall{nullptr};
std::atomic<int64_t> gSinceNs{0};
// Made before anything can crash, so that the handler only copies bytes.
char gPrefix[1024];
size_t gPrefixLength = 0;
pid_t gMainThread = 0;

int64_t NowNs() {
	timespec now{};
	clock_gettime(CLOCK_MONOTONIC, &now);
	return int64_t(now.tv_sec) * 1000000000 + now.tv_nsec;
}

// Async-signal-safe: a fixed buffer and write(2).
struct Line {
	char text[1400];
	size_t length = 0;
	void Add(const char* part) { Add(part, std::strlen(part)); }
	void Add(const char* part, size_t count) {
		count = std::min(count, sizeof text - length);
		std::memcpy(text + length, part, count);
		length += count;
	}
	void Add(long number) {
		char digits[24];
		size_t count = 0;
		do
			digits[sizeof digits - ++count] = char('0' + number % 10);
		while ((number /= 10) > 0 && count < sizeof digits);
		Add(digits + sizeof digits - count, count);
	}
	void Write() const { (void)!::write(STDERR_FILENO, text, length); }
};

void OnCrash(int signal, siginfo_t* info, void*) {
	// A fault signal another process sent (kill -SEGV) is no crash of the
	// add-on's: the process ends by it, as it would have.
	if (info->si_code <= 0 && info->si_pid != ::getpid()) {
		::signal(signal, SIG_DFL);
		::raise(signal);
		return;
	}
	Line line;
	line.Add(gPrefix, gPrefixLength);
	const char* call = gCall.load();
	if (call && ::syscall(SYS_gettid) == gMainThread) {
		line.Add("the add-on crashed in ");
		line.Add(call);
	} else {
		line.Add("the add-on crashed");
	}
	line.Add(" (signal ");
	line.Add(long(signal));
	line.Add(")\n");
	line.Write();
	::_exit(1);
}

void Watch(std::chrono::seconds patience) {
	for (;;) {
		// A call is given up within a second of its time.
		std::this_thread::sleep_for(std::chrono::seconds(1));
		const char* call = gCall.load();
		if (!call || NowNs() - gSinceNs.load() < std::chrono::nanoseconds(patience).count()) continue;
		Line line;
		line.Add(gPrefix, gPrefixLength);
		line.Add("the add-on did not return from ");
		line.Add(call);
		line.Add(" within ");
		line.Add(long(patience.count()));
		line.Add(" seconds; its settings are not saved\n");
		line.Write();
		::_exit(1);
	}
}

} // namespace

void CallWatch::Start(const std::string& addonPath, std::chrono::seconds patience) {
	const std::string prefix = std::string(ReportName()) + ": " + addonPath + ": ";
	gPrefixLength = std::min(prefix.size(), sizeof gPrefix);
	std::memcpy(gPrefix, prefix.data(), gPrefixLength);
	gMainThread = static_cast<pid_t>(::syscall(SYS_gettid));
	struct sigaction action {};
	action.sa_sigaction = OnCrash;
	action.sa_flags = SA_SIGINFO;
	sigemptyset(&action.sa_mask);
	for (const int signal : kCrashSignals)
		sigaction(signal, &action, nullptr);
	std::thread(Watch, patience).detach();
}

CallWatch::Scope::Scope(const char* call) {
	gSinceNs.store(NowNs());
	gCall.store(call);
}

CallWatch::Scope::~Scope() { gCall.store(nullptr); }
