#pragma once
// Test helpers: bodies with a prescribed force, and one sub-step run the way the scheduler runs it.
#include <string>

#include "sim/ObjBox.h"
#include "sim/Scene.h"

namespace korvan::testing {

// A box pushed by a constant world force and torque in every stage.
class PushedBox : public CObjBox {
  public:
    Vec3 force;
    Vec3 torque;

    void ComputeStageForces(int /*s*/) override {
        Wrench sum = StageWrench();
        sum.force += force, sum.torque += torque;
        SetStageWrench(sum);
    }

  protected:
    friend class korvan::CScene;
    PushedBox(CScene& scene, std::string name) : CObjBox(scene, std::move(name)) {}
};

// The four Runge-Kutta stages of one sub-step over every body of the scene.
inline void RunOneSubStep(CScene& scene) {
    scene.LinkContactSources();
    for (int s = 0; s < 4; ++s) {
        for (int i = 0; i < scene.Count(); ++i) {
            scene.Body(i)->ClearStageForces(s);
            scene.Body(i)->ComputeStageForces(s);
        }
        for (int i = 0; i < scene.Count(); ++i) {
            scene.Body(i)->GatherContactReactions();
            scene.Body(i)->IntegrateStage(s);
            scene.Body(i)->UpdateJoinPoints((s + 1) % 4);
        }
    }
}

}  // namespace korvan::testing
