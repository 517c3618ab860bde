// Makes no plug-in object: NewPlugin returns null with NULL_NEW_PLUGIN,
// and there is no NewPlugin at all without it.
#include "SimplePlugin.h"

#ifdef NULL_NEW_PLUGIN
extern "C" __attribute__((visibility("default"))) VisualizationPlugin* NewPlugin(int32* out) {
	*out = 1;
	return nullptr;
}
#else
extern "C" __attribute__((visibility("default"))) VisualizationPlugin* NewVisualization(int32* out) {
	*out = 1;
	return new SimplePlugin;
}
#endif
