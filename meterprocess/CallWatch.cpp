#include "CallWatch.h"

#include <unistd.h>

#include "host/HangWatch.h"
#include "host/Report.h"

void CallWatch::Start(const std::string& addonPath, std::chrono::seconds patience) {
	const std::string prefix = std::string(ReportName()) + ": " + addonPath + ": ";
	// For the rest of the process: a call is given up within a second of its time.
	static const HangWatch* const watch =
	    new HangWatch(patience, std::chrono::seconds(1), [prefix, patience](const char* call) {
		    const std::string line = prefix + "the add-on did not return from " + call + " within " +
		                             std::to_string(patience.count()) +
		                             " seconds; its settings are not saved\n";
		    (void)!::write(STDERR_FILENO, line.data(), line.size());
		    ::_exit(1);
	    });
	(void)watch;
}
