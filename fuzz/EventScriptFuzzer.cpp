// Parses the input as an events script: it gives either events that keep the
// format's limits or one message that names a line of the input.
#include "input/EventScript.h"

#include <algorithm>
#include <cstdint>
#include <string>

#include "Require.h"

namespace {

using Kind = ScriptEvent::Kind;

size_t ArgumentCount(Kind kind) {
	switch (kind) {
	case Kind::Resize:
	case Kind::Move:
		return 2;
	case Kind::Mouse:
		return 3;
	case Kind::Gain:
		return 1;
	case Kind::Expose:
		return 4;
	default:
		return 0;
	}
}

// A line number N in "script:N: reason" from 1 to the input's line count.
bool NamesALine(const std::string& error, int lines) {
	const std::string prefix = "script:";
	if (error.compare(0, prefix.size(), prefix) != 0) return false;
	size_t at = prefix.size();
	long line = 0;
	while (at < error.size() && error[at] >= '0' && error[at] <= '9' && line <= lines)
		line = line * 10 + (error[at++] - '0');
	return at > prefix.size() && line >= 1 && line <= lines && error.compare(at, 2, ": ") == 0 &&
	       error.size() > at + 2;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
	const std::string text(reinterpret_cast<const char*>(data), size);
	const int lines = int(std::count(text.begin(), text.end(), '\n')) + 1;
	const auto events = EventScript::Parse(text, "script");
	if (!events) {
		Require(NamesALine(events.Error(), lines), "a rejected script's message is \"script:LINE: reason\"");
		return 0;
	}
	Require(std::is_sorted(events->begin(), events->end(),
	                       [](const ScriptEvent& a, const ScriptEvent& b) { return a.block < b.block; }),
	        "events come sorted by block");
	for (const ScriptEvent& event : *events) {
		Require(event.block >= 1, "every block is 1 or more");
		Require(event.line >= 1 && event.line <= lines, "every event names a line of the input");
		Require(event.numbers.size() == ArgumentCount(event.kind), "every event has its arguments");
		for (const int32_t number : event.numbers)
			Require(number >= -32768 && number <= 32767, "every argument is within 16 bits");
		if (event.kind == Kind::Gain)
			Require(event.numbers[0] >= 1 && event.numbers[0] <= 500, "a scripted gain is 1 to 500");
		if (event.kind == Kind::Key || event.kind == Kind::Menu)
			Require(!event.text.empty(), "keys and menu items have a text");
	}
	return 0;
}
