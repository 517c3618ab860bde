// A library's message made to fit in the middle of one of ours.
#pragma once

#include <string>

// `message` without the full stops and line breaks it ends with, as ours
// end without them: "No such device." gives "No such device".
inline std::string Clause(const char* message) {
	std::string clause = message ? message : "";
	while (!clause.empty() && (clause.back() == '.' || clause.back() == '\n' || clause.back() == ' '))
		clause.pop_back();
	return clause;
}
