#include "app/LooperRegistry.h"

#include "support/KitAssert.h"

// Notifies under the lock: once it is released, the message may already have
// ended the looper and taken the port with it, so the sender must not touch
// the port again.
bool LooperPort::Push(std::unique_ptr<BMessage> message) {
	std::lock_guard guard(queueLock);
	if (closed) return false;
	queue.push_back(std::move(message));
	queueChanged.notify_one();
	return true;
}

std::unique_ptr<BMessage> LooperPort::Pop() {
	std::unique_lock guard(queueLock);
	waiting = true;
	queueChanged.wait(guard, [this] { return closed || !queue.empty(); });
	waiting = false;
	if (queue.empty()) return nullptr;
	std::unique_ptr<BMessage> message = std::move(queue.front());
	queue.pop_front();
	return message;
}

bool LooperPort::Idle() {
	std::lock_guard guard(queueLock);
	return waiting && queue.empty() && !closed;
}

void LooperPort::Close() {
	std::deque<std::unique_ptr<BMessage>> dropped;
	{
		std::lock_guard guard(queueLock);
		closed = true;
		dropped.swap(queue);
	}
	queueChanged.notify_all();
}

status_t LooperPort::Acquire(bigtime_t timeout, bool evenWhenQuitting) {
	const thread_id self = find_thread(nullptr);
	std::unique_lock guard(stateLock);
	if (finished) return B_BAD_VALUE;
	if (owner == self) {
		lockCount++;
		return B_OK;
	}
	auto refused = [&] { return finished || (quitting && !evenWhenQuitting); };
	auto ready = [&] { return refused() || owner == -1; };
	if (timeout == B_INFINITE_TIMEOUT) {
		stateChanged.wait(guard, ready);
	} else if (!stateChanged.wait_for(guard, std::chrono::microseconds(timeout < 0 ? 0 : timeout), ready)) {
		return B_TIMED_OUT;
	}
	if (refused()) return B_BAD_VALUE;
	owner = self;
	lockCount = 1;
	return B_OK;
}

void LooperPort::Release() {
	std::lock_guard guard(stateLock);
	KitAssert(owner == find_thread(nullptr), "Lock() a looper on the thread that will Unlock() it");
	if (--lockCount == 0) {
		owner = -1;
		stateChanged.notify_all();
	}
}

void LooperPort::ReleaseAll() {
	std::lock_guard guard(stateLock);
	owner = -1;
	lockCount = 0;
	stateChanged.notify_all();
}

LooperRegistry& LooperRegistry::Get() {
	// Never destroyed: loopers may still run while static destructors do.
	static LooperRegistry* registry = new LooperRegistry;
	return *registry;
}

int32 LooperRegistry::RegisterHandler(BHandler* handler) {
	std::lock_guard guard(fLock);
	int32 token = fNextToken++;
	fHandlerTokens[handler] = token;
	fHandlers[token] = {handler, -1};
	return token;
}

void LooperRegistry::UnregisterHandler(BHandler* handler) {
	std::lock_guard guard(fLock);
	auto found = fHandlerTokens.find(handler);
	if (found == fHandlerTokens.end()) return;
	fHandlers.erase(found->second);
	fHandlerTokens.erase(found);
}

void LooperRegistry::SetHandlerLooper(BHandler* handler, BLooper* looper) {
	std::lock_guard guard(fLock);
	auto found = fHandlerTokens.find(handler);
	if (found == fHandlerTokens.end()) return;
	int32 looperToken = -1;
	if (looper) {
		auto looperFound = fHandlerTokens.find(looper);
		if (looperFound != fHandlerTokens.end()) looperToken = looperFound->second;
	}
	fHandlers[found->second].looperToken = looperToken;
}

bool LooperRegistry::LookupHandler(const BHandler* handler, int32* token, int32* looperToken) {
	std::lock_guard guard(fLock);
	auto found = fHandlerTokens.find(handler);
	if (found == fHandlerTokens.end()) return false;
	*token = found->second;
	*looperToken = fHandlers[found->second].looperToken;
	return true;
}

void LooperRegistry::RegisterLooper(BLooper* looper, int32 token, std::shared_ptr<LooperPort> port) {
	std::lock_guard guard(fLock);
	fLoopers[token] = {looper, std::move(port)};
}

void LooperRegistry::UnregisterLooper(BLooper* looper) {
	std::lock_guard guard(fLock);
	auto found = fHandlerTokens.find(looper);
	if (found != fHandlerTokens.end()) fLoopers.erase(found->second);
	for (auto it = fThreads.begin(); it != fThreads.end();) {
		if (it->second == looper)
			it = fThreads.erase(it);
		else
			++it;
	}
}

std::shared_ptr<LooperPort> LooperRegistry::PortFor(int32 looperToken) {
	std::lock_guard guard(fLock);
	auto found = fLoopers.find(looperToken);
	return found == fLoopers.end() ? nullptr : found->second.port;
}

std::shared_ptr<LooperPort> LooperRegistry::PortFor(const BLooper* looper) {
	std::lock_guard guard(fLock);
	auto token = fHandlerTokens.find(looper);
	if (token == fHandlerTokens.end()) return nullptr;
	auto found = fLoopers.find(token->second);
	return found == fLoopers.end() ? nullptr : found->second.port;
}

void LooperRegistry::SetLooperThread(thread_id thread, BLooper* looper) {
	std::lock_guard guard(fLock);
	if (looper)
		fThreads[thread] = looper;
	else
		fThreads.erase(thread);
}

BLooper* LooperRegistry::LooperForThread(thread_id thread) {
	std::lock_guard guard(fLock);
	auto found = fThreads.find(thread);
	return found == fThreads.end() ? nullptr : found->second;
}

BHandler* LooperRegistry::HandlerInLooper(int32 handlerToken, int32 looperToken) {
	std::lock_guard guard(fLock);
	auto found = fHandlers.find(handlerToken);
	return found != fHandlers.end() && found->second.looperToken == looperToken ? found->second.handler
	                                                                            : nullptr;
}

BLooper* LooperRegistry::LooperFor(int32 looperToken) {
	std::lock_guard guard(fLock);
	return LooperByToken(looperToken);
}

BLooper* LooperRegistry::LooperByToken(int32 token) {
	auto found = fLoopers.find(token);
	return found == fLoopers.end() ? nullptr : found->second.looper;
}

BHandler* LooperRegistry::HandlerByToken(int32 token) {
	auto found = fHandlers.find(token);
	return found == fHandlers.end() ? nullptr : found->second.handler;
}
