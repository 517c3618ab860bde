// The exit statuses vuplay and vucheck share; a signal that ends either
// gives 128 and its number instead.
#pragma once

// Returned from main as ints.
enum ExitStatus { ExitOk = 0, ExitFailure = 1, ExitUsage = 2 };
