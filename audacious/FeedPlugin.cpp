#include "FeedPlugin.h"

#include <cstdio>
#include <string>

#include "MeterLibrary.h"

bool FeedPlugin::init() {
	std::string error;
	if (!(library_ = MeterLibrary::Load(error))) {
		std::fprintf(stderr, "vu-meters: %s\n", error.c_str());
		return false;
	}
	return true;
}

void FeedPlugin::start(int& channels, int& rate) { library_->feedStart(channels, rate); }

Index<float>& FeedPlugin::process(Index<float>& data) {
	library_->feedProcess(data.begin(), data.len());
	return data;
}

bool FeedPlugin::flush(bool) {
	library_->feedFlush();
	return true;
}

Index<float>& FeedPlugin::finish(Index<float>& data, bool endOfPlaylist) {
	library_->feedProcess(data.begin(), data.len());
	library_->feedFinish(endOfPlaylist);
	return data;
}
