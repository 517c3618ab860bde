#include "server/DisplayChoice.h"

#include <mutex>

#include "server/headless/HeadlessServer.h"
#include "server/sdl/SdlServer.h"
#include "support/KitAssert.h"

namespace {

constexpr int32 kDefaultScreenWidth = 1024;
constexpr int32 kDefaultScreenHeight = 768;

std::mutex gLock;
// Created once and never destroyed: window threads may still present while
// static destructors run. The on-screen server's thread is not stopped at
// exit either, as the thread that exits may be any, that one included.
DisplayServer* gServer = nullptr;
bool gHeadlessChosen = false;
// The headless screen: the chosen one, else the one to fall back to.
int32 gScreenWidth = kDefaultScreenWidth;
int32 gScreenHeight = kDefaultScreenHeight;

} // namespace

DisplayServer& DisplayChoice::Server() {
	std::lock_guard lock(gLock);
	if (gServer) return *gServer;
	if (!gHeadlessChosen) {
		if (SdlServer* server = SdlServer::Open()) {
			gServer = server;
			return *gServer;
		}
	}
	gServer = new HeadlessServer(gScreenWidth, gScreenHeight);
	return *gServer;
}

bool DisplayChoice::UseHeadless(int32 screenWidth, int32 screenHeight) {
	KitAssert(screenWidth > 0 && screenHeight > 0,
	          "give UseHeadlessDisplay() a screen of at least one pixel");
	std::lock_guard lock(gLock);
	if (gServer) return false;
	gHeadlessChosen = true;
	gScreenWidth = screenWidth;
	gScreenHeight = screenHeight;
	return true;
}

bool DisplayChoice::SetFallbackScreen(int32 screenWidth, int32 screenHeight) {
	KitAssert(screenWidth > 0 && screenHeight > 0,
	          "give SetFallbackScreenSize() a screen of at least one pixel");
	std::lock_guard lock(gLock);
	if (gServer || gHeadlessChosen) return false;
	gScreenWidth = screenWidth;
	gScreenHeight = screenHeight;
	return true;
}
