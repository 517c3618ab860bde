// The add-ons one host program runs, and what they post to it: the part of
// hosting that vuplay and the Audacious plug-ins share.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <OS.h>

#include "host/AboutBox.h"
#include "host/AddonCallTracker.h"
#include "host/HostLooper.h"
#include "host/PlayerKeys.h"
#include "host/RunningAddon.h"

class AddonLocator;
class BMessage;

// Each add-on gets a handler of one host looper for what its windows post. A
// close notice (904) stops the add-on whose object it names and deletes the
// object, as the player answers it; a key forwarded from a meter window is
// returned as the player's key, the about key ('a') opening the about box of
// the first running add-on instead. The about box runs on a thread of its
// own, so that the meters go on while it is up; an add-on whose About never
// returns is kept loaded, with its object, for the rest of the process. An
// add-on that lets an exception out of Render, Prefs, About or Cleanup is
// reported in one line (ExceptionReport) the next time the group handles
// messages or lets add-ons go, counts as a failure, and is stopped and
// deleted as a close notice has it; the others go on.
//
// [host thread] Every call: the one thread that drives the add-ons (vuplay's
// player thread, Audacious's main thread). The looper only queues what it
// receives.
class AddonGroup {
public:
	// Told of what the group does with the add-ons. Either may be empty.
	struct Listener {
		// Before add-on `index` stops or goes, while its meter window lives.
		std::function<void(size_t index)> stopping;
		// A line for a verbose log: each message received and what it did.
		std::function<void(const std::string& line)> log;
	};

	explicit AddonGroup(Listener listener = {});
	~AddonGroup(); // Leave()

	AddonGroup(const AddonGroup&) = delete;
	AddonGroup& operator=(const AddonGroup&) = delete;

	// Finds each name with `locator`, loads the library and creates its
	// plug-in object; then starts every add-on that loaded (Init). An add-on
	// that cannot be found, loaded or started is left out (one that failed to
	// start is deleted at once), and one line says why, "PATH: reason". Only
	// the first call does anything.
	std::vector<std::string> Start(const std::vector<std::string>& names, const AddonLocator& locator);
	// The same in two steps, for a host that looks at what the libraries did
	// as they loaded (the settings files they read) before any starts. Each
	// does something only the first time, and Start() nothing before Load().
	std::vector<std::string> Load(const std::vector<std::string>& names, const AddonLocator& locator);
	std::vector<std::string> Start();

	size_t Size() const { return addons_.size(); }
	RunningAddon& At(size_t index) { return *addons_[index]; }
	const RunningAddon& At(size_t index) const { return *addons_[index]; }
	// The first add-on that started, if any did.
	std::optional<size_t> First() const { return first_; }
	// Whether any add-on still has its object: not all have been closed.
	bool AnyLeft() const;
	// The looper, for waiting until it has queued what was posted.
	BLooper* Looper() const { return looper_; }

	// Handles what the add-ons posted since the last call, in order, and
	// returns the player's keys among it, About excepted (see above).
	std::vector<PlayerKey> HandleMessages();

	// Shows the first running add-on's about box on a thread of its own;
	// nothing while one is open.
	void About();
	// Shows add-on `index`'s about box, waits until it is up and answers it,
	// within `deadline`; false when it could not be opened.
	bool AboutAnswered(size_t index, bigtime_t deadline);
	// Answers the open about box and waits for its thread until `deadline`.
	// An About that did not return is reported once, and counts as a failure.
	void CloseAboutBox(bigtime_t deadline);

	// Stops add-on `index` (Cleanup) and deletes its object, or, when the
	// about box's thread is still inside the object, keeps both.
	void Discard(size_t index);
	// Closes the about box, discards every add-on and unloads the libraries,
	// so that each writes its settings. Only the first call does anything.
	void Leave();
	// Leaves as Leave() does, from a thread that took over from the host
	// thread held inside a call of `hung` (Calls()), also when Leave() was
	// under way there: `hung` is neither called nor deleted again, and its
	// object and library stay for the rest of the process. [the thread that
	// took over]
	void LeaveWithout(const RunningAddon& hung);
	// The calls into the add-ons' code from Init on, for a thread that must
	// act when one does not return. Lives as long as the group. [any thread]
	AddonCallTracker& Calls() { return calls_; }

	// Starts add-on `index` again after its Stop(); a failure is reported
	// and counts as one.
	bool Restart(size_t index);

	// Whether an add-on failed to start again, let an exception out or its
	// About did not return.
	bool Failed() const { return failed_; }

private:
	void Handle(size_t index, const BMessage& message, std::vector<PlayerKey>& keys);
	void Release(RunningAddon& addon);
	// Reports each add-on's exception once, and lets go of the add-ons that let one out.
	void HandleFaults();
	void Log(const std::string& line) const;

	Listener listener_;
	AddonCallTracker calls_; // follows every call from Init on; outlives the add-ons
	std::vector<std::unique_ptr<RunningAddon>>
	    addons_; // as named and found; one that failed to start has no object
	std::optional<size_t> first_;
	HostLooper* looper_ = nullptr; // deletes itself; ended by Leave()
	AboutBox about_;
	bool toldAboutStuck_ = false;
	std::vector<const RunningAddon*> faultsTold_;
	bool failed_ = false;
	bool loaded_ = false;
	bool started_ = false;
	bool left_ = false;
};
