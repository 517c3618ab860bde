#include "support/FailingAllocations.h"

#include <dlfcn.h>

#include <cstddef>
#include <new>

// The program's operator new comes first for the add-ons too, which find it
// by name when they are loaded. When not failing, it hands over to the one
// it replaces (the standard library's, or a sanitizer's), so that every
// delete still meets the allocator it expects.

namespace {

thread_local bool tFailing = false;

using NewFunction = void* (*)(std::size_t);

NewFunction Replaced(const char* symbol) { return reinterpret_cast<NewFunction>(dlsym(RTLD_NEXT, symbol)); }

} // namespace

FailingAllocations::FailingAllocations() { tFailing = true; }

FailingAllocations::~FailingAllocations() { tFailing = false; }

void* operator new(std::size_t size) {
	if (tFailing) throw std::bad_alloc();
	static const NewFunction replaced = Replaced("_Znwm");
	return replaced(size);
}

void* operator new[](std::size_t size) {
	if (tFailing) throw std::bad_alloc();
	static const NewFunction replaced = Replaced("_Znam");
	return replaced(size);
}
