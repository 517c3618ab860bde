#include "support/KitAssert.h"

#include <cstdio>
#include <cstdlib>

void KitAssertionFailed(const char* whatTheCallerForgot) {
	std::fprintf(stderr, "kit: %s\n", whatTheCallerForgot);
	std::abort();
}
