#include <gtest/gtest.h>

#include "sim/ObjBox.h"
#include "sim/Scene.h"

namespace korvan {
namespace {

TEST(Body, Placeholder) {
    CScene scene;
    auto* box = scene.Create<CObjBox>("a");
    EXPECT_EQ(box->varName, "ObjBOX1");
}

}  // namespace
}  // namespace korvan
