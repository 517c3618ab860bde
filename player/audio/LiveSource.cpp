#include "audio/LiveSource.h"

#include <algorithm>
#include <utility>

LiveSource::LiveSource(int sampleRate, WhenFull whenFull, int64_t capacityFrames)
    : sampleRate_(sampleRate), whenFull_(whenFull),
      capacitySamples_(static_cast<size_t>(std::max<int64_t>(capacityFrames, kBlockFrames)) * 2),
      blockTime_(std::chrono::duration_cast<Clock::duration>(
          std::chrono::duration<double>(static_cast<double>(kBlockFrames) / std::max(sampleRate, 1)))),
      lastArrival_(Clock::now()) {}

bool LiveSource::NextBlock(AudioBlock& block) {
	std::unique_lock guard(lock_);
	for (;;) {
		if (!error_.empty()) return false;
		if (queue_.size() >= block.size() || (ended_ && !queue_.empty())) {
			stalled_ = false;
			Take(block);
			break;
		}
		if (ended_) return false;
		const Clock::time_point now = Clock::now();
		const Clock::time_point stallAt = lastArrival_ + kStallBlocks * blockTime_;
		if (now < stallAt) {
			changed_.wait_until(guard, stallAt);
			continue;
		}
		if (!stalled_) {
			stalled_ = true;
			nextSilent_ = now;
		}
		if (now < nextSilent_) {
			changed_.wait_until(guard, nextSilent_);
			continue;
		}
		// Keeps to the block rate, without a burst to make up for a player that was away.
		nextSilent_ = std::max(nextSilent_ + blockTime_, now);
		Take(block);
		break;
	}
	position_ += kBlockFrames;
	guard.unlock();
	changed_.notify_all(); // there is room for a Deliver that waits
	return true;
}

void LiveSource::Take(AudioBlock& block) {
	const size_t taken = std::min(queue_.size(), block.size());
	std::copy_n(queue_.begin(), taken, block.begin());
	std::fill(block.begin() + static_cast<std::ptrdiff_t>(taken), block.end(), int16_t{0});
	queue_.erase(queue_.begin(), queue_.begin() + static_cast<std::ptrdiff_t>(taken));
}

bool LiveSource::Deliver(const int16_t* samples, size_t frames) {
	const int16_t* const end = samples + 2 * frames;
	std::unique_lock guard(lock_);
	while (samples < end) {
		size_t count = static_cast<size_t>(end - samples);
		if (whenFull_ == WhenFull::Wait) {
			// Only as much as there is room for, so that nothing is dropped.
			changed_.wait(guard, [this] { return closed_ || queue_.size() < capacitySamples_; });
			count = std::min(count, capacitySamples_ - queue_.size());
		}
		if (closed_) return false;
		lastArrival_ = Clock::now();
		queue_.insert(queue_.end(), samples, samples + count);
		samples += count;
		if (queue_.size() > capacitySamples_)
			queue_.erase(queue_.begin(),
			             queue_.begin() + static_cast<std::ptrdiff_t>(queue_.size() - capacitySamples_));
		if (queue_.size() >= kBlockSamples) {
			guard.unlock();
			changed_.notify_all();
			guard.lock();
		}
	}
	return true;
}

void LiveSource::End() {
	{
		std::lock_guard guard(lock_);
		ended_ = true;
	}
	changed_.notify_all();
}

void LiveSource::Fail(const std::string& error) {
	{
		std::lock_guard guard(lock_);
		if (error_.empty()) error_ = error;
	}
	changed_.notify_all();
}

void LiveSource::Close() {
	{
		std::lock_guard guard(lock_);
		closed_ = true;
	}
	changed_.notify_all();
}

void LiveSource::Warn(const std::string& line) {
	std::lock_guard guard(lock_);
	warnings_.push_back(line);
}

std::string LiveSource::Error() const {
	std::lock_guard guard(lock_);
	return error_;
}

std::vector<std::string> LiveSource::TakeWarnings() {
	std::lock_guard guard(lock_);
	return std::exchange(warnings_, {});
}
