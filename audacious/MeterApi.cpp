// The calls the plug-ins make into this library: the meters' on Audacious's
// main thread, the feed's on its playback thread.
#include "MeterApi.h"

#include <atomic>
#include <cstdio>
#include <memory>
#include <string>
#include <type_traits>

#include <libaudcore/drct.h>
#include <libaudcore/mainloop.h>
#include <libaudcore/plugins.h>

#include "feed/MeterFeed.h"
#include "feed/PlainCall.h"

#include "AudaciousClock.h"
#include "AudaciousMeter.h"

#define VUMETERS_EXPORT extern "C" __attribute__((visibility("default")))

struct VuMeter {
	std::unique_ptr<AudaciousMeter> meter;
};

namespace {

// For the rest of the process: Audacious's playback thread may still call
// the feed while the process ends.
MeterFeed& Feed() {
	static MeterFeed* feed = new MeterFeed(*new AudaciousClock());
	return *feed;
}

int gMeters = 0; // running; Audacious's main thread
// The feed was enabled while a song played: its next start joins that song.
// Set when a meter enables it; the feed's own calls may not ask Audacious,
// which holds its playback lock during them.
std::atomic<bool> gJoining{false};
// Audacious enables and disables plug-ins from its main loop, not from
// inside a call of another plug-in.
QueuedFunc gDisableFeedLater;

PluginHandle* FeedPlugin() { return aud_plugin_lookup_basename(VUMETERS_FEED_PLUGIN); }

} // namespace

VUMETERS_EXPORT int vumeters_api_version() { return VUMETERS_AUDACIOUS_API; }

VUMETERS_EXPORT VuMeter* vumeters_start(const char* addon, const char* title, void (*disable)(), char* error,
                                        int size) {
	return StartFromPlainCall<VuMeter>(addon, error, size, [&]() -> Expected<VuMeter*> {
		PluginHandle* feed = FeedPlugin();
		if (!feed) return FeedMissing(addon, VUMETERS_FEED_PLUGIN ".so", "Audacious");
		auto meter = AudaciousMeter::Start({addon, title, disable}, Feed());
		if (!meter) return Failure{meter.Error()};
		gMeters++;
		gDisableFeedLater.stop();
		if (!aud_plugin_get_enabled(feed)) {
			gJoining = aud_drct_get_playing();
			aud_plugin_enable(feed, true);
		}
		return new VuMeter{std::move(*meter)};
	});
}

VUMETERS_EXPORT void vumeters_end(VuMeter* meter) {
	delete meter;
	if (--gMeters > 0) return;
	gDisableFeedLater.queue([] {
		if (PluginHandle* feed = FeedPlugin(); feed && gMeters == 0) aud_plugin_enable(feed, false);
	});
}

VUMETERS_EXPORT void vumeters_prefs(VuMeter* meter) { meter->meter->Prefs(); }

VUMETERS_EXPORT void vumeters_about(VuMeter* meter) { meter->meter->About(); }

VUMETERS_EXPORT void vumeters_feed_start(int channels, int rate) {
	Feed().Start(channels, rate, gJoining.exchange(false));
}

VUMETERS_EXPORT void vumeters_feed_process(const float* samples, int count) {
	Feed().Process(samples, count);
}

VUMETERS_EXPORT void vumeters_feed_flush() { Feed().Flush(); }

VUMETERS_EXPORT void vumeters_feed_finish(int endOfPlaylist) { Feed().Finish(endOfPlaylist != 0); }

static_assert(std::is_same_v<decltype(&vumeters_api_version), VuMeterApiVersion>);
static_assert(std::is_same_v<decltype(&vumeters_start), VuMeterStart>);
static_assert(std::is_same_v<decltype(&vumeters_end), VuMeterEnd>);
static_assert(std::is_same_v<decltype(&vumeters_prefs), VuMeterPrefs>);
static_assert(std::is_same_v<decltype(&vumeters_about), VuMeterAbout>);
static_assert(std::is_same_v<decltype(&vumeters_feed_start), VuFeedStart>);
static_assert(std::is_same_v<decltype(&vumeters_feed_process), VuFeedProcess>);
static_assert(std::is_same_v<decltype(&vumeters_feed_flush), VuFeedFlush>);
static_assert(std::is_same_v<decltype(&vumeters_feed_finish), VuFeedFinish>);
