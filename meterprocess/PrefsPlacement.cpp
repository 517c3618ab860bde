#include "PrefsPlacement.h"

#include <unistd.h>

#include <algorithm>

namespace {

constexpr int kGap = 8;

} // namespace

void PrefsPlacement::Requested(pid_t player) {
	desktop_ = DesktopWindows::Open();
	if (!desktop_) return;
	player_ = player;
	playerBefore_ = desktop_->Of(player_);
	ownBefore_ = desktop_->Of(::getpid());
	lookForNewPage_ = Clock::now() + kNewPagePatience;
	giveUp_ = Clock::now() + kPatience;
}

void PrefsPlacement::Poll() {
	if (!desktop_) return;
	const std::vector<DesktopWindows::Id> players = desktop_->Of(player_);
	std::optional<DesktopWindows::Id> page = NewOne(playerBefore_, players);
	// A player that showed its page before the request reached this process:
	// the page is the window it showed last.
	if (!page && Clock::now() >= lookForNewPage_ && !players.empty()) page = players.back();
	const auto prefs = NewOne(ownBefore_, desktop_->Of(::getpid()));
	if (page && prefs) {
		const auto pageFrame = desktop_->FrameOf(*page);
		const auto prefsFrame = desktop_->FrameOf(*prefs);
		if (pageFrame && prefsFrame) {
			const DesktopWindows::Frame to = Beside(*pageFrame, *prefsFrame, desktop_->Screen());
			desktop_->MoveFrameTo(*prefs, to.left, to.top);
		}
		desktop_.reset();
	} else if (Clock::now() >= giveUp_) {
		desktop_.reset();
	}
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
