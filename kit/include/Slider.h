// A horizontal slider: a bar with a thumb between a minimum and a maximum.
//
// Dragging the thumb with the mouse moves it and sends nothing; letting go
// invokes the slider's message. The arrow keys move the value by one (Page Up
// and Page Down by a tenth of the range) and invoke at once. SetValue() takes
// any value unchanged, also outside the range: Value() returns it as set, and
// the thumb is drawn at the nearer end of the bar.
//
// A slider is a control (Control.h): [window thread or window locked].
#pragma once

#include "Control.h"

class BE_EXPORT BSlider : public BControl {
public:
	// Takes ownership of the message; the label is copied.
	BSlider(BRect frame, const char* name, const char* label, BMessage* message, int32 minValue,
	        int32 maxValue, thumb_style thumbType = B_BLOCK_THUMB,
	        uint32 resizingMode = B_FOLLOW_LEFT | B_FOLLOW_TOP,
	        uint32 flags = B_NAVIGABLE | B_WILL_DRAW | B_FRAME_EVENTS);
	~BSlider() override;

	void SetLimitLabels(const char* minLabel, const char* maxLabel);
	const char* MinLimitLabel() const;
	const char* MaxLimitLabel() const;
	void SetHashMarks(hash_mark_location where);
	hash_mark_location HashMarks() const;
	void SetHashMarkCount(int32 count);
	int32 HashMarkCount() const;
	void GetLimits(int32* minimum, int32* maximum) const;
	thumb_style Style() const;
	void SetBarColor(rgb_color color);
	void UseFillColor(bool useFill, const rgb_color* color = nullptr);

	// The value the thumb at this point in the view stands for.
	int32 ValueForPoint(BPoint where) const;
	// The thumb's rectangle and the bar's rectangle, in view coordinates.
	BRect ThumbFrame() const;
	BRect BarFrame() const;

	// Hooks
	void Draw(BRect updateRect) override;
	void MouseDown(BPoint where) override;
	void MouseMoved(BPoint where, uint32 transit, const BMessage* dragMessage) override;
	void MouseUp(BPoint where) override;
	void KeyDown(const char* bytes, int32 numBytes) override;

private:
	struct Data;
	Data* fData;
};
