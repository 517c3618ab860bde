#include "output/PngWriter.h"

#include <png.h>

#include <cstring>

bool PngWriter::Write(std::FILE* file, const std::vector<rgb_color>& pixels, int width, int height,
                      std::string& error) {
	static_assert(sizeof(rgb_color) == 4, "rows are handed to libpng as packed RGBA bytes");
	if (width < 1 || height < 1 || pixels.size() < size_t(width) * size_t(height)) {
		error = "no picture to write";
		return false;
	}
	png_image image;
	std::memset(&image, 0, sizeof image);
	image.version = PNG_IMAGE_VERSION;
	image.width = png_uint_32(width);
	image.height = png_uint_32(height);
	image.format = PNG_FORMAT_RGBA;
	if (png_image_write_to_stdio(&image, file, 0, pixels.data(), 0, nullptr)) return true;
	error = image.message;
	png_image_free(&image);
	return false;
}
