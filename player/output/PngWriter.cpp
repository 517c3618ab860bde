#include "output/PngWriter.h"

#include <png.h>

#include <cstring>

Expected<void> PngWriter::Write(std::FILE* file, const std::vector<rgb_color>& pixels, int width,
                                int height) {
	static_assert(sizeof(rgb_color) == 4, "rows are handed to libpng as packed RGBA bytes");
	if (width < 1 || height < 1 || pixels.size() < size_t(width) * size_t(height)) {
		return Failure{"no picture to write"};
	}
	png_image image;
	std::memset(&image, 0, sizeof image);
	image.version = PNG_IMAGE_VERSION;
	image.width = png_uint_32(width);
	image.height = png_uint_32(height);
	image.format = PNG_FORMAT_RGBA;
	if (png_image_write_to_stdio(&image, file, 0, pixels.data(), 0, nullptr)) return {};
	Failure failure{image.message};
	png_image_free(&image);
	return failure;
}
