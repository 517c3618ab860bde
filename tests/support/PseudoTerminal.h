// A program run on a pseudo-terminal of its own, as in a terminal window: the
// terminal is its controlling one, the test types into it and reads what the
// program writes there.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <optional>
#include <string>
#include <thread>
#include <vector>

class PseudoTerminal {
public:
	using Clock = std::chrono::steady_clock;

	// Starts `args` (a path) in a session of its own, its standard output and
	// error on the terminal, its standard input from `in`, or from the
	// terminal when -1. The child's is a copy of `in`.
	explicit PseudoTerminal(std::vector<std::string> args, int in = -1) {
		master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
		if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) std::abort();
		const std::string slave = ptsname(master_);
		std::vector<char*> argv;
		for (std::string& arg : args)
			argv.push_back(arg.data());
		argv.push_back(nullptr);
		pid_ = fork();
		if (pid_ != 0) {
			fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
			return;
		}
		// A session leader's first terminal becomes its controlling one; its
		// process group is then the terminal's foreground group.
		setsid();
		const int tty = open(slave.c_str(), O_RDWR);
		if (tty < 0 || ioctl(tty, TIOCSCTTY, 0) != 0) _exit(97);
		if (dup2(in >= 0 ? in : tty, 0) < 0 || dup2(tty, 1) < 0 || dup2(tty, 2) < 0) _exit(99);
		execv(argv[0], argv.data());
		_exit(98);
	}
	~PseudoTerminal() {
		if (pid_ > 0) {
			kill(pid_, SIGKILL);
			waitpid(pid_, nullptr, 0);
		}
		close(master_);
	}
	PseudoTerminal(const PseudoTerminal&) = delete;
	PseudoTerminal& operator=(const PseudoTerminal&) = delete;

	pid_t Pid() const { return pid_; }

	void Type(const std::string& text) {
		if (write(master_, text.data(), text.size()) != static_cast<ssize_t>(text.size())) std::abort();
	}
	// Everything written to the terminal so far.
	const std::string& Output() {
		char buffer[4096];
		for (ssize_t count; (count = read(master_, buffer, sizeof buffer)) > 0;)
			output_.append(buffer, static_cast<size_t>(count));
		return output_;
	}
	// Whether `text` is written within `limit`.
	bool WaitFor(const std::string& text, Clock::duration limit) {
		const auto deadline = Clock::now() + limit;
		while (Output().find(text) == std::string::npos) {
			if (Clock::now() > deadline) return false;
			std::this_thread::sleep_for(std::chrono::milliseconds(5));
		}
		return true;
	}
	// The exit status once the program has ended (-1: a signal ended it);
	// nothing while it runs past `limit`.
	std::optional<int> Wait(Clock::duration limit) {
		const auto deadline = Clock::now() + limit;
		int raw = 0;
		while (waitpid(pid_, &raw, WNOHANG) != pid_) {
			Output(); // a terminal that nobody reads would hold the program's writes
			if (Clock::now() > deadline) return std::nullopt;
			std::this_thread::sleep_for(std::chrono::milliseconds(5));
		}
		pid_ = 0;
		return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
	}

private:
	int master_ = -1;
	pid_t pid_ = 0;
	std::string output_;
};
