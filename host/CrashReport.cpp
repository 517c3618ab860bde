#include "host/CrashReport.h"

#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "host/Report.h"

namespace {

constexpr int kSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};

// Written before the crash so that the handler only copies bytes.
char gLine[512];
size_t gLength = 0;

void Append(const char* text) {
	const size_t count = std::min(std::strlen(text), sizeof gLine - gLength);
	std::memcpy(gLine + gLength, text, count);
	gLength += count;
}

void OnCrash(int signal) {
	char tail[4];
	size_t count = 0;
	if (signal >= 10) tail[count++] = char('0' + signal / 10 % 10);
	tail[count++] = char('0' + signal % 10);
	tail[count++] = ')';
	tail[count++] = '\n';
	(void)!::write(STDERR_FILENO, gLine, gLength);
	(void)!::write(STDERR_FILENO, tail, count);
	::_exit(1);
}

} // namespace

CrashReport::CrashReport(const std::string& message) {
	gLength = 0;
	Append(ReportName());
	Append(": ");
	Append(message.c_str());
	Append(" (signal ");
	struct sigaction action {};
	action.sa_handler = OnCrash;
	sigemptyset(&action.sa_mask);
	for (size_t i = 0; i < std::size(kSignals); i++)
		sigaction(kSignals[i], &action, &previous_[i]);
}

CrashReport::~CrashReport() {
	for (size_t i = 0; i < std::size(kSignals); i++)
		sigaction(kSignals[i], &previous_[i], nullptr);
}
