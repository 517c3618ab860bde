#include "input/KeyDecoder.h"

std::vector<PlayerKey> KeyDecoder::Decode(std::string_view bytes) {
	std::vector<PlayerKey> keys;
	for (size_t i = 0; i < bytes.size(); i++) {
		const char c = bytes[i];
		if (c == ' ')
			keys.push_back(PlayerKey::TogglePause);
		else if (c == 'a')
			keys.push_back(PlayerKey::About);
		else if (c == 'q' || c == 'Q')
			keys.push_back(PlayerKey::Quit);
		else if (c == '\x1b') {
			if (i + 1 == bytes.size() || (bytes[i + 1] != '[' && bytes[i + 1] != 'O')) {
				keys.push_back(PlayerKey::Quit);
				continue;
			}
			// A control sequence: parameter bytes, then one final byte from '@' to '~'.
			size_t end = i + 2;
			while (end < bytes.size() && (bytes[end] < '@' || bytes[end] > '~'))
				end++;
			if (end == bytes.size()) break;
			if (bytes[end] == 'C' && end == i + 2) keys.push_back(PlayerKey::SeekForward);
			if (bytes[end] == 'D' && end == i + 2) keys.push_back(PlayerKey::SeekBack);
			i = end;
		}
	}
	return keys;
}
