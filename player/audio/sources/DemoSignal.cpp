#include "audio/sources/DemoSignal.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kBeat = 0.5;     // seconds, 120 beats a minute
constexpr double kRelease = 0.01; // seconds of fade at a note's end, against clicks

double MidiFrequency(int note) { return 440.0 * std::pow(2.0, (note - 69) / 12.0); }

// White noise in [-1, 1] as a hash of the frame and a seed: reproducible anywhere in the stream.
double Noise(int64_t frame, uint64_t seed) {
	uint64_t x = static_cast<uint64_t>(frame) * 0x9e3779b97f4a7c15ull ^ seed * 0xbf58476d1ce4e5b9ull;
	x ^= x >> 30;
	x *= 0xbf58476d1ce4e5b9ull;
	x ^= x >> 27;
	x *= 0x94d049bb133111ebull;
	x ^= x >> 31;
	return static_cast<double>(x >> 11) / static_cast<double>(1ull << 52) - 1.0;
}

} // namespace

DemoSignal::DemoSignal() : left_(kBlockFrames), right_(kBlockFrames) {
	WriteScore();
	std::stable_sort(score_.begin(), score_.end(),
	                 [](const Note& a, const Note& b) { return a.start < b.start; });
}

void DemoSignal::AddTone(double start, double length, int midiNote, double amplitude, double pan,
                         double attack, double decay) {
	const double f = MidiFrequency(midiNote);
	Add({Voice::Tone, start, length, f, f, amplitude, pan, pan, attack, decay});
}

void DemoSignal::AddDrum(Voice voice, double start, double amplitude, double pan) {
	const double decay = voice == Voice::Kick ? 0.12 : voice == Voice::Snare ? 0.07 : 0.025;
	Add({voice, start, 0.4, 0.0, 0.0, amplitude, pan, pan, 0.001, decay});
}

void DemoSignal::WriteScore() {
	// Intro, 0 to 4 s: an A minor pad swelling up, a soft melody on the left.
	for (const auto& [note, pan] : {std::pair{57, 0.25}, {60, 0.5}, {64, 0.75}})
		AddTone(0.0, 4.0, note, 0.05, pan, 1.5, 10.0);
	const int intro[] = {76, 74, 72, 69, 72, 74, 76, 79};
	for (int i = 0; i < 8; i++)
		AddTone(i * kBeat, 0.45, intro[i], 0.07, 0.1, 0.01, 0.25);

	// 4 to 8 s: kick, hats on the right, bass, the melody a little louder.
	const int bass[] = {45, 45, 41, 43};
	const int melody[] = {81, 79, 76, 74, 76, 72, 74, 69};
	for (int bar = 0; bar < 2; bar++) {
		const double t0 = 4.0 + 2.0 * bar;
		AddDrum(Voice::Kick, t0, 0.4, 0.5);
		AddDrum(Voice::Kick, t0 + 1.0, 0.4, 0.5);
		for (int i = 0; i < 8; i++)
			AddDrum(Voice::Hat, t0 + 0.25 * i, i % 2 ? 0.07 : 0.12, 0.8);
		AddTone(t0, 0.9, bass[2 * bar], 0.3, 0.4, 0.005, 0.5);
		AddTone(t0 + 1.0, 0.9, bass[2 * bar + 1], 0.3, 0.4, 0.005, 0.5);
		for (int i = 0; i < 4; i++)
			AddTone(t0 + i * kBeat, 0.45, melody[4 * bar + i], 0.12, 0.15, 0.01, 0.3);
	}

	// Break, 8 to 10 s: one bell on the right dying away to near silence.
	AddTone(8.0, 2.0, 81, 0.35, 0.95, 0.002, 0.25);

	// 10 to 12 s: a sweep rising and swelling from left to right, then a snare roll.
	Add({Voice::Sweep, 10.0, 2.0, 100.0, 4000.0, 0.45, 0.0, 1.0, 1.9, 100.0});
	for (int i = 0; i < 4; i++)
		AddDrum(Voice::Snare, 11.5 + 0.125 * i, 0.2 + 0.1 * i, 0.6);

	// Loud, 12 to 18 s: drums on every beat, bass, melody left, chord stabs right.
	const int roots[] = {45, 41, 43};
	const int chords[][3] = {{69, 72, 76}, {65, 69, 72}, {67, 71, 74}};
	const int pentatonic[] = {69, 72, 74, 76, 79, 81, 84};
	for (int beat = 0; beat < 12; beat++) {
		const double t = 12.0 + beat * kBeat;
		const int bar = beat / 4;
		AddDrum(Voice::Kick, t, 0.75, 0.5);
		if (beat % 2) AddDrum(Voice::Snare, t, 0.55, 0.65);
		AddDrum(Voice::Hat, t, 0.15, 0.85);
		AddDrum(Voice::Hat, t + 0.25, 0.09, 0.85);
		AddTone(t, 0.45, bar == 2 && beat % 4 == 3 ? 40 : roots[bar], 0.35, 0.35, 0.004, 0.4);
		AddTone(t, 0.24, pentatonic[(beat * 3 + bar) % 7], 0.3, 0.1, 0.005, 0.2);
		AddTone(t + 0.25, 0.24, pentatonic[(beat * 5 + 2) % 7], 0.22, 0.15, 0.005, 0.2);
		for (const int note : chords[bar])
			AddTone(t + 0.25, 0.2, note, 0.12, 0.85, 0.003, 0.1);
	}

	// End, 18 to 20 s: one last hit and an A minor chord fading out.
	AddDrum(Voice::Kick, 18.0, 0.8, 0.5);
	struct ChordNote {
		int note;
		double amplitude;
		double pan;
	};
	const ChordNote last[] = {
	    {45, 0.4, 0.4}, {57, 0.25, 0.2}, {64, 0.25, 0.8}, {69, 0.2, 0.7}, {72, 0.2, 0.9}};
	for (const ChordNote& n : last)
		AddTone(18.0, 2.0, n.note, n.amplitude, n.pan, 0.003, 0.6);
}

double DemoSignal::Sample(const Note& note, int64_t frame, double t) {
	const double attack = note.attack > 0.0 ? std::min(1.0, t / note.attack) : 1.0;
	const double fall = t > note.attack ? std::exp(-(t - note.attack) / note.decay) : 1.0;
	const double release = std::min(1.0, (note.length - t) / kRelease);
	const double envelope = attack * fall * release;
	const uint64_t seed = static_cast<uint64_t>(note.start * kSampleRate);
	switch (note.voice) {
	case Voice::Tone: {
		const double phase = 2.0 * kPi * note.frequency * t;
		return envelope * (std::sin(phase) + 0.25 * std::sin(2.0 * phase) + 0.1 * std::sin(3.0 * phase)) /
		       1.35;
	}
	case Voice::Kick: {
		// Pitch falls from 160 Hz to 45 Hz within a few tens of milliseconds.
		const double tau = 0.04;
		const double phase = 2.0 * kPi * (45.0 * t + (160.0 - 45.0) * tau * (1.0 - std::exp(-t / tau)));
		return envelope * std::sin(phase);
	}
	case Voice::Snare:
		return envelope *
		       (0.7 * Noise(frame, seed) + 0.4 * std::sin(2.0 * kPi * 190.0 * t) * std::exp(-t / 0.03));
	case Voice::Hat:
		return envelope * 0.5 * (Noise(frame, seed) - Noise(frame - 1, seed));
	case Voice::Sweep: {
		const double ratio = note.endFrequency / note.frequency;
		const double phase = 2.0 * kPi * note.frequency * note.length / std::log(ratio) *
		                     (std::pow(ratio, t / note.length) - 1.0);
		return envelope * std::sin(phase);
	}
	}
	return 0.0;
}

bool DemoSignal::NextBlock(AudioBlock& block) {
	if (position_ >= kTotalFrames) return false;
	std::fill(left_.begin(), left_.end(), 0.0);
	std::fill(right_.begin(), right_.end(), 0.0);
	const int frames = static_cast<int>(std::min<int64_t>(kBlockFrames, kTotalFrames - position_));
	const double begin = static_cast<double>(position_) / kSampleRate;
	const double end = static_cast<double>(position_ + frames) / kSampleRate;
	for (const Note& note : score_) {
		if (note.start >= end) break;
		if (note.start + note.length <= begin) continue;
		for (int i = 0; i < frames; i++) {
			const int64_t frame = position_ + i;
			const double t = static_cast<double>(frame) / kSampleRate - note.start;
			if (t < 0.0 || t >= note.length) continue;
			const double value = note.amplitude * Sample(note, frame, t);
			const double pan = note.pan + (note.endPan - note.pan) * t / note.length;
			left_[static_cast<size_t>(i)] += value * std::cos(pan * kPi / 2.0);
			right_[static_cast<size_t>(i)] += value * std::sin(pan * kPi / 2.0);
		}
	}
	// A soft limiter keeps the loud section below full scale without hard clipping.
	for (int i = 0; i < kBlockFrames; i++) {
		const bool inside = i < frames;
		block[static_cast<size_t>(2 * i)] =
		    inside ? static_cast<int16_t>(std::lround(std::tanh(left_[static_cast<size_t>(i)]) * 32767.0))
		           : 0;
		block[static_cast<size_t>(2 * i + 1)] =
		    inside ? static_cast<int16_t>(std::lround(std::tanh(right_[static_cast<size_t>(i)]) * 32767.0))
		           : 0;
	}
	position_ += frames;
	return true;
}

bool DemoSignal::Seek(int64_t frame) {
	position_ = std::clamp<int64_t>(frame, 0, kTotalFrames);
	return true;
}
