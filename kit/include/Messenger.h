// A messenger names a handler in a looper, by identity rather than by pointer,
// so that it can be kept, copied and used from any thread: once the looper is
// gone the messenger is no longer valid and sending fails cleanly.
#pragma once

#include "OS.h"
#include "SupportDefs.h"

class BHandler;
class BLooper;
class BMessage;

class BE_EXPORT BMessenger {
public:
	BMessenger();
	// With a handler and no looper, the handler's looper. With only a looper,
	// its preferred handler. The pointers are only looked up, never
	// dereferenced, so a stale handler pointer gives an invalid messenger.
	// *result: B_OK, B_BAD_HANDLER (no such live handler, or no looper) or
	// B_MISMATCHED_VALUES (the handler is not the looper's).
	explicit BMessenger(const BHandler* handler, const BLooper* looper = nullptr, status_t* result = nullptr);
	BMessenger(const BMessenger& other) = default;
	BMessenger& operator=(const BMessenger& other) = default;

	// True while the target's looper lives. [any thread]
	bool IsValid() const;
	bool IsTargetLocal() const { return true; }
	// The target, or null when gone. The pointers may die at any moment unless
	// the looper is locked. [any thread]
	BHandler* Target(BLooper** looper) const;
	bool LockTarget() const;
	status_t LockTargetWithTimeout(bigtime_t timeout) const;

	// Posts a copy of the message without waiting for a reply. [any thread]
	status_t SendMessage(uint32 command, BHandler* replyTo = nullptr) const;
	status_t SendMessage(BMessage* message, BHandler* replyTo = nullptr,
	                     bigtime_t timeout = B_INFINITE_TIMEOUT) const;

	bool operator==(const BMessenger& other) const;

private:
	friend class BMessage;

	int32 fHandlerToken = -1;
	int32 fLooperToken = -1;
	bool fPreferred = false;
};
