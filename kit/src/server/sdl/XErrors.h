// How the kit's X connections fail: never by ending the process, as Xlib's
// default handlers do (and on whichever thread met the error, which then
// cannot be joined).
//
// Only the kit's own connection is handled so: the errors of any other, such
// as a toolkit's in a program the kit is loaded into, go to the handlers that
// were there before.
//
// A protocol error answers a request about a window that went away meanwhile:
// one another client destroyed, or the window manager's frame of a window that
// closed while SDL asked where it is. Ignoring it loses nothing, as the
// destruction of a window of ours arrives as an event of its own.
//
// An I/O error means the X server is gone. The display is then lost for good:
// Xlib, told not to exit, makes every later call on that connection return at
// once, but only on the thread that met the error (any other would wait for
// ever), so nothing else may call on it once DisplayLost() says so.
#pragma once

struct _XDisplay;

class XErrors {
public:
	// Installs the process's handlers before the first connection opens; SDL's
	// own handler passes what it does not want on to them. Once; later calls
	// do nothing. [display thread]
	static void Install();
	// Makes `display` the kit's connection and keeps its loss from ending the
	// process. Every connection needs this once opened, before its first
	// error can come. [display thread]
	static void Survive(_XDisplay* display);
	// `display` is closing: it is the kit's no more. [display thread]
	static void Forget(_XDisplay* display);
	// Whether a connection to the X server broke. [any thread]
	static bool DisplayLost();
};
