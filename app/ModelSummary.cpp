#include "app/ModelSummary.h"

#include <chrono>
#include <cstdio>

#include "base/Format.h"
#include "skin/PostProcess.h"

namespace korvan {

std::string ModelSummaryLine(const CMQOfile& model, double seconds) {
    std::string line;
    AppendFormat(line,
                 "%s: %d vertices, %d faces, %d materials, %d groups, %d regions, box (%g, %g, %g)-(%g, %g, "
                 "%g), %.3f s",
                 model.path, model.vertices.size(), model.faces.size(), model.materials.size(),
                 model.groups.size(), model.regions.size(), model.boxMin.x, model.boxMin.y, model.boxMin.z,
                 model.boxMax.x, model.boxMax.y, model.boxMax.z, seconds);
    return line;
}

int RunModelSummary(const std::vector<std::string>& args) {
    if (args.size() != 1 || args[0] == "--help") {
        std::fprintf(stderr, "usage: KORVAN3 --model FILE   (FILE: .obj or .mqo)\n");
        return 2;
    }
    CMQOfile model;
    auto start = std::chrono::steady_clock::now();
    if (!LoadAndPrepareModel(model, args[0])) return 1;
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%s\n", ModelSummaryLine(model, seconds).c_str());
    return 0;
}

}  // namespace korvan
