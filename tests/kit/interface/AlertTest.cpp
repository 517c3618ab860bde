#include <Alert.h>
#include <Control.h>
#include <Font.h>
#include <OS.h>
#include <Screen.h>
#include <TextView.h>
#include <Window.h>
#include <kit/Display.h>

#include <atomic>
#include <cstring>
#include <functional>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "support/AboutStyle.h"
#include "support/Watchdog.h"

namespace {

// A click or key that presses a button ends the alert, and the kit's user
// actions answer false when the window is gone before they have settled; so
// the tests look at what Go() returned rather than at those answers.
//
// Runs an alert's Go() on its own thread, as a player thread would, while the
// test acts as the user.
class AlertTest : public ::testing::Test {
protected:
	static void SetUpTestSuite() { kit::UseHeadlessDisplay(1024, 768); }

	// `make` builds the alert on the Go() thread, which must own its lock.
	void Start(const char* title, std::function<BAlert*()> make) {
		fTitle = title;
		fThread = std::thread([this, make] { fResult = make()->Go(); });
		while (!(alert = kit::FindWindow(title)))
			snooze(1000);
		// Go() holds the lock until it has laid the alert out and shown it.
		ASSERT_TRUE(alert->Lock());
		alert->Unlock();
		ASSERT_TRUE(kit::WaitForIdle(alert));
	}
	int32 Finish() {
		fThread.join();
		return fResult;
	}
	void TearDown() override {
		if (fThread.joinable()) fThread.join();
	}

	// The button with that label, or null. [alert locked]
	BControl* Button(const char* label) {
		std::vector<BView*> pending;
		for (int32 i = 0; i < alert->CountChildren(); i++)
			pending.push_back(alert->ChildAt(i));
		while (!pending.empty()) {
			BView* view = pending.back();
			pending.pop_back();
			auto* control = dynamic_cast<BControl*>(view);
			if (control && std::strcmp(control->Label(), label) == 0) return control;
			for (int32 i = 0; i < view->CountChildren(); i++)
				pending.push_back(view->ChildAt(i));
		}
		return nullptr;
	}
	// The middle of the button, in window coordinates.
	BPoint ButtonCentre(const char* label) {
		EXPECT_TRUE(alert->Lock());
		BControl* button = Button(label);
		EXPECT_NE(button, nullptr);
		BPoint centre;
		if (button) {
			const BRect bounds = button->Bounds();
			centre = alert->ConvertFromScreen(
			    button->ConvertToScreen(BPoint(bounds.right / 2, bounds.bottom / 2)));
		}
		alert->Unlock();
		return centre;
	}

	Watchdog watchdog;
	BWindow* alert = nullptr;

private:
	std::string fTitle;
	std::thread fThread;
	std::atomic<int32> fResult{-2};
};

BAlert* ThreeButtons(const char* title) {
	return new BAlert(title, "Pick one of the three.", "One", "Two", "Three");
}

} // namespace

TEST_F(AlertTest, GoReturnsTheIndexOfTheClickedButtonAndFreesTheAlert) {
	Start("pick", [] { return ThreeButtons("pick"); });
	kit::Click(alert, ButtonCentre("Two"), B_PRIMARY_MOUSE_BUTTON);
	EXPECT_EQ(Finish(), 1);
	EXPECT_EQ(kit::FindWindow("pick"), nullptr);
}

TEST_F(AlertTest, PressReleasedOutsideTheButtonIsTakenBack) {
	Start("taken back", [] { return ThreeButtons("taken back"); });
	const BPoint two = ButtonCentre("Two");
	ASSERT_TRUE(kit::MouseDown(alert, two, B_PRIMARY_MOUSE_BUTTON));
	ASSERT_TRUE(kit::MouseUp(alert, BPoint(5, 5)));
	kit::Click(alert, ButtonCentre("Three"), B_PRIMARY_MOUSE_BUTTON);
	EXPECT_EQ(Finish(), 2);
}

TEST_F(AlertTest, EnterPressesTheFirstButton) {
	Start("enter", [] { return ThreeButtons("enter"); });
	kit::TypeKey(alert, "\n");
	EXPECT_EQ(Finish(), 0);
	EXPECT_EQ(kit::FindWindow("enter"), nullptr);
}

TEST_F(AlertTest, EscapePressesTheLastOfSeveralButtons) {
	Start("escape", [] { return ThreeButtons("escape"); });
	const char escape[] = {B_ESCAPE, 0};
	kit::TypeKey(alert, escape);
	EXPECT_EQ(Finish(), 2);
}

TEST_F(AlertTest, AlertQuitByAnotherThreadEndsGoWithMinusOne) {
	Start("quit", [] { return ThreeButtons("quit"); });
	ASSERT_TRUE(alert->Lock());
	alert->Quit();
	EXPECT_EQ(Finish(), -1);
}

TEST_F(AlertTest, AboutBoxFitsItsStyledTextAndIsCentred) {
	Start("about", [] { return NewStyledAbout("about"); });
	ASSERT_TRUE(alert->Lock());
	auto* about = static_cast<BAlert*>(alert);
	EXPECT_EQ(about->CountButtons(), 1);
	EXPECT_EQ(alert->Look(), B_TITLED_WINDOW_LOOK);
	EXPECT_TRUE(alert->Flags() & B_NOT_RESIZABLE);
	const BRect frame = alert->Frame();
	const BRect screen = BScreen().Frame();
	EXPECT_NEAR((frame.left + frame.right) / 2, (screen.left + screen.right) / 2, 1);
	EXPECT_NEAR((frame.top + frame.bottom) / 2, (screen.top + screen.bottom) / 2, 1);
	// The whole text shows above the button, which lies inside the window.
	BTextView* text = about->TextView();
	const BRect textFrame = text->ConvertToScreen(text->Bounds());
	EXPECT_GE(textFrame.Height() + 1, text->TextHeight());
	const BRect button = Button("Aha!")->ConvertToScreen(Button("Aha!")->Bounds());
	EXPECT_GT(button.top, textFrame.bottom);
	EXPECT_LE(button.bottom, frame.bottom);
	EXPECT_LE(button.right, frame.right);
	EXPECT_GE(textFrame.top, frame.top);
	alert->Unlock();

	// An information sign: blue where the icon is.
	int32 blue = 0;
	for (int32 y = 0; y < 45; y++)
		for (int32 x = 0; x < 55; x++) {
			const rgb_color c = kit::PixelAt(alert, x, y);
			if (c.blue > 150 && c.red < 100) blue++;
		}
	EXPECT_GT(blue, 200);

	kit::Click(alert, ButtonCentre("Aha!"), B_PRIMARY_MOUSE_BUTTON);
	EXPECT_EQ(Finish(), 0);
}
