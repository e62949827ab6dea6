// The spring body: its extension as an internal coordinate, against the closed form of a damped
// oscillator, and the geometry that follows the extension.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "sim/ObjBox.h"
#include "sim/ObjSpring.h"
#include "sim/Scene.h"
#include "sim/Scheduler.h"
#include "tests/sim/StepHelpers.h"
#include "tests/support/TestJoins.h"

namespace korvan {
namespace {

// A spring (R 0.6, W 0.3, RHO 1000) along the world y axis at the origin, each end connected on
// its axis to a fixed box: the +y end to `top`, the -y end to `bottom`.
class SpringBetweenFixedBodies : public ::testing::Test {
  protected:
    void Build(double connectionStiffness) {
        scene.settings.GravityZ = 0;
        scene.settings.PreCalcTime = 0.5;
        scene.settings.CurTime = 1;  // past the assembly phase
        spring = scene.Create<CObjSpring>("spring");
        spring->MakeModel();
        for (double side : {-1.0, 1.0}) {
            CObjBox* box = scene.Create<CObjBox>(side > 0 ? "top" : "bottom");
            box->RHO = -1;
            box->SetPosition(0, side * 0.65, 0);
            box->MakeModel();
            test::ConnectPoints(scene, *spring, {0, side * 0.15, 0}, *box, {0, -side * 0.5, 0},
                                connectionStiffness);
        }
        for (int b = 0; b < scene.Count(); ++b) scene.Body(b)->UpdateDerivedConstants();
    }

    // Sum of the connection stiffness acting on e: each end record pulls with K / 2 per metre.
    double ConnectionStiffness() const {
        double k = 0;
        for (const _JOININFO& j : spring->joins) k += j.effStrength / 2;
        return k;
    }

    CScene scene;
    CScheduler scheduler{scene};
    CObjSpring* spring = nullptr;
};

TEST_F(SpringBetweenFixedBodies, RestsAtZeroExtensionWithoutLoad) {
    Build(20000);
    for (int frame = 0; frame < 30; ++frame) scheduler.RunSimulationFrame();
    EXPECT_NEAR(spring->extension.value[0], 0, 1e-15);  // rounding of the mirror points only
    EXPECT_NEAR(spring->extension.rate[0], 0, 1e-15);
}

// m e'' + c e' + (2 k + K) e = 0 with e(0) = e0, e'(0) = 0:
// e(t) = e0 exp(-zeta w0 t) (cos wd t + zeta w0 / wd sin wd t).
TEST_F(SpringBetweenFixedBodies, OscillatesAtTheFrequencyOfItsConstantDampingAndMass) {
    for (double connection : {0.0, 20000.0}) {
        SCOPED_TRACE(connection);
        scene.Clear();
        Build(connection);
        const double e0 = 0.02;
        spring->SetSpringObj(10000, 100, e0, 0);
        spring->UpdateDerivedConstants();
        const double m = spring->mass;
        ASSERT_NEAR(m, 0.6 * 3.14 * 0.6 * 0.3 * 1000, 1e-9);
        const double stiffness = 2 * spring->springConstant + ConnectionStiffness();
        ASSERT_NEAR(stiffness, 20000 + connection, 1e-6);
        const double w0 = std::sqrt(stiffness / m);
        const double zeta = spring->springDamping / (2 * std::sqrt(stiffness * m));
        const double wd = w0 * std::sqrt(1 - zeta * zeta);
        auto exact = [&](double t) {
            return e0 * std::exp(-zeta * w0 * t) * (std::cos(wd * t) + zeta * w0 / wd * std::sin(wd * t));
        };

        std::vector<double> crossings;
        double t = 0, previous = e0;
        for (int frame = 0; frame < 150; ++frame) {
            scheduler.RunSimulationFrame();
            t += scene.settings.frameTime;
            const double e = spring->extension.value[0];
            ASSERT_NEAR(e, exact(t), 1e-6 * e0) << "t " << t;
            if ((previous > 0) != (e > 0))
                crossings.push_back(t - scene.settings.frameTime * e / (e - previous));
            previous = e;
        }
        // Zero crossings come every half period of the damped oscillation.
        ASSERT_GE(crossings.size(), 4u);
        const double halfPeriod =
            (crossings.back() - crossings.front()) / static_cast<double>(crossings.size() - 1);
        EXPECT_NEAR(std::numbers::pi / halfPeriod, wd, 0.01 * wd);
    }
}

TEST_F(SpringBetweenFixedBodies, NothingDrivesTheExtensionWhileTheModelIsAssembled) {
    Build(20000);
    scene.settings.CurTime = 0;
    scene.settings.PreCalcTime = 10;
    spring->SetSpringObj(10000, 100, 0.02, 0);
    spring->UpdateDerivedConstants();
    scheduler.RunSimulationFrame();
    EXPECT_EQ(spring->extension.value[0], 0.02);
    EXPECT_EQ(spring->extension.rate[0], 0);
}

TEST(SpringGeometry, OnlyTheEndRowsOfCrashPointsMove) {
    CScene scene;
    CObjSpring* spring = scene.Create<CObjSpring>("s");
    spring->crashPointR = 8;
    spring->crashPointW = 4;
    spring->MakeModel();
    const std::vector<_CRASHINFO> before = spring->crashPoints;
    spring->extension.value[2] = 0.05;
    spring->UpdateSpringGeometry(2);
    ASSERT_EQ(spring->crashPoints.size(), 32u);
    for (std::size_t i = 0; i < 32; ++i) {
        const int row = static_cast<int>(i) / 8;
        const double want = row == 0 ? -0.2 : row == 3 ? 0.2 : before[i].localPoint.y;
        EXPECT_DOUBLE_EQ(spring->crashPoints[i].localPoint.y, want) << i;
        EXPECT_EQ(spring->crashPoints[i].localPoint.x, before[i].localPoint.x);
    }
}

TEST(SpringGeometry, ConnectionPointsScaleTheirHeightWithTheLength) {
    CScene scene;
    CObjSpring* spring = scene.Create<CObjSpring>("s");
    CObjBox* box = scene.Create<CObjBox>("b");
    spring->MakeModel();
    box->MakeModel();
    test::ConnectPoints(scene, *spring, {0.3, 0.15, 0.1}, *box, {0, 0, 0}, 0);
    test::ConnectPoints(scene, *spring, {0.6, 0.05, 0}, *box, {0, 0, 0}, 0);
    test::ConnectPoints(scene, *spring, {0, -0.15, 0}, *box, {0, 0, 0}, 0);
    spring->joins.push_back(_JOININFO{});  // a free record stays as it is
    spring->joins.back().localPoint = spring->joins.back().originalPoint = {0, 0.15, 0};
    spring->extension.value[1] = 0.03;
    spring->UpdateSpringGeometry(1);
    EXPECT_DOUBLE_EQ(spring->joins[0].localPoint.y, 0.18);
    EXPECT_DOUBLE_EQ(spring->joins[0].localPoint.x, 0.3);
    EXPECT_DOUBLE_EQ(spring->joins[1].localPoint.y, 0.05 * 0.18 / 0.15);  // not at an end, still scaled
    EXPECT_DOUBLE_EQ(spring->joins[2].localPoint.y, -0.18);
    EXPECT_DOUBLE_EQ(spring->joins[3].localPoint.y, 0.15);
}

// The point velocity gains (y0 / h) e' along the body's y axis, whatever the body's orientation;
// contacts and the grab (index -1) gain nothing.
TEST(SpringGeometry, PointMotionFollowsTheExtensionRate) {
    CScene scene;
    CObjSpring* spring = scene.Create<CObjSpring>("s");
    CObjBox* box = scene.Create<CObjBox>("b");
    spring->MakeModel();
    test::ConnectPoints(scene, *spring, {0.2, -0.15, 0}, *box, {0, 0, 0}, 0);
    spring->SetAngle(0, 0, std::numbers::pi / 2);  // body y axis along world -x
    spring->extension.rate[0] = 2;
    Vec3 v{1, 1, 1};
    spring->AdjustPointMotion(0, 0, v);
    EXPECT_NEAR(v.x, 1 + 2, 1e-12);  // (-1) * 2 along -x
    EXPECT_NEAR(v.y, 1, 1e-12);
    EXPECT_NEAR(v.z, 1, 1e-12);
    Vec3 w{1, 1, 1};
    spring->AdjustPointMotion(-1, 0, w);
    EXPECT_EQ(w, (Vec3{1, 1, 1}));
}

// The moments follow the length 2e + W of each stage. They are set with the stage's extension, in
// the spring's own integration; the force phase, where other bodies' threads run, only reads them.
TEST(SpringMass, MomentsFollowTheLengthOfEachStage) {
    CScene scene;
    CObjSpring* spring = scene.Create<CObjSpring>("s");
    spring->extension.value[0] = 0.1;
    spring->MakeModel();
    const double m = 0.6 * 3.14 * 0.6 * 0.3 * 1000;
    auto moment = [&](double e) { return (3 * 0.36 + (2 * e + 0.3) * (2 * e + 0.3)) * m / 12; };
    EXPECT_NEAR(spring->mass, m, 1e-9);
    EXPECT_NEAR(spring->inertiaY, 0.36 * m / 2, 1e-9);
    EXPECT_NEAR(spring->inertiaX, moment(0.1), 1e-9);
    EXPECT_EQ(spring->inertiaZ, spring->inertiaX);

    spring->extension.value[1] = 0.3;
    spring->ClearStageForces(1);
    spring->ComputeStageForces(1);
    EXPECT_NEAR(spring->inertiaX, moment(0.1), 1e-9);

    spring->extension.rate[0] = 2;
    spring->IntegrateStage(0);
    EXPECT_GT(spring->extension.value[1], 0.1);
    EXPECT_NEAR(spring->inertiaX, moment(spring->extension.value[1]), 1e-9);
    EXPECT_EQ(spring->FindFace(-1, {0, 0, 0}, 1), -1);  // never the body others collide with
}

TEST(SpringRecording, KeepsTheExtensionWithTheFrame) {
    CScene scene;
    CObjSpring* spring = scene.Create<CObjSpring>("s");
    spring->MakeModel();
    spring->SetRecordLength(2);
    spring->SetSpringObj(1, 1, 0.04, 0.5);
    spring->StoreRecordedFrame(1);
    spring->SetSpringObj(1, 1, 0, 0);
    spring->RestoreRecordedFrame(1);
    EXPECT_EQ(spring->extension.value[0], 0.04);
    EXPECT_EQ(spring->extension.rate[0], 0.5);
}

}  // namespace
}  // namespace korvan
