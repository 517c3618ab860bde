// What one check gets in its child process and how it reports what it saw.
#pragma once

#include <cstdint>
#include <string>

#include "CheckOutcome.h"

// [check process, any thread] Fail(), Warn() and Step() send one line each
// at once, so that what was seen before a crash or a hang still reaches the
// report.
class CheckContext {
public:
	CheckContext(std::string addonPath, uint32_t seed, std::string settingsDirectory)
	    : addonPath_(std::move(addonPath)), seed_(seed), settingsDirectory_(std::move(settingsDirectory)) {}

	const std::string& AddonPath() const { return addonPath_; }
	uint32_t Seed() const { return seed_; }
	// The check's own temporary settings folder, already in use by the kit.
	const std::string& SettingsDirectory() const { return settingsDirectory_; }

	void Fail(const std::string& what);
	void Warn(const std::string& what);
	// A progress line, printed only so that a crash or timeout shows where it happened.
	void Step(const std::string& what);
	// Fails with `what` unless `condition` holds; returns `condition`.
	bool Expect(bool condition, const std::string& what);

	CheckOutcome Outcome() const;

private:
	std::string addonPath_;
	uint32_t seed_;
	std::string settingsDirectory_;
	bool failed_ = false;
	bool warned_ = false;
};
