// The meter view: covers the meter window, is drawn into by the meter, and is
// where the user talks to the plug-in: a secondary click opens the popup
// menu, its "Preferences" item (or Command-P) opens the preferences window, a
// primary click activates the window, and every other key goes on to the
// player. All hooks run on the meter window's thread with the window locked.
#pragma once

#include <View.h>

class BPopUpMenu;
class VisualizationPlugin;

// A row of a menu table: a plain item, or one of the structural codes below.
struct MenuRow {
	const char* label; // the item's label, or a submenu's title
	int32 code;        // the item message's `what`, or a structural code
	uint32 modifiers;  // of the shortcut
	int8 shortcut;     // 0 for none
};

inline constexpr int32 MENU_BEGIN_SUBMENU = -1;
inline constexpr int32 MENU_END_SUBMENU = -2;
inline constexpr int32 MENU_SEPARATOR = -3;
inline constexpr uint32 MSG_OPEN_PREFS = 100;

class PluginView : public BView {
public:
	PluginView(BRect frame, VisualizationPlugin* owner, uint32 resizingMode, uint32 flags);
	// Deletes the popup menu, closing it if it is open.
	~PluginView() override;

	void MessageReceived(BMessage* message) override;
	void AttachedToWindow() override;
	// The meter's: the bar meter paints the view black; the needle meter
	// draws nothing here.
	void Draw(BRect updateRect) override;
	void MouseDown(BPoint where) override;
	void WindowActivated(bool active) override;
	void KeyDown(const char* bytes, int32 numBytes) override;

	// Builds `popup` from the shipped menu table and registers its shortcuts.
	void FixPopupMenu();
	// The same from any table; a table nests submenus at most four deep.
	void FixPopupMenu(const MenuRow* rows, int32 count);

	// The bar meter's banded gradient fill; not in the needle meter.
	void PrettyFillRect(BRect rect, rgb_color from, rgb_color to, int32 band);

	BPopUpMenu* popup = nullptr; // built when attached; owned, lives as long as the view
	VisualizationPlugin* owner;  // not owned

private:
	// The meter's view colour: black for the bar meter; the needle meter
	// keeps the default.
	void SetMeterViewColor();
};
