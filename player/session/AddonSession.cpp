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
               .log = [this](const std::string& line) { Log(line); }}),
      renderTrace_({.starting = [this](long long block) { outputs_.RenderStarting(block); },
                    .done = [this](long long block, bool result) { outputs_.RenderDone(block, result); }},
                   [this] { return blocks_; }) {}

AddonSession::~AddonSession() { [[maybe_unused]] const Expected<void> left = Leave(Ending::Complete); }

void AddonSession::Load() {
	for (std::string& failure : addons_.Load(options_.addons, AddonLocator::FromEnvironment()))
		failures_.push_back(std::move(failure));
}

Expected<void> AddonSession::Start() {
	Load();
	if (Expected<void> loaded = script_.Load(options_.events, stop_); !loaded) return loaded;
	if (!options_.trace.empty())
		if (Expected<void> opened = outputs_.OpenTrace(options_.trace, stop_); !opened) return opened;
	// An add-on that fails is reported and the others go on; only when none is
	// left does the session fail, with the last failure as its error.
	std::vector<std::string> failures = std::exchange(failures_, {});
	for (std::string& failure : addons_.Start())
		failures.push_back(std::move(failure));
	failed_ = !failures.empty();
	std::optional<Failure> none;
	if (!addons_.First()) {
		none = Failure{failures.back()};
		failures.pop_back();
	}
	for (const std::string& failure : failures)
		Report(failure);
	if (none) return *none;
	renderTrace_.Follow(&First());
	if (Expected<void> sized = SizeMeterWindow(); !sized) return sized;
	if (options_.fullScreen)
		if (Expected<void> entered = fullScreen_.Enter(First().MeterWindow(), First().Path()); !entered)
			return entered;
	outputs_.Trace(First().MeterWindow());
	if (options_.record.empty()) return {};
	return StartRecording();
}

Expected<void> AddonSession::SizeMeterWindow() {
	if (options_.meterWidth == 0) return {};
	BWindow* window = First().MeterWindow();
	const std::string size = std::to_string(options_.meterWidth) + "x" + std::to_string(options_.meterHeight);
	if (!window) {
		return Failure{"--size " + size + ": " + First().Path() + " opened no meter window"};
	}
	// Bounds() span one pixel less than the window's width and height.
	if (!kit::UserResize(window, float(options_.meterWidth - 1), float(options_.meterHeight - 1))) {
		return Failure{"--size " + size + ": the meter window did not take the new size"};
	}
	// Headless the window has its new size by now; on screen the window
	// manager answers in its own time, and the window learns the answer
	// from the display thread after that.
	const bigtime_t deadline = system_time() + kResizeAnswerTimeout;
	int width = 0, height = 0;
	for (;;) {
		WaitForWindows();
		if (!window->Lock()) {
			return Failure{"--size " + size + ": the meter window went away"};
		}
		const BRect bounds = window->Bounds();
		window->Unlock();
		width = int(bounds.Width()) + 1;
		height = int(bounds.Height()) + 1;
		if (width == options_.meterWidth && height == options_.meterHeight) return {};
		if (system_time() > deadline) break;
		snooze(kResizePoll);
	}
	// The add-on or the window manager limits the window's size.
	return Failure{"--size " + size + ": the meter window takes " + std::to_string(width) + "x" +
	               std::to_string(height) + " at the nearest"};
}

Expected<void> AddonSession::StartRecording() {
	for (size_t i = 0; i < addons_.Size(); i++)
		if (addons_.At(i).MeterWindow()) {
			recorded_ = i;
			outputs_.StartRecording(options_.record, options_.fps, kBlockFrames, stop_);
			return {};
		}
	return Failure{options_.record + ": no add-on opened a meter window to record"};
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
		if (addon.Running()) addon.Render(block.data());
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

Expected<void> AddonSession::Leave(Ending ending) {
	if (left_) return {};
	left_ = true;
	LetGoOfTheWindows(ending == Ending::CutShort, nullptr);
	addons_.Leave();
	outputs_.CloseTrace();
	return recording_;
}

Expected<void> AddonSession::LeaveWithout(const RunningAddon& hung) {
	// Leave() calls the add-ons only once it has let go of the windows.
	if (!std::exchange(left_, true)) LetGoOfTheWindows(true, hung.MeterWindow());
	addons_.LeaveWithout(hung);
	outputs_.CloseTrace();
	return recording_;
}

void AddonSession::LetGoOfTheWindows(bool cutShort, const BWindow* held) {
	addons_.CloseAboutBox(system_time() + kSettleTimeout);
	outputs_.LetGo(held);
	if (recorded_ && RecordedWindow(*recorded_) != held) outputs_.RememberPicture(RecordedWindow(*recorded_));
	if (fullScreen_.Window() != held) fullScreen_.Leave();
	recording_ = outputs_.FinishRecording(cutShort);
}
