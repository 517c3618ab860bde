#include <gtest/gtest.h>

#include <InterfaceDefs.h>

#include "server/sdl/SdlKeys.h"

namespace {

TEST(SdlKeysTest, SpecialKeysGiveTheirControlBytesWhateverTheText) {
	const struct {
		SDL_Keycode key;
		char byte;
	} cases[] = {{SDLK_LEFT, 0x1c},   {SDLK_RIGHT, 0x1d},    {SDLK_UP, 0x1e},     {SDLK_DOWN, 0x1f},
	             {SDLK_RETURN, 0x0a}, {SDLK_KP_ENTER, 0x0a}, {SDLK_ESCAPE, 0x1b}, {SDLK_BACKSPACE, 0x08},
	             {SDLK_TAB, 0x09},    {SDLK_DELETE, 0x7f},   {SDLK_HOME, 0x01},   {SDLK_END, 0x04},
	             {SDLK_PAGEUP, 0x0b}, {SDLK_PAGEDOWN, 0x0c}, {SDLK_INSERT, 0x05}, {SDLK_F5, B_FUNCTION_KEY}};
	for (const auto& c : cases) {
		EXPECT_EQ(KeyBytes(c.key, KMOD_NONE, "\t"), std::string(1, c.byte)) << c.key;
		EXPECT_EQ(KeyBytes(c.key, KMOD_LCTRL, nullptr), std::string(1, c.byte)) << c.key;
		EXPECT_EQ(RawChar(c.key, "x"), c.byte) << c.key;
	}
}

TEST(SdlKeysTest, TypedTextIsTheBytesUnlessCtrlOrSuperIsHeld) {
	EXPECT_EQ(KeyBytes(SDLK_e, KMOD_NONE, "\xc3\xa9"), "\xc3\xa9");
	EXPECT_EQ(KeyBytes(SDLK_a, KMOD_LSHIFT, "A"), "A");
	EXPECT_EQ(KeyBytes(SDLK_q, KMOD_LCTRL | KMOD_LSHIFT, nullptr), "q");
	EXPECT_EQ(KeyBytes(SDLK_q, KMOD_RGUI, "q"), "q");
	EXPECT_EQ(KeyBytes(SDLK_1, KMOD_LCTRL, nullptr), "1");
	EXPECT_EQ(RawChar(SDLK_e, "\xc3\xa9"), 'e');
}

TEST(SdlKeysTest, WithoutTextTheKeyGivesItsOwnCharacterWithShiftAndCapsLock) {
	EXPECT_EQ(KeyBytes(SDLK_b, KMOD_NONE, nullptr), "b");
	EXPECT_EQ(KeyBytes(SDLK_b, KMOD_RSHIFT, nullptr), "B");
	EXPECT_EQ(KeyBytes(SDLK_b, KMOD_CAPS, nullptr), "B");
	EXPECT_EQ(KeyBytes(SDLK_b, KMOD_CAPS | KMOD_LSHIFT, nullptr), "b");
	EXPECT_EQ(KeyBytes(SDLK_SPACE, KMOD_NONE, nullptr), " ");
}

TEST(SdlKeysTest, ModifierKeysAloneTypeNothing) {
	for (SDL_Keycode key : {SDLK_LSHIFT, SDLK_RCTRL, SDLK_LALT, SDLK_LGUI, SDLK_CAPSLOCK})
		EXPECT_EQ(KeyBytes(key, KMOD_NONE, nullptr), "") << key;
}

TEST(SdlKeysTest, ModifiersMapCtrlToCommandSuperToControlAndAltToOptionWithSides) {
	EXPECT_EQ(ModifiersFromSdl(KMOD_LCTRL), uint32(B_COMMAND_KEY | B_LEFT_COMMAND_KEY));
	EXPECT_EQ(ModifiersFromSdl(KMOD_RCTRL), uint32(B_COMMAND_KEY | B_RIGHT_COMMAND_KEY));
	EXPECT_EQ(ModifiersFromSdl(KMOD_LGUI), uint32(B_CONTROL_KEY | B_LEFT_CONTROL_KEY));
	EXPECT_EQ(ModifiersFromSdl(KMOD_RALT), uint32(B_OPTION_KEY | B_RIGHT_OPTION_KEY));
	EXPECT_EQ(ModifiersFromSdl(KMOD_LSHIFT | KMOD_RSHIFT),
	          uint32(B_SHIFT_KEY | B_LEFT_SHIFT_KEY | B_RIGHT_SHIFT_KEY));
	EXPECT_EQ(ModifiersFromSdl(KMOD_CAPS | KMOD_NUM | KMOD_SCROLL),
	          uint32(B_CAPS_LOCK | B_NUM_LOCK | B_SCROLL_LOCK));
	EXPECT_EQ(ModifiersFromSdl(KMOD_NONE), 0u);
}

} // namespace
