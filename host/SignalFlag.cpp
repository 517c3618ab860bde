#include "host/SignalFlag.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <thread>
#include <vector>

namespace {

// Lock-free, so that the handler may set it and any thread read it.
std::atomic<int> gSignal{0};
std::atomic<int> gCount{0};
static_assert(std::atomic<int>::is_always_lock_free);

// The handler tells the thread that requests the stop through this pipe,
// write() being safe in a handler; -1 before CatchEnding().
int gWakeRead = -1;
int gWakeWrite = -1;

void OnSignal(int signal) {
	gCount.fetch_add(1);
	int none = 0;
	if (!gSignal.compare_exchange_strong(none, signal) || gWakeWrite < 0) return;
	const int saved = errno;
	[[maybe_unused]] const ssize_t written = ::write(gWakeWrite, "", 1);
	errno = saved;
}

} // namespace

void SignalFlag::CatchEnding(Restart restart) {
	std::vector<int> signals = {SIGHUP,    SIGINT,  SIGQUIT, SIGTERM, SIGUSR1,   SIGUSR2, SIGALRM,
	                            SIGVTALRM, SIGPROF, SIGIO,   SIGPWR,  SIGSTKFLT, SIGXCPU};
	for (int signal = SIGRTMIN; signal <= SIGRTMAX; signal++)
		signals.push_back(signal);
	int wake[2];
	if (gWakeWrite < 0 && ::pipe2(wake, O_CLOEXEC) == 0) {
		::fcntl(wake[1], F_SETFL, O_NONBLOCK);
		gWakeRead = wake[0];
		gWakeWrite = wake[1];
	}
	struct sigaction action {};
	action.sa_handler = OnSignal;
	sigemptyset(&action.sa_mask);
	action.sa_flags = restart == Restart::Yes ? SA_RESTART : 0;
	for (const int signal : signals) {
		struct sigaction before {};
		if (sigaction(signal, nullptr, &before) != 0) continue;
		const bool handled = (before.sa_flags & SA_SIGINFO) != 0 ||
		                     (before.sa_handler != SIG_DFL && before.sa_handler != SIG_IGN);
		if (!handled) sigaction(signal, &action, nullptr);
	}
}

int SignalFlag::Signal() { return gSignal.load(); }

int SignalFlag::Count() { return gCount.load(); }

std::stop_token SignalFlag::StopToken() {
	// Never freed, as the thread may still wait while the process exits.
	static std::stop_source* const source = [] {
		auto* made = new std::stop_source;
		if (gWakeRead >= 0)
			std::thread([made] {
				char byte;
				while (::read(gWakeRead, &byte, 1) < 0 && errno == EINTR) {
				}
				made->request_stop();
			}).detach();
		return made;
	}();
	return source->get_token();
}

std::string SignalFlag::Name() {
	const int signal = Signal();
	if (signal == 0) return "";
	if (const char* name = sigabbrev_np(signal)) return std::string("SIG") + name;
	if (signal >= SIGRTMIN && signal <= SIGRTMAX) return "SIGRTMIN+" + std::to_string(signal - SIGRTMIN);
	return "signal " + std::to_string(signal);
}
