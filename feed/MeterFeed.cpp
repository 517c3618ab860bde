#include "MeterFeed.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>

#include "BlockSink.h"
#include "PlayerClock.h"

namespace {

using namespace std::chrono_literals;
using Clock = HeardPosition::Clock;

// The player's clock is read this often while it runs or stands still, and
// this often while a stretch waits for its first sound, so that the meters
// start on it as it is heard.
constexpr auto kPeriod = 40ms;
constexpr auto kHeldPeriod = 2ms;
// Blocks go out this long before they are heard: more than a period and the
// time a busy machine may keep the thread waiting.
constexpr auto kLookAhead = 150ms;
// A clock is sent again when the player's is this far from it.
constexpr double kClockSlackUs = 500;

int64_t Nanoseconds(Clock::time_point time) {
	return std::chrono::duration_cast<std::chrono::nanoseconds>(time.time_since_epoch()).count();
}

} // namespace

MeterFeed::~MeterFeed() {
	StopThread();
	if (wake_ >= 0) ::close(wake_);
}

void MeterFeed::Start(int channels, int rate, bool joining) {
	rate_ = rate > 0 ? rate : 44100;
	channels_ = std::max(channels, 1);
	cutter_.Restart(cutter_.Frame(), channels_);
	Queue(Begin{cutter_.Frame(), rate_, false, joining});
}

void MeterFeed::Process(const float* samples, int64_t count) { cutter_.Cut(samples, count / channels_); }

void MeterFeed::Flush() {
	cutter_.Drop();
	Queue(Begin{cutter_.Frame(), rate_, true, false});
}

void MeterFeed::Finish(bool endOfPlaylist) {
	cutter_.Finish();
	if (endOfPlaylist) Queue(End{});
}

void MeterFeed::Queue(Item item) {
	if (!active_.load(std::memory_order_acquire)) return;
	// A block is heard hundreds of milliseconds after it comes, and the
	// feed's thread reads the clock often enough anyway; it is woken for the
	// rest at once: a new stretch's first block, whose time it must read
	// before it is heard, a seek, the end.
	const bool block = std::holds_alternative<Block>(item);
	{
		const std::lock_guard lock(itemsLock_);
		items_.push_back(std::move(item));
	}
	if (!block) wakeForBlock_.store(true, std::memory_order_relaxed);
	if (!block || wakeForBlock_.exchange(false, std::memory_order_relaxed)) Wake();
}

void MeterFeed::Wake() {
	const uint64_t one = 1;
	if (wake_ >= 0) (void)!::write(wake_, &one, sizeof one);
}

void MeterFeed::Add(BlockSink& meter) {
	{
		const std::lock_guard lock(metersLock_);
		meters_.push_back(&meter);
	}
	if (thread_.joinable()) {
		// The newcomer learns the clock with the next reading.
		Wake();
		return;
	}
	if (wake_ < 0) wake_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
	wakeForBlock_.store(true, std::memory_order_relaxed);
	active_.store(true, std::memory_order_release);
	thread_ = std::jthread([this](std::stop_token stop) { Run(stop); });
}

void MeterFeed::Remove(BlockSink& meter) {
	bool last;
	{
		const std::lock_guard lock(metersLock_);
		std::erase(meters_, &meter);
		last = meters_.empty();
	}
	if (last) StopThread();
}

MeterFeed::Error MeterFeed::ClockError() {
	const std::lock_guard lock(errorLock_);
	return {error_.Below(0.5), error_.Below(0.99), error_.Latest()};
}

void MeterFeed::StopThread() {
	if (!thread_.joinable()) return;
	active_.store(false, std::memory_order_release);
	thread_.request_stop();
	Wake();
	thread_.join();
	const std::lock_guard lock(itemsLock_);
	items_.clear();
}

void MeterFeed::Run(std::stop_token stop) {
	// Each run starts afresh: what the stream was before is unknown.
	heard_ = HeardPosition();
	waiting_.clear();
	sent_.reset();
	stretchKnown_ = false;
	stretchSounding_ = true;
	joinNext_ = false;
	dropNext_ = false;
	ended_ = false;
	rested_ = true;
	size_t meters = 0;
	while (!stop.stop_requested()) {
		std::deque<Item> items;
		{
			const std::lock_guard lock(itemsLock_);
			items.swap(items_);
		}
		const std::optional<Joined> joined = Take(items);
		const ClockReading reading = clock_.Read();
		const auto now = Clock::now();
		if (joined) heard_.Join(joined->frame, joined->rate, reading, clock_.TypicalDelayMs(), now);
		heard_.Read(reading, now);
		{
			const std::lock_guard lock(metersLock_);
			// A meter added since learns the clock.
			if (meters_.size() != meters) sent_.reset();
			meters = meters_.size();
		}
		Send(reading, now);
		WaitUntil(now + (heard_.Held() ? kHeldPeriod : kPeriod));
	}
}

std::optional<MeterFeed::Joined> MeterFeed::Take(std::deque<Item>& items) {
	std::optional<Joined> joined;
	for (Item& item : items) {
		if (const auto* begin = std::get_if<Begin>(&item)) {
			if (begin->flushed) {
				waiting_.clear();
				dropNext_ = true;
			}
			ended_ = false;
			if (begin->joining) {
				joinNext_ = true;
				continue;
			}
			heard_.Begin(begin->frame, begin->rate, begin->flushed);
			stretchKnown_ = true;
			stretchSounding_ = false;
		} else if (auto* block = std::get_if<Block>(&item)) {
			if (!stretchKnown_ || joinNext_) {
				joined = Joined{block->frame, block->rate};
				stretchKnown_ = true;
				stretchSounding_ = true;
				joinNext_ = false;
			} else if (!stretchSounding_) {
				heard_.FirstSound();
				stretchSounding_ = true;
			}
			waiting_.push_back(std::move(*block));
		} else {
			heard_.End();
			ended_ = true;
		}
	}
	return joined;
}

void MeterFeed::Send(const ClockReading& reading, Clock::time_point now) {
	// A stop the player made without a flush leaves nothing to be heard.
	if (!reading.playing && !ended_ && !rested_) {
		waiting_.clear();
		dropNext_ = true;
	}
	const int rate = heard_.Rate();
	const meter_protocol::Clock clock{std::llround(heard_.Heard()), Nanoseconds(now),
	                                  static_cast<uint32_t>(rate), heard_.Moving() && !heard_.Held()};
	double errorUs = 0;
	if (sent_ && sent_->running && clock.running && sent_->rate == clock.rate) {
		const double foretold = double(sent_->frame) + double(clock.ns - sent_->ns) * rate / 1e9;
		errorUs = std::abs(heard_.Heard() - foretold) * 1e6 / rate;
		if (heard_.Exact()) {
			const std::lock_guard lock(errorLock_);
			error_.Add(std::llround(errorUs));
		}
	}
	const bool newClock = dropNext_ || !sent_ || sent_->running != clock.running ||
	                      sent_->rate != clock.rate ||
	                      (clock.running ? errorUs > kClockSlackUs : sent_->frame != clock.frame);
	const std::lock_guard lock(metersLock_);
	if (dropNext_)
		for (BlockSink* meter : meters_)
			meter->SendDrop();
	dropNext_ = false;
	if (newClock) {
		for (BlockSink* meter : meters_)
			meter->SendClock(clock);
		sent_ = clock;
	}
	// Blocks go ahead while the clock runs, and while it waits for a
	// stretch's first sound, so that they are there when it comes.
	if (clock.running || heard_.Held()) {
		const double ahead = heard_.Heard() + std::chrono::duration<double>(kLookAhead).count() * rate;
		while (!waiting_.empty() && double(waiting_.front().frame) < ahead) {
			const Block& block = waiting_.front();
			for (BlockSink* meter : meters_)
				meter->SendBlock(block.frame, block.rate, block.samples);
			waiting_.pop_front();
			rested_ = false;
		}
	}
	if (waiting_.empty() && !rested_ && (!reading.playing || ended_)) {
		for (BlockSink* meter : meters_)
			meter->SendRest();
		rested_ = true;
	}
}

void MeterFeed::WaitUntil(Clock::time_point when) {
	const auto left = std::max(when - Clock::now(), Clock::duration::zero());
	const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(left);
	const timespec timeout{static_cast<time_t>(seconds.count()),
	                       static_cast<long>(std::chrono::nanoseconds(left - seconds).count())};
	pollfd entry{wake_, POLLIN, 0};
	if (::ppoll(&entry, 1, &timeout, nullptr) > 0) {
		uint64_t count;
		(void)!::read(wake_, &count, sizeof count);
	}
}
