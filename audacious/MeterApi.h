// Between the small plug-in libraries Audacious loads (one per meter, in
// Audacious's own folder) and the library that runs the meters (beside the
// kit and the add-ons, wherever the tree was installed). The plug-ins find
// that library from their own file, links followed, so that a plug-in linked
// into Audacious's folder from any installed tree works; they depend on
// nothing of the tree themselves.
//
// Plain C, so that nothing but these calls crosses. [Audacious's main thread]
// Every call.
#pragma once

#ifdef __cplusplus
extern "C" {
#endif

typedef struct VuMeter VuMeter;

// The library's file name, in the tree's library folder.
#define VUMETERS_AUDACIOUS_LIBRARY "libvu-meters-audacious.so"
// Bumped when a call below changes, so that a plug-in and a library of
// different builds refuse each other instead of crashing.
#define VUMETERS_AUDACIOUS_API 1

typedef int (*VuMeterApiVersion)(void);
// Loads and starts the add-on `addon` ("corvel", "kestle" or a path), its
// drawing trace to the file $`traceVariable` names, if set. `disable` asks
// Audacious to disable the plug-in later, when the meter closes. Null on
// failure, with a line for the user written to `error` (`size` bytes).
typedef VuMeter* (*VuMeterStart)(const char* addon, const char* traceVariable, void (*disable)(void),
                                 char* error, int size);
// Stops the add-on, which writes its settings, and unloads it.
typedef void (*VuMeterEnd)(VuMeter* meter);
// 512 frames of `channels` interleaved samples, full scale at ±1.
typedef void (*VuMeterRender)(VuMeter* meter, const float* pcm, int channels);
// Audacious cleared its visualisers: after a stop the meter falls to rest.
typedef void (*VuMeterClear)(VuMeter* meter);
// The add-on's preferences window, and its about box.
typedef void (*VuMeterPrefs)(VuMeter* meter);
typedef void (*VuMeterAbout)(VuMeter* meter);

#ifdef __cplusplus
}
#endif
