// An add-on that ends the process from inside one of its calls (exit() in
// its Render, say) is named, and the process ends with status 1 rather than
// with the status the add-on chose.
#pragma once

#include <string>

// The host marks each call into an add-on's own code with a Scope. When the
// process exits while a thread is inside one, on that thread, the handler
// runs once the add-ons' own unload code has (their settings are written
// then, the other add-ons' included), writes "PROGRAM: PATH: the add-on ended
// the process in CALL" and ends the process with status 1. An exit from
// anywhere else goes on as it was.
class AddonExitGuard {
public:
	// For the rest of the process. [main thread, before any add-on loads]
	static void Install();

	// While it lives, the calling thread is inside `call` of the add-on at
	// `path`; both must outlive it (`call` is a literal). Scopes nest.
	// [any thread]
	class Scope {
	public:
		Scope(const std::string& path, const char* call);
		~Scope();

		Scope(const Scope&) = delete;
		Scope& operator=(const Scope&) = delete;

	private:
		const std::string* outerPath_;
		const char* outerCall_;
	};
};
