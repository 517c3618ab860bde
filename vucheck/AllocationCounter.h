// Counts the heap allocations the calling thread makes between Start() and
// Stop(). The program replaces malloc and its relatives with counting
// wrappers around the C library's allocator; operator new reaches them
// through malloc. Under a sanitizer, which owns malloc, nothing is counted.
#pragma once

namespace AllocationCounter {

// False in sanitizer builds, where counting is not possible.
bool Available();
// [any thread] Counts only this thread's allocations.
void Start();
// Stops counting and returns the allocations since Start().
long Stop();

} // namespace AllocationCounter
