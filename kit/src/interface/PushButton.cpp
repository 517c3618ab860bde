#include "interface/PushButton.h"

#include <Font.h>

#include <algorithm>
#include <cmath>

namespace {

constexpr rgb_color kFace = {236, 236, 236, 255};
constexpr rgb_color kPressedFace = {176, 176, 176, 255};
constexpr rgb_color kEdge = {96, 96, 96, 255};
constexpr rgb_color kDefaultRing = {40, 40, 40, 255};
constexpr rgb_color kText = {0, 0, 0, 255};
constexpr rgb_color kDisabledText = {150, 150, 150, 255};

// Room around the face for the default button's ring, kept on every button
// so that a row of buttons lines up.
constexpr float kRing = 3;
constexpr float kSideMargin = 12;
constexpr float kMinimumWidth = 50;

} // namespace

PushButton::PushButton(BRect frame, const char* name, const char* label, BMessage* message)
    : BControl(frame, name, label, message, B_FOLLOW_NONE, B_WILL_DRAW) {}

float PushButton::PreferredWidth() const {
	return std::max(kMinimumWidth, std::ceil(StringWidth(Label())) + 2 * (kSideMargin + kRing));
}

float PushButton::PreferredHeight() const {
	font_height height;
	GetFontHeight(&height);
	return std::ceil(height.ascent) + std::ceil(height.descent) + 8 + 2 * kRing;
}

void PushButton::SetDefault(bool isDefault) {
	if (isDefault == fDefault) return;
	fDefault = isDefault;
	Invalidate();
}

bool PushButton::IsDefault() const { return fDefault; }

void PushButton::Draw(BRect) {
	if (Parent() && Parent()->ViewColor() != ViewColor()) {
		SetHighColor(Parent()->ViewColor());
		FillRect(Bounds());
	}
	BRect face = Bounds().InsetByCopy(kRing, kRing);
	if (fDefault) {
		SetHighColor(kDefaultRing);
		StrokeRect(face.InsetByCopy(-2, -2));
		StrokeRect(face.InsetByCopy(-1, -1));
	}
	SetHighColor(Value() == B_CONTROL_ON ? kPressedFace : kFace);
	FillRect(face);
	SetHighColor(kEdge);
	StrokeRect(face);

	font_height height;
	GetFontHeight(&height);
	const float x = std::floor((Bounds().Width() + 1 - StringWidth(Label())) / 2);
	const float y = std::floor((Bounds().Height() + 1 + height.ascent - height.descent) / 2);
	SetHighColor(IsEnabled() ? kText : kDisabledText);
	DrawString(Label(), BPoint(x, y));
}

void PushButton::MouseDown(BPoint) {
	if (!IsEnabled()) return;
	fTracking = true;
	SetValue(B_CONTROL_ON);
}

void PushButton::MouseMoved(BPoint where, uint32, const BMessage*) {
	if (fTracking) SetValue(Bounds().Contains(where) ? B_CONTROL_ON : B_CONTROL_OFF);
}

// A press released outside the button is taken back.
void PushButton::MouseUp(BPoint where) {
	if (!fTracking) return;
	fTracking = false;
	SetValue(B_CONTROL_OFF);
	if (Bounds().Contains(where)) Invoke();
}
