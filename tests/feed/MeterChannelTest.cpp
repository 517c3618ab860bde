#include <gtest/gtest.h>

#include "feed/MeterChannel.h"

namespace {

// A meter process that closes itself sends its last words and ends with
// blocks of the player's unread: the connection is reset, and those words
// must still come before the end.
TEST(MeterChannelTest, WhatAPeerSaidBeforeItEndedWithMessagesUnreadStillComes) {
	auto pair = MeterChannel::Pair();
	ASSERT_TRUE(pair);
	auto& [player, meter] = *pair;
	const char block[2048] = {};
	for (int i = 0; i < 5; i++)
		ASSERT_EQ(player.Send(1, block, sizeof block), MeterChannel::Sent::Done);
	ASSERT_EQ(meter.Send(4), MeterChannel::Sent::Done);
	ASSERT_EQ(meter.Send(7, "timing", 6), MeterChannel::Sent::Done);
	meter = MeterChannel();

	MeterChannel::Message message;
	ASSERT_EQ(player.Receive(message), MeterChannel::Received::Message);
	EXPECT_EQ(message.type, 4);
	ASSERT_EQ(player.Receive(message), MeterChannel::Received::Message);
	EXPECT_EQ(message.type, 7);
	EXPECT_EQ(message.payload, "timing");
	EXPECT_EQ(player.Receive(message), MeterChannel::Received::Gone);
	EXPECT_EQ(player.Send(1, block, sizeof block), MeterChannel::Sent::Gone);
}

} // namespace
