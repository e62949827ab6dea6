#pragma once
// Reports of programming errors (a call that should never happen). They go to standard error and
// never stop the program; user-facing messages go through the host interface instead.
#include <string_view>

namespace korvan {

void ReportBug(std::string_view text);

}  // namespace korvan
