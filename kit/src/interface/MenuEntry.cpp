#include "interface/MenuEntry.h"

#include <Menu.h>
#include <MenuItem.h>

#include <cctype>

std::vector<MenuEntry> CopyEntries(const BMenu& menu) {
	std::vector<MenuEntry> entries(size_t(menu.CountItems()));
	for (int32 i = 0; i < menu.CountItems(); i++) {
		const BMenuItem& item = *menu.ItemAt(i);
		MenuEntry& entry = entries[size_t(i)];
		entry.label = item.Label();
		uint32 modifiers = 0;
		const char key = item.Shortcut(&modifiers);
		entry.shortcut = ShortcutLabel(key, modifiers);
		entry.separator = item.IsSeparator();
		entry.enabled = item.IsEnabled();
		entry.marked = item.IsMarked();
		if (const BMenu* submenu = item.Submenu()) {
			entry.hasSubmenu = true;
			entry.submenu = CopyEntries(*submenu);
		}
		if (item.Message()) entry.message = std::make_unique<BMessage>(*item.Message());
		entry.target = item.Messenger();
	}
	return entries;
}

// B_COMMAND_KEY is the Ctrl key here, B_OPTION_KEY Alt and B_CONTROL_KEY the
// Super key; they are named in the order other desktop programs use.
std::string ShortcutLabel(char key, uint32 modifiers) {
	if (key == 0) return {};
	std::string label = "Ctrl+";
	if (modifiers & B_OPTION_KEY) label += "Alt+";
	if (modifiers & B_SHIFT_KEY) label += "Shift+";
	if (modifiers & B_CONTROL_KEY) label += "Super+";
	label += char(std::toupper(uint8(key)));
	return label;
}
