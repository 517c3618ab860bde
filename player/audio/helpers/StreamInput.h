// A pipe, FIFO or socket as libsndfile's input, read once from front to back.
#pragma once

#include <sndfile.h>

#include <stop_token>
#include <string>
#include <vector>

// The decoders read the first bytes, go back to the start once they know the
// format, and some try to seek to the end for the length. So the first bytes
// are kept and a seek back into them works; any other seek fails, as it would
// on a pipe, and the decoders read on instead. Reads wait with
// InterruptibleIo: once a stop is requested the stream ends early.
//
// [player thread]
class StreamInput {
public:
	// Takes the descriptor, closed by the destructor; a stop requested of
	// `stop` ends the stream as Cancel() does.
	StreamInput(int fd, std::stop_token stop);
	~StreamInput();

	StreamInput(const StreamInput&) = delete;
	StreamInput& operator=(const StreamInput&) = delete;

	// The callbacks for sf_open_virtual, which takes this object as their user data.
	static SF_VIRTUAL_IO* Callbacks();

	bool Empty() const { return received_ == 0; }
	// Whether a stop request (or Cancel) ended the stream.
	bool Interrupted() const { return interrupted_; }
	// [any thread] A read that waits gives up within a tenth of a second, and
	// every later one at once: the stream ends there.
	void Cancel() { cancel_.request_stop(); }
	// Why a read failed; empty when none did or a stop request ended it.
	const std::string& Error() const { return error_; }

private:
	sf_count_t Read(void* into, sf_count_t size);
	sf_count_t Seek(sf_count_t offset, int whence);

	int fd_;
	std::vector<char> head_;  // the first bytes of the stream, as read
	sf_count_t position_ = 0; // where the decoder reads next
	sf_count_t received_ = 0; // bytes read from the descriptor so far
	bool interrupted_ = false;
	// Cancel()'s own, and requested along with the stop given.
	std::stop_source cancel_;
	struct Forward {
		std::stop_source* to;
		void operator()() const { to->request_stop(); }
	};
	std::stop_callback<Forward> forward_;
	std::string error_;
};
