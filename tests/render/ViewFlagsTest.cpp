#include "render/ViewFlags.h"

#include <gtest/gtest.h>

namespace korvan {
namespace {

using F = ViewFlag;

int At(const ViewFlagSet& set, F f) {
    return set[ViewFlags::Index(f)];
}

TEST(ViewFlags, StartUpShowsShapesAndConnectionsWhateverTheStoredSets) {
    Settings settings;
    settings.VIEW_PLAY.fill(0);
    ViewFlags flags = ViewFlags::AtStartUp(settings);
    EXPECT_TRUE(flags[F::SOLID]);
    EXPECT_FALSE(flags[F::SKIN]);
    EXPECT_TRUE(flags[F::JOIN]);
    EXPECT_FALSE(flags[F::SHADE]);
    EXPECT_EQ(flags.play, settings.VIEW_PLAY);
    EXPECT_EQ(flags.factory, settings.VIEW_FACTORY);
}

TEST(ViewFlags, ToggleStoresIntoTheWorkingModeAndAsksForReleaseOnlyWhereListsBakeIt) {
    struct Case {
        F flag;
        bool release;
    } cases[] = {{F::SOLID, false},     {F::BLENDALL, true}, {F::WIREFRAME, true},
                 {F::BACKGROUND, true}, {F::FORCE, false},   {F::SHADE, false}};
    for (const Case& c : cases) {
        ViewFlags flags = ViewFlags::AtStartUp(Settings{});
        const ViewFlagSet playBefore = flags.play;
        const bool was = flags[c.flag];
        EXPECT_EQ(flags.Toggle(c.flag, kFactoryMode), c.release) << ViewFlags::Index(c.flag);
        EXPECT_NE(flags[c.flag], was);
        EXPECT_EQ(flags.factory, flags.current);
        EXPECT_EQ(flags.play, playBefore);
    }
}

TEST(ViewFlags, ModeSwitchAndPresets) {
    ViewFlags flags = ViewFlags::AtStartUp(Settings{});
    flags.factory.fill(0);
    flags.SwitchTo(kFactoryMode);
    EXPECT_EQ(flags.current, flags.factory);

    flags.ApplyPreset(kFactoryMode);
    EXPECT_EQ(flags.current, FactoryPreset());
    EXPECT_TRUE(flags[F::WIREFRAME]);
    EXPECT_FALSE(flags[F::FORCE]);  // the fresh stored set has force arrows, the preset not
    EXPECT_EQ(At(Settings{}.VIEW_FACTORY, F::FORCE), 1);

    flags.play.fill(1);
    flags.ApplyPreset(kPlayMode);
    EXPECT_EQ(flags.play, PlayPreset());
    EXPECT_FALSE(flags[F::SOLID]);
    EXPECT_TRUE(flags[F::SKIN]);
    EXPECT_TRUE(flags[F::BACKGROUND]);
}

TEST(ViewFlags, RecommendedSettingsKeepBothForceBoxes) {
    ViewFlagSet play{}, factory{};
    play[ViewFlags::Index(F::FORCE)] = 1;
    RecommendViewFlags(play, factory);
    EXPECT_EQ(At(play, F::FORCE), 1);
    EXPECT_EQ(At(factory, F::FORCE), 0);
    EXPECT_EQ(At(play, F::SKIN), 1);
    EXPECT_EQ(At(play, F::JOIN), 0);
    EXPECT_EQ(At(factory, F::CRASH), 1);
    EXPECT_EQ(At(factory, F::SEAL), 0);
}

TEST(ViewFlags, MenuListsEveryFlagOnce) {
    std::array<int, kViewFlagCount> seen{};
    for (const ViewFlagMenuItem& item : kViewFlagMenu) ++seen[ViewFlags::Index(item.flag)];
    for (int n : seen) EXPECT_EQ(n, 1);
    EXPECT_EQ(kViewFlagMenu[6].flag, F::BACKGROUND);
}

}  // namespace
}  // namespace korvan
