#include "MeterLibrary.h"

#include <mutex>

#include "feed/PluginLibrary.h"

const MeterLibrary* MeterLibrary::Load(std::string& error) {
	static MeterLibrary library;
	static bool loaded = false;
	// Audacious may enable the feed, an effect, on a thread of its own.
	static std::mutex lock;
	const std::lock_guard locked(lock);
	if (loaded) return &library;
	auto handle = PluginLibrary::Open(VUMETERS_LIBDIR_FROM_BRIDGEDIR, VUMETERS_AUDACIOUS_LIBRARY,
	                                  "vumeters_api_version", VUMETERS_AUDACIOUS_API);
	if (!handle) {
		error = handle.Error();
		return nullptr;
	}
	using PluginLibrary::Resolve;
	if (!Resolve(*handle, "vumeters_start", library.start) ||
	    !Resolve(*handle, "vumeters_end", library.end) ||
	    !Resolve(*handle, "vumeters_prefs", library.prefs) ||
	    !Resolve(*handle, "vumeters_about", library.about) ||
	    !Resolve(*handle, "vumeters_feed_start", library.feedStart) ||
	    !Resolve(*handle, "vumeters_feed_process", library.feedProcess) ||
	    !Resolve(*handle, "vumeters_feed_flush", library.feedFlush) ||
	    !Resolve(*handle, "vumeters_feed_finish", library.feedFinish)) {
		error = std::string(VUMETERS_AUDACIOUS_LIBRARY) + ": of another build than this plug-in";
		return nullptr;
	}
	loaded = true;
	return &library;
}
