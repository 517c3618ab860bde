// A small well-behaved plug-in with one window, which each broken add-on
// spoils in one place for vucheck's own tests.
#pragma once

#include <Window.h>

#include "core/VisualizationPlugin.h"

class SimplePlugin : public VisualizationPlugin {
public:
	SimplePlugin() : VisualizationPlugin("broken", "Broken add-on for vucheck's tests") {}

	bool Init() override {
		fWindow =
		    new BWindow(BRect(50, 50, 100, 450), "Broken", B_TITLED_WINDOW_LOOK, B_NORMAL_WINDOW_FEEL, 0);
		fWindow->Show();
		return true;
	}
	void Cleanup() override {
		if (!fWindow) return;
		fWindow->Lock();
		fWindow->Quit();
		fWindow = nullptr;
	}
	bool About(bool) override { return true; }
	bool Prefs(bool) override { return true; }
	uint32 GetFlags() override { return 1; }
	void SongInfo(SongInfoStruct*) override {}
	bool Render(const VisAudioInfoStruct*) override {
		if (!fWindow || !fWindow->Lock()) return false;
		fWindow->Unlock();
		return true;
	}

protected:
	BWindow* fWindow = nullptr; // owned until Quit()
};

#define EXPORT_PLUGIN(Class)                                                                                 \
	extern "C" __attribute__((visibility("default"))) VisualizationPlugin* NewPlugin(int32* out) {           \
		*out = 1;                                                                                            \
		return new Class;                                                                                    \
	}
