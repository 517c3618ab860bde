// Headerless PCM from a named FIFO that writers open and close as they please.
#pragma once

#include <sys/types.h>

#include <memory>
#include <string>
#include <thread>

#include "audio/LiveSource.h"
#include "audio/RawPcm.h"
#include "host/Expected.h"

// A music server writes its FIFO while it plays and closes it on pause or
// stop, and opens it again to go on. So a writer going away is a stall, not
// the end: the FIFO is held open for reading, which lets writers open it
// without waiting, and opened afresh each time the last writer leaves, so
// that the next writer starts on a whole frame whatever the last one left of
// a frame. A FIFO deleted and made again at the same path is found within
// half a second, as its writer waits for a reader. The meters fall back to
// rest on silent blocks until sound comes again. The stream ends only when
// the player stops taking it (a quit, the end of --duration). A writer that
// outpaces the player waits: nothing is lost. The FIFO is read from the
// first block the player asks for on.
class RawFifoSource final : public LiveSource {
public:
	// [player thread] Fails with one line, "PATH: reason".
	static Expected<std::unique_ptr<RawFifoSource>> Open(const std::string& path, const RawPcm& format);
	// [player thread] Stops the reading thread, at once.
	~RawFifoSource() override;

	std::string Name() const override { return name_; }
	bool IsPlayed() const override { return false; }

private:
	RawFifoSource(std::string path, int fifo, int wake, const RawPcm& format);
	void Begin() override;
	// [reading thread] Hands over whole frames as they come, until told to stop.
	void Receive();
	// [reading thread] Opens the path afresh, for the next writer; false when it failed.
	bool Reopen();
	// [reading thread] Whether the path names another FIFO than the one open.
	bool Replaced() const;

	const std::string path_;
	const std::string name_;
	int fifo_;       // the reading thread's while it runs; -1 while the path has no FIFO
	const int wake_; // an eventfd that the destructor signals
	const RawPcm format_;
	std::thread reader_;
};
