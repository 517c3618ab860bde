// The checks vucheck runs on an add-on, each in a process of its own.
#pragma once

#include <span>

#include "CheckContext.h"

struct Check {
	int number;
	const char* title;
	void (*run)(CheckContext& context);
};

// In the order they run; numbered from 1.
std::span<const Check> AllChecks();

// One function per check, each in the file named after it.
void CheckLoadUnload(CheckContext& context);
void CheckLifecycle(CheckContext& context);
void CheckCallsOutOfOrder(CheckContext& context);
void CheckRandomSequence(CheckContext& context);
void CheckHostileBlocks(CheckContext& context);
void CheckRenderAllocations(CheckContext& context);
void CheckWindowsWhileRendering(CheckContext& context);
void CheckSettings(CheckContext& context);
