// The sound played when no file is given: a short piece made by the program.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "audio/AudioSource.h"

// Twenty seconds at 44100 Hz, ten bars at 120 beats a minute: a quiet pad
// intro with a melody on the left, drums and bass entering, a two-second break
// with one bell on the right, a rising sweep from left to right, a loud full
// section and a final chord dying away. Every sample is a pure function of its
// frame number, so seeking and repeated runs give identical blocks.
//
// [player thread]
class DemoSignal final : public AudioSource {
public:
	static constexpr int kSampleRate = 44100;
	static constexpr int64_t kTotalFrames = 20 * kSampleRate;

	DemoSignal();

	std::string Name() const override { return "demo"; }
	int SampleRate() const override { return kSampleRate; }
	int64_t TotalFrames() const override { return kTotalFrames; }
	int64_t Position() const override { return position_; }
	int64_t EndOfSound() const override { return kTotalFrames; }
	bool NextBlock(AudioBlock& block) override;
	bool Seek(int64_t frame) override;

private:
	enum class Voice { Tone, Kick, Snare, Hat, Sweep };

	struct Note {
		Voice voice;
		double start;  // seconds
		double length; // seconds, release included
		double frequency;
		double endFrequency; // the sweep's
		double amplitude;
		double pan;    // 0 left, 1 right
		double endPan; // the sweep's
		double attack; // seconds
		double decay;  // time constant of the fall after the attack, seconds
	};

	void Add(const Note& note) { score_.push_back(note); }
	void AddTone(double start, double length, int midiNote, double amplitude, double pan, double attack,
	             double decay);
	void AddDrum(Voice voice, double start, double amplitude, double pan);
	void WriteScore();
	static double Sample(const Note& note, int64_t frame, double t);

	std::vector<Note> score_; // sorted by start
	int64_t position_ = 0;
	std::vector<double> left_, right_; // one block's mix before clipping
};
