// A scene that loads must be saved to a file that loads again, with the same bodies, and every
// backup its loading took must load too: arbitrary scripts through the real loader, writer and
// backup ring. A saved file or backup that does not load loses the user's work.
#include <cstdio>
#include <cstdlib>

#include "fuzz/SceneHarness.h"
#include "script/SceneWriter.h"

using namespace korvan;
using namespace korvan::fuzzing;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static SilentHost host;
    SetHost(&host);
    Harness scene(data, size);
    if (!scene.Load()) return 0;
    const int bodies = scene.document.scene.Count();
    if (bodies > 64) return 0;  // large scenes only slow the search down

    SceneWriteOptions options;
    options.saveFolder = Folder().string() + "/";
    options.quiet = true;
    const std::string first = SceneFileBytes(scene.document, options);
    const std::filesystem::path saved = Folder() / "saved.txt";
    WriteFile(saved, first);
    if (!scene.commands.LoadScene(saved.string(), 0, 0) || scene.document.scene.Count() != bodies) {
        std::fprintf(stderr, "saved scene did not load back (%d bodies before, %d after):\n%s\n", bodies,
                     scene.document.scene.Count(), first.c_str());
        std::abort();
    }
    host.failedLoads = 0;
    while (scene.backups.Undo()) {
        if (host.failedLoads == 0) continue;
        std::fprintf(stderr, "backup %d did not load\n", scene.backups.positions().cur);
        std::abort();
    }
    return 0;
}
