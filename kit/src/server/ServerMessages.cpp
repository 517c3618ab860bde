#include "server/ServerMessages.h"

#include <AppDefs.h>
#include <OS.h>

#include "server/DisplayServer.h"

namespace server_message {

namespace {

BMessage Timed(uint32 what) {
	BMessage message(what);
	message.AddInt64("when", system_time());
	return message;
}

} // namespace

BMessage Mouse(uint32 what, BPoint where, uint32 buttons, uint32 modifiers, int32 clicks) {
	BMessage message = Timed(what);
	message.AddPoint("where", where);
	message.AddInt32("buttons", int32(buttons));
	message.AddInt32("modifiers", int32(modifiers));
	if (what == B_MOUSE_DOWN) message.AddInt32("clicks", clicks);
	return message;
}

BMessage Key(uint32 what, const std::string& bytes, int32 key, int32 rawChar, uint32 modifiers) {
	BMessage message = Timed(what);
	message.AddInt32("modifiers", int32(modifiers));
	message.AddInt32("key", key);
	message.AddInt32("raw_char", rawChar);
	for (char byte : bytes)
		message.AddInt8("byte", int8(byte));
	message.AddString("bytes", bytes.c_str());
	return message;
}

BMessage Activated(bool active) {
	BMessage message = Timed(B_WINDOW_ACTIVATED);
	message.AddBool("active", active);
	return message;
}

BMessage Resized(int32 width, int32 height) {
	BMessage message = Timed(B_WINDOW_RESIZED);
	message.AddInt32("width", width - 1);
	message.AddInt32("height", height - 1);
	return message;
}

BMessage Moved(BPoint contentLeftTop) {
	BMessage message = Timed(B_WINDOW_MOVED);
	message.AddPoint("where", contentLeftTop);
	return message;
}

BMessage Minimize(bool minimized) {
	BMessage message = Timed(B_MINIMIZE);
	message.AddBool("minimize", minimized);
	return message;
}

BMessage Update(BRect rect) {
	BMessage message(kMsgUpdate);
	message.AddRect("updateRect", rect);
	return message;
}

} // namespace server_message
