// The bar meter's part of PluginWindow: two bars on black, each top moving
// towards its level by at most 1/80 of the window height per block, the
// window redrawn on every third block.
#include "display/PluginWindow.h"

#include "core/Preferences.h"
#include "deliverables/Deliverable.h"
#include "display/MeasureLevels.h"
#include "display/PluginView.h"
#include "meters/bar/BarMeterState.h"

namespace BarMeterState {

int16 render_count = 0;
float last_top_left = 0.0f;
float last_top_right = 0.0f;

} // namespace BarMeterState

namespace {

constexpr rgb_color kBlack = {0, 0, 0, 255};
constexpr rgb_color kGreen = {0, 255, 0, 255};

// The level at which a bar reaches the top edge. Louder levels (up to 65535)
// put the target above the window, so a loud passage keeps a bar at full
// height for a while after it ends.
constexpr double kFullScaleLevel = 25535.0;
constexpr int32 kStepsPerHeight = 80;
constexpr int32 kBandsPerHeight = 25;
constexpr int16 kCallsPerDrawnFrame = 3;

float TargetTop(uint32 level, int32 height) {
	return static_cast<float>(height - (level / kFullScaleLevel) * height);
}

// At most one step from pos towards target; within a step, the target itself,
// so that a steady level settles instead of oscillating around it.
float MoveTop(float target, int32 pos, int32 step) {
	if (target - pos > step) return static_cast<float>(pos + step);
	if (target - pos < -step) return static_cast<float>(pos - step);
	return target;
}

} // namespace

int32 PluginWindow::ResetPosition(BRect bounds) { return static_cast<int32>(bounds.bottom); }

bool PluginWindow::Render(const int16* pcm, int32 count) {
	using namespace BarMeterState;

	const BRect bounds = Bounds();
	const int32 width = static_cast<int32>(bounds.right - bounds.left);
	const int32 height = static_cast<int32>(bounds.bottom - bounds.top);
	const int32 step = height / kStepsPerHeight > 0 ? height / kStepsPerHeight : 1;
	const int32 old_left = left_pos;
	const int32 old_right = right_pos;

	const ChannelLevels levels = MeasureLevels(pcm, count, ThePrefs.gain, Deliverable::GainFactor);
	const float left_top = MoveTop(TargetTop(levels.left, height), old_left, step);
	const float right_top = MoveTop(TargetTop(levels.right, height), old_right, step);

	if (++render_count >= kCallsPerDrawnFrame) {
		render_count = 0;
		const int32 half = width / 2;
		const float right = static_cast<float>(width);
		const float bottom = static_cast<float>(height);

		// Only the strip a bar has given up since the last drawn frame is
		// erased; a bar that rose gives an inverted rectangle, which paints
		// nothing, and its body is repainted whole below anyway.
		view->SetHighColor(kBlack);
		view->FillRect(BRect(0, last_top_left, half - 1, left_top));
		view->FillRect(BRect(half, last_top_right, right, right_top));

		const int32 band = height / kBandsPerHeight > 0 ? height / kBandsPerHeight : 1;
		view->PrettyFillRect(BRect(0, left_top, half - 1, bottom), kGreen, kBlack, band);
		view->PrettyFillRect(BRect(half + 1, right_top, right, bottom), kGreen, kBlack, band);

		view->SetHighColor(kGreen);
		view->StrokeLine(BPoint(1, left_top), BPoint(half - 1, left_top));
		view->StrokeLine(BPoint(half + 1, right_top), BPoint(right - 1, right_top));
		view->Sync();

		last_top_left = left_top;
		last_top_right = right_top;
	}

	left_pos = static_cast<int32>(left_top);
	right_pos = static_cast<int32>(right_top);
	return true;
}

void PluginWindow::FrameResized(float /*width*/, float height) {
	left_pos = static_cast<int32>(height);
	right_pos = static_cast<int32>(height);
	view->SetHighColor(kBlack);
	view->FillRect(Bounds());
}
