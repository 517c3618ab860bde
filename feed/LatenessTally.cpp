#include "LatenessTally.h"

#include <algorithm>
#include <cmath>

void LatenessTally::Add(int64_t us) {
	us = std::max<int64_t>(us, 0);
	steps_[static_cast<size_t>(std::min<int64_t>(us / kStepUs, kSteps))]++;
	count_++;
	latest_ = static_cast<int32_t>(std::max<int64_t>(latest_, std::min<int64_t>(us, INT32_MAX)));
}

int32_t LatenessTally::Below(double fraction) const {
	if (count_ == 0) return 0;
	const auto wanted = static_cast<int64_t>(std::ceil(fraction * static_cast<double>(count_)));
	int64_t seen = 0;
	for (size_t step = 0; step < steps_.size(); step++)
		if ((seen += steps_[step]) >= wanted)
			return std::min(static_cast<int32_t>((step + 1) * kStepUs), latest_);
	return latest_;
}
