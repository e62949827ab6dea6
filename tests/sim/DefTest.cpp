// The differential gear: its internal angle, driven by the connection torques at its ends, and
// its mass model and outlines.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "sim/ObjBox.h"
#include "sim/ObjDef.h"
#include "sim/Scene.h"
#include "sim/Scheduler.h"
#include "tests/sim/StepHelpers.h"
#include "tests/support/TestJoins.h"

namespace korvan {
namespace {

constexpr double kPi = std::numbers::pi;

// A differential (R 0.6, W 1.2, so h = 0.6) at the origin with a couple at each end: points
// (+-r, +-h, 0) tied to fixed bodies at (+-r, +-h, +-delta), the +y end pulled one way round the
// axis and the -y end the other. The rigid body feels no net force or torque; phi alone turns.
class DifferentialUnderOpposedTorques : public ::testing::Test {
  protected:
    static constexpr double r = 0.4, h = 0.6, delta = 0.1, stiffness = 20000;

    void SetUp() override {
        scene.settings.GravityZ = 0;
        scene.settings.PreCalcTime = 0.5;
        scene.settings.CurTime = 1;
        def = scene.Create<CObjDef>("def");
        def->MakeModel();
        for (double end : {1.0, -1.0}) {
            CObjBox* box = scene.Create<CObjBox>("holder");
            box->RHO = -1;
            box->SetPosition(0, end * 2, 0);
            box->MakeModel();
            // The +y end is pulled towards +z at +x, the -y end towards -z at +x.
            for (double side : {1.0, -1.0})
                test::ConnectPoints(scene, *def, {side * r, end * h, 0}, *box,
                                    {side * r, end * h - end * 2, side * end * delta}, stiffness);
        }
        for (int b = 0; b < scene.Count(); ++b) scene.Body(b)->UpdateDerivedConstants();
    }

    // phi'' = sum of 4 equal terms K r (delta cos phi - r sin phi) e_s e_s / I_p / 2
    double Acceleration(double phi) const {
        return 2 * stiffness * r * (delta * std::cos(phi) - r * std::sin(phi)) / def->pinionInertia;
    }

    CScene scene;
    CScheduler scheduler{scene};
    CObjDef* def = nullptr;
};

TEST_F(DifferentialUnderOpposedTorques, AcceleratesItsAngle) {
    def->ClearStageForces(0);
    def->ComputeStageForces(0);
    EXPECT_NEAR(def->defAngle.drive[0], Acceleration(0), 1e-9 * Acceleration(0));
    EXPECT_GT(def->defAngle.drive[0], 0);
}

// A fixed differential's mass model comes out negative with RHO; the angle is still driven the
// same way round, by the size of the pinion inertia, instead of running away.
TEST_F(DifferentialUnderOpposedTorques, FixedGearTurnsTheSameWay) {
    def->RHO = -1;
    def->MakeModel();
    ASSERT_LT(def->pinionInertia, 0);
    def->ClearStageForces(0);
    def->ComputeStageForces(0);
    EXPECT_NEAR(def->defAngle.drive[0], -Acceleration(0), 1e-9 * -Acceleration(0));
    EXPECT_GT(def->defAngle.drive[0], 0);
}

// With damping the angle settles where the couples vanish, tan phi = delta / r; the +y end has
// turned one way about the axis and the -y end the other.
TEST_F(DifferentialUnderOpposedTorques, TurnsItsEndsInOppositeSensesUntilTheTorquesVanish) {
    def->SetDefObj(0, 20);
    for (int frame = 0; frame < 240; ++frame) scheduler.RunSimulationFrame();
    const double phi = std::atan2(delta, r);
    EXPECT_NEAR(def->defAngle.value[0], phi, 1e-6);
    EXPECT_NEAR(Acceleration(def->defAngle.value[0]), 0, 1e-3);
    const Vec3 top = def->joins[0].localPoint, bottom = def->joins[2].localPoint;
    ASSERT_DOUBLE_EQ(def->joins[0].originalPoint.y, h);
    EXPECT_NEAR(top.x, r * std::cos(phi), 1e-6);
    EXPECT_NEAR(top.z, r * std::sin(phi), 1e-6);      // +y end: towards +z
    EXPECT_NEAR(bottom.z, -r * std::sin(phi), 1e-6);  // -y end: towards -z
    EXPECT_DOUBLE_EQ(top.y, h);
    EXPECT_DOUBLE_EQ(bottom.y, -h);
}

TEST_F(DifferentialUnderOpposedTorques, NothingDrivesTheAngleWhileTheModelIsAssembled) {
    scene.settings.CurTime = 0;
    scene.settings.PreCalcTime = 10;
    def->SetDefObj(5, 1, 0.2, 0);
    def->UpdateDerivedConstants();
    scheduler.RunSimulationFrame();
    EXPECT_EQ(def->defAngle.value[0], 0.2);
    EXPECT_EQ(def->defAngle.rate[0], 0);
}

// A free angle turning at 40 rad/s stays within [-pi, pi] after every sub-step while the
// connection points follow the unwrapped angle continuously.
TEST(DifferentialAngle, WrapsIntoPlusMinusPiWhilePointsFollowContinuously) {
    CScene scene;
    scene.settings.GravityZ = 0;
    scene.settings.CurTime = 1;
    CObjDef* def = scene.Create<CObjDef>("def");
    CObjBox* holder = scene.Create<CObjBox>("holder");
    def->MakeModel();
    holder->MakeModel();
    test::ConnectPoints(scene, *def, {0.5, 0.6, 0}, *holder, {0, 0, 0}, 0);
    def->SetDefObj(0, 0, 3.0, 40);
    def->UpdateDerivedConstants();
    int wraps = 0;
    double previous = def->defAngle.value[0];
    for (int step = 1; step <= 6000; ++step) {
        testing::RunOneSubStep(scene);
        const double phi = def->defAngle.value[0];
        ASSERT_LE(std::fabs(phi), kPi) << step;
        wraps += phi < previous;
        previous = phi;
        const double unwrapped = 3.0 + 40 * step * scene.settings.timeStep;
        ASSERT_NEAR(std::remainder(phi - unwrapped, 2 * kPi), 0, 1e-9) << step;
        // The +y end turns by -phi: (x, z) = (0.5 cos phi, 0.5 sin phi).
        ASSERT_NEAR(def->joins[0].localPoint.x, 0.5 * std::cos(unwrapped), 1e-9);
        ASSERT_NEAR(def->joins[0].localPoint.z, 0.5 * std::sin(unwrapped), 1e-9);
    }
    EXPECT_EQ(wraps, 7);  // from 3 to 43 rad the angle passes pi + 2 pi k for k = 0 ... 6
}

// The velocity correction is the time derivative of the turned point, at either end.
TEST(DifferentialAngle, PointMotionIsTheRateOfTheTurnedPoint) {
    CScene scene;
    CObjDef* def = scene.Create<CObjDef>("def");
    CObjBox* holder = scene.Create<CObjBox>("holder");
    def->MakeModel();
    test::ConnectPoints(scene, *def, {0.3, 0.6, 0.2}, *holder, {0, 0, 0}, 0);
    test::ConnectPoints(scene, *def, {0.3, -0.6, 0.2}, *holder, {0, 0, 0}, 0);
    def->SetAngle(0.3, -0.2, 0.5);
    const double phi = 0.7, rate = 2.5, dt = 1e-7;
    for (int i = 0; i < 2; ++i) {
        def->defAngle.value[0] = phi;
        def->UpdateDefGeometry(0);
        const Vec3 before = def->ToWorldVector(0, def->joins[i].localPoint);
        def->defAngle.value[0] = phi + rate * dt;
        def->UpdateDefGeometry(0);
        const Vec3 after = def->ToWorldVector(0, def->joins[i].localPoint);
        def->defAngle.value[0] = phi;
        def->defAngle.rate[0] = rate;
        Vec3 v;
        def->AdjustPointMotion(i, 0, v);
        const Vec3 want = (after - before) * (1 / dt);
        for (int a = 0; a < 3; ++a) EXPECT_NEAR(v[a], want[a], 1e-6) << "record " << i << " axis " << a;
    }
}

TEST(DifferentialMass, GearWidthGivesTheThickness) {
    struct Case {
        double gearWidth, widthW, thickness;
    };
    for (const Case& c : {Case{-0.1, 1.2, 0.12}, Case{0.05, 1.2, 0.05}, Case{-0.5, 0.4, 0.2}}) {
        CScene scene;
        CObjDef* def = scene.Create<CObjDef>("def");
        def->GearWIDTH = c.gearWidth;
        def->widthW = c.widthW;
        EXPECT_NEAR(def->GearThickness(), c.thickness, 1e-15) << c.gearWidth;
        def->MakeModel();
        const double h = c.widthW / 2, t = c.thickness;
        const double pinion = h * h * 3.14 * t * 1000, ring = 0.36 * 3.14 * t * 1000;
        EXPECT_NEAR(def->mass, 2 * (pinion + ring), 1e-9);
        EXPECT_NEAR(def->pinionInertia, h * h * pinion / 2, 1e-9);
    }
}

// Default gear: 12 teeth on the ring (R 0.6), round(h 12 / R) on the pinion; four points a
// tooth between root and tip radius, GearDEPTH modules apart.
TEST(DifferentialOutlines, HaveTheirTeethBetweenRootAndTip) {
    CScene scene;
    CObjDef* def = scene.Create<CObjDef>("def");
    def->widthW = 0.6;
    def->MakeModel();
    ASSERT_EQ(def->ringGearOutline.size(), 48u);
    ASSERT_EQ(def->pinionOutline.size(), 24u);  // round(0.3 * 12 / 0.6) = 6 teeth
    const double depth = 0.6 * 2 * 0.6 / 12;
    double lowest = 1e9, highest = 0;
    for (const Vec3& p : def->ringGearOutline) {
        lowest = std::min(lowest, Length(p)), highest = std::max(highest, Length(p));
        EXPECT_EQ(p.y, 0);
    }
    EXPECT_NEAR(lowest, 0.6 - depth / 2, 1e-12);
    EXPECT_NEAR(highest, 0.6 + depth / 2, 1e-12);
}

TEST(DifferentialRecording, KeepsTheAngleWithTheFrame) {
    CScene scene;
    CObjDef* def = scene.Create<CObjDef>("def");
    def->MakeModel();
    def->SetRecordLength(3);
    def->SetDefObj(0, 0, 1.5, -2);
    def->StoreRecordedFrame(2);
    def->SetDefObj();
    def->RestoreRecordedFrame(2);
    EXPECT_EQ(def->defAngle.value[0], 1.5);
    EXPECT_EQ(def->defAngle.rate[0], -2);
}

}  // namespace
}  // namespace korvan
