#include "Report.h"

#include <cstdio>

void Report(const std::string& message) { std::fprintf(stderr, "vuplay: %s\n", message.c_str()); }
