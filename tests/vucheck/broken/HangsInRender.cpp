// Takes its window's lock in its first Render and never returns, as an
// add-on stuck in its own drawing would: its Cleanup could not run either.
#include <OS.h>

#include "SimplePlugin.h"

class HangsInRender : public SimplePlugin {
public:
	bool Render(const VisAudioInfoStruct*) override {
		if (fWindow) fWindow->Lock();
		for (;;)
			snooze(1000000);
	}
};

EXPORT_PLUGIN(HangsInRender)
