#include "host/AddonCall.h"

const char* NameOf(AddonStep step) {
	switch (step) {
	case AddonStep::Open:
		return "the library's constructors (dlopen)";
	case AddonStep::NewPlugin:
		return "NewPlugin";
	case AddonStep::Init:
		return "Init";
	case AddonStep::Render:
		return "Render";
	case AddonStep::Prefs:
		return "Prefs";
	case AddonStep::About:
		return "About";
	case AddonStep::Cleanup:
		return "Cleanup";
	case AddonStep::Delete:
		return "the plug-in's destructor";
	case AddonStep::Close:
		return "the library's destructors (dlclose)";
	}
	return "an add-on call";
}
