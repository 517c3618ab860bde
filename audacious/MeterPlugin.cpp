#include "MeterPlugin.h"

#include <cstdio>
#include <string>

#include <libaudcore/interface.h>

#include "MeterLibrary.h"

bool MeterPlugin::init() {
	std::string error;
	if ((library_ = MeterLibrary::Load(error))) {
		char why[1024] = "";
		if ((meter_ = library_->start(addon_, info.name, disable_, why, sizeof why))) return true;
		// The library has written its line on standard error.
		aud_ui_show_error((std::string(info.name) + ": " + why).c_str());
		return false;
	}
	std::fprintf(stderr, "vu-meters: %s\n", error.c_str());
	aud_ui_show_error((std::string(info.name) + ": " + error).c_str());
	return false;
}

void MeterPlugin::cleanup() {
	if (meter_) library_->end(meter_);
	meter_ = nullptr;
}

void MeterPlugin::OpenPrefs() {
	if (meter_) library_->prefs(meter_);
}

void MeterPlugin::OpenAbout() {
	if (meter_) library_->about(meter_);
}
