// What a host program does around each step that runs an add-on's own code,
// so that an add-on that crashes there is reported as the program reports.
#pragma once

#include <string>

// `call` names the step, for a report: "the library's constructors (dlopen)",
// "NewPlugin", "the plug-in's destructor", "the library's destructors
// (dlclose)"; it is a literal and outlives the call. Enter and Leave come in
// pairs, never nested.
//
// [the thread that loads the add-on]
class AddonCallWatch {
public:
	virtual ~AddonCallWatch() = default;

	virtual void Enter(const std::string& path, const char* call) = 0;
	virtual void Leave(const char* call) = 0;
};
