#include "input/EventScriptRunner.h"

#include "host/Report.h"
#include "input/UserInput.h"

Expected<void> EventScriptRunner::Load(const std::string& path, std::stop_token stop) {
	path_ = path;
	if (path.empty()) return {};
	auto events = EventScript::Load(path, std::move(stop));
	if (!events) return Failure{events.Error()};
	events_ = std::move(*events);
	return {};
}

const ScriptEvent* EventScriptRunner::Next(int64_t block) {
	return HasEventFor(block) ? &events_[next_++] : nullptr;
}

void EventScriptRunner::ReportUnreached(int64_t blocks) {
	if (next_ >= events_.size()) return;
	const ScriptEvent& event = events_[next_];
	const size_t more = events_.size() - next_ - 1;
	Report(path_ + ":" + std::to_string(event.line) + ": block " + std::to_string(event.block) +
	       " never came: the run ended after block " + std::to_string(blocks) +
	       (more == 0 ? ""
	                  : " (" + std::to_string(more) + " more event" + (more == 1 ? "" : "s") + " after it)"));
	next_ = events_.size();
	failed_ = true;
}

void EventScriptRunner::Apply(const ScriptEvent& event, BWindow* window) {
	Expected<void> applied;
	switch (event.kind) {
	case ScriptEvent::Kind::Menu:
		applied = UserInput::ChooseMenuItem(event.text);
		break;
	case ScriptEvent::Kind::Gain:
		applied = UserInput::SetGain(event.numbers[0]);
		break;
	default:
		applied = window ? UserInput::Apply(window, event) : Failure{"no meter window"};
		break;
	}
	if (applied) return;
	// The script did not do what it said: the run fails, once it is over.
	Report(path_ + ":" + std::to_string(event.line) + ": " + applied.Error());
	failed_ = true;
}
