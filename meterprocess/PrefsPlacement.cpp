#include "PrefsPlacement.h"

#include <unistd.h>

#include <algorithm>

namespace {

constexpr int kGap = 8;

} // namespace

void PrefsPlacement::Requested(pid_t player, std::string title) {
	desktop_ = DesktopWindows::Open();
	if (!desktop_) return;
	player_ = player;
	title_ = std::move(title);
	prefs_.reset();
	playerBefore_ = desktop_->Of(player_);
	lookForNewPage_ = Clock::now() + kNewPagePatience;
	giveUp_ = Clock::now() + kPatience;
}

void PrefsPlacement::Poll() {
	if (!desktop_) return;
	if (Clock::now() >= giveUp_) {
		desktop_.reset();
		return;
	}
	if (!prefs_) Find();
	if (!prefs_) return;
	// The window may still be placed by its own showing after the first
	// move: asked again until it is where it belongs.
	const std::optional<DesktopWindows::Frame> now = desktop_->FrameOf(*prefs_);
	if (!now || (now->left == target_.left && now->top == target_.top))
		desktop_.reset();
	else
		desktop_->MoveFrameTo(*prefs_, target_.left, target_.top);
}

void PrefsPlacement::Find() {
	const std::vector<DesktopWindows::Id> players = desktop_->Of(player_);
	std::optional<DesktopWindows::Id> page = NewOne(playerBefore_, players);
	// A player that showed its page before the request reached this process:
	// the page is the window it showed last.
	if (!page && Clock::now() >= lookForNewPage_ && !players.empty()) page = players.back();
	std::optional<DesktopWindows::Id> prefs;
	for (const DesktopWindows::Id window : desktop_->Of(::getpid()))
		if (desktop_->TitleOf(window) == title_) prefs = window;
	if (!page || !prefs) return;
	const auto pageFrame = desktop_->FrameOf(*page);
	const auto prefsFrame = desktop_->FrameOf(*prefs);
	if (!pageFrame || !prefsFrame) return;
	prefs_ = prefs;
	target_ = Beside(*pageFrame, *prefsFrame, desktop_->Screen());
}

DesktopWindows::Frame PrefsPlacement::Beside(const DesktopWindows::Frame& page,
                                             const DesktopWindows::Frame& size,
                                             const DesktopWindows::Frame& screen) {
	const int width = size.Width(), height = size.Height();
	int left, top = page.top;
	if (page.right + kGap + width <= screen.right) {
		left = page.right + kGap;
	} else if (page.left - kGap - width >= screen.left) {
		left = page.left - kGap - width;
	} else {
		left = page.left;
		top = page.bottom + kGap;
	}
	left = std::clamp(left, screen.left, std::max(screen.left, screen.right - width));
	top = std::clamp(top, screen.top, std::max(screen.top, screen.bottom - height));
	return {left, top, left + width, top + height};
}

std::optional<DesktopWindows::Id> PrefsPlacement::NewOne(const std::vector<DesktopWindows::Id>& before,
                                                         const std::vector<DesktopWindows::Id>& now) {
	for (const DesktopWindows::Id window : now)
		if (std::find(before.begin(), before.end(), window) == before.end()) return window;
	return std::nullopt;
}
