// The preferences window's statics, linked straight into the test: the
// waiting rules cannot be reached through the add-on's one export.
#include <AppDefs.h>
#include <Messenger.h>

#include "prefs/ViEdMainWindow.h"
#include "support/AddonTest.h"

namespace {

using WaitForNoWindowTest = AddonTest;

bigtime_t TimeOf(void (*wait)(int32), int32 count) {
	const bigtime_t start = system_time();
	wait(count);
	return system_time() - start;
}

} // namespace

TEST_F(WaitForNoWindowTest, ReturnsAtOnceWithoutAWindow) {
	EXPECT_LT(TimeOf(&ViEdMainWindow::WaitForNoWindow, 5), 50000);
}

TEST_F(WaitForNoWindowTest, AWindowThatStaysCostsEveryWaitAndTheSettleTime) {
	ViEdMainWindow::WindowSemaphore = create_sem(1, "PluginPanelMainWindow");
	ViEdMainWindow::OpenOrRaise();
	ASSERT_NE(kit::FindWindow(kCorvelPrefsTitle), nullptr);

	const bigtime_t five = TimeOf(&ViEdMainWindow::WaitForNoWindow, 5);
	EXPECT_GE(five, 900000);
	EXPECT_LT(five, 2500000);
	const bigtime_t none = TimeOf(&ViEdMainWindow::WaitForNoWindow, 0);
	EXPECT_GE(none, 400000);
	EXPECT_LT(none, 1500000);

	// Closing gives the unit back: the next request opens a new window.
	ASSERT_TRUE(BMessenger(ViEdMainWindow::the_win.load()).SendMessage(B_QUIT_REQUESTED) == B_OK);
	ViEdMainWindow::WaitForNoWindow(100);
	EXPECT_EQ(ViEdMainWindow::the_win.load(), nullptr);
	ASSERT_TRUE(WaitUntilNoWindow(kCorvelPrefsTitle));
	int32 units = 0;
	ASSERT_EQ(get_sem_count(ViEdMainWindow::WindowSemaphore, &units), B_OK);
	EXPECT_EQ(units, 1);
	delete_sem(ViEdMainWindow::WindowSemaphore);
}
