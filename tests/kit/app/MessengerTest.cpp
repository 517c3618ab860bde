#include <Invoker.h>
#include <Looper.h>
#include <Messenger.h>

#include <atomic>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "support/Watchdog.h"

namespace {

class Inbox : public BHandler {
public:
	explicit Inbox(sem_id arrived) : BHandler("inbox"), fArrived(arrived) {}
	void MessageReceived(BMessage* message) override {
		messages.push_back(*message);
		release_sem(fArrived);
	}
	std::vector<BMessage> messages;

private:
	sem_id fArrived;
};

// A running looper with one inbox handler; quits it at the end of the test.
struct RunningLooper {
	sem_id arrived = create_sem(0, "arrived");
	BLooper* looper = new BLooper("running");
	Inbox inbox{arrived};

	RunningLooper() {
		looper->AddHandler(&inbox);
		looper->Run();
	}
	~RunningLooper() {
		if (looper->Lock()) {
			looper->RemoveHandler(&inbox);
			looper->Quit();
		}
		delete_sem(arrived);
	}
	bool WaitFor(int32 count) { return acquire_sem_etc(arrived, count, B_TIMEOUT, 5000000) == B_OK; }
};

} // namespace

TEST(Messenger, ReachesItsHandlerAndCarriesTheReturnAddress) {
	Watchdog watchdog;
	RunningLooper running;
	BHandler replyHandler("reply");
	running.looper->Lock();
	running.looper->AddHandler(&replyHandler);
	running.looper->Unlock();

	status_t result = B_ERROR;
	BMessenger messenger(&running.inbox, nullptr, &result);
	EXPECT_EQ(result, B_OK);
	EXPECT_TRUE(messenger.IsValid());
	BLooper* looper = nullptr;
	EXPECT_EQ(messenger.Target(&looper), &running.inbox);
	EXPECT_EQ(looper, running.looper);

	BMessage message('mail');
	message.AddInt32("n", 3);
	ASSERT_EQ(messenger.SendMessage(&message, &replyHandler), B_OK);
	ASSERT_TRUE(running.WaitFor(1));
	ASSERT_EQ(running.inbox.messages.size(), 1u);
	EXPECT_TRUE(running.inbox.messages[0].HasSameData(message));
	BMessenger returnAddress = running.inbox.messages[0].ReturnAddress();
	EXPECT_EQ(returnAddress.Target(nullptr), &replyHandler);

	running.looper->Lock();
	running.looper->RemoveHandler(&replyHandler);
	running.looper->Unlock();
}

TEST(Messenger, IsInvalidForAHandlerWithoutLooperOrAMismatch) {
	RunningLooper running;
	BHandler loose("loose");
	status_t result = B_OK;
	BMessenger looseMessenger(&loose, nullptr, &result);
	EXPECT_EQ(result, B_BAD_HANDLER);
	EXPECT_FALSE(looseMessenger.IsValid());
	EXPECT_EQ(looseMessenger.SendMessage('none'), B_BAD_PORT_ID);

	BLooper* other = new BLooper("other");
	BMessenger mismatch(&running.inbox, other, &result);
	EXPECT_EQ(result, B_MISMATCHED_VALUES);
	other->Quit();

	EXPECT_FALSE(BMessenger().IsValid());
}

TEST(Messenger, BecomesInvalidWhenTheLooperDiesAndNeverTouchesIt) {
	Watchdog watchdog;
	BLooper* looper = new BLooper("mortal");
	looper->Run();
	BMessenger messenger(looper);
	EXPECT_TRUE(messenger.IsValid());
	ASSERT_TRUE(looper->Lock());
	looper->Quit();
	EXPECT_FALSE(messenger.IsValid());
	EXPECT_EQ(messenger.SendMessage('late'), B_BAD_PORT_ID);
	EXPECT_FALSE(messenger.LockTarget());
	// A messenger built from the stale pointer is simply invalid.
	BMessenger stale(looper);
	EXPECT_FALSE(stale.IsValid());
}

TEST(Messenger, SendingWhileTheLooperIsDestroyedIsSafe) {
	Watchdog watchdog;
	for (int round = 0; round < 30; round++) {
		BLooper* looper = new BLooper("racing");
		looper->Run();
		BMessenger messenger(looper);
		std::atomic<bool> stop{false};
		std::atomic<int> refused{0};
		std::vector<std::thread> senders;
		for (int t = 0; t < 3; t++) {
			senders.emplace_back([&] {
				while (!stop) {
					if (messenger.SendMessage('spam') != B_OK) refused++;
					messenger.IsValid();
				}
			});
		}
		snooze(2000);
		ASSERT_TRUE(looper->Lock());
		looper->Quit();
		// The senders go on until one is refused, however slowly a loaded
		// machine schedules them.
		for (int wait = 0; wait < 5000 && refused.load() == 0; wait++)
			snooze(1000);
		stop = true;
		for (auto& sender : senders)
			sender.join();
		EXPECT_GT(refused.load(), 0);
	}
}

TEST(Messenger, LooperForThreadFindsTheRunningLooper) {
	Watchdog watchdog;
	RunningLooper running;
	std::atomic<BLooper*> seen{nullptr};
	class Probe : public BHandler {
	public:
		explicit Probe(std::atomic<BLooper*>* seen, sem_id done) : fSeen(seen), fDone(done) {}
		void MessageReceived(BMessage*) override {
			fSeen->store(BLooper::LooperForThread(find_thread(nullptr)));
			release_sem(fDone);
		}
		std::atomic<BLooper*>* fSeen;
		sem_id fDone;
	};
	Probe probe(&seen, running.arrived);
	running.looper->Lock();
	running.looper->AddHandler(&probe);
	running.looper->Unlock();
	BMessenger(&probe).SendMessage('who?');
	ASSERT_TRUE(running.WaitFor(1));
	EXPECT_EQ(seen.load(), running.looper);
	EXPECT_EQ(BLooper::LooperForThread(find_thread(nullptr)), nullptr);
	running.looper->Lock();
	running.looper->RemoveHandler(&probe);
	running.looper->Unlock();
}

TEST(Invoker, InvokeSendsACopyOfItsMessageToTheTarget) {
	Watchdog watchdog;
	RunningLooper running;
	BInvoker invoker(new BMessage('invk'), &running.inbox);
	EXPECT_EQ(invoker.Command(), uint32('invk'));
	EXPECT_EQ(invoker.Target(), &running.inbox);
	ASSERT_EQ(invoker.Invoke(), B_OK);
	ASSERT_EQ(invoker.Invoke(), B_OK);
	ASSERT_TRUE(running.WaitFor(2));
	EXPECT_EQ(running.inbox.messages.size(), 2u);
	EXPECT_EQ(running.inbox.messages[0].what, uint32('invk'));
	BInvoker empty;
	EXPECT_EQ(empty.Invoke(), B_BAD_VALUE);
}
