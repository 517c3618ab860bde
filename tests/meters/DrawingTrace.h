// The drawing calls a meter makes on its view, as the kit reports them.
#pragma once

#include <ostream>
#include <vector>

#include <GraphicsDefs.h>
#include <Rect.h>
#include <kit/DrawingObserver.h>

struct DrawCall {
	enum Kind { kHighColor, kFill, kLine, kSync } kind;
	rgb_color color{};
	BRect rect{};
	BPoint from{};
	BPoint to{};

	bool operator==(const DrawCall&) const = default;
};

inline DrawCall High(rgb_color color) { return {DrawCall::kHighColor, color, {}, {}, {}}; }
inline DrawCall Fill(float left, float top, float right, float bottom) {
	return {DrawCall::kFill, {}, BRect(left, top, right, bottom), {}, {}};
}
inline DrawCall Line(float x0, float y0, float x1, float y1) {
	return {DrawCall::kLine, {}, {}, BPoint(x0, y0), BPoint(x1, y1)};
}
inline DrawCall Synced() { return {DrawCall::kSync, {}, {}, {}, {}}; }

inline void PrintTo(const DrawCall& call, std::ostream* out) {
	switch (call.kind) {
	case DrawCall::kHighColor:
		*out << "High{" << int(call.color.red) << "," << int(call.color.green) << "," << int(call.color.blue)
		     << "," << int(call.color.alpha) << "}";
		break;
	case DrawCall::kFill:
		*out << "Fill(" << call.rect.left << "," << call.rect.top << "," << call.rect.right << ","
		     << call.rect.bottom << ")";
		break;
	case DrawCall::kLine:
		*out << "Line(" << call.from.x << "," << call.from.y << " to " << call.to.x << "," << call.to.y
		     << ")";
		break;
	case DrawCall::kSync:
		*out << "Sync";
		break;
	}
}

// Records the calls; read and clear it only with the window locked.
class DrawingTrace : public kit::DrawingObserver {
public:
	void HighColorSet(rgb_color color) override { calls.push_back(High(color)); }
	void RectFilled(BRect rect) override {
		calls.push_back(Fill(rect.left, rect.top, rect.right, rect.bottom));
	}
	void LineStroked(BPoint from, BPoint to) override { calls.push_back(Line(from.x, from.y, to.x, to.y)); }
	void Synced() override { calls.push_back(::Synced()); }

	std::vector<DrawCall> calls;
};
