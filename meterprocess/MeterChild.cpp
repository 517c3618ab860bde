#include "MeterChild.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>

#include <Window.h>
#include <kit/Display.h>
#include <kit/SettingsInUse.h>
#include <kit/UnsavedSettings.h>

#include "feed/MeterProtocol.h"
#include "host/AddonLocator.h"
#include "host/CrashReport.h"
#include "host/FileClash.h"
#include "host/FindNewWindow.h"
#include "host/Report.h"
#include "host/SignalFlag.h"

#include "CallWatch.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using meter_protocol::FromMeter;
using meter_protocol::ToMeter;

constexpr auto kInputsPatience = 30s;
// What a window posts is answered within this while no block comes.
constexpr auto kMessagesEvery = 50ms;
constexpr auto kAliveEvery = 1s;
constexpr auto kCallPatience = 5s;
constexpr bigtime_t kSettleTimeout = 10000000; // microseconds

std::filesystem::path InstalledAddons() {
	std::error_code ec;
	const auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
	if (ec) return {};
	return (self.parent_path() / VUMETERS_ADDONDIR_FROM_LIBDIR).lexically_normal();
}

std::optional<meter_protocol::Key> KeyFor(PlayerKey key) {
	switch (key) {
	case PlayerKey::TogglePause:
		return meter_protocol::Key::TogglePause;
	case PlayerKey::SeekBack:
		return meter_protocol::Key::SeekBack;
	case PlayerKey::SeekForward:
		return meter_protocol::Key::SeekForward;
	default:
		return std::nullopt;
	}
}

} // namespace

MeterChild::MeterChild(Options options, MeterChannel channel)
    : options_(std::move(options)), channel_(std::move(channel)),
      addons_({.stopping =
                   [this](size_t) {
	                   silence_.Stop();
	                   if (trace_) trace_->Watch(nullptr);
                   },
               .log =
                   [this](const std::string& line) {
	                   Send(uint8_t(FromMeter::Log), line.data(), line.size());
                   }}) {}

MeterChild::~MeterChild() = default;

int MeterChild::Run() {
	if (!ReadInputs()) return 1;
	if (const Expected<void> started = StartAddon(); !started) {
		Report(started.Error());
		Send(uint8_t(FromMeter::Failed), started.Error().data(), started.Error().size());
		return 1;
	}
	Send(uint8_t(FromMeter::Started));
	Serve();
	Leave();
	return addons_.Failed() ? 1 : 0;
}

bool MeterChild::ReadInputs() {
	const auto deadline = Clock::now() + kInputsPatience;
	MeterChannel::Message message;
	while (channel_.ReceiveBy(deadline, message) == MeterChannel::Received::Message) {
		if (message.type == uint8_t(ToMeter::Input)) {
			inputs_.push_back(message.payload);
			continue;
		}
		if (message.type != uint8_t(ToMeter::Begin)) continue;
		meter_protocol::Begin begin{};
		std::memcpy(&begin, message.payload.data(), std::min(message.payload.size(), sizeof begin));
		if (begin.version == meter_protocol::kProtocolVersion) return true;
		const std::string why = "the player's plug-in is of another build than this meter process";
		Report(why);
		Send(uint8_t(FromMeter::Failed), why.data(), why.size());
		return false;
	}
	return false;
}

Expected<void> MeterChild::StartAddon() {
	const AddonLocator locator = AddonLocator::FromEnvironment(InstalledAddons());
	const auto path = locator.Find(options_.addon);
	if (!path) return Failure{locator.Unknown(options_.addon)};
	// Every crash is the add-on's, named with its call when in one.
	CrashReport::Install(CrashReport::Covers::Everything, path->string());
	CallWatch::Start(path->string(), kCallPatience);
	std::vector<std::string> failures = addons_.Load({options_.addon}, locator);
	// The library read its settings file as it loaded: the trace may not be it.
	if (const Expected<void> opened = OpenTrace(path->string(), locator); !opened) return opened;
	for (std::string& failure : addons_.Start())
		failures.push_back(std::move(failure));
	if (!addons_.First())
		return Failure{failures.empty() ? path->string() + ": the add-on did not start" : failures.back()};
	if (renderTrace_) renderTrace_->Follow(&addons_.At(0));
	if (BWindow* window = addons_.At(0).MeterWindow(); trace_ && window) {
		// The window draws what its showing exposed on its own thread, before
		// or after the trace would start; the trace starts with a redraw of
		// the whole window, so that every run traces the same.
		kit::WaitForIdle(window, kSettleTimeout);
		trace_->Watch(window);
		if (window->Lock()) {
			const BRect bounds = window->Bounds();
			window->Unlock();
			kit::Expose(window, bounds);
		}
	}
	return {};
}

Expected<void> MeterChild::OpenTrace(const std::string& addonPath, const AddonLocator& locator) {
	if (options_.trace.empty()) return {};
	const std::string named = options_.traceName + " '" + options_.trace + "'";
	std::vector<FileClash::Named> outputs = {{named, options_.trace}};
	for (const std::string& other : options_.otherTraces) {
		const size_t equals = other.find('=');
		if (equals != std::string::npos)
			outputs.push_back(
			    {other.substr(0, equals) + " '" + other.substr(equals + 1) + "'", other.substr(equals + 1)});
	}
	std::vector<FileClash::Named> inputs = {{"the add-on '" + addonPath + "'", addonPath}};
	for (const AddonLocator::Addon& addon : locator.All())
		inputs.push_back({"the add-on '" + addon.path.string() + "'", addon.path.string()});
	for (const std::string& input : inputs_)
		inputs.push_back({"the song '" + input + "'", input});
	if (const std::string clash = FileClash::Find(outputs, inputs); !clash.empty()) return Failure{clash};
	if (const std::string clash = FileClash::FindOverSettings(outputs, kit::SettingsFilesRead());
	    !clash.empty())
		return Failure{clash};
	std::FILE* file = std::fopen(options_.trace.c_str(), "w");
	if (!file) return Failure{named + ": cannot create: " + std::strerror(errno)};
	trace_ = std::make_unique<DrawingTrace>();
	trace_->Start(file, options_.trace);
	renderTrace_ = std::make_unique<RenderTrace>(
	    RenderTrace::Lines{.starting = [this](long long call) { trace_->RenderStarting(call); },
	                       .done = [this](long long call, bool result) { trace_->RenderDone(call, result); }},
	    [this] { return ++renders_; });
	return {};
}

void MeterChild::Serve() {
	auto alive = Clock::now() + kAliveEvery;
	auto handle = Clock::now() + kMessagesEvery;
	const std::stop_token stop = SignalFlag::StopToken();
	MeterChannel::Message message;
	while (!ended_ && !stop.stop_requested()) {
		// Blocks come well before their time: while one waits for a running
		// clock, the socket is read as each comes due, not as each arrives,
		// and what the windows post is answered then too.
		const std::optional<Clock::time_point> due = blocks_.NextDue();
		auto wake = std::min(alive, due ? std::min(*due, handle + kMessagesEvery) : handle);
		if (silence_.Running()) wake = std::min(wake, silence_.Next());
		const auto wait = std::max(wake - Clock::now(), Clock::duration::zero());
		const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(wait);
		const timespec timeout{static_cast<time_t>(seconds.count()),
		                       static_cast<long>(std::chrono::nanoseconds(wait - seconds).count())};
		pollfd entry{channel_.Fd(), POLLIN, 0};
		::ppoll(&entry, due ? 0 : 1, &timeout, nullptr);

		MeterChannel::Received received;
		while ((received = channel_.Receive(message)) == MeterChannel::Received::Message)
			Take(message);
		if (received == MeterChannel::Received::Gone) ended_ = true;
		RenderDue();
		// What the windows post is answered a few times a second, not at
		// every block.
		if (Clock::now() >= handle) {
			if (!HandleMessages()) return;
			if (prefsPlacement_.Pending()) prefsPlacement_.Poll();
			handle = Clock::now() + kMessagesEvery;
		}
		if (silence_.Running() && Clock::now() >= silence_.Next()) {
			static constexpr int16_t kSilence[meter_protocol::kBlockSamples] = {};
			RenderBlock(kSilence);
			silent_++;
			silence_.Rendered();
		}
		if (Clock::now() >= alive) {
			Send(uint8_t(FromMeter::Alive));
			alive = Clock::now() + kAliveEvery;
		}
	}
}

void MeterChild::RenderDue() {
	for (const meter_protocol::Block* block; (block = blocks_.Due(Clock::now()));) {
		lateness_.Add(
		    std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - *blocks_.NextDue()).count());
		if (block->rate > 0) rate_ = static_cast<int>(block->rate);
		RenderBlock(block->samples);
		rendered_++;
		blocks_.Pop();
	}
	if (restNext_ && blocks_.Empty()) {
		restNext_ = false;
		if (addons_.At(0).Running())
			silence_.Start(addons_.At(0).MeterWindow(),
			               std::chrono::duration_cast<Clock::duration>(
			                   std::chrono::duration<double>(double(meter_protocol::kBlockFrames) / rate_)));
	}
}

void MeterChild::Take(const MeterChannel::Message& message) {
	switch (static_cast<ToMeter>(message.type)) {
	case ToMeter::Block: {
		meter_protocol::Block block;
		if (message.payload.size() != sizeof block) break;
		std::memcpy(&block, message.payload.data(), sizeof block);
		blocks_.Add(block);
		silence_.Stop();
		restNext_ = false;
		break;
	}
	case ToMeter::Clock: {
		meter_protocol::Clock clock;
		if (message.payload.size() != sizeof clock) break;
		std::memcpy(&clock, message.payload.data(), sizeof clock);
		blocks_.SetClock(clock);
		break;
	}
	case ToMeter::Drop:
		blocks_.Drop();
		break;
	case ToMeter::Rest:
		restNext_ = true;
		break;
	case ToMeter::Prefs:
		OpenPrefs();
		break;
	case ToMeter::About:
		addons_.About();
		break;
	default:
		break;
	}
}

void MeterChild::OpenPrefs() {
	const std::vector<BWindow*> before = kit::Windows();
	addons_.At(0).Prefs();
	if (kit::IsHeadlessDisplay()) return;
	// A window that was open already is only raised, where the user left it.
	BWindow* window = FindNewWindow(before);
	if (!window || !window->Lock()) return;
	const std::string title = window->Title();
	window->Unlock();
	prefsPlacement_.Requested(::getppid(), title);
}

void MeterChild::RenderBlock(const int16_t* samples) {
	if (RunningAddon& addon = addons_.At(0); addon.Running()) addon.Render(samples);
}

bool MeterChild::HandleMessages() {
	for (const PlayerKey key : addons_.HandleMessages()) {
		if (key == PlayerKey::Quit) {
			// Inside a player that is not ours to end, these keys close the meter.
			addons_.Discard(0);
		} else if (const auto sent = KeyFor(key)) {
			const auto byte = static_cast<uint8_t>(*sent);
			Send(uint8_t(FromMeter::Key), &byte, 1);
		}
	}
	if (addons_.AnyLeft()) return true;
	// An add-on that let an exception out is gone as a crashed one is: its
	// line is the meter's last word, not a close.
	if (!addons_.Failed()) Send(uint8_t(FromMeter::Closed));
	return false;
}

void MeterChild::Leave() {
	silence_.Stop();
	if (trace_) trace_->Watch(nullptr);
	addons_.Leave();
	if (trace_)
		if (const Expected<void> closed = trace_->Close(); !closed) Report(closed.Error());
	for (const kit::UnsavedSettings& unsaved : kit::TakeUnsavedSettings())
		Report("settings not saved: " + unsaved.path + ": " + unsaved.reason);
	const meter_protocol::Timing timing{rendered_, silent_, lateness_.Below(0.5), lateness_.Below(0.99),
	                                    lateness_.Latest()};
	Send(uint8_t(FromMeter::Timing), &timing, sizeof timing);
}

void MeterChild::Send(uint8_t type, const void* payload, size_t size) {
	if (unheard_) return;
	// The plug-in reads what its meter says at once; a full socket is one
	// that nobody reads any more.
	if (channel_.SendBy(Clock::now() + 1s, type, payload, size) != MeterChannel::Sent::Done) {
		unheard_ = true;
		ended_ = true;
	}
}
