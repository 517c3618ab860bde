// A view of text with runs of different fonts. Only what a read-only, styled
// text needs: the text, the selection, and the font of each character.
//
// A text view is a view (View.h): [window thread or window locked].
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "Font.h"
#include "View.h"

struct text_run {
	int32 offset;
	BFont font;
	rgb_color color;
};

class BE_EXPORT BTextView : public BView {
public:
	BTextView(BRect frame, const char* name, BRect textRect, uint32 resizingMode, uint32 flags);
	~BTextView() override;

	void SetText(const char* text);
	const char* Text() const;
	int32 TextLength() const;
	void MakeStylable(bool stylable);
	bool IsStylable() const;
	void MakeEditable(bool editable);
	bool IsEditable() const;
	void Select(int32 startOffset, int32 endOffset);
	void GetSelection(int32* startOffset, int32* endOffset) const;
	// Applies the fields of `font` named by `mask` (and the colour, when
	// given) to the selection, or to the whole text when it is not stylable.
	void SetFontAndColor(const BFont* font, uint32 mask = B_FONT_ALL, const rgb_color* color = nullptr);
	// The font and colour of the character at `offset`.
	void GetFontAndColor(int32 offset, BFont* font, rgb_color* color = nullptr) const;
	void SetTextRect(BRect rect);
	BRect TextRect() const;
	// The height the text needs at the current width.
	float TextHeight() const;

	void Draw(BRect updateRect) override;

private:
	struct Data;
	std::unique_ptr<Data> fData;
};
