#include "host/AddonExitGuard.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "host/Report.h"

namespace {

thread_local const std::string* tPath = nullptr;
thread_local const char* tCall = nullptr;

// Registered before any add-on loads, so it runs after every add-on's own
// unload code, which the exit runs first.
void OnExit() {
	if (!tCall) return;
	std::fflush(stdout);
	Report(*tPath + ": the add-on ended the process in " + tCall);
	_exit(1);
}

} // namespace

void AddonExitGuard::Install() {
	static bool installed = false;
	if (installed) return;
	installed = true;
	std::atexit(OnExit);
}

AddonExitGuard::Scope::Scope(const std::string& path, const char* call)
    : outerPath_(tPath), outerCall_(tCall) {
	tPath = &path;
	tCall = call;
}

AddonExitGuard::Scope::~Scope() {
	tPath = outerPath_;
	tCall = outerCall_;
}
