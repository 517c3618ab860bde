#include "input/EventScriptRunner.h"

#include "host/Report.h"
#include "input/UserInput.h"

bool EventScriptRunner::Load(const std::string& path, std::stop_token stop, std::string& error) {
	path_ = path;
	if (path.empty()) return true;
	auto events = EventScript::Load(path, std::move(stop), error);
	if (!events) return false;
	events_ = std::move(*events);
	return true;
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
	std::string error;
	switch (event.kind) {
	case ScriptEvent::Kind::Menu:
		UserInput::ChooseMenuItem(event.text, error);
		break;
	case ScriptEvent::Kind::Gain:
		UserInput::SetGain(event.numbers[0], error);
		break;
	default:
		if (window)
			UserInput::Apply(window, event, error);
		else
			error = "no meter window";
		break;
	}
	if (error.empty()) return;
	// The script did not do what it said: the run fails, once it is over.
	Report(path_ + ":" + std::to_string(event.line) + ": " + error);
	failed_ = true;
}
