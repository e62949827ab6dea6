#include <gtest/gtest.h>

#include "tests/render/GlFixture.h"

namespace korvan::testing {
namespace {

// A red box at the origin seen from 10 m away along -y, a blue one behind the camera.
constexpr const char* kAheadAndBehind = R"(
Set V = Application.AddObj( "VIEW" , "main" )
V.projection = 1
V.SetViewpoint 0, -10, 0, 0, 0, 0
Set Red = Application.AddObj( "BOX" , "red" )
Red.RHO = -1
Red.ColorR = 1
Red.ColorG = 0
Red.ColorB = 0
Red.SetPosition 0, 0, 0
Set Blue = Application.AddObj( "BOX" , "blue" )
Blue.RHO = -1
Blue.ColorR = 0
Blue.ColorG = 0
Blue.ColorB = 1
Blue.SetPosition 0, -15, 0
)";

using SceneDrawing = GlFixture;

TEST_F(SceneDrawing, RedBoxAheadLandsInTheCentreAndBlueBehindIsNotDrawn) {
    ASSERT_TRUE(Load(kAheadAndBehind)) << (host.messages.empty() ? "" : host.messages[0]);
    ASSERT_EQ(document.views.size(), 1u);
    const QImage image = Draw();
    const Box red = Find(image, IsRed);
    // Drawing area: inside the 3-pixel border, below the 20-pixel title bar.
    const double cx = 3 + (kWidth - 6) / 2.0, cy = 23 + (kHeight - 26) / 2.0;
    EXPECT_NEAR(red.CentreX(), cx, 2);
    EXPECT_NEAR(red.CentreY(), cy, 2);
    // 1 m at 9.5 m with a 90 degree field over 314 pixels: about 33 pixels.
    EXPECT_NEAR(red.Width(), 314 / 19.0, 4);
    EXPECT_EQ(Find(image, IsBlue).Width(), 0);
}

}  // namespace
}  // namespace korvan::testing
