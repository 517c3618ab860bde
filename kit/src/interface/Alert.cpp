#include <Alert.h>
#include <Message.h>
#include <Messenger.h>
#include <OS.h>
#include <Screen.h>
#include <TextView.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <vector>

#include "interface/PushButton.h"

namespace {

constexpr uint32 kButtonPressed = 'ALbp';

constexpr rgb_color kPanel = {216, 216, 216, 255};
constexpr rgb_color kStripe = {184, 184, 184, 255};
constexpr rgb_color kInfoBlue = {40, 96, 208, 255};
constexpr rgb_color kInfoRim = {16, 48, 128, 255};
constexpr rgb_color kWhite = {255, 255, 255, 255};

// Geometry: a darker stripe down the left edge with the icon over its right
// edge, the text to the right of the icon, the buttons in a row at the
// bottom right.
constexpr float kStripeWidth = 30;
constexpr BRect kIconFrame(18, 6, 49, 37);
constexpr float kTextLeft = 55;
constexpr float kTextTop = 6;
constexpr float kMargin = 10;
constexpr float kButtonGap = 4;
constexpr float kUsualWidth = 310;
constexpr float kUsualButtonWidth = 75;

// How a run of Go() ends: the index of the pressed button, or -1. Shared
// with the caller of Go(), which outlives the alert.
struct Outcome {
	sem_id done = -1;
	std::atomic<bool> answered{false};
	int32 pressed = -1;

	void Answer(int32 index) {
		if (answered.exchange(true)) return;
		pressed = index;
		release_sem(done);
	}
};

// The alert's backdrop: the stripe and the icon. It holds the focus, so that
// Enter and Escape reach it.
class AlertView : public BView {
public:
	AlertView(BRect frame, alert_type type) : BView(frame, "alert", B_FOLLOW_NONE, B_WILL_DRAW), fType(type) {
		SetViewColor(kPanel);
	}

	void Draw(BRect) override {
		if (fType == B_EMPTY_ALERT) return;
		SetHighColor(kStripe);
		FillRect(BRect(0, 0, kStripeWidth - 1, Bounds().bottom));
		DrawIcon();
	}

	void KeyDown(const char* bytes, int32 numBytes) override {
		const int32 count = int32(buttons.size());
		if (numBytes == 1 && bytes[0] == B_ENTER)
			Press(count > 0 ? 0 : -1);
		else if (numBytes == 1 && bytes[0] == B_ESCAPE && count != 1)
			Press(count - 1);
		else
			BView::KeyDown(bytes, numBytes);
	}

	std::vector<PushButton*> buttons; // owned by this view as its children

private:
	void Press(int32 index) {
		if (index >= 0) {
			buttons[size_t(index)]->Invoke();
			return;
		}
		BMessage closed(kButtonPressed);
		closed.AddInt32("index", -1);
		Window()->PostMessage(&closed);
	}

	// Every type shows the information sign, a white "i" on a blue disc.
	void DrawIcon() {
		SetHighColor(kInfoRim);
		FillEllipse(kIconFrame);
		SetHighColor(kInfoBlue);
		FillEllipse(kIconFrame.InsetByCopy(2, 2));
		SetHighColor(kWhite);
		const float centre = (kIconFrame.left + kIconFrame.right) / 2;
		FillEllipse(BRect(centre - 2.5f, kIconFrame.top + 6, centre + 2.5f, kIconFrame.top + 11));
		FillRect(BRect(centre - 2, kIconFrame.top + 14, centre + 2, kIconFrame.bottom - 6));
	}

	alert_type fType;
};

} // namespace

struct BE_HIDDEN BAlert::Data {
	AlertView* view;     // owned by the window
	BTextView* textView; // owned by the view
	button_width widthMode;
	alert_type type;
	std::shared_ptr<Outcome> outcome; // set while Go() waits

	void LayOut(BAlert& alert);
};

BAlert::BAlert(const char* title, const char* text, const char* button0, const char* button1,
               const char* button2, button_width width, alert_type type)
    : BWindow(BRect(0, 0, kUsualWidth - 1, 99), title, B_TITLED_WINDOW_LOOK, B_MODAL_APP_WINDOW_FEEL,
              B_NOT_RESIZABLE | B_NOT_CLOSABLE | B_NOT_ZOOMABLE | B_NOT_MINIMIZABLE |
                  B_ASYNCHRONOUS_CONTROLS),
      fData(std::make_unique<Data>()) {
	Data& data = *fData;
	data.widthMode = width;
	data.type = type;
	data.view = new AlertView(Bounds(), type);
	AddChild(data.view);
	const float textLeft = type == B_EMPTY_ALERT ? kMargin : kTextLeft;
	const BRect textFrame(textLeft, kTextTop, kUsualWidth - 1 - kMargin, kTextTop + 20);
	data.textView = new BTextView(textFrame, "_tv_", BRect(0, 0, textFrame.Width(), textFrame.Height()),
	                              B_FOLLOW_NONE, B_WILL_DRAW);
	data.textView->SetViewColor(kPanel);
	data.textView->MakeEditable(false);
	data.textView->SetText(text);
	data.view->AddChild(data.textView);
	int32 index = 0;
	for (const char* label : {button0, button1, button2}) {
		if (!label) continue;
		auto* message = new BMessage(kButtonPressed);
		message->AddInt32("index", index++);
		auto* button = new PushButton(BRect(0, 0, 0, 0), "_b_", label, message);
		data.view->AddChild(button);
		button->SetTarget(this);
		data.view->buttons.push_back(button);
	}
	if (!data.view->buttons.empty()) data.view->buttons.front()->SetDefault(true);
}

// An alert quit by anyone else still ends its Go().
BAlert::~BAlert() {
	if (fData->outcome) fData->outcome->Answer(-1);
}

// Sizes the window to the text as styled by now and to the buttons, and
// centres it on the screen.
void BAlert::Data::LayOut(BAlert& alert) {
	std::vector<float> widths;
	float buttonHeight = 0;
	for (PushButton* button : view->buttons) {
		const float preferred = button->PreferredWidth();
		widths.push_back(widthMode == B_WIDTH_FROM_LABEL ? preferred
		                                                 : std::max(preferred, kUsualButtonWidth));
		buttonHeight = std::max(buttonHeight, button->PreferredHeight());
	}
	float rowWidth = 0;
	for (float width : widths)
		rowWidth += width + kButtonGap;
	const BRect textFrame = textView->Frame();
	const float width = std::max(kUsualWidth, textFrame.left + rowWidth + kMargin);
	const float textHeight = std::ceil(textView->TextHeight());
	textView->ResizeTo(textFrame.Width(), textHeight);
	textView->SetTextRect(BRect(0, 0, textFrame.Width(), textHeight));

	const float iconBottom = type == B_EMPTY_ALERT ? 0 : kIconFrame.bottom;
	const float rowTop = std::max(textFrame.top + textHeight, iconBottom) + kMargin;
	const float height = rowTop + buttonHeight + kMargin;
	float right = width - kMargin;
	for (size_t i = view->buttons.size(); i-- > 0;) {
		PushButton* button = view->buttons[i];
		button->MoveTo(right - widths[i], rowTop);
		button->ResizeTo(widths[i] - 1, buttonHeight - 1);
		right -= widths[i] + kButtonGap;
	}
	view->ResizeTo(width - 1, height - 1);
	alert.ResizeTo(width - 1, height - 1);
	const BRect screen = BScreen().Frame();
	alert.MoveTo(std::floor((screen.Width() + 1 - width) / 2),
	             std::floor((screen.Height() + 1 - height) / 2));
}

int32 BAlert::Go() {
	auto outcome = std::make_shared<Outcome>();
	outcome->done = create_sem(0, "alert");
	fData->outcome = outcome;
	fData->LayOut(*this);
	fData->view->MakeFocus(true);
	const BMessenger self(this);
	Show();
	while (IsLocked())
		Unlock();

	acquire_sem(outcome->done);
	delete_sem(outcome->done);
	if (self.LockTarget()) Quit();
	return outcome->pressed;
}

BTextView* BAlert::TextView() const { return fData->textView; }

int32 BAlert::CountButtons() const { return int32(fData->view->buttons.size()); }

void BAlert::MessageReceived(BMessage* message) {
	if (message->what != kButtonPressed) {
		BWindow::MessageReceived(message);
		return;
	}
	const int32 index = message->GetInt32("index", -1);
	if (fData->outcome)
		fData->outcome->Answer(index);
	else
		Quit();
}
