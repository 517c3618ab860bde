#include <Handler.h>
#include <Looper.h>

#include "app/LooperRegistry.h"

BHandler::BHandler(const char* name)
    : fToken(LooperRegistry::Get().RegisterHandler(this)), fName(name ? name : "") {}

BHandler::~BHandler() { LooperRegistry::Get().UnregisterHandler(this); }

void BHandler::MessageReceived(BMessage* message) {
	if (fNextHandler) fNextHandler->MessageReceived(message);
}

BLooper* BHandler::Looper() const { return fLooper; }

void BHandler::SetName(const char* name) { fName = name ? name : ""; }

const char* BHandler::Name() const { return fName.c_str(); }

void BHandler::SetNextHandler(BHandler* handler) { fNextHandler = handler; }

BHandler* BHandler::NextHandler() const { return fNextHandler; }

bool BHandler::LockLooper() { return fLooper && fLooper->Lock(); }

void BHandler::UnlockLooper() {
	if (fLooper) fLooper->Unlock();
}

void BHandler::SetLooper(BLooper* looper) {
	fLooper = looper;
	LooperRegistry::Get().SetHandlerLooper(this, looper);
}
