// Whether an Ogg file still has its end.
#pragma once

// A complete Ogg file ends with a whole page that is marked as the end of its
// stream. One cut short ends inside a page, or after a page without the
// mark; libsndfile then plays what is there and does not say that more was
// meant to come.
class OggEnd {
public:
	// Reads the end of the regular file open on `fd`, without moving its offset.
	static bool IsThere(int fd);
};
