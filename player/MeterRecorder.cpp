#include "MeterRecorder.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include <Window.h>
#include <kit/Display.h>

namespace {

bool EndsWith(const std::string& text, const char* end) {
	const size_t length = std::strlen(end);
	return text.size() > length && text.compare(text.size() - length, length, end) == 0;
}

} // namespace

MeterRecorder::MeterRecorder(std::string path, double fps, int sampleRate, int blockFrames)
    : path_(std::move(path)), kind_(EndsWith(path_, ".y4m")   ? Kind::Stream
                                    : EndsWith(path_, ".png") ? Kind::Picture
                                                              : Kind::Folder),
      fps_(fps), sampleRate_(sampleRate), blockFrames_(blockFrames) {}

bool MeterRecorder::Capture(BWindow* window) {
	blocks_++;
	kept_ = false;
	if (kind_ == Kind::Picture) return true;
	int64_t due = blocks_;
	if (fps_ > 0) {
		const double seconds = double(blocks_) * blockFrames_ / sampleRate_;
		due = static_cast<int64_t>(std::floor(seconds * fps_ + 1e-9));
	}
	while (frames_ < due)
		if (!WriteFrame(window)) return false;
	return true;
}

bool MeterRecorder::Keep(BWindow* window) {
	if (kind_ != Kind::Picture || kept_ || blocks_ == 0) return true;
	std::string why;
	if (!kit::SavePng(window, path_.c_str(), &why)) {
		error_ = path_ + ": " + why;
		return false;
	}
	kept_ = true;
	frames_ = 1;
	return true;
}

bool MeterRecorder::WriteFrame(BWindow* window) {
	if (kind_ == Kind::Stream) return WriteStreamFrame(window);
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
	std::string why;
	if (!kit::SavePng(window, (path_ + name).c_str(), &why)) {
		error_ = path_ + name + ": " + why;
		return false;
	}
	frames_++;
	return true;
}

bool MeterRecorder::WriteStreamFrame(BWindow* window) {
	int32 width = 0, height = 0;
	if (!kit::ReadPixels(window, &pixels_, &width, &height)) {
		error_ = path_ + ": the meter window cannot be read";
		return false;
	}
	if (frames_ == 0) {
		width_ = width;
		height_ = height;
		int numerator = sampleRate_, denominator = blockFrames_;
		if (fps_ > 0) {
			numerator = static_cast<int>(std::lround(fps_ * 1000));
			denominator = 1000;
		}
		if (!stream_.Open(path_, width_, height_, numerator, denominator)) {
			error_ = stream_.Error();
			return false;
		}
	}
	std::span<const uint8_t> frame(reinterpret_cast<const uint8_t*>(pixels_.data()),
	                               pixels_.size() * sizeof(rgb_color));
	if (width != width_ || height != height_) {
		frame_.assign(size_t(width_) * height_ * 4, 0);
		const int columns = std::min(width, width_);
		for (int y = 0; y < std::min(height, height_); y++)
			std::memcpy(&frame_[size_t(y) * width_ * 4], &pixels_[size_t(y) * width], size_t(columns) * 4);
		frame = frame_;
	}
	if (!stream_.WriteFrame(frame, size_t(width_) * 4)) {
		error_ = stream_.Error();
		return false;
	}
	frames_++;
	return true;
}

bool MeterRecorder::Finish() {
	if (kind_ != Kind::Stream || frames_ == 0) return true;
	if (!stream_.Finish()) {
		error_ = stream_.Error();
		return false;
	}
	return true;
}
