// The add-ons the player runs: loading them, feeding them the blocks and
// answering what they post.
#pragma once

#include <cstdint>
#include <optional>
#include <stop_token>
#include <string>
#include <vector>

#include <OS.h>

#include "audio/AudioSource.h"
#include "host/AddonGroup.h"
#include "host/Expected.h"
#include "host/RenderTrace.h"
#include "input/EventScriptRunner.h"
#include "output/TraceAndRecording.h"
#include "session/FullScreenMeter.h"
#include "session/SessionOptions.h"

// The first add-on that started is the one scripted events and the trace
// follow; its meter window is the window that appeared during its Init. The
// recording follows the first add-on that opened a meter window, and goes on
// with its last picture while it is stopped or gone, for every block played.
// Scripted events and trace lines number the blocks handed over, which are the
// first add-on's Render calls for as long as it runs.
//
// Close notices and forwarded keys are answered as AddonGroup answers them;
// once every add-on is gone the player quits.
//
// [player thread] Every call.
class AddonSession final {
public:
	// The script, the trace and the recording wait for a pipe's other end
	// until a stop is requested of `stop`.
	AddonSession(const SessionOptions& options, std::stop_token stop);
	~AddonSession(); // Leave()

	AddonSession(const AddonSession&) = delete;
	AddonSession& operator=(const AddonSession&) = delete;

	enum class Ending { Complete, CutShort };

	// Loads every add-on, each found by AddonLocator, which reads its
	// settings file then (kit::SettingsFilesRead()). Start() does it when
	// this was not called.
	void Load();
	// Loads the event script, opens the trace and starts every add-on.
	// An add-on that cannot be loaded or started is reported on standard
	// error and left out. Fails with one line when the script or the trace
	// fails, no add-on started, the first one's meter window cannot take the
	// size asked for or fill the screen, or none opened a window to record.
	Expected<void> Start();
	// Whether an add-on failed to load or start or its About did not return,
	// a scripted event could not be applied, or the recording or the trace
	// failed (each reported once).
	bool Failed() const { return failed_ || addons_.Failed() || script_.Failed() || outputs_.Failed(); }
	// Hands one block, `sampleRate` frames a second, to every running add-on,
	// and records its first `soundFrames` frames, the rest being padding.
	void Render(const AudioBlock& block, int sampleRate, int soundFrames = kBlockFrames);
	// The player's keys sent from the meter windows since the last call, after
	// handling every other message; Quit once no add-on is left or the
	// display went away. While `paused` in a headless run no block comes, so
	// the next block's scripted events are applied at once: a script that
	// pauses can resume.
	std::vector<PlayerKey> Keys(bool paused);
	// With --verbose: the blocks handed over, and how many of them reached
	// each add-on's Render, a line each.
	void LogBlocksRendered() const;
	// Once the sound is over: a scripted event the run never reached is
	// reported and fails it.
	void EndScript() { script_.ReportUnreached(blocks_); }
	// Whether the script can still resume a headless run that Keys(true) left
	// paused: an event of the next block is left, as the one after can never come.
	bool ScriptCanResume() const { return script_.HasEventFor(blocks_ + 1); }
	// The event script's path; empty for none.
	const std::string& ScriptPath() const { return script_.Path(); }
	// Shows the first running add-on's about box on a thread of its own, so
	// that the meters go on; nothing while one is open.
	void About() { addons_.About(); }
	// Stops and deletes every add-on, completes the recording and the trace
	// and unloads the libraries, so each writes its settings; an add-on whose
	// About never returned stays loaded. A recording that `ending` says was
	// cut short is kept, for what it shows. Fails when the recording failed
	// or was cut short. Only the first call does anything.
	Expected<void> Leave(Ending ending);
	// Leaves as Leave(Ending::CutShort) does, from the thread that took over
	// from the player thread held inside a call of `hung` (Calls()), also
	// when Leave() was under way there: that add-on is not called again and
	// its windows are not touched, as its call may hold them.
	// [the thread that took over]
	Expected<void> LeaveWithout(const RunningAddon& hung);
	// The add-ons' calls, for a thread that must act when one does not return.
	AddonCallTracker& Calls() { return addons_.Calls(); }

private:
	RunningAddon& First() { return addons_.At(*addons_.First()); }
	// --size: the first add-on's meter window made exactly that size.
	Expected<void> SizeMeterWindow();
	Expected<void> StartRecording();
	void HandleMessages();
	// Before add-on `index` stops or goes: the trace lets go of its window and
	// the recording keeps its last picture.
	void Stopping(size_t index);
	// The window of add-on `index` when it is the recorded one, else null.
	BWindow* RecordedWindow(size_t index);
	void WaitForWindows();
	void Log(const std::string& line) const;
	// What Leave() does before it lets the add-ons go, `held` (a window of an
	// add-on whose call holds the player thread) left alone; the recording's
	// outcome is kept in recording_.
	void LetGoOfTheWindows(bool cutShort, const BWindow* held);

	// The scripted events of blocks up to `block`: those that act as the user
	// go to the runner, the player's own requests to the first add-on.
	void ApplyScript(int64_t block);
	void StopFollowed();
	void StartFollowed();

	const SessionOptions& options_;
	const std::stop_token stop_;
	AddonGroup addons_;
	bool failed_ = false;               // an add-on failed to load or start
	std::vector<std::string> failures_; // of loading, reported once starting is done
	std::optional<size_t> recorded_;    // the add-on whose window is recorded, once recording
	EventScriptRunner script_;
	int64_t blocks_ = 0;
	TraceAndRecording outputs_{options_.recordingDescriptor};
	RenderTrace renderTrace_;    // the trace's lines for the first add-on's Render calls, by block
	FullScreenMeter fullScreen_; // the first add-on's window, left before that add-on stops
	std::vector<PlayerKey> keys_;
	bool left_ = false;
	Expected<void> recording_; // how the recording ended, once Leave() has ended it
};
