// Fuzz target for the MQO reader and its side files: the input up to a line "#MOD" is the model,
// what follows it (up to a line "#HIDE") the "_mod.mqo" file, and the rest the "_hide.mqo" file.
// Seeds: fuzz/seeds/mqo (our own small files).
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string_view>

#include "ModelHarness.h"
#include "skin/ModelReaders.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace korvan;
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    auto cut = [&](std::string_view marker) {
        std::size_t at = bytes.find(marker);
        std::string_view rest =
            at == std::string_view::npos ? std::string_view() : bytes.substr(at + marker.size());
        bytes = bytes.substr(0, at);
        return rest;
    };
    std::string_view hide = cut("\n#HIDE\n");
    std::string_view mod = cut("\n#MOD\n");
    std::error_code ignored;
    std::filesystem::remove(fuzzing::ModelFolder() / "f_mod.mqo", ignored);
    std::filesystem::remove(fuzzing::ModelFolder() / "f_hide.mqo", ignored);
    if (!mod.empty()) fuzzing::WriteModelFile("f_mod.mqo", mod);
    if (!hide.empty()) fuzzing::WriteModelFile("f_hide.mqo", hide);
    CMQOfile model;
    if (LoadAndPrepareModel(model, fuzzing::WriteModelFile("f.mqo", bytes))) {
        fuzzing::CheckPreparedModel(model);
    } else {
        fuzzing::Check(model.faces.empty() && model.vertices.empty() && model.groups.empty());
    }
    return 0;
}
