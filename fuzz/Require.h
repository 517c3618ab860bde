// The fuzz targets' invariant check: a broken invariant is a crash that
// libFuzzer saves as an artifact, with the reason printed above it.
#pragma once

#include <cstdio>
#include <cstdlib>

inline void Require(bool holds, const char* invariant) {
	if (holds) return;
	std::fprintf(stderr, "invariant broken: %s\n", invariant);
	std::abort();
}
