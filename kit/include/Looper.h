// A looper runs a thread that takes messages from its queue, first in first
// out, and dispatches each one to its target handler with the looper locked.
//
// Locking: the lock is recursive and owned by one thread at a time. A new
// looper is locked by the thread that constructs it; Run() gives that lock up.
// Lock() fails (returns false) once the looper is quitting or gone.
//
// Ending: Quit() from the looper's own thread (inside a handler) ends the loop
// once the current message has been handled; from any other thread the caller
// must hold the lock, and Quit() returns only after the looper's thread has
// destroyed the object. Either way the looper deletes itself on its thread.
#pragma once

#include <atomic>
#include <memory>
#include <vector>

#include "AppDefs.h"
#include "Handler.h"
#include "Message.h"
#include "OS.h"

struct LooperPort;

class BE_EXPORT BLooper : public BHandler {
public:
	explicit BLooper(const char* name = nullptr);
	~BLooper() override;

	// Message transmission [any thread]
	// The message is copied; the caller keeps it. A null handler means the
	// preferred handler, which is the looper itself unless set otherwise.
	// B_MISMATCHED_VALUES when the handler belongs to another looper,
	// B_BAD_PORT_ID when the looper is quitting.
	status_t PostMessage(uint32 command);
	status_t PostMessage(BMessage* message);
	status_t PostMessage(uint32 command, BHandler* handler, BHandler* replyTo = nullptr);
	status_t PostMessage(BMessage* message, BHandler* handler, BHandler* replyTo = nullptr);

	// Hooks [looper thread, locked]
	// Handles B_QUIT_REQUESTED (QuitRequested(), then Quit() when it agrees)
	// and passes everything else to the handler's MessageReceived.
	virtual void DispatchMessage(BMessage* message, BHandler* handler);
	virtual bool QuitRequested();

	// The message being dispatched, or null outside a dispatch. Owned by the
	// looper; valid until the dispatch returns. [looper thread, locked]
	BMessage* CurrentMessage() const;

	// Handlers [locked]
	// The looper does not own its handlers.
	void AddHandler(BHandler* handler);
	bool RemoveHandler(BHandler* handler);
	int32 CountHandlers() const;
	BHandler* HandlerAt(int32 index) const;
	BHandler* PreferredHandler() const;
	void SetPreferredHandler(BHandler* handler);

	// Loop control
	// Starts the looper's thread and gives up the constructor's lock.
	virtual thread_id Run();
	virtual void Quit();
	// The looper's thread, or -1 before Run(). [any thread]
	thread_id Thread() const;
	bool IsQuitting() const;

	// Locking [any thread]
	bool Lock();
	void Unlock();
	// B_OK, B_TIMED_OUT, or B_BAD_VALUE when the looper is quitting or gone.
	status_t LockWithTimeout(bigtime_t timeout);
	thread_id LockingThread() const;
	// True when the calling thread holds the lock.
	bool IsLocked() const;
	int32 CountLocks() const;

	// The looper whose thread this is, or null. [any thread]
	static BLooper* LooperForThread(thread_id thread);

protected:
	// Runs on the looper's thread just before it deletes the looper, locked.
	virtual void LooperQuitting();

private:
	void Loop();
	status_t Deliver(BMessage* message, int32 handlerToken, bool preferred, BHandler* replyTo);
	BHandler* ResolveTarget(const BMessage& message) const;

	std::shared_ptr<LooperPort> fPort;
	std::vector<BHandler*> fHandlers;
	BHandler* fPreferred = nullptr;
	BMessage* fCurrentMessage = nullptr;
	std::atomic<thread_id> fThread{-1};
};
