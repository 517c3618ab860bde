// The calls the plug-ins make into this library: the meters' on Qmmp's main
// thread, the feed's as Qmmp makes them.
#include "QmmpApi.h"

#include <cstdio>
#include <memory>
#include <string>
#include <type_traits>

#include <QCoreApplication>

#include <qmmp/effect.h>

#include "feed/MeterFeed.h"
#include "feed/PlainCall.h"

#include "QmmpClock.h"
#include "QmmpFeed.h"
#include "QmmpMeter.h"
#include "SteppedClock.h"

#define VUMETERS_EXPORT extern "C" __attribute__((visibility("default")))

struct VuQmmpMeter {
	std::unique_ptr<QmmpMeter> meter;
};

namespace {

// For the rest of the process: Qmmp's playback thread may still call the
// feed while the process ends.
struct Parts {
	SteppedClock stepped;
	QmmpClock clock{stepped};
	MeterFeed feed{clock};
	QmmpFeed effect{feed, stepped};
};

Parts& The() {
	static Parts* parts = new Parts();
	return *parts;
}

int gMeters = 0; // running; Qmmp's main thread

EffectFactory* FeedFactory() { return Effect::findFactory(VUMETERS_QMMP_FEED); }

// Qmmp disables the feed from its main loop, after the meter that was last
// has gone, unless another started meanwhile.
void DisableFeedLater() {
	QMetaObject::invokeMethod(
	    QCoreApplication::instance(),
	    [] {
		    if (EffectFactory* feed = FeedFactory(); feed && gMeters == 0 && Effect::isEnabled(feed))
			    Effect::setEnabled(feed, false);
	    },
	    Qt::QueuedConnection);
}

} // namespace

VUMETERS_EXPORT int vumeters_qmmp_api_version() { return VUMETERS_QMMP_API; }

VUMETERS_EXPORT VuQmmpMeter* vumeters_qmmp_start(const char* addon, const char* title,
                                                 void (*disable)(void* context), void* context, char* error,
                                                 int size) {
	return StartFromPlainCall<VuQmmpMeter>(addon, error, size, [&]() -> Expected<VuQmmpMeter*> {
		EffectFactory* feed = FeedFactory();
		if (!feed) return FeedMissing(addon, "libvu-meters-feed.so", "Qmmp");
		The().clock.Listen();
		The().clock.Guess();
		auto meter = QmmpMeter::Start({addon, title, [disable, context] { disable(context); }}, The().feed,
		                              The().clock);
		if (!meter) return Failure{meter.Error()};
		gMeters++;
		if (!Effect::isEnabled(feed)) Effect::setEnabled(feed, true);
		return new VuQmmpMeter{std::move(*meter)};
	});
}

VUMETERS_EXPORT void vumeters_qmmp_end(VuQmmpMeter* meter) {
	delete meter;
	if (--gMeters == 0) DisableFeedLater();
}

VUMETERS_EXPORT void vumeters_qmmp_prefs(VuQmmpMeter* meter) { meter->meter->Prefs(); }

VUMETERS_EXPORT void vumeters_qmmp_about(VuQmmpMeter* meter) { meter->meter->About(); }

VUMETERS_EXPORT void vumeters_qmmp_feed_configure(const void* effect, int channels, int rate) {
	The().effect.Configure(effect, channels, rate);
}

VUMETERS_EXPORT void vumeters_qmmp_feed_apply(const void* effect, const float* samples, int count,
                                              int songStart) {
	The().effect.Apply(effect, samples, count, songStart != 0);
}

VUMETERS_EXPORT void vumeters_qmmp_feed_end(const void* effect) { The().effect.End(effect); }

static_assert(std::is_same_v<decltype(&vumeters_qmmp_api_version), VuQmmpApiVersion>);
static_assert(std::is_same_v<decltype(&vumeters_qmmp_start), VuQmmpStart>);
static_assert(std::is_same_v<decltype(&vumeters_qmmp_end), VuQmmpEnd>);
static_assert(std::is_same_v<decltype(&vumeters_qmmp_prefs), VuQmmpPrefs>);
static_assert(std::is_same_v<decltype(&vumeters_qmmp_about), VuQmmpAbout>);
static_assert(std::is_same_v<decltype(&vumeters_qmmp_feed_configure), VuQmmpFeedConfigure>);
static_assert(std::is_same_v<decltype(&vumeters_qmmp_feed_apply), VuQmmpFeedApply>);
static_assert(std::is_same_v<decltype(&vumeters_qmmp_feed_end), VuQmmpFeedEnd>);
