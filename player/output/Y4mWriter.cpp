#include "output/Y4mWriter.h"

#include <cmath>
#include <cstring>

namespace {

uint8_t Clamp(double value) {
	return static_cast<uint8_t>(std::lround(std::fmin(255.0, std::fmax(0.0, value))));
}

// BT.601 coefficients scaled to video range: Y 16..235, Cb and Cr 16..240.
uint8_t Luma(const uint8_t* pixel) {
	return Clamp(16.0 + (65.481 * pixel[0] + 128.553 * pixel[1] + 24.966 * pixel[2]) / 255.0);
}

uint8_t BlueDifference(double r, double g, double b) {
	return Clamp(128.0 + (-37.797 * r - 74.203 * g + 112.0 * b) / 255.0);
}

uint8_t RedDifference(double r, double g, double b) {
	return Clamp(128.0 + (112.0 * r - 93.786 * g - 18.214 * b) / 255.0);
}

uint32_t PixelAt(const uint8_t* pixel) {
	uint32_t value;
	std::memcpy(&value, pixel, sizeof value);
	return value;
}

} // namespace

bool Y4mWriter::Open(const std::string& path, int width, int height, int rateNumerator, int rateDenominator) {
	output_.Discard();
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
	sameAsAbove_.assign(static_cast<size_t>(height), false);
	if (!output_.Open(path)) {
		error_ = output_.Error();
		return false;
	}
	if (std::fprintf(output_.Stream(), "YUV4MPEG2 W%d H%d F%d:%d Ip A1:1 C420jpeg XCOLORRANGE=LIMITED\n",
	                 width, height, rateNumerator, rateDenominator) < 0)
		return Fail();
	return true;
}

bool Y4mWriter::WriteFrame(std::span<const uint8_t> rgba, size_t stride) {
	std::FILE* file = output_.Stream();
	if (!file) return false;
	if (stride < static_cast<size_t>(width_) * 4 ||
	    rgba.size() < stride * static_cast<size_t>(height_ - 1) + static_cast<size_t>(width_) * 4) {
		error_ =
		    output_.Path() + ": frame smaller than " + std::to_string(width_) + "x" + std::to_string(height_);
		output_.Discard();
		return false;
	}
	ConvertLuma(rgba.data(), stride);
	ConvertChroma(rgba.data(), stride);
	if (std::fputs("FRAME\n", file) < 0 ||
	    std::fwrite(planes_.data(), 1, planes_.size(), file) != planes_.size())
		return Fail();
	frames_++;
	return true;
}

void Y4mWriter::ConvertLuma(const uint8_t* rgba, size_t stride) {
	const size_t width = static_cast<size_t>(width_);
	for (size_t row = 0; row < static_cast<size_t>(height_); row++) {
		const uint8_t* pixels = rgba + stride * row;
		uint8_t* y = planes_.data() + width * row;
		sameAsAbove_[row] = row > 0 && std::memcmp(pixels, pixels - stride, width * 4) == 0;
		if (sameAsAbove_[row]) {
			std::memcpy(y, y - width, width);
			continue;
		}
		uint32_t last = PixelAt(pixels);
		uint8_t lastY = Luma(pixels);
		for (size_t column = 0; column < width; column++) {
			const uint32_t pixel = PixelAt(pixels + 4 * column);
			if (pixel != last) {
				last = pixel;
				lastY = Luma(pixels + 4 * column);
			}
			y[column] = lastY;
		}
	}
}

void Y4mWriter::ConvertChroma(const uint8_t* rgba, size_t stride) {
	const size_t width = static_cast<size_t>(width_);
	const size_t height = static_cast<size_t>(height_);
	const size_t chromaWidth = (width + 1) / 2;
	uint8_t* cb = planes_.data() + width * height;
	uint8_t* cr = cb + chromaWidth * ((height + 1) / 2);
	for (size_t row = 0; row < height; row += 2) {
		const size_t at = row / 2 * chromaWidth;
		const size_t rows = row + 1 < height ? 2 : 1;
		// Rows row - 2 to row + rows - 1 all alike: the same as the chroma row above.
		bool repeated = row > 0 && sameAsAbove_[row - 1] && sameAsAbove_[row];
		if (rows == 2) repeated = repeated && sameAsAbove_[row + 1];
		if (repeated) {
			std::memcpy(cb + at, cb + at - chromaWidth, chromaWidth);
			std::memcpy(cr + at, cr + at - chromaWidth, chromaWidth);
			continue;
		}
		const uint8_t* top = rgba + stride * row;
		const uint8_t* bottom = top + stride * (rows - 1);
		uint32_t lastTop[2] = {0, 0};
		uint32_t lastBottom[2] = {0, 0};
		for (size_t column = 0; column < width; column += 2) {
			const size_t columns = column + 1 < width ? 2 : 1;
			const uint32_t nowTop[2] = {PixelAt(top + 4 * column), PixelAt(top + 4 * (column + columns - 1))};
			const uint32_t nowBottom[2] = {PixelAt(bottom + 4 * column),
			                               PixelAt(bottom + 4 * (column + columns - 1))};
			const size_t index = at + column / 2;
			if (column > 0 && columns == 2 && std::memcmp(nowTop, lastTop, sizeof nowTop) == 0 &&
			    std::memcmp(nowBottom, lastBottom, sizeof nowBottom) == 0) {
				cb[index] = cb[index - 1];
				cr[index] = cr[index - 1];
				continue;
			}
			std::memcpy(lastTop, nowTop, sizeof nowTop);
			std::memcpy(lastBottom, nowBottom, sizeof nowBottom);
			double r = 0, g = 0, b = 0;
			for (size_t dy = 0; dy < rows; dy++) {
				for (size_t dx = 0; dx < columns; dx++) {
					const uint8_t* pixel = top + stride * dy + (column + dx) * 4;
					r += pixel[0];
					g += pixel[1];
					b += pixel[2];
				}
			}
			const double count = static_cast<double>(rows * columns);
			cb[index] = BlueDifference(r / count, g / count, b / count);
			cr[index] = RedDifference(r / count, g / count, b / count);
		}
	}
}

bool Y4mWriter::Fail() {
	output_.Fail("cannot write");
	error_ = output_.Error();
	return false;
}

bool Y4mWriter::Finish() {
	if (!output_.Stream()) return false;
	if (!output_.Commit()) {
		error_ = output_.Error();
		return false;
	}
	return true;
}
