#include "input/EventScript.h"

#include <InterfaceDefs.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <sstream>
#include <string_view>
#include <unistd.h>

#include "audio/helpers/InterruptibleIo.h"
#include "input/KeyNames.h"

namespace {

using Kind = ScriptEvent::Kind;

struct Argument {
	const char* name;
	int32_t low;
	int32_t high;
};

struct EventSyntax {
	const char* word;
	Kind kind;
	std::vector<Argument> numbers;
};

constexpr int32_t kCoordinateLow = -32768;
constexpr int32_t kCoordinateHigh = 32767;
// The preferences slider's range: a gain beyond it cannot be set there.
constexpr int32_t kGainLow = 1;
constexpr int32_t kGainHigh = 500;

const std::vector<EventSyntax>& Syntax() {
	static const std::vector<EventSyntax> syntax = {
	    {"resize", Kind::Resize, {{"width", 0, kCoordinateHigh}, {"height", 0, kCoordinateHigh}}},
	    {"move",
	     Kind::Move,
	     {{"x", kCoordinateLow, kCoordinateHigh}, {"y", kCoordinateLow, kCoordinateHigh}}},
	    {"close", Kind::Close, {}},
	    {"mouse",
	     Kind::Mouse,
	     {{"x", kCoordinateLow, kCoordinateHigh}, {"y", kCoordinateLow, kCoordinateHigh}, {"buttons", 1, 7}}},
	    {"key", Kind::Key, {}},
	    {"menu", Kind::Menu, {}},
	    {"prefs", Kind::Prefs, {}},
	    {"about", Kind::About, {}},
	    {"gain", Kind::Gain, {{"gain", kGainLow, kGainHigh}}},
	    {"activate", Kind::Activate, {}},
	    {"expose",
	     Kind::Expose,
	     {{"left", kCoordinateLow, kCoordinateHigh},
	      {"top", kCoordinateLow, kCoordinateHigh},
	      {"right", kCoordinateLow, kCoordinateHigh},
	      {"bottom", kCoordinateLow, kCoordinateHigh}}},
	    {"stop", Kind::Stop, {}},
	    {"start", Kind::Start, {}},
	};
	return syntax;
}

bool IsKeyName(const std::string& word) {
	for (const auto& [name, byte] : kKeyNames)
		if (word == name) return true;
	int number = 0;
	if (word.size() < 2 || word[0] != 'f') return false;
	const auto [end, ec] = std::from_chars(word.data() + 1, word.data() + word.size(), number);
	return ec == std::errc() && end == word.data() + word.size() && word[1] != '0' && number >= 1 &&
	       number <= 12;
}

// True when `word` is exactly one UTF-8 encoded character.
bool IsOneCharacter(const std::string& word) {
	if (word.empty()) return false;
	const auto lead = static_cast<unsigned char>(word[0]);
	const size_t length = lead < 0x80             ? 1
	                      : (lead & 0xe0) == 0xc0 ? 2
	                      : (lead & 0xf0) == 0xe0 ? 3
	                      : (lead & 0xf8) == 0xf0 ? 4
	                                              : 0;
	if (length == 0 || word.size() != length) return false;
	return std::all_of(word.begin() + 1, word.end(),
	                   [](char c) { return (static_cast<unsigned char>(c) & 0xc0) == 0x80; });
}

std::optional<uint32_t> ModifierBit(const std::string& word) {
	if (word == "shift") return B_SHIFT_KEY;
	if (word == "command") return B_COMMAND_KEY;
	if (word == "control") return B_CONTROL_KEY;
	if (word == "option") return B_OPTION_KEY;
	if (word == "menu") return B_MENU_KEY;
	return std::nullopt;
}

std::vector<std::string> Words(const std::string& line) {
	std::vector<std::string> words;
	std::istringstream stream(line);
	for (std::string word; stream >> word;)
		words.push_back(word);
	return words;
}

template <typename Number> bool ParseNumber(const std::string& word, Number& value) {
	const auto [end, ec] = std::from_chars(word.data(), word.data() + word.size(), value);
	return ec == std::errc() && end == word.data() + word.size();
}

// Parses one line without its comment into `event`; returns an error message, empty on success.
std::string ParseLine(const std::string& line, ScriptEvent& event) {
	const std::vector<std::string> words = Words(line);
	if (!ParseNumber(words[0], event.block) || event.block < 1)
		return "block number '" + words[0] + "' is not a whole number from 1 on";
	if (words.size() < 2) return "missing event after block " + words[0];
	const std::string& word = words[1];
	const auto& syntax = Syntax();
	const auto found =
	    std::find_if(syntax.begin(), syntax.end(), [&](const EventSyntax& s) { return word == s.word; });
	if (found == syntax.end()) return "unknown event '" + word + "'";
	event.kind = found->kind;
	const size_t given = words.size() - 2;

	if (event.kind == Kind::Menu) {
		// The label is the rest of the line, inner blanks kept.
		const size_t at = line.find("menu", line.find(words[0]) + words[0].size()) + 4;
		const size_t first = line.find_first_not_of(" \t\r", at);
		const size_t last = line.find_last_not_of(" \t\r");
		if (first == std::string::npos) return "menu needs an item label";
		event.text = line.substr(first, last - first + 1);
		return {};
	}
	if (event.kind == Kind::Key) {
		if (given == 0) return "key needs a key: one character or a key name";
		const std::string& key = words[2];
		std::string lower = key;
		std::transform(lower.begin(), lower.end(), lower.begin(),
		               [](unsigned char c) { return std::tolower(c); });
		if (IsOneCharacter(key))
			event.text = key;
		else if (IsKeyName(lower))
			event.text = lower;
		else
			return "key '" + key + "' is neither one character nor a key name";
		for (size_t i = 3; i < words.size(); i++) {
			std::istringstream parts(words[i]);
			for (std::string part; std::getline(parts, part, '+');) {
				const auto bit = ModifierBit(part);
				if (!bit) return "unknown modifier '" + part + "' (shift, command, control, option, menu)";
				event.modifiers |= *bit;
			}
		}
		return {};
	}
	if (given != found->numbers.size()) {
		std::string names;
		for (const Argument& a : found->numbers)
			names += std::string(names.empty() ? "" : " ") + a.name;
		return word + " takes " + std::to_string(found->numbers.size()) + " argument" +
		       (found->numbers.size() == 1 ? "" : "s") + (names.empty() ? "" : " (" + names + ")") +
		       ", got " + std::to_string(given);
	}
	for (size_t i = 0; i < given; i++) {
		const Argument& a = found->numbers[i];
		int32_t value = 0;
		if (!ParseNumber(words[i + 2], value) || value < a.low || value > a.high)
			return word + ": " + a.name + " '" + words[i + 2] + "' is not a whole number from " +
			       std::to_string(a.low) + " to " + std::to_string(a.high);
		event.numbers.push_back(value);
	}
	if (event.kind == Kind::Expose &&
	    (event.numbers[0] > event.numbers[2] || event.numbers[1] > event.numbers[3]))
		return "expose: the rectangle is inverted (left must not exceed right, nor top bottom)";
	return {};
}

} // namespace

Expected<std::vector<ScriptEvent>> EventScript::Parse(const std::string& text, const std::string& name) {
	std::vector<ScriptEvent> events;
	// Editors on some systems start a UTF-8 file with a byte-order mark.
	constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
	std::istringstream stream(text.starts_with(kByteOrderMark) ? text.substr(kByteOrderMark.size()) : text);
	int number = 0;
	for (std::string line; std::getline(stream, line);) {
		number++;
		if (line.size() > kMaxLineBytes) {
			return Failure{name + ":" + std::to_string(number) + ": longer than " +
			               std::to_string(kMaxLineBytes) + " bytes, more than any event needs"};
		}
		line = line.substr(0, line.find('#'));
		// Blank as the word splitting sees it: form feeds and vertical tabs too.
		if (std::all_of(line.begin(), line.end(), [](unsigned char c) { return std::isspace(c); })) continue;
		ScriptEvent event{};
		event.line = number;
		if (const std::string problem = ParseLine(line, event); !problem.empty()) {
			return Failure{name + ":" + std::to_string(number) + ": " + problem};
		}
		events.push_back(std::move(event));
	}
	std::stable_sort(events.begin(), events.end(),
	                 [](const ScriptEvent& a, const ScriptEvent& b) { return a.block < b.block; });
	return events;
}

Expected<std::vector<ScriptEvent>> EventScript::Load(const std::string& path, std::stop_token stop) {
	const Expected<InterruptibleIo::Opened> opened = InterruptibleIo::OpenForReading(path);
	if (!opened) return Failure{path + ": cannot read: " + opened.Error()};
	const int fd = opened->fd;
	std::string text;
	char buffer[1 << 16];
	ssize_t count = 0;
	while ((count = InterruptibleIo::Read(fd, buffer, sizeof buffer, stop)) > 0 &&
	       text.size() + static_cast<size_t>(count) <= kMaxScriptBytes)
		text.append(buffer, static_cast<size_t>(count));
	const int readError = errno;
	::close(fd);
	if (count > 0) {
		return Failure{path + ": cannot read: larger than " + std::to_string(kMaxScriptBytes >> 20) +
		               " MiB, more than any script needs"};
	}
	if (count < 0) {
		return Failure{path + (readError == EINTR
		                           ? std::string(": interrupted while waiting for input")
		                           : ": cannot read: " + std::string(std::strerror(readError)))};
	}
	return Parse(text, path);
}
