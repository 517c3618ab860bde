// Puts window pixels on the X display through a connection of its own, on
// whichever thread presents them, so that showing a frame wakes no other
// thread and waits for no reply from the X server.
//
// Threads: any; one lock serialises the connection. SDL makes and destroys
// the windows on the display thread, which adopts each one here once made and
// forgets it before destroying it, so that pixels never go to a window that
// is gone. Once the display is lost, nothing calls into Xlib here any more:
// Xlib keeps a lost connection to the thread that met the loss, and would
// make any other wait for ever.
#pragma once

#include <map>
#include <memory>
#include <mutex>

#include "Framebuffer.h"

struct SDL_Window;
struct _XDisplay;

class XBlitter {
public:
	// Opens the connection to $DISPLAY; null when it cannot be opened or its
	// screen does not hold colours in bit fields of a pixel format SDL knows.
	static std::unique_ptr<XBlitter> Open();
	~XBlitter();

	XBlitter(const XBlitter&) = delete;
	XBlitter& operator=(const XBlitter&) = delete;

	// Starts putting pixels on the X window behind `window`, which SDL has
	// just made; returns that window's id, 0 when it cannot. [display thread]
	unsigned long Adopt(SDL_Window* window);
	// Stops putting pixels on `target`; no Put for it may follow.
	void Forget(unsigned long target);
	// Copies `area` of `pixels` to the same place in `target`: sent at once;
	// with `wait`, returns once the X server has drawn it. False when nothing
	// was sent (an empty area, or a target not adopted).
	bool Put(unsigned long target, const Framebuffer& pixels, const PixelRect& area, bool wait);

private:
	struct Target;

	explicit XBlitter(_XDisplay* display);

	std::mutex fLock;
	_XDisplay* fDisplay;
	std::map<unsigned long, std::unique_ptr<Target>> fTargets;
};
