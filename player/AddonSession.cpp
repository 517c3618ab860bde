#include "AddonSession.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <utility>

#include <Alert.h>
#include <AppDefs.h>
#include <FindDirectory.h>
#include <InterfaceDefs.h>
#include <OS.h>
#include <Window.h>
#include <kit/Display.h>

#include "UserInput.h"

namespace {

constexpr bigtime_t kSettleTimeout = 10000000; // microseconds

std::filesystem::path ProgramFolder() {
	std::error_code ec;
	const auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
	return ec ? std::filesystem::path() : self.parent_path();
}

// The about boxes open now. [any thread]
std::vector<BWindow*> AboutBoxes() {
	std::vector<BWindow*> alerts;
	for (BWindow* window : kit::Windows())
		if (dynamic_cast<BAlert*>(window)) alerts.push_back(window);
	return alerts;
}

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
	Leave(error);
}

std::string AddonSession::LibraryPath(const std::string& name) {
	const char* file = name == "corvel"   ? "vis_Corvel_VU-Meter"
	                   : name == "kestle" ? "vis_Kestle_VU-Meter"
	                                      : nullptr;
	if (!file) return name;
	const auto beside = ProgramFolder() / ".." / "add-ons" / file;
	std::error_code ec;
	if (std::filesystem::exists(beside, ec)) return beside.lexically_normal().string();
	return std::string(VUPLAY_ADDON_DIR) + "/" + file;
}

bool AddonSession::Start(std::string& error) {
	if (!options_.events.empty()) {
		auto events = EventScript::Load(options_.events, error);
		if (!events) return false;
		events_ = std::move(*events);
	}
	if (!options_.trace.empty()) {
		trace_ = std::make_unique<DrawingTrace>();
		if (!trace_->Open(options_.trace, error)) return false;
	}
	if (!options_.settingsDir.empty()) set_settings_directory(options_.settingsDir.c_str());
	// An add-on that fails is reported and the others go on; only when none is
	// left does the session fail, with the last failure as its error.
	std::vector<std::string> failures;
	for (const std::string& name : options_.plugins) {
		std::string why;
		if (auto addon = HostedAddon::Load(LibraryPath(name), why))
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
		std::fprintf(stderr, "vuplay: %s\n", failure.c_str());
	if (first_ == addons_.size()) return false;
	if (trace_) trace_->Watch(First().MeterWindow());
	return true;
}

void AddonSession::Log(const std::string& line) const {
	if (options_.verbose) std::printf("%s\n", line.c_str());
}

void AddonSession::WaitForWindows() {
	for (BWindow* window : kit::Windows())
		kit::WaitForIdle(window, kSettleTimeout);
	kit::WaitForIdle(looper_, kSettleTimeout);
}

void AddonSession::Render(const AudioBlock& block, int sampleRate) {
	blocks_++;
	ApplyEvents(blocks_);
	// Headless runs are repeatable only if every window has caught up first.
	if (options_.headless) WaitForWindows();
	HandleMessages();
	if (!recorder_ && !failedRecording_ && !options_.record.empty())
		recorder_ = std::make_unique<MeterRecorder>(options_.record, options_.fps, sampleRate, kBlockFrames);
	for (size_t i = 0; i < addons_.size(); i++) {
		HostedAddon& addon = *addons_[i];
		if (!addon.Running()) continue;
		if (i == first_ && trace_) trace_->RenderStarting(blocks_);
		const bool result = addon.Render(block.data());
		if (i != first_) continue;
		if (trace_) trace_->RenderDone(blocks_, result);
		if (recorder_ && addon.MeterWindow() && !recorder_->Capture(addon.MeterWindow())) {
			std::fprintf(stderr, "vuplay: %s\n", recorder_->Error().c_str());
			recorder_.reset();
			failedRecording_ = true;
		}
	}
}

std::vector<PlayerKey> AddonSession::Keys(bool paused) {
	if (paused && options_.headless) {
		ApplyEvents(blocks_ + 1);
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
			OpenAboutBox(addon->Plugin());
			return;
		}
}

bool AddonSession::OpenAboutBox(VisualizationPlugin* plugin) {
	if (aboutOpen_) return false;
	if (about_.joinable()) about_.join();
	aboutOpen_ = true;
	about_ = std::thread([this, plugin] {
		plugin->About(false);
		aboutOpen_ = false;
	});
	return true;
}

void AddonSession::CloseAboutBox() {
	if (!about_.joinable()) return;
	// The box blocks its thread until answered; Enter presses its only button.
	const bigtime_t deadline = system_time() + kSettleTimeout;
	while (aboutOpen_ && system_time() < deadline) {
		for (BWindow* alert : AboutBoxes())
			kit::TypeKey(alert, "\n");
		snooze(2000);
	}
	if (!aboutOpen_)
		about_.join();
	else
		about_.detach();
}

void AddonSession::Discard(size_t index) {
	CloseAboutBox();
	if (index == first_) {
		if (trace_) trace_->Watch(nullptr);
		if (recorder_ && First().MeterWindow()) recorder_->Keep(First().MeterWindow());
	}
	addons_[index]->Discard();
}

void AddonSession::StopFirst() {
	if (!First().Running()) return;
	CloseAboutBox();
	if (trace_) trace_->Watch(nullptr);
	if (recorder_ && First().MeterWindow()) recorder_->Keep(First().MeterWindow());
	First().Stop();
}

void AddonSession::StartFirst() {
	if (!First().Plugin() || First().Running()) return;
	if (!First().Start(looper_->HandlerFor(first_))) {
		std::fprintf(stderr, "vuplay: %s: the add-on failed to start\n", First().Path().c_str());
		return;
	}
	if (trace_) trace_->Watch(First().MeterWindow());
}

void AddonSession::ApplyEvents(int64_t block) {
	while (nextEvent_ < events_.size() && events_[nextEvent_].block <= block)
		Apply(events_[nextEvent_++]);
}

void AddonSession::Apply(const ScriptEvent& event) {
	std::string error;
	HostedAddon& first = First();
	switch (event.kind) {
	case ScriptEvent::Kind::Stop:
		StopFirst();
		return;
	case ScriptEvent::Kind::Start:
		StartFirst();
		return;
	case ScriptEvent::Kind::Prefs:
		if (first.Running()) first.Plugin()->Prefs(false);
		return;
	case ScriptEvent::Kind::About: {
		if (!first.Running() || !OpenAboutBox(first.Plugin())) return;
		const bigtime_t deadline = system_time() + kSettleTimeout;
		while (AboutBoxes().empty() && aboutOpen_ && system_time() < deadline)
			snooze(1000);
		CloseAboutBox();
		return;
	}
	case ScriptEvent::Kind::Menu:
		UserInput::ChooseMenuItem(event.text, error);
		break;
	case ScriptEvent::Kind::Gain:
		UserInput::SetGain(event.numbers[0], error);
		break;
	default:
		if (!first.MeterWindow()) {
			error = "no meter window";
			break;
		}
		UserInput::Apply(first.MeterWindow(), event, error);
		break;
	}
	if (!error.empty())
		std::fprintf(stderr, "vuplay: %s:%d: %s\n", options_.events.c_str(), event.line, error.c_str());
}

bool AddonSession::Leave(std::string& error) {
	if (left_) return true;
	left_ = true;
	CloseAboutBox();
	if (trace_) trace_->Watch(nullptr);
	bool recorded = true;
	if (recorder_) {
		if (first_ < addons_.size() && First().MeterWindow())
			recorded = recorder_->Keep(First().MeterWindow());
		recorded = recorder_->Finish() && recorded;
		if (!recorded) error = recorder_->Error();
	}
	for (auto& addon : addons_)
		addon->Discard();
	addons_.clear();
	HostLooper::Dispose(looper_);
	looper_ = nullptr;
	return recorded;
}
