// One meter add-on running inside Audacious, for as long as its plug-in is
// enabled: Audacious's blocks become the add-on's Render calls, and what the
// meter window posts (its close box, the keys it passes on) acts on Audacious.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include <libaudcore/mainloop.h>

#include "host/AddonGroup.h"
#include "host/DrawingTrace.h"
#include "host/Expected.h"
#include "host/SampleConversion.h"

#include "SilenceFeed.h"

// Life: Start (dlopen, NewPlugin, Init: the meter window opens at its saved
// frame) → Render for each block Audacious hands over → destructor (Cleanup,
// the library unloaded, which writes the settings). A pause leaves the meters
// where they are, as no block comes; after a stop they get silence until they
// come to rest (SilenceFeed).
//
// Keys passed on from the meter window: space pauses and resumes (or starts
// playing), the arrows seek 5 s, 'a' opens the add-on's about box, 'q' and
// Escape close the meter as its close box does. A closed meter asks Audacious
// to disable the plug-in, which then deletes this object.
//
// [Audacious's main thread] Every call; the about box runs on a thread of its
// own, the add-on's windows on theirs.
class MeterBridge {
public:
	struct Setup {
		const char* addon;         // the add-on's name, as AddonLocator takes it
		const char* traceVariable; // names the file the drawing trace goes to, if set
		void (*disable)();         // asks Audacious to disable the plug-in, later
	};

	// Loads and starts the add-on; fails when it cannot be found, loaded or
	// started, or the trace cannot be created.
	static Expected<std::unique_ptr<MeterBridge>> Start(const Setup& setup);
	~MeterBridge();

	MeterBridge(const MeterBridge&) = delete;
	MeterBridge& operator=(const MeterBridge&) = delete;

	// 512 frames of `channels` interleaved samples, full scale at ±1.
	void Render(const float* pcm, int channels);
	// Audacious cleared its visualisers: after a stop (not a pause or a seek)
	// the meters fall back to rest.
	void Cleared();
	// The add-on's own preferences window and about box.
	void Prefs();
	void About();

private:
	explicit MeterBridge(const Setup& setup);

	// One Render call of the add-on, traced; false when it is not running.
	bool RenderBlock(const int16_t* block);
	// Before the meter window goes: nothing may hold on to it.
	void Stopping();
	void HandleMessages();
	void Act(PlayerKey key);
	// The meter is gone: Audacious is asked to disable the plug-in.
	void Closed();
	void Log() const;

	Setup setup_;
	AddonGroup addons_;
	std::unique_ptr<DrawingTrace> trace_;
	std::unique_ptr<SilenceFeed> silence_;
	QueuedFunc poll_; // handles what the add-on posts while no block comes
	int16_t block_[kBlockValues] = {};
	int64_t renders_ = 0;  // the add-on's Render calls, numbered as the trace numbers them
	int64_t received_ = 0; // blocks Audacious handed over
	int64_t rendered_ = 0; // of those, the ones that reached the add-on's Render
	int64_t silent_ = 0;   // silent blocks after a stop
	bool closed_ = false;
};
