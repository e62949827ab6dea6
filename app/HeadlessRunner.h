#pragma once
// The headless runner: loads a scene through the same loader as the window, runs frames on the
// same scheduler, and reports on the console. Tests, benchmarks and batch users drive it.
#include <string>
#include <vector>

namespace korvan {

// Runs `KORVAN3 --headless ...` with the arguments after "--headless". Returns the exit status:
// 0 success, 1 the scene could not be loaded or its script failed, 2 bad arguments.
int RunHeadless(const std::vector<std::string>& args);

}  // namespace korvan
