// A small stand-in for the player in tests: loads an add-on library as the
// player does, and keeps a looper with a handler to receive what the plug-in
// posts to the player.
#pragma once

#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <Handler.h>
#include <Looper.h>
#include <Message.h>
#include <Window.h>

#include "host/AddonLibrary.h"

// An add-on library in a test. A test that failed half-way may have left
// the plug-in running, and its windows must be gone before its code is.
class Addon : public AddonLibrary {
public:
	explicit Addon(const char* path) : AddonLibrary(path) {}
	~Addon() { Unload(); }

	// Stops and deletes the plug-in object (Cleanup is harmless when it is
	// not running) and closes the library; true when it is really gone.
	bool Unload() {
		if (Plugin()) Plugin()->Cleanup();
		return Close();
	}
};

// The player's looper: every message for its handler is kept.
class PlayerLooper : public BLooper {
public:
	PlayerLooper();
	~PlayerLooper() override;

	// The handler to set as host_handler. Lives as long as the looper.
	BHandler* Handler() const { return fHandler.get(); }
	// Copies of the messages the handler has received so far.
	std::vector<BMessage> Received();
	// Waits until the looper has handled everything queued so far.
	bool Settle();

	void DispatchMessage(BMessage* message, BHandler* handler) override;

	// Locks and quits the looper, which deletes it.
	static void Dispose(PlayerLooper* looper);

private:
	std::unique_ptr<BHandler> fHandler;
	std::mutex fLock;
	std::vector<BMessage> fReceived;
};

using PlayerPointer = std::unique_ptr<PlayerLooper, decltype(&PlayerLooper::Dispose)>;
PlayerPointer StartPlayer();

// The live windows titled `title`.
int CountWindows(const char* title);
// Polls until no window is titled `title`; false after `timeout` microseconds.
bool WaitUntilNoWindow(const char* title, bigtime_t timeout = 5000000);

// The 20-byte settings record as it lies on disk.
struct SettingsRecord {
	BRect frame;
	int32 gain;
};
bool ReadSettings(const std::string& path, SettingsRecord* record, size_t* size);
bool WriteSettings(const std::string& path, const SettingsRecord& record);
