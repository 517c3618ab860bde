#include "session/AddonSession.h"

#include <cstdio>
#include <optional>
#include <utility>

#include <AppDefs.h>
#include <InterfaceDefs.h>
#include <OS.h>
#include <Window.h>
#include <kit/Display.h>

#include "host/AddonLocator.h"
#include "host/Report.h"

namespace {

constexpr bigtime_t kSettleTimeout = 10000000; // microseconds
// A window manager answers a resize within milliseconds; one that has not
// after this is taken to have given the window another size.
constexpr bigtime_t kResizeAnswerTimeout = 2000000;
constexpr bigtime_t kResizePoll = 1000;

} // namespace

AddonSession::AddonSession(const SessionOptions& options, std::stop_token stop)
    : options_(options), stop_(std::move(stop)),
      addons_({.stopping = [this](size_t index) { Stopping(index); },
               .log = [this](const std::string& line) { Log(line); }}) {}

AddonSession::~AddonSession() {
	std::string error;
	Leave(Ending::Complete, error);
}

bool AddonSession::Start(std::string& error) {
	if (!script_.Load(options_.events, stop_, error)) return false;
	if (!options_.trace.empty() && !outputs_.OpenTrace(options_.trace, stop_, error)) return false;
	// An add-on that fails is reported and the others go on; only when none is
	// left does the session fail, with the last failure as its error.
	std::vector<std::string> failures = addons_.Start(options_.addons, AddonLocator::FromEnvironment());
	failed_ = !failures.empty();
	if (!addons_.First()) {
		error = failures.back();
		failures.pop_back();
	}
	for (const std::string& failure : failures)
		Report(failure);
	if (!addons_.First() || !SizeMeterWindow(error)) return false;
	if (options_.fullScreen && !fullScreen_.Enter(First().MeterWindow(), First().Path(), error)) return false;
	outputs_.Trace(First().MeterWindow());
	return options_.record.empty() || StartRecording(error);
}

bool AddonSession::SizeMeterWindow(std::string& error) {
	if (options_.meterWidth == 0) return true;
	BWindow* window = First().MeterWindow();
	const std::string size = std::to_string(options_.meterWidth) + "x" + std::to_string(options_.meterHeight);
	if (!window) {
		error = "--size " + size + ": " + First().Path() + " opened no meter window";
		return false;
	}
	// Bounds() span one pixel less than the window's width and height.
	if (!kit::UserResize(window, float(options_.meterWidth - 1), float(options_.meterHeight - 1))) {
		error = "--size " + size + ": the meter window did not take the new size";
		return false;
	}
	// Headless the window has its new size by now; on screen the window
	// manager answers in its own time, and the window learns the answer
	// from the display thread after that.
	const bigtime_t deadline = system_time() + kResizeAnswerTimeout;
	int width = 0, height = 0;
	for (;;) {
		WaitForWindows();
		if (!window->Lock()) {
			error = "--size " + size + ": the meter window went away";
			return false;
		}
		const BRect bounds = window->Bounds();
		window->Unlock();
		width = int(bounds.Width()) + 1;
		height = int(bounds.Height()) + 1;
		if (width == options_.meterWidth && height == options_.meterHeight) return true;
		if (system_time() > deadline) break;
		snooze(kResizePoll);
	}
	// The add-on or the window manager limits the window's size.
	error = "--size " + size + ": the meter window takes " + std::to_string(width) + "x" +
	        std::to_string(height) + " at the nearest";
	return false;
}

bool AddonSession::StartRecording(std::string& error) {
	for (size_t i = 0; i < addons_.Size(); i++)
		if (addons_.At(i).MeterWindow()) {
			recorded_ = i;
			outputs_.StartRecording(options_.record, options_.fps, kBlockFrames, stop_);
			return true;
		}
	error = options_.record + ": no add-on opened a meter window to record";
	return false;
}

BWindow* AddonSession::RecordedWindow(size_t index) {
	return index == recorded_ ? addons_.At(index).MeterWindow() : nullptr;
}

void AddonSession::Log(const std::string& line) const {
	if (options_.verbose) std::printf("%s\n", line.c_str());
}

void AddonSession::LogBlocksRendered() const {
	Log("blocks played: " + std::to_string(blocks_));
	for (size_t i = 0; i < addons_.Size(); i++)
		Log("blocks rendered by add-on " + std::to_string(i + 1) + " (" + addons_.At(i).Path() +
		    "): " + std::to_string(addons_.At(i).BlocksRendered()));
}

void AddonSession::WaitForWindows() {
	for (BWindow* window : kit::Windows())
		kit::WaitForIdle(window, kSettleTimeout);
	kit::WaitForIdle(addons_.Looper(), kSettleTimeout);
}

void AddonSession::Render(const AudioBlock& block, int sampleRate, int soundFrames) {
	blocks_++;
	ApplyScript(blocks_);
	// Headless runs are repeatable only if every window has caught up first.
	if (options_.headless) WaitForWindows();
	HandleMessages();
	for (size_t i = 0; i < addons_.Size(); i++) {
		RunningAddon& addon = addons_.At(i);
		if (!addon.Running()) continue;
		const bool followed = i == addons_.First();
		if (followed) outputs_.RenderStarting(blocks_);
		const bool result = addon.Render(block.data());
		if (followed) outputs_.RenderDone(blocks_, result);
	}
	// Null once stopped or gone: the recording goes on with the last picture.
	if (recorded_) outputs_.Record(RecordedWindow(*recorded_), sampleRate, soundFrames);
}

std::vector<PlayerKey> AddonSession::Keys(bool paused) {
	if (paused && options_.headless) {
		ApplyScript(blocks_ + 1);
		kit::WaitForIdle(addons_.Looper(), kSettleTimeout);
	}
	HandleMessages();
	std::vector<PlayerKey> keys = std::exchange(keys_, {});
	if (!addons_.AnyLeft() || kit::DisplayLost()) keys.push_back(PlayerKey::Quit);
	return keys;
}

void AddonSession::HandleMessages() {
	for (const PlayerKey key : addons_.HandleMessages())
		keys_.push_back(key);
}

void AddonSession::Stopping(size_t index) {
	if (index == addons_.First()) outputs_.Trace(nullptr);
	outputs_.RememberPicture(RecordedWindow(index));
	if (index == addons_.First()) fullScreen_.Leave();
}

void AddonSession::StopFollowed() {
	if (!First().Running()) return;
	addons_.CloseAboutBox(system_time() + kSettleTimeout);
	Stopping(*addons_.First());
	First().Stop();
}

void AddonSession::StartFollowed() {
	if (First().Running()) return;
	if (addons_.Restart(*addons_.First())) outputs_.Trace(First().MeterWindow());
}

void AddonSession::ApplyScript(int64_t block) {
	while (const ScriptEvent* event = script_.Next(block)) {
		switch (event->kind) {
		case ScriptEvent::Kind::Stop:
			StopFollowed();
			break;
		case ScriptEvent::Kind::Start:
			StartFollowed();
			break;
		case ScriptEvent::Kind::Prefs:
			First().Prefs();
			break;
		case ScriptEvent::Kind::About:
			addons_.AboutAnswered(*addons_.First(), system_time() + kSettleTimeout);
			break;
		default:
			script_.Apply(*event, First().MeterWindow());
			break;
		}
	}
}

bool AddonSession::Leave(Ending ending, std::string& error) {
	if (left_) return true;
	left_ = true;
	addons_.CloseAboutBox(system_time() + kSettleTimeout);
	outputs_.Trace(nullptr);
	if (recorded_) outputs_.RememberPicture(RecordedWindow(*recorded_));
	fullScreen_.Leave();
	const bool recorded = outputs_.FinishRecording(ending == Ending::CutShort, error);
	addons_.Leave();
	outputs_.CloseTrace();
	return recorded;
}
