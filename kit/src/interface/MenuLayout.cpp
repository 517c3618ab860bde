#include "interface/MenuLayout.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr float kBorder = 1;
constexpr float kVerticalMargin = 3; // between the border and the first and last rows
constexpr float kRowPadding = 3;     // above and below the text of a row
constexpr float kSeparatorHeight = 7;
constexpr float kLeftPadding = 10;
constexpr float kMarkColumn = 14;  // room for the check mark, when an item is marked
constexpr float kShortcutGap = 28; // between the longest label and the shortcuts
constexpr float kArrowColumn = 16; // room for the submenu triangle
constexpr float kRightPadding = 10;
constexpr float kMinimumWidth = 80;

} // namespace

MenuLayout::MenuLayout(const std::vector<MenuEntry>& entries) : fFont(*be_plain_font) {
	font_height height;
	fFont.GetHeight(&height);
	fAscent = std::ceil(height.ascent);
	const float textHeight = fAscent + std::ceil(height.descent);

	bool anyMarked = false;
	bool anySubmenu = false;
	float labelWidth = 0;
	float shortcutWidth = 0;
	for (const MenuEntry& entry : entries) {
		anyMarked = anyMarked || entry.marked;
		anySubmenu = anySubmenu || entry.hasSubmenu;
		if (entry.separator) continue;
		labelWidth = std::max(labelWidth, std::ceil(fFont.StringWidth(entry.label.c_str())));
		shortcutWidth = std::max(shortcutWidth, std::ceil(fFont.StringWidth(entry.shortcut.c_str())));
	}
	fLabelLeft = kBorder + kLeftPadding + (anyMarked ? kMarkColumn : 0);
	const float trailing = (anySubmenu ? kArrowColumn : 0) + kRightPadding + kBorder;
	const float shortcuts = shortcutWidth > 0 ? kShortcutGap + shortcutWidth : 0;
	fWidth = std::max(kMinimumWidth, fLabelLeft + labelWidth + shortcuts + trailing) - 1;
	// Shortcuts line up on the right, whatever the width.
	fShortcutRight = fWidth + 1 - trailing;

	float top = kBorder + kVerticalMargin;
	for (const MenuEntry& entry : entries) {
		const float rowHeight = entry.separator ? kSeparatorHeight : textHeight + 2 * kRowPadding;
		fRows.emplace_back(kBorder, top, fWidth - kBorder, top + rowHeight - 1);
		top += rowHeight;
	}
	fHeight = top + kVerticalMargin + kBorder - 1;
}

BRect MenuLayout::ItemFrame(int32 index) const {
	return index >= 0 && index < CountItems() ? fRows[size_t(index)] : BRect();
}

int32 MenuLayout::IndexAt(BPoint point) const {
	for (int32 i = 0; i < CountItems(); i++)
		if (fRows[size_t(i)].Contains(point)) return i;
	return -1;
}

float MenuLayout::Baseline(int32 index) const { return ItemFrame(index).top + kRowPadding + fAscent; }
