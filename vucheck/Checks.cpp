#include "Checks.h"

#include <array>

std::span<const Check> AllChecks() {
	static constexpr std::array<Check, 8> checks{{
	    {1, "load and unload 50 times", CheckLoadUnload},
	    {2, "Init, 100 renders, Cleanup, five times", CheckLifecycle},
	    {3, "calls out of order", CheckCallsOutOfOrder},
	    {4, "random calls and window events", CheckRandomSequence},
	    {5, "hostile audio blocks", CheckHostileBlocks},
	    {6, "no heap allocation in Render", CheckRenderAllocations},
	    {7, "about and preferences while rendering, unload with preferences open",
	     CheckWindowsWhileRendering},
	    {8, "settings file", CheckSettings},
	}};
	return checks;
}
