#include "output/StandardOutput.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

bool StdoutWritable() {
	static bool told = false;
	errno = 0;
	if (std::fflush(stdout) == 0 && !std::ferror(stdout)) return true;
	if (!told) {
		const int error = errno;
		std::fprintf(stderr, "vuplay: standard output: cannot write%s%s\n", error ? ": " : "",
		             error ? std::strerror(error) : "");
	}
	told = true;
	return false;
}
