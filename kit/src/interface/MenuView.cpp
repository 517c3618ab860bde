#include "interface/MenuView.h"

namespace {

constexpr rgb_color kBackground = {236, 236, 236, 255};
constexpr rgb_color kFrame = {150, 150, 150, 255};
constexpr rgb_color kText = {24, 24, 24, 255};
constexpr rgb_color kDisabledText = {160, 160, 160, 255};
constexpr rgb_color kShortcutText = {96, 96, 96, 255};
constexpr rgb_color kHighlight = {56, 112, 200, 255};
constexpr rgb_color kHighlightText = {255, 255, 255, 255};
constexpr rgb_color kSeparator = {192, 192, 192, 255};
constexpr float kSeparatorInset = 6;
constexpr float kArrowInset = 9; // from the row's right edge to the triangle's tip

} // namespace

MenuView::MenuView(const std::vector<MenuEntry>& entries, const MenuLayout& layout)
    : BView(BRect(0, 0, layout.Width(), layout.Height()), "menu", B_FOLLOW_ALL, B_WILL_DRAW),
      fEntries(entries), fLayout(layout) {
	SetViewColor(kBackground);
	SetLowColor(kBackground);
	SetFont(&fLayout.Font());
}

void MenuView::SetHighlighted(int32 index) {
	if (index < -1 || index >= fLayout.CountItems()) index = -1;
	if (index == fHighlighted) return;
	if (fHighlighted >= 0) Invalidate(fLayout.ItemFrame(fHighlighted));
	fHighlighted = index;
	if (fHighlighted >= 0) Invalidate(fLayout.ItemFrame(fHighlighted));
}

void MenuView::Draw(BRect updateRect) {
	SetHighColor(kFrame);
	StrokeRect(Bounds());
	for (int32 i = 0; i < fLayout.CountItems(); i++)
		if (fLayout.ItemFrame(i).Intersects(updateRect)) DrawEntry(i);
}

void MenuView::DrawEntry(int32 index) {
	const MenuEntry& entry = fEntries[size_t(index)];
	const BRect row = fLayout.ItemFrame(index);
	if (entry.separator) {
		const float y = row.top + float(int32(row.Height() / 2));
		SetHighColor(kSeparator);
		StrokeLine(BPoint(row.left + kSeparatorInset, y), BPoint(row.right - kSeparatorInset, y));
		return;
	}
	const bool highlighted = index == fHighlighted;
	SetHighColor(highlighted ? kHighlight : kBackground);
	FillRect(row);
	const rgb_color text = !entry.enabled ? kDisabledText : highlighted ? kHighlightText : kText;
	const float baseline = fLayout.Baseline(index);
	const float middle = row.top + float(int32(row.Height() / 2));
	SetHighColor(text);
	DrawString(entry.label.c_str(), BPoint(fLayout.LabelLeft(), baseline));
	if (entry.marked) {
		// A check mark in the column left of the labels, two pixels thick.
		const float x = fLayout.LabelLeft() - 13;
		for (float dy = 0; dy <= 1; dy++) {
			StrokeLine(BPoint(x, middle + dy), BPoint(x + 3, middle + 3 + dy));
			StrokeLine(BPoint(x + 3, middle + 3 + dy), BPoint(x + 8, middle - 3 + dy));
		}
	}
	if (!entry.shortcut.empty()) {
		SetHighColor(!entry.enabled || highlighted ? text : kShortcutText);
		const float width = StringWidth(entry.shortcut.c_str());
		DrawString(entry.shortcut.c_str(), BPoint(fLayout.ShortcutRight() - width, baseline));
	}
	if (entry.hasSubmenu) {
		SetHighColor(text);
		const float tip = row.right - kArrowInset;
		FillTriangle(BPoint(tip - 4, middle - 4), BPoint(tip - 4, middle + 4), BPoint(tip, middle));
	}
}
