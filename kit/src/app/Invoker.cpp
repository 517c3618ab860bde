#include <Invoker.h>

BInvoker::BInvoker() = default;

BInvoker::BInvoker(BMessage* message, const BHandler* handler, const BLooper* looper) : fMessage(message) {
	SetTarget(handler, looper);
}

BInvoker::BInvoker(BMessage* message, BMessenger target) : fMessage(message), fMessenger(target) {}

BInvoker::~BInvoker() = default;

status_t BInvoker::SetMessage(BMessage* message) {
	if (fMessage.get() != message) fMessage.reset(message);
	return B_OK;
}

BMessage* BInvoker::Message() const { return fMessage.get(); }

uint32 BInvoker::Command() const { return fMessage ? fMessage->what : 0; }

status_t BInvoker::SetTarget(const BHandler* handler, const BLooper* looper) {
	if (!handler && !looper) {
		fMessenger = BMessenger();
		return B_OK;
	}
	status_t result;
	fMessenger = BMessenger(handler, looper, &result);
	return result;
}

status_t BInvoker::SetTarget(BMessenger messenger) {
	fMessenger = messenger;
	return B_OK;
}

bool BInvoker::IsTargetLocal() const { return true; }

BHandler* BInvoker::Target(BLooper** looper) const { return fMessenger.Target(looper); }

BMessenger BInvoker::Messenger() const { return fMessenger; }

status_t BInvoker::Invoke(BMessage* message) {
	if (!message) message = fMessage.get();
	if (!message) return B_BAD_VALUE;
	return fMessenger.SendMessage(message);
}
