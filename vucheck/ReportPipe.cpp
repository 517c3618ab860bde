#include "ReportPipe.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <random>
#include <string>

#include "host/AddonCallObserver.h"
#include "host/AddonWatch.h"

namespace {

std::atomic<int> gFd{STDOUT_FILENO};

// Where the report descriptor is moved to: above those a process opens early.
constexpr int kLowestNumber = 100;
constexpr rlim_t kHighestNumber = 1024;

// Whole lines shorter than the pipe's atomic size go out in one piece; a
// write cut short by a signal is finished.
void WriteLine(std::string_view kind, std::string_view text) {
	iovec parts[] = {{const_cast<char*>(kind.data()), kind.size()},
	                 {const_cast<char*>(": "), 2},
	                 {const_cast<char*>(text.data()), text.size()},
	                 {const_cast<char*>("\n"), 1}};
	iovec* next = parts;
	int left = int(std::size(parts));
	while (left > 0) {
		ssize_t written = writev(gFd.load(std::memory_order_relaxed), next, left);
		if (written < 0) {
			if (errno == EINTR) continue;
			return;
		}
		for (; left > 0 && size_t(written) >= next->iov_len; ++next, --left)
			written -= ssize_t(next->iov_len);
		if (left > 0) {
			next->iov_base = static_cast<char*>(next->iov_base) + written;
			next->iov_len -= size_t(written);
		}
	}
}

class CallLines final : public AddonCallObserver {
public:
	void Began(const AddonCall& call) override { WriteLine("enter", call.Name()); }
	void Ended(const AddonCall& call) override { WriteLine("leave", call.Name()); }
};

} // namespace

void ReportPipe::Use(int fd) {
	// A number picked at random rather than the one the command line names,
	// which /proc/self/cmdline shows to the add-on; that one is closed.
	rlimit limit{};
	const rlim_t highest =
	    getrlimit(RLIMIT_NOFILE, &limit) == 0 ? std::min<rlim_t>(limit.rlim_cur, kHighestNumber) : 0;
	if (highest > kLowestNumber + 1) {
		std::uniform_int_distribution<int> pick(kLowestNumber, int(highest) - 1);
		std::random_device random;
		const int moved = fcntl(fd, F_DUPFD_CLOEXEC, pick(random));
		if (moved >= 0) {
			close(fd);
			fd = moved;
		}
	}
	fcntl(fd, F_SETFD, FD_CLOEXEC);
	gFd = fd;
}

void ReportPipe::Send(std::string_view kind, std::string_view text) {
	std::string line(text);
	for (char& c : line)
		if (c == '\n') c = ' ';
	WriteLine(kind, line);
}

void ReportPipe::Finish(CheckOutcome outcome) { WriteLine("done", OutcomeWord(outcome)); }

void ReportPipe::WatchCalls() {
	// Never destroyed: an add-on that ends the process runs the exit's
	// destructors while other threads may still pass the gate.
	static auto* const lines = new CallLines;
	AddonWatch::Add(lines);
}

const char* ReportPipe::OutcomeWord(CheckOutcome outcome) {
	switch (outcome) {
	case CheckOutcome::Pass:
		return "pass";
	case CheckOutcome::Warning:
		return "warning";
	case CheckOutcome::Fail:
		return "fail";
	}
	return "fail";
}

std::optional<CheckOutcome> ReportPipe::OutcomeOfWord(std::string_view word) {
	for (const CheckOutcome outcome : {CheckOutcome::Pass, CheckOutcome::Warning, CheckOutcome::Fail})
		if (word == OutcomeWord(outcome)) return outcome;
	return std::nullopt;
}
