// Never returns from Init.
#include <OS.h>

#include "SimplePlugin.h"

class HangsInInit : public SimplePlugin {
public:
	bool Init() override {
		for (;;)
			snooze(1000000);
	}
};

EXPORT_PLUGIN(HangsInInit)
