#include <gtest/gtest.h>

#include "base/GameControllers.h"
#include "base/KeyState.h"

namespace korvan {
namespace {

TEST(KeyState, KeysGoDownAndUpAndCodesOutsideTheTableReadReleased) {
    KeyStateTable keys;
    EXPECT_FALSE(keys.IsDown('A'));
    keys.SetDown('A', true);
    keys.SetDown(0x25, true);  // left arrow
    EXPECT_TRUE(keys.IsDown('A'));
    EXPECT_TRUE(keys.IsDown(0x25));
    keys.SetDown('A', false);
    EXPECT_FALSE(keys.IsDown('A'));
    keys.SetDown(-1, true);
    keys.SetDown(256, true);
    EXPECT_FALSE(keys.IsDown(-1));
    EXPECT_FALSE(keys.IsDown(256));
    keys.ReleaseAll();
    EXPECT_FALSE(keys.IsDown(0x25));
}

TEST(GameControllers, AxisMappingsOfActuationsAndForces) {
    struct Case {
        int raw, mapping;
        double value;
    };
    const Case cases[] = {
        {5000, 0, 0.5}, {-10000, 0, -1}, {0, 1, 0.5},    {10000, 1, 1},   {-10000, 1, 0},
        {0, 2, 0.5},    {10000, 2, 0},   {-10000, 2, 1}, {1234, 3, 1234}, {-7, -1, -7},
    };
    for (const Case& c : cases)
        EXPECT_DOUBLE_EQ(MapAxisValue(c.raw, c.mapping), c.value) << c.raw << " " << c.mapping;

    ControllerState state;
    for (int a = 0; a < kControllerAxes; ++a) state.axes[a] = 100 * (a + 1);
    EXPECT_EQ(AxisReading(state, 0), 100);
    EXPECT_EQ(AxisReading(state, 5), 600);
    EXPECT_EQ(AxisReading(state, 6), 0);
    EXPECT_EQ(AxisReading(state, -1), 0);
    state.buttons[3] = 0x80;
    state.buttons[4] = 0x7f;  // only the high bit means pressed
    EXPECT_TRUE(state.ButtonDown(3));
    EXPECT_FALSE(state.ButtonDown(4));
    EXPECT_FALSE(state.ButtonDown(128));
}

TEST(GameControllers, WithoutControllersEveryReadIsZeroAndNoNameIsFound) {
    GameControllers& none = NoControllers();
    EXPECT_EQ(none.Count(), 0);
    ControllerState state;
    state.axes[2] = 55;
    state.buttons[0] = 0x80;
    EXPECT_FALSE(none.Read(0, state));
    EXPECT_EQ(state.axes[2], 0);
    EXPECT_FALSE(state.ButtonDown(0));
    EXPECT_EQ(none.IndexOf("pad"), -1);
    none.SetForce(0, 1, 2, 3);  // goes nowhere
}

}  // namespace
}  // namespace korvan
