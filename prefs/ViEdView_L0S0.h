// The gain panel: the one view of the preferences window, holding a slider
// that sets the gain in percent. Letting go of the thumb (or a key on the
// slider) stores the new gain in ThePrefs at once; the next audio block is
// measured with it. All hooks run on the preferences window's thread.
#pragma once

#include <View.h>

class BSlider;

inline constexpr uint32 MSG_GAIN_CHANGED = 1;

class ViEdView_L0S0 : public BView {
public:
	ViEdView_L0S0(BRect frame, const char* name, uint32 resizingMode, uint32 flags);

	// Builds the slider from the stored gain. [window thread, locked]
	void AttachedToWindow() override;
	// MSG_GAIN_CHANGED stores the slider's value; dropped data is ignored.
	void MessageReceived(BMessage* message) override;

	// Labels the slider with the stored gain. [window thread, locked]
	void SetGainSliderLabel();

	BSlider* gain_slider = nullptr; // a child of this view, which deletes it

private:
	void LabelSlider(int32 gain);
};
