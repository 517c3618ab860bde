// The drawing trace: one line for each Render call and each drawing call made
// on the traced view.
//
// Lines: "render N" before Render call N and "done N true|false" after it;
// "resized W H", "update L T R B", "high R G B A", "view R G B A",
// "fill L T R B", "line X0 Y0 X1 Y1", "sync". Numbers in their shortest
// exact form, fields separated by one space.
#pragma once

#include <cstdio>
#include <initializer_list>
#include <mutex>
#include <string>

#include "host/Expected.h"

#include <kit/DrawingObserver.h>

class BWindow;

// Drawing calls arrive on the window thread, render lines on the host
// thread; a lock keeps the lines whole and in the order they happened. Lines
// are written whole, at the end of each Render call; when a write fails (a
// full disk, a file size limit) the file is cut back to its last whole line
// and nothing more is written.
class DrawingTrace final : public kit::DrawingObserver {
public:
	DrawingTrace() = default;
	~DrawingTrace() override; // closes the file; Watch(nullptr) before the window goes

	DrawingTrace(const DrawingTrace&) = delete;
	DrawingTrace& operator=(const DrawingTrace&) = delete;

	// Writes to `file` from now on, which was opened for writing at `path`
	// (that names it in errors); the trace closes it. [host thread]
	void Start(std::FILE* file, std::string path);
	// Writes what is left and closes the file. Fails with one line naming the
	// path and the reason when a line could not be written. Watch(nullptr)
	// first. [host thread]
	Expected<void> Close();
	// Watches the window's first child view; detaches from the one watched
	// before. Null only detaches. The window must be alive. [host thread]
	void Watch(BWindow* window);

	// [host thread]
	void RenderStarting(long long call);
	void RenderDone(long long call, bool result);

	// [window thread, locked]
	void HighColorSet(rgb_color color) override;
	void ViewColorSet(rgb_color color) override;
	void RectFilled(BRect rect) override;
	void LineStroked(BPoint from, BPoint to) override;
	void Synced() override;
	void UpdateStarting(BRect rect) override;
	void WindowResizing(float width, float height) override;

private:
	void Write(const char* word, std::initializer_list<float> numbers);
	void Write(const std::string& line);
	// Writes the pending lines; on failure keeps the error and cuts the file
	// back to its last whole line. [locked]
	void Flush();

	std::string path_;
	std::mutex lock_;           // guards the members below it between the two threads
	std::FILE* file_ = nullptr; // owned; written through its descriptor, never buffered
	std::string pending_;       // whole lines not yet written
	off_t written_ = 0;         // bytes of whole lines in the file
	int writeError_ = 0;        // errno of the first write that failed
	BWindow* window_ = nullptr; // watched window; not owned
};
