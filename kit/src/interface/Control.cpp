#include <Control.h>
#include <Message.h>
#include <OS.h>
#include <Window.h>

namespace {

// The panel grey of the window background, for controls placed straight on
// a window: the top view's colour is not reachable through the public API.
constexpr rgb_color kPanelColor = {216, 216, 216, 255};

} // namespace

BControl::BControl(BRect frame, const char* name, const char* label, BMessage* message, uint32 resizingMode,
                   uint32 flags)
    : BView(frame, name, resizingMode, flags), fLabel(label ? label : "") {
	SetMessage(message);
}

BControl::~BControl() = default;

void BControl::SetLabel(const char* label) {
	const std::string copy = label ? label : "";
	if (copy == fLabel) return;
	fLabel = copy;
	Invalidate();
}

const char* BControl::Label() const { return fLabel.c_str(); }

void BControl::SetValue(int32 value) {
	if (value == fValue) return;
	fValue = value;
	Invalidate();
}

int32 BControl::Value() const { return fValue; }

void BControl::SetEnabled(bool enabled) {
	if (enabled == fEnabled) return;
	fEnabled = enabled;
	if (!enabled && IsFocus()) MakeFocus(false);
	Invalidate();
}

bool BControl::IsEnabled() const { return fEnabled; }

status_t BControl::Invoke(BMessage* message) {
	if (!message) message = Message();
	if (!message) return B_BAD_VALUE;
	BMessage copy(*message);
	copy.AddInt64("when", system_time());
	copy.AddPointer("source", this);
	copy.AddInt32("be:value", Value());
	return BInvoker::Invoke(&copy);
}

// Takes on the colour of what lies behind it, and sends to its window until
// a target is set.
void BControl::AttachedToWindow() {
	SetViewColor(Parent() ? Parent()->ViewColor() : kPanelColor);
	SetLowColor(ViewColor());
	if (!Messenger().IsValid()) SetTarget(Window());
}

// The view's MakeFocus tells the previous focus after it has moved on, so a
// control told to let go redraws even when it no longer holds the focus.
void BControl::MakeFocus(bool focus) {
	const bool had = IsFocus();
	BView::MakeFocus(focus);
	if (had != IsFocus() || !focus) Invalidate();
}
