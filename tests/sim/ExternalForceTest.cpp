#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>

#include "AllocationCounter.h"
#include "FakeControllers.h"
#include "base/Anomaly.h"
#include "base/KeyState.h"
#include "sim/ObjBox.h"
#include "sim/Scene.h"
#include "sim/Scheduler.h"

namespace korvan {
namespace {

using testing::FakeControllers;

constexpr double kPi = std::numbers::pi;
constexpr int kKey = 'F';

class ExternalForceTest : public ::testing::Test {
  protected:
    void SetUp() override {
        DiscardAnomalies();
        scene.keys = &keys;
        scene.controllers = &pads;
        body = scene.Create<CObjBox>("body");
        body->widthX = 0.1, body->widthY = 0.2, body->widthZ = 0.5;  // 10 kg
        body->MakeModel();
    }
    void TearDown() override {
        EXPECT_EQ(PendingAnomalies(), 0);
        DiscardAnomalies();
    }

    void Pass() {
        body->BeginControlPass();
        body->ControlPass();
    }
    Vec3 Force() const {
        return {body->StageWrench().force.x, body->StageWrench().force.y, body->StageWrench().force.z};
    }
    Vec3 Torque() const {
        return {body->StageWrench().torque.x, body->StageWrench().torque.y, body->StageWrench().torque.z};
    }
    void Forces() {
        body->ClearStageForces(0);
        body->ComputeStageForces(0);
    }

    CScene scene;
    CScheduler scheduler{scene};
    KeyStateTable keys;
    FakeControllers pads;
    CObjBox* body = nullptr;
};

TEST_F(ExternalForceTest, KeyForcesAreGivenInBodyAxesAndAppliedInWorldAxesWhileHeld) {
    scene.settings.GravityZ = 0;
    body->SetAngle(0, 0, kPi / 2);  // body x is world y
    body->AddMoveByKey(kKey, {10, 0, 0});
    body->AddRotateByKey(kKey, {0, 0, 3});
    EXPECT_EQ(body->forces[0].magnitude, 10);
    EXPECT_EQ(body->forces[0].direction, (Vec3{1, 0, 0}));
    Pass();
    Forces();
    EXPECT_EQ(Force(), (Vec3{}));
    keys.SetDown(kKey, true);
    Pass();
    Forces();
    EXPECT_NEAR(Length(Force() - Vec3{0, 10, 0}), 0, 1e-12);
    EXPECT_NEAR(Length(Torque() - Vec3{0, 0, 3}), 0, 1e-12);
    keys.SetDown(kKey, false);
    Pass();  // the next control pass clears the sums
    Forces();
    EXPECT_EQ(Force(), (Vec3{}));
}

TEST_F(ExternalForceTest, ControllerButtonsFlipTheForceSignOnTheirPress) {
    scene.settings.GravityZ = 0;
    body->AddForceByGameCtrl(kForceTranslate, 0, {0, 0, 4}, 1, 0, 5, 6);
    pads.states[0].axes[1] = 5000;  // 0.5
    struct Step {
        bool plus, minus;
        double sign;
    };
    const Step steps[] = {
        {false, false, 1}, {false, true, -1}, {false, true, -1}, {true, true, 1},  // plus pressed
        {false, true, 1},                                                          // minus still held
        {false, false, 1}, {false, true, -1},
    };
    for (const Step& s : steps) {
        pads.Press(0, 5, s.plus);
        pads.Press(0, 6, s.minus);
        Pass();
        EXPECT_EQ(body->ctrlForceSign, s.sign);
        Forces();
        EXPECT_NEAR(body->StageWrench().force.z, 0.5 * 4 * s.sign, 1e-12);
    }
}

// A brake is a torque of constant size against the rotation: the spin falls linearly to rest,
// and a body at rest is held without being shaken.
TEST_F(ExternalForceTest, BrakeStopsASpinningBodyAndThenExertsNothing) {
    scene.settings.GravityZ = 0;
    const double b = 0.5, omega0 = 3;
    body->AddBrakeByKey(kKey, {0, 0, b});
    Pass();
    Forces();
    EXPECT_EQ(Torque(), (Vec3{}));  // key up
    keys.SetDown(kKey, true);
    Pass();
    Forces();
    EXPECT_EQ(Torque(), (Vec3{}));  // no rotation: no torque
    body->SetAngularVelocity(0, 0, -2);
    Forces();
    EXPECT_EQ(Torque(), (Vec3{0, 0, b}));

    body->SetAngularVelocity(0, 0, omega0);
    const double alpha = b / body->inertiaZ;
    const double stopTime = omega0 / alpha;
    const double h = scene.settings.timeStep;
    while (scene.settings.CurTime + scene.settings.frameTime < stopTime) {
        const double t = scene.settings.CurTime;
        scheduler.RunSimulationFrame();
        // linear to within the last step, where the brake eases to what stops the spin
        EXPECT_NEAR(body->Omega(0).z, omega0 - alpha * (t + scene.settings.frameTime), 1e-9 + alpha * h);
    }
    for (int f = 0; f < 60; ++f) scheduler.RunSimulationFrame();
    const Vec3 turned = body->GetAngle();
    EXPECT_NEAR(std::remainder(turned.z - omega0 * omega0 / (2 * alpha), 2 * kPi), 0, 1e-3);
    // At rest the brake holds the body: no spin comes back and nothing is exerted any more.
    for (int f = 0; f < 60; ++f) {
        scheduler.RunSimulationFrame();
        EXPECT_LE(std::fabs(body->Omega(0).z), 1e-9);
    }
    EXPECT_LT(Length(body->GetAngle() - turned), 1e-9);  // over that second
    Forces();
    EXPECT_LE(Length(Torque()), 1e-6 * b);
}

// A fixed body with prescribed motion sits exactly where the clock puts it; a movable one ignores it.
TEST_F(ExternalForceTest, PrescribedMotionDrivesAFixedBodysHeightExactly) {
    auto* lift = scene.Create<CObjBox>("lift");
    lift->RHO = -1;
    lift->MakeModel();
    lift->AddMoveForceZ(1, 0.5, 0, 2 * kPi);
    lift->SetPosition(0, 0, 1);
    body->SetPosition(0, 0, 1);
    lift->Join1(body, {}, {});
    auto* loose = scene.Create<CObjBox>("loose");
    loose->MakeModel();
    loose->AddMoveForceZ(1, 0.5, 0, 2 * kPi);
    EXPECT_EQ(loose->moveForcesZ.size(), 1u);
    for (int f = 0; f < 20; ++f) {
        const double t = scene.settings.CurTime;
        scheduler.RunSimulationFrame();
        EXPECT_DOUBLE_EQ(lift->Position(0).z, 1 + 0.5 * std::sin(2 * kPi * t));
        EXPECT_EQ(lift->Velocity(0).z, 0);
        // Carried along by its connection, ringing a little after each frame's step of the lift.
        EXPECT_NEAR(body->Position(0).z, lift->Position(0).z, 0.01);
    }
    const double fallen = 0.5 * 9.8 * std::pow(19 * scene.settings.frameTime, 2);
    EXPECT_NEAR(loose->Position(0).z, -fallen, 1e-9);  // a movable body just falls
}

TEST_F(ExternalForceTest, GravityActsOnlyOnceTheModelIsAssembledAndTheClockRuns) {
    struct Case {
        double curTime, preCalcTime;
        bool gravity;
    };
    const Case cases[] = {{0, 0, false}, {0.01, 0, true}, {0.5, 1, false}, {1, 1, false}, {1.5, 1, true}};
    for (const Case& c : cases) {
        scene.settings.CurTime = c.curTime, scene.settings.PreCalcTime = c.preCalcTime;
        Forces();
        EXPECT_NEAR(body->StageWrench().force.z, c.gravity ? -9.8 * body->mass : 0, 1e-12) << c.curTime;
    }
}

// F = k (target - p) - c v_p with k = GrabForce, c = sqrt(k m), softened during assembly.
TEST_F(ExternalForceTest, GrabPullsThePointLikeADampedSpring) {
    scene.settings.GravityZ = 0;
    auto* one = scene.Create<CObjBox>("one");
    one->widthX = one->widthY = one->widthZ = 0.1;  // 1 kg
    one->MakeModel();
    one->grabActive = 1;
    one->grabLocalPoint = {0.05, 0, 0};
    one->grabTarget = {0.15, 0, 0.01};
    one->SetVelocity(0, 1, 0);
    struct Case {
        double curTime, preCalcTime, k, c;
    };
    const Case cases[] = {
        {1, 0, 100000, std::sqrt(100000.0)},  // 316 N s/m
        {0.5, 1, 100000 / 10.0, std::sqrt(100000.0) / std::sqrt(10.0)},
    };
    for (const Case& c : cases) {
        scene.settings.CurTime = c.curTime, scene.settings.PreCalcTime = c.preCalcTime;
        one->ClearStageForces(0);
        one->ComputeStageForces(0);
        const Vec3 F = c.k * Vec3{0.1, 0, 0.01} - c.c * Vec3{0, 1, 0};
        EXPECT_NEAR(
            Length(Vec3{one->StageWrench().force.x, one->StageWrench().force.y, one->StageWrench().force.z} -
                   F),
            0, 1e-9);
        const Vec3 torque = Cross({0.05, 0, 0}, F);
        EXPECT_NEAR(Length(Vec3{one->StageWrench().torque.x, one->StageWrench().torque.y,
                                one->StageWrench().torque.z} -
                           torque),
                    0, 1e-9);
    }
    one->RHO = -1;  // a fixed body is not pulled
    one->ClearStageForces(0);
    one->ComputeStageForces(0);
    EXPECT_EQ(one->StageWrench().force.x, 0);
}

// tau = G (z x Z) + G (x x X), G = gain |I|, only while the model is assembled.
TEST_F(ExternalForceTest, KeepDirectionTurnsTheAxesBackWhileTheModelIsAssembled) {
    const double theta = 0.1;
    body->SetAngle(0, 0, theta);
    body->KeepOriginalDirectionWhileCreating(2);
    const double G = 2 * std::sqrt(body->inertiaX * body->inertiaX + body->inertiaY * body->inertiaY +
                                   body->inertiaZ * body->inertiaZ);
    scene.settings.PreCalcTime = 1;
    for (double t : {0.0, 0.5, 1.0}) {
        scene.settings.CurTime = t;
        Forces();
        EXPECT_NEAR(body->StageWrench().torque.z, t < 1 ? -G * std::sin(theta) : 0, 1e-12) << t;
    }
}

TEST_F(ExternalForceTest, AFrameOfAFullModelAllocatesNothing) {
    auto* floor = scene.Create<CObjBox>("floor");
    floor->RHO = -1;
    floor->MakeModel();
    floor->SetPosition(0, 0, -0.7501);
    body->AddCrash(floor);
    body->Join4(floor, {}, {0.05, 0, 0}, {0, 0.05, 0}, {0, 0, 0.5}, {0.05, 0, 0}, {0, 0.05, 0});
    floor->MoveJointByKey(body, kKey, 'G', 0.001, -1, 1, {}, {0, 0, 1}, 0.1, 0);
    floor->SetMoveObjByGameCtrl(body, "ROTATE", 0, 0, 0, 1, 0.1, 0.001, -1, 1, {}, {0, 0, 1}, 0.1, 0);
    body->AddBrakeByKey(kKey, {0, 0, 1});
    body->AddForceByGameCtrl(kForceTranslate, 0, {1, 0, 0}, 0, 0, 1, 2);
    floor->AddMoveForceZ(-0.75, 0.001, 0, 1);
    body->grabActive = 1;
    body->crashSoundMode = body->slipSoundMode = 1;
    keys.SetDown(kKey, true);
    scheduler.RunSimulationFrame();
    pads.forces.reserve(1000);  // the fake's own record of outputs
    testing::AllocationProbe probe;
    for (int f = 0; f < 3; ++f) scheduler.RunSimulationFrame();
    EXPECT_EQ(probe.Count(), 0);
}

}  // namespace
}  // namespace korvan
