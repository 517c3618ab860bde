#include <Looper.h>
#include <Messenger.h>

#include "app/LooperRegistry.h"

BMessenger::BMessenger() = default;

BMessenger::BMessenger(const BHandler* handler, const BLooper* looper, status_t* result) {
	LooperRegistry& registry = LooperRegistry::Get();
	status_t status = B_OK;
	int32 handlerToken = -1;
	int32 handlerLooper = -1;
	int32 looperToken = -1;
	int32 ignored;
	if (handler && !registry.LookupHandler(handler, &handlerToken, &handlerLooper)) status = B_BAD_HANDLER;
	if (status == B_OK && looper &&
	    (!registry.LookupHandler(looper, &looperToken, &ignored) || !registry.LooperFor(looperToken)))
		status = B_BAD_VALUE;
	if (status == B_OK) {
		if (handler && handlerLooper < 0)
			status = B_BAD_HANDLER;
		else if (handler && looper && handlerLooper != looperToken)
			status = B_MISMATCHED_VALUES;
		else if (!handler && !looper)
			status = B_BAD_VALUE;
	}
	if (status == B_OK) {
		fHandlerToken = handler ? handlerToken : -1;
		fLooperToken = handler ? handlerLooper : looperToken;
		fPreferred = handler == nullptr;
	}
	if (result) *result = status;
}

bool BMessenger::IsValid() const {
	if (fLooperToken < 0) return false;
	LooperRegistry& registry = LooperRegistry::Get();
	if (fPreferred) return registry.LooperFor(fLooperToken) != nullptr;
	return registry.LooperFor(fLooperToken) && registry.HandlerInLooper(fHandlerToken, fLooperToken);
}

BHandler* BMessenger::Target(BLooper** looper) const {
	LooperRegistry& registry = LooperRegistry::Get();
	BLooper* targetLooper = fLooperToken >= 0 ? registry.LooperFor(fLooperToken) : nullptr;
	if (looper) *looper = targetLooper;
	if (!targetLooper || fPreferred) return nullptr;
	return registry.HandlerInLooper(fHandlerToken, fLooperToken);
}

bool BMessenger::LockTarget() const { return LockTargetWithTimeout(B_INFINITE_TIMEOUT) == B_OK; }

status_t BMessenger::LockTargetWithTimeout(bigtime_t timeout) const {
	std::shared_ptr<LooperPort> port = LooperRegistry::Get().PortFor(fLooperToken);
	if (!port) return B_BAD_VALUE;
	return port->Acquire(timeout, false);
}

status_t BMessenger::SendMessage(uint32 command, BHandler* replyTo) const {
	BMessage message(command);
	return SendMessage(&message, replyTo);
}

status_t BMessenger::SendMessage(BMessage* message, BHandler* replyTo, bigtime_t) const {
	if (!message) return B_BAD_VALUE;
	LooperRegistry& registry = LooperRegistry::Get();
	std::shared_ptr<LooperPort> port = fLooperToken >= 0 ? registry.PortFor(fLooperToken) : nullptr;
	if (!port) return B_BAD_PORT_ID;
	auto copy = std::make_unique<BMessage>(*message);
	copy->fTargetToken = fHandlerToken;
	copy->fPreferredTarget = fPreferred;
	copy->fReplyHandlerToken = -1;
	copy->fReplyLooperToken = -1;
	if (replyTo) registry.LookupHandler(replyTo, &copy->fReplyHandlerToken, &copy->fReplyLooperToken);
	copy->fDelivered = true;
	return port->Push(std::move(copy)) ? B_OK : B_BAD_PORT_ID;
}

bool BMessenger::operator==(const BMessenger& other) const {
	return fLooperToken == other.fLooperToken && fHandlerToken == other.fHandlerToken &&
	       fPreferred == other.fPreferred;
}
