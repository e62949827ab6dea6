#pragma once
// CObjSpring: a cylinder whose two ends move apart along its axis (the body y axis) by an
// extension e. Connection points scale their y with (h + e) / h and the end rows of crash points
// follow the ends (h = widthW / 2). The connections' pull along the axis, an internal spring and
// a damper drive e, integrated with the same Runge-Kutta stages as the rigid motion.
#include "sim/InternalCoordinate.h"
#include "sim/ObjCylinder.h"

namespace korvan {

class CObjSpring : public CObjCylinder {
  public:
    double springConstant = 10000;  // N/m
    double springDamping = 100;     // N s/m
    // e per stage: each end has moved out by e (m), with de/dt (m/s); its drive is the
    // generalised force on e.
    InternalCoordinate extension;

    // Script SetSpringObj: k, c and the starting extension and rate.
    void SetSpringObj(double k, double c, double e0 = 0, double rate0 = 0);

    // Places the connection points and the end rows of crash points for the extension of stage s.
    void UpdateSpringGeometry(int s);
    // Mass and principal moments for the extension of stage s.
    void UpdateStageMass(int s);

    void MakeModel() override;
    int FindFace(int type, const Vec3& worldPoint, double margin) const override;
    void ClearStageForces(int s) override;
    void ComputeStageForces(int s) override;
    void IntegrateStage(int s) override;
    void AdjustPointMotion(int joinIndex, int s, Vec3& worldVelocity) const override;
    void UpdateDerivedConstants() override;
    void WriteInternalStateLines(SceneLines& out) const override;
    // Recording keeps e and de/dt beside the rigid state.
    void SetRecordLength(int frames) override;
    void StoreRecordedFrame(int frame) override;
    void RestoreRecordedFrame(int frame) override;

  protected:
    friend class CScene;
    CObjSpring(CScene& scene, std::string name) : CObjCylinder(scene, "SPRING", std::move(name)) {
        adjustsPointMotion_ = true;
        extendsIntegration_ = true;
    }

  private:
    double HalfLength() const { return widthW / 2; }
};

}  // namespace korvan
