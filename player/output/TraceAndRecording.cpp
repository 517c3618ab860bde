#include "output/TraceAndRecording.h"

#include <cerrno>
#include <cmath>
#include <cstring>

#include <Window.h>
#include <kit/Display.h>

#include "audio/helpers/InterruptibleIo.h"
#include "audio/helpers/TimeText.h"
#include "host/Report.h"

namespace {

constexpr bigtime_t kSettleTimeout = 10000000; // microseconds

} // namespace

Expected<void> TraceAndRecording::OpenTrace(const std::string& path, std::stop_token stop) {
	// A FIFO's reader is waited for until it comes or a stop is requested.
	std::FILE* file = InterruptibleIo::OpenForWriting(path, "w", std::move(stop));
	if (!file)
		return Failure{path + ": cannot create: " +
		               (errno == EINTR ? "interrupted while waiting for a reader" : std::strerror(errno))};
	trace_ = std::make_unique<DrawingTrace>();
	trace_->Start(file, path);
	return {};
}

void TraceAndRecording::StartRecording(const std::string& path, double fps, int blockFrames,
                                       std::stop_token stop) {
	recorder_ =
	    std::make_unique<MeterRecorder>(path, fps, blockFrames, std::move(stop), recordingDescriptor_);
}

void TraceAndRecording::Trace(BWindow* window) {
	if (!trace_) return;
	traced_ = window;
	if (!window) {
		trace_->Watch(nullptr);
		return;
	}
	// The window draws what its showing exposed on its own thread, before or
	// after the trace would start, as the threads happen to run. So that every
	// run traces the same, that drawing is let be, and the trace starts with
	// a redraw of the whole window asked for here.
	kit::WaitForIdle(window, kSettleTimeout);
	trace_->Watch(window);
	if (!window->Lock()) return;
	const BRect bounds = window->Bounds();
	window->Unlock();
	kit::Expose(window, bounds);
}

void TraceAndRecording::LetGo(const BWindow* held) {
	if (traced_ != held || !held) Trace(nullptr);
}

void TraceAndRecording::RenderStarting(int64_t block) {
	if (trace_) trace_->RenderStarting(block);
}

void TraceAndRecording::RenderDone(int64_t block, bool result) {
	if (trace_) trace_->RenderDone(block, result);
}

void TraceAndRecording::Record(BWindow* window, int sampleRate, int soundFrames) {
	if (!recorder_) return;
	if (const Expected<void> captured = recorder_->Capture(window, sampleRate, soundFrames); !captured)
		RecordingFailed(captured.Error());
}

void TraceAndRecording::RememberPicture(BWindow* window) {
	if (!recorder_ || !window) return;
	// The last drawing must be in the pixels before they are read.
	kit::WaitForIdle(window, kSettleTimeout);
	if (const Expected<void> remembered = recorder_->Remember(window); !remembered)
		RecordingFailed(remembered.Error());
}

void TraceAndRecording::RecordingFailed(const std::string& why) {
	Report(why);
	recorder_.reset();
	failed_ = true;
}

Expected<void> TraceAndRecording::FinishRecording(bool cutShort) {
	if (!recorder_) return {};
	if (Expected<void> finished = recorder_->Finish(); !finished) return finished;
	if (!cutShort) return {};
	const auto milliseconds = static_cast<int64_t>(std::llround(recorder_->Seconds() * 1000));
	return Failure{recorder_->Path() + ": recording cut short at " + TimeText(milliseconds, 1000)};
}

void TraceAndRecording::CloseTrace() {
	if (!trace_) return;
	// The object stays: a window left as it was may still tell it what it draws.
	if (const Expected<void> closed = trace_->Close(); !closed) {
		Report(closed.Error());
		failed_ = true;
	}
}
