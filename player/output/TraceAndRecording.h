// What a run writes besides the sound, following one meter window each: the
// drawing trace and the recording.
#pragma once

#include <cstdint>
#include <memory>
#include <stop_token>
#include <string>

#include "host/DrawingTrace.h"
#include "host/Expected.h"
#include "output/MeterRecorder.h"

class BWindow;

// Either may be absent, and then its calls do nothing. A recording that fails
// while playing is reported at once, "vuplay: reason", and ends; the run
// plays on and fails once it is over.
//
// [player thread] Every call; the windows passed must be alive.
class TraceAndRecording {
public:
	// `recordingDescriptor`: standard output, kept for a recording to "-";
	// -1 when not kept.
	explicit TraceAndRecording(int recordingDescriptor) : recordingDescriptor_(recordingDescriptor) {}

	TraceAndRecording(const TraceAndRecording&) = delete;
	TraceAndRecording& operator=(const TraceAndRecording&) = delete;

	// Creates the trace at `path`; fails with one line. A FIFO's reader is
	// waited for, here and by the recording, until a stop is requested of
	// `stop`.
	Expected<void> OpenTrace(const std::string& path, std::stop_token stop);
	// Starts a recording at `path`, `fps` frames a second (0: one a block).
	void StartRecording(const std::string& path, double fps, int blockFrames, std::stop_token stop);

	// The window the trace follows from now on; null for none. The trace of
	// a window starts with the drawing of the whole window, asked for once
	// the window has done what it had to.
	void Trace(BWindow* window);
	// Trace(nullptr), unless the trace follows `held`, a window that an
	// add-on's call may hold locked for good: that one is left as it is, and
	// the trace writes nothing more once closed.
	void LetGo(const BWindow* held);
	void RenderStarting(int64_t block);
	void RenderDone(int64_t block, bool result);

	// After each block played, of `soundFrames` frames of sound; `window`
	// null once the recorded one is gone.
	void Record(BWindow* window, int sampleRate, int soundFrames);
	// Keeps the window's last picture before it goes, once it has drawn.
	void RememberPicture(BWindow* window);
	// Completes the recording. Fails when it failed or, as `cutShort` says,
	// the run ended early; the file is kept, for what it shows.
	Expected<void> FinishRecording(bool cutShort);
	// Completes the trace; a failure is reported. Trace(nullptr) or LetGo() first.
	void CloseTrace();

	// Whether the recording or the trace failed.
	bool Failed() const { return failed_; }

private:
	void RecordingFailed(const std::string& why);

	const int recordingDescriptor_;
	std::unique_ptr<DrawingTrace> trace_;
	BWindow* traced_ = nullptr; // the window the trace follows
	std::unique_ptr<MeterRecorder> recorder_;
	bool failed_ = false;
};
