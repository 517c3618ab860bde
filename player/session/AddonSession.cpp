#include "session/AddonSession.h"

#include <cstdio>
#include <optional>
#include <utility>

#include <AppDefs.h>
#include <InterfaceDefs.h>
#include <OS.h>
#include <Window.h>
#include <kit/Display.h>

#include "Report.h"
#include "host/AddonLocator.h"

namespace {

constexpr bigtime_t kSettleTimeout = 10000000; // microseconds
// A window manager answers a resize within milliseconds; one that has not
// after this is taken to have given the window another size.
constexpr bigtime_t kResizeAnswerTimeout = 2000000;
constexpr bigtime_t kResizePoll = 1000;

std::optional<PlayerKey> KeyOf(const BMessage& message) {
	const char* bytes = nullptr;
	if (message.FindString("bytes", &bytes) != B_OK || !bytes || bytes[1] != '\0') return std::nullopt;
	switch (bytes[0]) {
	case B_SPACE:
		return PlayerKey::TogglePause;
	case B_LEFT_ARROW:
		return PlayerKey::SeekBack;
	case B_RIGHT_ARROW:
		return PlayerKey::SeekForward;
	case 'a':
		return PlayerKey::About;
	case 'q':
	case 'Q':
	case B_ESCAPE:
		return PlayerKey::Quit;
	default:
		return std::nullopt;
	}
}

} // namespace

AddonSession::~AddonSession() {
	std::string error;
	Leave(Ending::Complete, error);
}

bool AddonSession::Start(std::string& error) {
	if (!script_.Load(options_.events, error)) return false;
	if (!options_.trace.empty() && !outputs_.OpenTrace(options_.trace, error)) return false;
	// An add-on that fails is reported and the others go on; only when none is
	// left does the session fail, with the last failure as its error.
	std::vector<std::string> failures;
	const AddonLocator locator = AddonLocator::FromEnvironment();
	for (const std::string& name : options_.plugins) {
		std::string why;
		const auto path = locator.Find(name);
		if (!path)
			failures.push_back(locator.Unknown(name));
		else if (auto addon = RunningAddon::Load(path->string(), why))
			addons_.push_back(std::move(addon));
		else
			failures.push_back(why);
	}
	looper_ = HostLooper::Start(addons_.size());
	first_ = addons_.size();
	for (size_t i = 0; i < addons_.size(); i++) {
		if (!addons_[i]->Start(looper_->HandlerFor(i))) {
			failures.push_back(addons_[i]->Path() + ": the add-on failed to start");
			addons_[i]->Discard();
		} else if (first_ == addons_.size()) {
			first_ = i;
		}
	}
	failed_ = !failures.empty();
	if (first_ == addons_.size()) {
		error = failures.back();
		failures.pop_back();
	}
	for (const std::string& failure : failures)
		Report(failure);
	if (first_ == addons_.size() || !SizeMeterWindow(error)) return false;
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
	for (size_t i = 0; i < addons_.size(); i++)
		if (addons_[i]->MeterWindow()) {
			recorded_ = i;
			outputs_.StartRecording(options_.record, options_.fps, kBlockFrames);
			return true;
		}
	error = options_.record + ": no add-on opened a meter window to record";
	return false;
}

BWindow* AddonSession::RecordedWindow(size_t index) {
	return index == recorded_ ? addons_[index]->MeterWindow() : nullptr;
}

void AddonSession::Log(const std::string& line) const {
	if (options_.verbose) std::printf("%s\n", line.c_str());
}

void AddonSession::LogBlocksRendered() const {
	Log("blocks played: " + std::to_string(blocks_));
	for (size_t i = 0; i < addons_.size(); i++)
		Log("blocks rendered by add-on " + std::to_string(i + 1) + " (" + addons_[i]->Path() +
		    "): " + std::to_string(addons_[i]->BlocksRendered()));
}

void AddonSession::WaitForWindows() {
	for (BWindow* window : kit::Windows())
		kit::WaitForIdle(window, kSettleTimeout);
	kit::WaitForIdle(looper_, kSettleTimeout);
}

void AddonSession::Render(const AudioBlock& block, int sampleRate) {
	blocks_++;
	script_.ApplyUpTo(blocks_, *this);
	// Headless runs are repeatable only if every window has caught up first.
	if (options_.headless) WaitForWindows();
	HandleMessages();
	for (size_t i = 0; i < addons_.size(); i++) {
		RunningAddon& addon = *addons_[i];
		if (!addon.Running()) continue;
		if (i == first_) outputs_.RenderStarting(blocks_);
		const bool result = addon.Render(block.data());
		if (i == first_) outputs_.RenderDone(blocks_, result);
	}
	// Null once stopped or gone: the recording goes on with the last picture.
	if (recorded_) outputs_.Record(RecordedWindow(*recorded_), sampleRate);
}

std::vector<PlayerKey> AddonSession::Keys(bool paused) {
	if (paused && options_.headless) {
		script_.ApplyUpTo(blocks_ + 1, *this);
		kit::WaitForIdle(looper_, kSettleTimeout);
	}
	HandleMessages();
	std::vector<PlayerKey> keys = std::exchange(keys_, {});
	bool anyLeft = false;
	for (const auto& addon : addons_)
		anyLeft = anyLeft || addon->Plugin();
	if (!anyLeft || kit::DisplayLost()) keys.push_back(PlayerKey::Quit);
	return keys;
}

void AddonSession::HandleMessages() {
	if (!looper_) return;
	for (const HostLooper::Received& received : looper_->Take())
		Handle(received.addon, received.message);
}

void AddonSession::Handle(size_t index, const BMessage& message) {
	const std::string from = "add-on " + std::to_string(index + 1) + " (" + addons_[index]->Path() + ")";
	if (message.what == PLUGIN_CLOSE_NOTICE) {
		void* object = nullptr;
		message.FindPointer("Object", &object);
		const bool own = object && object == addons_[index]->Plugin();
		char pointer[32];
		std::snprintf(pointer, sizeof pointer, "%p", object);
		Log("close notice to " + from + ": Object " + pointer + (own ? ", its object" : ", not its object"));
		// Only a pointer that is one of our objects is acted on; anything else is ignored.
		for (size_t i = 0; i < addons_.size(); i++)
			if (object && addons_[i]->Plugin() == object) Discard(i);
		return;
	}
	Log("message to " + from + ": " + message.ToString());
	if (message.what != B_KEY_DOWN) return;
	if (const auto key = KeyOf(message)) {
		if (*key == PlayerKey::About)
			About();
		else
			keys_.push_back(*key);
	}
}

void AddonSession::About() {
	for (const auto& addon : addons_)
		if (addon->Running()) {
			about_.Open(addon->Plugin());
			return;
		}
}

void AddonSession::CloseAboutBox(bigtime_t deadline) {
	if (about_.Close(deadline) || toldAboutStuck_) return;
	toldAboutStuck_ = true;
	failed_ = true;
	for (const auto& addon : addons_)
		if (addon->Plugin() == about_.StuckIn())
			std::fprintf(stderr,
			             "vuplay: %s: About did not return; the add-on stays loaded until the player ends\n",
			             addon->Path().c_str());
}

void AddonSession::Discard(size_t index) {
	CloseAboutBox(system_time() + kSettleTimeout);
	if (index == first_) outputs_.Trace(nullptr);
	outputs_.RememberPicture(RecordedWindow(index));
	if (index == first_) fullScreen_.Leave();
	Release(*addons_[index]);
}

void AddonSession::Release(RunningAddon& addon) {
	// Unloading the library under a thread still inside it would crash the player.
	if (addon.Plugin() && addon.Plugin() == about_.StuckIn())
		addon.Abandon();
	else
		addon.Discard();
}

void AddonSession::StopFollowed() {
	if (!First().Running()) return;
	CloseAboutBox(system_time() + kSettleTimeout);
	outputs_.Trace(nullptr);
	outputs_.RememberPicture(RecordedWindow(first_));
	fullScreen_.Leave();
	First().Stop();
}

void AddonSession::StartFollowed() {
	if (!First().Plugin() || First().Running()) return;
	if (!First().Start(looper_->HandlerFor(first_))) {
		std::fprintf(stderr, "vuplay: %s: the add-on failed to start\n", First().Path().c_str());
		failed_ = true;
		return;
	}
	outputs_.Trace(First().MeterWindow());
}

void AddonSession::PrefsOfFollowed() {
	if (First().Running()) First().Plugin()->Prefs(false);
}

void AddonSession::AboutOfFollowed() {
	if (!First().Running() || !about_.Open(First().Plugin())) return;
	const bigtime_t deadline = system_time() + kSettleTimeout;
	about_.WaitUntilShown(deadline);
	CloseAboutBox(deadline);
}

bool AddonSession::Leave(Ending ending, std::string& error) {
	if (left_) return true;
	left_ = true;
	CloseAboutBox(system_time() + kSettleTimeout);
	outputs_.Trace(nullptr);
	if (recorded_) outputs_.RememberPicture(RecordedWindow(*recorded_));
	fullScreen_.Leave();
	const bool recorded = outputs_.FinishRecording(ending == Ending::CutShort, error);
	for (auto& addon : addons_)
		Release(*addon);
	addons_.clear();
	HostLooper::Dispose(looper_);
	looper_ = nullptr;
	outputs_.CloseTrace();
	return recorded;
}
