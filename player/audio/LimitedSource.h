// Another source, ended after a number of frames: --duration.
#pragma once

#include "audio/AudioSource.h"

// Counts the frames handed over, not the position, so that seeking does not
// change how much is played. The block that reaches the limit is cut there
// and padded with silence, as a stream's last block is. Everything else is
// the inner source's.
//
// [player thread]
class LimitedSource final : public AudioSource {
public:
	// `inner` must outlive this.
	LimitedSource(AudioSource& inner, int64_t frames) : inner_(inner), limit_(frames) {}

	std::string Name() const override { return inner_.Name(); }
	int SampleRate() const override { return inner_.SampleRate(); }
	// The inner total, or less when the limit comes first; -1 for a live source.
	int64_t TotalFrames() const override;
	int64_t Position() const override { return inner_.Position(); }
	bool NextBlock(AudioBlock& block) override;
	bool Seek(int64_t frame) override { return inner_.Seek(frame); }
	std::string Error() const override { return inner_.Error(); }
	// The inner end, or where the limit cut the sound when that came first.
	int64_t EndOfSound() const override;
	bool WaitForBlock(std::chrono::steady_clock::duration limit) override {
		return played_ >= limit_ || inner_.WaitForBlock(limit);
	}
	bool IsLive() const override { return inner_.IsLive(); }
	bool IsPlayed() const override { return inner_.IsPlayed(); }
	std::vector<std::string> TakeWarnings() override { return inner_.TakeWarnings(); }

	// Frames handed over so far.
	int64_t Played() const { return played_; }

private:
	AudioSource& inner_;
	int64_t limit_;
	int64_t played_ = 0;
	int64_t cut_ = -1; // the frame where the limit ended the sound, once it did
};
