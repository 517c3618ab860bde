// Puts window pixels on the X display through a connection of its own, on
// whichever thread presents them, so that showing a frame wakes no other
// thread and waits for no reply from the X server.
//
// The connection is XCB's, not Xlib's: a frame costs one write to the X
// server, where Xlib's flush also reads the connection each time for events
// this connection never gets. What the X server sends back (errors for a
// window already gone, at most) is read only alongside a write and dropped.
// The socket's send buffer holds many frames, so that a frame does not wait
// for the X server to read the ones before it.
//
// Threads: any; one lock serialises the targets and the conversion buffer.
// SDL makes and destroys the windows on the display thread, which adopts each
// one here once made and forgets it before destroying it, so that pixels
// never go to a window that is gone. Once the display is lost, nothing is sent
// any more.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "server/Framebuffer.h"

struct SDL_Window;
struct xcb_connection_t;

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
	// was sent (an empty area, a target not adopted, or a lost display).
	bool Put(unsigned long target, const Framebuffer& pixels, const PixelRect& area, bool wait);

private:
	struct Target;

	explicit XBlitter(xcb_connection_t* connection);
	bool Usable() const;
	// Returns once the X server has handled every request sent so far.
	void RoundTrip();
	// Drops what the X server sent back and the connection has already read.
	void DropQueuedEvents();

	std::mutex fLock;
	xcb_connection_t* fConnection;
	size_t fMaxRequestBytes;
	std::map<unsigned long, std::unique_ptr<Target>> fTargets;
	std::vector<uint8_t> fRows; // the area being put, in the target's format
};
