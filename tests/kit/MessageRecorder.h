// A running looper that keeps every message it is sent, with the client
// (one of its handlers) it was sent to, so that tests can check what a
// display posted to which window and in which order.
#pragma once

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include <Handler.h>
#include <Looper.h>
#include <Message.h>
#include <Messenger.h>

struct RecordedMessage {
	int client; // index from AddClient
	BMessage message;
};

class MessageRecorder : public BLooper {
public:
	MessageRecorder() : BLooper("recorder") {}
	~MessageRecorder() override {
		for (auto& client : fClients)
			RemoveHandler(client.get());
	}

	// A messenger to a new client of the recorder. Call before Start().
	BMessenger AddClient() {
		fClients.push_back(std::make_unique<BHandler>());
		AddHandler(fClients.back().get());
		return BMessenger(fClients.back().get(), this);
	}
	void Start() { Run(); }

	void DispatchMessage(BMessage* message, BHandler* handler) override {
		int client = -1;
		for (size_t i = 0; i < fClients.size(); i++)
			if (fClients[i].get() == handler) client = int(i);
		{
			std::lock_guard lock(fLock);
			fMessages.push_back({client, *message});
		}
		fArrived.notify_all();
	}

	// Waits until at least `count` messages have arrived (or the time is up)
	// and returns all of them.
	std::vector<RecordedMessage> WaitForCount(size_t count, std::chrono::milliseconds limit) {
		std::unique_lock lock(fLock);
		fArrived.wait_for(lock, limit, [&] { return fMessages.size() >= count; });
		return fMessages;
	}

	// The first message from index `from` on that matches, waiting for it up
	// to `limit`.
	std::optional<RecordedMessage> WaitFor(std::function<bool(const RecordedMessage&)> match,
	                                       std::chrono::milliseconds limit, size_t from = 0) {
		std::unique_lock lock(fLock);
		std::optional<RecordedMessage> found;
		fArrived.wait_for(lock, limit, [&] {
			for (size_t i = from; i < fMessages.size(); i++)
				if (match(fMessages[i])) {
					found = fMessages[i];
					return true;
				}
			return false;
		});
		return found;
	}

	size_t Count() {
		std::lock_guard lock(fLock);
		return fMessages.size();
	}

	// Locks and quits the recorder, which deletes it.
	static void Dispose(MessageRecorder* recorder) {
		if (recorder->Lock()) recorder->Quit();
	}

private:
	std::vector<std::unique_ptr<BHandler>> fClients;
	std::mutex fLock;
	std::condition_variable fArrived;
	std::vector<RecordedMessage> fMessages;
};

using RecorderPointer = std::unique_ptr<MessageRecorder, decltype(&MessageRecorder::Dispose)>;
inline RecorderPointer MakeRecorder() {
	return RecorderPointer(new MessageRecorder, &MessageRecorder::Dispose);
}
