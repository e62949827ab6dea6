#include "base/Diagnostics.h"

#include <string>

#include "base/Host.h"

namespace korvan {

void ReportBug(std::string_view text) {
    CurrentHost().Diagnose("KORVAN3 internal error: " + std::string(text));
}

}  // namespace korvan
