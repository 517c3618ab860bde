// The sound a player plays, cut into blocks and handed to each running meter
// with the times they are heard: a player plug-in's effect side hands over
// every sample before the output's buffer, and the feed's thread follows the
// player's clock, sending each meter the blocks a little before they are
// heard and the clock that says when, which the meter renders them by.
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <thread>
#include <variant>
#include <vector>

#include "BlockCutter.h"
#include "HeardPosition.h"
#include "LatenessTally.h"

class BlockSink;
class PlayerClock;

// Life: the player's effect calls Start, then Process for every piece of
// sound, Flush on a seek or stop, Finish at each song's end, from its
// playback thread; meters are added and removed from the player's main
// thread. The feed's own thread runs while any meter is added: it reads the
// clock a few times a second, and often while a stretch waits for its first
// sound to be heard; a player that tells of a pause, a resume or a seek as it
// happens calls Nudge() so that the meters learn at once. A seek drops what
// was waiting; after a stop, or the playlist's last block, each meter is told
// to fall to rest.
//
// The playback thread never waits here but for a short lock: blocks are
// queued, and sending never waits for a meter process (one that does not
// read loses blocks, and its own watch ends it).
class MeterFeed {
public:
	explicit MeterFeed(PlayerClock& clock) : clock_(clock) {}
	~MeterFeed(); // the thread has stopped: every meter was removed

	MeterFeed(const MeterFeed&) = delete;
	MeterFeed& operator=(const MeterFeed&) = delete;

	// [playback thread] A song starts, or the stream restarts, with
	// `channels` channels at `rate`; `joining`: in the middle of a song that
	// was already playing (the effect was just enabled).
	void Start(int channels, int rate, bool joining);
	// [playback thread] `count` interleaved samples (all channels
	// together, whole frames), full scale at ±1.
	void Process(const float* samples, int64_t count);
	// [playback thread] A seek or a stop: what was handed over is never heard.
	void Flush();
	// [playback thread] A song ends; `endOfPlaylist`: no song follows.
	void Finish(bool endOfPlaylist);

	// [any thread] The player paused, resumed or seeks: the clock is read now.
	void Nudge() { Wake(); }

	// [main thread] `meter` gets every block heard from now on, until it is
	// removed; it must outlive that.
	void Add(BlockSink& meter);
	// [main thread] Once it returns, the feed no longer touches `meter`.
	void Remove(BlockSink& meter);

	// How far the clocks sent were from the player's own when it was read
	// again, in microseconds: half within the first, 99 % within the second,
	// and the farthest. [any thread]
	struct Error {
		int32_t medianUs = 0, p99Us = 0, latestUs = 0;
	};
	Error ClockError();

private:
	struct Begin {
		int64_t frame;
		int rate;
		bool flushed;
		bool joining;
	};
	struct Block {
		int64_t frame;
		int rate;
		int16_t samples[meter_protocol::kBlockSamples];
	};
	struct End {};
	using Item = std::variant<Begin, Block, End>;
	// Where a stream already playing was joined.
	struct Joined {
		int64_t frame;
		int rate;
	};

	void Queue(Item item);
	void Run(std::stop_token stop);
	// Takes what the playback thread queued into the position and the
	// waiting blocks; where the stream was joined, if it was.
	std::optional<Joined> Take(std::deque<Item>& items);
	// Sends the meters what changed: a drop, the clock, the blocks heard
	// within the look-ahead, the rest.
	void Send(const ClockReading& reading, HeardPosition::Clock::time_point now);
	void Wake();
	void WaitUntil(HeardPosition::Clock::time_point when);
	void StopThread();

	PlayerClock& clock_;

	// The playback thread's side.
	BlockCutter cutter_{[this](int64_t frame, const BlockCutter::Samples& samples) {
		Block block{frame, rate_, {}};
		std::copy(std::begin(samples), std::end(samples), block.samples);
		Queue(block);
	}};
	int rate_ = 44100;
	int channels_ = 2;

	std::atomic<bool> active_{false};      // any meter added: blocks are queued
	std::atomic<bool> wakeForBlock_{true}; // the next block wakes the feed's thread
	std::mutex itemsLock_;                 // guards items_
	std::deque<Item> items_;
	std::mutex metersLock_;          // guards meters_; held while the feed's thread sends
	std::vector<BlockSink*> meters_; // not owned
	int wake_ = -1;                  // an eventfd the feed's thread waits on; owned
	std::mutex errorLock_;           // guards error_
	LatenessTally error_;

	// The feed's thread's side.
	std::jthread thread_;
	HeardPosition heard_;
	std::deque<Block> waiting_; // not sent yet
	std::optional<meter_protocol::Clock> sent_;
	bool stretchKnown_ = false;   // a stretch began since the thread started
	bool stretchSounding_ = true; // the latest stretch's first block came
	bool joinNext_ = false;       // the next block starts a joined stretch
	bool dropNext_ = false;       // the meters drop what they were sent
	bool ended_ = false;          // the playlist's last block came
	bool rested_ = true;          // the meters were told to rest since the last block
};
