// Runs part of a test as an ordinary user would: root ignores file
// permissions, so a test of a read-only folder needs a user that they stop.
#pragma once

#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "support/Watchdog.h"

// The user the tests become when they run as root.
inline constexpr uid_t kUnprivilegedUser = 65534;

// Gives `folder` and everything in it to the unprivileged user, when
// running as root, so that the user can work in it.
inline void GiveToUnprivilegedUser(const std::filesystem::path& folder) {
	if (geteuid() != 0) return;
	if (chown(folder.c_str(), kUnprivilegedUser, kUnprivilegedUser) != 0) std::abort();
	for (const auto& entry : std::filesystem::recursive_directory_iterator(folder))
		if (lchown(entry.path().c_str(), kUnprivilegedUser, kUnprivilegedUser) != 0) std::abort();
}

// Runs `body` in a forked child, as the unprivileged user when running as
// root, and returns what it returned (0 to 254); -1 when the child could not
// drop its privileges or did not exit normally. The child only acts: the
// test looks at the outcome in the parent, where its checks count. It leaves
// with _exit, so that nothing of the parent's is torn down twice.
template <typename Body> int RunUnprivileged(Body body) {
	Watchdog watchdog(std::chrono::seconds(60));
	const pid_t child = fork();
	if (child == 0) {
		if (geteuid() == 0 && (setgroups(0, nullptr) != 0 ||
		                       setresgid(kUnprivilegedUser, kUnprivilegedUser, kUnprivilegedUser) != 0 ||
		                       setresuid(kUnprivilegedUser, kUnprivilegedUser, kUnprivilegedUser) != 0))
			_exit(255);
		_exit(body());
	}
	int status = 0;
	if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
	return WEXITSTATUS(status) == 255 ? -1 : WEXITSTATUS(status);
}
