#include "output/MeterRecorder.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <numeric>
#include <string_view>

#include <Window.h>
#include <kit/Display.h>

#include "output/PngWriter.h"
#include "output/RecordingFile.h"

namespace {

// A name that ends in `extension`: the extension alone is a folder's name.
bool HasExtension(const std::string& path, std::string_view extension) {
	return path.size() > extension.size() && path.ends_with(extension);
}

// The frame rate as a ratio in lowest terms: the exact block rate, or `fps`
// to a thousandth of a frame.
std::pair<int, int> FrameRate(double fps, int sampleRate, int blockFrames) {
	int numerator = sampleRate, denominator = blockFrames;
	if (fps > 0) {
		numerator = static_cast<int>(std::lround(fps * 1000));
		denominator = 1000;
	}
	const int divisor = std::gcd(numerator, denominator);
	return {numerator / divisor, denominator / divisor};
}

// A trailing '/' asks for a folder; the names of its frames add their own.
std::string WithoutTrailingSlash(std::string path) {
	while (path.size() > 1 && path.ends_with('/'))
		path.pop_back();
	return path;
}

} // namespace

MeterRecorder::MeterRecorder(std::string path, double fps, int blockFrames, std::stop_token stop,
                             int standardOutput)
    : path_(WithoutTrailingSlash(path)), kind_(path == "-" || HasExtension(path, ".y4m") ? Kind::Stream
                                               : HasExtension(path, ".png")              ? Kind::Picture
                                                                                         : Kind::Folder),
      fps_(fps), blockFrames_(blockFrames), stop_(std::move(stop)), stream_(standardOutput) {}

Expected<void> MeterRecorder::Remember(BWindow* window) {
	if (kit::ReadPixels(window, &pixels_, &pictureWidth_, &pictureHeight_, &pictureVersion_)) return {};
	return Unreadable();
}

Failure MeterRecorder::Unreadable() const { return Failure{path_ + ": the meter window cannot be read"}; }

Expected<void> MeterRecorder::Capture(BWindow* window, int sampleRate, int soundFrames) {
	if (firstRate_ == 0) firstRate_ = sampleRate;
	blocks_++;
	seconds_ += double(soundFrames) / sampleRate;
	if (kind_ == Kind::Picture) return {};
	const int64_t due = fps_ > 0 ? static_cast<int64_t>(std::floor(seconds_ * fps_ + 0.5 + 1e-9)) : blocks_;
	if (frames_ >= due) return {};
	if (window && kind_ == Kind::Stream) return StreamWindow(window, due);
	if (window)
		if (Expected<void> remembered = Remember(window); !remembered) return remembered;
	while (frames_ < due)
		if (Expected<void> written = WriteFrame(); !written) return written;
	return {};
}

Expected<void> MeterRecorder::StreamWindow(BWindow* window, int64_t due) {
	// Converted from the window's own pixels, as copying them would cost
	// about as much again; a window that has not drawn since is repeated.
	Expected<void> written;
	const bool read =
	    kit::LendPixels(window, &streamedVersion_, [&](const rgb_color* pixels, int32 width, int32 height) {
		    written = StreamPicture(pixels, width, height);
	    });
	if (!read) return Unreadable();
	if (!written) return written;
	while (frames_ < due)
		if (Expected<void> repeated = RepeatStreamFrame(); !repeated) return repeated;
	return {};
}

Expected<void> MeterRecorder::HasPicture() {
	if (!pixels_.empty()) return {};
	return Failure{path_ + ": the meter window was never seen"};
}

Expected<void> MeterRecorder::WriteFrame() {
	if (kind_ == Kind::Stream) return WriteStreamFrame();
	if (Expected<void> seen = HasPicture(); !seen) return seen;
	if (frames_ == 0) {
		std::error_code ec;
		std::filesystem::create_directories(path_, ec);
		if (ec) return Failure{path_ + ": " + ec.message()};
	}
	char name[32];
	std::snprintf(name, sizeof name, "/frame-%06lld.png", static_cast<long long>(frames_ + 1));
	if (Expected<void> written = WritePng(path_ + name); !written) return written;
	frames_++;
	return {};
}

Expected<void> MeterRecorder::WritePng(const std::string& path) {
	RecordingFile file;
	if (Expected<void> opened = file.Open(path, stop_); !opened) return opened;
	if (!PngWriter::Write(file.Stream(), pixels_, pictureWidth_, pictureHeight_))
		return file.Fail("cannot write");
	return file.Commit();
}

Expected<void> MeterRecorder::WriteStreamFrame() {
	if (frames_ > 0 && (pixels_.empty() || pictureVersion_ == streamedVersion_)) return RepeatStreamFrame();
	if (Expected<void> seen = HasPicture(); !seen) return seen;
	streamedVersion_ = pictureVersion_;
	return StreamPicture(pixels_.data(), pictureWidth_, pictureHeight_);
}

Expected<void> MeterRecorder::StreamPicture(const rgb_color* pixels, int32 width, int32 height) {
	if (frames_ == 0) {
		width_ = width;
		height_ = height;
		const auto [numerator, denominator] = FrameRate(fps_, firstRate_, blockFrames_);
		if (Expected<void> opened = stream_.Open(path_, width_, height_, numerator, denominator, stop_);
		    !opened)
			return opened;
	}
	std::span<const uint8_t> frame(reinterpret_cast<const uint8_t*>(pixels),
	                               size_t(width) * size_t(height) * sizeof(rgb_color));
	if (width != width_ || height != height_) {
		frame_.assign(size_t(width_) * height_ * 4, 0);
		const int columns = std::min(width, width_);
		for (int y = 0; y < std::min(height, height_); y++)
			std::memcpy(&frame_[size_t(y) * width_ * 4], pixels + size_t(y) * width, size_t(columns) * 4);
		frame = frame_;
	}
	if (Expected<void> written = stream_.WriteFrame(frame, size_t(width_) * 4); !written) return written;
	frames_++;
	return {};
}

Expected<void> MeterRecorder::RepeatStreamFrame() {
	if (Expected<void> repeated = stream_.RepeatFrame(); !repeated) return repeated;
	frames_++;
	return {};
}

Expected<void> MeterRecorder::Finish() {
	if (blocks_ == 0) return Failure{path_ + ": nothing was recorded, as no sound played"};
	if (kind_ == Kind::Picture) {
		if (Expected<void> seen = HasPicture(); !seen) return seen;
		return WritePng(path_);
	}
	if (frames_ == 0)
		if (Expected<void> written = WriteFrame(); !written) return written;
	if (kind_ == Kind::Folder) return {};
	return stream_.Finish();
}
