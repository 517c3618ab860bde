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
	sigaction(SIGXFSZ, &caught, &savedAction_);
	if (getrlimit(RLIMIT_FSIZE, &savedLimit_) != 0) return;
	const rlimit full{0, savedLimit_.rlim_max};
	full_ = setrlimit(RLIMIT_FSIZE, &full) == 0;
}

FullDisk::~FullDisk() {
	if (full_) setrlimit(RLIMIT_FSIZE, &savedLimit_);
	sigaction(SIGXFSZ, &savedAction_, nullptr);
}

bool FullDisk::WriteRefused() const { return gRefused.load(); }
