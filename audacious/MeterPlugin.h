// An Audacious visualisation plug-in that runs one meter add-on: Audacious
// enables and disables it, hands it blocks and clears it; the meter library
// does the rest while it is enabled.
#pragma once

#include <libaudcore/plugin.h>

#include "MeterApi.h"

struct MeterLibrary;

// [Audacious's main thread] Every call, as Audacious makes them.
class MeterPlugin final : public VisPlugin {
public:
	// Everything named is a literal: `addon` the add-on's name, `traceVariable`
	// the variable that names its trace, `disable` asks Audacious to disable
	// this plug-in later.
	MeterPlugin(PluginInfo info, const char* addon, const char* traceVariable, void (*disable)())
	    : VisPlugin(info, Visualizer::MultiPCM), addon_(addon), traceVariable_(traceVariable),
	      disable_(disable) {}

	// Enabled: the add-on is loaded and started. False, with a line on
	// standard error and a message from Audacious, when it cannot be.
	bool init() override;
	// Disabled, or Audacious quits: the add-on stops and writes its settings.
	void cleanup() override;
	// After a stop the meters fall back to rest.
	void clear() override;
	void render_multi_pcm(const float* pcm, int channels) override;

	// The add-on's preferences window and about box; nothing while disabled.
	void OpenPrefs();
	void OpenAbout();

private:
	const char* addon_;
	const char* traceVariable_;
	void (*disable_)();
	const MeterLibrary* library_ = nullptr;
	VuMeter* meter_ = nullptr;
};
