// An add-on that misbehaves on purpose, for the player's tests. What it does
// in Init is chosen by the environment variable VUPLAY_TEST_ADDON:
//   fail    returns false
//   throw   throws an exception
//   crash   gets a segmentation fault
//   slow    creates the file named by VUPLAY_TEST_ADDON_MARK, then takes three seconds
// Anything else starts normally. It opens no window and draws nothing.
// With "about-hangs" its About never returns: it shows no box to answer and
// keeps running code of its own, which fails at once if the library is unloaded.
// With "exit-render" its second Render ends the process with status 0.
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <string>
#include <thread>

#include "core/VisualizationPlugin.h"

namespace {

std::string Mode() {
	const char* mode = std::getenv("VUPLAY_TEST_ADDON");
	return mode ? mode : "";
}

class TestPlugin : public VisualizationPlugin {
public:
	TestPlugin() : VisualizationPlugin("test", "Misbehaving test add-on") {}

	bool Init() override {
		const std::string how = Mode();
		if (how == "fail") return false;
		if (how == "throw") throw std::runtime_error("Init refuses");
		// Raised rather than caused, which the sanitizers would report first.
		if (how == "crash") std::raise(SIGSEGV);
		if (how == "slow") {
			if (const char* mark = std::getenv("VUPLAY_TEST_ADDON_MARK")) std::ofstream(mark) << "in Init\n";
			std::this_thread::sleep_for(std::chrono::seconds(3));
		}
		return true;
	}
	void Cleanup() override {}
	bool About(bool query) override {
		if (query || Mode() != "about-hangs") return false;
		for (;;)
			std::this_thread::sleep_for(std::chrono::milliseconds(10));
	}
	bool Prefs(bool) override { return false; }
	uint32 GetFlags() override { return 1; }
	void SongInfo(SongInfoStruct*) override {}
	bool Render(const VisAudioInfoStruct*) override {
		if (++renders_ == 2 && Mode() == "exit-render") std::exit(0);
		return true;
	}

private:
	int renders_ = 0;
};

} // namespace

extern "C" VisualizationPlugin* NewPlugin(int32* out) {
	*out = 1;
	return new TestPlugin;
}
