// The level measurement written plainly, one frame at a time, to check the
// production version against and to compare its speed with. Expects what the
// player gives: an even count of at least 2 and a block divisor of at least 1.
#pragma once

#include <SupportDefs.h>

#include "display/MeasureLevels.h"

inline ChannelLevels MeasureLevelsReference(const int16* pcm, int32 count, int32 gain, int32 gain_factor) {
	int16 previousLeft = 0;
	int16 previousRight = 0;
	uint32 leftSum = 0;
	uint32 rightSum = 0;
	for (int32 remaining = count; remaining > 0; remaining -= 2, pcm += 2) {
		const int32 left = int32(pcm[0]) - int32(previousLeft);
		leftSum += uint32(left < 0 ? -left : left);
		previousLeft = pcm[0];
		const int32 right = int32(pcm[1]) - int32(previousRight);
		rightSum += uint32(right < 0 ? -right : right);
		previousRight = pcm[1];
	}
	const int32 k = gain * gain_factor / 100 + 1;
	const int32 d = count / k;
	uint32 left = leftSum / uint32(d);
	uint32 right = rightSum / uint32(d);
	if (left > 0xFFFF) left = 0xFFFF;
	if (right > 0xFFFF) right = 0xFFFF;
	return {left, right};
}
