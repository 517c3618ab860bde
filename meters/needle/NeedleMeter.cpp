// The needle meter's part of PluginWindow: two needles on white, each tip
// jumping up to its level at once and falling back by at most 1/120 of the
// window width per block. Drawing is incremental: only a needle whose tip
// moved is erased (stroked again in white) and redrawn.
#include "display/PluginWindow.h"

#include <algorithm>

#include "core/Preferences.h"
#include "deliverables/Deliverable.h"
#include "display/MeasureLevels.h"
#include "display/PluginView.h"

namespace {

constexpr rgb_color kWhite = {255, 255, 255, 255};
constexpr int32 kStepsPerWidth = 120;
// Column = width × level / 2^17: a full-scale level reaches just short of
// half the width, so each needle stays in its own half.
constexpr uint32 kLevelShift = 17;

// Never seen as a drawn tip, so the first call after a reset draws both.
constexpr int32 kNoNeedle = -1;

int32 TipColumn(uint32 level, int32 width) {
	return static_cast<int32>((static_cast<uint32>(width) * level) >> kLevelShift);
}

// Brightness follows the block's level, not the (possibly still falling) tip.
rgb_color NeedleColor(uint32 level) { return {static_cast<uint8>(level >> 8), 0, 0, 255}; }

} // namespace

int32 PluginWindow::ResetPosition(BRect /*bounds*/) { return kNoNeedle; }

bool PluginWindow::Render(const int16* pcm, int32 count) {
	const BRect bounds = Bounds();
	const int32 width = static_cast<int32>(bounds.right - bounds.left);
	const int32 step = width / kStepsPerWidth > 0 ? width / kStepsPerWidth : 1;
	const int32 half = width / 2;
	const int32 old_left = left_pos;
	const int32 old_right = right_pos;

	const ChannelLevels levels = MeasureLevels(pcm, count, ThePrefs.gain, Deliverable::GainFactor);
	const int32 new_left = std::max(TipColumn(levels.left, width), old_left - step);
	const int32 new_right = std::max(TipColumn(levels.right, width) + half, old_right - step);
	const bool left_moved = new_left != old_left;
	const bool right_moved = new_right != old_right;
	if (!left_moved && !right_moved) return true;

	const float height = bounds.bottom - bounds.top;
	const int32 quarter = width / 4;
	const BPoint left_pivot(quarter, height);
	const BPoint right_pivot(width - quarter, height);

	// Both erases come before both draws, so that neither white line can cut
	// into the other channel's new needle. Stroking the same end points covers
	// the same pixels, which removes the old needle whole.
	view->SetHighColor(kWhite);
	if (left_moved) view->StrokeLine(left_pivot, BPoint(old_left, 0));
	if (right_moved) view->StrokeLine(right_pivot, BPoint(old_right, 0));
	if (left_moved) {
		view->SetHighColor(NeedleColor(levels.left));
		view->StrokeLine(left_pivot, BPoint(new_left, 0));
		left_pos = new_left;
	}
	if (right_moved) {
		view->SetHighColor(NeedleColor(levels.right));
		view->StrokeLine(right_pivot, BPoint(new_right, 0));
		right_pos = new_right;
	}
	view->Sync();
	return true;
}

// The needles come back, both, with the next block.
void PluginWindow::FrameResized(float /*width*/, float /*height*/) {
	right_pos = kNoNeedle;
	left_pos = kNoNeedle;
	view->SetHighColor(kWhite);
	view->FillRect(Bounds());
}
