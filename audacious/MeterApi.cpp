// The calls the plug-ins make into this library, each a MeterBridge call.
#include "MeterApi.h"

#include <cstdio>
#include <memory>
#include <string>
#include <type_traits>

#include "host/AddonExitGuard.h"
#include "host/KitChoices.h"
#include "host/Report.h"

#include "MeterBridge.h"

#define VUMETERS_EXPORT extern "C" __attribute__((visibility("default")))

struct VuMeter {
	std::unique_ptr<MeterBridge> bridge;
};

namespace {

// What the kit is told once, before the first window: the settings folder
// and the display, from the variables vuplay reads too.
void SetUpHost() {
	static bool done = false;
	if (done) return;
	done = true;
	SetReportName("vu-meters");
	// A crash in an add-on's own code while it loads or unloads, or an
	// add-on that ends the process, is one line naming it, not a mystery
	// inside Audacious.
	AddonExitGuard::Install();
	KitChoices::FromEnvironment().Apply();
}

} // namespace

VUMETERS_EXPORT int vumeters_api_version() { return VUMETERS_AUDACIOUS_API; }

VUMETERS_EXPORT VuMeter* vumeters_start(const char* addon, const char* traceVariable, void (*disable)(),
                                        char* error, int size) {
	std::string why;
	// Nothing may be thrown into Audacious; running out of memory here is a failed start.
	try {
		SetUpHost();
		auto bridge = MeterBridge::Start({addon, traceVariable, disable});
		if (bridge) return new VuMeter{std::move(*bridge)};
		why = bridge.Error();
	} catch (const std::exception& exception) {
		why = std::string(addon) + ": " + exception.what();
	}
	std::snprintf(error, static_cast<size_t>(size), "%s", why.c_str());
	return nullptr;
}

VUMETERS_EXPORT void vumeters_end(VuMeter* meter) { delete meter; }

VUMETERS_EXPORT void vumeters_render(VuMeter* meter, const float* pcm, int channels) {
	meter->bridge->Render(pcm, channels);
}

VUMETERS_EXPORT void vumeters_clear(VuMeter* meter) { meter->bridge->Cleared(); }

VUMETERS_EXPORT void vumeters_prefs(VuMeter* meter) { meter->bridge->Prefs(); }

VUMETERS_EXPORT void vumeters_about(VuMeter* meter) { meter->bridge->About(); }

static_assert(std::is_same_v<decltype(&vumeters_api_version), VuMeterApiVersion>);
static_assert(std::is_same_v<decltype(&vumeters_start), VuMeterStart>);
static_assert(std::is_same_v<decltype(&vumeters_end), VuMeterEnd>);
static_assert(std::is_same_v<decltype(&vumeters_render), VuMeterRender>);
static_assert(std::is_same_v<decltype(&vumeters_clear), VuMeterClear>);
static_assert(std::is_same_v<decltype(&vumeters_prefs), VuMeterPrefs>);
static_assert(std::is_same_v<decltype(&vumeters_about), VuMeterAbout>);
