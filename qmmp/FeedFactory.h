// The feed's plug-in object, in a library of its own in Qmmp's Effect folder.
#pragma once

#include <QObject>

#include <qmmp/effectfactory.h>

// [Qmmp's main thread] Every call, as Qmmp makes them.
class FeedFactory final : public QObject, public EffectFactory {
	Q_OBJECT
	Q_PLUGIN_METADATA(IID "org.qmmp.qmmp.EffectFactoryInterface.1.0")
	Q_INTERFACES(EffectFactory)

public:
	// Last in the order: the meters show what the other effects made.
	const EffectProperties properties() const override;
	// Null when the meter library cannot be loaded: Qmmp plays without it.
	Effect* create() override;
	void showSettings(QWidget*) override {}
	void showAbout(QWidget* parent) override;
	QString translation() const override { return {}; }
};
