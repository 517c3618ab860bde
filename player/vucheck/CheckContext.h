// What one check gets in its child process and how it reports what it saw.
#pragma once

#include <cstdint>
#include <string>

// The outcome a check process reports on its report pipe when it ends, and
// as its exit status.
enum class CheckOutcome : int { kPass = 0, kFail = 1, kWarning = 2 };

// [check process, any thread] Fail(), Warn() and Step() send one line each
// at once, so that what was seen before a crash or a hang still reaches the
// report.
class CheckContext {
public:
	CheckContext(std::string addonPath, uint32_t seed, std::string settingsDirectory)
	    : fAddonPath(std::move(addonPath)), fSeed(seed), fSettingsDirectory(std::move(settingsDirectory)) {}

	const std::string& AddonPath() const { return fAddonPath; }
	uint32_t Seed() const { return fSeed; }
	// The check's own temporary settings folder, already in use by the kit.
	const std::string& SettingsDirectory() const { return fSettingsDirectory; }

	void Fail(const std::string& what);
	void Warn(const std::string& what);
	// A progress line, printed only so that a crash or timeout shows where it happened.
	void Step(const std::string& what);
	// Fails with `what` unless `condition` holds; returns `condition`.
	bool Expect(bool condition, const std::string& what);

	CheckOutcome Outcome() const;

private:
	std::string fAddonPath;
	uint32_t fSeed;
	std::string fSettingsDirectory;
	bool fFailed = false;
	bool fWarned = false;
};
