#include "host/RenderTrace.h"

#include "host/AddonWatch.h"

RenderTrace::RenderTrace(Lines lines, std::function<long long()> number)
    : lines_(std::move(lines)), number_(std::move(number)) {
	AddonWatch::Add(this);
}

RenderTrace::~RenderTrace() { AddonWatch::Remove(this); }

bool RenderTrace::Followed(const AddonCall& call) const {
	return call.step == AddonStep::Render && call.addon && call.addon == followed_.load();
}

void RenderTrace::Began(const AddonCall& call) {
	if (!Followed(call)) return;
	current_ = number_();
	lines_.starting(current_);
}

void RenderTrace::Ended(const AddonCall& call) {
	if (Followed(call)) lines_.done(current_, call.returned);
}
