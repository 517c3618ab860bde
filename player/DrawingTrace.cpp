#include "DrawingTrace.h"

#include <cerrno>
#include <charconv>
#include <cstring>

#include <View.h>
#include <Window.h>

#include "InterruptibleIo.h"

DrawingTrace::~DrawingTrace() {
	if (file_) std::fclose(file_);
}

bool DrawingTrace::Open(const std::string& path, std::string& error) {
	path_ = path;
	file_ = InterruptibleIo::OpenForWriting(path, "w");
	if (!file_) error = path + ": cannot be written";
	return file_ != nullptr;
}

bool DrawingTrace::Close(std::string& error) {
	std::lock_guard guard(lock_);
	if (!file_) return true;
	if (std::fclose(file_) != 0 && writeError_ == 0) writeError_ = errno;
	file_ = nullptr;
	if (writeError_ == 0) return true;
	error = path_ + ": cannot write: " + std::strerror(writeError_);
	return false;
}

void DrawingTrace::Watch(BWindow* window) {
	if (window_ && window_->Lock()) {
		if (BView* view = window_->ChildAt(0)) kit::SetDrawingObserver(view, nullptr);
		window_->Unlock();
	}
	window_ = nullptr;
	if (!window || !window->Lock()) return;
	if (BView* view = window->ChildAt(0)) {
		kit::SetDrawingObserver(view, this);
		window_ = window;
	}
	window->Unlock();
}

void DrawingTrace::RenderStarting(long long call) { Write("render " + std::to_string(call)); }

void DrawingTrace::RenderDone(long long call, bool result) {
	Write("done " + std::to_string(call) + (result ? " true" : " false"));
}

void DrawingTrace::HighColorSet(rgb_color c) {
	Write("high", {float(c.red), float(c.green), float(c.blue), float(c.alpha)});
}

void DrawingTrace::ViewColorSet(rgb_color c) {
	Write("view", {float(c.red), float(c.green), float(c.blue), float(c.alpha)});
}

void DrawingTrace::RectFilled(BRect r) { Write("fill", {r.left, r.top, r.right, r.bottom}); }

void DrawingTrace::LineStroked(BPoint from, BPoint to) { Write("line", {from.x, from.y, to.x, to.y}); }

void DrawingTrace::Synced() { Write("sync", {}); }

void DrawingTrace::UpdateStarting(BRect r) { Write("update", {r.left, r.top, r.right, r.bottom}); }

void DrawingTrace::WindowResizing(float width, float height) { Write("resized", {width, height}); }

void DrawingTrace::Write(const char* word, std::initializer_list<float> numbers) {
	std::string line = word;
	for (const float number : numbers) {
		char text[32];
		const auto end = std::to_chars(text, text + sizeof text, number).ptr;
		line += ' ';
		line.append(text, end);
	}
	Write(line);
}

void DrawingTrace::Write(const std::string& line) {
	std::lock_guard guard(lock_);
	if (!file_ || writeError_ != 0) return;
	if (std::fputs(line.c_str(), file_) < 0 || std::fputc('\n', file_) == EOF) writeError_ = errno;
}
