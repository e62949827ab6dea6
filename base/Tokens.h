#pragma once
// The token splitter of the command line, the settings file and the scene pre-scan:
// blanks and tabs separate tokens, a double quote toggles a quoted part in which blanks are
// ordinary characters, and the quotes themselves are dropped.
#include <string>
#include <string_view>
#include <vector>

namespace korvan {

std::vector<std::string> SplitTokens(std::string_view line);

}  // namespace korvan
