// The plug-in object of one Qmmp visualisation plug-in library; built once
// for each meter, with the meter's names defined on the command line.
#pragma once

#include <QObject>

#include <qmmp/visualfactory.h>

// [Qmmp's main thread] Every call, as Qmmp makes them.
class MeterFactory final : public QObject, public VisualFactory {
	Q_OBJECT
	Q_PLUGIN_METADATA(IID "org.qmmp.qmmp.VisualFactoryInterface.1.0")
	Q_INTERFACES(VisualFactory)

public:
	VisualProperties properties() const override;
	// Enabled: the meter starts with the widget, which stays off screen.
	Visual* create(QWidget* parent) override;
	// Qmmp's settings button: the meter's own preferences window, and no
	// dialog of Qmmp's.
	QDialog* createConfigDialog(QWidget* parent) override;
	// The meter's own about box; while the plug-in is disabled, a text
	// that says where it is.
	void showAbout(QWidget* parent) override;
	QString translation() const override { return {}; }
};
