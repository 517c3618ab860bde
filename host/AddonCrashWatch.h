// Reports a crash in an add-on's own code while it is being loaded or
// unloaded, "PROGRAM: PATH: the add-on crashed in CALL (signal N)".
#pragma once

#include <optional>
#include <string>

#include "host/AddonCallWatch.h"
#include "host/CrashReport.h"

// [the thread that loads the add-on]
class AddonCrashWatch final : public AddonCallWatch {
public:
	void Enter(const std::string& path, const char* call) override {
		report_.emplace(path + ": the add-on crashed in " + call);
	}
	void Leave(const char*) override { report_.reset(); }

private:
	std::optional<CrashReport> report_;
};
