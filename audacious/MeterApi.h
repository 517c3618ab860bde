// Between the small plug-in libraries Audacious loads (one per meter in its
// Visualization folder, and the feed in its Effect folder) and the library
// that runs the meters (beside the kit and the add-ons, wherever the tree was
// installed). The plug-ins find that library from their own file, links
// followed, so that a plug-in linked into Audacious's folder from any
// installed tree works; they depend on nothing of the tree themselves.
//
// Plain C, so that nothing but these calls crosses. The meter calls run on
// Audacious's main thread, the feed's on its playback thread, as Audacious
// makes them.
#pragma once

#ifdef __cplusplus
extern "C" {
#endif

typedef struct VuMeter VuMeter;

// The library's file name, in the tree's library folder.
#define VUMETERS_AUDACIOUS_LIBRARY "libvu-meters-audacious.so"
// Bumped when a call below changes, so that a plug-in and a library of
// different builds refuse each other instead of crashing.
#define VUMETERS_AUDACIOUS_API 2
// The feed plug-in's file in Audacious's Effect folder, without ".so".
#define VUMETERS_FEED_PLUGIN "vu-meters-feed"

typedef int (*VuMeterApiVersion)(void);
// Starts the meter process that runs the add-on `addon` ("corvel" or
// "kestle"), its drawing trace to the file $VUMETERS_<ADDON>_TRACE names, if
// set, and enables the feed. `title` names the meter in Audacious's messages;
// `disable` asks Audacious to disable the plug-in later, when the meter
// closes or fails. Null on failure, with a line for the user written to
// `error` (`size` bytes).
typedef VuMeter* (*VuMeterStart)(const char* addon, const char* title, void (*disable)(void), char* error,
                                 int size);
// Ends the meter process, which writes the settings; disables the feed
// after the last meter.
typedef void (*VuMeterEnd)(VuMeter* meter);
// The add-on's preferences window, and its about box.
typedef void (*VuMeterPrefs)(VuMeter* meter);
typedef void (*VuMeterAbout)(VuMeter* meter);

// The feed: Audacious's effect calls, every sample played, on its playback
// thread. `count` is in samples, all channels together.
typedef void (*VuFeedStart)(int channels, int rate);
typedef void (*VuFeedProcess)(const float* samples, int count);
typedef void (*VuFeedFlush)(void);
typedef void (*VuFeedFinish)(int endOfPlaylist);

#ifdef __cplusplus
}
#endif
