// The bar meter's part of PluginView: a black view. The bars are not redrawn
// here; the next drawn frame of PluginWindow::Render repaints both whole.
#include "display/PluginView.h"

namespace {

constexpr rgb_color kBlack = {0, 0, 0, 255};

} // namespace

void PluginView::SetMeterViewColor() { SetViewColor(kBlack); }

void PluginView::Draw(BRect /*updateRect*/) {
	SetHighColor(kBlack);
	FillRect(Frame());
}
