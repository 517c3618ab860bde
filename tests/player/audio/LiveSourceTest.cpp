#include "audio/LiveSource.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "support/Watchdog.h"

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

// A live source fed by the test, as its receiving thread would feed it.
class FedSource final : public LiveSource {
public:
	FedSource(WhenFull whenFull, int64_t capacityFrames) : LiveSource(44100, whenFull, capacityFrames) {}
	~FedSource() override { Close(); }
	std::string Name() const override { return "fed"; }

	bool Feed(const std::vector<int16_t>& samples) { return Deliver(samples.data(), samples.size() / 2); }
	using LiveSource::Close;
	using LiveSource::End;
	using LiveSource::Fail;
};

constexpr auto kBlockTime = std::chrono::microseconds(kBlockFrames * 1000000 / 44100);

// `frames` frames counting up from `first`, the left side positive, the right negative.
std::vector<int16_t> Counting(int first, int frames) {
	std::vector<int16_t> samples;
	for (int i = first; i < first + frames; i++) {
		samples.push_back(static_cast<int16_t>(i));
		samples.push_back(static_cast<int16_t>(-i));
	}
	return samples;
}

bool Silent(const AudioBlock& block) {
	return std::all_of(block.begin(), block.end(), [](int16_t sample) { return sample == 0; });
}

} // namespace

TEST(LiveSource, StallsOnlyAfterTheAllowanceGiveSilenceAtTheBlockRateAndSoundGoesOnWhereItComesBack) {
	Watchdog watchdog(30s);
	FedSource source(LiveSource::WhenFull::DropOldest, 44100);
	AudioBlock block;
	EXPECT_FALSE(source.WaitForBlock(0s)); // the player asks: the wait for a stall starts

	// Part of a block and then nothing: the part comes, padded, once the allowance is over.
	source.Feed(Counting(1, 300));
	const auto fed = Clock::now();
	EXPECT_FALSE(source.WaitForBlock(LiveSource::kJitterAllowance / 2));
	ASSERT_TRUE(source.NextBlock(block));
	EXPECT_GE(Clock::now() - fed, LiveSource::kJitterAllowance - 2ms);
	const std::vector<int16_t> part = Counting(1, 300);
	EXPECT_TRUE(std::equal(part.begin(), part.end(), block.begin()));
	EXPECT_TRUE(std::all_of(block.begin() + 600, block.end(), [](int16_t sample) { return sample == 0; }));

	// Then a silent block every block's time, neither faster nor much slower.
	const auto stalled = Clock::now();
	for (int i = 0; i < 20; i++) {
		ASSERT_TRUE(source.NextBlock(block));
		EXPECT_TRUE(Silent(block)) << i;
	}
	EXPECT_GE(Clock::now() - stalled, 19 * kBlockTime);
	EXPECT_LT(Clock::now() - stalled, 40 * kBlockTime);

	// Sound that comes back is handed over from its first frame.
	source.Feed(Counting(1000, 2 * kBlockFrames + 10));
	const std::vector<int16_t> sound = Counting(1000, 2 * kBlockFrames);
	for (int i = 0; i < 2; i++) {
		ASSERT_TRUE(source.WaitForBlock(0s));
		ASSERT_TRUE(source.NextBlock(block));
		EXPECT_TRUE(std::equal(block.begin(), block.end(), sound.begin() + i * kBlockSamples)) << i;
	}
	EXPECT_EQ(source.Position(), 23 * kBlockFrames);
}

TEST(LiveSource, AFullQueueDropsTheOldestSoundOrMakesTheWriterWait) {
	Watchdog watchdog(30s);
	AudioBlock block;
	{
		// A meter shows what plays now: sound from before the player asks is stale.
		FedSource source(LiveSource::WhenFull::DropOldest, 1024);
		EXPECT_TRUE(source.Feed(Counting(1, 100)));
		EXPECT_FALSE(source.WaitForBlock(0s));
		EXPECT_TRUE(source.Feed(Counting(101, 3000)));
		ASSERT_TRUE(source.NextBlock(block));
		EXPECT_EQ(block[0], 3101 - 1024);
	}
	{
		// A pipe's writer waits, also with more at once than the queue holds; nothing is
		// lost or reordered, whatever silence a stall adds.
		FedSource source(LiveSource::WhenFull::Wait, 1024);
		constexpr int kFrames = 20 * kBlockFrames, kChunk = 3000;
		std::thread writer([&] {
			for (int first = 1; first <= kFrames; first += kChunk)
				EXPECT_TRUE(source.Feed(Counting(first, std::min(kChunk, kFrames + 1 - first))));
			source.End();
		});
		std::vector<int16_t> left;
		while (source.NextBlock(block))
			for (int i = 0; i < kBlockSamples; i += 2)
				if (block[i] != 0) left.push_back(block[i]);
		writer.join();
		ASSERT_EQ(left.size(), size_t{kFrames});
		for (int i = 0; i < kFrames; i++)
			ASSERT_EQ(left[i], i + 1);
		EXPECT_EQ(source.Error(), "");
	}
	{
		// Closing wakes a writer that waits for room, and turns it away.
		FedSource source(LiveSource::WhenFull::Wait, 512);
		ASSERT_TRUE(source.Feed(Counting(1, 512)));
		std::thread writer([&] { EXPECT_FALSE(source.Feed(Counting(513, 512))); });
		source.Close();
		writer.join();
	}
}

TEST(LiveSource, AFailureEndsTheStreamAtOnceAndAnEndWithAnErrorAfterWhatIsQueued) {
	AudioBlock block{};
	{
		FedSource source(LiveSource::WhenFull::Wait, 44100);
		source.Feed(Counting(1, 2 * kBlockFrames));
		source.Fail("fed: gone");
		EXPECT_FALSE(source.NextBlock(block));
		EXPECT_EQ(source.Error(), "fed: gone");
	}
	{
		FedSource source(LiveSource::WhenFull::Wait, 44100);
		source.Feed(Counting(1, kBlockFrames + 1));
		source.End("fed: contains no more");
		EXPECT_EQ(source.Error(), "");
		for (const int16_t first : {1, kBlockFrames + 1}) {
			ASSERT_TRUE(source.NextBlock(block));
			EXPECT_EQ(block[0], first);
		}
		EXPECT_FALSE(source.NextBlock(block));
		EXPECT_EQ(source.Error(), "fed: contains no more");
	}
}
