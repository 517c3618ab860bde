#include <TextView.h>

#include <algorithm>
#include <cmath>

namespace {

constexpr rgb_color kTextColor = {0, 0, 0, 255};

// Copies the fields of `from` named by `mask` into `to`.
void ApplyFont(BFont& to, const BFont& from, uint32 mask) {
	if ((mask & B_FONT_ALL) == B_FONT_ALL) {
		to = from;
		return;
	}
	if (mask & B_FONT_FAMILY_AND_STYLE) {
		font_family family;
		font_style style;
		from.GetFamilyAndStyle(&family, &style);
		to.SetFamilyAndStyle(family, style);
	}
	if (mask & B_FONT_SIZE) to.SetSize(from.Size());
	if (mask & B_FONT_FACE) to.SetFace(from.Face());
}

bool IsContinuationByte(char c) { return (uint8(c) & 0xc0) == 0x80; }

// One run's stretch of one line.
struct Piece {
	int32 start;
	int32 end;
	size_t run;
	float x; // from the left of the text rectangle
};

struct Line {
	int32 start;
	std::vector<Piece> pieces;
	float ascent = 0;
	float descent = 0;
	float height = 0;
};

} // namespace

struct BE_HIDDEN BTextView::Data {
	std::string text;
	std::vector<text_run> runs{{0, *be_plain_font, kTextColor}}; // by offset; the first at 0
	bool stylable = false;
	bool editable = true;
	int32 selectionStart = 0;
	int32 selectionEnd = 0;
	BRect textRect;

	size_t RunAt(int32 offset) const {
		auto after = std::upper_bound(runs.begin(), runs.end(), offset,
		                              [](int32 value, const text_run& run) { return value < run.offset; });
		return size_t(after - runs.begin()) - 1;
	}

	// Keeps offsets on character boundaries within the text.
	int32 Snap(int32 offset) const {
		offset = std::clamp<int32>(offset, 0, int32(text.size()));
		while (offset < int32(text.size()) && IsContinuationByte(text[offset]))
			offset++;
		return offset;
	}

	void SplitAt(int32 offset) {
		if (offset <= 0 || offset >= int32(text.size())) return;
		const size_t index = RunAt(offset);
		if (runs[index].offset == offset) return;
		text_run split = runs[index];
		split.offset = offset;
		runs.insert(runs.begin() + std::ptrdiff_t(index) + 1, split);
	}

	void Merge() {
		auto same = [](const text_run& a, const text_run& b) {
			return a.font == b.font && a.color == b.color;
		};
		runs.erase(std::unique(runs.begin(), runs.end(), same), runs.end());
	}

	float Width(int32 start, int32 end) const;
	void AddPiece(Line& line, float& x, int32 start, int32 end) const;
	void Finish(Line& line, std::vector<Line>& lines) const;
	std::vector<Line> LayOut() const;
};

float BTextView::Data::Width(int32 start, int32 end) const {
	float width = 0;
	for (size_t i = RunAt(start); i < runs.size() && runs[i].offset < end; i++) {
		const int32 from = std::max(start, runs[i].offset);
		const int32 to = i + 1 < runs.size() ? std::min(end, runs[i + 1].offset) : end;
		width += runs[i].font.StringWidth(text.data() + from, to - from);
	}
	return width;
}

void BTextView::Data::AddPiece(Line& line, float& x, int32 start, int32 end) const {
	for (size_t i = RunAt(start); i < runs.size() && runs[i].offset < end; i++) {
		const int32 from = std::max(start, runs[i].offset);
		const int32 to = i + 1 < runs.size() ? std::min(end, runs[i + 1].offset) : end;
		line.pieces.push_back({from, to, i, x});
		x += runs[i].font.StringWidth(text.data() + from, to - from);
	}
}

// A line is as tall as its tallest run; an empty one as the run it starts in.
void BTextView::Data::Finish(Line& line, std::vector<Line>& lines) const {
	auto measure = [&line](const BFont& font) {
		font_height height;
		font.GetHeight(&height);
		line.ascent = std::max(line.ascent, std::ceil(height.ascent));
		line.descent = std::max(line.descent, std::ceil(height.descent + height.leading));
	};
	if (line.pieces.empty()) measure(runs[RunAt(line.start)].font);
	for (const Piece& piece : line.pieces)
		measure(runs[piece.run].font);
	line.height = line.ascent + line.descent;
	lines.push_back(std::move(line));
}

// Breaks lines at newlines and, between words, where the next word would
// pass the right edge; a word wider than the whole line is cut where it must.
std::vector<Line> BTextView::Data::LayOut() const {
	const float available = std::max(1.0f, textRect.Width());
	const int32 length = int32(text.size());
	std::vector<Line> lines;
	Line line{0, {}};
	float x = 0;
	int32 position = 0;
	while (position < length) {
		const char c = text[position];
		if (c == '\n') {
			Finish(line, lines);
			line = Line{position + 1, {}};
			x = 0;
			position++;
			continue;
		}
		int32 end = position;
		const bool space = c == ' ' || c == '\t';
		while (end < length && text[end] != '\n' && (text[end] == ' ' || text[end] == '\t') == space)
			end++;
		if (space) {
			AddPiece(line, x, position, end);
			position = end;
			continue;
		}
		if (x > 0 && x + Width(position, end) > available) {
			Finish(line, lines);
			line = Line{position, {}};
			x = 0;
		}
		while (Width(position, end) > available) {
			int32 cut = position + 1;
			while (cut < end && IsContinuationByte(text[cut]))
				cut++;
			for (int32 next = cut + 1; next <= end; next++) {
				if (next < end && IsContinuationByte(text[next])) continue;
				if (Width(position, next) > available) break;
				cut = next;
			}
			AddPiece(line, x, position, cut);
			Finish(line, lines);
			line = Line{cut, {}};
			x = 0;
			position = cut;
		}
		AddPiece(line, x, position, end);
		position = end;
	}
	Finish(line, lines);
	return lines;
}

BTextView::BTextView(BRect frame, const char* name, BRect textRect, uint32 resizingMode, uint32 flags)
    : BView(frame, name, resizingMode, flags), fData(std::make_unique<Data>()) {
	fData->textRect = textRect;
}

BTextView::~BTextView() = default;

void BTextView::SetText(const char* text) {
	Data& data = *fData;
	data.text = text ? text : "";
	data.runs.resize(1);
	data.selectionStart = data.selectionEnd = 0;
	Invalidate();
}

const char* BTextView::Text() const { return fData->text.c_str(); }
int32 BTextView::TextLength() const { return int32(fData->text.size()); }
void BTextView::MakeStylable(bool stylable) { fData->stylable = stylable; }
bool BTextView::IsStylable() const { return fData->stylable; }
void BTextView::MakeEditable(bool editable) { fData->editable = editable; }
bool BTextView::IsEditable() const { return fData->editable; }

void BTextView::Select(int32 startOffset, int32 endOffset) {
	if (startOffset > endOffset) std::swap(startOffset, endOffset);
	fData->selectionStart = fData->Snap(startOffset);
	fData->selectionEnd = fData->Snap(endOffset);
}

void BTextView::GetSelection(int32* startOffset, int32* endOffset) const {
	if (startOffset) *startOffset = fData->selectionStart;
	if (endOffset) *endOffset = fData->selectionEnd;
}

void BTextView::SetFontAndColor(const BFont* font, uint32 mask, const rgb_color* color) {
	Data& data = *fData;
	if (!data.stylable) {
		data.runs.resize(1);
		if (font) ApplyFont(data.runs[0].font, *font, mask);
		if (color) data.runs[0].color = *color;
		Invalidate();
		return;
	}
	const int32 start = data.selectionStart;
	const int32 end = data.selectionEnd;
	if (start >= end) return;
	data.SplitAt(start);
	data.SplitAt(end);
	for (text_run& run : data.runs) {
		if (run.offset < start || run.offset >= end) continue;
		if (font) ApplyFont(run.font, *font, mask);
		if (color) run.color = *color;
	}
	data.Merge();
	Invalidate();
}

void BTextView::GetFontAndColor(int32 offset, BFont* font, rgb_color* color) const {
	const int32 last = std::max<int32>(0, TextLength() - 1);
	const text_run& run = fData->runs[fData->RunAt(std::clamp<int32>(offset, 0, last))];
	if (font) *font = run.font;
	if (color) *color = run.color;
}

void BTextView::SetTextRect(BRect rect) {
	fData->textRect = rect;
	Invalidate();
}

BRect BTextView::TextRect() const { return fData->textRect; }

float BTextView::TextHeight() const {
	float height = 0;
	for (const Line& line : fData->LayOut())
		height += line.height;
	return height;
}

void BTextView::Draw(BRect) {
	const Data& data = *fData;
	BFont viewFont;
	GetFont(&viewFont);
	float top = data.textRect.top;
	for (const Line& line : data.LayOut()) {
		const float baseline = top + line.ascent;
		for (const Piece& piece : line.pieces) {
			const text_run& run = data.runs[piece.run];
			SetFont(&run.font);
			SetHighColor(run.color);
			DrawString(data.text.substr(size_t(piece.start), size_t(piece.end - piece.start)).c_str(),
			           BPoint(data.textRect.left + piece.x, baseline));
		}
		top += line.height;
	}
	SetFont(&viewFont);
}
