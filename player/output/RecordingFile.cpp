#include "output/RecordingFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>

#include "audio/helpers/InterruptibleIo.h"

namespace {

constexpr int kAttempts = 100;

std::string RandomName() {
	static constexpr char kCharacters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
	thread_local std::mt19937 random{std::random_device{}()};
	std::uniform_int_distribution<size_t> pick(0, sizeof kCharacters - 2);
	std::string name(6, ' ');
	for (char& character : name)
		character = kCharacters[pick(random)];
	return name;
}

std::string Reason(int error) { return std::strerror(error); }

} // namespace

RecordingFile::~RecordingFile() { Discard(); }

Expected<void> RecordingFile::Open(const std::string& path, std::stop_token stop) {
	Discard();
	path_ = path;
	if (path == "-") return OpenStandardOutput();
	if (std::string why = Protected(path); !why.empty()) return Failure{std::move(why)};
	struct stat status;
	if (::stat(path.c_str(), &status) != 0 || S_ISREG(status.st_mode)) return OpenBeside();
	if (S_ISDIR(status.st_mode)) return Failure{path + ": " + Reason(EISDIR)};
	file_ = InterruptibleIo::OpenForWriting(path, "wb", std::move(stop));
	if (!file_)
		return Failure{path + ": " +
		               (errno == EINTR ? "interrupted while waiting for a reader" : Reason(errno))};
	// A pipe's reader takes a frame in one go instead of 64 KiB at a time;
	// anything else ignores the request.
	::fcntl(::fileno(file_), F_SETPIPE_SZ, 1 << 20);
	return {};
}

std::string RecordingFile::Protected(const std::string& path) {
	struct stat status;
	if (path == "-" || ::stat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) return {};
	// The superuser may write anything, but a file that nobody may write was
	// protected on purpose.
	if (::access(path.c_str(), W_OK) == 0 && (status.st_mode & 0222) != 0) return {};
	char mode[8];
	std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(status.st_mode & 07777));
	return path + ": cannot replace it: it is write-protected (mode " + mode + ")";
}

Expected<void> RecordingFile::OpenStandardOutput() {
	const int fd = standardOutput_ < 0 ? -1 : ::fcntl(standardOutput_, F_DUPFD_CLOEXEC, 3);
	if (fd >= 0 && (file_ = ::fdopen(fd, "wb"))) {
		::fcntl(fd, F_SETPIPE_SZ, 1 << 20);
		return {};
	}
	Failure failure{"standard output: " +
	                (standardOutput_ < 0 ? std::string("not kept for the recording") : Reason(errno))};
	if (fd >= 0) ::close(fd);
	return failure;
}

Expected<void> RecordingFile::OpenBeside() {
	// O_EXCL with names of our own rather than mkstemp, so that the file
	// gets the mode any new file gets (0666 less the umask), not 0600.
	int error = EEXIST;
	for (int attempt = 0; attempt < kAttempts && error == EEXIST; attempt++) {
		const std::string name = path_ + "-" + RandomName() + ".part";
		const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
		error = errno;
		if (fd < 0) continue;
		file_ = ::fdopen(fd, "wb");
		if (file_) {
			temporary_ = name;
			return {};
		}
		error = errno;
		::close(fd);
		::unlink(name.c_str());
	}
	const std::string folder = std::filesystem::path(path_).parent_path().string();
	return Failure{(folder.empty() ? "." : folder) + ": cannot create a file in it: " + Reason(error)};
}

Expected<void> RecordingFile::Commit() {
	if (!file_) return Failure{path_ + ": not open"};
	const bool flushed = std::fflush(file_) == 0;
	const int flushError = errno;
	const bool closed = std::fclose(file_) == 0;
	file_ = nullptr;
	if (!flushed || !closed) {
		Failure failure{path_ + ": cannot write: " + Reason(flushed ? errno : flushError)};
		Discard();
		return failure;
	}
	if (temporary_.empty()) return {};
	if (std::rename(temporary_.c_str(), path_.c_str()) != 0) {
		Failure failure{path_ + ": cannot replace it: " + Reason(errno)};
		Discard();
		return failure;
	}
	temporary_.clear();
	return {};
}

void RecordingFile::Discard() {
	if (file_) std::fclose(file_);
	file_ = nullptr;
	if (!temporary_.empty()) ::unlink(temporary_.c_str());
	temporary_.clear();
}

Failure RecordingFile::Fail(const std::string& what) {
	const int error = errno;
	Discard();
	return Failure{path_ + ": " + what + ": " + Reason(error)};
}
