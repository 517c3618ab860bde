#include <Looper.h>

#include <future>
#include <thread>

#include "app/LooperRegistry.h"
#include "support/KitAssert.h"

namespace {

// Posted by Quit() from another thread to wake the loop.
constexpr uint32 kQuitLoop = '_QIT';

} // namespace

BLooper::BLooper(const char* name) : BHandler(name), fPort(std::make_shared<LooperPort>()) {
	LooperRegistry::Get().RegisterLooper(this, fToken, fPort);
	AddHandler(this);
	fPort->Acquire(B_INFINITE_TIMEOUT, true);
}

BLooper::~BLooper() {
	LooperRegistry::Get().UnregisterLooper(this);
	fPort->Close();
	for (BHandler* handler : fHandlers) {
		handler->SetLooper(nullptr);
		if (handler->NextHandler() == this) handler->SetNextHandler(nullptr);
	}
	fHandlers.clear();
	std::lock_guard guard(fPort->stateLock);
	fPort->quitting = true;
	fPort->owner = -1;
	fPort->lockCount = 0;
	// A running looper's thread reports the end itself, once it has left the
	// deleting destructor, which may be an add-on's code.
	if (fThread.load() < 0) fPort->finished = true;
	fPort->stateChanged.notify_all();
}

status_t BLooper::PostMessage(uint32 command) {
	BMessage message(command);
	return PostMessage(&message, nullptr, nullptr);
}

status_t BLooper::PostMessage(BMessage* message) { return PostMessage(message, nullptr, nullptr); }

status_t BLooper::PostMessage(uint32 command, BHandler* handler, BHandler* replyTo) {
	BMessage message(command);
	return PostMessage(&message, handler, replyTo);
}

status_t BLooper::PostMessage(BMessage* message, BHandler* handler, BHandler* replyTo) {
	if (!message) return B_BAD_VALUE;
	if (handler && handler->Looper() != this) return B_MISMATCHED_VALUES;
	return Deliver(message, handler ? handler->fToken : -1, handler == nullptr, replyTo);
}

status_t BLooper::Deliver(BMessage* message, int32 handlerToken, bool preferred, BHandler* replyTo) {
	auto copy = std::make_unique<BMessage>(*message);
	copy->fTargetToken = handlerToken;
	copy->fPreferredTarget = preferred;
	copy->fReplyHandlerToken = -1;
	copy->fReplyLooperToken = -1;
	if (replyTo)
		LooperRegistry::Get().LookupHandler(replyTo, &copy->fReplyHandlerToken, &copy->fReplyLooperToken);
	copy->fDelivered = true;
	return fPort->Push(std::move(copy)) ? B_OK : B_BAD_PORT_ID;
}

void BLooper::DispatchMessage(BMessage* message, BHandler* handler) {
	if (message->what == B_QUIT_REQUESTED && handler == this) {
		if (QuitRequested()) Quit();
		return;
	}
	handler->MessageReceived(message);
}

bool BLooper::QuitRequested() { return true; }

BMessage* BLooper::CurrentMessage() const { return fCurrentMessage; }

void BLooper::AddHandler(BHandler* handler) {
	if (!handler || handler->Looper() == this) return;
	KitAssert(!handler->Looper(), "RemoveHandler() from its looper before AddHandler() to another");
	fHandlers.push_back(handler);
	handler->SetLooper(this);
	if (handler != this && !handler->NextHandler()) handler->SetNextHandler(this);
}

bool BLooper::RemoveHandler(BHandler* handler) {
	if (!handler || handler == this || handler->Looper() != this) return false;
	std::erase(fHandlers, handler);
	handler->SetLooper(nullptr);
	if (handler->NextHandler() == this) handler->SetNextHandler(nullptr);
	if (fPreferred == handler) fPreferred = nullptr;
	return true;
}

int32 BLooper::CountHandlers() const { return int32(fHandlers.size()); }

BHandler* BLooper::HandlerAt(int32 index) const {
	return index >= 0 && size_t(index) < fHandlers.size() ? fHandlers[index] : nullptr;
}

BHandler* BLooper::PreferredHandler() const { return fPreferred; }

void BLooper::SetPreferredHandler(BHandler* handler) {
	fPreferred = handler && handler->Looper() == this ? handler : nullptr;
}

thread_id BLooper::Run() {
	KitAssert(fThread.load() < 0, "Run() a looper only once");
	std::promise<thread_id> started;
	std::thread([this, &started] {
		const thread_id self = find_thread(nullptr);
		LooperRegistry::Get().SetLooperThread(self, this);
		fThread.store(self);
		started.set_value(self);
		Loop();
	}).detach();
	const thread_id thread = started.get_future().get();
	if (IsLocked()) Unlock();
	return thread;
}

void BLooper::Loop() {
	std::shared_ptr<LooperPort> port = fPort;
	const thread_id self = find_thread(nullptr);
	while (std::unique_ptr<BMessage> message = port->Pop()) {
		if (message->what == kQuitLoop && message->fTargetToken == -2) break;
		if (message->what == kIdleProbe && message->HasName(kIdleProbeSemaphore)) {
			std::unique_lock guard(port->queueLock);
			if (port->queue.empty()) {
				guard.unlock();
				release_sem(message->GetInt32(kIdleProbeSemaphore, -1));
			} else {
				port->queue.push_back(std::move(message));
			}
			continue;
		}
		port->Acquire(B_INFINITE_TIMEOUT, true);
		if (IsQuitting()) break;
		if (BHandler* handler = ResolveTarget(*message)) {
			fCurrentMessage = message.get();
			DispatchMessage(message.get(), handler);
			fCurrentMessage = nullptr;
		}
		if (IsQuitting()) break;
		port->Release();
	}
	{
		std::unique_lock guard(port->stateLock);
		if (port->owner != self) {
			guard.unlock();
			port->Acquire(B_INFINITE_TIMEOUT, true);
		}
	}
	LooperQuitting();
	delete this;
	// Only now has this thread left the object's code: whoever waits in
	// Quit() may go on, and unload that code.
	std::lock_guard guard(port->stateLock);
	port->finished = true;
	port->stateChanged.notify_all();
}

BHandler* BLooper::ResolveTarget(const BMessage& message) const {
	if (message.fPreferredTarget) return fPreferred ? fPreferred : const_cast<BLooper*>(this);
	return LooperRegistry::Get().HandlerInLooper(message.fTargetToken, fToken);
}

void BLooper::Quit() {
	const thread_id self = find_thread(nullptr);
	{
		std::lock_guard guard(fPort->stateLock);
		fPort->quitting = true;
	}
	if (fThread.load() < 0) {
		KitAssert(IsLocked(), "Lock() the looper before Quit() from another thread");
		LooperQuitting();
		delete this;
		return;
	}
	if (self == fThread.load()) return; // the loop ends after the current message

	KitAssert(IsLocked(), "Lock() the looper before Quit() from another thread");
	std::shared_ptr<LooperPort> port = fPort;
	auto wake = std::make_unique<BMessage>(kQuitLoop);
	wake->fTargetToken = -2;
	port->Push(std::move(wake));
	port->ReleaseAll();
	std::unique_lock guard(port->stateLock);
	port->stateChanged.wait(guard, [&] { return port->finished; });
}

thread_id BLooper::Thread() const { return fThread.load(); }

bool BLooper::IsQuitting() const {
	std::lock_guard guard(fPort->stateLock);
	return fPort->quitting;
}

bool BLooper::Lock() { return LockWithTimeout(B_INFINITE_TIMEOUT) == B_OK; }

void BLooper::Unlock() { fPort->Release(); }

status_t BLooper::LockWithTimeout(bigtime_t timeout) {
	std::shared_ptr<LooperPort> port = LooperRegistry::Get().PortFor(this);
	if (!port) return B_BAD_VALUE;
	return port->Acquire(timeout, false);
}

thread_id BLooper::LockingThread() const {
	std::lock_guard guard(fPort->stateLock);
	return fPort->owner;
}

bool BLooper::IsLocked() const { return LockingThread() == find_thread(nullptr); }

int32 BLooper::CountLocks() const {
	std::lock_guard guard(fPort->stateLock);
	return fPort->lockCount;
}

BLooper* BLooper::LooperForThread(thread_id thread) { return LooperRegistry::Get().LooperForThread(thread); }

void BLooper::LooperQuitting() {}
