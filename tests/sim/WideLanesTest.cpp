// The connection laws with a point's coordinates in vector lanes must give the bits of the laws
// taken coordinate by coordinate, which processors without such vectors run.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "sim/JoinLanes.h"
#include "sim/ObjBox.h"
#include "sim/Scene.h"
#include "sim/WideLanes.h"

namespace korvan {
namespace {

class WideLanes : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!WideLanesAvailable()) GTEST_SKIP() << "no 256-bit vectors on this processor";
    }

    Vec3 Random() { return {number(random), number(random), number(random)}; }

    std::mt19937 random{7};
    std::uniform_real_distribution<double> number{-3, 3};
};

TEST_F(WideLanes, JoinPointsHaveTheBitsOfTheLawCoordinateByCoordinate) {
    CScene scene;
    CObj* body = scene.Create<CObjBox>("b");
    body->SetAngle(0.3, -1.1, 0.7);
    const Vec3 x = Random(), v = Random(), w = Random();
    body->SetPosition(x.x, x.y, x.z), body->SetVelocity(v.x, v.y, v.z),
        body->SetAngularVelocity(w.x, w.y, w.z);
    const Mat3 rot = body->Rot(0);
    body->joins.resize(5);
    for (_JOININFO& j : body->joins) j.localPoint = Random();
    body->UpdateJoinPoints(0);
    const std::vector<_JOININFO>& records = body->joins;
    for (const _JOININFO& j : records) {
        const Vec3 offset = TransposedTimes(rot, j.localPoint);
        EXPECT_EQ(j.worldOffset, offset);
        EXPECT_EQ(j.worldPoint, x + offset);
        EXPECT_EQ(j.worldVelocity, v + Cross(w, offset));
    }
}

TEST_F(WideLanes, JoinForcesHaveTheBitsOfTheLawAndStopWhereTheyMust) {
    std::vector<_JOININFO> own(6), mirrors(6);
    for (std::size_t i = 0; i < own.size(); ++i) {
        for (_JOININFO* j : {&own[i], &mirrors[i]})
            j->worldPoint = Random(), j->worldOffset = Random(), j->worldVelocity = Random();
        own[i].effStrength = 1000 * (i + 1), own[i].effFriction = 3.5 * (i + 2);
        own[i].link.mirror = &mirrors[i];
    }
    own[4].rotResistance = 2;  // the vector law leaves it to the caller
    for (const bool soft : {false, true}) {
        const double stiffnessScale = soft ? 1e-3 : 1, dampingScale = soft ? 0.01 : 1;
        Wrench want{{1, 2, 3}, {-1, 0.5, 0.25}}, got = want;
        const std::size_t stop = soft ? own.size() : 4;
        for (std::size_t i = 0; i < stop; ++i) {
            const _JOININFO& j = own[i];
            const double K = soft ? j.effStrength * stiffnessScale : j.effStrength;
            const double R = soft ? j.effFriction * dampingScale : j.effFriction;
            const Vec3 F =
                K * (mirrors[i].worldPoint - j.worldPoint) + R * (mirrors[i].worldVelocity - j.worldVelocity);
            want.force += F;
            want.torque += Cross(j.worldOffset, F);
        }
        const _JOININFO* left = AddLinkedJoinForcesWide(own.data(), own.data() + own.size(), soft,
                                                        stiffnessScale, dampingScale, got);
        EXPECT_EQ(left - own.data(), static_cast<std::ptrdiff_t>(stop)) << soft;
        EXPECT_EQ(got.force, want.force) << soft;
        EXPECT_EQ(got.torque, want.torque) << soft;
    }
    own[0].link.mirror = nullptr;  // an unlinked record is left at once
    Wrench untouched{{1, 2, 3}, {4, 5, 6}};
    EXPECT_EQ(AddLinkedJoinForcesWide(own.data(), own.data() + own.size(), false, 1, 1, untouched),
              own.data());
    EXPECT_EQ(untouched.force, (Vec3{1, 2, 3}));
}

}  // namespace
}  // namespace korvan
