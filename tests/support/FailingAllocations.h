// Makes memory run out for one thread: while a FailingAllocations lives,
// every operator new on the thread that made it throws std::bad_alloc, as
// it would when memory is exhausted. Other threads allocate as usual.
#pragma once

class FailingAllocations {
public:
	FailingAllocations();
	~FailingAllocations();
	FailingAllocations(const FailingAllocations&) = delete;
	FailingAllocations& operator=(const FailingAllocations&) = delete;
};
