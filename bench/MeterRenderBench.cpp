// Render per audio block for both add-ons on the headless display, loaded
// as the player loads them, on silence, a steady tone and
// music-like input. The Corvel meter draws on every third call only, so its
// drawn and skipped calls are also timed apart. Every benchmark counts the
// heap allocations made during its timed loop, on any thread: once running,
// a meter should make none.
#include <stdlib.h>

#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <random>
#include <vector>

#include <FindDirectory.h>
#include <Handler.h>
#include <Looper.h>
#include <Window.h>
#include <kit/Display.h>

#include "host/AddonLibrary.h"
#include "host/FindNewWindow.h"

// Heap allocations, counted process-wide: the executable's malloc comes
// before the C library's for every module, the add-ons and the kit included.
namespace {
std::atomic<int64> gAllocations{0};
} // namespace

extern "C" {
void* __libc_malloc(size_t size);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* pointer, size_t size);

void* malloc(size_t size) {
	gAllocations.fetch_add(1, std::memory_order_relaxed);
	return __libc_malloc(size);
}

void* calloc(size_t count, size_t size) {
	gAllocations.fetch_add(1, std::memory_order_relaxed);
	return __libc_calloc(count, size);
}

void* realloc(void* pointer, size_t size) {
	gAllocations.fetch_add(1, std::memory_order_relaxed);
	return __libc_realloc(pointer, size);
}
}

namespace {

constexpr int kBlocks = 256; // distinct blocks of each input, played in a loop
constexpr float kWidth = 199, kHeight = 399;

using Blocks = std::vector<std::vector<int16>>;

Blocks Silence() { return Blocks(kBlocks, std::vector<int16>(kBlockValues, 0)); }

// 440 Hz at half scale on both channels, continuous across blocks.
Blocks Tone() {
	Blocks blocks(kBlocks, std::vector<int16>(kBlockValues));
	for (int b = 0; b < kBlocks; b++)
		for (int i = 0; i < kBlockValues / 2; i++) {
			const double t = double(b * kBlockValues / 2 + i) / 44100.0;
			const auto value = int16(std::lround(16383.0 * std::sin(2 * M_PI * 440.0 * t)));
			blocks[b][2 * i] = blocks[b][2 * i + 1] = value;
		}
	return blocks;
}

// Noise under an envelope that swells and fades about twice a second, the
// channels apart: the bars and needles rise, fall and stop.
Blocks Music() {
	std::mt19937 random(17);
	std::normal_distribution<double> noise(0.0, 1.0);
	Blocks blocks(kBlocks, std::vector<int16>(kBlockValues));
	for (int b = 0; b < kBlocks; b++)
		for (int i = 0; i < kBlockValues; i++) {
			const double t = double(b * kBlockValues / 2 + i / 2) / 44100.0;
			const double envelope = 0.5 + 0.5 * std::sin(2 * M_PI * (i % 2 ? 1.7 : 2.3) * t);
			blocks[b][i] = int16(std::clamp(4000.0 * envelope * noise(random), -32768.0, 32767.0));
		}
	return blocks;
}

// The player's side: the handler the add-ons post to.
class Player {
public:
	Player() : looper_(new BLooper("player")) {
		looper_->AddHandler(&handler_);
		looper_->Run();
	}
	~Player() {
		looper_->Lock();
		looper_->RemoveHandler(&handler_);
		looper_->Quit();
	}
	BHandler* Handler() { return &handler_; }

private:
	BLooper* looper_; // deletes itself on Quit
	BHandler handler_;
};

// One add-on library, loaded, started and its meter window sized 200 x 400.
class Meter {
public:
	Meter(const char* path, BHandler* host) : library_(path) {
		plugin_ = library_.NewPlugin();
		if (!plugin_) return;
		plugin_->host_handler = host;
		const std::vector<BWindow*> before = kit::Windows();
		if (!plugin_->Init()) return;
		window_ = FindNewWindow(before);
		if (window_) kit::UserResize(window_, kWidth, kHeight);
	}
	~Meter() {
		if (plugin_) plugin_->Cleanup();
	}

	bool Ready() const { return window_ != nullptr; }

	// Renders the next block of `blocks`; counts calls since the library loaded.
	bool Render(const Blocks& blocks) {
		calls_++;
		return AddonLibrary::Render(plugin_, blocks[next_++ % blocks.size()].data());
	}
	// The Corvel meter draws on calls 3, 6, 9 ... since its library loaded.
	bool NextCallDraws() const { return (calls_ + 1) % 3 == 0; }

private:
	AddonLibrary library_;
	VisualizationPlugin* plugin_ = nullptr; // the library's
	BWindow* window_ = nullptr;
	size_t next_ = 0;
	int64 calls_ = 0;
};

Player* gPlayer = nullptr;
Meter* gCorvel = nullptr;
Meter* gKestle = nullptr;

void CountAllocations(benchmark::State& state, int64 before) {
	state.counters["allocs/block"] =
	    benchmark::Counter(double(gAllocations.load() - before), benchmark::Counter::kAvgIterations);
}

// Settles the meter on the input first: a level reached, lazy set-up done.
void Warm(Meter& meter, const Blocks& blocks) {
	for (int i = 0; i < 3 * kBlocks; i++)
		meter.Render(blocks);
}

void EveryCall(benchmark::State& state, Meter** meter, Blocks (*input)()) {
	const Blocks blocks = input();
	Warm(**meter, blocks);
	const int64 before = gAllocations.load();
	for (auto _ : state)
		benchmark::DoNotOptimize((*meter)->Render(blocks));
	CountAllocations(state, before);
}

// One Corvel call of the kind asked for per iteration, timed on its own; the
// other calls of each group of three run untimed.
void CorvelCalls(benchmark::State& state, bool drawn, Blocks (*input)()) {
	const Blocks blocks = input();
	Meter& meter = *gCorvel;
	Warm(meter, blocks);
	const int64 before = gAllocations.load();
	for (auto _ : state) {
		while (meter.NextCallDraws() != drawn)
			meter.Render(blocks);
		const auto start = std::chrono::steady_clock::now();
		benchmark::DoNotOptimize(meter.Render(blocks));
		state.SetIterationTime(
		    std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
	}
	CountAllocations(state, before);
}

void Register() {
	const std::pair<const char*, Blocks (*)()> inputs[] = {
	    {"silence", Silence}, {"tone", Tone}, {"music", Music}};
	for (const auto& [name, input] : inputs) {
		benchmark::RegisterBenchmark((std::string("Corvel/") + name).c_str(), EveryCall, &gCorvel, input);
		benchmark::RegisterBenchmark((std::string("Corvel/") + name + "/drawn").c_str(), CorvelCalls, true,
		                             input)
		    ->UseManualTime();
		benchmark::RegisterBenchmark((std::string("Corvel/") + name + "/skipped").c_str(), CorvelCalls, false,
		                             input)
		    ->UseManualTime();
		benchmark::RegisterBenchmark((std::string("Kestle/") + name).c_str(), EveryCall, &gKestle, input);
	}
}

} // namespace

int main(int argc, char** argv) {
	// The add-ons read and write their settings in a folder of their own.
	char folder[] = "/tmp/meter-render-bench-XXXXXX";
	if (!mkdtemp(folder)) return 1;
	set_settings_directory(folder);
	kit::UseHeadlessDisplay(1024, 768);
	gPlayer = new Player;
	gCorvel = new Meter(CORVEL_ADDON, gPlayer->Handler());
	gKestle = new Meter(KESTLE_ADDON, gPlayer->Handler());
	int status = 0;
	if (!gCorvel->Ready() || !gKestle->Ready()) {
		std::fprintf(stderr, "meter_render_bench: an add-on did not start\n");
		status = 1;
	} else {
		benchmark::Initialize(&argc, argv);
		Register();
		benchmark::RunSpecifiedBenchmarks();
		benchmark::Shutdown();
	}
	delete gCorvel;
	delete gKestle;
	delete gPlayer;
	std::filesystem::remove_all(folder);
	return status;
}
