// Fuzz target for the post-processing alone: the bytes build a model directly, with coordinates
// from a small set (so that vertices coincide, faces fold onto each other and edges are shared by
// many faces) and faces of any corner count, including none and repeated vertices.
#include <cstddef>
#include <cstdint>

#include "ModelHarness.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace korvan;
    fuzzing::ModelFolder();  // installs the quiet host
    std::size_t at = 0;
    auto next = [&]() -> unsigned { return at < size ? data[at++] : 0u; };
    CMQOfile model;
    const unsigned materials = 1 + next() % 4, groups = 1 + next() % 6, vertices = 1 + next() % 48;
    for (unsigned m = 0; m < materials; ++m) {
        _MTL material;
        material.index = static_cast<int>(m);
        model.materials.push_back(material);
    }
    for (unsigned g = 0; g < groups; ++g)
        model.groups.push_back(_GROUP{"g", static_cast<int>(g % materials), 0});
    static const double kValues[8] = {0, 1, -1, 0.5, 2, 1e-10, 1 + 1e-10, 1e6};
    for (unsigned v = 0; v < vertices; ++v) {
        unsigned a = next(), b = next();
        model.vertices.push_back(Vec3{kValues[a & 7], kValues[(a >> 3) & 7], kValues[b & 7]});
    }
    while (at < size && model.faces.size() < 4096) {
        ModelFace face;
        unsigned head = next();
        face.group = static_cast<int>(head % groups);
        face.cornerCount = static_cast<int>((head >> 3) % 9);
        if (face.cornerCount == 8) face.cornerCount = 5 + static_cast<int>(next() % 40);
        face.firstCorner = static_cast<int>(model.corners.size());
        for (int c = 0; c < face.cornerCount; ++c) {
            ModelCorner corner;
            corner.vertex = static_cast<int>(next() % vertices);
            model.corners.push_back(corner);
        }
        model.faces.push_back(face);
    }
    if (PostProcessModel(model)) fuzzing::CheckPreparedModel(model);
    return 0;
}
