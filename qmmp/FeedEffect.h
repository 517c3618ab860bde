// The feed, a Qmmp effect that changes nothing: it hands every sample
// played, after every other effect and before the output's buffer, to the
// meter library, which times each block to the moment it is heard. The
// meters enable it and disable it after the last one.
#pragma once

#include <qmmp/effect.h>

struct QmmpLibrary;

// Made and deleted on Qmmp's main thread, applied on its playback thread.
// It calls nothing of Qmmp's.
class FeedEffect final : public Effect {
public:
	explicit FeedEffect(const QmmpLibrary& library) : library_(library) {}
	~FeedEffect() override;

	void configure(quint32 rate, ChannelMap map) override;
	void applyEffect(Buffer* buffer) override;

private:
	const QmmpLibrary& library_;
};
