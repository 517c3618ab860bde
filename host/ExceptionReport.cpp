#include "host/ExceptionReport.h"

#include "host/Printable.h"

std::string ExceptionReport(const std::string& path, const char* call, const std::exception_ptr& thrown) {
	std::string line = path + ": the add-on threw an exception in " + call;
	try {
		std::rethrow_exception(thrown);
	} catch (const std::exception& exception) {
		if (const char* what = exception.what(); what && *what) line += ": " + Printable(what);
	} catch (...) {
		// Nothing more to say of it.
	}
	return line;
}
