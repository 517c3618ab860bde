#include "host/CrashReport.h"

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "host/AddonWatch.h"
#include "host/Report.h"

namespace {

constexpr int kSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};

// Made before anything can crash, so that the handler only copies bytes.
struct Text {
	char bytes[1024];
	size_t length = 0;
	void Set(const std::string& text) {
		length = std::min(text.size(), sizeof bytes);
		std::memcpy(bytes, text.data(), length);
	}
};

CrashReport::Covers gCovers = CrashReport::Covers::LoadingAndStarting;
Text gProgram;  // "PROGRAM: "
Text gAnywhere; // "PATH: the add-on crashed", for a crash outside every call
struct sigaction gPrevious[std::size(kSignals)];

// Async-signal-safe: a fixed buffer and write(2).
class Line {
public:
	void Add(const char* part) { Add(part, std::strlen(part)); }
	void Add(const char* part, size_t count) {
		count = std::min(count, sizeof text_ - length_);
		std::memcpy(text_ + length_, part, count);
		length_ += count;
	}
	void Add(int number) {
		char digits[12];
		size_t count = 0;
		do
			digits[sizeof digits - ++count] = char('0' + number % 10);
		while ((number /= 10) > 0 && count < sizeof digits);
		Add(digits + sizeof digits - count, count);
	}
	void Write() const { (void)!::write(STDERR_FILENO, text_, length_); }

private:
	char text_[2048];
	size_t length_ = 0;
};

bool Covered(const AddonCall& call) {
	switch (call.step) {
	case AddonStep::Render:
	case AddonStep::Prefs:
	case AddonStep::About:
	case AddonStep::Cleanup:
		return gCovers == CrashReport::Covers::Everything;
	default:
		return true;
	}
}

void PassOn(int signal) {
	for (size_t i = 0; i < std::size(kSignals); i++)
		if (kSignals[i] == signal) sigaction(signal, &gPrevious[i], nullptr);
	// Pending until this handler returns; a fault would come again anyway.
	::raise(signal);
}

// A fault signal another process sent: no crash of anybody's code here, so
// it ends the process as the signal does by default, whatever handler (a
// sanitizer's, say) was there before.
void EndBySignal(int signal) {
	struct sigaction fallback {};
	fallback.sa_handler = SIG_DFL;
	sigemptyset(&fallback.sa_mask);
	sigaction(signal, &fallback, nullptr);
	::raise(signal);
}

void OnCrash(int signal, siginfo_t* info, void*) {
	if (info->si_code <= 0 && info->si_pid != ::getpid()) return EndBySignal(signal);
	const AddonCall* call = AddonWatch::Current();
	Line line;
	line.Add(gProgram.bytes, gProgram.length);
	if (call && Covered(*call)) {
		line.Add(call->path->c_str());
		if (call->step == AddonStep::Init) {
			line.Add(": the add-on crashed while starting");
		} else {
			line.Add(": the add-on crashed in ");
			line.Add(call->Name());
		}
	} else if (gCovers == CrashReport::Covers::Everything) {
		line.Add(gAnywhere.bytes, gAnywhere.length);
	} else {
		return PassOn(signal);
	}
	line.Add(" (signal ");
	line.Add(signal);
	line.Add(")\n");
	line.Write();
	::_exit(1);
}

} // namespace

void CrashReport::Install(Covers covers, const std::string& addonPath) {
	gCovers = covers;
	gProgram.Set(std::string(ReportName()) + ": ");
	gAnywhere.Set(addonPath + ": the add-on crashed");
	struct sigaction action {};
	action.sa_sigaction = OnCrash;
	action.sa_flags = SA_SIGINFO;
	sigemptyset(&action.sa_mask);
	for (size_t i = 0; i < std::size(kSignals); i++)
		sigaction(kSignals[i], &action, &gPrevious[i]);
}
