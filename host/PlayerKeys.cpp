#include "host/PlayerKeys.h"

#include <utility>

#include <AppDefs.h>
#include <InterfaceDefs.h>
#include <Message.h>

namespace {

constexpr std::pair<char, PlayerKey> kBindings[] = {
    {B_SPACE, PlayerKey::TogglePause},
    {B_LEFT_ARROW, PlayerKey::SeekBack},
    {B_RIGHT_ARROW, PlayerKey::SeekForward},
    {'a', PlayerKey::About},
    {'q', PlayerKey::Quit},
    {'Q', PlayerKey::Quit},
    {B_ESCAPE, PlayerKey::Quit},
};

} // namespace

std::optional<PlayerKey> PlayerKeyFor(char key) {
	for (const auto& [bound, action] : kBindings)
		if (key == bound) return action;
	return std::nullopt;
}

std::optional<PlayerKey> PlayerKeyOf(const BMessage& message) {
	const char* bytes = nullptr;
	if (message.what != B_KEY_DOWN || message.FindString("bytes", &bytes) != B_OK || !bytes ||
	    bytes[0] == '\0' || bytes[1] != '\0')
		return std::nullopt;
	return PlayerKeyFor(bytes[0]);
}
