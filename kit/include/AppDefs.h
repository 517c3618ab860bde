// Message codes of the system's own messages.
//
// Values and constants only: nothing here crosses threads [any thread].
#pragma once

#include "SupportDefs.h"

enum : uint32 {
	B_QUIT_REQUESTED = '_QRQ',
	B_SIMPLE_DATA = 'DATA',
	B_MOUSE_DOWN = '_MDN',
	B_MOUSE_UP = '_MUP',
	B_MOUSE_MOVED = '_MMV',
	B_MOUSE_WHEEL_CHANGED = '_MWC',
	B_KEY_DOWN = '_KYD',
	B_KEY_UP = '_KUP',
	B_UNMAPPED_KEY_DOWN = '_UKD',
	B_MODIFIERS_CHANGED = '_MCH',
	B_WINDOW_ACTIVATED = '_ACT',
	B_WINDOW_RESIZED = '_WRS',
	B_WINDOW_MOVED = '_WMV',
	B_MINIMIZE = '_WMZ',
	B_ZOOM = '_WZM',
	B_VIEW_RESIZED = '_VRS',
	B_VIEW_MOVED = '_VMV',
	B_MESSAGE_NOT_UNDERSTOOD = '_NUN',
	B_NO_REPLY = '_NRP',
	B_CONTROL_INVOKED = '_CIV',
	B_CONTROL_MODIFIED = '_CMD',
};
