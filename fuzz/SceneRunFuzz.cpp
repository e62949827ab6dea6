// Any scene that loads must run: arbitrary scripts through the loader, then a few frames on one
// calculation thread, with calculation anomalies recovered through the backup ring as the window
// does. Odd sizes, masses, joins and forces may make a body run away, but never crash the program
// or step outside what the sanitizers allow.
#include "base/Anomaly.h"
#include "fuzz/SceneHarness.h"
#include "sim/Scheduler.h"

using namespace korvan;
using namespace korvan::fuzzing;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static SilentHost host;
    SetHost(&host);
    DiscardAnomalies();
    Harness scene(data, size);
    if (!scene.Load()) return 0;
    if (scene.document.scene.Count() > 16) return 0;  // large scenes only slow the search down

    CScheduler scheduler(scene.document.scene);
    scheduler.threadSettings.ENV_CUR_CPUS_MODE = 1;
    scheduler.ApplyThreadSetting();
    for (int frame = 0; frame < 3; ++frame) {
        scheduler.RunSimulationFrame();
        scene.backups.HandlePendingAnomaly(scheduler);
    }
    scheduler.StopCalcThreads();
    DiscardAnomalies();
    return 0;
}
