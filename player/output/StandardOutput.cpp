#include "output/StandardOutput.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

#include "host/Report.h"

namespace {

// Says once that standard output failed, with `error` (an errno) when known.
bool Failed(int error) {
	static bool told = false;
	if (!told)
		Report(std::string("standard output: cannot write") + (error ? ": " : "") +
		       (error ? std::strerror(error) : ""));
	told = true;
	return false;
}

} // namespace

bool StdoutWritable() {
	errno = 0;
	if (std::fflush(stdout) == 0 && !std::ferror(stdout)) return true;
	return Failed(errno);
}

bool PrintWhole(const std::string& text) {
	errno = 0;
	if (std::fwrite(text.data(), 1, text.size(), stdout) == text.size() && std::fflush(stdout) == 0)
		return true;
	return Failed(errno);
}

Expected<int> ReserveStandardOutputForRecording() {
	std::fflush(stdout);
	const int saved = ::fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 3);
	if (saved < 0 || ::dup2(STDERR_FILENO, STDOUT_FILENO) < 0) {
		const int error = errno;
		if (saved >= 0) ::close(saved);
		return Failure{std::string("standard output: cannot keep it for the recording: ") +
		               std::strerror(error)};
	}
	return saved;
}
