#include "FeedEffect.h"

#include "QmmpLibrary.h"

FeedEffect::~FeedEffect() { library_.feedEnd(this); }

void FeedEffect::configure(quint32 rate, ChannelMap map) {
	Effect::configure(rate, map);
	library_.feedConfigure(this, map.count(), static_cast<int>(rate));
}

void FeedEffect::applyEffect(Buffer* buffer) {
	// Qmmp marks the first buffer of each song with the song's information.
	library_.feedApply(this, buffer->data, static_cast<int>(buffer->samples), buffer->trackInfo ? 1 : 0);
}
