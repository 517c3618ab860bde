#include "AllocationCounter.h"

#include <cerrno>
#include <cstddef>

extern "C" {
void* __libc_malloc(size_t size);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* pointer, size_t size);
void* __libc_memalign(size_t alignment, size_t size);
}

namespace {

// Local-exec thread-locals of the program itself: reading them allocates nothing.
thread_local bool tCounting = false;
thread_local long tCount = 0;

inline void Note() {
	if (tCounting) tCount++;
}

} // namespace

bool AllocationCounter::Available() { return true; }

void AllocationCounter::Start() {
	tCount = 0;
	tCounting = true;
}

long AllocationCounter::Stop() {
	tCounting = false;
	return tCount;
}

extern "C" {

void* malloc(size_t size) {
	Note();
	return __libc_malloc(size);
}

void* calloc(size_t count, size_t size) {
	Note();
	return __libc_calloc(count, size);
}

void* realloc(void* pointer, size_t size) {
	Note();
	return __libc_realloc(pointer, size);
}

void* memalign(size_t alignment, size_t size) {
	Note();
	return __libc_memalign(alignment, size);
}

void* aligned_alloc(size_t alignment, size_t size) {
	Note();
	return __libc_memalign(alignment, size);
}

int posix_memalign(void** result, size_t alignment, size_t size) {
	Note();
	void* pointer = __libc_memalign(alignment, size);
	if (!pointer) return ENOMEM;
	*result = pointer;
	return 0;
}

} // extern "C"
