// The Visual widget Qmmp makes for an enabled meter plug-in: never on
// screen (the meter's own window is the meter), it lives as long as the
// plug-in is enabled and runs the meter for that long.
#pragma once

#include <qmmp/visual.h>

#include "QmmpApi.h"

class VisualFactory;
struct QmmpLibrary;

// [Qmmp's main thread] Every call, as Qmmp makes them.
class MeterVisual final : public Visual {
public:
	// Starts the meter of `factory`'s plug-in; when it cannot, says why and
	// has Qmmp disable the plug-in.
	MeterVisual(QWidget* parent, VisualFactory* factory, const char* addon, const char* title);
	~MeterVisual() override;

	// The add-on's preferences window and about box.
	void OpenPrefs();
	void OpenAbout();

protected:
	// Closed: the plug-in was disabled, or Qmmp quits.
	void closeEvent(QCloseEvent* event) override;

private:
	// Has Qmmp disable the plug-in from its main loop.
	static void DisableLater(void* factory);
	void EndMeter();

	const QmmpLibrary* library_ = nullptr;
	VuQmmpMeter* meter_ = nullptr;
};
