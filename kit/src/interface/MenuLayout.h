// Where the items of one menu level go: one column of rows inside a 1-pixel
// border, in the plain font. Computed once when the level opens.
#pragma once

#include <vector>

#include <Font.h>
#include <Rect.h>

#include "interface/MenuEntry.h"

class MenuLayout {
public:
	explicit MenuLayout(const std::vector<MenuEntry>& entries);

	// The size of the level's window, as Bounds() right and bottom.
	float Width() const { return fWidth; }
	float Height() const { return fHeight; }
	// The item's row in window coordinates, inside the border; an invalid
	// rectangle for an index out of range.
	BRect ItemFrame(int32 index) const;
	// The item whose row holds the point, or -1.
	int32 IndexAt(BPoint point) const;
	int32 CountItems() const { return int32(fRows.size()); }

	const BFont& Font() const { return fFont; }
	// Where the label of a row starts and its text baseline lies.
	float LabelLeft() const { return fLabelLeft; }
	float Baseline(int32 index) const;
	// The right edge of the shortcut column.
	float ShortcutRight() const { return fShortcutRight; }

private:
	BFont fFont;
	std::vector<BRect> fRows;
	float fAscent = 0;
	float fWidth = 0;
	float fHeight = 0;
	float fLabelLeft = 0;
	float fShortcutRight = 0;
};
