#include "input/Terminal.h"

#include <cstdio>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include "QuitSignals.h"

struct Terminal::Saved {
	termios mode;
};

Terminal::Terminal() {
	progress_ = isatty(STDOUT_FILENO);
	termios mode{};
	if (!isatty(STDIN_FILENO) || tcgetattr(STDIN_FILENO, &mode) != 0) return;
	saved_ = new Saved{mode};
	mode.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);
	mode.c_cc[VMIN] = 0;
	mode.c_cc[VTIME] = 0;
	raw_ = tcsetattr(STDIN_FILENO, TCSANOW, &mode) == 0;
}

Terminal::~Terminal() {
	EndLine();
	if (saved_) tcsetattr(STDIN_FILENO, TCSANOW, &saved_->mode);
	delete saved_;
}

int Terminal::Columns() const {
	winsize size{};
	if (ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
	return 80;
}

std::vector<PlayerKey> Terminal::Keys() {
	std::vector<PlayerKey> keys;
	if (raw_) {
		pollfd input{STDIN_FILENO, POLLIN, 0};
		char bytes[64];
		ssize_t count = 0;
		if (poll(&input, 1, 0) > 0 && (count = read(STDIN_FILENO, bytes, sizeof bytes)) > 0)
			keys = KeyDecoder::Decode(std::string_view(bytes, static_cast<size_t>(count)));
	}
	if (QuitSignals::Received()) keys.push_back(PlayerKey::Quit);
	return keys;
}

void Terminal::Progress(const std::string& line, bool force) {
	if (!progress_) return;
	const auto now = std::chrono::steady_clock::now();
	if (!force && now - lastShown_ < std::chrono::milliseconds(100)) return;
	lastShown_ = now;
	std::fprintf(stdout, "\r%s\x1b[K", line.c_str());
	std::fflush(stdout);
	lineOpen_ = true;
}

void Terminal::EndLine() {
	if (!lineOpen_) return;
	std::fputc('\n', stdout);
	std::fflush(stdout);
	lineOpen_ = false;
}
