#include "input/KeyDecoder.h"

#include <InterfaceDefs.h>

namespace {

void Add(std::vector<PlayerKey>& keys, char key) {
	if (const auto action = PlayerKeyFor(key)) keys.push_back(*action);
}

} // namespace

std::vector<PlayerKey> KeyDecoder::Decode(std::string_view bytes) {
	std::vector<PlayerKey> keys;
	for (size_t i = 0; i < bytes.size(); i++) {
		const char c = bytes[i];
		if (c != B_ESCAPE) {
			// Control bytes share values with the kit's arrow keys; only the
			// escape sequences below stand for those.
			if (static_cast<unsigned char>(c) >= ' ') Add(keys, c);
			continue;
		}
		if (i + 1 == bytes.size() || (bytes[i + 1] != '[' && bytes[i + 1] != 'O')) {
			Add(keys, B_ESCAPE);
			continue;
		}
		// A control sequence: parameter bytes, then one final byte from '@' to '~'.
		size_t end = i + 2;
		while (end < bytes.size() && (bytes[end] < '@' || bytes[end] > '~'))
			end++;
		if (end == bytes.size()) break;
		if (bytes[end] == 'C' && end == i + 2) Add(keys, B_RIGHT_ARROW);
		if (bytes[end] == 'D' && end == i + 2) Add(keys, B_LEFT_ARROW);
		i = end;
	}
	return keys;
}
