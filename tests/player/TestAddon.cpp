// An add-on that misbehaves on purpose, for the player's tests. What it does
// in Init is chosen by the environment variable VUPLAY_TEST_ADDON:
//   fail    returns false
//   throw   throws an exception
//   crash   gets a segmentation fault
//   slow    creates the file named by VUPLAY_TEST_ADDON_MARK, then takes a second, less
//           than the player gives a call to return once a quit signal has come
//   window  opens a window whose view fills itself, and returns at once
//   window-drawn  the same, and returns once the window has drawn
//   blocks  writes what each Render call gets to the file named by VUPLAY_TEST_ADDON_MARK:
//           the steady clock's time in nanoseconds (8 bytes), then the block's 1024 samples
// Anything else starts normally and opens no window; Render draws nothing.
// With "about-hangs" its About never returns: it shows no box to answer and
// keeps running code of its own, which fails at once if the library is unloaded.
// With "exit-render" its second Render ends the process with status 0; with
// "crash-render" it gets a segmentation fault there, and with "hang-render"
// it never returns.
// With "throw-in-CALL" (Render, Prefs, About or Cleanup) that call throws.
// VUPLAY_TEST_ADDON_MODE_FILE, when set, names a file that holds the mode
// instead, read at each call, so that one host can run several modes.
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <string>
#include <thread>

#include <View.h>
#include <Window.h>
#include <kit/Display.h>

#include "core/VisualizationPlugin.h"

namespace {

class FilledView : public BView {
public:
	FilledView() : BView(BRect(0, 0, 99, 49), "filled", B_FOLLOW_ALL, B_WILL_DRAW) {}
	void Draw(BRect) override {
		SetHighColor(10, 20, 30);
		FillRect(Bounds());
	}
};

std::string Mode() {
	if (const char* file = std::getenv("VUPLAY_TEST_ADDON_MODE_FILE")) {
		std::string mode;
		std::ifstream(file) >> mode;
		return mode;
	}
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
		if (how == "blocks") blocks_.open(std::getenv("VUPLAY_TEST_ADDON_MARK"), std::ios::binary);
		if (how == "slow") {
			if (const char* mark = std::getenv("VUPLAY_TEST_ADDON_MARK")) std::ofstream(mark) << "in Init\n";
			std::this_thread::sleep_for(std::chrono::seconds(1));
		}
		if (how.starts_with("window")) {
			window_ =
			    new BWindow(BRect(50, 50, 149, 99), "Test", B_TITLED_WINDOW_LOOK, B_NORMAL_WINDOW_FEEL, 0);
			window_->AddChild(new FilledView);
			window_->Show();
			if (how == "window-drawn") kit::WaitForIdle(window_);
		}
		return true;
	}
	void Cleanup() override {
		ThrowIn("Cleanup");
		if (!window_ || !window_->Lock()) return;
		window_->Quit();
		window_ = nullptr;
	}
	bool About(bool query) override {
		if (!query) ThrowIn("About");
		if (query || Mode() != "about-hangs") return false;
		for (;;)
			std::this_thread::sleep_for(std::chrono::milliseconds(10));
	}
	bool Prefs(bool query) override {
		if (!query) ThrowIn("Prefs");
		return false;
	}
	uint32 GetFlags() override { return 1; }
	void SongInfo(SongInfoStruct*) override {}
	bool Render(const VisAudioInfoStruct* info) override {
		if (++renders_ == 2) {
			const std::string how = Mode();
			if (how == "exit-render") std::exit(0);
			if (how == "crash-render") std::raise(SIGSEGV);
			if (how == "hang-render")
				for (;;)
					std::this_thread::sleep_for(std::chrono::milliseconds(10));
		}
		ThrowIn("Render");
		if (!blocks_.is_open()) return true;
		const int64_t now = std::chrono::duration_cast<std::chrono::nanoseconds>(
		                        std::chrono::steady_clock::now().time_since_epoch())
		                        .count();
		blocks_.write(reinterpret_cast<const char*>(&now), sizeof now);
		blocks_.write(reinterpret_cast<const char*>(info->Samples()), 1024 * sizeof(int16));
		blocks_.flush();
		return true;
	}

private:
	static void ThrowIn(const std::string& call) {
		if (Mode() == "throw-in-" + call) throw std::runtime_error(call + " refuses");
	}

	BWindow* window_ = nullptr; // owned until Quit()
	int renders_ = 0;
	std::ofstream blocks_;
};

} // namespace

extern "C" VisualizationPlugin* NewPlugin(int32* out) {
	*out = 1;
	return new TestPlugin;
}
