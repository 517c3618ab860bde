#include "host/AddonGroup.h"

#include <algorithm>
#include <cstdio>

#include <AppDefs.h>
#include <Message.h>

#include "core/VisualizationPlugin.h"
#include "host/AddonLocator.h"
#include "host/Report.h"

namespace {

// How long an about box is given to close; a window settles within it.
constexpr bigtime_t kAboutTimeout = 10000000; // microseconds

} // namespace

AddonGroup::AddonGroup(Listener listener)
    : listener_(std::move(listener)), calls_([this](const RunningAddon* addon) {
	      return std::any_of(addons_.begin(), addons_.end(),
	                         [addon](const auto& ours) { return ours.get() == addon; });
      }) {}

AddonGroup::~AddonGroup() { Leave(); }

std::vector<std::string> AddonGroup::Start(const std::vector<std::string>& names,
                                           const AddonLocator& locator) {
	std::vector<std::string> failures = Load(names, locator);
	for (std::string& failure : Start())
		failures.push_back(std::move(failure));
	return failures;
}

std::vector<std::string> AddonGroup::Load(const std::vector<std::string>& names,
                                          const AddonLocator& locator) {
	std::vector<std::string> failures;
	if (loaded_) return failures;
	loaded_ = true;
	for (const std::string& name : names) {
		const auto path = locator.Find(name);
		if (!path) {
			failures.push_back(locator.Unknown(name));
			continue;
		}
		auto addon = RunningAddon::Load(path->string());
		if (addon)
			addons_.push_back(std::move(*addon));
		else
			failures.push_back(addon.Error());
	}
	return failures;
}

std::vector<std::string> AddonGroup::Start() {
	std::vector<std::string> failures;
	if (started_ || !loaded_) return failures;
	started_ = true;
	looper_ = HostLooper::Start(addons_.size());
	for (size_t i = 0; i < addons_.size(); i++) {
		if (!addons_[i]->Start(looper_->HandlerFor(i))) {
			failures.push_back(addons_[i]->Path() + ": the add-on failed to start");
			addons_[i]->Discard();
		} else if (!first_) {
			first_ = i;
		}
	}
	return failures;
}

bool AddonGroup::AnyLeft() const {
	for (const auto& addon : addons_)
		if (addon->Plugin()) return true;
	return false;
}

std::vector<PlayerKey> AddonGroup::HandleMessages() {
	std::vector<PlayerKey> keys;
	if (!looper_) return keys;
	for (const HostLooper::Received& received : looper_->Take())
		Handle(received.addon, received.message, keys);
	HandleFaults();
	return keys;
}

void AddonGroup::HandleFaults() {
	if (auto about = about_.TakeFault()) {
		Report(about->second);
		failed_ = true;
		for (size_t i = 0; i < addons_.size(); i++)
			if (addons_[i]->Plugin() == about->first) Discard(i);
	}
	for (size_t i = 0; i < addons_.size(); i++) {
		const RunningAddon& addon = *addons_[i];
		if (addon.Fault().empty() ||
		    std::find(faultsTold_.begin(), faultsTold_.end(), &addon) != faultsTold_.end())
			continue;
		faultsTold_.push_back(&addon);
		Report(addon.Fault());
		failed_ = true;
		Discard(i);
	}
}

void AddonGroup::Handle(size_t index, const BMessage& message, std::vector<PlayerKey>& keys) {
	const std::string from = "add-on " + std::to_string(index + 1) + " (" + addons_[index]->Path() + ")";
	if (message.what == PLUGIN_CLOSE_NOTICE) {
		void* object = nullptr;
		message.FindPointer("Object", &object);
		const bool own = object && object == addons_[index]->Plugin();
		char pointer[32];
		std::snprintf(pointer, sizeof pointer, "%p", object);
		Log("close notice to " + from + ": Object " + pointer + (own ? ", its object" : ", not its object"));
		// Only a pointer that is one of our objects is acted on; anything else is ignored.
		for (size_t i = 0; i < addons_.size(); i++)
			if (object && addons_[i]->Plugin() == object) Discard(i);
		return;
	}
	Log("message to " + from + ": " + message.ToString());
	if (const auto key = PlayerKeyOf(message)) {
		if (*key == PlayerKey::About)
			About();
		else
			keys.push_back(*key);
	}
}

void AddonGroup::About() {
	for (const auto& addon : addons_)
		if (addon->Running()) {
			about_.Open(addon->Plugin(), addon->Path());
			return;
		}
}

bool AddonGroup::AboutAnswered(size_t index, bigtime_t deadline) {
	if (!addons_[index]->Running() || !about_.Open(addons_[index]->Plugin(), addons_[index]->Path()))
		return false;
	about_.WaitUntilShown(deadline);
	CloseAboutBox(deadline);
	return true;
}

void AddonGroup::CloseAboutBox(bigtime_t deadline) {
	if (about_.Close(deadline) || toldAboutStuck_) return;
	toldAboutStuck_ = true;
	failed_ = true;
	for (const auto& addon : addons_)
		if (addon->Plugin() == about_.StuckIn())
			Report(addon->Path() + ": About did not return; the add-on stays loaded until the player ends");
}

bool AddonGroup::Restart(size_t index) {
	RunningAddon& addon = *addons_[index];
	if (!addon.Plugin() || addon.Running()) return addon.Running();
	if (addon.Start(looper_->HandlerFor(index))) return true;
	Report(addon.Path() + ": the add-on failed to start");
	failed_ = true;
	return false;
}

void AddonGroup::Discard(size_t index) {
	CloseAboutBox(system_time() + kAboutTimeout);
	if (listener_.stopping && addons_[index]->Plugin()) listener_.stopping(index);
	Release(*addons_[index]);
}

void AddonGroup::Release(RunningAddon& addon) {
	// Unloading the library under a thread still inside it would crash the host.
	if (addon.Plugin() && addon.Plugin() == about_.StuckIn())
		addon.Abandon();
	else
		addon.Discard();
}

void AddonGroup::Leave() {
	if (left_) return;
	left_ = true;
	CloseAboutBox(system_time() + kAboutTimeout);
	for (auto& addon : addons_)
		Release(*addon);
	HandleFaults();
	addons_.clear();
	HostLooper::Dispose(looper_);
	looper_ = nullptr;
}

void AddonGroup::LeaveWithout(const RunningAddon& hung) {
	left_ = true;
	CloseAboutBox(system_time() + kAboutTimeout);
	// Releasing again what the held thread had released already does nothing.
	for (auto& addon : addons_)
		if (addon.get() == &hung)
			addon->Forsake();
		else
			Release(*addon);
	HandleFaults();
	// The held thread is inside the object: it stays, reachable, for the rest of the process.
	static auto* held = new std::vector<std::unique_ptr<RunningAddon>>;
	for (auto& addon : addons_)
		if (addon.get() == &hung) held->push_back(std::move(addon));
	addons_.clear();
	HostLooper::Dispose(looper_);
	looper_ = nullptr;
}

void AddonGroup::Log(const std::string& line) const {
	if (listener_.log) listener_.log(line);
}
