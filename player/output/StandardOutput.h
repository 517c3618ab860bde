// Whether what the player prints still arrives.
#pragma once

// Whether standard output still takes what is printed: a closed pipe (SIGPIPE
// is ignored) or a full disk is reported, once, and fails the run.
// [player thread]
bool StdoutWritable();
