// The view that fills a menu window: draws one menu level and remembers which
// item is highlighted. The window decides what input does.
#pragma once

#include <vector>

#include <View.h>

#include "interface/MenuEntry.h"
#include "interface/MenuLayout.h"

class MenuView : public BView {
public:
	// `entries` must outlive the view; the window keeps them.
	MenuView(const std::vector<MenuEntry>& entries, const MenuLayout& layout);

	const MenuLayout& Layout() const { return fLayout; }

	// [window thread, locked]
	int32 Highlighted() const { return fHighlighted; }
	// -1 for none; redraws the rows that change.
	void SetHighlighted(int32 index);

	void Draw(BRect updateRect) override;

private:
	void DrawEntry(int32 index);

	const std::vector<MenuEntry>& fEntries;
	MenuLayout fLayout;
	int32 fHighlighted = -1;
};
