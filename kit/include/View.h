// A view: a rectangle of a window that draws itself and takes input.
//
// Every call on a view that is attached to a window needs that window locked,
// and every hook runs on the window's thread with the window locked. Drawing
// goes straight into the window's framebuffer (see the pixel rule there):
// FillRect covers both edges of its rectangle and paints nothing for an
// inverted one; StrokeLine covers both end points and the same pixels every
// time for the same end points; everything is clipped to the view. Sync()
// and Flush() hand what was drawn to the screen without waiting for it.
#pragma once

#include <memory>
#include <vector>

#include "GraphicsDefs.h"
#include "Handler.h"
#include "InterfaceDefs.h"
#include "Rect.h"

class BFont;
class BWindow;
class BMessage;
struct font_height;
struct PixelRect;
namespace kit {
class DrawingObserver;
}

class BE_EXPORT BView : public BHandler {
public:
	// `name` may be null. The view is created detached.
	BView(BRect frame, const char* name, uint32 resizingMode, uint32 flags);
	~BView() override; // deletes the children that are still attached

	// Hooks [window thread, locked]
	virtual void AttachedToWindow();
	virtual void AllAttached();
	virtual void DetachedFromWindow();
	// Runs after the exposed area has been filled with the view colour.
	virtual void Draw(BRect updateRect);
	virtual void MouseDown(BPoint where);
	virtual void MouseUp(BPoint where);
	virtual void MouseMoved(BPoint where, uint32 transit, const BMessage* dragMessage);
	virtual void KeyDown(const char* bytes, int32 numBytes);
	virtual void KeyUp(const char* bytes, int32 numBytes);
	virtual void WindowActivated(bool active);
	virtual void FrameMoved(BPoint newPosition);
	virtual void FrameResized(float newWidth, float newHeight);
	virtual void MakeFocus(bool focus = true);

	// Hierarchy. AddChild takes ownership of the child; RemoveChild gives it back.
	void AddChild(BView* child, BView* before = nullptr);
	bool RemoveChild(BView* child);
	bool RemoveSelf();
	int32 CountChildren() const;
	BView* ChildAt(int32 index) const;
	BView* Parent() const;
	// The window the view is attached to, or null. Not owned.
	BWindow* Window() const;

	// Geometry: Bounds() in the view's own coordinates, Frame() in its parent's.
	BRect Bounds() const;
	BRect Frame() const;
	void MoveTo(BPoint where);
	void MoveTo(float x, float y) { MoveTo(BPoint(x, y)); }
	void MoveBy(float dx, float dy);
	void ResizeTo(float width, float height);
	void ResizeBy(float dx, float dy);
	uint32 ResizingMode() const;
	void SetResizingMode(uint32 mode);
	uint32 Flags() const;
	void SetFlags(uint32 flags);
	void ConvertToScreen(BPoint* point) const;
	BPoint ConvertToScreen(BPoint point) const;
	void ConvertFromScreen(BPoint* point) const;
	BPoint ConvertFromScreen(BPoint point) const;
	BRect ConvertToScreen(BRect rect) const;
	void ConvertToParent(BPoint* point) const;
	BPoint ConvertToParent(BPoint point) const;
	BPoint ConvertFromParent(BPoint point) const;

	// Colours. A view whose view colour was never set is white.
	void SetViewColor(rgb_color color);
	void SetViewColor(uint8 red, uint8 green, uint8 blue, uint8 alpha = 255);
	rgb_color ViewColor() const;
	void SetHighColor(rgb_color color);
	void SetHighColor(uint8 red, uint8 green, uint8 blue, uint8 alpha = 255);
	rgb_color HighColor() const;
	void SetLowColor(rgb_color color);
	void SetLowColor(uint8 red, uint8 green, uint8 blue, uint8 alpha = 255);
	rgb_color LowColor() const;

	// Drawing [locked]. Patterns other than B_SOLID_HIGH and B_SOLID_LOW are
	// drawn with the high colour on set bits and the low colour on clear bits.
	void FillRect(BRect rect, ::pattern p = B_SOLID_HIGH);
	void StrokeRect(BRect rect, ::pattern p = B_SOLID_HIGH);
	void StrokeLine(BPoint start, BPoint end, ::pattern p = B_SOLID_HIGH);
	void StrokeLine(BPoint end, ::pattern p = B_SOLID_HIGH); // from the pen location
	void MovePenTo(BPoint where);
	BPoint PenLocation() const;
	void FillEllipse(BRect rect, ::pattern p = B_SOLID_HIGH);
	void StrokeEllipse(BRect rect, ::pattern p = B_SOLID_HIGH);
	void FillTriangle(BPoint a, BPoint b, BPoint c, ::pattern p = B_SOLID_HIGH);

	// Text [locked]. A new view uses be_plain_font.
	void SetFont(const BFont* font, uint32 mask = B_FONT_ALL);
	void GetFont(BFont* font) const;
	void SetFontSize(float size);
	void GetFontHeight(font_height* height) const;
	float StringWidth(const char* string) const;
	// Draws with the high colour; `where` is the start of the baseline.
	void DrawString(const char* string, BPoint where);

	// Showing what was drawn [locked]
	// Hands what was drawn so far to the screen, as Flush() does, and tells
	// the view's drawing observer; it does not wait until the screen shows
	// it. Drawing is done when the call that drew returns.
	void Sync() const;
	// Hands what was drawn to the screen without waiting.
	void Flush() const;
	// Asks for the area to be filled with the view colour and redrawn later,
	// on the window's thread.
	void Invalidate();
	void Invalidate(BRect rect);

	// Input [locked]
	// The pointer in view coordinates and the pressed buttons as the window
	// last saw them, from the messages it has taken so far.
	void GetMouse(BPoint* location, uint32* buttons, bool checkMessageQueue = true);
	bool IsFocus() const;

private:
	friend class BWindow;
	friend class WindowAccess;

	void AttachTo(BWindow* window);
	void DetachFrom();
	void ParentResized(float dx, float dy);
	// This view's visible area in window pixels, within the update area
	// while the window is redrawing.
	PixelRect VisibleClip() const;
	BPoint OriginInWindow() const;
	void DrawTree(BRect updateInWindow);
	BView* ViewAt(BPoint windowPoint);
	void WindowActivatedTree(bool active);
	void Drew(const PixelRect& area) const;
	rgb_color PatternColor(const ::pattern& p) const;

	BRect fFrame;
	uint32 fResizingMode;
	uint32 fFlags;
	BView* fParent = nullptr;
	BWindow* fWindow = nullptr;
	std::vector<BView*> fChildren;
	rgb_color fViewColor = {255, 255, 255, 255};
	rgb_color fHighColor = {0, 0, 0, 255};
	rgb_color fLowColor = {255, 255, 255, 255};
	BPoint fPenLocation;
	std::unique_ptr<BFont> fFont;
	kit::DrawingObserver* fObserver = nullptr; // not owned
};
