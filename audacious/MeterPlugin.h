// An Audacious visualisation plug-in that runs one meter add-on: enabling it
// starts the meter, disabling it ends the meter; the meter library does the
// rest while it is enabled. Audacious's own visualisation data is not used:
// the feed hands the meter every block.
#pragma once

#include <libaudcore/plugin.h>

#include "MeterApi.h"

struct MeterLibrary;

// [Audacious's main thread] Every call, as Audacious makes them.
class MeterPlugin final : public VisPlugin {
public:
	// `addon` is the add-on's name, a literal; `disable` asks Audacious to
	// disable this plug-in later.
	MeterPlugin(PluginInfo info, const char* addon, void (*disable)())
	    : VisPlugin(info, 0), addon_(addon), disable_(disable) {}

	// Enabled: the meter starts. False, with a line on standard error and a
	// message from Audacious, when it cannot.
	bool init() override;
	// Disabled, or Audacious quits: the meter ends and writes its settings.
	void cleanup() override;
	void clear() override {}

	// The add-on's preferences window and about box; nothing while disabled.
	void OpenPrefs();
	void OpenAbout();

private:
	const char* addon_;
	void (*disable_)();
	const MeterLibrary* library_ = nullptr;
	VuMeter* meter_ = nullptr;
};
