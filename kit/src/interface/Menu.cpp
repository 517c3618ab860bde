#include <Menu.h>
#include <MenuItem.h>

#include <algorithm>
#include <cstring>

BMenu::BMenu(const char* title, menu_layout layout)
    : BView(BRect(0, 0, 0, 0), title, B_FOLLOW_NONE, B_WILL_DRAW), fLayout(layout) {}

BMenu::~BMenu() {
	for (BMenuItem* item : fItems) {
		item->fMenu = nullptr;
		delete item;
	}
}

bool BMenu::AddItem(BMenuItem* item) { return AddItem(item, CountItems()); }

bool BMenu::AddItem(BMenuItem* item, int32 index) {
	if (!item || item->fMenu || index < 0 || index > CountItems()) return false;
	fItems.insert(fItems.begin() + index, item);
	item->fMenu = this;
	return true;
}

bool BMenu::AddItem(BMenu* submenu) {
	if (!submenu || submenu->fSuperitem) return false;
	return AddItem(new BMenuItem(submenu));
}

bool BMenu::AddSeparatorItem() { return AddItem(new BSeparatorItem); }

BMenuItem* BMenu::RemoveItem(int32 index) {
	if (index < 0 || index >= CountItems()) return nullptr;
	BMenuItem* item = fItems[size_t(index)];
	fItems.erase(fItems.begin() + index);
	item->fMenu = nullptr;
	return item;
}

bool BMenu::RemoveItem(BMenuItem* item) {
	const int32 index = IndexOf(item);
	return index >= 0 && RemoveItem(index) == item;
}

int32 BMenu::CountItems() const { return int32(fItems.size()); }

BMenuItem* BMenu::ItemAt(int32 index) const {
	return index >= 0 && index < CountItems() ? fItems[size_t(index)] : nullptr;
}

BMenu* BMenu::SubmenuAt(int32 index) const {
	BMenuItem* item = ItemAt(index);
	return item ? item->Submenu() : nullptr;
}

// Searches this menu first, then its submenus, depth first.
BMenuItem* BMenu::FindItem(const char* label) const {
	if (!label) return nullptr;
	for (BMenuItem* item : fItems)
		if (std::strcmp(item->Label(), label) == 0 && !item->IsSeparator()) return item;
	for (BMenuItem* item : fItems)
		if (BMenu* submenu = item->Submenu())
			if (BMenuItem* found = submenu->FindItem(label)) return found;
	return nullptr;
}

int32 BMenu::IndexOf(BMenuItem* item) const {
	auto found = std::find(fItems.begin(), fItems.end(), item);
	return found == fItems.end() ? -1 : int32(found - fItems.begin());
}

BMenuItem* BMenu::Superitem() const { return fSuperitem; }

BMenu* BMenu::Supermenu() const { return fSuperitem ? fSuperitem->Menu() : nullptr; }

menu_layout BMenu::Layout() const { return fLayout; }

// Every item gets the target, even when an earlier one failed; the first
// failure is reported.
status_t BMenu::SetTargetForItems(BHandler* target) {
	status_t result = B_OK;
	for (BMenuItem* item : fItems) {
		const status_t status = item->SetTarget(target);
		if (result == B_OK) result = status;
	}
	return result;
}

status_t BMenu::SetTargetForItems(BMessenger messenger) {
	for (BMenuItem* item : fItems)
		item->SetTarget(messenger);
	return B_OK;
}

void BMenu::SetRadioMode(bool on) { fRadioMode = on; }

bool BMenu::IsRadioMode() const { return fRadioMode; }

void BMenu::SetLabelFromMarked(bool on) { fLabelFromMarked = on; }

bool BMenu::IsLabelFromMarked() const { return fLabelFromMarked; }
