#include <gtest/gtest.h>

#include "SettingsFolder.h"

// The record as the add-ons store it: four little-endian IEEE floats and a
// little-endian signed gain, spelt out byte by byte.
TEST(SettingsFolderTest, RecordLaysOutTheFrameThenTheGainInLittleEndian) {
	const std::vector<uint8_t> expected = {
	    0x00, 0x00, 0x80, 0x3f, // 1.0
	    0x00, 0x00, 0x00, 0x40, // 2.0
	    0x00, 0x00, 0x40, 0x40, // 3.0
	    0x00, 0x00, 0x80, 0x40, // 4.0
	    0x02, 0x01, 0x00, 0x00, // 258
	};
	EXPECT_EQ(SettingsFolder::Record(BRect(1, 2, 3, 4), 258), expected);
}

TEST(SettingsFolderTest, GainAndFrameReadBackARecord) {
	const std::vector<uint8_t> record = SettingsFolder::Record(BRect(-5, 6.5f, 700, 8e9f), -1000);
	EXPECT_EQ(SettingsFolder::Gain(record), -1000);
	EXPECT_EQ(SettingsFolder::Frame(record), BRect(-5, 6.5f, 700, 8e9f));
}
