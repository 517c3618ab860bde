// Writes a picture read from a window as a PNG file.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include <GraphicsDefs.h>

#include "host/Expected.h"

class PngWriter {
public:
	// Writes `pixels`, `width` x `height` of them row by row, to `file`, which
	// stays open. Fails with libpng's reason.
	static Expected<void> Write(std::FILE* file, const std::vector<rgb_color>& pixels, int width, int height);
};
