// Turns the bytes a terminal sends for key presses into the player's commands.
#pragma once

#include <string_view>
#include <vector>

#include "host/PlayerKeys.h"

class KeyDecoder {
public:
	// Decodes one read's worth of bytes: the printable keys of the player's
	// table, Escape, and the arrow keys' escape sequences (ESC [ C and ESC O C
	// for right, D for left). An escape byte that ends the read is the Escape
	// key itself; other escape sequences, control bytes and other keys are
	// ignored.
	static std::vector<PlayerKey> Decode(std::string_view bytes);
};
