#include "audio/LiveSource.h"

#include <algorithm>
#include <utility>

LiveSource::LiveSource(int sampleRate, WhenFull whenFull, int64_t capacityFrames)
    : sampleRate_(sampleRate), whenFull_(whenFull),
      capacitySamples_(static_cast<size_t>(std::max<int64_t>(capacityFrames, kBlockFrames)) * 2),
      blockTime_(std::chrono::duration_cast<Clock::duration>(
          std::chrono::duration<double>(static_cast<double>(kBlockFrames) / std::max(sampleRate, 1)))),
      left_(Clock::now()), lastTaken_(left_), due_(left_), lastArrival_(left_), wholeSince_(left_),
      nextSilent_(left_) {}

void LiveSource::Arrive(Clock::time_point now) {
	const bool first = !asked_;
	const bool wasAway = asked_ && now - left_ > kJitterAllowance;
	asked_ = true;
	if (first) lastTaken_ = due_ = now;
	if (whenFull_ == WhenFull::DropOldest && (first || wasAway)) queue_.clear();
}

LiveSource::Step LiveSource::Next(Clock::time_point now, Clock::time_point& until) const {
	if (!error_.empty()) return Step::End;
	if (queue_.size() >= kBlockSamples || (ended_ && !queue_.empty())) {
		until = due_;
		return pacing_ == Pacing::Clock && !stalled_ && now < due_ ? Step::Wait : Step::Sound;
	}
	if (ended_) return Step::End;
	if (stalled_ && queue_.empty()) {
		until = nextSilent_;
	} else {
		// Late is measured from when the sound taken so far would have played
		// to its end at real time, however fast it was taken: a player that
		// takes a burst at once waits for the next one as long as a paced one
		// does. Sound that has begun to come back is waited for as late sound is.
		until = std::max({lastTaken_, lastArrival_, due_}) + kJitterAllowance;
	}
	return now < until ? Step::Wait : Step::Silence;
}

bool LiveSource::WaitForBlock(Clock::duration limit) {
	if (!std::exchange(begun_, true)) Begin();
	std::unique_lock guard(lock_);
	Clock::time_point now = Clock::now();
	const Clock::time_point deadline = now + limit;
	Arrive(now);
	Step step;
	Clock::time_point until;
	while ((step = Next(now, until)) == Step::Wait && now < deadline) {
		changed_.wait_until(guard, std::min(until, deadline));
		now = Clock::now();
	}
	left_ = now;
	return step != Step::Wait;
}

bool LiveSource::NextBlock(AudioBlock& block) {
	if (!std::exchange(begun_, true)) Begin();
	std::unique_lock guard(lock_);
	Clock::time_point now = Clock::now(), until;
	Arrive(now);
	Step step;
	while ((step = Next(now, until)) == Step::Wait) {
		changed_.wait_until(guard, until);
		now = Clock::now();
	}
	left_ = now;
	if (step == Step::End) return false;
	if (step == Step::Sound) {
		// Late sound moves the pace on to when it came; a late player catches up, within limits.
		Clock::time_point start = stalled_ ? now : std::max(due_, wholeSince_);
		if (now - start > kJitterAllowance) start = now;
		due_ = start + blockTime_;
	} else {
		if (!stalled_) nextSilent_ = now;
		// Keeps to the block rate, without a burst to make up for a player that was away.
		nextSilent_ = std::max(nextSilent_ + blockTime_, now);
	}
	stalled_ = step == Step::Silence;
	lastTaken_ = now;
	Take(block);
	position_ += kBlockFrames;
	guard.unlock();
	changed_.notify_all(); // there is room for a Deliver that waits
	RoomMade();
	return true;
}

void LiveSource::Take(AudioBlock& block) {
	const size_t taken = std::min(queue_.size(), block.size());
	std::copy_n(queue_.begin(), taken, block.begin());
	std::fill(block.begin() + static_cast<std::ptrdiff_t>(taken), block.end(), int16_t{0});
	queue_.erase(queue_.begin(), queue_.begin() + static_cast<std::ptrdiff_t>(taken));
}

void LiveSource::Queue(const int16_t* samples, size_t count) {
	lastArrival_ = Clock::now();
	if (queue_.size() < kBlockSamples && queue_.size() + count >= kBlockSamples) wholeSince_ = lastArrival_;
	queue_.insert(queue_.end(), samples, samples + count);
	if (queue_.size() > capacitySamples_)
		queue_.erase(queue_.begin(),
		             queue_.begin() + static_cast<std::ptrdiff_t>(queue_.size() - capacitySamples_));
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
		Queue(samples, count);
		samples += count;
		if (queue_.size() >= kBlockSamples) {
			guard.unlock();
			changed_.notify_all();
			guard.lock();
		}
	}
	return true;
}

size_t LiveSource::Offer(const int16_t* samples, size_t frames) {
	std::unique_lock guard(lock_);
	size_t count = 2 * frames;
	if (whenFull_ == WhenFull::Wait)
		count = std::min(count, capacitySamples_ - std::min(capacitySamples_, queue_.size()));
	if (closed_ || count == 0) return 0;
	Queue(samples, count);
	const bool whole = queue_.size() >= kBlockSamples;
	guard.unlock();
	if (whole) changed_.notify_all();
	return count / 2;
}

void LiveSource::End(const std::string& error) {
	{
		std::lock_guard guard(lock_);
		ended_ = true;
		endError_ = error;
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
	if (!error_.empty()) return error_;
	return ended_ && queue_.empty() ? endError_ : std::string();
}

std::vector<std::string> LiveSource::TakeWarnings() {
	std::lock_guard guard(lock_);
	return std::exchange(warnings_, {});
}
