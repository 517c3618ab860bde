// Past 300 lines as one unit: BView's public calls, each short, from the view tree to colours and drawing.
#include <Font.h>
#include <View.h>
#include <Window.h>
#include <kit/DrawingObserver.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "interface/TextRenderer.h"
#include "interface/WindowAccess.h"
#include "interface/WindowData.h"
#include "server/Framebuffer.h"

namespace {

PixelRect ToPixels(BRect rect) {
	auto edge = [](float v) {
		if (!std::isfinite(v)) return v > 0 ? INT32_MAX / 2 : INT32_MIN / 2;
		return int32(std::clamp(std::floor(v), float(INT32_MIN / 2), float(INT32_MAX / 2)));
	};
	if (!rect.IsValid()) return {};
	return {edge(rect.left), edge(rect.top), edge(rect.right), edge(rect.bottom)};
}

} // namespace

BView::BView(BRect frame, const char* name, uint32 resizingMode, uint32 flags)
    : BHandler(name), fFrame(frame), fResizingMode(resizingMode), fFlags(flags),
      fFont(std::make_unique<BFont>(*be_plain_font)) {}

BView::~BView() {
	if (fWindow) DetachFrom();
	if (fParent) std::erase(fParent->fChildren, this);
	for (BView* child : fChildren) {
		child->fParent = nullptr;
		delete child;
	}
}

void BView::AttachedToWindow() {}
void BView::AllAttached() {}
void BView::DetachedFromWindow() {}
void BView::Draw(BRect) {}
void BView::MouseDown(BPoint) {}
void BView::MouseUp(BPoint) {}
void BView::MouseMoved(BPoint, uint32, const BMessage*) {}
void BView::KeyDown(const char*, int32) {}
void BView::KeyUp(const char*, int32) {}
void BView::WindowActivated(bool) {}
void BView::FrameMoved(BPoint) {}
void BView::FrameResized(float, float) {}

void BView::MakeFocus(bool focus) {
	if (!fWindow) return;
	BView*& current = fWindow->fData->focus;
	if (focus) {
		if (current == this) return;
		BView* previous = current;
		current = this;
		if (previous) previous->MakeFocus(false);
	} else if (current == this) {
		current = nullptr;
	}
}

void BView::AddChild(BView* child, BView* before) {
	if (!child || child->fParent || child->fWindow) return;
	auto position = std::find(fChildren.begin(), fChildren.end(), before);
	fChildren.insert(position, child);
	child->fParent = this;
	child->SetNextHandler(this);
	if (fWindow) {
		child->AttachTo(fWindow);
		child->AllAttached();
	}
}

bool BView::RemoveChild(BView* child) {
	if (!child || child->fParent != this) return false;
	if (child->fWindow) child->DetachFrom();
	std::erase(fChildren, child);
	child->fParent = nullptr;
	child->SetNextHandler(nullptr);
	return true;
}

bool BView::RemoveSelf() { return fParent && fParent->RemoveChild(this); }

int32 BView::CountChildren() const { return int32(fChildren.size()); }

BView* BView::ChildAt(int32 index) const {
	return index >= 0 && size_t(index) < fChildren.size() ? fChildren[index] : nullptr;
}

BView* BView::Parent() const { return fParent && fParent->fParent ? fParent : nullptr; }

BWindow* BView::Window() const { return fWindow; }

void BView::AttachTo(BWindow* window) {
	fWindow = window;
	window->AddHandler(this);
	SetNextHandler(fParent);
	AttachedToWindow();
	for (BView* child : fChildren)
		child->AttachTo(window);
}

void BView::DetachFrom() {
	for (BView* child : fChildren)
		child->DetachFrom();
	DetachedFromWindow();
	BWindow::Data& data = *fWindow->fData;
	if (data.focus == this) data.focus = nullptr;
	if (data.mouseTarget == this) data.mouseTarget = nullptr;
	fWindow->RemoveHandler(this);
	fWindow = nullptr;
}

BRect BView::Bounds() const { return BRect(0, 0, fFrame.Width(), fFrame.Height()); }

BRect BView::Frame() const { return fFrame; }

void BView::MoveTo(BPoint where) {
	if (where == fFrame.LeftTop()) return;
	fFrame.OffsetTo(where);
	if (fFlags & B_FRAME_EVENTS) FrameMoved(where);
}

void BView::MoveBy(float dx, float dy) { MoveTo(BPoint(fFrame.left + dx, fFrame.top + dy)); }

void BView::ResizeTo(float width, float height) {
	const float dx = width - fFrame.Width();
	const float dy = height - fFrame.Height();
	if (dx == 0 && dy == 0) return;
	fFrame.right = fFrame.left + width;
	fFrame.bottom = fFrame.top + height;
	for (BView* child : fChildren)
		child->ParentResized(dx, dy);
	if (fFlags & B_FRAME_EVENTS) FrameResized(width, height);
}

void BView::ResizeBy(float dx, float dy) { ResizeTo(fFrame.Width() + dx, fFrame.Height() + dy); }

// Moves each edge as the resizing mode says: an edge that follows the
// parent's right (or bottom) moves by the whole change, one that follows the
// centre by half of it, one that follows the left (or top) stays.
void BView::ParentResized(float dx, float dy) {
	auto shift = [](uint32 rule, float delta) {
		switch (rule) {
		case 3:
		case 4:
			return delta;
		case 5:
			return delta / 2;
		default:
			return 0.0f;
		}
	};
	BRect frame = fFrame;
	frame.top += shift((fResizingMode >> 12) & 0xf, dy);
	frame.left += shift((fResizingMode >> 8) & 0xf, dx);
	frame.bottom += shift((fResizingMode >> 4) & 0xf, dy);
	frame.right += shift(fResizingMode & 0xf, dx);
	if (frame.LeftTop() != fFrame.LeftTop()) MoveTo(frame.LeftTop());
	ResizeTo(frame.Width(), frame.Height());
}

uint32 BView::ResizingMode() const { return fResizingMode; }
void BView::SetResizingMode(uint32 mode) { fResizingMode = mode; }
uint32 BView::Flags() const { return fFlags; }
void BView::SetFlags(uint32 flags) { fFlags = flags; }

BPoint BView::OriginInWindow() const {
	BPoint origin(0, 0);
	for (const BView* view = this; view; view = view->fParent)
		origin += view->fFrame.LeftTop();
	return origin;
}

PixelRect BView::VisibleClip() const {
	if (!fWindow) return {};
	PixelRect clip = fWindow->fData->pixels.Bounds();
	BPoint origin(0, 0);
	// From the top view down: each ancestor's frame limits what shows of it.
	// Recursion rather than a list, so that drawing allocates nothing.
	auto clipThrough = [&clip, &origin](auto& self, const BView* view) -> void {
		if (view->fParent) self(self, view->fParent);
		BRect frame = view->fFrame;
		frame.OffsetBy(origin);
		clip = clip.Intersect(ToPixels(frame));
		origin = frame.LeftTop();
	};
	clipThrough(clipThrough, this);
	if (const PixelRect* update = fWindow->fData->updateClip) clip = clip.Intersect(*update);
	return clip;
}

void BView::ConvertToScreen(BPoint* point) const { *point = ConvertToScreen(*point); }

BPoint BView::ConvertToScreen(BPoint point) const {
	BPoint windowPoint = point + OriginInWindow();
	return fWindow ? fWindow->ConvertToScreen(windowPoint) : windowPoint;
}

void BView::ConvertFromScreen(BPoint* point) const { *point = ConvertFromScreen(*point); }

BPoint BView::ConvertFromScreen(BPoint point) const {
	BPoint windowPoint = fWindow ? fWindow->ConvertFromScreen(point) : point;
	return windowPoint - OriginInWindow();
}

BRect BView::ConvertToScreen(BRect rect) const {
	return BRect(ConvertToScreen(rect.LeftTop()), ConvertToScreen(rect.RightBottom()));
}

void BView::ConvertToParent(BPoint* point) const { *point = ConvertToParent(*point); }
BPoint BView::ConvertToParent(BPoint point) const { return point + fFrame.LeftTop(); }
BPoint BView::ConvertFromParent(BPoint point) const { return point - fFrame.LeftTop(); }

void BView::SetViewColor(rgb_color color) {
	if (fObserver) fObserver->ViewColorSet(color);
	fViewColor = color;
}

void BView::SetViewColor(uint8 red, uint8 green, uint8 blue, uint8 alpha) {
	SetViewColor(rgb_color{red, green, blue, alpha});
}

rgb_color BView::ViewColor() const { return fViewColor; }

void BView::SetHighColor(rgb_color color) {
	if (fObserver) fObserver->HighColorSet(color);
	fHighColor = color;
}

void BView::SetHighColor(uint8 red, uint8 green, uint8 blue, uint8 alpha) {
	SetHighColor(rgb_color{red, green, blue, alpha});
}

rgb_color BView::HighColor() const { return fHighColor; }

void BView::SetLowColor(rgb_color color) { fLowColor = color; }

void BView::SetLowColor(uint8 red, uint8 green, uint8 blue, uint8 alpha) {
	SetLowColor(rgb_color{red, green, blue, alpha});
}

rgb_color BView::LowColor() const { return fLowColor; }

rgb_color BView::PatternColor(const ::pattern& p) const {
	return std::memcmp(&p, &B_SOLID_LOW, sizeof p) == 0 ? fLowColor : fHighColor;
}

void BView::Drew(const PixelRect& area) const {
	PixelRect& dirty = fWindow->fData->dirty;
	if (area.IsEmpty()) return;
	dirty = dirty.IsEmpty()
	            ? area
	            : PixelRect{std::min(dirty.left, area.left), std::min(dirty.top, area.top),
	                        std::max(dirty.right, area.right), std::max(dirty.bottom, area.bottom)};
}

void BView::FillRect(BRect rect, ::pattern p) {
	if (fObserver) fObserver->RectFilled(rect);
	if (!fWindow) return;
	const PixelRect clip = VisibleClip();
	const BPoint origin = OriginInWindow();
	rect.OffsetBy(origin);
	fWindow->fData->pixels.FillRect(rect, PatternColor(p), clip);
	Drew(ToPixels(rect).Intersect(clip));
}

void BView::StrokeRect(BRect rect, ::pattern p) {
	if (!fWindow) return;
	const PixelRect clip = VisibleClip();
	rect.OffsetBy(OriginInWindow());
	fWindow->fData->pixels.StrokeRect(rect, PatternColor(p), clip);
	Drew(ToPixels(rect).Intersect(clip));
}

void BView::StrokeLine(BPoint start, BPoint end, ::pattern p) {
	if (fObserver) fObserver->LineStroked(start, end);
	fPenLocation = end;
	if (!fWindow) return;
	const PixelRect clip = VisibleClip();
	const BPoint origin = OriginInWindow();
	start += origin;
	end += origin;
	fWindow->fData->pixels.StrokeLine(start, end, PatternColor(p), clip);
	BRect box(std::min(start.x, end.x), std::min(start.y, end.y), std::max(start.x, end.x),
	          std::max(start.y, end.y));
	Drew(ToPixels(box).Intersect(clip));
}

void BView::StrokeLine(BPoint end, ::pattern p) { StrokeLine(fPenLocation, end, p); }

void BView::MovePenTo(BPoint where) { fPenLocation = where; }

BPoint BView::PenLocation() const { return fPenLocation; }

void BView::FillEllipse(BRect rect, ::pattern p) {
	if (!fWindow) return;
	const PixelRect clip = VisibleClip();
	rect.OffsetBy(OriginInWindow());
	fWindow->fData->pixels.FillEllipse(rect, PatternColor(p), clip);
	Drew(ToPixels(rect).Intersect(clip));
}

void BView::StrokeEllipse(BRect rect, ::pattern p) {
	if (!fWindow) return;
	const PixelRect clip = VisibleClip();
	rect.OffsetBy(OriginInWindow());
	fWindow->fData->pixels.StrokeEllipse(rect, PatternColor(p), clip);
	Drew(ToPixels(rect).Intersect(clip));
}

void BView::FillTriangle(BPoint a, BPoint b, BPoint c, ::pattern p) {
	if (!fWindow) return;
	const PixelRect clip = VisibleClip();
	const BPoint origin = OriginInWindow();
	a += origin;
	b += origin;
	c += origin;
	fWindow->fData->pixels.FillTriangle(a, b, c, PatternColor(p), clip);
	BRect box(std::min({a.x, b.x, c.x}), std::min({a.y, b.y, c.y}), std::max({a.x, b.x, c.x}),
	          std::max({a.y, b.y, c.y}));
	Drew(ToPixels(box).Intersect(clip));
}

void BView::SetFont(const BFont* font, uint32 mask) {
	if (!font) return;
	if (mask == B_FONT_ALL) {
		*fFont = *font;
		return;
	}
	if (mask & B_FONT_FAMILY_AND_STYLE) {
		font_family family;
		font_style style;
		font->GetFamilyAndStyle(&family, &style);
		fFont->SetFamilyAndStyle(family, style);
	}
	if (mask & B_FONT_SIZE) fFont->SetSize(font->Size());
	if (mask & B_FONT_FACE) fFont->SetFace(font->Face());
}

void BView::GetFont(BFont* font) const {
	if (font) *font = *fFont;
}

void BView::SetFontSize(float size) { fFont->SetSize(size); }

void BView::GetFontHeight(font_height* height) const { fFont->GetHeight(height); }

float BView::StringWidth(const char* string) const { return string ? fFont->StringWidth(string) : 0; }

void BView::DrawString(const char* string, BPoint where) {
	if (!fWindow || !string) return;
	const PixelRect clip = VisibleClip();
	const BPoint origin = OriginInWindow();
	TextRenderer::DrawText(fWindow->fData->pixels, *fFont, string, where + origin, fHighColor, clip);
	font_height height;
	fFont->GetHeight(&height);
	const BPoint start = where + origin;
	BRect box(start.x, start.y - height.ascent - 1, start.x + StringWidth(string) + 1,
	          start.y + height.descent + 1);
	Drew(ToPixels(box).Intersect(clip));
	fPenLocation = where + BPoint(StringWidth(string), 0);
}

void BView::Sync() const {
	if (fObserver) fObserver->Synced();
	if (fWindow) fWindow->Sync();
}

void BView::Flush() const {
	if (fWindow) fWindow->Flush();
}

void BView::Invalidate() { Invalidate(Bounds()); }

void BView::Invalidate(BRect rect) {
	if (!fWindow) return;
	rect.OffsetBy(OriginInWindow());
	fWindow->fData->Invalidate(rect);
}

void BView::GetMouse(BPoint* location, uint32* buttons, bool) {
	if (!fWindow) return;
	if (location) *location = fWindow->fData->mouseWhere - OriginInWindow();
	if (buttons) *buttons = fWindow->fData->mouseButtons;
}

bool BView::IsFocus() const { return fWindow && fWindow->fData->focus == this; }

void BView::DrawTree(BRect updateInWindow) {
	BWindow::Data& data = *fWindow->fData;
	const PixelRect update = ToPixels(updateInWindow);
	const PixelRect* outer = data.updateClip;
	PixelRect limited = outer ? outer->Intersect(update) : update;
	data.updateClip = &limited;
	const PixelRect clip = VisibleClip();
	if (!clip.IsEmpty()) {
		data.pixels.FillPixels(clip, fViewColor);
		Drew(clip);
		if (fFlags & B_WILL_DRAW) {
			BRect local = updateInWindow;
			local.OffsetBy(BPoint(0, 0) - OriginInWindow());
			local = local & Bounds();
			if (fObserver) fObserver->UpdateStarting(local);
			Draw(local);
		}
		for (BView* child : fChildren)
			child->DrawTree(updateInWindow);
	}
	data.updateClip = outer;
}

BView* BView::ViewAt(BPoint windowPoint) {
	BRect frame = Bounds();
	frame.OffsetBy(OriginInWindow());
	if (!frame.Contains(windowPoint)) return nullptr;
	for (auto it = fChildren.rbegin(); it != fChildren.rend(); ++it)
		if (BView* found = (*it)->ViewAt(windowPoint)) return found;
	return this;
}

void BView::WindowActivatedTree(bool active) {
	WindowActivated(active);
	for (BView* child : fChildren)
		child->WindowActivatedTree(active);
}

void kit::SetDrawingObserver(BView* view, DrawingObserver* observer) {
	if (view) WindowAccess::SetObserver(view, observer);
}
