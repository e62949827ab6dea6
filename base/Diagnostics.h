#pragma once
// Reports of programming errors (a call that should never happen). They go to the host's
// diagnostics and never stop the program; user-facing messages go through the host's dialogs.
#include <string_view>

namespace korvan {

void ReportBug(std::string_view text);

}  // namespace korvan
