#include "MeterProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/eventfd.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

extern char** environ;

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using meter_protocol::FromMeter;
using meter_protocol::ToMeter;

// The meter process's socket, as it finds it.
constexpr int kChildChannel = 3;
// Starting takes loading the add-on and opening its window; a sanitizer build is slow.
constexpr auto kStartPatience = 30s;
// A well process says it is alive every second.
constexpr auto kAnswerPatience = 10s;

std::string Describe(int status) {
	if (WIFEXITED(status))
		return "the meter process ended with status " + std::to_string(WEXITSTATUS(status));
	if (WIFSIGNALED(status))
		return "the meter process was ended by signal " + std::to_string(WTERMSIG(status)) + " (" +
		       strsignal(WTERMSIG(status)) + ")";
	return "the meter process ended";
}

bool IsReport(const std::string& line) {
	const std::string prefix = std::string(meter_protocol::kReportName) + ": ";
	return line.compare(0, prefix.size(), prefix) == 0;
}

} // namespace

MeterProcess::MeterProcess(std::string name, pid_t pid, MeterChannel channel, int errors)
    : name_(std::move(name)), pid_(pid), channel_(std::move(channel)), errors_(errors),
      stopRelay_(::eventfd(0, EFD_CLOEXEC)), lastHeard_(Clock::now()) {
	relay_ = std::thread([this] { Relay(); });
}

Expected<std::unique_ptr<MeterProcess>> MeterProcess::Start(const Launch& launch) {
	const auto fail = [&](const std::string& why) {
		const std::string line = launch.name + ": " + why;
		std::fprintf(stderr, "%s: %s\n", meter_protocol::kReportName, line.c_str());
		return Failure{line};
	};
	auto channels = MeterChannel::Pair();
	if (!channels) return fail(channels.Error());
	int errors[2];
	if (::pipe2(errors, O_CLOEXEC) != 0)
		return fail(std::string("cannot make a pipe: ") + std::strerror(errno));

	posix_spawn_file_actions_t actions;
	posix_spawn_file_actions_init(&actions);
	posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
	posix_spawn_file_actions_adddup2(&actions, errors[1], STDOUT_FILENO);
	posix_spawn_file_actions_adddup2(&actions, errors[1], STDERR_FILENO);
	posix_spawn_file_actions_adddup2(&actions, channels->second.Fd(), kChildChannel);
	std::vector<std::string> words = {launch.program};
	words.insert(words.end(), launch.arguments.begin(), launch.arguments.end());
	std::vector<char*> argv;
	for (std::string& word : words)
		argv.push_back(word.data());
	argv.push_back(nullptr);
	// A group of its own: the signals a terminal sends the player (Ctrl+C) are
	// the player's to answer; the process ends when the player ends it.
	posix_spawnattr_t attributes;
	posix_spawnattr_init(&attributes);
	posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
	posix_spawnattr_setpgroup(&attributes, 0);
	pid_t pid = -1;
	const int spawned =
	    ::posix_spawn(&pid, launch.program.c_str(), &actions, &attributes, argv.data(), environ);
	posix_spawnattr_destroy(&attributes);
	posix_spawn_file_actions_destroy(&actions);
	::close(errors[1]);
	channels->second = MeterChannel();
	if (spawned != 0) {
		::close(errors[0]);
		return fail(launch.program + ": cannot start: " + std::strerror(spawned));
	}
	std::unique_ptr<MeterProcess> meter(
	    new MeterProcess(launch.name, pid, std::move(channels->first), errors[0]));

	const auto deadline = Clock::now() + kStartPatience;
	for (const std::string& input : launch.inputs)
		if (input.size() < meter_protocol::kMostBytes - 1)
			meter->channel_.SendBy(deadline, uint8_t(ToMeter::Input), input.data(), input.size());
	const meter_protocol::Begin begin{meter_protocol::kProtocolVersion};
	meter->channel_.SendBy(deadline, uint8_t(ToMeter::Begin), &begin, sizeof begin);
	for (;;) {
		MeterChannel::Message message;
		const auto received = meter->channel_.ReceiveBy(deadline, message);
		if (received == MeterChannel::Received::Message) {
			if (message.type == uint8_t(FromMeter::Started)) {
				meter->lastHeard_ = Clock::now();
				return meter;
			}
			if (message.type == uint8_t(FromMeter::Failed)) {
				meter->stopped_ = true;
				meter->Reap(Clock::now() + 5s, false);
				return Failure{message.payload};
			}
			continue;
		}
		meter->stopped_ = true;
		if (received == MeterChannel::Received::Nothing) meter->Kill();
		std::optional<std::string> failure = meter->Reap(Clock::now() + 5s, false);
		if (received == MeterChannel::Received::Nothing)
			failure = "the meter process did not start within " +
			          std::to_string(std::chrono::seconds(kStartPatience).count()) + " seconds";
		std::vector<std::string> reports = meter->TakeReports();
		return Failure{meter->Explain(failure.value_or("the meter process ended"), reports)};
	}
}

MeterProcess::~MeterProcess() {
	End();
	if (stopRelay_ >= 0) ::close(stopRelay_);
}

void MeterProcess::SendBlock(int64_t frame, int rate, const int16_t* samples) {
	offered_++;
	meter_protocol::Block block;
	block.frame = frame;
	block.rate = static_cast<uint32_t>(rate);
	std::memcpy(block.samples, samples, sizeof block.samples);
	if (channel_.Send(uint8_t(ToMeter::Block), &block, sizeof block) == MeterChannel::Sent::Done) sent_++;
}

void MeterProcess::SendClock(const meter_protocol::Clock& clock) {
	channel_.Send(uint8_t(ToMeter::Clock), &clock, sizeof clock);
}

void MeterProcess::SendDrop() { channel_.Send(uint8_t(ToMeter::Drop)); }

void MeterProcess::SendRest() { channel_.Send(uint8_t(ToMeter::Rest)); }

void MeterProcess::Prefs() { channel_.Send(uint8_t(ToMeter::Prefs)); }

void MeterProcess::About() { channel_.Send(uint8_t(ToMeter::About)); }

std::vector<MeterProcess::Event> MeterProcess::TakeEvents() {
	std::vector<Event> events;
	if (stopped_) return events;
	MeterChannel::Message message;
	MeterChannel::Received received;
	while ((received = channel_.Receive(message)) == MeterChannel::Received::Message) {
		lastHeard_ = Clock::now();
		switch (static_cast<FromMeter>(message.type)) {
		case FromMeter::Key:
			if (message.payload.size() == 1)
				events.push_back({Event::Kind::Key, static_cast<meter_protocol::Key>(message.payload[0])});
			break;
		case FromMeter::Closed:
			closed_ = true;
			events.push_back({Event::Kind::Closed});
			break;
		case FromMeter::Log:
			events.push_back({Event::Kind::Log, {}, message.payload});
			break;
		case FromMeter::Timing:
			KeepTiming(message);
			break;
		default:
			break;
		}
	}
	std::optional<std::string> failure;
	if (received == MeterChannel::Received::Gone) {
		failure = Reap(Clock::now() + 5s, closed_);
		stopped_ = true;
	} else if (Clock::now() - lastHeard_ > kAnswerPatience) {
		Kill();
		Reap(Clock::now() + 5s, false);
		failure = "the meter process did not answer for " +
		          std::to_string(std::chrono::seconds(kAnswerPatience).count()) + " seconds and was ended";
		stopped_ = true;
	}
	std::vector<std::string> reports = TakeReports();
	std::string why;
	if (failure) why = Explain(*failure, reports);
	for (const std::string& report : reports)
		events.push_back({Event::Kind::Report, {}, report});
	if (stopped_) events.push_back({Event::Kind::Stopped, {}, why});
	return events;
}

MeterProcess::Ending MeterProcess::End(std::chrono::milliseconds patience) {
	if (stopped_) return std::exchange(ending_, {});
	stopped_ = true;
	const auto deadline = Clock::now() + patience;
	channel_.EndSending();
	MeterChannel::Message message;
	while (channel_.ReceiveBy(deadline, message) == MeterChannel::Received::Message)
		if (message.type == uint8_t(FromMeter::Timing)) KeepTiming(message);
	Ending ending = std::exchange(ending_, {});
	const std::optional<std::string> failure = Reap(deadline, true);
	ending.reports = TakeReports();
	if (failure) ending.failure = Explain(*failure, ending.reports);
	return ending;
}

void MeterProcess::KeepTiming(const MeterChannel::Message& message) {
	if (message.payload.size() != sizeof ending_.timing) return;
	std::memcpy(&ending_.timing, message.payload.data(), sizeof ending_.timing);
	ending_.timed = true;
}

std::string MeterProcess::Explain(const std::string& failure, std::vector<std::string>& reports) const {
	// A line the process wrote about its end says it best; it is out already.
	if (!reports.empty()) {
		std::string why = std::move(reports.back());
		reports.pop_back();
		return why;
	}
	const std::string why = name_ + ": " + failure;
	std::fprintf(stderr, "%s: %s\n", meter_protocol::kReportName, why.c_str());
	return why;
}

std::optional<std::string> MeterProcess::Reap(Clock::time_point deadline, bool closed) {
	std::optional<std::string> failure;
	if (pid_ > 0) {
		int status = 0;
		pid_t reaped;
		while ((reaped = ::waitpid(pid_, &status, WNOHANG)) == 0 && Clock::now() < deadline)
			std::this_thread::sleep_for(2ms);
		if (reaped == 0) {
			Kill();
			::waitpid(pid_, &status, 0);
			failure = "the meter process did not end in time and was killed";
		} else if (reaped == pid_ && !(WIFEXITED(status) && WEXITSTATUS(status) == 0)) {
			failure = Describe(status);
		} else if (reaped == pid_ && !closed) {
			failure = "the meter process ended";
		}
		pid_ = -1;
	}
	const uint64_t one = 1;
	(void)!::write(stopRelay_, &one, sizeof one);
	if (relay_.joinable()) relay_.join();
	if (errors_ >= 0) ::close(errors_);
	errors_ = -1;
	return failure;
}

void MeterProcess::Kill() {
	if (pid_ > 0) ::kill(pid_, SIGKILL);
}

void MeterProcess::Relay() {
	std::string pending;
	char buffer[4096];
	for (;;) {
		// What the process wrote comes first; the stop only ends a pipe that
		// something the process started keeps open.
		pollfd entries[] = {{errors_, POLLIN, 0}, {stopRelay_, POLLIN, 0}};
		if (::poll(entries, 2, -1) < 0) {
			if (errno == EINTR) continue;
			break;
		}
		if (!(entries[0].revents & (POLLIN | POLLHUP | POLLERR))) break;
		const ssize_t got = ::read(errors_, buffer, sizeof buffer);
		if (got <= 0) break;
		pending.append(buffer, static_cast<size_t>(got));
		size_t newline;
		while ((newline = pending.find('\n')) != std::string::npos) {
			const std::string line = pending.substr(0, newline);
			pending.erase(0, newline + 1);
			std::fprintf(stderr, "%s\n", line.c_str());
			if (IsReport(line)) {
				const std::lock_guard lock(reportsLock_);
				reports_.push_back(line.substr(std::strlen(meter_protocol::kReportName) + 2));
			}
		}
	}
	if (!pending.empty()) std::fprintf(stderr, "%s\n", pending.c_str());
}

std::vector<std::string> MeterProcess::TakeReports() {
	const std::lock_guard lock(reportsLock_);
	return std::exchange(reports_, {});
}
