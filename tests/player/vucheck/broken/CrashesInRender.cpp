// Writes through a null pointer in its first Render.
#include "SimplePlugin.h"

class CrashesInRender : public SimplePlugin {
public:
	bool Render(const VisAudioInfoStruct*) override {
		*fNowhere = 1;
		return true;
	}

private:
	volatile int* fNowhere = nullptr;
};

EXPORT_PLUGIN(CrashesInRender)
