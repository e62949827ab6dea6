// Fuzz target for the OBJ reader. The input is both the OBJ file and the MTL library beside it
// (a line "mtllib f.mtl", or "usemtl" alone, reads the same bytes as a library).
// Seeds: the OBJ/MTL files of the outside corpora.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "ModelHarness.h"
#include "skin/ModelReaders.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace korvan;
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    fuzzing::WriteModelFile("f.mtl", bytes);
    CMQOfile model;
    if (LoadAndPrepareModel(model, fuzzing::WriteModelFile("f.obj", bytes))) {
        fuzzing::CheckPreparedModel(model);
    } else {
        fuzzing::Check(model.faces.empty() && model.vertices.empty() && model.groups.empty());
    }
    return 0;
}
