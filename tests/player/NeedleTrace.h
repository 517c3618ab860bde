// What the needle meter drew, read back from a drawing trace.
#pragma once

#include <algorithm>
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

// What the needle meter drew in one Render call: each needle's red, which is
// its level >> 8, and its tip's column; -1 where that needle was not drawn.
struct Needles {
	int left = -1, right = -1;
	int leftTip = -1, rightTip = -1;
};

inline std::vector<Needles> ReadNeedles(const std::string& trace) {
	// The left needle's pivot is left of the right one's; both are drawn in the first call.
	int leftPivot = INT32_MAX;
	std::istringstream first(trace);
	for (std::string word; first >> word;)
		if (word == "line") {
			int x0 = 0;
			first >> x0;
			leftPivot = std::min(leftPivot, x0);
		}
	std::vector<Needles> calls;
	std::istringstream lines(trace);
	int red = -1; // of the needle being drawn; -1 while erasing in white
	for (std::string line; std::getline(lines, line);) {
		std::istringstream fields(line);
		std::string word;
		fields >> word;
		if (word == "render") calls.emplace_back();
		if (word == "high") {
			int g = 0, b = 0;
			fields >> red >> g >> b;
			if (red == 255 && g == 255) red = -1;
		}
		if (word == "line" && red >= 0 && !calls.empty()) {
			int x0 = 0, y0 = 0, x1 = 0;
			fields >> x0 >> y0 >> x1;
			(x0 == leftPivot ? calls.back().left : calls.back().right) = red;
			(x0 == leftPivot ? calls.back().leftTip : calls.back().rightTip) = x1;
		}
	}
	return calls;
}
