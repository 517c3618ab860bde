#include "audio/helpers/QuietStderr.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>

namespace {

int gDepth = 0; // silencers alive on the player thread

} // namespace

QuietStderr::QuietStderr() {
	if (gDepth++ > 0) return;
	std::fflush(stderr);
	const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
	if (null < 0) return;
	saved_ = ::fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 3);
	if (saved_ >= 0 && ::dup2(null, STDERR_FILENO) < 0) {
		::close(saved_);
		saved_ = -1;
	}
	::close(null);
}

QuietStderr::~QuietStderr() {
	gDepth--;
	if (saved_ < 0) return;
	std::fflush(stderr);
	::dup2(saved_, STDERR_FILENO);
	::close(saved_);
}
