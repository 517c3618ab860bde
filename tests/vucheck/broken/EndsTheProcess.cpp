// Ends the whole process with status 0, by END (exit or _exit), in one
// place chosen with ENDS_IN_CONSTRUCTOR, ENDS_IN_NEW_PLUGIN, ENDS_IN_INIT or
// ENDS_IN_RENDER.
#include <cstdlib>

#include <unistd.h>

#include "SimplePlugin.h"

#ifdef ENDS_IN_CONSTRUCTOR
__attribute__((constructor)) static void EndOnLoad() { END(0); }
#endif

class EndsTheProcess : public SimplePlugin {
public:
	EndsTheProcess() {
#ifdef ENDS_IN_NEW_PLUGIN
		END(0);
#endif
	}
#ifdef ENDS_IN_INIT
	bool Init() override { END(0); }
#endif
#ifdef ENDS_IN_RENDER
	bool Render(const VisAudioInfoStruct*) override { END(0); }
#endif
};

EXPORT_PLUGIN(EndsTheProcess)
