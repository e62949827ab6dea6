#pragma once
// ChainBox: a test body whose forces really depend on its neighbour, for the scheduler tests.
//
// Each box is tied to the next one in the list by a spring-damper between two off-centre points,
//     F = k (b - a) + c (v_b - v_a)      (on this box at a; -F on the next box at b),
// computed from both boxes' state of the stage. The pull on the next box travels the way contact
// reactions do: it is stored in this box's first crash point and the next box gathers it. With no
// other force the total momentum stays what it was.
// Every call the scheduler makes is counted.
#include <string>
#include <thread>

#include "sim/ObjBox.h"
#include "sim/Scene.h"

namespace korvan::testing {

class ChainBox : public CObjBox {
  public:
    static constexpr double kStiffness = 4000;             // N/m
    static constexpr double kDamping = 3;                  // N s/m
    static inline const Vec3 kOwnPoint{0.5, 0.2, 0.1};     // body coordinates
    static inline const Vec3 kNextPoint{-0.5, -0.1, 0.2};  // in the next box's coordinates

    int beginControlCalls = 0, controlCalls = 0, commits = 0, derivedConstantCalls = 0;
    int forceCalls = 0;
    bool forcesOnWorker = false;  // some ComputeStageForces ran off the main thread
    std::thread::id mainThread = std::this_thread::get_id();

    void LinkTo(CObj* next) {
        _INTRACT link;
        link.other = next;
        interactions.push_back(link);
        crashPoints.at(0).contactBody = next;
    }
    CObj* Next() const { return crashPoints.empty() ? nullptr : crashPoints[0].contactBody; }

    void BeginControlPass() override { ++beginControlCalls; }
    void ControlPass() override { ++controlCalls; }
    void UpdateDerivedConstants() override {
        ++derivedConstantCalls;
        CObjBox::UpdateDerivedConstants();
    }
    void IntegrateStage(int s) override {
        CObjBox::IntegrateStage(s);
        if (s == 3) ++commits;
    }

    void ComputeStageForces(int s) override {
        ++forceCalls;
        if (std::this_thread::get_id() != mainThread) forcesOnWorker = true;
        CObj* next = Next();
        if (!next) return;
        const Vec3 offsetA = ToWorldVector(s, kOwnPoint);
        const Vec3 offsetB = next->ToWorldVector(s, kNextPoint);
        const Vec3 a = Position(s) + offsetA, b = next->Position(s) + offsetB;
        const Vec3 va = Velocity(s) + Cross(Omega(s), offsetA);
        const Vec3 vb = next->Velocity(s) + Cross(next->Omega(s), offsetB);
        // F = k (b - a) + c (v_b - v_a)
        const Vec3 f = kStiffness * (b - a) + kDamping * (vb - va);
        const Vec3 tau = Cross(offsetA, f);
        Wrench sum = StageWrench();
        sum.force += f, sum.torque += tau;
        SetStageWrench(sum);
        const Vec3 tauNext = Cross(offsetB, -f);
        _CRASHINFO& c = crashPoints[0];
        c.reactionForce = -f;
        c.reactionTorque = tauNext;
    }

  protected:
    friend class korvan::CScene;
    ChainBox(CScene& scene, std::string name) : CObjBox(scene, "BOX", std::move(name)) {
        extendsIntegration_ = true;  // counts its commits in IntegrateStage
    }
};

// A chain of n boxes along x, each tied to the next, with a little spin and drift so that every
// box moves and turns.
inline void BuildChain(CScene& scene, int n) {
    ChainBox* previous = nullptr;
    for (int i = 0; i < n; ++i) {
        auto* box = scene.Create<ChainBox>("chain" + std::to_string(i));
        box->MakeModel();
        box->SetPosition(1.3 * i, 0.05 * (i % 3), -0.04 * (i % 2));
        box->SetVelocity(0.1 * ((i * 7) % 5 - 2), 0.2 * ((i * 3) % 4 - 1.5), 0.05 * (i % 3));
        box->SetAngularVelocity(0.3 * (i % 2), -0.2 * (i % 3), 0.1);
        if (previous) previous->LinkTo(box);
        previous = box;
    }
}

inline ChainBox* Chain(const CScene& scene, int i) {
    return static_cast<ChainBox*>(scene.Body(i));
}

}  // namespace korvan::testing
