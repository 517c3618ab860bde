// A program started in the background by a test, and waiting for states.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

using Clock = std::chrono::steady_clock;

// Polls `state` every few milliseconds until it holds or `limit` has passed.
template <typename State> bool WaitUntil(State state, Clock::duration limit) {
	const auto deadline = Clock::now() + limit;
	while (!state()) {
		if (Clock::now() > deadline) return false;
		std::this_thread::sleep_for(std::chrono::milliseconds(5));
	}
	return true;
}

// `program` started in the background with `args`, standard input empty,
// standard output to `out` and standard error to the file `err`; killed if
// still running at the end. It runs in a session of its own, without the
// terminal the tests may run on, which the player would take keys from.
class Child {
public:
	Child(const std::string& program, std::vector<std::string> args, int out, const std::string& err) {
		args.insert(args.begin(), program);
		std::vector<char*> argv;
		for (std::string& arg : args)
			argv.push_back(arg.data());
		argv.push_back(nullptr);
		pid_ = fork();
		if (pid_ != 0) return;
		setsid();
		const int in = open("/dev/null", O_RDONLY);
		const int error = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
		if (in < 0 || error < 0 || dup2(in, 0) < 0 || dup2(out, 1) < 0 || dup2(error, 2) < 0) _exit(99);
		execv(argv[0], argv.data());
		_exit(98);
	}
	~Child() {
		if (pid_ <= 0) return;
		kill(pid_, SIGKILL);
		waitpid(pid_, nullptr, 0);
	}
	Child(const Child&) = delete;
	Child& operator=(const Child&) = delete;

	pid_t Pid() const { return pid_; }

	// The exit status once it has ended (-1: a signal ended it); nothing while it runs past `limit`.
	std::optional<int> Wait(Clock::duration limit) {
		int raw = 0;
		if (!WaitUntil([&] { return waitpid(pid_, &raw, WNOHANG) == pid_; }, limit)) return std::nullopt;
		pid_ = 0;
		return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
	}

private:
	pid_t pid_ = 0;
};
