// The line for an exception that an add-on let out of one of its calls,
// which the add-on boundary forbids.
#pragma once

#include <exception>
#include <string>

// "PATH: the add-on threw an exception in CALL: WHAT", WHAT as Printable shows
// what() of a std::exception, left out for anything else. [any thread]
std::string ExceptionReport(const std::string& path, const char* call, const std::exception_ptr& thrown);
