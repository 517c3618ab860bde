#include <Looper.h>
#include <Messenger.h>
#include <OS.h>
#include <kit/Display.h>

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "support/Watchdog.h"

namespace {

// Records what it receives and on which thread; signals each arrival.
class RecordingLooper : public BLooper {
public:
	RecordingLooper(std::vector<int32>* received, sem_id arrived, std::atomic<bool>* destroyed = nullptr)
	    : BLooper("recording"), fReceived(received), fArrived(arrived), fDestroyed(destroyed) {}
	~RecordingLooper() override {
		if (fDestroyed) fDestroyed->store(true);
	}

	void MessageReceived(BMessage* message) override {
		EXPECT_TRUE(IsLocked());
		EXPECT_EQ(find_thread(nullptr), Thread());
		EXPECT_EQ(CurrentMessage(), message);
		fReceived->push_back(message->GetInt32("n", -1));
		release_sem(fArrived);
	}

private:
	std::vector<int32>* fReceived;
	sem_id fArrived;
	std::atomic<bool>* fDestroyed;
};

// Takes a while over each message.
class SlowLooper : public BLooper {
public:
	void MessageReceived(BMessage*) override {
		snooze(20000);
		handled++;
	}
	std::atomic<int32> handled{0};
};

class CountingHandler : public BHandler {
public:
	void MessageReceived(BMessage* message) override { received.push_back(message->what); }
	std::vector<uint32> received;
};

} // namespace

TEST(Looper, DeliversMessagesInOrderOnItsOwnThreadWithTheLockHeld) {
	Watchdog watchdog;
	std::vector<int32> received;
	sem_id arrived = create_sem(0, "arrived");
	auto* looper = new RecordingLooper(&received, arrived);
	looper->Run();
	for (int32 i = 0; i < 200; i++) {
		BMessage message('num ');
		message.AddInt32("n", i);
		ASSERT_EQ(looper->PostMessage(&message), B_OK);
	}
	ASSERT_EQ(acquire_sem_etc(arrived, 200, B_TIMEOUT, 10000000), B_OK);
	ASSERT_TRUE(looper->Lock());
	looper->Quit();
	ASSERT_EQ(received.size(), 200u);
	for (int32 i = 0; i < 200; i++)
		EXPECT_EQ(received[i], i);
	delete_sem(arrived);
}

TEST(Looper, NewLooperIsLockedByItsCreatorUntilRun) {
	Watchdog watchdog;
	std::vector<int32> received;
	sem_id arrived = create_sem(0, "arrived");
	auto* looper = new RecordingLooper(&received, arrived);
	EXPECT_TRUE(looper->IsLocked());
	std::atomic<status_t> other{B_OK};
	std::thread([&] { other = looper->LockWithTimeout(10000); }).join();
	EXPECT_EQ(other.load(), B_TIMED_OUT);
	looper->Run();
	EXPECT_FALSE(looper->IsLocked());
	std::thread([&] {
		other = looper->LockWithTimeout(1000000);
		if (other == B_OK) looper->Unlock();
	}).join();
	EXPECT_EQ(other.load(), B_OK);
	ASSERT_TRUE(looper->Lock());
	looper->Quit();
	delete_sem(arrived);
}

TEST(Looper, LockIsRecursiveAndExcludesOtherThreads) {
	Watchdog watchdog;
	std::vector<int32> received;
	sem_id arrived = create_sem(0, "arrived");
	auto* looper = new RecordingLooper(&received, arrived);
	looper->Run();
	std::atomic<int> inside{0};
	std::atomic<int> maxInside{0};
	std::atomic<int> total{0};
	std::vector<std::thread> threads;
	for (int t = 0; t < 4; t++) {
		threads.emplace_back([&] {
			for (int i = 0; i < 500; i++) {
				ASSERT_TRUE(looper->Lock());
				ASSERT_TRUE(looper->Lock());
				int now = ++inside;
				if (now > maxInside) maxInside = now;
				total++;
				EXPECT_EQ(looper->CountLocks(), 2);
				inside--;
				looper->Unlock();
				looper->Unlock();
			}
		});
	}
	for (int i = 0; i < 100; i++) {
		BMessage message(1);
		message.AddInt32("n", i);
		looper->PostMessage(&message);
	}
	for (auto& thread : threads)
		thread.join();
	ASSERT_EQ(acquire_sem_etc(arrived, 100, B_TIMEOUT, 10000000), B_OK);
	EXPECT_EQ(maxInside.load(), 1);
	EXPECT_EQ(total.load(), 2000);
	ASSERT_TRUE(looper->Lock());
	looper->Quit();
	delete_sem(arrived);
}

TEST(Looper, QuitFromAnotherThreadReturnsAfterTheLooperIsDestroyed) {
	Watchdog watchdog;
	for (int round = 0; round < 20; round++) {
		std::vector<int32> received;
		sem_id arrived = create_sem(0, "arrived");
		std::atomic<bool> destroyed{false};
		auto* looper = new RecordingLooper(&received, arrived, &destroyed);
		looper->Run();
		for (int i = 0; i < 20; i++)
			looper->PostMessage('busy');
		ASSERT_TRUE(looper->Lock());
		looper->Quit();
		EXPECT_TRUE(destroyed.load());
		delete_sem(arrived);
	}
}

TEST(Looper, QuitFromItsOwnThreadEndsTheLoopAndLockFailsAfterwards) {
	Watchdog watchdog;
	class SelfQuitting : public BLooper {
	public:
		explicit SelfQuitting(sem_id gone) : fGone(gone) {}
		~SelfQuitting() override { release_sem(fGone); }
		void MessageReceived(BMessage* message) override {
			if (message->what == 'quit') Quit();
		}
		sem_id fGone;
	};
	sem_id gone = create_sem(0, "gone");
	auto* looper = new SelfQuitting(gone);
	looper->Run();
	BMessenger messenger(looper);
	looper->PostMessage('quit');
	ASSERT_EQ(acquire_sem_etc(gone, 1, B_TIMEOUT, 5000000), B_OK);
	// The destructor has run; the messenger no longer reaches anything.
	snooze(10000);
	EXPECT_FALSE(messenger.IsValid());
	EXPECT_FALSE(messenger.LockTarget());
	delete_sem(gone);
}

TEST(Looper, QuitRequestedDecidesWhetherItQuits) {
	Watchdog watchdog;
	class Refusing : public BLooper {
	public:
		bool QuitRequested() override {
			asked++;
			return allow;
		}
		std::atomic<int> asked{0};
		std::atomic<bool> allow{false};
	};
	auto* looper = new Refusing;
	looper->Run();
	BMessenger messenger(looper);
	looper->PostMessage(B_QUIT_REQUESTED);
	while (looper->asked.load() == 0)
		snooze(1000);
	EXPECT_TRUE(messenger.IsValid());
	looper->allow = true;
	looper->PostMessage(B_QUIT_REQUESTED);
	bigtime_t deadline = system_time() + 5000000;
	while (messenger.IsValid() && system_time() < deadline)
		snooze(1000);
	EXPECT_FALSE(messenger.IsValid());
}

TEST(Looper, PostsToAHandlerOfItsOwnAndRefusesAStranger) {
	Watchdog watchdog;
	std::vector<int32> received;
	sem_id arrived = create_sem(0, "arrived");
	auto* looper = new RecordingLooper(&received, arrived);
	CountingHandler handler;
	CountingHandler stranger;
	looper->AddHandler(&handler);
	looper->Run();
	EXPECT_EQ(looper->PostMessage('abcd', &handler), B_OK);
	EXPECT_EQ(looper->PostMessage('abcd', &stranger), B_MISMATCHED_VALUES);
	looper->PostMessage('last');
	ASSERT_EQ(acquire_sem_etc(arrived, 1, B_TIMEOUT, 5000000), B_OK);
	ASSERT_TRUE(looper->Lock());
	EXPECT_EQ(handler.received, std::vector<uint32>{'abcd'});
	looper->RemoveHandler(&handler);
	looper->Quit();
	delete_sem(arrived);
}

TEST(Looper, UnhandledMessagesGoToTheNextHandler) {
	Watchdog watchdog;
	std::vector<int32> received;
	sem_id arrived = create_sem(0, "arrived");
	auto* looper = new RecordingLooper(&received, arrived);
	BHandler passing("passing");
	looper->AddHandler(&passing);
	EXPECT_EQ(passing.NextHandler(), looper);
	looper->Run();
	BMessage message(5);
	message.AddInt32("n", 77);
	looper->PostMessage(&message, &passing);
	ASSERT_EQ(acquire_sem_etc(arrived, 1, B_TIMEOUT, 5000000), B_OK);
	EXPECT_EQ(received, std::vector<int32>{77});
	ASSERT_TRUE(looper->Lock());
	looper->RemoveHandler(&passing);
	looper->Quit();
	delete_sem(arrived);
}

TEST(Looper, WaitForIdleReturnsOnceEverythingSentBeforeIsHandled) {
	Watchdog watchdog;
	auto* looper = new SlowLooper;
	looper->Run();
	for (int32 i = 0; i < 5; i++)
		ASSERT_EQ(looper->PostMessage('slow'), B_OK);
	EXPECT_TRUE(kit::WaitForIdle(looper));
	EXPECT_EQ(looper->handled.load(), 5);
	// Idle already: nothing to wait for, and nothing new handled.
	EXPECT_TRUE(kit::WaitForIdle(looper));
	EXPECT_EQ(looper->handled.load(), 5);
	ASSERT_TRUE(looper->PostMessage('slow') == B_OK && kit::WaitForIdle(looper));
	EXPECT_EQ(looper->handled.load(), 6);
	ASSERT_TRUE(looper->Lock());
	looper->Quit();
}

namespace {

// Frees itself slowly, as an add-on's deleting destructor might still be
// running when the object is already destroyed.
class SlowToFree : public BLooper {
public:
	static void* operator new(size_t size) { return ::operator new(size); }
	static void operator delete(void* memory) {
		snooze(50000);
		::operator delete(memory);
		freed = true;
	}
	static inline std::atomic<bool> freed{false};
};

} // namespace

TEST(Looper, QuitFromAnotherThreadReturnsOnlyOnceTheLooperThreadHasLeftItsCode) {
	Watchdog watchdog;
	for (int round = 0; round < 5; round++) {
		SlowToFree::freed = false;
		auto* looper = new SlowToFree;
		looper->Run();
		ASSERT_TRUE(looper->Lock());
		looper->Quit();
		EXPECT_TRUE(SlowToFree::freed.load());
	}
}

// Each in a child process: the kit ends the process on a call it cannot
// honour, in every build, and says what the caller forgot.
TEST(KitAssertDeathTest, AMisuseEndsTheProcessNamingWhatTheCallerForgot) {
	GTEST_FLAG_SET(death_test_style, "threadsafe");
	EXPECT_DEATH(
	    {
		    auto* looper = new BLooper("not locked");
		    looper->Run();
		    looper->Quit();
	    },
	    "kit: Lock\\(\\) the looper before Quit\\(\\) from another thread\n");
	EXPECT_DEATH(
	    {
		    auto* looper = new BLooper("run twice");
		    looper->Run();
		    looper->Run();
	    },
	    "kit: Run\\(\\) a looper only once\n");
	EXPECT_DEATH(
	    {
		    auto* looper = new BLooper("unlocked by a stranger");
		    looper->Run();
		    looper->Unlock();
	    },
	    "kit: Lock\\(\\) a looper on the thread that will Unlock\\(\\) it\n");
	EXPECT_DEATH(kit::UseHeadlessDisplay(0, 768),
	             "kit: give UseHeadlessDisplay\\(\\) a screen of at least one pixel\n");
}
