#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "StepHelpers.h"
#include "base/Anomaly.h"
#include "sim/ObjBox.h"
#include "sim/Scene.h"
#include "sim/Scheduler.h"

namespace korvan {
namespace {

using testing::RunOneSubStep;

constexpr double kPi = std::numbers::pi;

class ConnectionTest : public ::testing::Test {
  protected:
    void SetUp() override { DiscardAnomalies(); }
    void TearDown() override {
        EXPECT_EQ(PendingAnomalies(), 0);
        DiscardAnomalies();
    }

    // A cube of the given mass (density 1000) or, with mass < 0, a fixed cube of 0.1 m.
    CObjBox* MakeBox(const std::string& name, double kg, const Vec3& at = {}) {
        auto* b = scene.Create<CObjBox>(name);
        const double side = kg > 0 ? std::cbrt(kg / 1000) : 0.1;
        b->widthX = b->widthY = b->widthZ = side;
        if (kg < 0) b->RHO = -1;
        b->MakeModel();
        b->SetPosition(at.x, at.y, at.z);
        return b;
    }

    // Every record's mirror points back at it with the same kind, and groups are contiguous.
    static void ExpectPairedAndGrouped(const CScene& scene) {
        for (int bi = 0; bi < scene.Count(); ++bi) {
            const CObj* body = scene.Body(bi);
            for (int i = 0; i < static_cast<int>(body->joins.size()); ++i) {
                const _JOININFO& r = body->joins[static_cast<std::size_t>(i)];
                if (!r.partner) continue;
                const _JOININFO& m = r.partner->joins.at(static_cast<std::size_t>(r.partnerIndex));
                EXPECT_EQ(m.partner, body);
                EXPECT_EQ(m.partnerIndex, i);
                EXPECT_EQ(m.kindCode, r.kindCode);
                const int first = i - r.GroupPosition() + 1;
                ASSERT_GE(first, 0);
                for (int k = 0; k < r.GroupSize(); ++k)
                    EXPECT_EQ(body->joins.at(static_cast<std::size_t>(first + k)).kindCode,
                              r.GroupSize() * 100 + k + 1);
            }
        }
    }

    CScene scene;
    CScheduler scheduler{scene};
};

// ---- Constants ----------------------------------------------------------------------------------

TEST_F(ConnectionTest, ConstantsFollowReducedMassSettingsGroupSizeAndAccuracy) {
    struct Case {
        const char* what;
        double massA, massB;  // negative: fixed
        int group;            // 1, 2 or 4 points
        double accuracy;
        double strength, friction;
        double K, R, breakForce;  // per record
    };
    const double R1 = std::sqrt(3e6) * 0.2;  // 346.41 N s/m per kg
    const Case cases[] = {
        {"Join1 1 kg + 1 kg", 1, 1, 1, 1.0, -1, -1, 3e6, R1, 3e6},
        {"Join2 halves", 1, 1, 2, 1.0, -1, -1, 1.5e6, R1 / 2, 1.5e6},
        {"Join4 quarters", 1, 1, 4, 1.0, -1, -1, 0.75e6, R1 / 4, 0.75e6},
        {"1 kg + 3 kg: 2 m1 m2 / (m1 + m2)", 1, 3, 1, 1.0, -1, -1, 4.5e6, 1.5 * R1, 4.5e6},
        {"fixed + 2 kg: larger mass", -1, 2, 1, 1.0, -1, -1, 6e6, 2 * R1, 6e6},
        {"accuracy 0.5 divides by 10", 1, 1, 1, 0.5, -1, -1, 3e5, R1 / 10, 3e5},
        {"multiple 2", 1, 1, 1, 1.0, -2, -3, 6e6, 3 * R1, 6e6},
        {"absolute values", 1, 1, 1, 1.0, 5000, 7, 5000, 7, 5000},
        {"absolute halved by Join2", 1, 1, 2, 1.0, 5000, 7, 2500, 3.5, 2500},
        {"zero is zero", 1, 1, 1, 1.0, 0, 0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CScene local;
        local.settings.accuracy = c.accuracy;
        auto make = [&](const char* name, double kg) {
            auto* b = local.Create<CObjBox>(name);
            b->widthX = b->widthY = b->widthZ = std::cbrt(std::fabs(kg) / 1000);
            b->MakeModel();
            if (kg < 0) b->RHO = -1;  // fixed after MakeModel: keeps its stored mass
            return b;
        };
        CObjBox* a = make("a", c.massA);
        CObjBox* b = make("b", c.massB);
        const Vec3 o{}, d{0, 0.01, 0}, e{0.01, 0, 0};
        if (c.group == 1) a->Join1(b, o, o, c.strength, c.friction);
        if (c.group == 2) a->Join2_Horz(b, o, d, o, d, c.strength, c.friction);
        if (c.group == 4) a->Join4(b, o, d, e, o, d, e, c.strength, c.friction);
        for (CObj* body : {static_cast<CObj*>(a), static_cast<CObj*>(b)}) {
            ASSERT_EQ(body->joins.size(), static_cast<std::size_t>(c.group));
            for (const _JOININFO& r : body->joins) {
                EXPECT_NEAR(r.effStrength, c.K, 1e-9 * c.K);
                EXPECT_NEAR(r.effFriction, c.R, 1e-9 * c.R);
                EXPECT_NEAR(r.effBreak, c.breakForce, 1e-9 * c.breakForce);
            }
        }
    }
}

TEST_F(ConnectionTest, BuildersPairRecordsInContiguousGroupsWithTheirPointsAndAxes) {
    CObjBox* a = MakeBox("a", 1);
    CObjBox* b = MakeBox("b", 1);
    CObjBox* c = MakeBox("c", 1);
    const double h = a->widthX / 2;
    EXPECT_EQ(a->Join1(c, {0, 0, h}, {0, 0, -h}), 0);
    // c on a's +x face, d in that face: horizontal on a; on b the centre lies on no face.
    EXPECT_EQ(a->Join2(b, {h, 0, 0}, {0, 0.02, 0}, {}, {0, 0, 0.02}), 0);
    EXPECT_EQ(b->Join4(a, {}, {0.01, 0, 0}, {0, 0.02, 0}, {1, 1, 1}, {0, 0.01, 0}, {0, 0, 0.01}), 0);
    EXPECT_EQ(a->Join1(a, {1, 0, 0}, {2, 0, 0}), 0);  // a body joined to itself stays consistent
    ExpectPairedAndGrouped(scene);

    ASSERT_EQ(a->joins.size(), 1u + 2 + 4 + 2);
    EXPECT_EQ(a->joins[0].axisA, (Vec3{0, 0, 1}));
    EXPECT_EQ(a->joins[0].axisB, (Vec3{1, 0, 0}));
    // Join2: 201 at c + d, 202 at c - d; axisB along d, axisA = d x (axis after d's largest).
    EXPECT_EQ(a->joins[1].localPoint, (Vec3{h, 0.02, 0}));
    EXPECT_EQ(a->joins[2].localPoint, (Vec3{h, -0.02, 0}));
    EXPECT_EQ(a->joins[1].axisB, (Vec3{0, 1, 0}));
    EXPECT_EQ(a->joins[1].axisA, (Vec3{1, 0, 0}));  // y x z
    EXPECT_EQ(a->joins[1].vertical, 0);
    EXPECT_EQ(b->joins[0].vertical, 1);
    EXPECT_EQ(b->joins[0].axisA, (Vec3{0, 1, 0}));  // z x x
    // Join4: c + a, c - a, c + b, c - b on each side; axisA = a x b normalised, axisB = a / |a|.
    const Vec3 expectOnA[4] = {{1, 1.01, 1}, {1, 0.99, 1}, {1, 1, 1.01}, {1, 1, 0.99}};
    for (int k = 0; k < 4; ++k) {
        const _JOININFO& r = a->joins[static_cast<std::size_t>(3 + k)];
        EXPECT_EQ(r.kindCode, 401 + k);
        EXPECT_NEAR(Length(r.localPoint - expectOnA[k]), 0, 1e-15);
        EXPECT_EQ(r.originalPoint, r.localPoint);
        EXPECT_EQ(r.previousLocalPoint, r.localPoint);
        EXPECT_EQ(r.axisA, (Vec3{1, 0, 0}));
        EXPECT_EQ(r.axisB, (Vec3{0, 1, 0}));
        EXPECT_EQ(r.breakSetting, r.strengthSetting);
        EXPECT_EQ(r.rampCount, 0);
    }
}

// Two movable bodies of no size have no mass: their connection is slack, not "not a number".
TEST_F(ConnectionTest, MasslessPairGetsZeroConstants) {
    auto* a = scene.Create<CObjBox>("a");
    auto* b = scene.Create<CObjBox>("b");
    a->widthX = b->widthX = 0;
    a->MakeModel(), b->MakeModel();
    ASSERT_EQ(a->mass, 0);
    a->Join1(b, {}, {});
    EXPECT_EQ(a->joins[0].effStrength, 0);
    EXPECT_EQ(a->joins[0].effFriction, 0);
    EXPECT_EQ(a->joins[0].effBreak, 0);
}

// ---- Force law ----------------------------------------------------------------------------------

TEST_F(ConnectionTest, ForceIsSpringPlusDamperAtThePointSoftenedWhileTheModelIsAssembled) {
    CObjBox* a = MakeBox("a", 1);
    CObjBox* b = MakeBox("b", 1, {0.3, -0.2, 0.1});
    const Vec3 p{0.05, 0, 0}, q{0, 0.05, 0};
    a->Join1(b, p, q, -1, -1, 2.0);
    b->SetVelocity(0.5, 0, -1);
    a->SetAngularVelocity(0, 3, 0);
    b->SetAngularVelocity(1, 0, 0);
    scene.settings.GravityZ = 0;
    a->UpdateJoinPoints(0), b->UpdateJoinPoints(0);

    struct Case {
        double curTime, preCalcTime, stiffnessScale, dampingScale;
        bool rotation;
    };
    const Case cases[] = {
        {0, 0, 1, 1, true},                                             // no assembly phase
        {0.5, 1, std::pow(10000, -0.25), std::pow(100, -0.25), false},  // u = 0.25
        {0, 1, 1e-4, 1e-2, false},                                      // start of the assembly phase
        {1, 1, 1, 1, true},                                             // its end
    };
    const _JOININFO& j = a->joins[0];
    for (const Case& c : cases) {
        SCOPED_TRACE(c.curTime);
        scene.settings.CurTime = c.curTime, scene.settings.PreCalcTime = c.preCalcTime;
        a->ClearStageForces(0);
        a->ComputeStageForces(0);
        const Vec3 dx = (b->GetPosition() + q) - (a->GetPosition() + p);
        const Vec3 dv = (b->GetVelocity() + Cross(b->GetAngularVelocity(), q)) -
                        (a->GetVelocity() + Cross(a->GetAngularVelocity(), p));
        const Vec3 F = (c.stiffnessScale * 3e6) * dx + (c.dampingScale * j.effFriction) * dv;
        Vec3 torque = Cross(p, F);
        if (c.rotation) torque += 2.0 * (b->GetAngularVelocity() - a->GetAngularVelocity());
        EXPECT_NEAR(
            Length(Vec3{a->StageWrench().force.x, a->StageWrench().force.y, a->StageWrench().force.z} - F), 0,
            1e-9 * Length(F));
        EXPECT_NEAR(
            Length(Vec3{a->StageWrench().torque.x, a->StageWrench().torque.y, a->StageWrench().torque.z} -
                   torque),
            0, 1e-9 * Length(F));
    }
}

// Records linked to their mirrors for a frame take the vector law where the processor has it;
// one with a rotation resistance between them takes the scalar law. Either way the sums come out
// record by record with the bits of the law written out.
TEST_F(ConnectionTest, LinkedRecordsAddUpInOrderWhateverLawTakesThem) {
    CObjBox* a = MakeBox("a", 1);
    CObjBox* b = MakeBox("b", 2, {0.3, -0.2, 0.1});
    a->Join1(b, {0.05, 0, 0}, {0, 0.05, 0});
    a->Join1(b, {0, 0.05, 0.01}, {0.02, 0, -0.05}, -1, -1, 2.0);
    a->Join1(b, {-0.05, 0.01, 0}, {0, -0.05, 0.03}, -2, -0.5);
    b->SetVelocity(0.5, 0, -1);
    a->SetAngularVelocity(0, 3, 0.2);
    b->SetAngularVelocity(1, 0, -0.4);
    a->SetAngle(0.2, 0.1, -0.3);
    scene.settings.GravityZ = 0;
    scene.settings.CurTime = 1;
    a->UpdateJoinPoints(0), b->UpdateJoinPoints(0);
    a->LinkJoins(), b->LinkJoins();
    ASSERT_NE(a->joins[0].link.mirror, nullptr);

    Vec3 force, torque;
    for (const _JOININFO& j : a->joins) {
        const _JOININFO& m = *MirrorOf(j);
        const Vec3 F = j.effStrength * (m.worldPoint - j.worldPoint) +
                       j.effFriction * (m.worldVelocity - j.worldVelocity);
        force += F;
        torque += Cross(j.worldOffset, F);
        if (j.rotResistance != 0)
            torque += a->ToWorldVector(0, j.rotResistance * a->ToBodyVector(0, b->Omega(0) - a->Omega(0)));
    }
    a->ClearStageForces(0);
    a->ComputeStageForces(0);
    EXPECT_EQ(a->StageWrench().force, force);
    EXPECT_EQ(a->StageWrench().torque, torque);
    a->UnlinkJoins(), b->UnlinkJoins();
}

// A 1 kg body on a fixed one: K = 3e6, R = 2 * 0.1 * sqrt(K m), a damped oscillator with
// damping ratio 0.1, followed step by step against x(t) = x0 e^(-z w t)(cos wd t + z/sqrt(1-z^2) sin wd t).
TEST_F(ConnectionTest, PairOscillatesAsADampedSpringWithDampingRatioOneTenth) {
    CObjBox* anchor = MakeBox("anchor", -1);
    const double x0 = 0.001;
    CObjBox* body = MakeBox("body", 1, {x0, 0, 0});
    anchor->Join1(body, {}, {});
    const double w = std::sqrt(3e6), zeta = 0.1, wd = w * std::sqrt(1 - zeta * zeta);
    const double h = scene.settings.timeStep;
    double worst = 0;
    for (int n = 1; n <= 200; ++n) {
        RunOneSubStep(scene);
        const double t = n * h;
        const double want = x0 * std::exp(-zeta * w * t) *
                            (std::cos(wd * t) + zeta / std::sqrt(1 - zeta * zeta) * std::sin(wd * t));
        worst = std::max(worst, std::fabs(body->Position(0).x - want));
    }
    EXPECT_LT(worst, 0.002 * x0);
}

// ---- Breaking -----------------------------------------------------------------------------------

TEST_F(ConnectionTest, OverloadedRecordFreesItsWholeFourPointGroupOnBothBodiesOnly) {
    CObjBox* a = MakeBox("a", 1);
    CObjBox* b = MakeBox("b", 1);
    CObjBox* c = MakeBox("c", 1);
    a->Join1(c, {}, {});
    a->Join4(b, {}, {0.01, 0, 0}, {0, 0.01, 0}, {}, {0.01, 0, 0}, {0, 0.01, 0});
    b->Join1(c, {}, {});
    // One point of b's group pulled 1.2 m away: 1.2 m * K/4 exceeds the threshold of K/4.
    b->joins[2].localPoint += Vec3{0, 0, 1.2};
    b->UpdateJoinPoints(0);
    scene.settings.CurTime = 1;
    b->CheckJoinBreaks();

    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(b->joins[static_cast<std::size_t>(k)].partner, nullptr);
        EXPECT_EQ(b->joins[static_cast<std::size_t>(k)].partnerIndex, -1);
        EXPECT_EQ(a->joins[static_cast<std::size_t>(1 + k)].partner, nullptr);
        EXPECT_EQ(a->joins[static_cast<std::size_t>(1 + k)].partnerIndex, -1);
    }
    EXPECT_EQ(a->joins[0].partner, c);
    EXPECT_EQ(b->joins[4].partner, c);
    ExpectPairedAndGrouped(scene);
    // The force of the overloaded point was kept in body axes.
    EXPECT_NEAR(b->joins[2].lastForceLocal.z, -1.2 * 0.75e6, 1e-3);
}

TEST_F(ConnectionTest, BreakThresholdIsTheSpringForceAtTheEndOfAFrame) {
    struct Case {
        double stretch;
        double curTime, preCalcTime;
        int rampCount;
        bool breaks;
    };
    const Case cases[] = {
        {0.99, 1, 0, 0, false},  // default: K equals the threshold, so just under 1 m holds
        {1.01, 1, 0, 0, true},  {5, 0.5, 1, 0, false},  // assembly phase: nothing breaks
        {5, 1, 1, 0, true},                             // CurTime / PreCalcTime = 1 is past it
        {5, 1, 0, 17, false},                           // a ramping record never breaks
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.stretch);
        CScene local;
        local.settings.CurTime = k.curTime, local.settings.PreCalcTime = k.preCalcTime;
        auto* a = local.Create<CObjBox>("a");
        auto* b = local.Create<CObjBox>("b");
        a->MakeModel(), b->MakeModel();
        b->SetPosition(k.stretch, 0, 0);
        a->Join1(b, {}, {});
        a->joins[0].rampCount = b->joins[0].rampCount = k.rampCount;
        a->CheckJoinBreaks();
        EXPECT_EQ(a->joins[0].partner == nullptr, k.breaks);
        EXPECT_EQ(b->joins[0].partner == nullptr, k.breaks);
    }
}

// ---- Soft start ---------------------------------------------------------------------------------

TEST_F(ConnectionTest, SoftStartClimbsFromOneHundredMillionthToTheBaseOverSixThousandPasses) {
    CObjBox* a = MakeBox("a", 1);
    CObjBox* b = MakeBox("b", 1);
    a->Join1(b, {}, {}, 5000, 7);  // a custom setting is replaced by the ramp
    _JOININFO& j = a->joins[0];
    j.rampCount = 1;
    auto expected = [](int n) { return std::pow(10.0, (1 - std::cos(n * kPi / 6000)) * 4 - 8); };
    for (int n = 1; n <= 6000; ++n) {
        a->ControlPass();
        if (n == 1 || n == 3000 || n == 5999) {
            EXPECT_NEAR(j.strengthSetting, -expected(n), 1e-12 * expected(n)) << n;
            EXPECT_EQ(j.frictionSetting, j.strengthSetting);
            EXPECT_EQ(j.breakSetting, j.strengthSetting);
            EXPECT_NEAR(j.effStrength, expected(n) * 3e6, 1e-9 * expected(n) * 3e6);
            EXPECT_EQ(j.rampCount, n + 1);
        }
    }
    EXPECT_NEAR(expected(3000), 1e-4, 1e-16);
    EXPECT_EQ(j.rampCount, 0);
    EXPECT_DOUBLE_EQ(j.strengthSetting, -1);
    EXPECT_DOUBLE_EQ(j.effStrength, 3e6);
    a->ControlPass();  // finished: nothing changes any more
    EXPECT_DOUBLE_EQ(j.strengthSetting, -1);
}

// ---- Whole-model behaviour ----------------------------------------------------------------------

// A box hung by one point from a fixed body swings as a physical pendulum:
// T = 2 pi sqrt((I_cm + m d^2) / (m g d)).
TEST_F(ConnectionTest, HungBoxSwingsWithThePhysicalPendulumPeriod) {
    CObjBox* ceiling = MakeBox("ceiling", -1, {0, 0, 1});
    CObjBox* bob = scene.Create<CObjBox>("bob");
    bob->widthX = bob->widthY = bob->widthZ = 0.2;
    bob->MakeModel();
    const double d = 0.5, theta0 = 0.05;
    // Turned by theta0 about x around the pivot at the ceiling's centre.
    bob->SetAngle(theta0, 0, 0);
    bob->SetPosition(0, d * std::sin(theta0), 1 - d * std::cos(theta0));
    ceiling->Join1(bob, {}, {0, 0, d});
    ExpectPairedAndGrouped(scene);

    const double m = bob->mass, g = 9.8;
    const double period = 2 * kPi * std::sqrt((bob->inertiaX + m * d * d) / (m * g * d));
    // Upward zero crossings of the sideways offset, interpolated between frames.
    std::vector<double> crossings;
    double previous = bob->Position(0).y;
    scheduler.RunSimulationFrame();  // the first frame (CurTime 0) has no gravity
    while (scene.settings.CurTime < 4.5 * period) {
        previous = bob->Position(0).y;
        const double t0 = scene.settings.CurTime;
        scheduler.RunSimulationFrame();
        const double y = bob->Position(0).y;
        if (previous < 0 && y >= 0)
            crossings.push_back(t0 + scene.settings.frameTime * (-previous / (y - previous)));
    }
    ASSERT_GE(crossings.size(), 3u);
    const double measured =
        (crossings.back() - crossings.front()) / static_cast<double>(crossings.size() - 1);
    EXPECT_NEAR(measured, period, 0.01 * period) << crossings.size();
    // The pivot held: the bob's top point is still at the ceiling.
    EXPECT_NEAR(Length(bob->joins[0].worldPoint - ceiling->joins[0].worldPoint), 0, 1e-4);
}

// Between frames the arrays change under the links the force phase follows: a group breaks, a
// free record is erased (moving the ones after it) and new connections make the fixed body's
// array grow. The frames after it must see every record where it is now.
TEST_F(ConnectionTest, FramesFollowRecordsBrokenErasedAndMovedBetweenThem) {
    CObjBox* ceiling = MakeBox("ceiling", -1, {0, 0, 1});
    auto hang = [&](const std::string& name, double x) {
        CObjBox* bob = MakeBox(name, 1, {x, 0, 0.9});
        ceiling->Join1(bob, {x, 0, 0}, {0, 0, 0.1});
        return bob;
    };
    CObjBox* dropped = hang("dropped", 0);
    std::vector<CObjBox*> held{hang("held", 0.5)};
    scheduler.RunSimulationFrame();
    scheduler.RunSimulationFrame();

    ceiling->BreakJoinGroup(0);
    ceiling->EraseJoinsTo(nullptr);
    ASSERT_EQ(ceiling->joins[0].partner, held[0]);
    const std::size_t capacity = ceiling->joins.capacity();
    for (int k = 1; k <= 4; ++k) held.push_back(hang("late" + std::to_string(k), -0.3 * k));
    ASSERT_GT(ceiling->joins.capacity(), capacity);
    ExpectPairedAndGrouped(scene);

    for (int f = 0; f < 30; ++f) scheduler.RunSimulationFrame();
    // 0.5 s of free fall from rest is 1.2 m.
    EXPECT_LT(dropped->Position(0).z, 0.9 - 1.0);
    for (const CObjBox* bob : held) {
        EXPECT_NEAR(bob->Position(0).z, 0.9, 1e-4) << bob->displayName;
        EXPECT_NEAR(Length(bob->GetVelocity()), 0, 1e-3) << bob->displayName;
    }
}

}  // namespace
}  // namespace korvan
