// Tells vucheck that the check passed, from inside its first Render, and ends
// the process with status 0. With FORGE_BY_COMMAND_LINE it writes the end of
// the call and the verdict to the report descriptor its command line names;
// with FORGE_ON_A_FOUND_PIPE it writes the verdict alone to the pipes of its
// own from descriptor 100 on, where vucheck has moved that descriptor.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

#include "SimplePlugin.h"

namespace {

void Write(int fd, const char* text) { (void)!::write(fd, text, std::strlen(text)); }

#ifdef FORGE_BY_COMMAND_LINE
void Forge() {
	std::ifstream file("/proc/self/cmdline", std::ios::binary);
	const std::string line{std::istreambuf_iterator<char>(file), {}};
	const size_t at = line.find(std::string("--report-fd") + '\0');
	if (at != std::string::npos) Write(std::atoi(line.c_str() + at + 12), "leave: Render\ndone: pass\n");
}
#endif

#ifdef FORGE_ON_A_FOUND_PIPE
// Pipes opened by the process itself for writing, which a process started
// with them open (they close on exec) does not inherit.
void Forge() {
	for (int fd = 100; fd < 1024; fd++) {
		struct stat status {};
		if (::fstat(fd, &status) == 0 && S_ISFIFO(status.st_mode) &&
		    (::fcntl(fd, F_GETFL) & O_ACCMODE) == O_WRONLY && (::fcntl(fd, F_GETFD) & FD_CLOEXEC) != 0)
			Write(fd, "done: pass\n");
	}
}
#endif

} // namespace

class ForgesAPass : public SimplePlugin {
public:
	bool Render(const VisAudioInfoStruct*) override {
		Forge();
		::_exit(0);
	}
};

EXPORT_PLUGIN(ForgesAPass)
