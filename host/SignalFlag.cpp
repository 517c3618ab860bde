#include "host/SignalFlag.h"

#include <atomic>
#include <csignal>
#include <cstring>

namespace {

// Lock-free, so that the handler may set it and any thread read it.
std::atomic<int> gSignal{0};
static_assert(std::atomic<int>::is_always_lock_free);

void OnSignal(int signal) {
	int none = 0;
	gSignal.compare_exchange_strong(none, signal);
}

} // namespace

void SignalFlag::Catch(std::initializer_list<int> signals, Restart restart) {
	struct sigaction action {};
	action.sa_handler = OnSignal;
	sigemptyset(&action.sa_mask);
	action.sa_flags = restart == Restart::Yes ? SA_RESTART : 0;
	for (const int signal : signals)
		sigaction(signal, &action, nullptr);
}

int SignalFlag::Signal() { return gSignal.load(); }

std::string SignalFlag::Name() {
	const char* name = Signal() != 0 ? sigabbrev_np(Signal()) : nullptr;
	return name ? std::string("SIG") + name : "";
}
