// The about box's styling, as the add-ons apply it: "VU-Meter" in the bold
// face at 24 points, the rest of the text plain.
#pragma once

#include <Alert.h>
#include <Font.h>
#include <TextView.h>

inline void MakeHeadingBig(BTextView* view) {
	view->MakeStylable(true);
	view->Select(0, 8);
	view->SetFontAndColor(be_bold_font, B_FONT_ALL, nullptr);
	BFont font;
	view->GetFontAndColor(2, &font, nullptr);
	font.SetSize(24);
	view->SetFontAndColor(&font, B_FONT_ALL, nullptr);
}

// An about box like Corvel's, titled `title` so that a test can find it.
inline BAlert* NewStyledAbout(const char* title) {
	auto* about = new BAlert(title, "VU-Meter\nVersion 1.0\n\nMade by Corvel Dravik\n\n", "Aha!", nullptr,
	                         nullptr, B_WIDTH_FROM_LABEL, B_INFO_ALERT);
	MakeHeadingBig(about->TextView());
	return about;
}
