#include "input/Terminal.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

Terminal::Terminal(std::stop_token stop)
    : stop_(std::move(stop)), tty_(::open("/dev/tty", O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC)),
      progress_(isatty(STDOUT_FILENO)) {
	FollowForeground();
}

Terminal::~Terminal() { Release(); }

void Terminal::Release() {
	EndLine();
	if (raw_ && InForeground(tty_)) tcsetattr(tty_, TCSANOW, &saved_);
	raw_ = false;
	if (tty_ >= 0) ::close(tty_);
	tty_ = -1;
}

bool Terminal::InForeground(int fd) {
	const pid_t group = tcgetpgrp(fd);
	return group < 0 ? errno == ENOTTY : group == getpgrp();
}

void Terminal::FollowForeground() {
	if (tty_ < 0) return;
	if (!InForeground(tty_)) {
		raw_ = false;
		return;
	}
	if (raw_ || tcgetattr(tty_, &saved_) != 0) return;
	termios mode = saved_;
	mode.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);
	mode.c_cc[VMIN] = 0;
	mode.c_cc[VTIME] = 0;
	raw_ = tcsetattr(tty_, TCSANOW, &mode) == 0;
}

int Terminal::Columns() const {
	winsize size{};
	if (ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
	return 80;
}

std::vector<PlayerKey> Terminal::Keys() {
	std::vector<PlayerKey> keys;
	FollowForeground();
	char bytes[64];
	ssize_t count = 0;
	if (raw_ && (count = ::read(tty_, bytes, sizeof bytes)) > 0)
		keys = KeyDecoder::Decode(std::string_view(bytes, static_cast<size_t>(count)));
	if (stop_.stop_requested()) keys.push_back(PlayerKey::Quit);
	return keys;
}

void Terminal::Progress(const std::string& line, bool force) {
	if (!progress_) return;
	const auto now = std::chrono::steady_clock::now();
	if (!force && now - lastShown_ < std::chrono::milliseconds(100)) return;
	lastShown_ = now;
	if (!InForeground(STDOUT_FILENO)) return;
	std::fprintf(stdout, "\r%s\x1b[K", line.c_str());
	std::fflush(stdout);
	lineOpen_ = true;
}

void Terminal::EndLine() {
	if (!lineOpen_) return;
	lineOpen_ = false;
	if (!InForeground(STDOUT_FILENO)) return;
	std::fputc('\n', stdout);
	std::fflush(stdout);
}
