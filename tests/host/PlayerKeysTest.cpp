#include "host/PlayerKeys.h"

#include <gtest/gtest.h>

#include <AppDefs.h>
#include <InterfaceDefs.h>
#include <Message.h>

namespace {

BMessage KeyDown(const char* bytes) {
	BMessage message(B_KEY_DOWN);
	message.AddString("bytes", bytes);
	return message;
}

} // namespace

// A meter window forwards the kit's key-down message; only a single key of the
// table is the player's, whatever else the message carries.
TEST(PlayerKeys, AForwardedKeyDownIsThePlayersOnlyForOneKeyOfTheTable) {
	const char left[] = {B_LEFT_ARROW, '\0'};
	const char right[] = {B_RIGHT_ARROW, '\0'};
	const char escape[] = {B_ESCAPE, '\0'};
	EXPECT_EQ(PlayerKeyOf(KeyDown(" ")), PlayerKey::TogglePause);
	EXPECT_EQ(PlayerKeyOf(KeyDown(left)), PlayerKey::SeekBack);
	EXPECT_EQ(PlayerKeyOf(KeyDown(right)), PlayerKey::SeekForward);
	EXPECT_EQ(PlayerKeyOf(KeyDown("a")), PlayerKey::About);
	EXPECT_EQ(PlayerKeyOf(KeyDown("Q")), PlayerKey::Quit);
	EXPECT_EQ(PlayerKeyOf(KeyDown(escape)), PlayerKey::Quit);

	EXPECT_EQ(PlayerKeyOf(KeyDown("A")), std::nullopt);
	EXPECT_EQ(PlayerKeyOf(KeyDown("qq")), std::nullopt);
	EXPECT_EQ(PlayerKeyOf(KeyDown("\xc3\xa4")), std::nullopt); // one key, two bytes of UTF-8
	EXPECT_EQ(PlayerKeyOf(KeyDown("")), std::nullopt);
	EXPECT_EQ(PlayerKeyOf(BMessage(B_KEY_DOWN)), std::nullopt);
	BMessage up(B_KEY_UP);
	up.AddString("bytes", "q");
	EXPECT_EQ(PlayerKeyOf(up), std::nullopt);
}
