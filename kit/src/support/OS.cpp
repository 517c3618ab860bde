// Semaphores, time and thread identity.
#include <OS.h>

#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>

namespace {

struct Semaphore {
	std::mutex lock;
	std::condition_variable changed;
	int32 count = 0;
	bool deleted = false;
	std::string name;
};

// Ids only grow, so a deleted semaphore's id never names another one.
struct SemaphoreTable {
	std::mutex lock;
	std::unordered_map<sem_id, std::shared_ptr<Semaphore>> semaphores;
	sem_id nextId = 1;
};

SemaphoreTable& Table() {
	static SemaphoreTable* table = new SemaphoreTable; // never destroyed: used until the last thread ends
	return *table;
}

std::shared_ptr<Semaphore> Find(sem_id id) {
	SemaphoreTable& table = Table();
	std::lock_guard guard(table.lock);
	auto found = table.semaphores.find(id);
	return found == table.semaphores.end() ? nullptr : found->second;
}

std::chrono::steady_clock::time_point ToTimePoint(bigtime_t systemTime) {
	return std::chrono::steady_clock::time_point(std::chrono::microseconds(systemTime));
}

} // namespace

sem_id create_sem(int32 count, const char* name) {
	if (count < 0) return B_BAD_VALUE;
	auto semaphore = std::make_shared<Semaphore>();
	semaphore->count = count;
	semaphore->name = name ? name : "";
	SemaphoreTable& table = Table();
	std::lock_guard guard(table.lock);
	if (table.nextId == INT32_MAX) return B_NO_MORE_SEMS;
	sem_id id = table.nextId++;
	table.semaphores.emplace(id, std::move(semaphore));
	return id;
}

status_t delete_sem(sem_id id) {
	std::shared_ptr<Semaphore> semaphore;
	{
		SemaphoreTable& table = Table();
		std::lock_guard guard(table.lock);
		auto found = table.semaphores.find(id);
		if (found == table.semaphores.end()) return B_BAD_SEM_ID;
		semaphore = std::move(found->second);
		table.semaphores.erase(found);
	}
	std::lock_guard guard(semaphore->lock);
	semaphore->deleted = true;
	semaphore->changed.notify_all();
	return B_OK;
}

status_t acquire_sem(sem_id id) { return acquire_sem_etc(id, 1, 0, 0); }

status_t acquire_sem_etc(sem_id id, int32 count, uint32 flags, bigtime_t timeout) {
	if (count < 1) return B_BAD_VALUE;
	std::shared_ptr<Semaphore> semaphore = Find(id);
	if (!semaphore) return B_BAD_SEM_ID;

	const bool timed =
	    (flags & (B_RELATIVE_TIMEOUT | B_ABSOLUTE_TIMEOUT)) != 0 && timeout != B_INFINITE_TIMEOUT;
	bigtime_t deadline = 0;
	if (timed) {
		if (flags & B_ABSOLUTE_TIMEOUT)
			deadline = timeout;
		else
			deadline =
			    timeout > B_INFINITE_TIMEOUT - system_time() ? B_INFINITE_TIMEOUT : system_time() + timeout;
	}

	std::unique_lock guard(semaphore->lock);
	auto ready = [&] { return semaphore->deleted || semaphore->count >= count; };
	if (!ready()) {
		if (timed && (flags & B_RELATIVE_TIMEOUT) && timeout <= 0) return B_WOULD_BLOCK;
		if (timed && deadline != B_INFINITE_TIMEOUT) {
			if (!semaphore->changed.wait_until(guard, ToTimePoint(deadline), ready)) return B_TIMED_OUT;
		} else {
			semaphore->changed.wait(guard, ready);
		}
	}
	if (semaphore->deleted) return B_BAD_SEM_ID;
	semaphore->count -= count;
	return B_OK;
}

status_t release_sem(sem_id id) { return release_sem_etc(id, 1, 0); }

status_t release_sem_etc(sem_id id, int32 count, uint32) {
	if (count < 1) return B_BAD_VALUE;
	std::shared_ptr<Semaphore> semaphore = Find(id);
	if (!semaphore) return B_BAD_SEM_ID;
	std::lock_guard guard(semaphore->lock);
	if (semaphore->deleted) return B_BAD_SEM_ID;
	if (semaphore->count > INT32_MAX - count) return B_BAD_VALUE;
	semaphore->count += count;
	semaphore->changed.notify_all();
	return B_OK;
}

status_t get_sem_count(sem_id id, int32* count) {
	if (!count) return B_BAD_VALUE;
	std::shared_ptr<Semaphore> semaphore = Find(id);
	if (!semaphore) return B_BAD_SEM_ID;
	std::lock_guard guard(semaphore->lock);
	*count = semaphore->count;
	return B_OK;
}

bigtime_t system_time() {
	return std::chrono::duration_cast<std::chrono::microseconds>(
	           std::chrono::steady_clock::now().time_since_epoch())
	    .count();
}

status_t snooze(bigtime_t microseconds) {
	if (microseconds <= 0) return B_OK;
	timespec remaining = {time_t(microseconds / 1000000), long(microseconds % 1000000) * 1000};
	while (nanosleep(&remaining, &remaining) != 0) {
	}
	return B_OK;
}

status_t snooze_until(bigtime_t time, int) { return snooze(time - system_time()); }

thread_id find_thread(const char* name) {
	if (name) return B_NAME_NOT_FOUND;
	static thread_local thread_id self = thread_id(syscall(SYS_gettid));
	return self;
}
