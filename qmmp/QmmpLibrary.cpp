#include "QmmpLibrary.h"

#include <mutex>

#include "feed/PluginLibrary.h"

const QmmpLibrary* QmmpLibrary::Load(std::string& error) {
	static QmmpLibrary library;
	static bool loaded = false;
	static std::mutex lock;
	const std::lock_guard locked(lock);
	if (loaded) return &library;
	auto handle = PluginLibrary::Open(VUMETERS_LIBDIR_FROM_PLUGINDIR, VUMETERS_QMMP_LIBRARY,
	                                  "vumeters_qmmp_api_version", VUMETERS_QMMP_API);
	if (!handle) {
		error = handle.Error();
		return nullptr;
	}
	using PluginLibrary::Resolve;
	if (!Resolve(*handle, "vumeters_qmmp_start", library.start) ||
	    !Resolve(*handle, "vumeters_qmmp_end", library.end) ||
	    !Resolve(*handle, "vumeters_qmmp_prefs", library.prefs) ||
	    !Resolve(*handle, "vumeters_qmmp_about", library.about) ||
	    !Resolve(*handle, "vumeters_qmmp_feed_configure", library.feedConfigure) ||
	    !Resolve(*handle, "vumeters_qmmp_feed_apply", library.feedApply) ||
	    !Resolve(*handle, "vumeters_qmmp_feed_end", library.feedEnd)) {
		error = std::string(VUMETERS_QMMP_LIBRARY) + ": of another build than this plug-in";
		return nullptr;
	}
	loaded = true;
	return &library;
}
