// Between the small plug-in libraries Qmmp loads (one per meter in its
// Visual folder, and the feed in its Effect folder) and the library that
// runs the meters (beside the kit and the add-ons, wherever the tree was
// installed), which the plug-ins find from their own file, links followed
// (feed/PluginLibrary.h).
//
// Plain C, so that nothing but these calls crosses. The meter calls run on
// Qmmp's main thread, the feed's as the comments say, as Qmmp makes them.
#pragma once

#ifdef __cplusplus
extern "C" {
#endif

typedef struct VuQmmpMeter VuQmmpMeter;

// The library's file name, in the tree's library folder.
#define VUMETERS_QMMP_LIBRARY "libvu-meters-qmmp.so"
// Bumped when a call below changes, so that a plug-in and a library of
// different builds refuse each other instead of crashing.
#define VUMETERS_QMMP_API 1
// The feed's short name, by which Qmmp enables it.
#define VUMETERS_QMMP_FEED "vu-meters-feed"

typedef int (*VuQmmpApiVersion)(void);
// Starts the meter process that runs the add-on `addon` ("corvel" or
// "kestle"), its drawing trace to the file $VUMETERS_<ADDON>_TRACE names, if
// set, and enables the feed. `title` names the meter in Qmmp's messages;
// `disable(context)` asks Qmmp to disable the plug-in later, when the meter
// closes or fails. Null on failure, with a line for the user written to
// `error` (`size` bytes), which the library has written on standard error.
typedef VuQmmpMeter* (*VuQmmpStart)(const char* addon, const char* title, void (*disable)(void* context),
                                    void* context, char* error, int size);
// Ends the meter process, which writes the settings; disables the feed
// after the last meter.
typedef void (*VuQmmpEnd)(VuQmmpMeter* meter);
// The add-on's preferences window, and its about box.
typedef void (*VuQmmpPrefs)(VuQmmpMeter* meter);
typedef void (*VuQmmpAbout)(VuQmmpMeter* meter);

// The feed: Qmmp's calls to its effect `effect`. Configure before the
// effect's first buffer, End on Qmmp's main thread once Apply, on its
// playback thread, is done with it; with every sample
// played: `count` interleaved samples; `songStart`, the first of a song.
typedef void (*VuQmmpFeedConfigure)(const void* effect, int channels, int rate);
typedef void (*VuQmmpFeedApply)(const void* effect, const float* samples, int count, int songStart);
typedef void (*VuQmmpFeedEnd)(const void* effect);

#ifdef __cplusplus
}
#endif
