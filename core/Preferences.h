// The two settings that survive between runs: where the meter window was and
// the gain. The one instance, ThePrefs, reads the settings file when the
// library is loaded and writes it when the library is unloaded.
//
// The file is 20 bytes, little-endian, with no header: frame.left, frame.top,
// frame.right, frame.bottom as 32-bit IEEE floats, then gain as a signed
// 32-bit integer.
#pragma once

#include <atomic>

#include <Rect.h>
#include <SupportDefs.h>

class Preferences {
public:
	// The meter window's frame in screen coordinates. Written by
	// MyPlugin::Cleanup under the meter window's lock, read by MyPlugin::Init
	// [player thread].
	BRect frame;
	// Gain in percent, 1 to 1000. Written by the gain panel [preferences window
	// thread] and read once per block by the level measurement [player thread],
	// without a lock: hence atomic.
	std::atomic<int32> gain;

	// The settings file as the platform names it; each add-on defines its own.
	// Constant-initialised, because ThePrefs reads it while the library's
	// globals are being constructed.
	static const char* const PrefsDataFile;
	// The frame of the defaults.
	static constexpr BRect DefaultFrame{50, 50, 100, 450};

	// Runs Init().
	Preferences();
	// Writes the settings file; on any failure the old file stays as it was,
	// and nobody is told.
	~Preferences();
	Preferences(const Preferences&) = delete;
	Preferences& operator=(const Preferences&) = delete;

	// Sets the defaults, then takes what the settings file holds: a short file
	// covers only its first bytes, and a gain outside 1 to 1000 becomes 100.
	void Init();
	// Frame 50, 50, 100, 450 and gain 100.
	void SetDefData();

private:
	static constexpr size_t kRecordSize = 20;
	static_assert(std::atomic<int32>::is_always_lock_free);

	void Encode(uint8 record[kRecordSize]) const;
	void Decode(const uint8 record[kRecordSize]);
	void Write() const;
};

// The library's settings; constructed at load, destroyed at unload.
extern Preferences ThePrefs;
