// The keys that act on the player, one table for every program that hosts the
// add-ons: pressed in a meter window (forwarded as key-down messages) or, in
// vuplay, on the terminal.
#pragma once

#include <optional>

class BMessage;

enum class PlayerKey { TogglePause, SeekBack, SeekForward, About, Quit };

// The player's key for a key as the kit writes it into "bytes": space, the
// left and right arrows, 'a', 'q' or 'Q', Escape. None for any other. [any thread]
std::optional<PlayerKey> PlayerKeyFor(char key);
// The player's key of a key-down message forwarded from a meter window, whose
// "bytes" hold one key of the table. None for any other message. [any thread]
std::optional<PlayerKey> PlayerKeyOf(const BMessage& message);
