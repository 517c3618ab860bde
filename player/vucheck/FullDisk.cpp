#include "FullDisk.h"

#include <atomic>

namespace {

std::atomic<bool> gRefused{false};
static_assert(std::atomic<bool>::is_always_lock_free, "set from a signal handler");

void NoteRefusedWrite(int) { gRefused.store(true); }

} // namespace

FullDisk::FullDisk() {
	gRefused = false;
	struct sigaction caught {};
	caught.sa_handler = NoteRefusedWrite;
	sigemptyset(&caught.sa_mask);
	sigaction(SIGXFSZ, &caught, &fSavedAction);
	if (getrlimit(RLIMIT_FSIZE, &fSavedLimit) != 0) return;
	const rlimit full{0, fSavedLimit.rlim_max};
	fFull = setrlimit(RLIMIT_FSIZE, &full) == 0;
}

FullDisk::~FullDisk() {
	if (fFull) setrlimit(RLIMIT_FSIZE, &fSavedLimit);
	sigaction(SIGXFSZ, &fSavedAction, nullptr);
}

bool FullDisk::WriteRefused() const { return gRefused.load(); }
