#include <Menu.h>
#include <MenuItem.h>

BMenuItem::BMenuItem(const char* label, BMessage* message, char shortcut, uint32 modifiers)
    : BInvoker(message, BMessenger()), fLabel(label ? label : ""), fShortcut(shortcut),
      fModifiers(modifiers) {}

BMenuItem::BMenuItem(BMenu* menu, BMessage* message)
    : BInvoker(message, BMessenger()), fLabel(menu && menu->Name() ? menu->Name() : ""), fSubmenu(menu) {
	if (fSubmenu) fSubmenu->fSuperitem = this;
}

BMenuItem::~BMenuItem() {
	if (fMenu) fMenu->RemoveItem(this);
	delete fSubmenu;
}

const char* BMenuItem::Label() const { return fLabel.c_str(); }

void BMenuItem::SetLabel(const char* label) { fLabel = label ? label : ""; }

BMenu* BMenuItem::Submenu() const { return fSubmenu; }

BMenu* BMenuItem::Menu() const { return fMenu; }

char BMenuItem::Shortcut(uint32* modifiers) const {
	if (modifiers) *modifiers = fModifiers;
	return fShortcut;
}

void BMenuItem::SetShortcut(char shortcut, uint32 modifiers) {
	fShortcut = shortcut;
	fModifiers = modifiers;
}

void BMenuItem::SetEnabled(bool enabled) { fEnabled = enabled; }

bool BMenuItem::IsEnabled() const { return fEnabled; }

// In a radio-mode menu one item at most is marked.
void BMenuItem::SetMarked(bool marked) {
	if (marked == fMarked) return;
	if (marked && fMenu && fMenu->IsRadioMode()) {
		for (BMenuItem* other : fMenu->fItems)
			if (other != this) other->fMarked = false;
	}
	fMarked = marked;
}

bool BMenuItem::IsMarked() const { return fMarked; }

BSeparatorItem::BSeparatorItem() : BMenuItem("", nullptr) { SetEnabled(false); }
