#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>

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
constexpr int kPlus = 'U', kMinus = 'J';

class ActuationTest : public ::testing::Test {
  protected:
    void SetUp() override {
        DiscardAnomalies();
        scene.keys = &keys;
        scene.controllers = &pads;
        scene.settings.GravityZ = 0;
        base = MakeBox("base", 0.2, {});
        base->RHO = -1;
        arm = MakeBox("arm", 0.2, {});
    }
    void TearDown() override {
        EXPECT_EQ(PendingAnomalies(), 0);
        DiscardAnomalies();
    }

    CObjBox* MakeBox(const std::string& name, double side, const Vec3& at) {
        auto* b = scene.Create<CObjBox>(name);
        b->widthX = b->widthY = b->widthZ = side;
        b->MakeModel();
        b->SetPosition(at.x, at.y, at.z);
        return b;
    }

    void Pass(CObj* body) {
        body->BeginControlPass();
        body->ControlPass();
    }

    CScene scene;
    CScheduler scheduler{scene};
    KeyStateTable keys;
    FakeControllers pads;
    CObjBox* base = nullptr;
    CObjBox* arm = nullptr;
};

// Ten control passes per frame at the defaults: speed 0.001 held for a frame moves 0.01.
TEST_F(ActuationTest, KeyDrivenMoveAddsItsSpeedOncePerControlPassWithinItsLimits) {
    struct Case {
        const char* what;
        bool plus, minus;
        double upper, displacement;
    };
    const Case cases[] = {
        {"plus held one frame", true, false, 1, 0.01},
        {"both keys: minus wins", true, true, 1, -0.01},
        {"no key", false, false, 1, 0},
        {"clamped to the upper limit", true, false, 0.004, 0.004},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CScene local;
        KeyStateTable localKeys;
        local.keys = &localKeys;
        local.settings.GravityZ = 0;
        auto* a = local.Create<CObjBox>("a");
        auto* b = local.Create<CObjBox>("b");
        auto* other = local.Create<CObjBox>("other");
        a->RHO = -1;
        a->MakeModel(), b->MakeModel(), other->MakeModel();
        a->Join2_Horz(b, {}, {0.1, 0, 0}, {}, {0.1, 0, 0});
        a->Join1(other, {0, 0, 0.3}, {});
        a->MoveJointByKey(b, kPlus, kMinus, 0.001, -1, c.upper, {}, {0, 0, 2}, 0, 0);
        localKeys.SetDown(kPlus, c.plus);
        localKeys.SetDown(kMinus, c.minus);
        CScheduler s(local);
        s.RunSimulationFrame();
        const _MOVEINFO& move = a->moves[0];
        EXPECT_NEAR(move.displacement, c.displacement, 1e-15);
        EXPECT_EQ(move.passCounter, 10);
        EXPECT_EQ(move.direction, (Vec3{0, 0, 1}));  // kept normalised
        EXPECT_NEAR(Length(a->joins[0].localPoint - (Vec3{0.1, 0, c.displacement})), 0, 1e-15);
        EXPECT_NEAR(Length(a->joins[1].localPoint - (Vec3{-0.1, 0, c.displacement})), 0, 1e-15);
        EXPECT_EQ(a->joins[2].localPoint, (Vec3{0, 0, 0.3}));  // toward another body: untouched
    }
}

TEST_F(ActuationTest, EachKindDisplacesThePointsItsOwnWay) {
    struct Case {
        const char* kind;
        double displacement;
        Vec3 expected;  // the point created at (0.3, 0, 0), centre (0.1, 0, 0), axis z (or x for SLIDE)
    };
    const Case cases[] = {
        {"MOVE", 0.05, {0.3, 0, 0.05}},
        {"SLIDE", 0.5, {0.4, 0, 0}},  // distance from the centre along x
                                      // grows by half
        {"ROTATE", kPi / 2, {0.1, 0.2, 0}},
        {"ZOOM", 0.5, {0.3, 0, 0}},
        {"TWIST", 0.5, {0.3, 0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.kind);
        CScene local;
        auto* a = local.Create<CObjBox>("a");
        auto* b = local.Create<CObjBox>("b");
        a->MakeModel(), b->MakeModel();
        a->Join1(b, {0.3, 0, 0}, {});
        const Vec3 axis = std::string(c.kind) == "SLIDE" ? Vec3{1, 0, 0} : Vec3{0, 0, 1};
        a->SetMoveObj(b, c.kind, kPlus, kMinus, 0, -2, 2, {0.1, 0, 0}, axis, 0, c.displacement);
        a->BeginControlPass();
        a->ControlPass();
        EXPECT_NEAR(Length(a->joins[0].localPoint - c.expected), 0, 1e-15);
        EXPECT_EQ(a->joins[0].originalPoint, (Vec3{0.3, 0, 0}));
        EXPECT_EQ(a->moves[0].displacement, c.displacement);
    }
    CScene local;
    auto* a = local.Create<CObjBox>("a");
    a->SetMoveObj(nullptr, "ZOOM", 0, 0, 0, -1, 1, {}, {1, 0, 0}, 0, 5);
    a->SetMoveObj(nullptr, "odd", 0, 0, 0, -1, 1, {}, {1, 0, 0}, 0, -5);
    EXPECT_EQ(a->moves[0].moveKind, kMoveZoom);
    EXPECT_EQ(a->moves[1].moveKind, kMoveUnknown);
    a->ControlPass();
    EXPECT_EQ(a->moves[0].displacement, 1);  // clamped all the same
    EXPECT_EQ(a->moves[1].displacement, -1);
}

// The fixed base turns its four connection points about z; the arm follows them round.
TEST_F(ActuationTest, RotateActuationTurnsTheJoinedBodyByTheCommandedAngle) {
    const Vec3 a{0.05, 0, 0}, b{0, 0.05, 0};
    base->Join4(arm, {}, a, b, {}, a, b);
    base->RotateJointByKey(arm, kPlus, kMinus, 0.005, -kPi, kPi, {}, {0, 0, 1}, 0, 0);
    keys.SetDown(kPlus, true);
    for (int f = 0; f < 10; ++f) scheduler.RunSimulationFrame();  // 100 passes: 0.5 rad
    keys.SetDown(kPlus, false);
    for (int f = 0; f < 30; ++f) scheduler.RunSimulationFrame();
    EXPECT_NEAR(base->moves[0].displacement, 0.5, 1e-12);
    const Vec3 angle = arm->GetAngle();
    EXPECT_NEAR(angle.z, 0.5, 1e-4);
    EXPECT_NEAR(std::hypot(angle.x, angle.y), 0, 1e-6);
    EXPECT_NEAR(Length(arm->GetPosition()), 0, 1e-6);
}

// The load O of the joint, times loadDependence * 3e6 (q the partner's point, p the own point):
//   MOVE (q - p) . u,  SLIDE sum_k (q - p)_k (p - c)_k u_k,  ROTATE ((p - c) x (q - c)) . u / (|p - c| |q -
//   c|).
// A key actuation yields to it by 1e-7 per unit and pass.
TEST_F(ActuationTest, LoadTermLetsAKeyActuationYieldToThePull) {
    struct Case {
        const char* kind;
        Vec3 partnerPoint, axis;
        double load;
    };
    const double theta = 0.2;
    const Case cases[] = {
        {"MOVE", {0.1, 0, 0.01}, {0, 0, 1}, 0.01},
        {"SLIDE", {0.11, 0, 0}, {1, 0, 0}, 0.01 * 0.1},
        {"ROTATE", {0.1 * std::cos(theta), 0.1 * std::sin(theta), 0}, {0, 0, 1}, std::sin(theta)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.kind);
        CScene local;
        auto* a = local.Create<CObjBox>("a");
        auto* b = local.Create<CObjBox>("b");
        a->RHO = -1;
        a->MakeModel(), b->MakeModel();
        b->SetPosition(c.partnerPoint.x, c.partnerPoint.y, c.partnerPoint.z);
        a->Join1(b, {0.1, 0, 0}, {});
        a->SetMoveObj(b, c.kind, kPlus, kMinus, 0.001, -1, 1, {}, c.axis, 0.5, 0);
        a->BeginControlPass();
        a->ControlPass();
        EXPECT_NEAR(a->moves[0].displacement, c.load * 0.5 * 3e6 * 1e-7, 1e-12);
    }
}

TEST_F(ActuationTest, ControllerAxisDrivesPositionOrVelocityAndFeedsBackTheLoad) {
    arm->SetPosition(0.02, 0, 0);
    base->Join1(arm, {}, {});
    base->SetMoveObjByGameCtrl(arm, "MOVE", 1, 0, 0, 0, 0.5, 0.0002, -0.08, 0.08, {}, {1, 0, 0}, 1, 0);
    base->SetMoveObjByGameCtrl(arm, "MOVE", 1, 2, 1, 1, 0.5, 0.0002, -1, 1, {}, {0, 1, 0}, 0, 0);
    pads.states[1].axes[0] = 3000;   // position use: 0.3 * 0.0002 * 1000 = 0.06
    pads.states[1].axes[2] = -5000;  // velocity use, mapping 1: (-0.5 + 1) / 2 = 0.25 per pass
    Pass(base);
    EXPECT_NEAR(base->moves[0].displacement, 0.06, 1e-15);
    EXPECT_NEAR(base->moves[1].displacement, 0.25 * 0.0002, 1e-15);
    pads.states[1].axes[0] = 10000;  // 0.2, clamped
    Pass(base);
    EXPECT_NEAR(base->moves[0].displacement, 0.08, 1e-15);
    EXPECT_NEAR(base->moves[1].displacement, 2 * 0.25 * 0.0002, 1e-15);

    // Feedback: s = (1 - k) s + k O / (speed 1000), sent as -s on the axis' channel.
    const double O = 0.02 * 1 * 3e6;  // (q - p) . u from the points at the start of the first pass
    const double first = 0.5 * O / 0.2;
    ASSERT_EQ(pads.forces.size(), 4u);
    EXPECT_EQ(pads.forces[0].index, 1);
    EXPECT_NEAR(pads.forces[0].x, -first, 1e-9);
    EXPECT_EQ(pads.forces[0].y, 0);
    EXPECT_EQ(pads.forces[1].x, 0);  // the other actuation: Pz channel, no load
    EXPECT_EQ(pads.forces[1].z, -0.0);
}

// Feedback divides by speed * 1000; an actuation of speed 0 feeds back nothing instead of NaN.
TEST_F(ActuationTest, StandingActuationFeedsBackNothing) {
    arm->SetPosition(0.02, 0, 0);
    base->Join1(arm, {}, {});
    base->SetMoveObjByGameCtrl(arm, "MOVE", 0, 0, 0, 1, 0.5, 0, -1, 1, {}, {1, 0, 0}, 1, 0);
    Pass(base);
    ASSERT_EQ(pads.forces.size(), 1u);
    EXPECT_EQ(pads.forces[0].x, 0);
    EXPECT_EQ(base->moves[0].ffbValue, 0);
}

TEST_F(ActuationTest, MissingControllerReadsZeroAxes) {
    base->Join1(arm, {}, {});
    base->SetMoveObjByGameCtrl(arm, "MOVE", 7, 0, 2, 0, 0.1, 0.001, -5, 5, {}, {1, 0, 0}, 0, 0.3);
    Pass(base);
    EXPECT_NEAR(base->moves[0].displacement, 0.5, 1e-15);  // mapping 2 of a centred axis is 0.5
    // A controller's actuation has no keys: -1, not key code 0.
    EXPECT_EQ(base->moves[0].keyPlus, -1);
    EXPECT_EQ(base->moves[0].keyMinus, -1);
}

}  // namespace
}  // namespace korvan
