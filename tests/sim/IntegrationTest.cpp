#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "AllocationCounter.h"
#include "StepHelpers.h"
#include "base/Anomaly.h"

namespace korvan {
namespace {

using testing::PushedBox;
using testing::RunOneSubStep;

class IntegrationTest : public ::testing::Test {
  protected:
    void SetUp() override { DiscardAnomalies(); }
    void TearDown() override { DiscardAnomalies(); }

    CScene scene;
    double h() const { return scene.settings.timeStep; }

    PushedBox* MakeBody(const std::string& name = "body") {
        auto* b = scene.Create<PushedBox>(name);
        b->widthX = 1, b->widthY = 2, b->widthZ = 3;  // three different principal moments
        b->MakeModel();
        return b;
    }

    static void ExpectOrthonormalRows(const Mat3& r) {
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j) EXPECT_NEAR(Dot(r.Row(i), r.Row(j)), i == j ? 1 : 0, 1e-12);
        EXPECT_NEAR(Determinant(r), 1, 1e-12);
    }
};

TEST_F(IntegrationTest, FreeBodyWithoutForcesKeepsItsVelocityExactly) {
    auto* b = MakeBody();
    b->SetVelocity(1.25, -3.5, 0.75);
    for (int i = 0; i < 100; ++i) RunOneSubStep(scene);
    EXPECT_EQ(b->GetVelocity(), (Vec3{1.25, -3.5, 0.75}));
    EXPECT_NEAR(b->Position(0).x, 1.25 * 100 * h(), 1e-15);
}

// x(h) = x0 + v h + a h^2 / 2 holds exactly for RK4 under constant acceleration.
TEST_F(IntegrationTest, ConstantAccelerationOverOneSubStepIsExact) {
    auto* b = MakeBody();
    const Vec3 v{2, -1, 0.5}, a{3, 4, -9.8};
    b->force = a * b->mass;
    b->SetVelocity(v.x, v.y, v.z);
    RunOneSubStep(scene);
    const double step = h();
    for (int k = 0; k < 3; ++k) {
        EXPECT_NEAR(b->GetPosition()[k], v[k] * step + a[k] * step * step / 2, 1e-18);
        EXPECT_NEAR(b->GetVelocity()[k], v[k] + a[k] * step, 1e-15);
    }
}

TEST_F(IntegrationTest, SpinWithoutTorqueKeepsOmegaAndOrthonormalRotAtEveryStage) {
    auto* b = MakeBody();
    b->SetAngle(0.3, -0.2, 0.9);
    const Mat3 start = b->Rot(0);
    const Vec3 omega{3, -7, 11};  // not along a principal axis: a gyroscopic term would change it
    b->SetAngularVelocity(omega.x, omega.y, omega.z);
    const int steps = 200;
    for (int i = 0; i < steps; ++i) {
        for (int s = 0; s < 4; ++s) {
            b->ClearStageForces(s);
            b->IntegrateStage(s);
            ExpectOrthonormalRows(b->Rot((s + 1) % 4));
        }
    }
    EXPECT_EQ(b->GetAngularVelocity(), omega);
    // The body turned by |omega| t about omega. With R = rot^T, R(t) = R_turn R(0), so
    // rot(t) = rot(0) rot_turn.
    auto* turnBody = MakeBody("turn");
    Vec3 turn = omega * (steps * h());
    turnBody->SetAngle(turn.x, turn.y, turn.z);
    Mat3 want = start * turnBody->Rot(0);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) EXPECT_NEAR(b->Rot(0).m[i][j], want.m[i][j], 1e-9);
}

TEST_F(IntegrationTest, TorqueAboutPrincipalAxisGivesTorqueOverMoment) {
    auto* b = MakeBody();
    b->SetAngle(0, 0, 1.0);  // body axes turned about world z: body z is still world z
    b->torque = {0, 0, 2 * b->inertiaZ};
    RunOneSubStep(scene);
    EXPECT_NEAR(b->Omega(0).z, 2 * h(), 1e-15);
    EXPECT_NEAR(b->Omega(0).x, 0, 1e-18);
}

TEST_F(IntegrationTest, FixedBodyNeverMovesAndReadsZeroVelocity) {
    auto* b = MakeBody();
    b->RHO = -1;
    b->SetPosition(1, 2, 3);
    b->SetVelocity(5, 5, 5);
    b->SetAngularVelocity(1, 0, 0);
    b->force = {100, 0, 0};
    for (int i = 0; i < 10; ++i) RunOneSubStep(scene);
    EXPECT_EQ(b->GetPosition(), (Vec3{1, 2, 3}));
    EXPECT_EQ(b->GetVelocity(), (Vec3{}));
    EXPECT_EQ(b->GetAngularVelocity(), (Vec3{}));
    EXPECT_EQ(PendingAnomalies(), 0);
}

// A fixed body at rest skips its stages during a frame: only when they would give back its very
// numbers, and nothing is to move it until the frame ends.
TEST_F(IntegrationTest, OnlyAFixedBodyAtRestThatNothingMovesStandsStill) {
    struct Case {
        const char* name;
        void (*setUp)(PushedBox&);
        int subSteps;  // run before the frame is prepared
        bool standsStill;
    };
    const Case cases[] = {
        {"fixed, before its first stage", [](PushedBox& b) { b.RHO = -1; }, 0, false},
        {"fixed", [](PushedBox& b) { b.RHO = -1; }, 1, true},
        {"fixed elsewhere", [](PushedBox& b) { b.RHO = -1, b.SetPosition(1, -2, 3); }, 1, true},
        {"fixed while moving", [](PushedBox& b) { b.RHO = -1, b.SetVelocity(0, 0, 1); }, 0, false},
        {"fixed, stopped by a sub-step", [](PushedBox& b) { b.RHO = -1, b.SetVelocity(0, 0, 1); }, 1, true},
        // Squaring a tilted frame anew moves its last bits in every sub-step.
        {"fixed and tilted", [](PushedBox& b) { b.RHO = -1, b.SetAngle(10, 20, 30); }, 5, false},
        {"movable", [](PushedBox&) {}, 1, false},
        {"fixed, moved by a prescribed motion",
         [](PushedBox& b) { b.RHO = -1, b.moveForcesX.emplace_back(); }, 1, false},
        {"fixed, with an actuation", [](PushedBox& b) { b.RHO = -1, b.moves.emplace_back(); }, 1, false},
    };
    for (const Case& c : cases) {
        CScene own;
        auto* b = own.Create<PushedBox>(c.name);
        b->MakeModel();
        c.setUp(*b);
        for (int i = 0; i < c.subSteps; ++i) RunOneSubStep(own);
        b->PrepareIntegration();
        EXPECT_EQ(b->StandsStill(), c.standsStill) << c.name;
        if (b->StandsStill()) {
            for (int i = 0; i < 3; ++i) EXPECT_EQ(b->StillRot().Row(i), b->Rot(0).Row(i)) << c.name;
            EXPECT_EQ(b->StillPosition(), b->Position(0)) << c.name;
        }
        b->FinishIntegration();
        EXPECT_FALSE(b->StandsStill()) << c.name;
    }
    EXPECT_EQ(PendingAnomalies(), 0);
}

// Once a fixed body has stopped, skipping its stages changes none of its numbers: a body that
// stands still keeps, bit for bit, what the stages give its twin.
TEST_F(IntegrationTest, StandingStillKeepsTheNumbersTheStagesWouldGive) {
    auto* stepped = MakeBody("stepped");
    auto* standing = MakeBody("standing");
    for (PushedBox* b : {stepped, standing}) {
        b->RHO = -1;
        b->SetPosition(0.3, -1.7, 2.9);
        b->SetAngle(0, 0, 90);
        b->SetVelocity(1, 0, 0);
        b->SetAngularVelocity(0, 2, 0);
    }
    auto bits = [](const CObj& b) {
        std::vector<std::uint64_t> out;
        for (int s = 0; s < 4; ++s) {
            const Mat3 rot = b.Rot(s);
            for (const Vec3& v :
                 {b.Position(s), b.Velocity(s), b.Omega(s), rot.Row(0), rot.Row(1), rot.Row(2)})
                for (double x : {v.x, v.y, v.z}) out.push_back(std::bit_cast<std::uint64_t>(x));
        }
        return out;
    };
    RunOneSubStep(scene);  // the stages stop both
    standing->PrepareIntegration();
    ASSERT_TRUE(standing->StandsStill());
    for (int i = 0; i < 3; ++i) RunOneSubStep(scene);
    EXPECT_EQ(bits(*standing), bits(*stepped));
}

TEST_F(IntegrationTest, FixedBodyKeepsTheMassItHadBeforeBecomingFixed) {
    auto* b = MakeBody();
    double mass = b->mass, inertia = b->inertiaX;
    b->RHO = -1;
    b->widthX = 5;
    b->MakeModel();
    EXPECT_EQ(b->mass, mass);
    EXPECT_EQ(b->inertiaX, inertia);
}

TEST_F(IntegrationTest, ZeroMassReportsEveryStageAndUsesTheRawForce) {
    auto* b = MakeBody();
    b->mass = 0;
    b->force = {2, 0, 0};
    RunOneSubStep(scene);
    EXPECT_EQ(PendingAnomalies(), 4);
    std::string text;
    ASSERT_TRUE(TakeAnomaly(&text));
    EXPECT_EQ(text, "ObjBOX1 BOX body で、0 割りが発生しました");
    EXPECT_NEAR(b->Velocity(0).x, 2 * h(), 1e-15);
}

TEST_F(IntegrationTest, ZeroPrincipalMomentPassesTorqueAsRawAngularAcceleration) {
    auto* b = MakeBody();
    b->inertiaY = 0;
    b->torque = {0, 0, 3};
    RunOneSubStep(scene);
    EXPECT_NEAR(b->Omega(0).z, 3 * h(), 1e-15);
}

TEST_F(IntegrationTest, RunawayPositionAndVelocityAreReportedWithTheirValues) {
    auto* b = MakeBody("暴走");
    b->SetPosition(2e20, 0, 0);
    b->IntegrateStage(0);
    std::string text;
    ASSERT_TRUE(TakeAnomaly(&text));
    EXPECT_EQ(text, "暴走 の計算で、位置が異常な値 2.000000e+20 0.000000e+00 0.000000e+00 になりました。");
    DiscardAnomalies();
    b->SetPosition(0, 0, 0);
    b->SetVelocity(0, -3e20, 0);
    b->IntegrateStage(0);
    ASSERT_TRUE(TakeAnomaly(&text));
    EXPECT_EQ(text, "暴走 の計算で、速度が異常な値 0.000000e+00 -3.000000e+20 0.000000e+00 になりました。");
}

TEST_F(IntegrationTest, SingularRotationReportsThatCalculationCannotContinue) {
    auto* b = MakeBody("腕");
    b->SetRot(0, Mat3{});  // all rows zero: no orthonormal frame can be rebuilt
    b->IntegrateStage(0);
    std::string text;
    ASSERT_TRUE(TakeAnomaly(&text));
    EXPECT_EQ(text.rfind("腕 の計算で、計算が続行不可能になりました。\n\n・物が軽すぎる", 0), 0u) << text;
    EXPECT_NE(text.find("m(_ _)m"), std::string::npos);
}

TEST_F(IntegrationTest, ReportFromAWorkerThreadReachesTheMainThread) {
    auto* b = MakeBody("遠く");
    b->SetVelocity(1e21, 0, 0);
    std::thread worker([b] { b->IntegrateStage(0); });
    worker.join();
    std::string text;
    ASSERT_TRUE(TakeAnomaly(&text));
    EXPECT_EQ(text.rfind("遠く の計算で、速度が異常な値 1.000000e+21", 0), 0u) << text;
}

TEST_F(IntegrationTest, JoinPointsFollowTheStageState) {
    auto* b = MakeBody();
    _JOININFO j;
    j.localPoint = {1, 0, 0};
    b->joins.push_back(j);
    b->SetAngle(0, 0, 1.5707963267948966);  // body x -> world y
    b->SetPosition(1, 2, 3);
    b->SetAngularVelocity(0, 0, 2);
    b->SetVelocity(0, 0, 1);
    b->UpdateJoinPoints(0);
    const _JOININFO& p = b->joins[0];
    EXPECT_NEAR(p.worldOffset.y, 1, 1e-15);
    EXPECT_NEAR(p.worldPoint.x, 1, 1e-15);
    EXPECT_NEAR(p.worldPoint.y, 3, 1e-15);
    // v = v_cm + w x r = (0, 0, 1) + (0, 0, 2) x (0, 1, 0) = (-2, 0, 1)
    EXPECT_NEAR(p.worldVelocity.x, -2, 1e-15);
    EXPECT_NEAR(p.worldVelocity.z, 1, 1e-15);
}

TEST(AllocationProbe, SeesAnAllocationOnItsThread) {
    testing::AllocationProbe probe;
    auto* p = new std::string(100, 'x');
    delete p;
    EXPECT_GE(probe.Count(), 1);
}

TEST_F(IntegrationTest, StageRoutinesAllocateNothing) {
    auto* b = MakeBody();
    for (int k = 0; k < 4; ++k) {
        _JOININFO j;
        j.localPoint = {0.1 * k, 0, 0};
        b->joins.push_back(j);
    }
    b->SetAngularVelocity(1, 2, 3);
    b->force = {1, 2, 3};
    testing::AllocationProbe probe;
    for (int i = 0; i < 10; ++i) {
        for (int s = 0; s < 4; ++s) {
            b->ClearStageForces(s);
            b->ComputeStageForces(s);
            b->IntegrateStage(s);
            b->UpdateStageMatrices((s + 1) % 4);
            b->UpdateJoinPoints((s + 1) % 4);
        }
    }
    EXPECT_EQ(probe.Count(), 0);
}

}  // namespace
}  // namespace korvan
