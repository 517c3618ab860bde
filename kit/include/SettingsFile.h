// Reading and writing a small settings file whole, as an add-on keeps its
// settings between runs. Paths are spelt as on the platform and go through
// host_path() (FindDirectory.h) first.
//
// Both calls are [any thread] and throw nothing. Two writers of files in one
// folder, in one process or several, never disturb each other's writes.
#pragma once

#include <cstddef>

#include "SupportDefs.h"

// Reads up to `size` bytes from the start of the settings file into `buffer`
// and returns how many it read. Only a regular file is read: a missing or
// unreadable file, a folder, a FIFO or a device counts as no file and gives
// 0, at once; nothing here ever waits for a writer.
BE_EXPORT size_t read_settings_file(const char* platformPath, void* buffer, size_t size) noexcept;

// Makes the settings file hold exactly these `size` bytes. Returns 0 when
// they are written and on disk, else the errno value of the step that
// failed; then the old file is left as it was.
//
// A symbolic link is followed and its target written; the link stays.
// The new contents go to a temporary file beside the target, which replaces
// it once complete, with the old file's mode (a new file gets 0666 less the
// umask); where no file can be created beside it but the file itself can be
// written, it is overwritten in place. Anything but a regular file at the
// target is left alone and not written. Temporary files that an earlier
// writer left in the folder when it was ended mid-write are removed. How
// the write went is kept for the host (kit/UnsavedSettings.h).
BE_EXPORT int write_settings_file(const char* platformPath, const void* data, size_t size) noexcept;
