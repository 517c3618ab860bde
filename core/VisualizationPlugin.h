// The contract between the player and a visualisation add-on: the base class
// the player compiles against, the records it hands over, and the one export.
//
// The host calls Init() before any Render(), Render() once per audio block
// while running, Cleanup() at the end, and Prefs(), GetFlags() and SongInfo()
// at any time, all on the one thread that drives the add-on. About(false)
// blocks until its box is answered, so the host calls it on a thread of its
// own, and Render() and the other calls go on meanwhile; the object is neither
// stopped nor deleted, nor its library closed, while About() has not
// returned. A `query` of true asks only whether the feature exists, and comes
// on the driving thread.
#pragma once

#include <cstddef>
#include <cstring>

#include <Handler.h>
#include <SupportDefs.h>

struct SongInfoStruct;
struct VisGUIInfoStruct;

// The audio record handed to Render. Only the sample pointer is read; it lies
// in the eighth 32-bit word, at byte offset 28, on every target, which leaves
// it 4-byte aligned on 64-bit machines: read it with Samples().
struct __attribute__((packed, aligned(4))) VisAudioInfoStruct {
	int32 reserved[7];
	const int16* samples; // interleaved signed 16-bit stereo, left first

	const int16* Samples() const {
		const int16* pointer;
		std::memcpy(&pointer, reinterpret_cast<const char*>(this) + offsetof(VisAudioInfoStruct, samples),
		            sizeof pointer);
		return pointer;
	}
};
static_assert(offsetof(VisAudioInfoStruct, samples) == 28, "the sample pointer lies at byte offset 28");

// Values in one block handed to Render: 512 stereo frames.
inline constexpr int32 kBlockValues = 1024;

// Message to the player when the user closes the meter window; the pointer
// field "Object" holds the plug-in object.
inline constexpr uint32 PLUGIN_CLOSE_NOTICE = 904;

class VisualizationPlugin {
public:
	const char* short_name;
	const char* long_name;
	BHandler* host_handler; // the player's; messages to the player go to its looper
	bool host_flag;         // the player's; never read here

	VisualizationPlugin(const char* shortName, const char* longName)
	    : short_name(shortName), long_name(longName), host_handler(nullptr), host_flag(false) {}
	virtual ~VisualizationPlugin() = default;

	virtual bool Init() = 0;
	virtual void Cleanup() = 0;
	virtual bool About(bool query) = 0;
	virtual bool Prefs(bool query) = 0;
	virtual uint32 GetFlags() = 0;
	virtual void SongInfo(SongInfoStruct* info) = 0;
	virtual bool Render(const VisAudioInfoStruct* info) = 0;
	virtual int32 Draw(VisGUIInfoStruct*) { return 0; }
};

// The add-on's only export. Stores 1 through `out` and returns a new plug-in
// object, which belongs to the player from then on.
extern "C" VisualizationPlugin* NewPlugin(int32* out);
typedef VisualizationPlugin* (*NewPluginFunction)(int32* out);
