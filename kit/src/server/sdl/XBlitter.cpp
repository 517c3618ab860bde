#include "server/sdl/XBlitter.h"

#include <algorithm>
#include <bit>
#include <cstdlib>

#include <sys/socket.h>

#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xlib.h>
#include <xcb/xcb.h>

#include "server/sdl/XErrors.h"

namespace {

// A PutImage request's own fields, big-requests length included.
constexpr size_t kPutImageHeaderBytes = 28;
// Frames sent before the X server has had the processor wait in the socket,
// and a write blocks once a quarter of the send buffer waits; Linux's default
// buffer holds a few frames only, and the thread that draws then sleeps until
// the server reads.
constexpr int kSendBufferBytes = 1 << 20;

// XCB hands out replies and errors in malloc'ed memory.
template <typename T> using Reply = std::unique_ptr<T, decltype(&std::free)>;
template <typename T> Reply<T> Own(T* reply) { return Reply<T>(reply, &std::free); }

const xcb_visualtype_t* FindVisual(const xcb_setup_t* setup, xcb_visualid_t id) {
	for (auto screen = xcb_setup_roots_iterator(setup); screen.rem; xcb_screen_next(&screen))
		for (auto depth = xcb_screen_allowed_depths_iterator(screen.data); depth.rem; xcb_depth_next(&depth))
			for (auto visual = xcb_depth_visuals_iterator(depth.data); visual.rem;
			     xcb_visualtype_next(&visual))
				if (visual.data->visual_id == id) return visual.data;
	return nullptr;
}

const xcb_format_t* FindFormat(const xcb_setup_t* setup, int depth) {
	for (auto format = xcb_setup_pixmap_formats_iterator(setup); format.rem; xcb_format_next(&format))
		if (format.data->depth == depth) return format.data;
	return nullptr;
}

// `mask` as the host reads it from bytes laid out in the other byte order.
uint32_t Reversed(uint32_t mask, int bytes) {
	uint32_t reversed = 0;
	for (int i = 0; i < bytes; i++)
		reversed |= ((mask >> (8 * i)) & 0xffu) << (8 * (bytes - 1 - i));
	return reversed;
}

// The SDL pixel format of a visual whose pixels hold red, green and blue in
// bit fields, at `bits` per pixel, laid out in the X server's byte order (SDL
// picks a direct-colour visual when there is one, and fills its colour map in
// a ramp); SDL_PIXELFORMAT_UNKNOWN for a visual of colour indices.
Uint32 PixelFormat(const xcb_setup_t* setup, const xcb_visualtype_t* visual, int bits) {
	if (!visual ||
	    (visual->_class != XCB_VISUAL_CLASS_TRUE_COLOR && visual->_class != XCB_VISUAL_CLASS_DIRECT_COLOR))
		return SDL_PIXELFORMAT_UNKNOWN;
	const bool serverLittle = setup->image_byte_order == XCB_IMAGE_ORDER_LSB_FIRST;
	const bool swapped = serverLittle != (std::endian::native == std::endian::little);
	auto mask = [&](uint32_t m) { return swapped ? Reversed(m, bits / 8) : m; };
	return SDL_MasksToPixelFormatEnum(bits, mask(visual->red_mask), mask(visual->green_mask),
	                                  mask(visual->blue_mask), 0);
}

} // namespace

struct XBlitter::Target {
	xcb_gcontext_t gc = 0;
	uint8_t depth = 0;
	int bitsPerPixel = 0;
	int scanlinePad = 0;
	Uint32 format = SDL_PIXELFORMAT_UNKNOWN;
};

std::unique_ptr<XBlitter> XBlitter::Open() {
	int screenNumber = 0;
	xcb_connection_t* connection = xcb_connect(nullptr, &screenNumber);
	if (xcb_connection_has_error(connection)) {
		xcb_disconnect(connection);
		return nullptr;
	}
	const xcb_setup_t* setup = xcb_get_setup(connection);
	auto screen = xcb_setup_roots_iterator(setup);
	for (int i = 0; i < screenNumber && screen.rem; i++)
		xcb_screen_next(&screen);
	const xcb_format_t* format = screen.rem ? FindFormat(setup, screen.data->root_depth) : nullptr;
	if (!format || PixelFormat(setup, FindVisual(setup, screen.data->root_visual), format->bits_per_pixel) ==
	                   SDL_PIXELFORMAT_UNKNOWN) {
		xcb_disconnect(connection);
		return nullptr;
	}
	// Only a cost when refused: writes block sooner.
	setsockopt(xcb_get_file_descriptor(connection), SOL_SOCKET, SO_SNDBUF, &kSendBufferBytes,
	           sizeof kSendBufferBytes);
	return std::unique_ptr<XBlitter>(new XBlitter(connection));
}

XBlitter::XBlitter(xcb_connection_t* connection)
    : fConnection(connection), fMaxRequestBytes(size_t(xcb_get_maximum_request_length(connection)) * 4) {}

XBlitter::~XBlitter() {
	std::lock_guard lock(fLock);
	if (Usable()) {
		for (auto& [id, target] : fTargets)
			xcb_free_gc(fConnection, target->gc);
		RoundTrip();
	}
	xcb_disconnect(fConnection);
}

bool XBlitter::Usable() const { return !XErrors::DisplayLost() && !xcb_connection_has_error(fConnection); }

void XBlitter::RoundTrip() {
	Own(xcb_get_input_focus_reply(fConnection, xcb_get_input_focus(fConnection), nullptr));
	DropQueuedEvents();
}

void XBlitter::DropQueuedEvents() {
	while (xcb_generic_event_t* event = xcb_poll_for_queued_event(fConnection))
		std::free(event);
}

unsigned long XBlitter::Adopt(SDL_Window* window) {
	SDL_SysWMinfo info;
	SDL_VERSION(&info.version);
	if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return 0;
	// The window must exist at the X server before another connection names it.
	XSync(info.info.x11.display, False);
	const xcb_window_t id = xcb_window_t(info.info.x11.window);

	std::lock_guard lock(fLock);
	if (!Usable()) return 0;
	const auto attributesAsked = xcb_get_window_attributes(fConnection, id);
	const auto geometryAsked = xcb_get_geometry(fConnection, id);
	xcb_generic_error_t* attributesError = nullptr;
	xcb_generic_error_t* geometryError = nullptr;
	const auto attributes =
	    Own(xcb_get_window_attributes_reply(fConnection, attributesAsked, &attributesError));
	const auto geometry = Own(xcb_get_geometry_reply(fConnection, geometryAsked, &geometryError));
	std::free(attributesError);
	std::free(geometryError);
	if (!attributes || !geometry) return 0;

	const xcb_setup_t* setup = xcb_get_setup(fConnection);
	const xcb_format_t* format = FindFormat(setup, geometry->depth);
	if (!format) return 0;
	auto target = std::make_unique<Target>();
	target->depth = geometry->depth;
	target->bitsPerPixel = format->bits_per_pixel;
	target->scanlinePad = format->scanline_pad;
	target->format = PixelFormat(setup, FindVisual(setup, attributes->visual), format->bits_per_pixel);
	if (target->format == SDL_PIXELFORMAT_UNKNOWN) return 0;
	target->gc = xcb_generate_id(fConnection);
	xcb_create_gc(fConnection, target->gc, id, 0, nullptr);
	fTargets[id] = std::move(target);
	return id;
}

void XBlitter::Forget(unsigned long id) {
	std::lock_guard lock(fLock);
	auto found = fTargets.find(id);
	if (found == fTargets.end()) return;
	const xcb_gcontext_t gc = found->second->gc;
	fTargets.erase(found);
	if (!Usable()) return;
	xcb_free_gc(fConnection, gc);
	// Whatever was sent for the window is drawn before SDL destroys it.
	RoundTrip();
}

bool XBlitter::Put(unsigned long id, const Framebuffer& pixels, const PixelRect& area, bool wait) {
	const PixelRect copy = area.Intersect(pixels.Bounds());
	std::lock_guard lock(fLock);
	auto found = fTargets.find(id);
	if (found == fTargets.end() || !Usable()) return false;
	const Target& target = *found->second;
	if (copy.IsEmpty()) {
		if (wait) RoundTrip();
		return false;
	}

	const int width = copy.right - copy.left + 1;
	const int height = copy.bottom - copy.top + 1;
	// Rows in the X format are padded to the format's scanline unit.
	const size_t stride = (size_t(width) * size_t(target.bitsPerPixel) + size_t(target.scanlinePad) - 1) /
	                      size_t(target.scanlinePad) * size_t(target.scanlinePad) / 8;
	// A large area goes as several requests, each within the server's limit.
	const int rowsPerRequest =
	    int(std::clamp<size_t>((fMaxRequestBytes - kPutImageHeaderBytes) / stride, 1, size_t(height)));
	fRows.resize(std::max(fRows.size(), stride * size_t(rowsPerRequest)));
	for (int top = copy.top; top <= copy.bottom; top += rowsPerRequest) {
		const int rows = std::min(rowsPerRequest, copy.bottom - top + 1);
		SDL_ConvertPixels(width, rows, SDL_PIXELFORMAT_RGBA32, pixels.Row(top) + copy.left,
		                  pixels.Width() * int(sizeof(rgb_color)), target.format, fRows.data(), int(stride));
		xcb_put_image(fConnection, XCB_IMAGE_FORMAT_Z_PIXMAP, xcb_drawable_t(id), target.gc, uint16_t(width),
		              uint16_t(rows), int16_t(copy.left), int16_t(top), 0, target.depth,
		              uint32_t(stride * size_t(rows)), fRows.data());
	}
	if (wait)
		RoundTrip();
	else
		xcb_flush(fConnection);
	DropQueuedEvents();
	return true;
}
