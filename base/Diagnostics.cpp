#include "base/Diagnostics.h"

#include <cstdio>

namespace korvan {

void ReportBug(std::string_view text) {
    std::fprintf(stderr, "KORVAN3 internal error: %.*s\n", static_cast<int>(text.size()), text.data());
}

}  // namespace korvan
