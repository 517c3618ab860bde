// An add-on that ends the process from inside one of its calls (exit() in
// its Render, say) is named, and the process ends with status 1 rather than
// with the status the add-on chose.
#pragma once

// An observer of the AddonWatch, asked as the process exits. When it exits
// while the exiting thread is inside a gated call, the handler runs once the
// add-ons' own unload code has (their settings are written then, the other
// add-ons' included), writes "PROGRAM: PATH: the add-on ended the process in
// CALL" and ends the process with status 1. An exit from anywhere else goes
// on as it was.
class AddonExitGuard {
public:
	// For the rest of the process. [main thread, before any add-on loads]
	static void Install();
};
