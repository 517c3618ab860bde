// vuplay when X turns against it: a user hammering the shortcut and the
// menu, windows destroyed by another program, the X server going away. Run
// through run-under-xvfb.sh; the test that kills an X server starts its own.
#include <signal.h>

#include <chrono>
#include <optional>
#include <string>

#include "VuplayOnScreen.h"
#include "support/PrivateDisplay.h"

namespace {

using namespace std::chrono_literals;

class VuplaySurvivesXTest : public VuplayOnScreen {
protected:
	// Starts vuplay with both meters and waits for both windows to be where
	// the window manager leaves them.
	void StartBothMeters() {
		StartPlayer({"-p", "corvel", "-p", "kestle"});
		ASSERT_TRUE(Eventually([&] { return !(needles_ = WindowId(kNeedleMeterTitle)).empty(); }))
		    << Errors();
		barsAt_ = SettledGeometry(meter_);
		needlesAt_ = SettledGeometry(needles_);
		ASSERT_TRUE(barsAt_ && needlesAt_);
	}

	// Presses the shortcut in the meter window until the preferences window
	// is on screen: a press that comes while an earlier one is still closing
	// raises that one.
	bool OpenPreferences(const std::string& meter, const char* prefsTitle) {
		return Eventually([&] {
			Shell("xdotool windowactivate --sync " + meter + " key ctrl+p");
			return Eventually([&] { return !WindowId(prefsTitle).empty(); }, 2s);
		});
	}

	void ExpectBothFramesSaved() {
		EXPECT_TRUE(HoldFrame(Saved(), *barsAt_));
		EXPECT_TRUE(HoldFrame(Saved(kNeedleSettingsFile), *needlesAt_));
	}

	std::string needles_;
	std::optional<Geometry> barsAt_;
	std::optional<Geometry> needlesAt_;
};

std::string Centre(const Geometry& area) { return At(area.x + area.width / 2, area.y + area.height / 2); }

} // namespace

TEST_F(VuplaySurvivesXTest, FiftyRoundsOfTheShortcutAndTheMenuInTwoMetersThenCtrlCSavesBoth) {
	StartBothMeters();
	for (int round = 0; round < 50 && player_.Running(); round++)
		Shell("xdotool windowactivate " + meter_ + " key ctrl+p windowactivate " + needles_ +
		      " key ctrl+p mousemove " + Centre(*barsAt_) + " click 3 mousemove " + Centre(*needlesAt_) +
		      " click 3 2>/dev/null");
	ASSERT_TRUE(player_.Running()) << Errors();
	// Both meters still answer the shortcut, whichever presses the storm's
	// quick activations sent elsewhere.
	EXPECT_TRUE(OpenPreferences(meter_, kPrefsTitle)) << Errors();
	EXPECT_TRUE(OpenPreferences(needles_, kNeedlePrefsTitle)) << Errors();

	ASSERT_TRUE(player_.Signal(SIGINT));
	EXPECT_EQ(player_.Wait(60s), 128 + SIGINT) << Errors();
	ExpectBothFramesSaved();
}

TEST_F(VuplaySurvivesXTest, KillingTheXServerStopsBothMetersSavesTheirFramesAndExitsOne) {
	PrivateDisplay display;
	ASSERT_TRUE(display.Start());
	StartBothMeters();

	display.KillServer();
	EXPECT_EQ(player_.Wait(5s), 1) << Errors();
	EXPECT_EQ(Errors(), "vuplay: the display went away\n");
	ExpectBothFramesSaved();
}

// Another program destroying a meter window is the user closing it: that
// meter stops (its open preferences window closes with it) and the other
// goes on, until the last one ends the player.
TEST_F(VuplaySurvivesXTest, MeterWindowsDestroyedByAnotherProgramStopTheirMetersOneByOne) {
	StartBothMeters();
	ASSERT_TRUE(OpenPreferences(meter_, kPrefsTitle)) << Errors();
	const std::string prefs = WindowId(kPrefsTitle);
	Shell("xdotool windowclose " + meter_);
	EXPECT_TRUE(Eventually([&] { return !Viewable(prefs); })) << Errors();
	ASSERT_TRUE(player_.Running()) << Errors();
	EXPECT_TRUE(Viewable(needles_));

	Shell("xdotool windowclose " + needles_);
	EXPECT_EQ(player_.Wait(60s), 0) << Errors();
	const std::string log = Output();
	EXPECT_NE(log.find("close notice to add-on 1 "), std::string::npos) << log;
	EXPECT_NE(log.find("close notice to add-on 2 "), std::string::npos) << log;
	ExpectBothFramesSaved();
}

TEST_F(VuplaySurvivesXTest, APreferencesWindowDestroyedByAnotherProgramOpensAgain) {
	StartPlayer();
	ASSERT_TRUE(OpenPreferences(meter_, kPrefsTitle)) << Errors();
	const std::string prefs = WindowId(kPrefsTitle);
	Shell("xdotool windowclose " + prefs);
	ASSERT_TRUE(Eventually([&] { return !Viewable(prefs); }));

	EXPECT_TRUE(OpenPreferences(meter_, kPrefsTitle)) << Errors();
	EXPECT_EQ(CloseMeter(), 0) << Errors();
}
