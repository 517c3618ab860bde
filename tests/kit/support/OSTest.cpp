#include <OS.h>

#include <atomic>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "support/Watchdog.h"

TEST(Semaphore, TakesAndGivesBackUnits) {
	sem_id sem = create_sem(2, "units");
	ASSERT_GT(sem, 0);
	EXPECT_EQ(acquire_sem(sem), B_OK);
	EXPECT_EQ(acquire_sem_etc(sem, 1, B_TIMEOUT, 0), B_OK);
	EXPECT_EQ(acquire_sem_etc(sem, 1, B_TIMEOUT, 0), B_WOULD_BLOCK);
	EXPECT_EQ(release_sem(sem), B_OK);
	int32 count = -1;
	EXPECT_EQ(get_sem_count(sem, &count), B_OK);
	EXPECT_EQ(count, 1);
	EXPECT_EQ(acquire_sem_etc(sem, 2, B_TIMEOUT, 0), B_WOULD_BLOCK);
	EXPECT_EQ(delete_sem(sem), B_OK);
}

TEST(Semaphore, NegativeCountIsRefused) { EXPECT_EQ(create_sem(-1, "bad"), B_BAD_VALUE); }

TEST(Semaphore, RelativeTimeoutWaitsAboutThatLong) {
	sem_id sem = create_sem(0, "timeout");
	bigtime_t start = system_time();
	EXPECT_EQ(acquire_sem_etc(sem, 1, B_TIMEOUT, 50000), B_TIMED_OUT);
	EXPECT_GE(system_time() - start, 50000);
	start = system_time();
	EXPECT_EQ(acquire_sem_etc(sem, 1, B_ABSOLUTE_TIMEOUT, start + 30000), B_TIMED_OUT);
	EXPECT_GE(system_time() - start, 29000);
	delete_sem(sem);
}

TEST(Semaphore, ShortTimeoutTakesAFreeUnitAtOnce) {
	sem_id sem = create_sem(1, "free");
	EXPECT_EQ(acquire_sem_etc(sem, 1, B_TIMEOUT, 50), B_OK);
	EXPECT_EQ(acquire_sem_etc(sem, 1, B_TIMEOUT, 50), B_TIMED_OUT);
	delete_sem(sem);
}

TEST(Semaphore, DeletedIdNeverNamesAnotherSemaphore) {
	sem_id first = create_sem(1, "first");
	ASSERT_EQ(delete_sem(first), B_OK);
	for (int i = 0; i < 100; i++) {
		sem_id other = create_sem(1, "other");
		EXPECT_NE(other, first);
		delete_sem(other);
	}
	EXPECT_EQ(acquire_sem_etc(first, 1, B_TIMEOUT, 50), B_BAD_SEM_ID);
	EXPECT_EQ(release_sem(first), B_BAD_SEM_ID);
	EXPECT_EQ(delete_sem(first), B_BAD_SEM_ID);
	EXPECT_EQ(acquire_sem_etc(B_BAD_VALUE, 1, B_TIMEOUT, 50), B_BAD_SEM_ID);
}

TEST(Semaphore, DeletionWakesBlockedThreadsWithBadSemId) {
	Watchdog watchdog;
	sem_id sem = create_sem(0, "blocked");
	std::vector<std::thread> waiters;
	std::atomic<int> woken{0};
	std::vector<status_t> results(3, B_OK);
	for (int i = 0; i < 3; i++) {
		waiters.emplace_back([&, i] {
			results[i] = acquire_sem(sem);
			woken++;
		});
	}
	snooze(20000);
	EXPECT_EQ(woken.load(), 0);
	ASSERT_EQ(delete_sem(sem), B_OK);
	for (auto& waiter : waiters)
		waiter.join();
	for (status_t result : results)
		EXPECT_EQ(result, B_BAD_SEM_ID);
}

TEST(Semaphore, OneUnitAdmitsOneOfManyRacingThreads) {
	Watchdog watchdog;
	for (int round = 0; round < 50; round++) {
		sem_id sem = create_sem(1, "race");
		std::atomic<int> admitted{0};
		std::vector<std::thread> racers;
		for (int i = 0; i < 4; i++)
			racers.emplace_back([&] {
				if (acquire_sem_etc(sem, 1, B_TIMEOUT, 50) == B_OK) admitted++;
			});
		for (auto& racer : racers)
			racer.join();
		EXPECT_EQ(admitted.load(), 1);
		delete_sem(sem);
	}
}

TEST(Time, SnoozeSleepsAndSystemTimeAdvances) {
	bigtime_t start = system_time();
	snooze(20000);
	EXPECT_GE(system_time() - start, 20000);
	EXPECT_EQ(find_thread(nullptr), find_thread(nullptr));
	thread_id other = -1;
	std::thread([&] { other = find_thread(nullptr); }).join();
	EXPECT_NE(other, find_thread(nullptr));
}
