#include "Report.h"

#include <cstdio>

#include "host/Printable.h"

void Report(const std::string& message) { std::fprintf(stderr, "vuplay: %s\n", Printable(message).c_str()); }
