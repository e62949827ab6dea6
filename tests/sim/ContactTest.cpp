#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "base/Anomaly.h"
#include "base/KeyState.h"
#include "sim/ContactDialogMapping.h"
#include "sim/ObjBox.h"
#include "sim/ObjCylinder.h"
#include "sim/ObjGround.h"
#include "sim/ObjSpring.h"
#include "sim/Scene.h"
#include "sim/Scheduler.h"

namespace korvan {
namespace {

constexpr double kG = 9.8;

class ContactTest : public ::testing::Test {
  protected:
    void SetUp() override {
        DiscardAnomalies();
        scene.keys = &keys;
        // A fixed 1 m table whose top is the plane z = 0.5.
        table = MakeBox("table", 1, 1, 1, {0, 0, 0});
        table->RHO = -1;
    }
    void TearDown() override {
        EXPECT_EQ(PendingAnomalies(), 0);
        DiscardAnomalies();
    }

    CObjBox* MakeBox(const std::string& name, double wx, double wy, double wz, const Vec3& at) {
        auto* b = scene.Create<CObjBox>(name);
        b->widthX = wx, b->widthY = wy, b->widthZ = wz;
        b->MakeModel();
        b->SetPosition(at.x, at.y, at.z);
        return b;
    }

    // A cube of side w whose bottom corners sink `depth` into the table top.
    CObjBox* CubeOnTable(double w, double depth, double x = 0) {
        return MakeBox("cube", w, w, w, {x, 0, 0.5 + w / 2 - depth});
    }

    static int Contacts(const CObj* body) {
        int n = 0;
        for (const _CRASHINFO& c : body->crashPoints) n += c.contactBody != nullptr;
        return n;
    }

    // The upward force of a stage-0 force phase of the body alone.
    static double UpwardStageForce(CObj* body) {
        body->ClearStageForces(0);
        body->ComputeStageForces(0);
        return body->StageWrench().force.z;
    }

    static double TotalContactStiffness(const CObj* body) {
        double stiffness = 0;
        for (const _CRASHINFO& c : body->crashPoints) stiffness += c.contactStiffness;
        return stiffness;
    }

    CScene scene;
    KeyStateTable keys;
    CObjBox* table = nullptr;
};

// ---- Contact creation ---------------------------------------------------------------------------

// Kc = -spring m |g| / (0.01 sizeRef) and Cc = -damping sqrt(Kc m): the default spring lets a body's
// weight press its contact 1 % of its reference size deep; absolute settings are taken as given.
TEST_F(ContactTest, ContactSpringAndDampingFollowMassSizeSettingsAndAccuracy) {
    struct Case {
        const char* what;
        double spring, damping, accuracy;
        bool cubeFixed;
    };
    const Case cases[] = {
        {"defaults", -1, -1, 1.0, false},
        {"multiples", -2, -3, 1.0, false},
        {"absolute", 5000, 30, 1.0, false},
        {"accuracy 0.5 scales both by 0.1", -1, -1, 0.5, false},
        {"fixed A uses B's mass", -1, -1, 1.0, true},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        CScene local;
        local.settings.accuracy = k.accuracy;
        local.settings.CurTime = 1;
        auto* floor = local.Create<CObjBox>("floor");
        floor->MakeModel();  // 1000 kg
        auto* cube = local.Create<CObjBox>("cube");
        cube->widthX = 0.4, cube->widthY = 0.3, cube->widthZ = 0.2;  // sizeRef 0.2, 24 kg
        cube->MakeModel();
        cube->SetPosition(0, 0, 0.5 + 0.1 - 0.001);
        if (k.cubeFixed) cube->RHO = -1;
        EXPECT_EQ(cube->AddCrash(floor, -1, 0.5, 0.4, 0.01, k.spring, k.damping), 0);
        cube->ControlPass();
        ASSERT_EQ(Contacts(cube), 4);

        const double m = k.cubeFixed ? floor->mass : cube->mass;
        double Kc = k.spring < 0 ? -k.spring * m * kG / (0.01 * 0.2) : k.spring;
        double Cc = k.damping < 0 ? -k.damping * std::sqrt(Kc * m) : k.damping;
        const double factor = std::pow(10.0, 2 * k.accuracy) * 0.01;
        for (const _CRASHINFO& c : cube->crashPoints) {
            if (!c.contactBody) continue;
            EXPECT_NEAR(c.contactStiffness, Kc * factor, 1e-9 * Kc);
            EXPECT_NEAR(c.contactDamping, Cc * factor, 1e-9 * Cc);
            EXPECT_EQ(c.contactKind, kInteractionCollision);
            EXPECT_EQ(c.staticFriction, 0.5);
            EXPECT_EQ(c.dynamicFriction, 0.4);
            // The anchor is the point lifted onto the face, kept in the floor's coordinates.
            EXPECT_NEAR(c.anchor.z, 0.5, 1e-12);
            EXPECT_EQ(c.contactNormal, (Vec3{0, 0, 1}));
        }
    }
}

TEST_F(ContactTest, PointIsCaughtOnlyWhenSunkLessThanTheOtherBodysSizeAfterAssembly) {
    struct Case {
        const char* what;
        double depth, curTime, preCalcTime;
        bool caught;
    };
    const Case cases[] = {
        {"sunk a little", 0.001, 1, 0, true},
        {"just touching", 0, 1, 0, false},
        {"clock at 0 without assembly phase", 0.001, 0, 0, false},
        {"during the assembly phase", 0.001, 0.5, 1, false},
        {"at its end", 0.001, 1, 1, false},
        {"after it", 0.001, 1.01, 1, true},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        CScene local;
        local.settings.CurTime = k.curTime, local.settings.PreCalcTime = k.preCalcTime;
        auto* floor = local.Create<CObjBox>("floor");
        floor->RHO = -1;
        floor->MakeModel();
        auto* cube = local.Create<CObjBox>("cube");
        cube->widthX = cube->widthY = cube->widthZ = 0.1;
        cube->MakeModel();
        cube->SetPosition(0, 0, 0.5 + 0.05 - k.depth);
        cube->AddCrash(floor);
        cube->ControlPass();
        EXPECT_EQ(Contacts(cube), k.caught ? 4 : 0);
        // The force phase evaluates nothing before the assembly is over either.
        cube->ClearStageForces(0);
        cube->ComputeStageForces(0);
        if (!k.caught) {
            EXPECT_EQ(cube->StageWrench().force.x, 0);
        }
    }
}

// Only the top cap of a long thin cylinder may be touched: a point that went deeper below it than
// the cylinder's smallest size (its diameter) has passed through and is not caught.
TEST_F(ContactTest, PointDeeperThanTheOtherBodysSmallestSizeIsNotCaught) {
    scene.settings.CurTime = 1;
    auto* post = scene.Create<CObjCylinder>("post");
    post->widthR = 0.1, post->widthW = 1;  // sizeMin 0.2, top cap at y = 0.5
    post->RHO = -1;
    post->MakeModel();
    for (double depth : {0.05, 0.19, 0.21, 0.4}) {
        SCOPED_TRACE(depth);
        CObjBox* pin = MakeBox("pin", 0.02, 0.02, 0.02, {0, 0.5 - depth, 0});
        pin->AddCrash(post, kCylinderTopCap);
        pin->ControlPass();
        EXPECT_EQ(Contacts(pin), depth + 0.01 < 0.2 ? 8 : (depth - 0.01 < 0.2 ? 4 : 0));
    }
}

// A flat body (reference size 0) cannot scale the default stiffness: its contacts carry nothing
// rather than an infinite spring.
TEST_F(ContactTest, FlatBodyGetsNoDefaultContactSpring) {
    scene.settings.CurTime = 1;
    CObjBox* sheet = MakeBox("sheet", 0.1, 0.1, 0, {0, 0, 0.499});
    sheet->RHO = 1000;
    sheet->AddCrash(table);
    sheet->ControlPass();
    ASSERT_GT(Contacts(sheet), 0);
    for (const _CRASHINFO& c : sheet->crashPoints) {
        EXPECT_EQ(c.contactStiffness, 0);
        EXPECT_EQ(c.contactDamping, 0);
    }
}

TEST_F(ContactTest, GearDefinitionHasItsFixedValues) {
    CObjBox* cube = CubeOnTable(0.1, 0.001);
    EXPECT_EQ(cube->AddGear(table, 4), 0);
    const _INTRACT& g = cube->interactions.back();
    EXPECT_EQ(g.kind, kInteractionGear);
    EXPECT_EQ(g.type, 4);
    EXPECT_EQ(g.staticLimitSpeed, 1000.1);
    EXPECT_EQ(g.staticFriction, 10000);
    EXPECT_EQ(g.dynamicFriction, 0);
    EXPECT_EQ(g.springSetting, 1000000);
    EXPECT_EQ(g.dampingSetting, 100);
}

// ---- Sticking, sliding and the end of a contact -------------------------------------------------

TEST_F(ContactTest, SeparatedPointTouchesAgainSlidingAndAPointThatSlidOffStartsSticking) {
    scene.settings.CurTime = 1;
    CObjBox* cube = CubeOnTable(0.1, 0.001, 0.44);  // right corners at x = 0.49, near the edge
    cube->AddCrash(table);
    cube->ControlPass();
    ASSERT_EQ(Contacts(cube), 4);
    for (const _CRASHINFO& c : cube->crashPoints) EXPECT_EQ(c.sliding, 0);

    // Lifted out: every contact ends, sliding.
    cube->SetPosition(0.44, 0, 0.56);
    cube->ControlPass();
    EXPECT_EQ(Contacts(cube), 0);
    for (const _CRASHINFO& c : cube->crashPoints) {
        if (c.localPoint.z > 0) continue;  // the top corners never touched
        EXPECT_EQ(c.sliding, 1);
        EXPECT_EQ(c.anchor.x, kFreeAnchor);
    }
    // Back down: new contacts, and they slide.
    cube->SetPosition(0.44, 0, 0.549);
    cube->ControlPass();
    ASSERT_EQ(Contacts(cube), 4);
    for (const _CRASHINFO& c : cube->crashPoints)
        if (c.contactBody) {
            EXPECT_EQ(c.sliding, 1);
        }

    // Pushed 5 cm sideways: the pull exceeds static friction, the anchors follow the points and
    // the right-hand ones now lie beyond the table's edge ...
    cube->SetPosition(0.49, 0, 0.549);
    cube->ControlPass();
    int beyond = 0;
    for (const _CRASHINFO& c : cube->crashPoints)
        if (c.contactBody && c.anchor.x > 0.5) ++beyond;
    EXPECT_EQ(beyond, 2);
    // ... so at the next pass those contacts end and their points will stick at the next touch.
    cube->ControlPass();
    EXPECT_EQ(Contacts(cube), 2);
    for (const _CRASHINFO& c : cube->crashPoints)
        if (!c.contactBody && c.localPoint.z < 0) {
            EXPECT_EQ(c.sliding, 0);
        }
}

TEST_F(ContactTest, StickingPointHeldByStaticFrictionUntilItsPullExceedsIt) {
    scene.settings.CurTime = 1;
    CObjBox* cube = CubeOnTable(0.1, 0.001);
    cube->AddGear(table, -1);  // static friction 10000: practically never slips
    cube->ControlPass();
    ASSERT_EQ(Contacts(cube), 4);
    const Vec3 anchorBefore = cube->crashPoints[0].anchor;
    cube->SetPosition(0.009, 0, 0.549);  // 9 mm sideways at 1 mm depth
    cube->ControlPass();
    EXPECT_EQ(cube->crashPoints[0].anchor, anchorBefore);
    EXPECT_EQ(cube->crashPoints[0].sliding, 0);
}

// ---- Forces and reactions -----------------------------------------------------------------------

TEST_F(ContactTest, ContactForcesOnTwoMovableBodiesConserveMomentum) {
    scene.settings.CurTime = 1;
    scene.settings.GravityZ = 0;
    table->RHO = 1000;  // movable now
    table->MakeModel();
    CObjBox* cube = CubeOnTable(0.1, 0.002);
    cube->AddCrash(table, -1, 0.5, 0.4, 0.01, 20000, 50);
    cube->SetVelocity(0.3, -0.1, -0.2);
    cube->SetAngularVelocity(0, 0.5, 0);
    auto momentum = [&] { return cube->mass * cube->GetVelocity() + table->mass * table->GetVelocity(); };
    const Vec3 before = momentum();
    CScheduler scheduler(scene);
    for (int f = 0; f < 10; ++f) scheduler.RunSimulationFrame();
    EXPECT_GT(Length(table->GetVelocity()), 1e-4);  // the table was pushed
    EXPECT_NEAR(Length(momentum() - before), 0, 1e-9 * Length(before));
}

// A spring's end rows move with its extension in every stage; the contact force must follow the
// moved points, not where they stood at the control pass.
TEST_F(ContactTest, SpringEndRowPressesDeeperAsTheSpringExtends) {
    scene.settings.CurTime = 1;
    auto* spring = scene.Create<CObjSpring>("spring");
    spring->widthR = 0.2;
    spring->MakeModel();
    spring->SetAngle(std::acos(-1.0) / 2, 0, 0);  // the axis upright: one end row stands on the table
    spring->SetPosition(0, 0, 0.5 + spring->widthW / 2 - 0.001);
    spring->AddCrash(table);
    spring->ControlPass();
    ASSERT_EQ(Contacts(spring), spring->crashPointR);
    const double before = UpwardStageForce(spring);
    const double extension = 0.002;
    spring->extension.value[0] = extension;
    spring->UpdateSpringGeometry(0);
    const double stiffness = TotalContactStiffness(spring);
    EXPECT_NEAR(UpwardStageForce(spring) - before, stiffness * extension, 1e-9 * stiffness * extension);
}

// The anchors on a fixed body follow it wherever its stage frame stands, also when it has moved
// since the control pass that anchored the points.
TEST_F(ContactTest, ContactForceFollowsAFixedBodyMovedAfterTheControlPass) {
    scene.settings.CurTime = 1;
    CObjBox* cube = CubeOnTable(0.1, 0.001);
    cube->AddCrash(table);
    cube->ControlPass();
    ASSERT_EQ(Contacts(cube), 4);
    const double resting = UpwardStageForce(cube);
    const double drop = 0.0005;
    table->SetPosition(0, 0, -drop);
    const double stiffness = TotalContactStiffness(cube);
    EXPECT_NEAR(resting - UpwardStageForce(cube), stiffness * drop, 1e-9 * stiffness * drop);
}

// Four sticking points on one body take the force phase's vector law; each point must come out
// with the bits of the law taken point by point, on a fixed table and on a moving one (whose
// reactions the points also hold).
TEST_F(ContactTest, FourStickingPointsGiveTheBitsOfTheLawTakenPointByPoint) {
    scene.settings.CurTime = 1;
    scene.settings.GravityZ = 0;
    for (const bool tableMoves : {false, true}) {
        SCOPED_TRACE(tableMoves ? "moving table" : "fixed table");
        if (tableMoves) {
            table->RHO = 1000;
            table->SetVelocity(0.001, -0.002, 0.0005);
            table->SetAngularVelocity(0.003, 0.001, -0.002);
        }
        CObjBox* cube = CubeOnTable(0.1, 0.001);
        cube->SetAngle(0.002, -0.001, 0.3);
        cube->SetVelocity(0.002, 0.001, -0.003);
        cube->SetAngularVelocity(0.01, -0.02, 0.03);
        cube->AddCrash(table, -1, 0.5, 0.4, 0.01, 20000, 50);  // absolute: no weight to scale by
        cube->ControlPass();
        ASSERT_EQ(Contacts(cube), 4);

        Wrench want;
        std::vector<Vec3> reactions;
        for (const _CRASHINFO& c : cube->crashPoints) {
            if (!c.contactBody) continue;
            ASSERT_EQ(c.sliding, 0);
            const Vec3 r = cube->ToWorldVector(0, c.localPoint), p = cube->Position(0) + r;
            const Vec3 a = table->ToWorldVector(0, c.anchor) + table->Position(0),
                       rB = a - table->Position(0);
            const Vec3 vp = cube->Velocity(0) + Cross(cube->Omega(0), r);
            const Vec3 va = tableMoves ? table->Velocity(0) + Cross(table->Omega(0), rB) : Vec3{};
            const Vec3 F = c.contactStiffness * (a - p) + c.contactDamping * (va - vp);
            want.AddAt(F, r);
            reactions.insert(reactions.end(), {-F, Cross(rB, -F)});
        }
        cube->ClearStageForces(0);
        cube->ComputeStageForces(0);
        ASSERT_NE(want.force, Vec3{});
        EXPECT_EQ(cube->StageWrench().force, want.force);
        EXPECT_EQ(cube->StageWrench().torque, want.torque);
        std::vector<Vec3> held;
        for (const _CRASHINFO& c : cube->crashPoints)
            if (c.contactBody) held.insert(held.end(), {c.reactionForce, c.reactionTorque});
        if (tableMoves) {
            EXPECT_EQ(held, reactions);
        }
        scene.Remove(cube);
    }
}

TEST_F(ContactTest, BothBodiesFixedKeepTheContactWithoutForce) {
    scene.settings.CurTime = 1;
    CObjBox* cube = CubeOnTable(0.1, 0.001);
    cube->RHO = -1;
    cube->AddCrash(table);
    cube->ControlPass();
    ASSERT_EQ(Contacts(cube), 4);
    cube->ClearStageForces(0), table->ClearStageForces(0);
    cube->ComputeStageForces(0);
    scene.LinkContactSources();
    table->GatherContactReactions();
    EXPECT_EQ(table->StageWrench().force.z, 0);
    for (const _CRASHINFO& c : cube->crashPoints) EXPECT_EQ(c.reactionForce.z, 0);
}

// A box on the table settles where its four bottom corners carry its weight,
// depth = m g / (4 Kc) = 0.01 sizeRef / 4, and then does not move for 10 s.
TEST_F(ContactTest, BoxRestingOnAFixedBoxSettlesAtItsContactDepthAndStaysStill) {
    const double w = 0.2;
    CObjBox* cube = CubeOnTable(w, 0);
    cube->AddCrash(table);
    CScheduler scheduler(scene);
    for (int f = 0; f < 60; ++f) scheduler.RunSimulationFrame();
    const double expectedDepth = 0.01 * w / 4;
    const double restZ = 0.5 + w / 2 - expectedDepth;
    EXPECT_NEAR(cube->Position(0).z, restZ, 0.01 * expectedDepth);
    const Vec3 settled = cube->GetPosition();
    const Vec3 settledAngle = cube->GetAngle();
    double maxSpeed = 0;
    for (int f = 0; f < 600; ++f) {
        scheduler.RunSimulationFrame();
        maxSpeed = std::max(maxSpeed, Length(cube->GetVelocity()));
    }
    EXPECT_EQ(Contacts(cube), 4);
    EXPECT_LT(Length(cube->GetPosition() - settled), 1e-9);  // no creep
    EXPECT_LT(Length(cube->GetAngle() - settledAngle), 1e-9);
    EXPECT_LT(maxSpeed, 1e-7);  // no jitter
}

// Pushed until it slides at v, then let go: it stops after v^2 / (2 mu_d g).
TEST_F(ContactTest, SlidingBoxStopsAfterTheDistanceDynamicFrictionGives) {
    const double muDynamic = 0.4;
    CObjBox* cube = CubeOnTable(0.1, 0, -0.3);
    cube->AddCrash(table, -1, 0.5, muDynamic, 0.01);
    const int push = 'D';
    cube->AddMoveByKey(push, {cube->mass * kG, 0, 0});  // 1 g: beats static friction 0.5
    CScheduler scheduler(scene);
    for (int f = 0; f < 30; ++f) scheduler.RunSimulationFrame();  // settle
    keys.SetDown(push, true);
    while (cube->Velocity(0).x < 1.0 && scene.settings.CurTime < 2) scheduler.RunSimulationFrame();
    keys.SetDown(push, false);
    const double v = cube->Velocity(0).x;
    const double x0 = cube->Position(0).x;
    ASSERT_GT(v, 1.0);
    for (int f = 0; f < 60 && cube->Velocity(0).x > 0; ++f) scheduler.RunSimulationFrame();
    const double expected = v * v / (2 * muDynamic * kG);
    EXPECT_NEAR(cube->Position(0).x - x0, expected, 0.03 * expected);
    EXPECT_LT(std::fabs(cube->Velocity(0).x), 0.01);
    for (int f = 0; f < 30; ++f) scheduler.RunSimulationFrame();
    EXPECT_NEAR(cube->Position(0).x - x0, expected, 0.03 * expected);  // and it stays stopped
}

// A 1 m block launched at 4 m/s along a flat ground: its corners touch down already moving, so
// their contacts start out sliding. It must slide flat and decelerate at mu_d g; contacts that
// started out sticking stopped its bottom at once and made it tip over its front edge and hop.
TEST_F(ContactTest, BlockLaunchedAlongTheGroundSlidesFlatAtDynamicFriction) {
    const double muDynamic = 0.4;
    CScene local;
    auto* ground = local.Create<CObjGround>("ground");
    ground->MakeModel();  // flat, its surface the plane z = 0
    auto* block = local.Create<CObjBox>("block");
    block->MakeModel();  // 1 m cube
    block->AddCrash(ground);
    // The default spring lets the four bottom corners carry the weight 1 % / 4 of the size deep.
    const double restZ = 0.5 - 0.01 / 4;
    block->SetPosition(-5, 0, restZ);
    block->SetVelocity(4, 0, 0);
    CScheduler scheduler(local);

    // Least-squares slope of v(t) while it slides: t from 0.1 s until it is nearly stopped.
    double n = 0, st = 0, sv = 0, stt = 0, stv = 0, highest = -1;
    while (block->Velocity(0).x > 0.05 && local.settings.CurTime < 3) {
        scheduler.RunSimulationFrame();
        highest = std::max(highest, block->Position(0).z);
        const double t = local.settings.CurTime, v = block->Velocity(0).x;
        if (t < 0.1 || v < 0.3) continue;
        n += 1, st += t, sv += v, stt += t * t, stv += t * v;
    }
    ASSERT_GT(n, 30) << "stopped after " << block->Position(0).x + 5 << " m";
    const double deceleration = -(n * stv - st * sv) / (n * stt - st * st);
    EXPECT_NEAR(deceleration, muDynamic * kG, 0.04 * muDynamic * kG);
    EXPECT_LT(highest - restZ, 0.002);
}

// ---- Collision dialog ---------------------------------------------------------------------------

TEST(ContactDialogMapping, SlidersValuesAndStoredSettings) {
    struct Case {
        ContactField field;
        int slider;
        double value;
    };
    const Case toValue[] = {
        {ContactField::StaticLimitSpeed, 0, 0.001},
        {ContactField::StaticLimitSpeed, 100, 1},
        {ContactField::StaticFriction, 50, 0.5},
        {ContactField::DynamicFriction, 40, 0.4},
        {ContactField::Spring, 0, 0.1},
        {ContactField::Spring, 50, 1},
        {ContactField::Damping, 100, 10},
    };
    for (const Case& c : toValue) EXPECT_NEAR(ContactSliderToValue(c.field, c.slider), c.value, 1e-12);
    const Case toSlider[] = {
        {ContactField::Spring, 65, 2},                  // typed 2: twice the default stiffness
        {ContactField::StaticLimitSpeed, 100, 1000.1},  // a gear's limit speed stops at the end
        {ContactField::StaticLimitSpeed, 0, 0.0001},
        {ContactField::StaticLimitSpeed, 0, 0},  // log of zero stops at the end, no overflow
        {ContactField::Damping, 0, -3},
        {ContactField::StaticFriction, 100, 2.5},
        {ContactField::DynamicFriction, 39, 0.399},
    };
    for (const Case& c : toSlider) EXPECT_EQ(ContactValueToSlider(c.field, c.value), c.slider) << c.value;

    _INTRACT definition;
    ApplyContactValue(ContactField::Spring, 2, definition);
    ApplyContactValue(ContactField::Damping, 0.5, definition);
    ApplyContactValue(ContactField::StaticFriction, 0.7, definition);
    EXPECT_EQ(definition.springSetting, -2);
    EXPECT_EQ(definition.dampingSetting, -0.5);
    EXPECT_EQ(definition.staticFriction, 0.7);
    EXPECT_EQ(ContactDisplayedValue(ContactField::Spring, definition), 2);
    EXPECT_STREQ(ContactDisplayFormat(ContactField::StaticLimitSpeed), "%.4f");
    EXPECT_STREQ(ContactDisplayFormat(ContactField::Damping), "%.3f");
}

}  // namespace
}  // namespace korvan
