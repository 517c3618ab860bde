// Names and texts from outside (file names, what an add-on prints) made safe
// to show in a message.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

// `text` as it is, but for control characters, which are written as escapes:
// \n, \t, \r, else \xHH, the C1 controls of UTF-8 (U+0080 to U+009F) as both
// their bytes. So a name holding a line break cannot pass for a message line
// of its own, and one holding an escape sequence cannot drive the terminal.
// [any thread]
inline std::string Printable(std::string_view text) {
	std::string shown;
	shown.reserve(text.size());
	const auto escape = [&shown](unsigned char c) {
		char hex[5];
		std::snprintf(hex, sizeof hex, "\\x%02x", c);
		shown += hex;
	};
	for (size_t i = 0; i < text.size(); i++) {
		const auto c = static_cast<unsigned char>(text[i]);
		if (c == 0xc2 && i + 1 < text.size() && (static_cast<unsigned char>(text[i + 1]) & 0xe0) == 0x80) {
			escape(c);
			escape(static_cast<unsigned char>(text[++i]));
		} else if (c == '\n') {
			shown += "\\n";
		} else if (c == '\t') {
			shown += "\\t";
		} else if (c == '\r') {
			shown += "\\r";
		} else if (c < 0x20 || c == 0x7f) {
			escape(c);
		} else {
			shown += static_cast<char>(c);
		}
	}
	return shown;
}
