// Headerless PCM from a FIFO that writers open and close as they please.
#pragma once

#include <memory>
#include <string>
#include <thread>

#include "audio/LiveSource.h"
#include "audio/RawPcm.h"

// A music server writes its FIFO while it plays and closes it on pause or
// stop, and opens it again to go on. So a writer going away is a stall, not
// the end: the FIFO is held open for reading and writing, which keeps it from
// ever reading as ended and lets writers open it without waiting for a
// reader; the meters fall back to rest on silent blocks until sound comes
// again. A FIFO the user may only read is opened read-only instead, and
// opened again each time its writer goes away. The stream ends only when the player stops taking it (a quit,
// the end of --duration). A writer that outpaces the player waits: nothing is lost.
class RawFifoSource final : public LiveSource {
public:
	// [player thread] Null on failure with `error` one line, "PATH: reason".
	static std::unique_ptr<RawFifoSource> Open(const std::string& path, const RawPcm& format,
	                                           std::string& error);
	// [player thread] Stops the reading thread, at once.
	~RawFifoSource() override;

	std::string Name() const override { return name_; }

private:
	RawFifoSource(std::string path, int fifo, int wake, const RawPcm& format);
	// [reading thread] Hands over whole frames as they come, until told to stop.
	void Receive();
	// [reading thread] After the last writer left a read-only FIFO; false when it failed.
	bool Reopen();

	const std::string path_;
	const std::string name_;
	int fifo_;       // the reading thread's while it runs
	const int wake_; // an eventfd that the destructor signals
	const RawPcm format_;
	std::thread reader_;
};
