#include "MeterFactory.h"

#include <QMessageBox>
#include <QPointer>

#include "MeterVisual.h"

namespace {

constexpr const char kAbout[] =
    "A stereo VU meter in a window of its own: the add-on " VUMETERS_QMMP_FILE ", run for Qmmp in a process "
    "of its own and handed every block Qmmp plays as it is heard.\n\n"
    "While the plug-in is enabled, this button opens the meter's own about box, as does the A key in the "
    "meter window. In the meter window, space pauses and resumes, the arrow keys seek 5 seconds, and Q, "
    "Escape or the close box close the meter.";

// The meter of this plug-in while it is enabled; Qmmp deletes the widget.
QPointer<MeterVisual> gVisual;

} // namespace

VisualProperties MeterFactory::properties() const {
	VisualProperties properties;
	properties.name = VUMETERS_QMMP_TITLE;
	properties.shortName = VUMETERS_QMMP_NAME;
	properties.hasSettings = true;
	properties.hasAbout = true;
	return properties;
}

Visual* MeterFactory::create(QWidget* parent) {
	gVisual = new MeterVisual(parent, this, VUMETERS_QMMP_ADDON, VUMETERS_QMMP_TITLE);
	return gVisual;
}

QDialog* MeterFactory::createConfigDialog(QWidget*) {
	if (gVisual) gVisual->OpenPrefs();
	return nullptr;
}

void MeterFactory::showAbout(QWidget* parent) {
	if (gVisual)
		gVisual->OpenAbout();
	else
		QMessageBox::about(parent, VUMETERS_QMMP_TITLE, kAbout);
}
