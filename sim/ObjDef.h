#pragma once
// CObjDef: a differential gear, a cylinder (axis along the body y axis) whose connection points
// at its two ends turn about the axis by an internal angle phi in opposite senses: the +y end by
// -phi, the -y end by +phi. The connections' torques about the axis, an internal spring and a
// damper drive phi, integrated with the same Runge-Kutta stages as the rigid motion. Its mass
// model is two ring gears (radius widthR) and two pinions (radius widthW / 2) of thickness t.
#include <vector>

#include "sim/InternalCoordinate.h"
#include "sim/ObjCylinder.h"

namespace korvan {

class CObjDef : public CObjCylinder {
  public:
    int GearNUM = 12;         // teeth of the ring gear
    double GearDEPTH = 0.6;   // tooth height, in modules of the ring gear
    double GearSLOPE = 0.15;  // flank slope, as a share of the tooth pitch
    double GearWIDTH = -0.1;  // thickness: > 0 metres, <= 0 means -GearWIDTH * widthW

    double defSpring = 0;   // internal spring on phi (rad/s^2 per rad)
    double defDamping = 0;  // internal damping on dphi/dt (1/s)
    // phi per stage (rad; the committed angle stays in [-pi, pi]) with dphi/dt (rad/s); its
    // drive is the angular acceleration of phi.
    InternalCoordinate defAngle;
    double pinionInertia = 0;  // set by MakeModel

    // Tooth outlines for drawing, closed polygons in the body xz plane (y = 0).
    std::vector<Vec3> ringGearOutline;
    std::vector<Vec3> pinionOutline;

    // Script SetDefObj: spring, damping, starting angle and rate.
    void SetDefObj(double k = 0, double c = 0, double phi0 = 0, double rate0 = 0);

    double GearThickness() const { return GearWIDTH > 0 ? GearWIDTH : -GearWIDTH * widthW; }
    // -1 at the +y end, +1 at the -y end, 0 elsewhere: phi turns a point by -end sign * phi.
    int EndSign(const _JOININFO& join) const;

    // Turns the connection points at the ends for the angle of stage s.
    void UpdateDefGeometry(int s);

    void MakeModel() override;
    void ClearStageForces(int s) override;
    void ComputeStageForces(int s) override;
    void IntegrateStage(int s) override;
    void AdjustPointMotion(int joinIndex, int s, Vec3& worldVelocity) const override;
    void UpdateDerivedConstants() override;
    void WriteInternalStateLines(SceneLines& out) const override;
    // Its gear model sets the mass at every MakeModel, fixed or not.
    double MassPerDensity() const override { return 0; }
    // Recording keeps phi and dphi/dt beside the rigid state.
    void SetRecordLength(int frames) override;
    void StoreRecordedFrame(int frame) override;
    void RestoreRecordedFrame(int frame) override;

  protected:
    friend class CScene;
    CObjDef(CScene& scene, std::string name) : CObjCylinder(scene, "DEF", std::move(name)) {
        widthR = 0.6, widthW = 1.2, crashPointR = 20, crashPointW = 2;
        adjustsPointMotion_ = true;
        extendsIntegration_ = true;
    }

  private:
    void BuildMassModel();
    std::vector<Vec3> GearOutline(int teeth, double radius) const;
};

}  // namespace korvan
