#include "server/sdl/SdlKeys.h"

#include <InterfaceDefs.h>

namespace {

// The control byte of a special key, or 0.
char SpecialByte(SDL_Keycode key) {
	switch (key) {
	case SDLK_LEFT:
		return B_LEFT_ARROW;
	case SDLK_RIGHT:
		return B_RIGHT_ARROW;
	case SDLK_UP:
		return B_UP_ARROW;
	case SDLK_DOWN:
		return B_DOWN_ARROW;
	case SDLK_RETURN:
	case SDLK_RETURN2:
	case SDLK_KP_ENTER:
		return B_ENTER;
	case SDLK_ESCAPE:
		return B_ESCAPE;
	case SDLK_BACKSPACE:
		return B_BACKSPACE;
	case SDLK_TAB:
		return B_TAB;
	case SDLK_DELETE:
		return B_DELETE;
	case SDLK_INSERT:
		return B_INSERT;
	case SDLK_HOME:
		return B_HOME;
	case SDLK_END:
		return B_END;
	case SDLK_PAGEUP:
		return B_PAGE_UP;
	case SDLK_PAGEDOWN:
		return B_PAGE_DOWN;
	default:
		break;
	}
	if (key >= SDLK_F1 && key <= SDLK_F12) return B_FUNCTION_KEY;
	return 0;
}

bool IsPrintableAscii(SDL_Keycode key) { return key >= 0x20 && key < 0x7f; }

} // namespace

uint32 ModifiersFromSdl(uint16 sdl) {
	struct Bit {
		uint16 sdl;
		uint32 be;
	};
	static constexpr Bit kBits[] = {
	    {KMOD_LSHIFT, B_SHIFT_KEY | B_LEFT_SHIFT_KEY},
	    {KMOD_RSHIFT, B_SHIFT_KEY | B_RIGHT_SHIFT_KEY},
	    {KMOD_LCTRL, B_COMMAND_KEY | B_LEFT_COMMAND_KEY},
	    {KMOD_RCTRL, B_COMMAND_KEY | B_RIGHT_COMMAND_KEY},
	    {KMOD_LGUI, B_CONTROL_KEY | B_LEFT_CONTROL_KEY},
	    {KMOD_RGUI, B_CONTROL_KEY | B_RIGHT_CONTROL_KEY},
	    {KMOD_LALT, B_OPTION_KEY | B_LEFT_OPTION_KEY},
	    {KMOD_RALT, B_OPTION_KEY | B_RIGHT_OPTION_KEY},
	    {KMOD_MODE, B_MENU_KEY},
	    {KMOD_CAPS, B_CAPS_LOCK},
	    {KMOD_NUM, B_NUM_LOCK},
	    {KMOD_SCROLL, B_SCROLL_LOCK},
	};
	uint32 modifiers = 0;
	for (const Bit& bit : kBits)
		if (sdl & bit.sdl) modifiers |= bit.be;
	return modifiers;
}

std::string KeyBytes(SDL_Keycode key, uint16 sdlModifiers, const char* text) {
	if (char special = SpecialByte(key)) return std::string(1, special);
	const bool shortcut = sdlModifiers & (KMOD_CTRL | KMOD_GUI);
	if (!shortcut && text && *text) return text;
	if (!IsPrintableAscii(key)) return {};
	char character = char(key);
	const bool upper = !shortcut && (bool(sdlModifiers & KMOD_SHIFT) != bool(sdlModifiers & KMOD_CAPS));
	if (upper && character >= 'a' && character <= 'z') character = char(character - 'a' + 'A');
	return std::string(1, character);
}

int32 RawChar(SDL_Keycode key, const std::string& bytes) {
	if (char special = SpecialByte(key)) return special;
	if (IsPrintableAscii(key)) return key;
	return bytes.empty() ? 0 : int32(uint8(bytes[0]));
}
