#include "MeterPlugin.h"

#include <cstdio>
#include <string>

#include <libaudcore/interface.h>

#include "MeterLibrary.h"

bool MeterPlugin::init() {
	std::string error;
	if ((library_ = MeterLibrary::Load(error))) {
		char why[512] = "";
		if ((meter_ = library_->start(addon_, traceVariable_, disable_, why, sizeof why))) return true;
		error = why;
	}
	std::fprintf(stderr, "vu-meters: %s\n", error.c_str());
	aud_ui_show_error((std::string(info.name) + ": " + error).c_str());
	return false;
}

void MeterPlugin::cleanup() {
	if (meter_) library_->end(meter_);
	meter_ = nullptr;
}

void MeterPlugin::clear() {
	if (meter_) library_->clear(meter_);
}

void MeterPlugin::render_multi_pcm(const float* pcm, int channels) {
	if (meter_) library_->render(meter_, pcm, channels);
}

void MeterPlugin::OpenPrefs() {
	if (meter_) library_->prefs(meter_);
}

void MeterPlugin::OpenAbout() {
	if (meter_) library_->about(meter_);
}
