// Sound that arrives as it is made, handed from the thread that receives it to
// the player in blocks, with silence only where it really stalls.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "audio/AudioSource.h"

// The base of every live source (capture devices, the sound server's monitor,
// FIFOs and pipes). A subclass receives the sound on a thread of its own and
// hands it over with Deliver; the player takes it with NextBlock.
//
// NextBlock gives a whole block as soon as one has come, or, paced by the
// clock (SetPacing), once it is due as well: a block's time after the one
// before, so that sound that comes faster plays at real time. Sound is late
// when it is not there by the time the sound taken so far would have played
// to its end at real time, whatever the pacing, so that a player that takes
// each burst at once gives the same blocks as one that plays it; it counts
// as stalled only after kJitterAllowance more without a block, which rides
// out a writer that sends in bursts ten times a second, a sound server's
// quantum and a busy machine. Then what is queued is handed over padded with
// silence, and a silent block follows every block's time while
// nothing comes: the meters fall back to rest. Sound that arrives again is
// handed over from its first frame, at once, and nothing else is ever added
// to it. Late sound moves the pace on to when it came; a player that was late
// catches up with the blocks that are there, up to the allowance. The stream
// ends only when the subclass says so (End, Fail).
//
// The wait for a stall starts with the first block asked for, not when the
// source was made. A DropOldest source drops what came before then, and what
// came while the player was away for longer than the allowance (paused), as
// it is stale for a meter of what plays now.
//
// When more than `capacityFrames` are queued because the player takes them
// too slowly (a paused player, pacing to real time behind a faster writer),
// WhenFull says what happens: DropOldest keeps the newest sound, right for a
// meter of what plays now, and never blocks the receiving thread (a sound
// server does not wait); Wait blocks Deliver until there is room, which makes
// a pipe's writer wait and so loses nothing.
class LiveSource : public AudioSource {
public:
	enum class WhenFull { DropOldest, Wait };
	enum class Pacing {
		Arrival, // as it comes: the player paces it, or takes it as fast as it can
		Clock,   // no faster than real time
	};
	using Clock = std::chrono::steady_clock;

	// How long sound may be late before the stream counts as stalled: more
	// than the 100 ms between the bursts of a writer that sends ten times a
	// second, with room to spare for a machine under load.
	static constexpr auto kJitterAllowance = std::chrono::milliseconds(250);

	~LiveSource() override = default;
	LiveSource(const LiveSource&) = delete;
	LiveSource& operator=(const LiveSource&) = delete;

	// [player thread]
	int SampleRate() const final { return sampleRate_; }
	int64_t TotalFrames() const override { return -1; }
	int64_t Position() const final { return position_; }
	bool NextBlock(AudioBlock& block) override;
	bool WaitForBlock(Clock::duration limit) override;
	bool Seek(int64_t) final { return false; }
	std::string Error() const final;
	bool IsLive() const final { return true; }
	std::vector<std::string> TakeWarnings() final;
	// [player thread] Before the first block; Arrival unless said otherwise.
	void SetPacing(Pacing pacing) { pacing_ = pacing; }

protected:
	LiveSource(int sampleRate, WhenFull whenFull, int64_t capacityFrames);

	// [receiving thread] Queues `frames` interleaved stereo frames. With Wait,
	// blocks until all of them are queued, a part whenever there is room, more
	// than the queue holds included. False once Close() was called: the
	// receiving thread should stop then.
	bool Deliver(const int16_t* samples, size_t frames);
	// [receiving thread] Queues as many of `frames` as there is room for,
	// without waiting (all of them with DropOldest); how many. 0 once Close()
	// was called. For a thread that must go on watching something else while
	// the player catches up; RoomMade() tells it when to offer the rest.
	size_t Offer(const int16_t* samples, size_t frames);
	// [receiving thread] The stream ends after what was delivered; with an
	// `error`, which Error() gives from then on, as a failure.
	void End(const std::string& error = {});
	// [any thread] The stream ends now, though sound is queued; Error() gives `error`.
	void Fail(const std::string& error);
	// [any thread] A line for TakeWarnings.
	void Warn(const std::string& line);
	// [any thread] Wakes a Deliver that waits and makes every later one
	// return false; for the subclass's destructor, before it stops its thread.
	void Close();
	// [player thread] Called once, when the player first asks for a block: a
	// subclass that reads a pipe starts reading there, so that it takes
	// nothing from the pipe before the player plays it.
	virtual void Begin() {}
	// [player thread] Called after each block taken: there is room in the
	// queue for what Offer() did not take.
	virtual void RoomMade() {}

private:
	// What NextBlock does next.
	enum class Step { Wait, Sound, Silence, End };

	// On entering NextBlock or WaitForBlock. [locked]
	void Arrive(Clock::time_point now);
	// What NextBlock would do at `now`; for Wait, `until` is when that changes
	// unless sound comes first. [locked]
	Step Next(Clock::time_point now, Clock::time_point& until) const;
	// Hands over the queued frames, at most a block, padded with silence. [locked]
	void Take(AudioBlock& block);
	// Adds `count` samples to the queue, dropping the oldest past its capacity. [locked]
	void Queue(const int16_t* samples, size_t count);

	const int sampleRate_;
	const WhenFull whenFull_;
	const size_t capacitySamples_;
	const Clock::duration blockTime_;
	Pacing pacing_ = Pacing::Arrival; // player thread only
	int64_t position_ = 0;            // player thread only
	bool begun_ = false;              // player thread only

	mutable std::mutex lock_; // guards the members below
	std::condition_variable changed_;
	std::deque<int16_t> queue_;
	bool asked_ = false;            // the player has asked for a block
	Clock::time_point left_;        // when the player last returned from NextBlock or WaitForBlock
	Clock::time_point lastTaken_;   // when the player last took a block, or first asked
	Clock::time_point due_;         // paced by the clock: when the next block is due
	Clock::time_point lastArrival_; // when sound last came
	Clock::time_point wholeSince_;  // when the queue last came to hold a whole block
	Clock::time_point nextSilent_;  // when a silent block is due while stalled
	bool stalled_ = false;
	bool ended_ = false;
	bool closed_ = false;
	std::string error_;    // a failure: the stream ends at once
	std::string endError_; // the stream fails once what is queued is taken
	std::vector<std::string> warnings_;
};
