// Random edits through the core's own editing functions (create, join, delete, merge), then
// save -> load -> save: the two files must be the same bytes, every connection must be paired
// both ways, and the loaded scene must hold the same connections with the same constants as the
// edited one. A connection saved twice, a stale partner index or constants taken from a body
// that is gone all show here.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <tuple>

#include "fuzz/SceneHarness.h"
#include "script/DispatchObj.h"
#include "script/SceneWriter.h"

using namespace korvan;
using namespace korvan::fuzzing;

namespace {

// A model with its own ground, a box on it and a box on the box; the ground is another size than
// the scene's, so constants that kept its mass would differ from those the file gives.
constexpr const char* kPart = R"(
Set g2 = Application.AddObj( "GROUND" , "G2" )
g2.widthX = 5
Set a = Application.AddObj( "BOX" , "PA" )
a.widthX = 0.5
Set b = Application.AddObj( "CYLINDER" , "PB" )
a.AddCrash g2
Application.Join1 a, 0,0,-0.5, g2, 0,0,0.5
Application.Join2_Horz a, 0,0,0.5, 0.25,0,0, b, 0,0,0, 0,0.5,0
)";

// One connection seen from one body: partner position, group kind and constants.
using Connection = std::tuple<int, int, int, double, double, double, double>;

[[noreturn]] void Fail(const char* what, const std::string& text) {
    std::fprintf(stderr, "%s\n%s\n", what, text.c_str());
    std::abort();
}

// Per body, its connected records; aborts when a record's mirror does not point back.
std::vector<std::vector<Connection>> Connections(const CScene& scene) {
    std::vector<std::vector<Connection>> all(static_cast<std::size_t>(scene.Count()));
    for (int b = 0; b < scene.Count(); ++b) {
        const CObj& body = *scene.Body(b);
        for (std::size_t i = 0; i < body.joins.size(); ++i) {
            const _JOININFO& j = body.joins[i];
            if (!j.partner) continue;
            const _JOININFO* mirror = MirrorOf(j);
            if (!mirror || mirror->partner != &body || mirror->partnerIndex != static_cast<int>(i))
                Fail("a connection record's mirror does not point back", body.displayName);
            all[static_cast<std::size_t>(b)].emplace_back(scene.IndexOf(j.partner), j.kindCode, j.vertical,
                                                          j.effStrength, j.effFriction, j.effBreak,
                                                          j.rotResistance);
        }
        std::sort(all[static_cast<std::size_t>(b)].begin(), all[static_cast<std::size_t>(b)].end());
    }
    return all;
}

Vec3 Point(FuzzedDataProvider& in) {
    static constexpr double values[] = {-0.5, -0.25, 0, 0.25, 0.5};
    return {in.PickValueInArray(values), in.PickValueInArray(values), in.PickValueInArray(values)};
}

// An offset of a two- or four-point group; never zero.
Vec3 Offset(FuzzedDataProvider& in) {
    static constexpr double values[] = {-0.5, 0.25, 0.5};
    return {in.PickValueInArray(values), in.PickValueInArray(values), in.PickValueInArray(values)};
}

void Join(FuzzedDataProvider& in, CScene& scene) {
    if (scene.Count() < 2) return;
    CObj* a = scene.Body(in.ConsumeIntegralInRange(0, scene.Count() - 1));
    CObj* b = scene.Body(in.ConsumeIntegralInRange(0, scene.Count() - 1));
    if (a == b) return;  // scripts cannot make a body's connection to itself, so its file could not load
    static constexpr double strengths[] = {-1, -2, -0.25, 100000};
    const double strength = in.PickValueInArray(strengths), friction = in.PickValueInArray(strengths);
    switch (in.ConsumeIntegralInRange(0, 4)) {
        case 0:
            a->Join1(b, Point(in), Point(in), strength, friction);
            break;
        case 1:
            a->Join2(b, Point(in), Offset(in), Point(in), Offset(in), strength, friction);
            break;
        case 2:
            a->Join2_Vert(b, Point(in), Offset(in), Point(in), Offset(in), strength, friction);
            break;
        case 3:
            a->Join2_Horz(b, Point(in), Offset(in), Point(in), Offset(in), strength, friction);
            break;
        default:
            a->Join4(b, Point(in), Offset(in), Offset(in), Point(in), Offset(in), Offset(in), strength,
                     friction);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static SilentHost host;
    SetHost(&host);
    FuzzedDataProvider in(data, size);
    Harness scene(nullptr, 0);
    static const std::filesystem::path part = [] {
        auto p = Folder() / "part.txt";
        WriteFile(p, kPart);
        return p;
    }();
    scene.commands.Initialise();
    CScene& bodies = scene.document.scene;
    static constexpr const char* kinds[] = {"BOX", "CYLINDER", "SPRING", "DEF", "GROUND"};
    for (int edits = in.ConsumeIntegralInRange(0, 24); edits > 0 && in.remaining_bytes() > 0; --edits) {
        switch (in.ConsumeIntegralInRange(0, 3)) {
            case 0:
                if (bodies.Count() < 16) scene.commands.CreateBody(in.PickValueInArray(kinds), "b");
                break;
            case 1:
                Join(in, bodies);
                break;
            case 2:
                if (bodies.Count() > 0)
                    scene.commands.DeleteBody(bodies.Body(in.ConsumeIntegralInRange(0, bodies.Count() - 1)));
                break;
            default:
                scene.commands.MergeScene(part.string());
        }
    }

    SceneWriteOptions options;
    options.saveFolder = Folder().string() + "/";
    options.quiet = true;
    const auto edited = Connections(bodies);
    const std::string first = SceneFileBytes(scene.document, options);
    const std::filesystem::path saved = Folder() / "edited.txt";
    WriteFile(saved, first);
    if (!scene.commands.LoadScene(saved.string(), 0, 0)) Fail("the edited scene's file did not load", first);
    if (Connections(bodies) != edited)
        Fail("the loaded scene's connections differ from the edited one's", first);
    const std::string second = SceneFileBytes(scene.document, options);
    if (second != first) {
        WriteFile(Folder() / "resaved.txt", second);
        Fail("the loaded scene saves to other bytes (edited.txt, resaved.txt in the fuzzer's folder)",
             Folder().string());
    }
    return 0;
}
