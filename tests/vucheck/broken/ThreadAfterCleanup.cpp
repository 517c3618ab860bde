// Starts a thread in Cleanup that never ends.
#include <thread>

#include <OS.h>

#include "SimplePlugin.h"

class ThreadAfterCleanup : public SimplePlugin {
public:
	void Cleanup() override {
		SimplePlugin::Cleanup();
		std::thread([] {
			for (;;)
				snooze(1000000);
		}).detach();
	}
};

EXPORT_PLUGIN(ThreadAfterCleanup)
