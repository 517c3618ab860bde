#include "support/AddonTest.h"

namespace {

using PluginWindowTest = AddonTest;

} // namespace

TEST_F(PluginWindowTest, CloseBoxKeepsTheWindowAndSendsOneCloseNotice) {
	PlayerPointer player = StartPlayer();
	Addon addon(CORVEL_ADDON);
	VisualizationPlugin* plugin = addon.NewPlugin();
	plugin->host_handler = player->Handler();
	ASSERT_TRUE(plugin->Init());
	BWindow* meter = kit::FindWindow(kCorvelTitle);
	ASSERT_NE(meter, nullptr);

	ASSERT_TRUE(kit::CloseBox(meter));
	ASSERT_TRUE(kit::WaitForIdle(meter));
	ASSERT_TRUE(player->Settle());

	EXPECT_EQ(kit::FindWindow(kCorvelTitle), meter);
	const std::vector<BMessage> received = player->Received();
	ASSERT_EQ(received.size(), 1u);
	EXPECT_EQ(received[0].what, 904u);
	EXPECT_EQ(received[0].GetPointer("Object"), plugin);
	plugin->Cleanup();
	EXPECT_EQ(kit::FindWindow(kCorvelTitle), nullptr);
}

TEST_F(PluginWindowTest, CloseBoxWithoutPlayerHandlerPostsNothing) {
	PlayerPointer player = StartPlayer();
	Addon addon(KESTLE_ADDON);
	VisualizationPlugin* plugin = addon.NewPlugin();
	ASSERT_TRUE(plugin->Init());
	BWindow* meter = kit::FindWindow(kKestleTitle);
	ASSERT_NE(meter, nullptr);

	ASSERT_TRUE(kit::CloseBox(meter));
	ASSERT_TRUE(kit::WaitForIdle(meter));
	ASSERT_TRUE(player->Settle());

	EXPECT_EQ(kit::FindWindow(kKestleTitle), meter);
	EXPECT_TRUE(player->Received().empty());
	plugin->Cleanup();
}
