#include "input/KeyDecoder.h"

#include <gtest/gtest.h>

using Keys = std::vector<PlayerKey>;

TEST(KeyDecoder, ReadsThePlayerKeys) {
	EXPECT_EQ(KeyDecoder::Decode(" aqQ"),
	          (Keys{PlayerKey::TogglePause, PlayerKey::About, PlayerKey::Quit, PlayerKey::Quit}));
	EXPECT_EQ(
	    KeyDecoder::Decode("\x1b[C\x1b[D\x1bOC\x1bOD"),
	    (Keys{PlayerKey::SeekForward, PlayerKey::SeekBack, PlayerKey::SeekForward, PlayerKey::SeekBack}));
}

TEST(KeyDecoder, TellsEscapeFromTheStartOfASequence) {
	EXPECT_EQ(KeyDecoder::Decode("\x1b"), Keys{PlayerKey::Quit});
	EXPECT_EQ(KeyDecoder::Decode("\x1bx"), Keys{PlayerKey::Quit});
	// Other sequences, even ones ending in C or D, are skipped whole: here ctrl-right and F5.
	EXPECT_EQ(KeyDecoder::Decode("\x1b[1;5C\x1b[15~ "), Keys{PlayerKey::TogglePause});
	// A sequence cut off at the end of a read is dropped rather than read as Escape.
	EXPECT_EQ(KeyDecoder::Decode("\x1b[1;"), Keys{});
	// Control bytes share values with the kit's arrow keys but are not arrows on a terminal.
	EXPECT_EQ(KeyDecoder::Decode("xyz\n\x1c\x1d"), Keys{});
}
