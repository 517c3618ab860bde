// The drawing trace's lines around the Render calls of the add-on it follows:
// an observer of the AddonWatch, so that no host marks its Render calls.
#pragma once

#include <atomic>
#include <functional>

#include "host/AddonCallObserver.h"

// "render N" as a followed Render call begins and "done N RESULT" as it ends,
// handed to `lines`; N is what `number` gives as the call begins, the host's
// own numbering (its blocks, or its Render calls). Adds itself to the watch
// for as long as it lives.
//
// [host thread] Every call but Began and Ended, which come on the thread
// that calls, any thread; only the host thread renders.
class RenderTrace final : public AddonCallObserver {
public:
	struct Lines {
		std::function<void(long long number)> starting;
		std::function<void(long long number, bool result)> done;
	};

	RenderTrace(Lines lines, std::function<long long()> number);
	~RenderTrace() override;

	RenderTrace(const RenderTrace&) = delete;
	RenderTrace& operator=(const RenderTrace&) = delete;

	// The add-on whose Render calls are traced from now on; null for none.
	// Not owned; outlives the calls it makes while followed.
	void Follow(const RunningAddon* addon) { followed_.store(addon); }

	void Began(const AddonCall& call) override;
	void Ended(const AddonCall& call) override;

private:
	bool Followed(const AddonCall& call) const;

	const Lines lines_;
	const std::function<long long()> number_;
	std::atomic<const RunningAddon*> followed_{nullptr};
	long long current_ = 0; // the number of the Render call under way [host thread]
};
