#include "QuitSignals.h"

#include <csignal>

namespace {

volatile std::sig_atomic_t gReceived = 0;

void OnSignal(int) { gReceived = 1; }

} // namespace

void QuitSignals::Install() {
	struct sigaction action {};
	action.sa_handler = OnSignal;
	sigemptyset(&action.sa_mask);
	// Restarted rather than failed with EINTR: the libraries' reads and writes need not expect it.
	action.sa_flags = SA_RESTART;
	sigaction(SIGINT, &action, nullptr);
	sigaction(SIGTERM, &action, nullptr);
}

bool QuitSignals::Received() { return gReceived != 0; }
