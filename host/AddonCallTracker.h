// Which add-on call the thread that drives the add-ons is inside, and since
// when, for a thread of the host's own that must act when one does not
// return: the player's quit signal, which that call would otherwise hold off.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>

class RunningAddon;

// The host thread marks each call into an add-on's code with a Scope. Another
// thread may take over from it while it is inside one (TakeOver): from then on
// the host thread stops for good where the call returns, if it ever does,
// before it touches anything of the host's, so that the thread that took over
// may end the host's work without it; the calls that thread makes then are
// not marked.
class AddonCallTracker {
public:
	struct Call {
		const RunningAddon* addon; // the add-on whose code runs; alive while the call is
		std::string path;
		const char* name; // "Render", "Cleanup": a literal
		std::chrono::steady_clock::time_point since;
		uint64_t number; // of the calls made so far, this one's
	};

	// While it lives, the host thread is inside `call` of `addon`; `path`
	// outlives it. A null tracker marks nothing. [host thread]
	class Scope {
	public:
		Scope(AddonCallTracker* tracker, const RunningAddon* addon, const std::string& path,
		      const char* call);
		~Scope(); // stops for good once taken over

		Scope(const Scope&) = delete;
		Scope& operator=(const Scope&) = delete;

	private:
		AddonCallTracker* tracker_;
	};

	AddonCallTracker() = default;
	AddonCallTracker(const AddonCallTracker&) = delete;
	AddonCallTracker& operator=(const AddonCallTracker&) = delete;

	// The call the host thread is inside now, if any. [any thread]
	std::optional<Call> Current() const;
	// Takes over when the host thread is still inside the call numbered
	// `number`; false when it has left it. [any thread but the host's]
	bool TakeOver(uint64_t number);

private:
	mutable std::mutex lock_; // guards the members below
	std::condition_variable never_;
	bool inside_ = false;
	bool takenOver_ = false;
	const RunningAddon* addon_ = nullptr;
	const std::string* path_ = nullptr;
	const char* name_ = nullptr;
	std::chrono::steady_clock::time_point since_;
	uint64_t number_ = 0;
};
