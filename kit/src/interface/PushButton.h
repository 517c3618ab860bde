// A push button for the kit's own windows: a framed face with a centred
// label that invokes its message when the primary button is released over it.
#pragma once

#include <Control.h>

class PushButton : public BControl {
public:
	// Takes ownership of the message; the label is copied.
	PushButton(BRect frame, const char* name, const char* label, BMessage* message);

	// The width that fits the label with the usual margins, and the height of
	// a button in the current font. [locked]
	float PreferredWidth() const;
	float PreferredHeight() const;
	// The default button wears a heavier frame. [locked]
	void SetDefault(bool isDefault);
	bool IsDefault() const;

	// Hooks [window thread, locked]
	void Draw(BRect updateRect) override;
	void MouseDown(BPoint where) override;
	void MouseMoved(BPoint where, uint32 transit, const BMessage* dragMessage) override;
	void MouseUp(BPoint where) override;

private:
	bool fDefault = false;
	bool fTracking = false;
};
