#include "audio/helpers/TimeText.h"

#include <algorithm>
#include <cstdio>

std::string TimeText(int64_t frames, int sampleRate) {
	const int64_t seconds = sampleRate > 0 ? std::max<int64_t>(frames, 0) / sampleRate : 0;
	char text[32];
	if (seconds >= 3600)
		std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", static_cast<long long>(seconds / 3600),
		              static_cast<long long>(seconds / 60 % 60), static_cast<long long>(seconds % 60));
	else
		std::snprintf(text, sizeof text, "%02lld:%02lld", static_cast<long long>(seconds / 60),
		              static_cast<long long>(seconds % 60));
	return text;
}
