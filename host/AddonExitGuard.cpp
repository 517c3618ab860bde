#include "host/AddonExitGuard.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "host/AddonWatch.h"
#include "host/Report.h"

namespace {

// Registered before any add-on loads, so it runs after every add-on's own
// unload code, which the exit runs first.
void OnExit() {
	const AddonCall* call = AddonWatch::Current();
	if (!call) return;
	std::fflush(stdout);
	Report(*call->path + ": the add-on ended the process in " + call->Name());
	_exit(1);
}

} // namespace

void AddonExitGuard::Install() {
	static bool installed = false;
	if (installed) return;
	installed = true;
	std::atexit(OnExit);
}
