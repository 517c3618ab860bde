#include "AllocationCounter.h"

bool AllocationCounter::Available() { return false; }

void AllocationCounter::Start() {}

long AllocationCounter::Stop() { return 0; }
