// A control: a view with a label and a value that invokes its message.
//
// As for every view, a control attached to a window is used with the window
// locked, and its hooks run on the window's thread [window thread, locked].
// Invoke() posts to the target and returns at once.
#pragma once

#include <string>

#include "Invoker.h"
#include "View.h"

enum { B_CONTROL_OFF = 0, B_CONTROL_ON = 1 };

class BE_EXPORT BControl : public BView, public BInvoker {
public:
	// Takes ownership of the message; the label is copied.
	BControl(BRect frame, const char* name, const char* label, BMessage* message, uint32 resizingMode,
	         uint32 flags);
	~BControl() override;

	// Copies the label and redraws.
	virtual void SetLabel(const char* label);
	const char* Label() const;
	virtual void SetValue(int32 value);
	int32 Value() const;
	virtual void SetEnabled(bool enabled);
	bool IsEnabled() const;

	// Sends a copy of the message with "when" (int64), "source" (pointer) and
	// "be:value" (int32) added, through BInvoker.
	status_t Invoke(BMessage* message = nullptr) override;

	void AttachedToWindow() override;
	void MakeFocus(bool focus = true) override;

private:
	std::string fLabel;
	int32 fValue = 0;
	bool fEnabled = true;
};
