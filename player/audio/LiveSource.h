// Sound that arrives as it is made, handed from the thread that receives it to
// the player in blocks, with silence wherever it stalls.
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
// a FIFO). A subclass receives the sound on a thread of its own and hands it
// over with Deliver; the player takes it with NextBlock.
//
// NextBlock waits for a whole block. When nothing has arrived for kStallBlocks
// blocks' time, it gives what is queued padded with silence, and from then on
// a silent block every block's time while nothing comes: the player keeps
// rendering at the block rate and the meters fall back to rest. Sound that
// arrives again is handed over from its first frame, at once. The stream ends
// only when the subclass says so (End, Fail).
//
// When more than `capacityFrames` are queued because the player takes them
// too slowly (a paused player, a slow meter), WhenFull says what happens:
// DropOldest keeps the newest sound, right for a meter of what plays now, and
// never blocks the receiving thread (a sound server does not wait); Wait
// blocks Deliver until there is room, which makes a pipe's writer wait and so
// loses nothing.
class LiveSource : public AudioSource {
public:
	enum class WhenFull { DropOldest, Wait };

	// Blocks of nothing after which the stream counts as stalled: longer than
	// the gaps in which a sound server delivers a steady stream.
	static constexpr int kStallBlocks = 4;

	~LiveSource() override = default;
	LiveSource(const LiveSource&) = delete;
	LiveSource& operator=(const LiveSource&) = delete;

	// [player thread]
	int SampleRate() const final { return sampleRate_; }
	int64_t TotalFrames() const final { return -1; }
	int64_t Position() const final { return position_; }
	bool NextBlock(AudioBlock& block) override;
	bool Seek(int64_t) final { return false; }
	std::string Error() const final;
	bool IsLive() const final { return true; }
	std::vector<std::string> TakeWarnings() final;

protected:
	LiveSource(int sampleRate, WhenFull whenFull, int64_t capacityFrames);

	// [receiving thread] Queues `frames` interleaved stereo frames. With Wait,
	// blocks until all of them are queued, a part whenever there is room, more
	// than the queue holds included. False once Close() was called: the
	// receiving thread should stop then.
	bool Deliver(const int16_t* samples, size_t frames);
	// [receiving thread] The stream ends after what was delivered.
	void End();
	// [any thread] The stream ends now; Error() gives `error`.
	void Fail(const std::string& error);
	// [any thread] A line for TakeWarnings.
	void Warn(const std::string& line);
	// [any thread] Wakes a Deliver that waits and makes every later one
	// return false; for the subclass's destructor, before it stops its thread.
	void Close();

private:
	using Clock = std::chrono::steady_clock;

	// Hands over the queued frames, at most a block, padded with silence. [locked]
	void Take(AudioBlock& block);

	const int sampleRate_;
	const WhenFull whenFull_;
	const size_t capacitySamples_;
	const Clock::duration blockTime_;
	int64_t position_ = 0; // player thread only

	mutable std::mutex lock_; // guards the members below
	std::condition_variable changed_;
	std::deque<int16_t> queue_;
	Clock::time_point lastArrival_; // of any sound, or the start
	Clock::time_point nextSilent_;  // when a silent block is due while stalled
	bool stalled_ = false;
	bool ended_ = false;
	bool closed_ = false;
	std::string error_;
	std::vector<std::string> warnings_;
};
