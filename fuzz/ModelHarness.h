#pragma once
// What the model fuzzers share: a silent host, a folder of the process's own for the files the
// readers open, and the checks every prepared model must pass.
#include <unistd.h>

#include <cstddef>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "base/Host.h"
#include "skin/PostProcess.h"

namespace korvan::fuzzing {

class QuietHost : public ConsoleHost {
  public:
    void ShowMessage(const std::string&) override {}
    void ShowProgress(const std::string&, const std::string&, int) override {}
};

inline const std::filesystem::path& ModelFolder() {
    static const std::filesystem::path folder = [] {
        static QuietHost host;
        SetHost(&host);
        auto f = std::filesystem::temp_directory_path() / ("korvan-model-fuzz-" + std::to_string(::getpid()));
        std::filesystem::create_directories(f);
        return f;
    }();
    return folder;
}

inline std::string WriteModelFile(const std::string& name, std::string_view bytes) {
    std::filesystem::path path = ModelFolder() / name;
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
    return path.string();
}

inline void Check(bool condition) {
    if (!condition) __builtin_trap();
}

// The derived data of a prepared model must be consistent: every face in exactly one region,
// every list inside its arrays, and the grid's ray cast finding what a test of every face finds.
inline void CheckPreparedModel(CMQOfile& model) {
    const std::size_t faces = model.faces.size();
    Check(model.faceRegion.size() == faces && model.regionFaces.size() == faces);
    std::size_t inRegions = 0;
    for (const _REGID& r : model.regions) inRegions += static_cast<std::size_t>(r.faceCount);
    Check(inRegions == faces);
    Check(model.edgeFaces.Owners() == model.corners.size());
    for (int f : model.edgeFaces.items) Check(f >= 0 && static_cast<std::size_t>(f) < faces);
    for (int f : model.grid.cells.items) Check(f >= 0 && static_cast<std::size_t>(f) < faces);
    Check(model.materialOrder.size() == model.materials.size());
    for (std::size_t f = 0; f < faces; ++f) {
        const std::vector<int>& t = model.Triangulation(static_cast<int>(f));
        for (int c : t) Check(c >= 0 && c < model.faces[f].cornerCount);
    }
    // Rays between corners of the model, through the grid and past every face.
    for (std::size_t i = 0; i + 1 < model.corners.size() && i < 16; i += 2) {
        Vec3 s = model.CornerPosition(static_cast<int>(i)) * 1.5 + Vec3{0.1, 0.2, 0.3};
        Vec3 e = model.CornerPosition(static_cast<int>(i + 1)) * -0.5;
        RayHit grid = CastRay(model, s, e), all = CastRayBruteForce(model, s, e);
        Check((grid.face < 0) == (all.face < 0));
        if (grid.face >= 0) Check(std::abs(grid.distance - all.distance) <= 1e-6 * (1 + all.distance));
    }
}

}  // namespace korvan::fuzzing
