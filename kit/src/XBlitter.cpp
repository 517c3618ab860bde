#include "XBlitter.h"

#include <bit>
#include <vector>

#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include "XErrors.h"

namespace {

int BitsPerPixel(Display* display, int depth) {
	int count = 0;
	XPixmapFormatValues* formats = XListPixmapFormats(display, &count);
	int bits = 0;
	for (int i = 0; i < count; i++)
		if (formats[i].depth == depth) bits = formats[i].bits_per_pixel;
	if (formats) XFree(formats);
	return bits;
}

// The SDL pixel format of a visual whose pixels hold red, green and blue in
// bit fields, at `bits` per pixel, in the host's byte order (SDL picks a
// direct-colour visual when there is one, and fills its colour map in a
// ramp); SDL_PIXELFORMAT_UNKNOWN for a visual of colour indices.
Uint32 PixelFormat(const Visual* visual, int bits) {
	if (visual->c_class != TrueColor && visual->c_class != DirectColor) return SDL_PIXELFORMAT_UNKNOWN;
	return SDL_MasksToPixelFormatEnum(bits, Uint32(visual->red_mask), Uint32(visual->green_mask),
	                                  Uint32(visual->blue_mask), 0);
}

} // namespace

struct XBlitter::Target {
	GC gc = nullptr;
	Visual* visual = nullptr;
	int depth = 0;
	int bitsPerPixel = 0;
	Uint32 format = SDL_PIXELFORMAT_UNKNOWN;
	// The window's pixels in the X format, as large as the framebuffer last
	// put; only the areas put are converted.
	XImage image{};
	std::vector<char> data;
};

std::unique_ptr<XBlitter> XBlitter::Open() {
	Display* display = XOpenDisplay(nullptr);
	if (!display) return nullptr;
	const int screen = DefaultScreen(display);
	const int depth = DefaultDepth(display, screen);
	if (PixelFormat(DefaultVisual(display, screen), BitsPerPixel(display, depth)) ==
	    SDL_PIXELFORMAT_UNKNOWN) {
		XCloseDisplay(display);
		return nullptr;
	}
	XErrors::Survive(display);
	return std::unique_ptr<XBlitter>(new XBlitter(display));
}

XBlitter::XBlitter(Display* display) : fDisplay(display) {}

XBlitter::~XBlitter() {
	std::lock_guard lock(fLock);
	for (auto& [id, target] : fTargets)
		XFreeGC(fDisplay, target->gc);
	XSync(fDisplay, False);
	XCloseDisplay(fDisplay);
}

unsigned long XBlitter::Adopt(SDL_Window* window) {
	SDL_SysWMinfo info;
	SDL_VERSION(&info.version);
	if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return 0;
	// The window must exist at the X server before another connection names it.
	XSync(info.info.x11.display, False);
	const ::Window id = info.info.x11.window;

	std::lock_guard lock(fLock);
	XWindowAttributes attributes;
	if (XErrors::DisplayLost() || !XGetWindowAttributes(fDisplay, id, &attributes)) return 0;
	auto target = std::make_unique<Target>();
	target->visual = attributes.visual;
	target->depth = attributes.depth;
	target->bitsPerPixel = BitsPerPixel(fDisplay, attributes.depth);
	target->format = PixelFormat(attributes.visual, target->bitsPerPixel);
	if (target->format == SDL_PIXELFORMAT_UNKNOWN) return 0;
	target->gc = XCreateGC(fDisplay, id, 0, nullptr);
	fTargets[id] = std::move(target);
	return id;
}

void XBlitter::Forget(unsigned long id) {
	std::lock_guard lock(fLock);
	auto found = fTargets.find(id);
	if (found == fTargets.end()) return;
	const GC gc = found->second->gc;
	fTargets.erase(found);
	if (XErrors::DisplayLost()) return;
	XFreeGC(fDisplay, gc);
	// Whatever was sent for the window is drawn before SDL destroys it.
	XSync(fDisplay, False);
}

bool XBlitter::Put(unsigned long id, const Framebuffer& pixels, const PixelRect& area, bool wait) {
	const PixelRect copy = area.Intersect(pixels.Bounds());
	std::lock_guard lock(fLock);
	auto found = fTargets.find(id);
	if (found == fTargets.end() || XErrors::DisplayLost()) return false;
	Target& target = *found->second;
	if (copy.IsEmpty()) {
		if (wait) XSync(fDisplay, False);
		return false;
	}

	XImage& image = target.image;
	if (image.width != pixels.Width() || image.height != pixels.Height()) {
		image = XImage{};
		image.width = pixels.Width();
		image.height = pixels.Height();
		image.format = ZPixmap;
		image.byte_order = std::endian::native == std::endian::little ? LSBFirst : MSBFirst;
		image.bitmap_unit = 32;
		image.bitmap_bit_order = image.byte_order;
		image.bitmap_pad = 32;
		image.depth = target.depth;
		image.bits_per_pixel = target.bitsPerPixel;
		image.bytes_per_line = (pixels.Width() * target.bitsPerPixel + 31) / 32 * 4;
		image.red_mask = target.visual->red_mask;
		image.green_mask = target.visual->green_mask;
		image.blue_mask = target.visual->blue_mask;
		target.data.assign(size_t(image.bytes_per_line) * size_t(image.height), 0);
		image.data = target.data.data();
		if (!XInitImage(&image)) {
			image = XImage{};
			return false;
		}
	}
	const int width = copy.right - copy.left + 1;
	const int height = copy.bottom - copy.top + 1;
	char* destination = image.data + size_t(copy.top) * size_t(image.bytes_per_line) +
	                    size_t(copy.left) * size_t(image.bits_per_pixel / 8);
	SDL_ConvertPixels(width, height, SDL_PIXELFORMAT_RGBA32, pixels.Row(copy.top) + copy.left,
	                  pixels.Width() * int(sizeof(rgb_color)), target.format, destination,
	                  image.bytes_per_line);
	XPutImage(fDisplay, id, target.gc, &image, copy.left, copy.top, copy.left, copy.top, unsigned(width),
	          unsigned(height));
	if (wait)
		XSync(fDisplay, False);
	else
		XFlush(fDisplay);
	return true;
}
