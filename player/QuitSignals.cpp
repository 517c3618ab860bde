#include "QuitSignals.h"

#include <atomic>
#include <csignal>

namespace {

// Lock-free, so that the handler may set it and any thread read it.
std::atomic<int> gSignal{0};
static_assert(std::atomic<int>::is_always_lock_free);

void OnSignal(int signal) { gSignal.store(signal); }

} // namespace

void QuitSignals::Install() {
	struct sigaction action {};
	action.sa_handler = OnSignal;
	sigemptyset(&action.sa_mask);
	// Restarted rather than failed with EINTR: the libraries' reads and writes
	// need not expect it. The player's own waits look at the flag instead.
	action.sa_flags = SA_RESTART;
	for (const int signal : {SIGHUP, SIGINT, SIGTERM})
		sigaction(signal, &action, nullptr);
	std::signal(SIGPIPE, SIG_IGN);
	std::signal(SIGXFSZ, SIG_IGN);
}

bool QuitSignals::Received() { return gSignal.load() != 0; }
