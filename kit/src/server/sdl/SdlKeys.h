// How SDL's keyboard reads to a window: the modifier bits and the bytes of a
// key message. Pure functions, so they are tested without a display.
//
// Modifiers: Ctrl is B_COMMAND_KEY, Super (the logo key) B_CONTROL_KEY, Alt
// B_OPTION_KEY, AltGr B_MENU_KEY; each side key sets its left or right bit too.
// Bytes: the special keys give their control byte (arrows 0x1c-0x1f, Enter
// 0x0a, Escape 0x1b, Backspace 0x08, Tab 0x09, Delete 0x7f, Insert 0x05, Home
// 0x01, End 0x04, Page Up 0x0b, Page Down 0x0c, F1-F12 B_FUNCTION_KEY); with
// Ctrl or Super held, a key gives its own lower-case character; otherwise the
// text the key typed, or, when none came, the key's own character (upper-case
// for letters with Shift or Caps Lock).
#pragma once

#include <string>

#include <SDL_keycode.h>

#include <SupportDefs.h>

uint32 ModifiersFromSdl(uint16 sdlModifiers);

// The bytes of a key: empty when the key types nothing (a modifier key on
// its own). `text` is the UTF-8 text input that came with the key, or null.
std::string KeyBytes(SDL_Keycode key, uint16 sdlModifiers, const char* text);

// The key's character without modifiers, as "raw_char" carries it.
int32 RawChar(SDL_Keycode key, const std::string& bytes);
