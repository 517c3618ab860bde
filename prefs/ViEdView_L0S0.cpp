#include "prefs/ViEdView_L0S0.h"

#include <cinttypes>
#include <cstdio>

#include <AppDefs.h>
#include <Slider.h>

#include "core/Preferences.h"

namespace {

constexpr int32 kMinimumGain = 1;
constexpr int32 kMaximumGain = 500;
constexpr int32 kHashMarks = 6;
constexpr float kInset = 5;
constexpr float kSliderHeight = 50;

} // namespace

ViEdView_L0S0::ViEdView_L0S0(BRect frame, const char* name, uint32 resizingMode, uint32 flags)
    : BView(frame, name, resizingMode, flags) {}

void ViEdView_L0S0::AttachedToWindow() {
	const BRect bounds = Bounds();
	const BRect frame(bounds.left + kInset, bounds.top + kInset, bounds.right - kInset,
	                  bounds.top + kInset + kSliderHeight);
	gain_slider =
	    new BSlider(frame, "", "", new BMessage(MSG_GAIN_CHANGED), kMinimumGain, kMaximumGain, B_BLOCK_THUMB,
	                B_FOLLOW_LEFT | B_FOLLOW_TOP, B_NAVIGABLE | B_WILL_DRAW | B_FRAME_EVENTS);
	gain_slider->SetLimitLabels("1%", "500%");
	gain_slider->SetHashMarks(B_HASH_MARKS_BOTTOM);
	gain_slider->SetHashMarkCount(kHashMarks);
	// A stored gain above the slider's range (the file allows up to 1000)
	// is shown as stored until the user moves the thumb.
	const int32 gain = ThePrefs.gain;
	gain_slider->SetValue(gain);
	LabelSlider(gain);
	AddChild(gain_slider);
	gain_slider->SetTarget(this);
}

void ViEdView_L0S0::MessageReceived(BMessage* message) {
	switch (message->what) {
	case MSG_GAIN_CHANGED: {
		const int32 gain = gain_slider->Value();
		ThePrefs.gain = gain;
		LabelSlider(gain);
		break;
	}
	case B_SIMPLE_DATA:
		break;
	default:
		BView::MessageReceived(message);
	}
}

void ViEdView_L0S0::SetGainSliderLabel() { LabelSlider(ThePrefs.gain); }

void ViEdView_L0S0::LabelSlider(int32 gain) {
	char label[100];
	std::snprintf(label, sizeof label, "Gain (%" PRId32 "%%)", gain);
	gain_slider->SetLabel(label);
}
