// Writes to an unmapped address in its first Render. Not through a null
// pointer, which the undefined-behaviour sanitizer would stop first.
#include <cstdint>

#include "SimplePlugin.h"

class CrashesInRender : public SimplePlugin {
public:
	bool Render(const VisAudioInfoStruct*) override {
		*fNowhere = 1;
		return true;
	}

private:
	volatile int* fNowhere = reinterpret_cast<volatile int*>(uintptr_t(16));
};

EXPORT_PLUGIN(CrashesInRender)
