// The add-ons the player runs: loading them, feeding them the blocks,
// answering what they post, the scripted events, the trace and the recording.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "AudioSource.h"
#include "DrawingTrace.h"
#include "EventScript.h"
#include "HostLooper.h"
#include "HostedAddon.h"
#include "KeyDecoder.h"
#include "MeterRecorder.h"
#include "Options.h"

// The first add-on that started is the one scripted events, the trace and the
// recording follow; its meter window is the window that appeared during its Init.
// Scripted events and trace lines number the blocks handed over, which are the
// first add-on's Render calls for as long as it runs.
//
// A close notice (904) stops the add-on whose object it names and deletes the
// object; once every add-on is gone that way the player quits. Keys forwarded
// from a meter window act as the player's own keys.
//
// [player thread] Every call; the host looper only queues what it receives.
class AddonSession {
public:
	explicit AddonSession(const Options& options) : options_(options) {}
	~AddonSession(); // Leave()

	AddonSession(const AddonSession&) = delete;
	AddonSession& operator=(const AddonSession&) = delete;

	// The library a name stands for: "corvel" and "kestle" are the add-ons
	// built with this program, in the add-on folder beside its own; any other
	// name is a path.
	static std::string LibraryPath(const std::string& name);

	// Loads the event script, opens the trace, loads and starts every add-on.
	// An add-on that cannot be loaded or started is reported on standard
	// error and left out. False with `error` set to one line when the script
	// or the trace fails, or no add-on started.
	bool Start(std::string& error);
	// Whether an add-on failed to load or start, or the recording failed
	// while playing (reported then, and not tried again).
	bool Failed() const { return failed_ || failedRecording_; }
	// Hands one block, `sampleRate` frames a second, to every running add-on.
	void Render(const AudioBlock& block, int sampleRate);
	// The player's keys sent from the meter windows since the last call, after
	// handling every other message; Quit once no add-on is left or the
	// display went away. While `paused` in a headless run no block comes, so
	// the next block's scripted events are applied at once: a script that
	// pauses can resume.
	std::vector<PlayerKey> Keys(bool paused);
	// Shows the first running add-on's about box on a thread of its own, so
	// that the meters go on; nothing while one is open.
	void About();
	// Stops and deletes every add-on, completes the recording and unloads the
	// libraries, so each writes its settings. False with `error` set when the
	// recording failed. Only the first call does anything.
	bool Leave(std::string& error);

private:
	HostedAddon& First() { return *addons_[first_]; }
	void ApplyEvents(int64_t block);
	void Apply(const ScriptEvent& event);
	void HandleMessages();
	void Handle(size_t index, const BMessage& message);
	void StopFirst();
	void StartFirst();
	void Discard(size_t index);
	void WaitForWindows();
	// False while an about box is open already.
	bool OpenAboutBox(VisualizationPlugin* plugin);
	// Answers the open about box and waits for its thread.
	void CloseAboutBox();
	void Log(const std::string& line) const;

	const Options& options_;
	std::vector<std::unique_ptr<HostedAddon>> addons_; // as given; one that failed to start has no object
	size_t first_ = 0;                                 // the first that started
	bool failed_ = false;                              // an add-on failed to load or start
	bool failedRecording_ = false;
	HostLooper* looper_ = nullptr; // deletes itself; ended by Leave()
	std::vector<ScriptEvent> events_;
	size_t nextEvent_ = 0;
	int64_t blocks_ = 0;
	std::unique_ptr<DrawingTrace> trace_;
	std::unique_ptr<MeterRecorder> recorder_;
	std::vector<PlayerKey> keys_;
	std::thread about_;
	std::atomic<bool> aboutOpen_{false};
	bool left_ = false;
};
