#include "HeardPosition.h"

#include <algorithm>

void HeardPosition::Begin(int64_t frame, int rate, bool flushed) {
	stretch_ = Stretch{frame, rate, std::nullopt, false};
	ended_ = false;
	exact_ = false;
	if (flushed || heard_ >= static_cast<double>(frame)) {
		heard_ = static_cast<double>(frame);
		rate_ = rate;
	}
}

void HeardPosition::FirstSound() {
	if (stretch_) stretch_->sounding = true;
}

void HeardPosition::Join(int64_t frame, int rate, const ClockReading& reading, int64_t delayMs,
                         Clock::time_point now) {
	stretch_ = Stretch{frame, rate, reading.songMs + delayMs, true};
	ended_ = false;
	exact_ = false;
	heard_ = static_cast<double>(frame) - static_cast<double>(delayMs) * rate / 1000.0;
	rate_ = rate;
	heardAt_ = now;
	moving_ = reading.playing && !reading.paused;
}

void HeardPosition::End() { ended_ = true; }

void HeardPosition::Read(const ClockReading& reading, Clock::time_point now) {
	const double elapsed = std::chrono::duration<double>(now - heardAt_).count();
	heardAt_ = now;
	exact_ = false;
	held_ = false;
	moving_ = !reading.paused && (reading.playing || ended_);
	if (!moving_) return;
	if (stretch_ && !ended_ && reading.playing) {
		if (!stretch_->startMs && stretch_->sounding) stretch_->startMs = reading.songMs;
		if (stretch_->startMs && reading.songMs > *stretch_->startMs) {
			heard_ = static_cast<double>(stretch_->frame) +
			         static_cast<double>(reading.songMs - *stretch_->startMs) * stretch_->rate / 1000.0;
			rate_ = stretch_->rate;
			stretch_->heard = true;
			exact_ = true;
			return;
		}
	}
	heard_ += elapsed * rate_;
	// Until the clock moves in the latest stretch, none of it is heard. Once
	// it has, a clock that stops telling (the song closed) is no sign of that.
	if (stretch_ && !stretch_->heard && !ended_ && heard_ >= static_cast<double>(stretch_->frame)) {
		heard_ = static_cast<double>(stretch_->frame);
		rate_ = stretch_->rate;
		held_ = true;
	}
}

HeardPosition::Clock::time_point HeardPosition::When(int64_t frame) const {
	if (heard_ > static_cast<double>(frame)) return heardAt_;
	if (!moving_) return Clock::time_point::max();
	const double seconds = (static_cast<double>(frame) - heard_) / rate_;
	return heardAt_ + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
}
