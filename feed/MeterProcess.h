// A meter add-on running in a process of its own, started by a player
// plug-in: whatever the add-on does (crash, end the process, never return)
// costs the meter, never the player.
#pragma once

#include <sys/types.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "host/Expected.h"

#include "BlockSink.h"
#include "MeterChannel.h"
#include "MeterProtocol.h"

// Life: Start (the process runs and its add-on's window is open) → blocks,
// rests and requests → End, which lets the process save the settings and
// end, or kills it when it does not within the patience. The process also
// ends by itself when the meter is closed, and when the player goes away,
// however it goes: it sees its socket end.
//
// What the process writes on its standard error goes to the player's, line
// by line; the lines that start with "vu-meters: " are reports for the user,
// which the player shows as well.
class MeterProcess final : public BlockSink {
public:
	struct Launch {
		std::string program;                // the meter process's file
		std::vector<std::string> arguments; // after its name
		std::vector<std::string> inputs;    // the files the player plays, which no output may write over
		std::string name;                   // the meter in lines of its own: "corvel"
	};

	// [main thread] Starts the process and waits until its add-on runs, or
	// fails with the line that says why (written on standard error already).
	static Expected<std::unique_ptr<MeterProcess>> Start(const Launch& launch);
	~MeterProcess() override; // End()

	MeterProcess(const MeterProcess&) = delete;
	MeterProcess& operator=(const MeterProcess&) = delete;

	// [feed thread] What the process has no room for is lost.
	void SendBlock(int64_t frame, int rate, const int16_t* samples) override;
	void SendClock(const meter_protocol::Clock& clock) override;
	void SendDrop() override;
	void SendRest() override;
	// [main thread]
	void Prefs();
	void About();

	struct Event {
		enum class Kind {
			Key,     // `key` acts on the player
			Closed,  // the user closed the meter; Stopped follows
			Log,     // `text` for a verbose log
			Report,  // `text`, a line for the user
			Stopped, // the process is gone; `text` says why when it failed, empty otherwise
		};
		Kind kind;
		meter_protocol::Key key = {};
		std::string text = {};
	};
	// [main thread] What happened since the last call; Stopped comes once, last.
	std::vector<Event> TakeEvents();

	struct Ending {
		bool timed = false; // `timing` came
		meter_protocol::Timing timing = {};
		std::vector<std::string> reports; // lines for the user written while ending
		std::string failure;              // why it did not end cleanly; empty when it did
	};
	// [main thread] Lets the process end, saving the settings, within
	// `patience`; kills it after. Remove it from the feed first. After a
	// stop TakeEvents told of, it only gives the timing that came.
	Ending End(std::chrono::milliseconds patience = std::chrono::seconds(5));

	// Blocks the feed offered, and how many of them the process took. [any thread]
	int64_t BlocksOffered() const { return offered_.load(); }
	int64_t BlocksSent() const { return sent_.load(); }
	const std::string& Name() const { return name_; }

private:
	MeterProcess(std::string name, pid_t pid, MeterChannel channel, int errors);

	// Forwards the process's standard error until it closes or Stop is set.
	void Relay();
	std::vector<std::string> TakeReports();
	// The process is gone or must go: reaps it by `deadline`, killing it
	// then, and stops the relay. Why it did not end cleanly (`closed`: a clean
	// end was asked for or announced); nothing when it did.
	std::optional<std::string> Reap(std::chrono::steady_clock::time_point deadline, bool closed);
	void Kill();
	void KeepTiming(const MeterChannel::Message& message);
	// The line that says why the process failed: the last of `reports`, taken
	// out of them, or else `failure`, written on standard error as a line of
	// the plug-in's own, "vu-meters: NAME: failure".
	std::string Explain(const std::string& failure, std::vector<std::string>& reports) const;

	std::string name_;
	pid_t pid_; // -1 once reaped
	MeterChannel channel_;
	int errors_; // the read end of the process's standard error; owned
	std::thread relay_;
	int stopRelay_;          // an eventfd that ends the relay; owned
	std::mutex reportsLock_; // guards reports_
	std::vector<std::string> reports_;
	std::chrono::steady_clock::time_point lastHeard_;
	Ending ending_; // the timing, once it came
	bool closed_ = false;
	bool stopped_ = false;
	std::atomic<int64_t> offered_{0};
	std::atomic<int64_t> sent_{0};
};
