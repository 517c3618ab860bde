// Scripted input for the meter windows: one event per line, applied before a
// given Render call.
//
// Format: `BLOCK EVENT ARGS...`, words separated by blanks; `#` starts a
// comment that runs to the end of the line; blank lines are ignored, and so
// is a UTF-8 byte-order mark at the start. BLOCK counts the first add-on's
// Render calls from 1. Events and their arguments:
//
//   resize W H            the window's Bounds() becomes 0,0,W,H; 0..32767 each
//   move X Y              window position on the screen, -32768..32767 each
//   close                 the window's close box
//   mouse X Y BUTTONS     a click in the view; BUTTONS 1..7 (1 primary, 2 secondary, 4 tertiary)
//   key TEXT [MODIFIERS]  one key: a single character, or one of the names space, enter,
//                         tab, backspace, escape, delete, insert, home, end, pageup,
//                         pagedown, left, right, up, down, f1..f12; MODIFIERS are words
//                         shift, command, control, option, menu, separated by blanks or "+"
//   menu LABEL            choose the popup item LABEL (the rest of the line)
//   prefs, about          the player's preferences and about requests
//   gain N                the gain in percent, 1..500 (the preferences slider's range)
//   activate              the window becomes active
//   expose L T R B        a redraw of that rectangle, L <= R and T <= B, -32768..32767
//   stop, start           the player stops or starts the add-on
#pragma once

#include <cstdint>
#include <optional>
#include <stop_token>
#include <string>
#include <vector>

#include "host/Expected.h"

struct ScriptEvent {
	enum class Kind {
		Resize,
		Move,
		Close,
		Mouse,
		Key,
		Menu,
		Prefs,
		About,
		Gain,
		Activate,
		Expose,
		Stop,
		Start
	};

	int64_t block; // 1 is the first Render call
	Kind kind;
	std::vector<int32_t> numbers; // in the order of the line: W H, X Y, X Y BUTTONS, N, L T R B
	std::string text;             // key: the character or key name; menu: the label
	uint32_t modifiers = 0;       // key: the kit's modifier bits (B_SHIFT_KEY, ...)
	int line;                     // where it was written
};

class EventScript {
public:
	// Bounds that no real script comes near, so that a device or an endless
	// pipe given as the script is refused instead of read until memory runs out.
	static constexpr size_t kMaxScriptBytes = size_t{64} << 20;
	static constexpr size_t kMaxLineBytes = size_t{64} << 10;

	// Parses `text`; `name` is the file name used in messages. Returns the
	// events sorted by block, events of one block in the order written, or
	// fails with "NAME:LINE: reason".
	static Expected<std::vector<ScriptEvent>> Parse(const std::string& text, const std::string& name);
	// Reads and parses the file at `path`, which may be a pipe or FIFO: its
	// writer is waited for until it ends the script or a stop is requested
	// of `stop`. Directories, devices and scripts past the bounds are refused.
	static Expected<std::vector<ScriptEvent>> Load(const std::string& path, std::stop_token stop);
};
