// Kernel services: semaphores, time and thread identity.
//
// Semaphores are counting semaphores identified by a sem_id. Ids are never
// reused: once deleted, an id names no semaphore for the rest of the process.
// Threads blocked on a semaphore that is deleted wake up with B_BAD_SEM_ID.
// Every call here may be made from any thread.
#pragma once

#include "SupportDefs.h"

typedef int32 sem_id;
typedef int32 thread_id;

enum {
	B_CAN_INTERRUPT = 0x01,
	B_CHECK_PERMISSION = 0x04,
	B_TIMEOUT = 0x08, // timeout is relative to now, in microseconds
	B_RELATIVE_TIMEOUT = 0x08,
	B_ABSOLUTE_TIMEOUT = 0x10, // timeout is a system_time() value
};

const bigtime_t B_INFINITE_TIMEOUT = INT64_MAX;

// Semaphores [any thread]
// create_sem returns a new id (> 0), or B_BAD_VALUE for a negative count.
BE_EXPORT sem_id create_sem(int32 count, const char* name);
// Wakes every waiter with B_BAD_SEM_ID. B_BAD_SEM_ID when the id names no live semaphore.
BE_EXPORT status_t delete_sem(sem_id sem);
BE_EXPORT status_t acquire_sem(sem_id sem);
// Takes `count` units. With B_TIMEOUT or B_ABSOLUTE_TIMEOUT it gives up with
// B_TIMED_OUT when the time passes, or at once with B_WOULD_BLOCK when a
// relative timeout of 0 finds too few units.
BE_EXPORT status_t acquire_sem_etc(sem_id sem, int32 count, uint32 flags, bigtime_t timeout);
BE_EXPORT status_t release_sem(sem_id sem);
BE_EXPORT status_t release_sem_etc(sem_id sem, int32 count, uint32 flags);
BE_EXPORT status_t get_sem_count(sem_id sem, int32* count);

// Time [any thread]
// Microseconds on a monotonic clock.
BE_EXPORT bigtime_t system_time();
BE_EXPORT status_t snooze(bigtime_t microseconds);
BE_EXPORT status_t snooze_until(bigtime_t time, int timeBase);

// Threads [any thread]
// With a null name, the calling thread's id. Named lookup is not supported.
BE_EXPORT thread_id find_thread(const char* name);
