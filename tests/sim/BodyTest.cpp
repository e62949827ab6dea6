#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <numbers>
#include <vector>

#include "sim/ObjBox.h"
#include "sim/ObjCylinder.h"
#include "sim/ObjDef.h"
#include "sim/Scene.h"

namespace korvan {
namespace {

constexpr double kPi = std::numbers::pi;

TEST(BodyNames, CounterNamesBodiesAndRestartsOnlyWhenTheSceneIsLoaded) {
    CScene scene;
    EXPECT_EQ(scene.Create<CObjBox>("a")->varName, "ObjBOX1");
    EXPECT_EQ(scene.Create<CObjBox>("b")->varName, "ObjBOX2");
    EXPECT_EQ(scene.Create<CObjCylinder>("c")->varName, "ObjCYLINDER3");
    // Loading resets the counter to 0; the next body then collides with the existing ObjBOX1.
    scene.nameCounter = 0;
    EXPECT_EQ(scene.Create<CObjBox>("d")->varName, "ObjBOX1_2");
}

TEST(BodyNames, CollidingNameGrowsASecondSuffixWhenTheFirstIsTakenToo) {
    CScene scene;
    scene.Create<CObjBox>("a");  // ObjBOX1
    scene.nameCounter = 0;
    scene.Create<CObjBox>("b");  // ObjBOX1_2
    scene.nameCounter = 0;
    auto* c = scene.Create<CObjBox>("c");
    EXPECT_EQ(c->varName, "ObjBOX1_2_2");
    EXPECT_EQ(c->displayName, "c");
    EXPECT_EQ(c->id, 2);
}

TEST(BodyReset, NewBodyStartsAtRestInTheIdentityOrientation) {
    CScene scene;
    auto* b = scene.Create<CObjBox>("a");
    EXPECT_EQ(b->RHO, 1000);
    EXPECT_EQ(b->opacity, 1);
    EXPECT_EQ(b->ctrlForceSign, 1);
    EXPECT_EQ(b->bounds[0], 1e20);
    EXPECT_EQ(b->bounds[1], -1e20);
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) {
            EXPECT_EQ(b->LocalToWorld().m[i][j], i == j ? 1 : 0);
            EXPECT_EQ(b->WorldToLocal().m[i][j], i == j ? 1 : 0);
        }
}

TEST(BodyState, SetPositionRebuildsBothBodyMatrices) {
    CScene scene;
    auto* b = scene.Create<CObjBox>("a");
    b->SetAngle(0, 0, kPi / 2);
    b->SetPosition(1, 2, 3);
    Vec3 world = TransformPoint(b->LocalToWorld(), {1, 0, 0});
    EXPECT_EQ(world, b->ToWorldPoint(0, {1, 0, 0}));
    EXPECT_NEAR(world.x, 1, 1e-15);
    EXPECT_NEAR(world.y, 3, 1e-15);
    Vec3 back = TransformPoint(b->WorldToLocal(), world);
    EXPECT_NEAR(Length(back - b->ToBodyPoint(0, world)), 0, 1e-15);
    EXPECT_NEAR(back.x, 1, 1e-15);
    EXPECT_NEAR(back.y, 0, 1e-15);
}

TEST(BodyState, SetAngleZeroIsIdentityAndIdentityReadsBackAsZero) {
    CScene scene;
    auto* b = scene.Create<CObjBox>("a");
    b->SetAngle(0, 0, 0);
    double m[9];
    b->GetMatrix(m);
    for (int i = 0; i < 9; ++i) EXPECT_EQ(m[i], i % 4 == 0 ? 1 : 0);
    EXPECT_EQ(b->GetAngle(), (Vec3{}));
}

TEST(BodyState, SetAngleTurnsTheBodyAxesTheRightWay) {
    CScene scene;
    auto* b = scene.Create<CObjBox>("a");
    b->SetAngle(0, 0, kPi / 2);  // a quarter turn about world z: body x points along world y
    EXPECT_NEAR(b->Rot(0).m[0][1], 1, 1e-15);
    EXPECT_NEAR(b->Rot(0).m[1][0], -1, 1e-15);
}

TEST(BodyState, AngleRoundTripsIncludingTurnsNearHalfARevolution) {
    const Vec3 cases[] = {
        {0.1, 0, 0},        {0, -0.7, 0},          {0.3, -0.2, 0.9}, {1, 1, 1},    {0, 0, kPi - 1e-3},
        {kPi - 1e-6, 0, 0}, {0, -(kPi - 1e-7), 0}, {1.8, -1.2, 1.9}, {1e-9, 0, 0},
    };
    CScene scene;
    auto* b = scene.Create<CObjBox>("a");
    for (const Vec3& v : cases) {
        b->SetAngle(v.x, v.y, v.z);
        Vec3 got = b->GetAngle();
        for (int k = 0; k < 3; ++k) EXPECT_NEAR(got[k], v[k], 1e-6) << v.x << " " << v.y << " " << v.z;
    }
}

TEST(BodyState, HalfTurnReadsBackAsTheSameTurn) {
    // At exactly pi the axis sign is free: either vector must rebuild the same matrix.
    CScene scene;
    auto* b = scene.Create<CObjBox>("a");
    Vec3 axis = Normalized({1, 2, -2});
    b->SetAngle(axis.x * kPi, axis.y * kPi, axis.z * kPi);
    Mat3 before = b->Rot(0);
    Vec3 got = b->GetAngle();
    EXPECT_NEAR(Length(got), kPi, 1e-9);
    b->SetAngle(got.x, got.y, got.z);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) EXPECT_NEAR(b->Rot(0).m[i][j], before.m[i][j], 1e-9);
}

TEST(SceneList, RemovingABodyDetachesTheRecordsThatPointedAtIt) {
    CScene scene;
    auto* a = scene.Create<CObjBox>("a");
    auto* b = scene.Create<CObjBox>("b");
    _JOININFO j;
    j.partner = b;
    j.partnerIndex = 0;
    a->joins.push_back(j);
    a->interactions.push_back(_INTRACT{b});
    scene.Remove(b);
    EXPECT_EQ(scene.Count(), 1);
    EXPECT_EQ(a->joins[0].partner, nullptr);
    EXPECT_EQ(a->joins[0].partnerIndex, -1);
    EXPECT_TRUE(a->interactions.empty());
}

// The scene keeps the bodies' motion side by side in blocks of four; bodies that come and go
// (more than one block's worth, so the blocks grow and move) never take another body's motion.
TEST(SceneList, EveryBodyKeepsItsOwnMotionWhenBodiesComeAndGo) {
    CScene scene;
    std::vector<CObj*> bodies;
    auto place = [](CObj* b, int i) {
        b->SetPosition(i, 2 * i, 3 * i);
        b->SetVelocity(-i, 0.5 * i, 1);
        b->SetAngularVelocity(0, 0, 0.1 * i);
        b->SetAngle(0, 0, 0.01 * i);
    };
    for (int i = 0; i < 11; ++i) {
        bodies.push_back(scene.Create<CObjBox>("b"));
        place(bodies.back(), i);
    }
    scene.Remove(bodies[2]);
    scene.Remove(bodies[7]);
    for (int i : {0, 1, 3, 4, 5, 6, 8, 9, 10}) {
        CScene reference;
        CObj* want = reference.Create<CObjBox>("r");
        place(want, i);
        EXPECT_EQ(bodies[i]->GetPosition(), want->GetPosition()) << i;
        EXPECT_EQ(bodies[i]->GetVelocity(), want->GetVelocity()) << i;
        EXPECT_EQ(bodies[i]->GetAngularVelocity(), want->GetAngularVelocity()) << i;
        for (int r = 0; r < 3; ++r) EXPECT_EQ(bodies[i]->BodyAxis(0, r), want->BodyAxis(0, r)) << i;
    }
    // A new body takes the lane freed at the end and starts at rest, unturned.
    CObj* added = scene.Create<CObjBox>("added");
    EXPECT_EQ(added->GetPosition(), Vec3{});
    EXPECT_EQ(added->GetVelocity(), Vec3{});
    EXPECT_EQ(added->GetAngularVelocity(), Vec3{});
    EXPECT_EQ(added->BodyAxis(0, 0), (Vec3{1, 0, 0}));
    EXPECT_EQ(bodies[10]->GetPosition(), (Vec3{10, 20, 30}));
}

// Linking is done before every frame and rewrites only what changed: after any edit of the
// collision definitions each body lists exactly the bodies that define one toward it, once each,
// in scene order.
TEST(SceneList, ContactSourcesFollowEveryEditOfTheDefinitions) {
    CScene scene;
    std::vector<CObj*> b;
    for (int i = 0; i < 5; ++i) b.push_back(scene.Create<CObjBox>("b"));
    auto expectSources = [&](const char* step) {
        scene.LinkContactSources();
        for (CObj* target : b) {
            std::vector<CObj*> want;
            for (int i = 0; i < scene.Count(); ++i)
                if (scene.Body(i)->InteractsWith(target)) want.push_back(scene.Body(i));
            EXPECT_EQ(target->contactSources, want) << step << ", body " << target->id;
        }
    };
    const struct {
        const char* step;
        std::function<void()> edit;
    } steps[] = {
        {"first definitions", [&] { b[3]->AddCrash(b[1]), b[0]->AddCrash(b[1]), b[1]->AddCrash(b[0]); }},
        {"nothing changed", [] {}},
        {"a second definition toward the same body", [&] { b[3]->AddCrash(b[1], 0); }},
        {"an earlier source", [&] { b[2]->AddCrash(b[1]); }},
        {"a source dropped", [&] { b[0]->interactions.clear(); }},
        {"a definition turned to another body", [&] { b[2]->interactions[0].other = b[4]; }},
        {"a definition toward nothing", [&] { b[3]->interactions[1].other = nullptr; }},
        {"the last source dropped", [&] { b[3]->interactions.clear(); }},
        {"a body removed", [&] { scene.Remove(b[2]), b.erase(b.begin() + 2); }},
        {"ids out of step", [&] { b[0]->id = 7, b[1]->id = -1; }},
        {"a body added", [&] { b.push_back(scene.Create<CObjBox>("e")), b[0]->AddCrash(b.back()); }},
    };
    for (const auto& step : steps) {
        step.edit();
        expectSources(step.step);
    }
}

}  // namespace
}  // namespace korvan
