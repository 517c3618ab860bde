#include "MeterFeed.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>

#include "BlockSink.h"
#include "PlayerClock.h"

namespace {

using Clock = HeardPosition::Clock;

// How often the clock is read while nothing is due: a stop is seen within it.
constexpr auto kIdleWait = std::chrono::milliseconds(50);

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
	{
		const std::lock_guard lock(itemsLock_);
		items_.push_back(std::move(item));
	}
	Wake();
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
	if (thread_.joinable()) return;
	if (wake_ < 0) wake_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
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
	stretchKnown_ = false;
	stretchSounding_ = true;
	joinNext_ = false;
	ended_ = false;
	rested_ = true;
	while (!stop.stop_requested()) {
		std::deque<Item> items;
		{
			const std::lock_guard lock(itemsLock_);
			items.swap(items_);
		}
		Take(items, clock_.Read());
		const ClockReading reading = clock_.Read();
		heard_.Read(reading, Clock::now());
		SendDue(reading);
		auto when = Clock::now() + kIdleWait;
		if (!waiting_.empty()) when = std::min(when, heard_.When(waiting_.front().frame + 1));
		WaitUntil(when);
	}
}

void MeterFeed::Take(std::deque<Item>& items, const ClockReading& reading) {
	for (Item& item : items) {
		if (const auto* begin = std::get_if<Begin>(&item)) {
			if (begin->flushed) waiting_.clear();
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
				heard_.Join(block->frame, block->rate, reading, clock_.TypicalDelayMs(), Clock::now());
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
}

void MeterFeed::SendDue(const ClockReading& reading) {
	// A stop the player made without a flush leaves nothing to be heard.
	if (!reading.playing && !ended_) waiting_.clear();
	const std::lock_guard lock(metersLock_);
	while (!waiting_.empty() && heard_.Heard() > static_cast<double>(waiting_.front().frame)) {
		const Block& block = waiting_.front();
		int32_t lateUs = meter_protocol::kUnmeasured;
		if (heard_.Exact() && block.rate == heard_.Rate())
			lateUs = static_cast<int32_t>(
			    std::lround((heard_.Heard() - static_cast<double>(block.frame)) * 1e6 / block.rate));
		for (BlockSink* meter : meters_)
			meter->SendBlock(block.samples, block.rate, lateUs);
		waiting_.pop_front();
		rested_ = false;
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
