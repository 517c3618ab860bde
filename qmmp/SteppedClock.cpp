#include "SteppedClock.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

using Clock = SteppedClock::Clock;

// Qmmp tells the time once it has moved more than this since it last told,
// from -1 at a song's start: first at 250 ms or just after.
constexpr double kStepMs = 250;
// Between two tellings the time moves on at real time, but not past where
// the next telling was due: an output that stalls stalls the meters.
constexpr double kLongestStepMs = kStepMs + 50;
// A telling further than this from where the time was due is a seek.
constexpr double kJumpMs = 150;
// A measured output delay past this is a stall, not a delay.
constexpr double kLongestDelayMs = 2000;

double Ms(Clock::duration duration) { return std::chrono::duration<double, std::milli>(duration).count(); }

Clock::duration Duration(double ms) {
	return std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double, std::milli>(ms));
}

// Whether `ms` is what Qmmp first tells of a song it counts from 0.
bool FirstTelling(int64_t ms) { return ms >= kStepMs && ms <= kLongestStepMs; }

} // namespace

double SteppedClock::HeardAt(Clock::time_point now) const {
	const Clock::time_point at = paused_ ? pausedAt_ : now;
	if (told_) return told_->ms + std::clamp(Ms(at - told_->at), 0.0, kLongestStepMs);
	return std::max(0.0, Ms(at - heardFrom_));
}

void SteppedClock::Told(int64_t ms, Clock::time_point now) {
	const std::lock_guard locked(lock_);
	if (follows_) {
		follows_ = false;
		if (FirstTelling(ms)) {
			// Qmmp has counted the song since its first sound was handed over.
			offset_ = static_cast<double>(ms) - HeardAt(now);
			told_ = Telling{HeardAt(now), now};
			return;
		}
		offset_ = 0;
		return Seek(ms, now);
	}
	const double heard = static_cast<double>(ms) - offset_;
	if (!told_) {
		if (!FirstTelling(ms)) return Seek(ms, now);
		delayMs_ = std::clamp(Ms(now - handedAt_) - heard, 0.0, kLongestDelayMs);
	} else if (!told_->rough && std::abs(heard - HeardAt(now)) > kJumpMs) {
		offset_ = 0;
		return Seek(ms, now);
	}
	told_ = Telling{heard, now};
}

void SteppedClock::Seek(int64_t ms, Clock::time_point now) {
	told_ = Telling{static_cast<double>(ms), now};
	handedMs_ = static_cast<double>(ms);
	seek_ = true;
}

void SteppedClock::Guess(int64_t ms, Clock::time_point now) {
	const std::lock_guard locked(lock_);
	if (told_ || ms < 0) return;
	told_ = Telling{static_cast<double>(ms), now, true};
	handedMs_ = static_cast<double>(ms);
}

void SteppedClock::SongStarts(bool follows, Clock::time_point now) {
	const std::lock_guard locked(lock_);
	if (follows) {
		// Heard once the rest of the song before is.
		heardFrom_ = now + Duration(std::max(0.0, handedMs_ - HeardAt(now)));
	} else {
		heardFrom_ = now + Duration(delayMs_);
		handedAt_ = now;
		paused_ = false;
	}
	follows_ = follows;
	told_.reset();
	offset_ = 0;
	handedMs_ = 0;
	seek_ = false;
}

void SteppedClock::PlaybackRuns(bool runs) {
	const std::lock_guard locked(lock_);
	runs_ = runs;
}

void SteppedClock::HandedOver(int64_t frames, int rate) {
	const std::lock_guard locked(lock_);
	if (rate > 0) handedMs_ += static_cast<double>(frames) * 1000.0 / rate;
}

bool SteppedClock::TakeSeek() {
	const std::lock_guard locked(lock_);
	return std::exchange(seek_, false);
}

ClockReading SteppedClock::Read(State state, Clock::time_point now) {
	const std::lock_guard locked(lock_);
	if (state == State::Stopped && runs_) state = State::Playing;
	switch (state) {
	case State::Stopped:
		paused_ = false;
		return {};
	case State::Paused:
		if (!paused_) {
			paused_ = true;
			pausedAt_ = now;
		}
		break;
	case State::Playing:
		if (paused_) {
			// The time stood still while paused.
			const Clock::duration paused = now - pausedAt_;
			if (told_) told_->at += paused;
			heardFrom_ += paused;
			paused_ = false;
		}
		break;
	}
	return {true, state == State::Paused, std::llround(HeardAt(now))};
}

int64_t SteppedClock::UnheardMs(Clock::time_point now) {
	const std::lock_guard locked(lock_);
	return std::llround(handedMs_ - HeardAt(now));
}

int64_t SteppedClock::OutputDelayMs() {
	const std::lock_guard locked(lock_);
	return std::llround(delayMs_);
}
