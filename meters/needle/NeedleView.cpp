// The needle meter's part of PluginView: nothing beyond the platform's
// defaults. The view stays white, and the needles are drawn only by
// PluginWindow::Render; an exposed area comes back white and a needle in it
// returns when its tip next moves.
#include "display/PluginView.h"

void PluginView::SetMeterViewColor() {}

void PluginView::Draw(BRect updateRect) { BView::Draw(updateRect); }
