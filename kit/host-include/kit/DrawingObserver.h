// Watches the drawing calls made on one view, for a host's drawing trace and
// for tests. It is told of SetHighColor(), SetViewColor(), FillRect(),
// StrokeLine() (both forms), Sync(), the start of each Draw() and the
// window's resizes, each call even when it paints nothing; the other drawing
// calls (StrokeRect(), the ellipses, FillTriangle(), DrawString(),
// SetLowColor(), Flush()) are not reported. The callbacks run on the thread
// that draws, with the window locked.
#pragma once

#include <GraphicsDefs.h>
#include <Rect.h>

class BView;

namespace kit {

class BE_EXPORT DrawingObserver {
public:
	virtual ~DrawingObserver() = default;
	virtual void HighColorSet(rgb_color) {}
	virtual void ViewColorSet(rgb_color) {}
	virtual void RectFilled(BRect) {}
	virtual void LineStroked(BPoint, BPoint) {}
	virtual void Synced() {}
	// Before the view's Draw(updateRect) runs.
	virtual void UpdateStarting(BRect) {}
	// Before the window's FrameResized(width, height) runs.
	virtual void WindowResizing(float, float) {}
};

// Attaches the observer (not owned; null detaches). [window locked]
BE_EXPORT void SetDrawingObserver(BView* view, DrawingObserver* observer);

} // namespace kit
