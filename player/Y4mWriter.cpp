#include "Y4mWriter.h"

#include <cerrno>
#include <cmath>
#include <cstring>

namespace {

uint8_t Clamp(double value) {
	return static_cast<uint8_t>(std::lround(std::fmin(255.0, std::fmax(0.0, value))));
}

} // namespace

Y4mWriter::~Y4mWriter() { Abandon(); }

bool Y4mWriter::Fail(const std::string& what) {
	error_ = path_ + ": " + what + ": " + std::strerror(errno);
	Abandon();
	return false;
}

void Y4mWriter::Abandon() {
	if (!file_) return;
	std::fclose(file_);
	file_ = nullptr;
	std::remove((path_ + ".part").c_str());
}

bool Y4mWriter::Open(const std::string& path, int width, int height, int rateNumerator, int rateDenominator) {
	Abandon();
	path_ = path;
	frames_ = 0;
	error_.clear();
	if (width < 1 || height < 1 || rateNumerator < 1 || rateDenominator < 1) {
		error_ = path + ": bad frame size or rate";
		return false;
	}
	width_ = width;
	height_ = height;
	const size_t luma = static_cast<size_t>(width) * static_cast<size_t>(height);
	const size_t chroma = static_cast<size_t>((width + 1) / 2) * static_cast<size_t>((height + 1) / 2);
	planes_.assign(luma + 2 * chroma, 0);
	file_ = std::fopen((path + ".part").c_str(), "wb");
	if (!file_) return Fail("cannot create");
	if (std::fprintf(file_, "YUV4MPEG2 W%d H%d F%d:%d Ip A1:1 C420jpeg XCOLORRANGE=LIMITED\n", width, height,
	                 rateNumerator, rateDenominator) < 0)
		return Fail("cannot write");
	return true;
}

bool Y4mWriter::WriteFrame(std::span<const uint8_t> rgba, size_t stride) {
	if (!file_) return false;
	if (stride < static_cast<size_t>(width_) * 4 ||
	    rgba.size() < stride * static_cast<size_t>(height_ - 1) + static_cast<size_t>(width_) * 4) {
		error_ = path_ + ": frame smaller than " + std::to_string(width_) + "x" + std::to_string(height_);
		Abandon();
		return false;
	}
	const size_t chromaWidth = static_cast<size_t>((width_ + 1) / 2);
	uint8_t* y = planes_.data();
	uint8_t* cb = y + static_cast<size_t>(width_) * static_cast<size_t>(height_);
	uint8_t* cr = cb + chromaWidth * static_cast<size_t>((height_ + 1) / 2);
	// BT.601 coefficients scaled to video range: Y 16..235, Cb and Cr 16..240.
	for (int row = 0; row < height_; row++) {
		const uint8_t* pixel = rgba.data() + stride * static_cast<size_t>(row);
		for (int column = 0; column < width_; column++, pixel += 4)
			y[static_cast<size_t>(row) * static_cast<size_t>(width_) + static_cast<size_t>(column)] =
			    Clamp(16.0 + (65.481 * pixel[0] + 128.553 * pixel[1] + 24.966 * pixel[2]) / 255.0);
	}
	for (int row = 0; row < height_; row += 2) {
		for (int column = 0; column < width_; column += 2) {
			double r = 0, g = 0, b = 0;
			int count = 0;
			for (int dy = 0; dy < 2 && row + dy < height_; dy++) {
				for (int dx = 0; dx < 2 && column + dx < width_; dx++) {
					const uint8_t* pixel = rgba.data() + stride * static_cast<size_t>(row + dy) +
					                       static_cast<size_t>(column + dx) * 4;
					r += pixel[0];
					g += pixel[1];
					b += pixel[2];
					count++;
				}
			}
			r /= count;
			g /= count;
			b /= count;
			const size_t at = static_cast<size_t>(row / 2) * chromaWidth + static_cast<size_t>(column / 2);
			cb[at] = Clamp(128.0 + (-37.797 * r - 74.203 * g + 112.0 * b) / 255.0);
			cr[at] = Clamp(128.0 + (112.0 * r - 93.786 * g - 18.214 * b) / 255.0);
		}
	}
	if (std::fputs("FRAME\n", file_) < 0 ||
	    std::fwrite(planes_.data(), 1, planes_.size(), file_) != planes_.size())
		return Fail("cannot write");
	frames_++;
	return true;
}

bool Y4mWriter::Finish() {
	if (!file_) return false;
	const bool flushed = std::fflush(file_) == 0;
	const int closed = std::fclose(file_);
	file_ = nullptr;
	if (!flushed || closed != 0) {
		error_ = path_ + ": cannot write: " + std::strerror(errno);
		std::remove((path_ + ".part").c_str());
		return false;
	}
	if (std::rename((path_ + ".part").c_str(), path_.c_str()) != 0) {
		error_ = path_ + ": cannot rename: " + std::strerror(errno);
		std::remove((path_ + ".part").c_str());
		return false;
	}
	return true;
}
