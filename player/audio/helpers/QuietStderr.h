// Silences libraries that write to standard error on their own: the MP3
// decoder inside libsndfile and the sound system that SDL probes. Their words
// are not ours to show; what went wrong reaches the user through our own
// one-line report.
#pragma once

// While it lives, descriptor 2 is /dev/null; the destructor puts the real
// standard error back. Whatever any thread writes there meanwhile is lost, so
// it spans single library calls. Nests: an inner one does nothing.
//
// [player thread]
class QuietStderr {
public:
	QuietStderr();
	~QuietStderr();

	QuietStderr(const QuietStderr&) = delete;
	QuietStderr& operator=(const QuietStderr&) = delete;

private:
	int saved_ = -1; // the real standard error while silenced
};
