#include "host/DrawingTrace.h"

#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstring>

#include <View.h>
#include <Window.h>

namespace {

// A block's drawing rarely comes near this; a resize storm may pass it.
constexpr size_t kBatchBytes = 64 * 1024;

} // namespace

DrawingTrace::~DrawingTrace() {
	if (file_) std::fclose(file_);
}

void DrawingTrace::Start(std::FILE* file, std::string path) {
	std::lock_guard guard(lock_);
	if (file_) std::fclose(file_);
	file_ = file;
	path_ = std::move(path);
}

Expected<void> DrawingTrace::Close() {
	std::lock_guard guard(lock_);
	if (!file_) return {};
	Flush();
	if (std::fclose(file_) != 0 && writeError_ == 0) writeError_ = errno;
	file_ = nullptr;
	if (writeError_ == 0) return {};
	return Failure{path_ + ": cannot write: " + std::strerror(writeError_)};
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
	// Written at each block's end, so that the trace can be followed as it grows.
	std::lock_guard guard(lock_);
	if (file_ && writeError_ == 0) Flush();
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
	pending_ += line;
	pending_ += '\n';
	if (pending_.size() >= kBatchBytes) Flush();
}

void DrawingTrace::Flush() {
	const int fd = ::fileno(file_);
	size_t done = 0;
	while (writeError_ == 0 && done < pending_.size()) {
		const ssize_t count = ::write(fd, pending_.data() + done, pending_.size() - done);
		if (count <= 0)
			writeError_ = count < 0 ? errno : EIO;
		else
			done += size_t(count);
	}
	size_t cut = done; // the end of the last whole line written
	if (writeError_ != 0) {
		const size_t last = done == 0 ? std::string::npos : pending_.rfind('\n', done - 1);
		cut = last == std::string::npos ? 0 : last + 1;
	}
	written_ += off_t(cut);
	// A line cut in the middle would read as another drawing call. Only a
	// regular file can be cut back; anything else keeps what it took.
	[[maybe_unused]] const bool wholeLines = cut == done || ::ftruncate(fd, written_) == 0;
	pending_.clear();
}
