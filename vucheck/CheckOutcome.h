// How a check process says its check went: on its report pipe when it ends,
// and as its exit status.
#pragma once

enum class CheckOutcome : int { Pass = 0, Fail = 1, Warning = 2 };
