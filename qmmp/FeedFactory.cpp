#include "FeedFactory.h"

#include <cstdio>
#include <string>

#include <QMessageBox>

#include "FeedEffect.h"
#include "QmmpLibrary.h"

const EffectProperties FeedFactory::properties() const {
	EffectProperties properties;
	properties.name = "VU meters' feed";
	properties.shortName = VUMETERS_QMMP_FEED;
	properties.hasAbout = true;
	properties.priority = EffectProperties::EFFECT_PRIORITY_LOW;
	return properties;
}

Effect* FeedFactory::create() {
	std::string error;
	const QmmpLibrary* library = QmmpLibrary::Load(error);
	if (!library) {
		std::fprintf(stderr, "vu-meters: %s\n", error.c_str());
		return nullptr;
	}
	return new FeedEffect(*library);
}

void FeedFactory::showAbout(QWidget* parent) {
	QMessageBox::about(parent, "VU meters' feed",
	                   "Hands every sample Qmmp plays to the VU meters (Corvel's VU-Meter, Kestle VU-Meter), "
	                   "unchanged. A meter enables it when it starts and disables it after the last meter "
	                   "ends; while no meter runs it does nothing.");
}
