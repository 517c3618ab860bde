#include "host/SignalFlag.h"

#include <atomic>
#include <csignal>
#include <cstring>
#include <vector>

namespace {

// Lock-free, so that the handler may set it and any thread read it.
std::atomic<int> gSignal{0};
static_assert(std::atomic<int>::is_always_lock_free);

void OnSignal(int signal) {
	int none = 0;
	gSignal.compare_exchange_strong(none, signal);
}

} // namespace

void SignalFlag::CatchEnding(Restart restart) {
	std::vector<int> signals = {SIGHUP,    SIGINT,  SIGQUIT, SIGTERM, SIGUSR1,   SIGUSR2, SIGALRM,
	                            SIGVTALRM, SIGPROF, SIGIO,   SIGPWR,  SIGSTKFLT, SIGXCPU};
	for (int signal = SIGRTMIN; signal <= SIGRTMAX; signal++)
		signals.push_back(signal);
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

std::string SignalFlag::Name() {
	const int signal = Signal();
	if (signal == 0) return "";
	if (const char* name = sigabbrev_np(signal)) return std::string("SIG") + name;
	if (signal >= SIGRTMIN && signal <= SIGRTMAX) return "SIGRTMIN+" + std::to_string(signal - SIGRTMIN);
	return "signal " + std::to_string(signal);
}
