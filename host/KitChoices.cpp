#include "host/KitChoices.h"

#include <cstdio>
#include <cstdlib>

#include <FindDirectory.h>
#include <kit/Display.h>

namespace {

std::string NonEmptyVariable(const char* name) {
	const char* value = std::getenv(name);
	return value ? value : "";
}

std::optional<std::pair<int, int>> ScreenFromEnvironment() {
	const std::string value = NonEmptyVariable("VUMETERS_SCREEN");
	int width = 0;
	int height = 0;
	char end = 0;
	if (std::sscanf(value.c_str(), "%dx%d%c", &width, &height, &end) == 2 && width > 0 && height > 0 &&
	    width <= 65536 && height <= 65536)
		return std::pair{width, height};
	return std::nullopt;
}

} // namespace

KitChoices KitChoices::FromEnvironment() {
	KitChoices choices;
	choices.settingsFolder = NonEmptyVariable("VUMETERS_SETTINGS_DIR");
	choices.namedFolder = !choices.settingsFolder.empty();
	if (!choices.namedFolder) choices.settingsFolder = user_config_directory() + "/vu-meters";
	choices.headless = NonEmptyVariable("VUMETERS_HEADLESS") == "1";
	choices.screen = ScreenFromEnvironment();
	return choices;
}

void KitChoices::Apply() const {
	set_settings_directory(settingsFolder.c_str());
	if (headless && screen)
		kit::UseHeadlessDisplay(screen->first, screen->second);
	else if (headless)
		kit::UseHeadlessDisplay();
	else if (screen)
		kit::SetFallbackScreenSize(screen->first, screen->second);
}
