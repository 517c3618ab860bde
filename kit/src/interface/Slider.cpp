#include <Font.h>
#include <Slider.h>

#include <algorithm>
#include <cmath>
#include <string>

namespace {

constexpr rgb_color kText = {0, 0, 0, 255};
constexpr rgb_color kDisabledText = {150, 150, 150, 255};
constexpr rgb_color kBarEdge = {120, 120, 120, 255};
constexpr rgb_color kBarColor = {184, 184, 184, 255};
constexpr rgb_color kFillColor = {80, 136, 216, 255};
constexpr rgb_color kHashColor = {112, 112, 112, 255};
constexpr rgb_color kThumbFace = {240, 240, 240, 255};
constexpr rgb_color kThumbShine = {255, 255, 255, 255};
constexpr rgb_color kThumbEdge = {88, 88, 88, 255};
constexpr rgb_color kFocusColor = {0, 0, 229, 255};

// Vertical layout, top to bottom: the label, the thumb with the bar through
// its middle, the hash marks, the limit labels, one pixel apart. With the
// 12-point plain font (15 rows of text) that is rows 0 to 49.
constexpr float kThumbHalfWidth = 5;
constexpr float kThumbHeight = 12;
constexpr float kBarInset = 3; // rows of thumb above and below the bar
constexpr float kHashLength = 5;

struct Rows {
	float ascent; // whole pixels from the top of a text line to its baseline
	float thumbTop;
	float hashTop;
	float limitsTop;
};

Rows LayOut(const BView& view, bool hasLabel) {
	font_height height;
	view.GetFontHeight(&height);
	Rows rows;
	rows.ascent = std::ceil(height.ascent);
	const float textHeight = rows.ascent + std::ceil(height.descent);
	rows.thumbTop = hasLabel ? textHeight + 1 : 0;
	rows.hashTop = rows.thumbTop + kThumbHeight + 1;
	rows.limitsTop = rows.hashTop + kHashLength + 1;
	return rows;
}

} // namespace

struct BE_HIDDEN BSlider::Data {
	int32 minimum;
	int32 maximum;
	thumb_style style;
	std::string minLabel;
	std::string maxLabel;
	hash_mark_location hashMarks = B_HASH_MARKS_NONE;
	int32 hashMarkCount = 0;
	rgb_color barColor = kBarColor;
	rgb_color fillColor = kFillColor;
	bool useFill = true;
	// While the primary button is held after a press on the thumb band.
	bool tracking = false;
	float grabOffset = 0; // pointer x minus the thumb's centre at the press
	float pressX = 0;
};

BSlider::BSlider(BRect frame, const char* name, const char* label, BMessage* message, int32 minValue,
                 int32 maxValue, thumb_style thumbType, uint32 resizingMode, uint32 flags)
    : BControl(frame, name, label, message, resizingMode, flags),
      fData(new Data{minValue, std::max(minValue, maxValue), thumbType, {}, {}}) {}

BSlider::~BSlider() { delete fData; }

void BSlider::SetLimitLabels(const char* minLabel, const char* maxLabel) {
	fData->minLabel = minLabel ? minLabel : "";
	fData->maxLabel = maxLabel ? maxLabel : "";
	Invalidate();
}

const char* BSlider::MinLimitLabel() const { return fData->minLabel.c_str(); }
const char* BSlider::MaxLimitLabel() const { return fData->maxLabel.c_str(); }

void BSlider::SetHashMarks(hash_mark_location where) {
	fData->hashMarks = where;
	Invalidate();
}

hash_mark_location BSlider::HashMarks() const { return fData->hashMarks; }

void BSlider::SetHashMarkCount(int32 count) {
	fData->hashMarkCount = std::max<int32>(0, count);
	Invalidate();
}

int32 BSlider::HashMarkCount() const { return fData->hashMarkCount; }

void BSlider::GetLimits(int32* minimum, int32* maximum) const {
	if (minimum) *minimum = fData->minimum;
	if (maximum) *maximum = fData->maximum;
}

thumb_style BSlider::Style() const { return fData->style; }

void BSlider::SetBarColor(rgb_color color) {
	fData->barColor = color;
	Invalidate();
}

void BSlider::UseFillColor(bool useFill, const rgb_color* color) {
	fData->useFill = useFill;
	if (color) fData->fillColor = *color;
	Invalidate();
}

int32 BSlider::ValueForPoint(BPoint where) const {
	const BRect bar = BarFrame();
	const float first = bar.left + kThumbHalfWidth;
	const float last = bar.right - kThumbHalfWidth;
	if (last <= first) return fData->minimum;
	const double fraction = std::clamp((double(where.x) - first) / (last - first), 0.0, 1.0);
	const double span = double(fData->maximum) - fData->minimum;
	return fData->minimum + int32(std::lround(fraction * span));
}

BRect BSlider::ThumbFrame() const {
	const BRect bar = BarFrame();
	const float first = bar.left + kThumbHalfWidth;
	const float last = std::max(first, bar.right - kThumbHalfWidth);
	const int32 value = std::clamp(Value(), fData->minimum, fData->maximum);
	const double span = double(fData->maximum) - fData->minimum;
	const double fraction = span > 0 ? (double(value) - fData->minimum) / span : 0.0;
	const float centre = std::round(first + float(fraction * (last - first)));
	const Rows rows = LayOut(*this, Label()[0] != '\0');
	return BRect(centre - kThumbHalfWidth, rows.thumbTop, centre + kThumbHalfWidth,
	             rows.thumbTop + kThumbHeight - 1);
}

BRect BSlider::BarFrame() const {
	const Rows rows = LayOut(*this, Label()[0] != '\0');
	return BRect(1, rows.thumbTop + kBarInset, Bounds().Width() - 1,
	             rows.thumbTop + kThumbHeight - 1 - kBarInset);
}

void BSlider::Draw(BRect) {
	// The parent's colour may have changed since this slider was attached.
	const rgb_color background = Parent() ? Parent()->ViewColor() : ViewColor();
	if (background != ViewColor()) {
		SetHighColor(background);
		FillRect(Bounds());
	}
	const Rows rows = LayOut(*this, Label()[0] != '\0');
	const BRect bar = BarFrame();
	const BRect thumb = ThumbFrame();
	const float centre = thumb.left + kThumbHalfWidth;

	SetHighColor(IsEnabled() ? kText : kDisabledText);
	if (Label()[0] != '\0') DrawString(Label(), BPoint(bar.left, rows.ascent));
	const float limitsBaseline = rows.limitsTop + rows.ascent;
	DrawString(MinLimitLabel(), BPoint(bar.left, limitsBaseline));
	DrawString(MaxLimitLabel(),
	           BPoint(bar.right + 1 - std::ceil(StringWidth(MaxLimitLabel())), limitsBaseline));

	SetHighColor(kBarEdge);
	StrokeRect(bar);
	const BRect inside = bar.InsetByCopy(1, 1);
	SetHighColor(fData->barColor);
	FillRect(inside);
	if (fData->useFill && IsEnabled()) {
		SetHighColor(fData->fillColor);
		FillRect(BRect(inside.left, inside.top, centre, inside.bottom));
	}

	const int32 count = fData->hashMarkCount;
	if (count > 0 && fData->hashMarks != B_HASH_MARKS_NONE) {
		SetHighColor(kHashColor);
		const float first = bar.left + kThumbHalfWidth;
		const float last = bar.right - kThumbHalfWidth;
		for (int32 i = 0; i < count; i++) {
			const float x = count == 1 ? std::round((first + last) / 2)
			                           : std::round(first + (last - first) * i / (count - 1));
			if (fData->hashMarks & B_HASH_MARKS_TOP)
				StrokeLine(BPoint(x, rows.thumbTop), BPoint(x, bar.top - 1));
			if (fData->hashMarks & B_HASH_MARKS_BOTTOM)
				StrokeLine(BPoint(x, rows.hashTop), BPoint(x, rows.hashTop + kHashLength - 1));
		}
	}

	if (fData->style == B_BLOCK_THUMB) {
		SetHighColor(kThumbFace);
		FillRect(thumb);
		SetHighColor(kThumbShine);
		StrokeLine(BPoint(thumb.left + 1, thumb.top + 1), BPoint(thumb.right - 1, thumb.top + 1));
		StrokeLine(BPoint(thumb.left + 1, thumb.top + 1), BPoint(thumb.left + 1, thumb.bottom - 1));
		SetHighColor(kThumbEdge);
		StrokeRect(thumb);
		StrokeLine(BPoint(centre, thumb.top + 3), BPoint(centre, thumb.bottom - 3));
	} else {
		SetHighColor(kThumbEdge);
		FillTriangle(BPoint(centre, bar.top), BPoint(thumb.left, thumb.bottom),
		             BPoint(thumb.right, thumb.bottom));
	}

	if (IsFocus()) {
		SetHighColor(kFocusColor);
		StrokeRect(thumb.InsetByCopy(-1, -1));
	}
}

void BSlider::MouseDown(BPoint where) {
	if (!IsEnabled()) return;
	if (Flags() & B_NAVIGABLE) MakeFocus(true);
	const BRect thumb = ThumbFrame();
	if (where.y < thumb.top || where.y > thumb.bottom) return;
	if (thumb.Contains(where)) {
		fData->grabOffset = where.x - (thumb.left + kThumbHalfWidth);
	} else {
		fData->grabOffset = 0;
		SetValue(ValueForPoint(where));
	}
	fData->tracking = true;
	fData->pressX = where.x;
}

// A pointer that has not moved sideways since the press leaves the value
// alone, so that a click on the thumb does not nudge it by rounding.
void BSlider::MouseMoved(BPoint where, uint32, const BMessage*) {
	if (!fData->tracking || where.x == fData->pressX) return;
	SetValue(ValueForPoint(BPoint(where.x - fData->grabOffset, where.y)));
}

void BSlider::MouseUp(BPoint where) {
	if (!fData->tracking) return;
	MouseMoved(where, B_INSIDE_VIEW, nullptr);
	fData->tracking = false;
	SetValue(std::clamp(Value(), fData->minimum, fData->maximum));
	Invoke();
}

void BSlider::KeyDown(const char* bytes, int32 numBytes) {
	if (!IsEnabled() || numBytes != 1) {
		BControl::KeyDown(bytes, numBytes);
		return;
	}
	const int64 page = std::max<int64>(1, (int64(fData->maximum) - fData->minimum) / 10);
	int64 step;
	switch (bytes[0]) {
	case B_LEFT_ARROW:
	case B_DOWN_ARROW:
		step = -1;
		break;
	case B_RIGHT_ARROW:
	case B_UP_ARROW:
		step = 1;
		break;
	case B_PAGE_UP:
		step = page;
		break;
	case B_PAGE_DOWN:
		step = -page;
		break;
	default:
		BControl::KeyDown(bytes, numBytes);
		return;
	}
	const int32 current = std::clamp(Value(), fData->minimum, fData->maximum);
	const int32 next = int32(std::clamp(current + step, int64(fData->minimum), int64(fData->maximum)));
	if (next == Value()) return;
	SetValue(next);
	Invoke();
}
