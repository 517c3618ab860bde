#include "MeterVisual.h"

#include <cstdio>
#include <string>

#include <QCoreApplication>
#include <QMessageBox>

#include <qmmp/visualfactory.h>

#include "QmmpLibrary.h"

namespace {

void ShowError(const std::string& title, const std::string& line) {
	auto* box = new QMessageBox(QMessageBox::Warning, "Qmmp", QString::fromStdString(title + ": " + line),
	                            QMessageBox::Ok);
	box->setAttribute(Qt::WA_DeleteOnClose);
	box->setModal(false);
	box->show();
}

} // namespace

MeterVisual::MeterVisual(QWidget* parent, VisualFactory* factory, const char* addon, const char* title)
    : Visual(parent) {
	// Qmmp shows the widget it asked for as a window of its own.
	setAttribute(Qt::WA_DontShowOnScreen);
	setAttribute(Qt::WA_DeleteOnClose);
	std::string error;
	if ((library_ = QmmpLibrary::Load(error))) {
		char why[1024] = "";
		if ((meter_ = library_->start(addon, title, DisableLater, factory, why, sizeof why))) return;
		error = why;
	} else {
		std::fprintf(stderr, "vu-meters: %s\n", error.c_str());
	}
	ShowError(title, error);
	DisableLater(factory);
}

MeterVisual::~MeterVisual() { EndMeter(); }

void MeterVisual::OpenPrefs() {
	if (meter_) library_->prefs(meter_);
}

void MeterVisual::OpenAbout() {
	if (meter_) library_->about(meter_);
}

void MeterVisual::closeEvent(QCloseEvent* event) {
	EndMeter();
	Visual::closeEvent(event);
}

void MeterVisual::EndMeter() {
	if (meter_) library_->end(meter_);
	meter_ = nullptr;
}

void MeterVisual::DisableLater(void* factory) {
	QMetaObject::invokeMethod(
	    QCoreApplication::instance(),
	    [factory = static_cast<VisualFactory*>(factory)] { Visual::setEnabled(factory, false); },
	    Qt::QueuedConnection);
}
