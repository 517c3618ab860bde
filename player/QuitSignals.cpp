#include "QuitSignals.h"

#include <csignal>

void QuitSignals::Install() {
	// The player's own waits look at the flag; the libraries' calls go on.
	SignalFlag::CatchEnding(SignalFlag::Restart::Yes);
	std::signal(SIGPIPE, SIG_IGN);
	std::signal(SIGXFSZ, SIG_IGN);
}
