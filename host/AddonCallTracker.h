// Which add-on call the thread that drives the add-ons is inside, and since
// when, for a thread of the host's own that must act when one does not
// return: the player's quit signal, which that call would otherwise hold off.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>

#include "host/AddonCallObserver.h"

// An observer of the AddonWatch for as long as it lives: it follows the calls
// in the order of the add-ons `ours` names (Init, Render, Prefs, Cleanup),
// which the host thread makes. Another thread may take over from the host
// thread while it is inside one (TakeOver): from then on the host thread
// stops for good where the call returns, if it ever does, before it touches
// anything of the host's, so that the thread that took over may end the
// host's work without it; the calls that thread makes then are not followed.
class AddonCallTracker final : public AddonCallObserver {
public:
	struct Call {
		const RunningAddon* addon; // the add-on whose code runs; alive while the call is
		std::string path;
		const char* name; // "Render", "Cleanup": a literal
		std::chrono::steady_clock::time_point since;
		uint64_t number; // of the calls made so far, this one's
	};

	// `ours` tells the add-ons to follow; it is asked on the thread that
	// calls, and outlives this. [host thread]
	explicit AddonCallTracker(std::function<bool(const RunningAddon*)> ours);
	~AddonCallTracker() override; // [host thread, no call under way]

	AddonCallTracker(const AddonCallTracker&) = delete;
	AddonCallTracker& operator=(const AddonCallTracker&) = delete;

	// The call the host thread is inside now, if any. [any thread]
	std::optional<Call> Current() const;
	// Takes over when the host thread is still inside the call numbered
	// `number`; false when it has left it. [any thread but the host's]
	bool TakeOver(uint64_t number);

	// From the AddonWatch. Ended stops for good once taken over.
	void Began(const AddonCall& call) override;
	void Ended(const AddonCall& call) override;

private:
	const std::function<bool(const RunningAddon*)> ours_;
	mutable std::mutex lock_; // guards the members below
	std::condition_variable never_;
	const AddonCall* inside_ = nullptr; // the call followed now, or null
	bool takenOver_ = false;
	std::chrono::steady_clock::time_point since_;
	uint64_t number_ = 0;
};
