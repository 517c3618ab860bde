#include "MeterBridge.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <libaudcore/drct.h>
#include <libaudcore/runtime.h>

#include <kit/Display.h>

#include "host/AddonLocator.h"
#include "host/Report.h"

#include "BridgeFolder.h"

namespace {

// A key or a close box is answered within this while no block comes.
constexpr int kPollMs = 100;
constexpr int kSeekMs = 5000;

} // namespace

MeterBridge::MeterBridge(const Setup& setup)
    : setup_(setup),
      addons_({.stopping = [this](size_t) { Stopping(); },
               .log = [this](const std::string& line) { AUDDBG("%s: %s\n", setup_.addon, line.c_str()); }}) {}

Expected<std::unique_ptr<MeterBridge>> MeterBridge::Start(const Setup& setup) {
	std::unique_ptr<MeterBridge> bridge(new MeterBridge(setup));
	if (const char* path = std::getenv(setup.traceVariable); path && *path) {
		std::FILE* file = std::fopen(path, "w");
		if (!file)
			return Failure{std::string(setup.traceVariable) + "=" + path +
			               ": cannot create: " + std::strerror(errno)};
		bridge->trace_ = std::make_unique<DrawingTrace>();
		bridge->trace_->Start(file, path);
	}
	std::vector<std::string> failures =
	    bridge->addons_.Start({setup.addon}, AddonLocator::FromEnvironment(BridgeFolder::AddonFolder()));
	if (!bridge->addons_.First())
		return Failure{failures.empty() ? std::string(setup.addon) + ": the add-on did not start"
		                                : failures.back()};
	if (bridge->trace_) bridge->trace_->Watch(bridge->addons_.At(0).MeterWindow());
	bridge->poll_.start(kPollMs, [bridge = bridge.get()] { bridge->HandleMessages(); });
	return bridge;
}

MeterBridge::~MeterBridge() {
	poll_.stop();
	silence_.reset();
	Log();
	if (trace_) trace_->Watch(nullptr);
	addons_.Leave();
	// Audacious's SDL output ends SDL altogether when it stops, which must
	// not find the kit's display inside SDL.
	kit::CloseDisplayWhenUnused();
	if (trace_)
		if (const Expected<void> closed = trace_->Close(); !closed) Report(closed.Error());
}

void MeterBridge::Render(const float* pcm, int channels) {
	received_++;
	silence_.reset();
	if (closed_ || channels < 1) return;
	ToStereoInt16(pcm, channels, FirstTwoChannels(channels), kBlockValues / 2, block_);
	if (RenderBlock(block_)) rendered_++;
	HandleMessages();
}

bool MeterBridge::RenderBlock(const int16_t* block) {
	RunningAddon& addon = addons_.At(0);
	if (!addon.Running()) return false;
	renders_++;
	if (trace_) trace_->RenderStarting(renders_);
	const bool result = addon.Render(block);
	if (trace_) trace_->RenderDone(renders_, result);
	return true;
}

void MeterBridge::Stopping() {
	silence_.reset();
	if (trace_) trace_->Watch(nullptr);
}

void MeterBridge::Cleared() {
	if (closed_ || silence_ || aud_drct_get_playing()) return;
	silence_ = std::make_unique<SilenceFeed>(
	    [this] {
		    static constexpr int16_t kSilence[kBlockValues] = {};
		    if (RenderBlock(kSilence)) silent_++;
	    },
	    addons_.At(0).MeterWindow());
}

void MeterBridge::Prefs() { addons_.At(0).Prefs(); }

void MeterBridge::About() { addons_.About(); }

void MeterBridge::HandleMessages() {
	for (const PlayerKey key : addons_.HandleMessages())
		Act(key);
	if (!addons_.AnyLeft()) Closed();
}

void MeterBridge::Act(PlayerKey key) {
	switch (key) {
	case PlayerKey::TogglePause:
		aud_drct_play_pause();
		break;
	case PlayerKey::SeekBack:
	case PlayerKey::SeekForward:
		if (aud_drct_get_playing()) {
			int to = aud_drct_get_time() + (key == PlayerKey::SeekBack ? -kSeekMs : kSeekMs);
			if (const int length = aud_drct_get_length(); length > 0 && to > length) to = length;
			aud_drct_seek(to < 0 ? 0 : to);
		}
		break;
	case PlayerKey::Quit:
		// Inside a player that is not ours to end, these keys close the meter.
		addons_.Discard(0);
		Closed();
		break;
	case PlayerKey::About:
		break;
	}
}

void MeterBridge::Closed() {
	if (closed_) return;
	closed_ = true;
	setup_.disable();
}

void MeterBridge::Log() const {
	AUDINFO("%s: %lld blocks from Audacious, %lld of them rendered, %lld silent blocks after a stop\n",
	        setup_.addon, static_cast<long long>(received_), static_cast<long long>(rendered_),
	        static_cast<long long>(silent_));
}
