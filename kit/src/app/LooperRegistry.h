// The process-wide registry of live handlers and loopers, and the shared state
// of each looper (its queue and its lock).
//
// Messengers and lock attempts name a looper or handler by token and look it up
// here under one mutex, so that they never dereference an object that another
// thread is destroying: a looper leaves the registry before it is destroyed.
#pragma once

#include <atomic>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <unordered_map>

#include <Looper.h>

// Handled by the loop itself: releases the semaphore in the named field once
// the queue behind it is empty.
inline constexpr uint32 kIdleProbe = '_IDL';
inline constexpr const char* kIdleProbeSemaphore = "kit:idle";

// A looper's queue and lock. Shared between the looper and whoever holds a
// reference to it (a sender, a thread waiting for the lock), so that it
// outlives the looper object for as long as somebody still uses it.
struct LooperPort {
	// Queue
	std::mutex queueLock;
	std::condition_variable queueChanged;
	std::deque<std::unique_ptr<BMessage>> queue;
	bool closed = false;  // no more messages are accepted
	bool waiting = false; // the looper's thread waits in Pop() for a message

	// Lock
	std::mutex stateLock;
	std::condition_variable stateChanged;
	thread_id owner = -1;
	int32 lockCount = 0;
	bool quitting = false; // Lock() fails from now on, except for the looper's own thread
	bool finished = false; // the looper is gone and its thread has left its code

	// Queue [any thread]: false when the port is closed.
	bool Push(std::unique_ptr<BMessage> message);
	std::unique_ptr<BMessage> Pop(); // blocks; null once closed and empty
	// True while the looper's thread waits on an empty queue: it has handled
	// everything sent to it so far.
	bool Idle();
	void Close();

	// Lock [any thread]
	status_t Acquire(bigtime_t timeout, bool evenWhenQuitting);
	void Release();
	void ReleaseAll();
};

class LooperRegistry {
public:
	static LooperRegistry& Get();

	// Handlers
	int32 RegisterHandler(BHandler* handler);
	void UnregisterHandler(BHandler* handler);
	void SetHandlerLooper(BHandler* handler, BLooper* looper);
	// The token of a live handler and of its looper (-1 when it has none);
	// false when the pointer names no live handler.
	bool LookupHandler(const BHandler* handler, int32* token, int32* looperToken);

	// Loopers
	void RegisterLooper(BLooper* looper, int32 token, std::shared_ptr<LooperPort> port);
	void UnregisterLooper(BLooper* looper);
	std::shared_ptr<LooperPort> PortFor(int32 looperToken);
	std::shared_ptr<LooperPort> PortFor(const BLooper* looper);
	// The live handler of that token if it belongs to that looper, else null.
	BHandler* HandlerInLooper(int32 handlerToken, int32 looperToken);
	// The live looper of that token, else null.
	BLooper* LooperFor(int32 looperToken);

	void SetLooperThread(thread_id thread, BLooper* looper);
	BLooper* LooperForThread(thread_id thread);

private:
	BLooper* LooperByToken(int32 token);
	BHandler* HandlerByToken(int32 token);

	struct HandlerEntry {
		BHandler* handler;
		int32 looperToken;
	};
	struct LooperEntry {
		BLooper* looper;
		std::shared_ptr<LooperPort> port;
	};

	std::mutex fLock;
	int32 fNextToken = 1;
	std::unordered_map<const BHandler*, int32> fHandlerTokens;
	std::unordered_map<int32, HandlerEntry> fHandlers;
	std::unordered_map<int32, LooperEntry> fLoopers;
	std::unordered_map<thread_id, BLooper*> fThreads;
};
