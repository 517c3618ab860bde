#include "support/AddonHost.h"

#include <cstdio>
#include <cstring>

#include <OS.h>
#include <kit/Display.h>

PlayerLooper::PlayerLooper() : BLooper("player"), fHandler(std::make_unique<BHandler>("host handler")) {
	AddHandler(fHandler.get());
}

PlayerLooper::~PlayerLooper() { RemoveHandler(fHandler.get()); }

std::vector<BMessage> PlayerLooper::Received() {
	std::lock_guard guard(fLock);
	return fReceived;
}

bool PlayerLooper::Settle() { return kit::WaitForIdle(this); }

void PlayerLooper::DispatchMessage(BMessage* message, BHandler* handler) {
	if (handler != fHandler.get()) {
		BLooper::DispatchMessage(message, handler);
		return;
	}
	std::lock_guard guard(fLock);
	fReceived.push_back(*message);
}

void PlayerLooper::Dispose(PlayerLooper* looper) {
	if (looper->Lock()) looper->Quit();
}

PlayerPointer StartPlayer() {
	PlayerPointer player(new PlayerLooper, &PlayerLooper::Dispose);
	player->Run();
	return player;
}

int CountWindows(const char* title) {
	int count = 0;
	for (BWindow* window : kit::Windows())
		if (std::strcmp(window->Title(), title) == 0) count++;
	return count;
}

bool WaitUntilNoWindow(const char* title, bigtime_t timeout) {
	const bigtime_t deadline = system_time() + timeout;
	while (kit::FindWindow(title) != nullptr) {
		if (system_time() > deadline) return false;
		snooze(1000);
	}
	return true;
}

bool ReadSettings(const std::string& path, SettingsRecord* record, size_t* size) {
	FILE* file = std::fopen(path.c_str(), "rb");
	if (!file) return false;
	unsigned char bytes[64];
	*size = std::fread(bytes, 1, sizeof bytes, file);
	std::fclose(file);
	if (*size < 20) return true;
	float edges[4];
	std::memcpy(edges, bytes, sizeof edges);
	record->frame = BRect(edges[0], edges[1], edges[2], edges[3]);
	std::memcpy(&record->gain, bytes + 16, sizeof record->gain);
	return true;
}

bool WriteSettings(const std::string& path, const SettingsRecord& record) {
	FILE* file = std::fopen(path.c_str(), "wb");
	if (!file) return false;
	const float edges[4] = {record.frame.left, record.frame.top, record.frame.right, record.frame.bottom};
	bool written = std::fwrite(edges, sizeof edges, 1, file) == 1;
	written = std::fwrite(&record.gain, sizeof record.gain, 1, file) == 1 && written;
	return std::fclose(file) == 0 && written;
}
