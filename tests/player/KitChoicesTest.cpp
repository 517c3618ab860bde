#include "KitOptions.h"

#include <gtest/gtest.h>

#include "TestFiles.h"

namespace {

using Screen = std::optional<std::pair<int, int>>;

// The variables the choices read, cleared for each test and restored after.
class KitChoicesTest : public testing::Test {
protected:
	ScopedVariable settings_{"VUMETERS_SETTINGS_DIR", nullptr};
	ScopedVariable headless_{"VUMETERS_HEADLESS", nullptr};
	ScopedVariable screen_{"VUMETERS_SCREEN", nullptr};
	ScopedVariable config_{"XDG_CONFIG_HOME", nullptr};
	ScopedVariable home_{"HOME", "/home/someone"};
};

} // namespace

TEST_F(KitChoicesTest, SettingsFolderIsTheOptionElseTheVariableElseTheFolderInTheUsersConfig) {
	KitOptions options;
	EXPECT_EQ(KitChoicesFor(options).settingsFolder, "/home/someone/.config/vu-meters");
	const ScopedVariable config("XDG_CONFIG_HOME", "/config/");
	EXPECT_EQ(KitChoicesFor(options).settingsFolder, "/config/vu-meters");
	const ScopedVariable empty("VUMETERS_SETTINGS_DIR", "");
	EXPECT_EQ(KitChoicesFor(options).settingsFolder, "/config/vu-meters");
	const ScopedVariable own("VUMETERS_SETTINGS_DIR", "/own");
	EXPECT_EQ(KitChoicesFor(options).settingsFolder, "/own");
	options.settingsDir = "/given";
	EXPECT_EQ(KitChoicesFor(options).settingsFolder, "/given");
}

TEST_F(KitChoicesTest, HeadlessOptionTakesTheScreenOptionAndOnlyOneInTheVariableMakesARunHeadless) {
	KitOptions options;
	KitChoices choices = KitChoicesFor(options);
	EXPECT_FALSE(choices.headless);
	EXPECT_EQ(choices.screen, std::nullopt);

	const ScopedVariable screen("VUMETERS_SCREEN", "800x600");
	for (const char* value : {"0", "yes", ""}) {
		const ScopedVariable headless("VUMETERS_HEADLESS", value);
		choices = KitChoicesFor(options);
		EXPECT_FALSE(choices.headless) << value;
		// Still the screen of the display used when none opens.
		EXPECT_EQ(choices.screen, Screen({800, 600})) << value;
	}
	const ScopedVariable headless("VUMETERS_HEADLESS", "1");
	choices = KitChoicesFor(options);
	EXPECT_TRUE(choices.headless);
	EXPECT_EQ(choices.screen, Screen({800, 600}));
	for (const char* nonsense : {"nonsense", "800x", "0x600", "800x600x2", "70000x600"}) {
		const ScopedVariable wrong("VUMETERS_SCREEN", nonsense);
		EXPECT_EQ(KitChoicesFor(options).screen, std::nullopt) << nonsense;
	}

	options.headless = true;
	options.screen = {640, 480};
	choices = KitChoicesFor(options);
	EXPECT_TRUE(choices.headless);
	EXPECT_EQ(choices.screen, Screen({640, 480}));
}
