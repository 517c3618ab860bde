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

MeterRecorder::MeterRecorder(std::string path, double fps, int blockFrames, std::stop_token stop)
    : path_(WithoutTrailingSlash(path)), kind_(path == "-" || HasExtension(path, ".y4m") ? Kind::Stream
                                               : HasExtension(path, ".png")              ? Kind::Picture
                                                                                         : Kind::Folder),
      fps_(fps), blockFrames_(blockFrames), stop_(std::move(stop)) {}

bool MeterRecorder::Remember(BWindow* window) {
	if (kit::ReadPixels(window, &pixels_, &pictureWidth_, &pictureHeight_, &pictureVersion_)) return true;
	return Unreadable();
}

bool MeterRecorder::Unreadable() {
	error_ = path_ + ": the meter window cannot be read";
	return false;
}

bool MeterRecorder::Capture(BWindow* window, int sampleRate, int soundFrames) {
	if (firstRate_ == 0) firstRate_ = sampleRate;
	blocks_++;
	seconds_ += double(soundFrames) / sampleRate;
	if (kind_ == Kind::Picture) return true;
	const int64_t due = fps_ > 0 ? static_cast<int64_t>(std::floor(seconds_ * fps_ + 0.5 + 1e-9)) : blocks_;
	if (frames_ >= due) return true;
	if (window && kind_ == Kind::Stream) return StreamWindow(window, due);
	if (window && !Remember(window)) return false;
	while (frames_ < due)
		if (!WriteFrame()) return false;
	return true;
}

bool MeterRecorder::StreamWindow(BWindow* window, int64_t due) {
	// Converted from the window's own pixels, as copying them would cost
	// about as much again; a window that has not drawn since is repeated.
	bool written = true;
	const bool read =
	    kit::LendPixels(window, &streamedVersion_, [&](const rgb_color* pixels, int32 width, int32 height) {
		    written = StreamPicture(pixels, width, height);
	    });
	if (!read) return Unreadable();
	if (!written) return false;
	while (frames_ < due)
		if (!RepeatStreamFrame()) return false;
	return true;
}

bool MeterRecorder::HasPicture() {
	if (!pixels_.empty()) return true;
	error_ = path_ + ": the meter window was never seen";
	return false;
}

bool MeterRecorder::WriteFrame() {
	if (kind_ == Kind::Stream) return WriteStreamFrame();
	if (!HasPicture()) return false;
	if (frames_ == 0) {
		std::error_code ec;
		std::filesystem::create_directories(path_, ec);
		if (ec) {
			error_ = path_ + ": " + ec.message();
			return false;
		}
	}
	char name[32];
	std::snprintf(name, sizeof name, "/frame-%06lld.png", static_cast<long long>(frames_ + 1));
	if (!WritePng(path_ + name)) return false;
	frames_++;
	return true;
}

bool MeterRecorder::WritePng(const std::string& path) {
	RecordingFile file;
	if (!file.Open(path, stop_)) {
		error_ = file.Error();
		return false;
	}
	if (!PngWriter::Write(file.Stream(), pixels_, pictureWidth_, pictureHeight_)) {
		file.Fail("cannot write");
		error_ = file.Error();
		return false;
	}
	if (!file.Commit()) {
		error_ = file.Error();
		return false;
	}
	return true;
}

bool MeterRecorder::WriteStreamFrame() {
	if (frames_ > 0 && (pixels_.empty() || pictureVersion_ == streamedVersion_)) return RepeatStreamFrame();
	if (!HasPicture()) return false;
	streamedVersion_ = pictureVersion_;
	return StreamPicture(pixels_.data(), pictureWidth_, pictureHeight_);
}

bool MeterRecorder::StreamPicture(const rgb_color* pixels, int32 width, int32 height) {
	if (frames_ == 0) {
		width_ = width;
		height_ = height;
		const auto [numerator, denominator] = FrameRate(fps_, firstRate_, blockFrames_);
		if (!stream_.Open(path_, width_, height_, numerator, denominator, stop_)) {
			error_ = stream_.Error();
			return false;
		}
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
	if (!stream_.WriteFrame(frame, size_t(width_) * 4)) {
		error_ = stream_.Error();
		return false;
	}
	frames_++;
	return true;
}

bool MeterRecorder::RepeatStreamFrame() {
	if (!stream_.RepeatFrame()) {
		error_ = stream_.Error();
		return false;
	}
	frames_++;
	return true;
}

bool MeterRecorder::Finish() {
	if (blocks_ == 0) {
		error_ = path_ + ": nothing was recorded, as no sound played";
		return false;
	}
	if (kind_ == Kind::Picture) return HasPicture() && WritePng(path_);
	if (frames_ == 0 && !WriteFrame()) return false;
	if (kind_ == Kind::Folder) return true;
	if (!stream_.Finish()) {
		error_ = stream_.Error();
		return false;
	}
	return true;
}
