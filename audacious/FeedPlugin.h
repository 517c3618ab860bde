// The feed, an Audacious effect plug-in that changes nothing: it hands every
// sample played, after every other effect and before the output's buffer, to
// the meter library, which times each block to the moment it is heard. The
// meters enable it and disable it after the last one; it does nothing while
// no meter runs.
#pragma once

#include <libaudcore/plugin.h>

struct MeterLibrary;

// init() and cleanup() run on any thread, the rest on the playback thread,
// as Audacious makes the calls. Audacious may hold its playback lock during
// any of them: they call nothing of Audacious's.
class FeedPlugin final : public EffectPlugin {
public:
	// Last in the order: the meters show what the other effects made.
	static constexpr int kOrder = 9;

	constexpr explicit FeedPlugin(PluginInfo info) : EffectPlugin(info, kOrder, true) {}

	bool init() override;
	void start(int& channels, int& rate) override;
	Index<float>& process(Index<float>& data) override;
	bool flush(bool force) override;
	Index<float>& finish(Index<float>& data, bool endOfPlaylist) override;

private:
	const MeterLibrary* library_ = nullptr;
};
