// The result window's creation alone, in this process: the program's real
// start window and result window, headless, with a picture already in hand.
#pragma once

#include <string>

namespace appbench {

// Opens the result window for `picture` (already measured: width x height)
// `rounds` times, each shown, painted and closed again as a user's close
// would, and returns wall seconds per round; *cpu gets this thread's CPU
// seconds per round. The process must not use the runtime otherwise; it is
// left reset. False with *why when the picture cannot be kept.
bool ResultWindowRound(const std::string& picture, int width, int height, int rounds, double* wall, double* cpu,
                       std::string* why);

}  // namespace appbench
