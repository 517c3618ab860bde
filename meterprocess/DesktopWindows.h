// The top-level windows of the X desktop as its window manager lists them,
// on a connection of this object's own: whose process each is, where its
// frame lies, and a move the window manager carries out. Xlib's headers
// stay in the source file.
//
// [one thread at a time]
#pragma once

#include <sys/types.h>

#include <optional>
#include <string>
#include <vector>

struct _XDisplay;

class DesktopWindows {
public:
	using Id = unsigned long;
	// A frame on the screen, decorations included; right and bottom excluded.
	struct Frame {
		int left = 0, top = 0, right = 0, bottom = 0;
		int Width() const { return right - left; }
		int Height() const { return bottom - top; }
	};

	// Empty without an X display. Without a window manager that lists its
	// windows, every process has none.
	static std::optional<DesktopWindows> Open();
	DesktopWindows(DesktopWindows&& other) noexcept;
	DesktopWindows& operator=(DesktopWindows&& other) noexcept;
	~DesktopWindows();

	// The managed windows of process `pid`, oldest first.
	std::vector<Id> Of(pid_t pid) const;
	std::optional<Frame> FrameOf(Id window) const;
	// Its title as the window manager shows it.
	std::string TitleOf(Id window) const;
	Frame Screen() const;
	// Asks the window manager to put the window's frame's top-left corner there.
	void MoveFrameTo(Id window, int left, int top) const;

private:
	explicit DesktopWindows(_XDisplay* display) : display_(display) {}

	_XDisplay* display_;
};
