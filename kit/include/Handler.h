// A handler receives the messages that its looper dispatches to it.
#pragma once

#include <string>

#include "SupportDefs.h"

class BLooper;
class BMessage;

class BE_EXPORT BHandler {
public:
	explicit BHandler(const char* name = nullptr);
	virtual ~BHandler();
	BHandler(const BHandler&) = delete;
	BHandler& operator=(const BHandler&) = delete;

	// Hooks
	// Called with the looper locked, on the looper's thread. The default passes
	// the message to the next handler, or drops it when there is none.
	virtual void MessageReceived(BMessage* message);

	// The looper this handler belongs to, or null. [any thread]
	BLooper* Looper() const;
	void SetName(const char* name);
	const char* Name() const;
	// The handler a message goes to when this one does not understand it. Not owned.
	virtual void SetNextHandler(BHandler* handler);
	BHandler* NextHandler() const;

	// Locks this handler's looper; false when it has none or it is gone.
	bool LockLooper();
	void UnlockLooper();

private:
	friend class BLooper;

	void SetLooper(BLooper* looper);

	int32 fToken;
	std::string fName;
	BLooper* fLooper = nullptr;
	BHandler* fNextHandler = nullptr;
};
