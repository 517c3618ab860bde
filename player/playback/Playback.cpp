#include "playback/Playback.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <deque>
#include <limits>
#include <thread>

#include "playback/PreciseWakeUps.h"

namespace {

constexpr auto kIdle = std::chrono::milliseconds(10);
// Longest sleep while playing: past a block (11.6 ms at 44.1 kHz), so that the
// loop wakes once a block, when the next one is heard, and keys still act at once.
constexpr auto kLongestWait = std::chrono::milliseconds(25);
// Shortest sleep: a block that is due at the very frame where the device's
// next take is awaited waits only for that take, which comes any moment; a
// whole millisecond would show the block that much late.
constexpr auto kShortestWait = std::chrono::microseconds(200);

} // namespace

void Playback::Render(const AudioBlock& block, int64_t frame) {
	// The peak is only ever shown on the progress line.
	if (hooks_.progress) peak_ = PeakMeter::Measure(block);
	if (hooks_.render) hooks_.render(block, frame);
}

void Playback::Show(const AudioSource& source, int64_t frame) {
	if (hooks_.progress)
		hooks_.progress({source.Name(), frame, source.TotalFrames(), source.SampleRate(), peak_, paused_});
}

bool Playback::HandleKeys(AudioSource& source, AudioOutput* output, bool& restart) {
	if (!hooks_.keys) return true;
	for (const PlayerKey key : hooks_.keys()) {
		switch (key) {
		case PlayerKey::Quit:
			return false;
		case PlayerKey::TogglePause:
			paused_ = !paused_;
			if (output) output->SetPaused(paused_);
			Show(source, output ? output->AudibleFrame() : source.Position());
			break;
		case PlayerKey::SeekBack:
		case PlayerKey::SeekForward: {
			const int64_t now = output ? output->AudibleFrame() : source.Position();
			const auto step = static_cast<int64_t>(std::llround(kSeekSeconds * source.SampleRate()));
			if (!source.Seek(key == PlayerKey::SeekBack ? now - step : now + step)) break;
			if (output) output->Restart(source.Position());
			restart = true;
			break;
		}
		case PlayerKey::About:
			break;
		}
	}
	return true;
}

Playback::Outcome Playback::Play(AudioSource& source, AudioOutput* output) {
	const double silence = -std::numeric_limits<double>::infinity();
	peak_ = {silence, silence};
	AudioBlock block;
	bool restart = false;

	if (!output) {
		for (;;) {
			if (!HandleKeys(source, nullptr, restart)) return Outcome::Quit;
			if (paused_) {
				std::this_thread::sleep_for(kIdle);
				continue;
			}
			// The keys are looked at while a live source keeps the player waiting.
			if (!source.WaitForBlock(kLongestWait)) continue;
			const int64_t frame = source.Position();
			if (!source.NextBlock(block)) {
				// A stream that a quit signal cut short ends as quitting does.
				if (!HandleKeys(source, nullptr, restart)) return Outcome::Quit;
				return source.Error().empty() ? Outcome::Finished : Outcome::Failed;
			}
			Render(block, frame);
			Show(source, source.Position());
		}
	}

	// Frames by which blocks are shown after they are heard; negative: before.
	const int64_t offset = std::llround(latencyOffsetMs_ * source.SampleRate() / 1000.0);
	// Enough written ahead to cover the device buffer, the gaps between our
	// wake-ups and the blocks a negative offset shows before they are heard.
	const int64_t lead =
	    std::max<int64_t>(output->LatencyFrames() + 4 * kBlockFrames, source.SampleRate() / 10) +
	    std::max<int64_t>(0, -offset);
	std::deque<std::pair<int64_t, AudioBlock>> pending; // written, not yet rendered
	bool ended = false;
	const PreciseWakeUps precise;
	output->Restart(source.Position());
	for (;;) {
		if (!HandleKeys(source, output, restart)) return Outcome::Quit;
		if (output->DeviceLost() && hooks_.deviceLost) hooks_.deviceLost();
		if (restart) {
			pending.clear();
			ended = false;
			restart = false;
		}
		if (paused_) {
			std::this_thread::sleep_for(kIdle);
			continue;
		}
		// Writing adds to the back of what the device plays from the front, so
		// one reading of the frame heard serves the writing and the showing.
		const int64_t heard = output->AudibleFrame();
		const auto heardAt = std::chrono::steady_clock::now();
		bool waiting = false; // for the source, which has no block yet
		while (!ended && output->WrittenFrame() - heard < lead) {
			if (!source.WaitForBlock(std::chrono::steady_clock::duration::zero())) {
				waiting = true;
				break;
			}
			const int64_t frame = source.Position();
			if (!source.NextBlock(block)) {
				ended = true;
				break;
			}
			output->Write(block);
			pending.emplace_back(frame, block);
		}
		// The sound is over once everything written has been heard; blocks a
		// positive offset still holds back are shown then rather than waited for.
		const bool over = ended && heard >= output->WrittenFrame();
		// A block is shown once its first frame has been heard, moved by the offset.
		const int64_t due = heard - offset;
		bool rendered = false;
		while (!pending.empty() && (over || pending.front().first < due)) {
			const int64_t start = pending.front().first;
			Render(pending.front().second, start);
			pending.pop_front();
			rendered = true;
			if (start >= due) continue; // shown early at the end, not late
			// The block was due (due - start) frames before heardAt.
			const double sinceDue =
			    std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - heardAt).count();
			latency_.Add(sinceDue + 1000.0 * double(due - start) / source.SampleRate());
		}
		if (rendered) Show(source, heard);
		if (over) return source.Error().empty() ? Outcome::Finished : Outcome::Failed;
		const int64_t wait = pending.empty() ? kBlockFrames : pending.front().first - due + 1;
		const auto until = std::chrono::microseconds(wait * 1000000 / std::max(source.SampleRate(), 1));
		const auto sleep = std::clamp<std::chrono::microseconds>(until, kShortestWait, kLongestWait);
		// A block that comes meanwhile is written at once.
		if (waiting)
			source.WaitForBlock(sleep);
		else
			std::this_thread::sleep_for(sleep);
	}
}
