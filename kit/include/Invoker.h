// An invoker holds a message and a target and sends the one to the other.
//
// An invoker is not locked: one thread at a time uses it, for a control or a
// menu item the thread that holds its window's lock. Invoke() posts and does
// not wait; the target handles the message later, on its looper's thread.
#pragma once

#include <memory>

#include "Message.h"
#include "Messenger.h"

class BE_EXPORT BInvoker {
public:
	BInvoker();
	// Takes ownership of the message.
	BInvoker(BMessage* message, const BHandler* handler, const BLooper* looper = nullptr);
	BInvoker(BMessage* message, BMessenger target);
	virtual ~BInvoker();

	// Takes ownership of the message and deletes the old one.
	virtual status_t SetMessage(BMessage* message);
	// Owned by the invoker.
	BMessage* Message() const;
	uint32 Command() const;

	// The handler must already belong to a looper (or a looper must be given).
	virtual status_t SetTarget(const BHandler* handler, const BLooper* looper = nullptr);
	virtual status_t SetTarget(BMessenger messenger);
	bool IsTargetLocal() const;
	BHandler* Target(BLooper** looper = nullptr) const;
	BMessenger Messenger() const;

	// Sends a copy of `message`, or of the invoker's own message when null.
	// B_BAD_VALUE with no message at all.
	virtual status_t Invoke(BMessage* message = nullptr);

private:
	std::unique_ptr<BMessage> fMessage;
	BMessenger fMessenger;
};
