// The add-ons the player runs: loading them, feeding them the blocks and
// answering what they post.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <OS.h>

#include "Options.h"
#include "audio/AudioSource.h"
#include "host/AboutBox.h"
#include "input/EventScriptRunner.h"
#include "input/KeyDecoder.h"
#include "output/TraceAndRecording.h"
#include "session/FullScreenMeter.h"
#include "session/HostLooper.h"
#include "session/RunningAddon.h"

// The first add-on that started is the one scripted events and the trace
// follow; its meter window is the window that appeared during its Init. The
// recording follows the first add-on that opened a meter window, and goes on
// with its last picture while it is stopped or gone, for every block played.
// Scripted events and trace lines number the blocks handed over, which are the
// first add-on's Render calls for as long as it runs.
//
// A close notice (904) stops the add-on whose object it names and deletes the
// object; once every add-on is gone that way the player quits. Keys forwarded
// from a meter window act as the player's own keys.
//
// [player thread] Every call; the host looper only queues what it receives.
class AddonSession final : private EventScriptRunner::Target {
public:
	explicit AddonSession(const Options& options) : options_(options) {}
	~AddonSession() override; // Leave()

	AddonSession(const AddonSession&) = delete;
	AddonSession& operator=(const AddonSession&) = delete;

	enum class Ending { Complete, CutShort };

	// Loads the event script, opens the trace, loads and starts every add-on,
	// each found by AddonLocator.
	// An add-on that cannot be loaded or started is reported on standard
	// error and left out. False with `error` set to one line when the script
	// or the trace fails, no add-on started, the first one's meter window
	// cannot take the size asked for or fill the screen, or none opened a
	// window to record.
	bool Start(std::string& error);
	// Whether an add-on failed to load or start or its About did not return,
	// a scripted event could not be applied, or the recording or the trace
	// failed (each reported once).
	bool Failed() const { return failed_ || script_.Failed() || outputs_.Failed(); }
	// Hands one block, `sampleRate` frames a second, to every running add-on,
	// and records it.
	void Render(const AudioBlock& block, int sampleRate);
	// The player's keys sent from the meter windows since the last call, after
	// handling every other message; Quit once no add-on is left or the
	// display went away. While `paused` in a headless run no block comes, so
	// the next block's scripted events are applied at once: a script that
	// pauses can resume.
	std::vector<PlayerKey> Keys(bool paused);
	// With --verbose: the blocks handed over, and how many of them reached
	// each add-on's Render, a line each.
	void LogBlocksRendered() const;
	// Whether the script can still resume a headless run that Keys(true) left
	// paused: an event of the next block is left, as the one after can never come.
	bool ScriptCanResume() const { return script_.HasEventFor(blocks_ + 1); }
	// Shows the first running add-on's about box on a thread of its own, so
	// that the meters go on; nothing while one is open.
	void About();
	// Stops and deletes every add-on, completes the recording and the trace
	// and unloads the libraries, so each writes its settings; an add-on whose
	// About never returned stays loaded. A recording that `ending` says was
	// cut short is kept, for what it shows. False with `error` set when the
	// recording failed or was cut short. Only the first call does anything.
	bool Leave(Ending ending, std::string& error);

private:
	RunningAddon& First() { return *addons_[first_]; }
	// --size: the first add-on's meter window made exactly that size.
	bool SizeMeterWindow(std::string& error);
	bool StartRecording(std::string& error);
	void HandleMessages();
	void Handle(size_t index, const BMessage& message);
	void Discard(size_t index);
	// Stops the add-on for good: deletes its object, or keeps the object and
	// its library when the about box's thread is still inside it.
	void Release(RunningAddon& addon);
	// The window of add-on `index` when it is the recorded one, else null.
	BWindow* RecordedWindow(size_t index);
	void WaitForWindows();
	// Answers the open about box and waits for its thread until `deadline`;
	// reports an About that did not return.
	void CloseAboutBox(bigtime_t deadline);
	void Log(const std::string& line) const;

	// What the scripted events ask of the first add-on.
	void StopFollowed() override;
	void StartFollowed() override;
	void PrefsOfFollowed() override;
	void AboutOfFollowed() override;
	BWindow* FollowedWindow() override { return First().MeterWindow(); }

	const Options& options_;
	std::vector<std::unique_ptr<RunningAddon>> addons_; // as given; one that failed to start has no object
	size_t first_ = 0;                                  // the first that started
	bool failed_ = false;                               // an add-on failed
	std::optional<size_t> recorded_;                    // the add-on whose window is recorded, once recording
	HostLooper* looper_ = nullptr;                      // deletes itself; ended by Leave()
	EventScriptRunner script_;
	int64_t blocks_ = 0;
	TraceAndRecording outputs_;
	FullScreenMeter fullScreen_; // the first add-on's window, left before that add-on stops
	std::vector<PlayerKey> keys_;
	AboutBox about_;
	bool toldAboutStuck_ = false;
	bool left_ = false;
};
