#include "QmmpFeed.h"

#include "feed/MeterFeed.h"

#include "SteppedClock.h"

namespace {

// An effect deleted with less than this still to be heard ended with its
// song, as Qmmp deletes it once its output has played everything out; with
// more, playback was stopped.
constexpr int64_t kPlayedOutMs = 150;

} // namespace

void QmmpFeed::Configure(const void* effect, int channels, int rate) {
	effect_ = effect;
	clock_.PlaybackRuns(true);
	channels_ = channels > 0 ? channels : 1;
	rate_ = rate;
	started_ = false;
}

void QmmpFeed::Apply(const void* effect, const float* samples, int64_t count, bool songStart) {
	if (effect != effect_) return;
	if (!started_) {
		started_ = true;
		// Without the song's first buffer, the effect joins a song that plays;
		// a jump the clock saw before is no seek of this playback's.
		if (songStart)
			clock_.SongStarts(false, SteppedClock::Clock::now());
		else
			(void)clock_.TakeSeek();
		feed_.Start(channels_, rate_, !songStart);
	} else if (songStart) {
		feed_.Finish(false);
		clock_.SongStarts(true, SteppedClock::Clock::now());
		feed_.Start(channels_, rate_, false);
	} else if (clock_.TakeSeek()) {
		feed_.Flush();
	}
	clock_.HandedOver(count / channels_, rate_);
	feed_.Process(samples, count);
}

void QmmpFeed::End(const void* effect) {
	if (effect != effect_) return;
	effect_ = nullptr;
	clock_.PlaybackRuns(false);
	if (!started_) return;
	if (clock_.UnheardMs(SteppedClock::Clock::now()) < kPlayedOutMs)
		feed_.Finish(true);
	else
		feed_.Flush();
}
