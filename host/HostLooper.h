// The host's looper: the add-ons post their close notices and forwarded keys
// to its handlers, and the thread that drives the add-ons collects them.
#pragma once

#include <memory>
#include <mutex>
#include <vector>

#include <Handler.h>
#include <Looper.h>
#include <Message.h>

// One handler per add-on, so a message tells which add-on's window sent it.
// Messages are copied into an inbox on the looper's thread and taken out on
// the host's, where the add-ons are driven.
class HostLooper : public BLooper {
public:
	struct Received {
		size_t addon; // index of the handler it arrived at
		BMessage message;
	};

	// Creates the looper and its thread. Delete with Dispose(). [host thread]
	static HostLooper* Start(size_t addons);
	// Locks and quits the looper, which deletes it. [host thread]
	static void Dispose(HostLooper* looper);

	// The host handler for add-on `index`; lives as long as the looper. [any thread]
	BHandler* HandlerFor(size_t index) const { return handlers_[index].get(); }
	// Everything received since the last call, in order. [any thread]
	std::vector<Received> Take();

	// [looper thread, locked]
	void DispatchMessage(BMessage* message, BHandler* handler) override;

private:
	explicit HostLooper(size_t addons);
	~HostLooper() override;

	std::vector<std::unique_ptr<BHandler>> handlers_;
	std::mutex lock_; // guards inbox_
	std::vector<Received> inbox_;
};
