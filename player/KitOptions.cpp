#include "KitOptions.h"

KitChoices KitChoicesFor(const KitOptions& options) {
	KitChoices choices = KitChoices::FromEnvironment();
	if (!options.settingsDir.empty()) {
		choices.settingsFolder = options.settingsDir;
		choices.namedFolder = true;
	}
	choices.privateSettings = options.headless && !choices.namedFolder;
	if (options.headless) {
		choices.headless = true;
		choices.screen = options.screen;
	}
	return choices;
}
