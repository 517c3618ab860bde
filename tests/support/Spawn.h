// Starting a program as a child process for tests that drive it from outside.
#pragma once

#include <fcntl.h>
#include <spawn.h>
#include <unistd.h>

#include <string>
#include <vector>

extern char** environ;

// Starts `args` (the program found on PATH when it has no slash) with this
// process's environment, standard input from /dev/null and standard output
// and error into the files named; the child's id, or -1.
inline pid_t Spawn(std::vector<std::string> args, const std::string& out = "/dev/null",
                   const std::string& err = "/dev/null") {
	std::vector<char*> argv;
	for (std::string& arg : args)
		argv.push_back(arg.data());
	argv.push_back(nullptr);
	posix_spawn_file_actions_t files;
	posix_spawn_file_actions_init(&files);
	posix_spawn_file_actions_addopen(&files, 0, "/dev/null", O_RDONLY, 0);
	posix_spawn_file_actions_addopen(&files, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
	posix_spawn_file_actions_addopen(&files, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
	pid_t pid = -1;
	const int failed = posix_spawnp(&pid, argv[0], &files, nullptr, argv.data(), environ);
	posix_spawn_file_actions_destroy(&files);
	return failed ? -1 : pid;
}
