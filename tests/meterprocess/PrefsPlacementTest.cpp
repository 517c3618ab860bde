// The preferences window that a player's settings button opens goes beside
// the page the player shows for it, not over it: on a real X display with a
// window manager, this test as the player.
#include <gtest/gtest.h>

#include "feed/MeterProcess.h"
#include "player/TestFiles.h"
#include "support/MeterWindows.h"
#include "support/Watchdog.h"

#include "PlayerPage.h"

namespace {

using namespace std::chrono_literals;

TEST(PrefsPlacement, ThePreferencesWindowOpensBesideThePlayersPageInsteadOfOverIt) {
	Watchdog watchdog(120s);
	TempDir dir;
	ScopedVariable settings("VUMETERS_SETTINGS_DIR", (dir / "settings").c_str());
	auto meter = MeterProcess::Start({METER_PROGRAM, {"--addon", "kestle"}, {}, "kestle"});
	ASSERT_TRUE(meter) << meter.Error();
	(*meter)->Prefs();
	// Centred on the 1024 x 768 screen, as the add-on centres its window.
	PlayerPage page("Player page", 297, 334, 430, 100);
	ASSERT_TRUE(page.Open());
	std::string pageId, prefsId;
	ASSERT_TRUE(Eventually([&] {
		pageId = WindowId("^Player page$");
		prefsId = WindowId("^Kestle VU-Meter Prefs$");
		return !pageId.empty() && !prefsId.empty();
	}));
	const std::optional<Geometry> pageAt = SettledGeometry(pageId);
	ASSERT_TRUE(pageAt);
	std::optional<Geometry> prefsAt;
	EXPECT_TRUE(Eventually([&] {
		prefsAt = SettledGeometry(prefsId);
		return prefsAt && prefsAt->x > pageAt->x + pageAt->width;
	})) << "the preferences window is at "
	    << (prefsAt ? At(prefsAt->x, prefsAt->y) : "no place");
	ASSERT_TRUE(prefsAt);
	// Tops aligned, up to the decorations, which the two windows need not share.
	EXPECT_NEAR(prefsAt->y, pageAt->y, 25);
	EXPECT_LE(prefsAt->x + prefsAt->width, 1024) << "on the screen";
	const MeterProcess::Ending ending = (*meter)->End();
	EXPECT_EQ(ending.failure, "");
}

} // namespace
