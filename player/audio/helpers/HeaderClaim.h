// What a sound file's header claims of its length, when that is more than the
// file holds.
#pragma once

#include <cstdint>

struct sf_private_tag;

// libsndfile gives a file cut short the length that is there, and tells of
// the header's claim only in its log: a line "LABEL : CLAIMED (should be
// HELD)" for the chunk that claims more bytes than follow it. WAV, AIFF and
// AU name their sound's own chunk; W64 and RF64 only the container, which may
// lack a few bytes of padding at its end without any sound missing.
//
// [player thread]
class HeaderClaim {
public:
	// Whether the header of `file`, opened as `format` (SF_FORMAT_*) with
	// `channels` channels and `frames` frames found (-1: unknown), claims more
	// sound than the file holds. `stated` is then the frames it claims, or -1
	// when the size of a frame cannot be told.
	static bool ClaimsMore(sf_private_tag* file, int format, int channels, int64_t frames, int64_t& stated);
};
