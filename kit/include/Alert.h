// A small modal window with a text, an icon and up to three buttons.
//
// Being a window, the alert runs on a thread of its own; until Go() the
// thread that made it holds its lock, as for any new window.
#pragma once

#include <memory>

#include "Window.h"

class BTextView;

class BE_EXPORT BAlert : public BWindow {
public:
	// Null button labels mean no such button. The first button is the
	// default: Enter presses it.
	BAlert(const char* title, const char* text, const char* button0, const char* button1 = nullptr,
	       const char* button2 = nullptr, button_width width = B_WIDTH_AS_USUAL,
	       alert_type type = B_INFO_ALERT);
	~BAlert() override;

	// [any thread but the alert's own; blocks] Shows the alert, gives up
	// the caller's hold on its lock and blocks the calling thread until a
	// button is pressed (a click, or Enter for the default button, Escape for
	// the last button when there are several); returns the button's index
	// and deletes the alert. -1 if the alert was closed otherwise. A window
	// thread that calls it handles no messages of its own until it returns.
	int32 Go();
	// [alert locked] The text view holding the alert's text. Owned by the alert.
	BTextView* TextView() const;
	int32 CountButtons() const;

	// Hook [alert thread, locked]
	void MessageReceived(BMessage* message) override;

private:
	struct Data;
	std::unique_ptr<Data> fData;
};
