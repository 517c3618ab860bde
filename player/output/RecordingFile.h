// The file a recording is written to.
#pragma once

#include <cstdio>
#include <stop_token>
#include <string>

#include "host/Expected.h"

// A new file beside PATH, unique to this run ("PATH-XXXXXX.part"), that takes
// PATH's name only once the recording is complete, so that an abandoned or
// failed recording never leaves a partial file under PATH and two runs
// recording to one PATH never write into each other's file. A PATH that
// exists and is neither a regular file nor a folder (a pipe, a FIFO, a device
// such as /dev/null) is written straight into instead; a FIFO's reader is
// waited for until it comes or a quit signal does. PATH "-" is standard
// output, through the descriptor ReserveStandardOutputForRecording() kept
// for it.
//
// A PATH that is a write-protected file (one its owner, or the user, may not
// write) is not replaced: the recording fails instead, as copying over it
// would.
//
// Messages name what is at fault: the folder a file cannot be made in, PATH
// for anything else.
//
// [player thread]
class RecordingFile {
public:
	// `standardOutput`: the descriptor kept for PATH "-", which stays open
	// and is copied; -1 when standard output was not kept.
	explicit RecordingFile(int standardOutput = -1) : standardOutput_(standardOutput) {}
	~RecordingFile(); // Discard()

	RecordingFile(const RecordingFile&) = delete;
	RecordingFile& operator=(const RecordingFile&) = delete;

	// Fails when it cannot be made. A FIFO's reader is waited for until a
	// stop is requested of `stop`.
	Expected<void> Open(const std::string& path, std::stop_token stop);
	// "PATH: cannot replace it: ..." when PATH is a write-protected file;
	// empty otherwise.
	static std::string Protected(const std::string& path);
	// Where to write; null unless open. Owned here.
	std::FILE* Stream() const { return file_; }
	// Flushes and closes the file and gives it PATH's name. Fails when that
	// failed; the file is gone then.
	Expected<void> Commit();
	// Closes the file and removes it, unless it is PATH itself.
	void Discard();
	// For a write to Stream() that failed, with errno still set: discards
	// the file and gives "PATH: `what`: reason".
	Failure Fail(const std::string& what);

	const std::string& Path() const { return path_; }

private:
	Expected<void> OpenBeside();
	Expected<void> OpenStandardOutput();

	int standardOutput_;
	std::string path_;
	std::string temporary_; // empty when writing PATH itself
	std::FILE* file_ = nullptr;
};
