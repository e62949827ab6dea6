// Contact sounds are added to from several calculation threads at once: no addition may be lost.
// Labelled `threads`, so it also runs under ThreadSanitizer.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "base/KeyState.h"
#include "sim/ObjBox.h"
#include "sim/Scene.h"
#include "sim/Scheduler.h"

namespace korvan {
namespace {

TEST(ContactSoundLevels, ConcurrentAdditionsAreAllKept) {
    SoundLevels levels;
    constexpr int kThreads = 4, kAdds = 20000;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&] {
            for (int i = 0; i < kAdds; ++i) {
                SoundLevels::Add(levels.crashSoundLevel, 1.0);
                SoundLevels::Add(levels.slipSoundLevel, 0.5);
            }
        });
    for (auto& t : threads) t.join();
    EXPECT_EQ(SoundLevels::Take(levels.crashSoundLevel), kThreads * kAdds);
    EXPECT_EQ(SoundLevels::Take(levels.slipSoundLevel), kThreads * kAdds * 0.5);
    EXPECT_EQ(levels.crashSoundLevel.load(), 0);
}

// Boxes dropped onto a table, sounding as they land and slide, beside a driven joint: the sums
// are the same on one and on two calculation threads (up to the order of the additions).
struct SoundingScene {
    CScene scene;
    CScheduler scheduler{scene};
    KeyStateTable keys;

    explicit SoundingScene(int threads) {
        scene.keys = &keys;
        auto* table = scene.Create<CObjBox>("table");
        table->widthX = 4, table->widthY = 4, table->widthZ = 1;
        table->RHO = -1;
        table->MakeModel();
        for (int i = 0; i < 6; ++i) {
            auto* box = scene.Create<CObjBox>("box" + std::to_string(i));
            box->widthX = box->widthY = box->widthZ = 0.2;
            box->MakeModel();
            box->SetPosition(-1.5 + 0.5 * i, 0, 0.6 + 0.01 * i);
            box->SetVelocity(0.5, 0.1 * i, 0);
            box->crashSoundMode = box->slipSoundMode = 1;
            box->AddCrash(table);
        }
        // A fixed lifter moving by the clock, driving a joined box with a held key: the control
        // pass reads the lifter's state and its points from the other thread.
        auto* lifter = scene.Create<CObjBox>("lifter");
        lifter->RHO = -1;
        lifter->MakeModel();
        lifter->AddMoveForceX(0, 0.1, 0, 3);
        lifter->AddMoveForceZ(2, 0, 0, 0);
        auto* hung = scene.Create<CObjBox>("hung");
        hung->MakeModel();
        hung->SetPosition(0, 0, 1);
        lifter->Join4(hung, {}, {0.1, 0, 0}, {0, 0.1, 0}, {0, 0, 1}, {0.1, 0, 0}, {0, 0.1, 0});
        lifter->RotateJointByKey(hung, 'R', 'T', 0.001, -1, 1, {}, {0, 0, 1}, 0.01, 0);
        keys.SetDown('R', true);
        scene.settings.calcThreadCount = threads;
        scheduler.minBodiesPerThread = 0;  // a scene this small would otherwise stay on one thread
        scheduler.StartCalcThreads();
    }
};

TEST(ContactSoundLevels, SumsDoNotDependOnTheThreadCount) {
    SoundingScene one(1), two(2);
    double crash[2] = {}, slip[2] = {};
    for (int f = 0; f < 20; ++f) {
        one.scheduler.RunSimulationFrame();
        two.scheduler.RunSimulationFrame();
        crash[0] += SoundLevels::Take(one.scene.sounds.crashSoundLevel);
        crash[1] += SoundLevels::Take(two.scene.sounds.crashSoundLevel);
        slip[0] += SoundLevels::Take(one.scene.sounds.slipSoundLevel);
        slip[1] += SoundLevels::Take(two.scene.sounds.slipSoundLevel);
    }
    EXPECT_GT(crash[0], 0);
    EXPECT_GT(slip[0], 0);
    EXPECT_NEAR(crash[1], crash[0], 1e-12 * crash[0]);
    EXPECT_NEAR(slip[1], slip[0], 1e-12 * slip[0]);
}

}  // namespace
}  // namespace korvan
