// The messages a display posts to its windows, built in one place so that
// both backends fill the fields the same way (see DisplayServer.h for the
// fields). "when" is system_time() at the moment the message is built.
#pragma once

#include <string>

#include <Message.h>

namespace server_message {

// B_MOUSE_DOWN, B_MOUSE_UP or B_MOUSE_MOVED; "clicks" only on a down.
BMessage Mouse(uint32 what, BPoint where, uint32 buttons, uint32 modifiers, int32 clicks);
// B_KEY_DOWN or B_KEY_UP with the UTF-8 text of the key in "bytes" and,
// one per byte, in "byte".
BMessage Key(uint32 what, const std::string& bytes, int32 key, int32 rawChar, uint32 modifiers);
BMessage Activated(bool active);
// Width and height in pixels; the message holds Bounds() right and bottom.
BMessage Resized(int32 width, int32 height);
BMessage Moved(BPoint contentLeftTop);
BMessage Minimize(bool minimized);
BMessage Update(BRect rect);

} // namespace server_message
