// Never returns from Cleanup.
#include <OS.h>

#include "SimplePlugin.h"

class HangsInCleanup : public SimplePlugin {
public:
	void Cleanup() override {
		for (;;)
			snooze(1000000);
	}
};

EXPORT_PLUGIN(HangsInCleanup)
