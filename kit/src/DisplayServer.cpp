#include "DisplayServer.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "HeadlessServer.h"
#include "KitAssert.h"
#include "SdlServer.h"

namespace {

constexpr int32 kDefaultScreenWidth = 1024;
constexpr int32 kDefaultScreenHeight = 768;

std::mutex gLock;
// Created once and never destroyed: window threads may still present while
// static destructors run. The on-screen server's thread is not stopped at
// exit either, as the thread that exits may be any, that one included.
DisplayServer* gServer = nullptr;
bool gHeadlessChosen = false;
int32 gScreenWidth = kDefaultScreenWidth;
int32 gScreenHeight = kDefaultScreenHeight;

bool HeadlessRequested() {
	const char* value = std::getenv("VUMETERS_HEADLESS");
	return value && std::strcmp(value, "1") == 0;
}

// VUMETERS_SCREEN=WxH, else the default size.
void ReadScreenSize(int32* width, int32* height) {
	*width = kDefaultScreenWidth;
	*height = kDefaultScreenHeight;
	const char* value = std::getenv("VUMETERS_SCREEN");
	int w = 0;
	int h = 0;
	char end = 0;
	if (value && std::sscanf(value, "%dx%d%c", &w, &h, &end) == 2 && w > 0 && h > 0 && w <= 65536 &&
	    h <= 65536) {
		*width = w;
		*height = h;
	}
}

} // namespace

DisplayServer& DisplayServer::Get() {
	std::lock_guard lock(gLock);
	if (gServer) return *gServer;
	if (!gHeadlessChosen && !HeadlessRequested()) {
		if (SdlServer* server = SdlServer::Open()) {
			gServer = server;
			return *gServer;
		}
	}
	if (!gHeadlessChosen) ReadScreenSize(&gScreenWidth, &gScreenHeight);
	gServer = new HeadlessServer(gScreenWidth, gScreenHeight);
	return *gServer;
}

bool DisplayServer::UseHeadless(int32 screenWidth, int32 screenHeight) {
	KitAssert(screenWidth > 0 && screenHeight > 0,
	          "give UseHeadlessDisplay() a screen of at least one pixel");
	std::lock_guard lock(gLock);
	if (gServer) return false;
	gHeadlessChosen = true;
	gScreenWidth = screenWidth;
	gScreenHeight = screenHeight;
	return true;
}
