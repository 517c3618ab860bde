// Writes a picture read from a window as a PNG file.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include <GraphicsDefs.h>

class PngWriter {
public:
	// Writes `pixels`, `width` x `height` of them row by row, to `file`, which
	// stays open. False with `error` set to libpng's reason.
	static bool Write(std::FILE* file, const std::vector<rgb_color>& pixels, int width, int height,
	                  std::string& error);
};
