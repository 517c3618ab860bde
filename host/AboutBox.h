// An add-on's about box, shown on a thread of its own so that the meters go on.
#pragma once

#include <atomic>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <utility>

#include <OS.h>

class VisualizationPlugin;

// About blocks the thread that calls it until the box is answered. Once About
// has returned the thread is joined; a thread that stays inside About past the
// time given to it is let go, and until it leaves, the object it is in must
// be neither deleted nor its library closed: StuckIn() names that object.
//
// [host thread] Every call: the thread that drives the add-ons.
class AboutBox {
public:
	AboutBox() = default;
	~AboutBox(); // lets a thread still inside About go

	AboutBox(const AboutBox&) = delete;
	AboutBox& operator=(const AboutBox&) = delete;

	// Calls plugin->About(false), of the add-on at `path`, on a new thread,
	// whose windows without a title (the box) the window manager shows under
	// the add-on's long name. False, doing nothing, while a thread is still
	// inside an About.
	bool Open(VisualizationPlugin* plugin, const std::string& path);
	// Waits until the box shows or About has returned, at most until `deadline`.
	void WaitUntilShown(bigtime_t deadline);
	// Answers the open box and waits for About to return, at most until
	// `deadline`. False when a thread is still inside About.
	bool Close(bigtime_t deadline);
	// The object a thread let go is still inside; null when there is none.
	VisualizationPlugin* StuckIn() const;
	// The object of the last About that let an exception out, once it has
	// returned, and the line for it (ExceptionReport); told once.
	std::optional<std::pair<VisualizationPlugin*, std::string>> TakeFault();

private:
	// Shared with the thread, as a thread let go may leave About after this
	// object is gone.
	struct State {
		std::atomic<bool> inside{true}; // while the thread is inside About
		std::string fault;              // written before `inside` is cleared
	};

	bool Inside() const { return state_ && state_->inside.load(); }

	std::thread thread_;
	std::shared_ptr<State> state_;
	VisualizationPlugin* plugin_ = nullptr; // the object of the last Open; not owned
};
