#include <algorithm>
#include <atomic>
#include <random>
#include <thread>

#include <InterfaceDefs.h>
#include <Looper.h>
#include <Window.h>
#include <kit/Display.h>

#include "Checks.h"
#include "GainSlider.h"
#include "PluginCalls.h"
#include "TestBlocks.h"
#include "WindowProbe.h"
#include "host/AddonLibrary.h"

namespace {

constexpr int kSteps = 1000;
constexpr const char* kPrefsSuffix = " Prefs";
constexpr const char* kMenuTitle = "menu";

// The player's side: counts the close notices the meter window posts.
class PlayerStandIn : public BLooper {
public:
	PlayerStandIn() : BLooper("player stand-in") {}
	void MessageReceived(BMessage* message) override {
		if (message->what == PLUGIN_CLOSE_NOTICE) closeNotices++;
	}
	// Locks and quits the looper, which deletes it.
	static void Dispose(PlayerStandIn* player) {
		if (player->Lock()) player->Quit();
	}
	std::atomic<int> closeNotices{0};
};

enum class Action {
	Render,
	Key,
	PrimaryClick,
	Popup,
	Resize,
	Move,
	Activate,
	CloseMeter,
	Prefs,
	Slider,
	PrefsKey,
	MinimizePrefs,
	CloseBoxPrefs,
	Restart,
	RacingOpeners,
};

// What each action is called in the progress lines, in the order of Action.
constexpr const char* kNames[] = {
    "Render",
    "key in the meter window",
    "primary click in the meter window",
    "popup menu",
    "resize of the meter window",
    "move of the meter window",
    "activation",
    "close box of the meter window",
    "Prefs(false)",
    "gain slider moved",
    "key in the preferences window",
    "preferences window minimised or restored",
    "close box of the preferences window",
    "Cleanup or Init",
    "Prefs(false) and the shortcut in the meter window at once",
};

// How often each action comes up, in the order of Action.
constexpr int kWeights[] = {30, 8, 4, 5, 4, 2, 3, 2, 6, 4, 3, 1, 4, 2, 2};
static_assert(std::size(kNames) == size_t(Action::RacingOpeners) + 1 &&
                  std::size(kWeights) == std::size(kNames),
              "one name and one weight per action");

class Sequence {
public:
	Sequence(CheckContext& context, PluginCalls* plugin, PlayerStandIn* player)
	    : context_(context), plugin_(plugin), player_(player), random_(context.Seed()) {}

	void Run() {
		std::discrete_distribution<int> pick(std::begin(kWeights), std::end(kWeights));
		Start();
		for (int step = 1; step <= kSteps && context_.Outcome() != CheckOutcome::Fail; ++step) {
			const auto action = Action(pick(random_));
			context_.Step("step " + std::to_string(step) + ": " + kNames[int(action)]);
			Do(action);
			AnswerCloseNotice();
			SettlePrefs();
			const int prefs = WindowProbe::CountTitledEndingIn(kPrefsSuffix);
			context_.Expect(prefs <= 1, "step " + std::to_string(step) + ": " + std::to_string(prefs) +
			                                " preferences windows open");
		}
		if (running_) plugin_->Cleanup();
	}

private:
	void Do(Action action) {
		BWindow* meter = running_ ? kit::FindWindow(meterTitle_.c_str()) : nullptr;
		BWindow* prefs = prefsTitle_.empty() ? nullptr : kit::FindWindow(prefsTitle_.c_str());
		switch (action) {
		case Action::Render: {
			const Block block = TestBlocks::Tone(blocks_++);
			if (running_)
				context_.Expect(plugin_->Render(block.data()), "Render while running returned false");
			return;
		}
		case Action::Key: {
			static const char* const keys[] = {"a", "q", " ", "p", "\x1b", "\n", "\x1c"};
			const char* key = keys[Below(std::size(keys))];
			const uint32 modifiers = Below(3) == 0 ? uint32(B_COMMAND_KEY) : 0;
			if (meter) kit::TypeKey(meter, key, modifiers);
			LearnPrefsTitle();
			return;
		}
		case Action::PrimaryClick:
			if (meter) kit::Click(meter, RandomPoint(meter), B_PRIMARY_MOUSE_BUTTON);
			return;
		case Action::Popup:
			if (meter) Popup(meter);
			return;
		case Action::Resize:
			if (meter) kit::UserResize(meter, float(Below(400)), float(Below(600)));
			return;
		case Action::Move:
			if (meter) kit::UserMove(meter, BPoint(float(Below(900)), float(Below(700))));
			return;
		case Action::Activate:
			if (BWindow* window = Below(2) ? meter : prefs) kit::UserActivate(window);
			return;
		case Action::CloseMeter:
			if (meter) kit::CloseBox(meter);
			return;
		case Action::Prefs:
			plugin_->Prefs(false);
			LearnPrefsTitle();
			return;
		case Action::Slider:
			if (prefs) GainSlider::ClickAt(prefs, float(Below(101)) / 100);
			return;
		case Action::PrefsKey: {
			static const char* const keys[] = {"\x1c", "\x1d", "\x0b", "\x0c", "\t", "\x1b", "x"};
			if (prefs) kit::TypeKey(prefs, keys[Below(std::size(keys))]);
			return;
		}
		case Action::MinimizePrefs:
			if (prefs) kit::UserMinimize(prefs, Below(2) == 0);
			return;
		case Action::CloseBoxPrefs:
			if (prefs) {
				// A minimised window shows no close box: the user restores it first.
				kit::UserMinimize(prefs, false);
				kit::CloseBox(prefs);
				context_.Expect(WindowProbe::WaitUntilGone(prefsTitle_.c_str()),
				                "the preferences window stayed after its close box");
			}
			return;
		case Action::RacingOpeners:
			if (meter) {
				// Two openers at once, as when the user presses the shortcut
				// while the player asks for the preferences.
				std::thread shortcut([meter] { kit::TypeKey(meter, "p", B_COMMAND_KEY); });
				plugin_->Prefs(false);
				shortcut.join();
				LearnPrefsTitle();
			}
			return;
		case Action::Restart:
			if (running_) {
				plugin_->Cleanup();
				running_ = false;
			} else {
				Start();
			}
			return;
		}
	}

	void Start() {
		context_.Step("Init");
		const std::vector<BWindow*> before = kit::Windows();
		running_ = plugin_->Init();
		context_.Expect(running_, "Init returned false");
		for (BWindow* window : kit::Windows())
			if (std::find(before.begin(), before.end(), window) == before.end() && window->Lock()) {
				meterTitle_ = window->Title();
				window->Unlock();
			}
	}

	// A secondary click opens the popup menu; then either its item is
	// chosen or the menu is dismissed.
	void Popup(BWindow* meter) {
		const BPoint where = RandomPoint(meter);
		kit::Click(meter, where, B_SECONDARY_MOUSE_BUTTON);
		BWindow* menu = WindowProbe::WaitFor(kMenuTitle);
		if (!context_.Expect(menu != nullptr, "a secondary click at " + std::to_string(int(where.x)) + "," +
		                                          std::to_string(int(where.y)) + " opened no popup menu"))
			return;
		if (Below(2)) {
			BRect bounds;
			if (menu->Lock()) {
				bounds = menu->Bounds();
				menu->Unlock();
			}
			const BPoint middle(bounds.Width() / 2, bounds.Height() / 2);
			kit::MouseDown(menu, middle, B_PRIMARY_MOUSE_BUTTON);
			kit::MouseUp(menu, middle);
		} else {
			const char escape[] = {char(B_ESCAPE), 0};
			kit::TypeKey(menu, escape);
		}
		context_.Expect(WindowProbe::WaitUntilGone(kMenuTitle), "the popup menu stayed open");
		if (meter) kit::WaitForIdle(meter);
		LearnPrefsTitle();
	}

	// The player answers a close notice by stopping the plug-in.
	void AnswerCloseNotice() {
		kit::WaitForIdle(player_);
		if (player_->closeNotices.exchange(0) > 0 && running_) {
			plugin_->Cleanup();
			running_ = false;
		}
	}

	// The preferences window shows and comes forward on its own thread; a
	// popup opened before that would close as the window takes the focus.
	void SettlePrefs() {
		if (BWindow* prefs = prefsTitle_.empty() ? nullptr : kit::FindWindow(prefsTitle_.c_str()))
			kit::WaitForIdle(prefs);
	}

	void LearnPrefsTitle() {
		if (!prefsTitle_.empty()) return;
		if (BWindow* prefs = WindowProbe::FindEndingIn(kPrefsSuffix); prefs && prefs->Lock()) {
			prefsTitle_ = prefs->Title();
			prefs->Unlock();
		}
	}

	BPoint RandomPoint(BWindow* window) {
		BRect bounds;
		if (window->Lock()) {
			bounds = window->Bounds();
			window->Unlock();
		}
		return BPoint(float(Below(int(bounds.Width()) + 1)), float(Below(int(bounds.Height()) + 1)));
	}

	int Below(size_t limit) { return std::uniform_int_distribution<int>(0, int(limit) - 1)(random_); }

	CheckContext& context_;
	PluginCalls* plugin_;
	PlayerStandIn* player_;
	std::mt19937 random_;
	bool running_ = false;
	int blocks_ = 0;
	std::string meterTitle_;
	std::string prefsTitle_;
};

} // namespace

void CheckRandomSequence(CheckContext& context) {
	AddonLibrary library(context.AddonPath());
	PluginCalls plugin(library.Path(), library.NewPlugin());
	if (!context.Expect(plugin.Object() != nullptr, library.Error())) return;
	std::unique_ptr<PlayerStandIn, decltype(&PlayerStandIn::Dispose)> player(new PlayerStandIn,
	                                                                         &PlayerStandIn::Dispose);
	player->Run();
	plugin.Object()->host_handler = player.get();
	Sequence(context, &plugin, player.get()).Run();
	context.Step("unload");
	context.Expect(library.Close(), "still loaded after dlclose");
}
