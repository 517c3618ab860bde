// The meter process's work: one add-on, started when the player plug-in
// asks, rendering each block the plug-in sends at the time the plug-in's
// clock says it is heard, and telling the plug-in what the meter window
// posts.
#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "feed/LatenessTally.h"
#include "feed/MeterChannel.h"
#include "feed/MeterProtocol.h"
#include "feed/TimedBlocks.h"
#include "host/AddonGroup.h"
#include "host/AddonLocator.h"
#include "host/DrawingTrace.h"
#include "host/RenderTrace.h"

#include "PrefsPlacement.h"
#include "SilenceFeed.h"

// Life: the plug-in's inputs, then Begin → the add-on loads and starts (its
// window opens at its saved frame) → Started → blocks, clocks, drops, rests,
// requests →
// the end of the socket (the plug-in disabled, the player gone, however it
// went), a closed meter or an ending signal → the add-on stops and unloads,
// which writes its settings → the timing goes back → exit 0, or 1 when the
// add-on let an exception out (its line then is the meter's last word).
//
// [main thread] Every call; the add-on's windows run on theirs.
class MeterChild {
public:
	struct Options {
		std::string addon;     // as AddonLocator takes it
		std::string trace;     // the drawing trace's file; empty for none
		std::string traceName; // how messages name it: "VUMETERS_KESTLE_TRACE"
		// The other meters' traces, "NAME=PATH": none may be this one's.
		std::vector<std::string> otherTraces;
	};

	MeterChild(Options options, MeterChannel channel);
	~MeterChild();

	MeterChild(const MeterChild&) = delete;
	MeterChild& operator=(const MeterChild&) = delete;

	// Runs it all; the exit status.
	int Run();

private:
	// The plug-in's inputs until Begin; false when the socket ended first
	// or the plug-in is of another build.
	bool ReadInputs();
	// Loads and starts the add-on, the trace first; a line when it cannot.
	Expected<void> StartAddon();
	// Refuses a trace that would write over an input (a song, an add-on) or
	// the settings file the add-on read as it loaded.
	Expected<void> OpenTrace(const std::string& addonPath, const AddonLocator& locator);
	void Serve();
	using Clock = std::chrono::steady_clock;

	// One message from the plug-in.
	void Take(const MeterChannel::Message& message);
	// Renders the blocks heard by now, then rests when told to and none waits.
	void RenderDue();
	void RenderBlock(const int16_t* samples);
	// The add-on's preferences window, beside the player's page when it is new.
	void OpenPrefs();
	// What the meter window posted; false once the meter is closed.
	bool HandleMessages();
	void Leave();
	void Send(uint8_t type, const void* payload = nullptr, size_t size = 0);

	Options options_;
	MeterChannel channel_;
	std::vector<std::string> inputs_;
	std::unique_ptr<DrawingTrace> trace_;
	std::unique_ptr<RenderTrace> renderTrace_; // the trace's lines for Render calls; with trace_
	AddonGroup addons_;
	TimedBlocks blocks_; // sent, not yet heard
	SilenceFeed silence_;
	PrefsPlacement prefsPlacement_;
	LatenessTally lateness_; // how late Render started after each block's time
	bool restNext_ = false;  // rest once the blocks waiting are rendered
	int rate_ = 44100;       // of the last block, for the silence after it
	int64_t renders_ = 0;    // Render calls, numbered as the trace numbers them [renderTrace_]
	int64_t rendered_ = 0;   // of those, blocks of sound
	int64_t silent_ = 0;     // and silent blocks after a stop
	bool ended_ = false;     // the plug-in sends no more, or cannot be told
	bool unheard_ = false;   // what is sent no longer reaches the plug-in
};
