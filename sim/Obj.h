#pragma once
// CObj: one simulated body.
//
// A body owns its motion state four times (stage 0 is the committed state, stages 1..3 the
// intermediate states of the fourth-order Runge-Kutta step), its mass properties, its
// computational shape (vertices, faces, normals, crash points) and the records that tie it to
// other bodies. The scheduler only calls the per-body operations below, in a fixed order, and
// every one of them writes only the body it is called on.
//
// Operations that are not simulation live elsewhere and dispatch on the body kind (typeName or
// dynamic_cast): drawing (DrawShape, DrawPass, DrawSkins, DrawMarkers, DrawEditGuides, materials,
// display lists) in render/, mouse handling and the context menu (OnMouseDown/Up/Move,
// ResizeByDrag, IsGrabFind, OnContextMenu) in ui/. The scene writer in script/ lays out the
// file; each kind writes its own lines of it (Write*Lines below). sim/ includes no Qt and no
// OpenGL.
#include <limits>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "base/Matrix.h"
#include "base/StoreIfChanged.h"
#include "base/Vec3.h"
#include "sim/ContactQuad.h"
#include "sim/MotionBlock.h"
#include "sim/Records.h"
#include "sim/SimSettings.h"

namespace korvan {

class CScene;
class SceneLines;

// Face geometry returned by GetFace, in body coordinates.
struct FaceFrame {
    Vec3 center;
    Vec3 normal;
    Vec3 axis1;
    Vec3 axis2;
};

// The force and torque sums of one body's force phase (world), kept in registers while its parts
// add to them and stored once.
struct Wrench {
    Vec3 force, torque;

    // A force at world offset r from the centre: F, and r x F about the centre.
    void AddAt(const Vec3& f, const Vec3& r) {
        force += f;
        torque += Cross(r, f);
    }
};

class CObj {
  public:
    CObj(const CObj&) = delete;
    CObj& operator=(const CObj&) = delete;
    virtual ~CObj();

    // ---- What every force and integration phase reads -------------------------------------
    // First and together, so that a visit reads few cache lines of the body: with a thousand
    // bodies one sweep does not fit the cache.
  private:
    // The body's lane of the scene's motion blocks; the scene moves it when bodies come and go.
    MotionLane motion_;
    const SimSettings* settings_;

  protected:
    // Kinds that add to IntegrateStage (an internal coordinate) say so, so that the scheduler
    // calls theirs instead of stepping them with their neighbours.
    bool extendsIntegration_ = false;
    // Kinds whose points move in ways the rigid state does not show (AdjustPointMotion) say so
    // here, so that the force phase asks only them.
    bool adjustsPointMotion_ = false;

  private:
    // contactSources is not empty, as of the last linking: the gather of a body that nothing
    // touches reads nothing more.
    bool hasContactSources_ = false;
    bool contactReactionsStale_ = true;
    bool standsStill_ = false;  // see StandsStill
    int activeContactCount_ = 0;

  public:
    // ---- Mass ------------------------------------------------------------------------------
    double RHO = 1000;  // kg/m^3; negative marks a completely fixed body
    double mass = 0;
    double inertiaX = 0, inertiaY = 0, inertiaZ = 0;  // principal moments about the body axes
    double keepDirectionGain = 0;
    int grabActive = 0;  // the mouse holds the body (written by the user interface between frames)

    // ---- Records ---------------------------------------------------------------------------
    std::vector<_JOININFO> joins;
    std::vector<_INTRACT> interactions;

    // ---- Per-control-pass sums, applied by every force phase until the next control pass --
    Vec3 extForce;     // world, N
    Vec3 extTorque;    // world, N m
    Vec3 brakeTorque;  // world, axis direction times brake magnitude

  private:
    // What the force phase needs of each crash point that touched something at the last control
    // pass, copied there in the order of the points, so that every stage reads one contiguous run
    // and no crash point record: 80 bytes each, and what only a sliding contact reads beside them
    // at the same index. Sized with the crash points, so only a new shape allocates.
    struct ActiveContact {
        Vec3 localPoint;
        Vec3 anchor;       // in body's coordinates
        double stiffness;  // N/m
        double damping;    // N s/m
        const CObj* body;  // the touched body
        int sliding;
        int point;  // index in crashPoints, where the reaction on a movable body is left
    };
    struct SlidingLaw {
        Vec3 normal;  // in the touched body's coordinates
        double dynamicFriction;
    };
    std::vector<ActiveContact> activeContacts_;
    // The same points four at a time, number by number (quad q holds points 4q..4q+3), for the
    // force phase's vector law.
    std::vector<ContactQuad> contactQuads_;
    std::vector<SlidingLaw> slidingLaws_;
    // The crash points of the contact sources that touch this body, sources in scene order and
    // each one's points in order. Made by the first gather after a control pass (the crash points
    // change only there) and read by every gather until the next.
    std::vector<const _CRASHINFO*> contactReactions_;

  public:
    std::vector<_CRASHINFO> crashPoints;
    // Bodies with a collision definition toward this one, in scene order: where the reactions
    // aimed at this body wait. Linked by CScene::LinkContactSources before every frame. The last
    // of what every phase reads: PrefetchPhaseData asks for the lines up to here.
    std::vector<CObj*> contactSources;

  private:
    // StillRot and StillPosition: read only by the bodies that touch this one.
    Mat3 stillRot_;
    Vec3 stillPosition_;

  public:
    // ---- Identity -------------------------------------------------------------------------
    std::string typeName;     // "BOX", "CYLINDER", "GROUND", "SPRING", "DEF"
    std::string displayName;  // the name the user gave; used in every calculation message
    std::string varName;      // script variable name, "Obj" + typeName + counter
    int id = 0;               // position in the scene's body list (kept when bodies are removed)

    // ---- Appearance -----------------------------------------------------------------------
    double colorR = 0.5, colorG = 0.5, colorB = 0.5;
    double opacity = 1;
    double ShadeThrow = -1, ShadeReceive = -1;

    // ---- Computational shape (body coordinates, metres) -----------------------------------
    std::vector<double> vertexX, vertexY, vertexZ;
    std::vector<CON> faces;
    std::vector<double> faceNormalX, faceNormalY, faceNormalZ;
    double bounds[6] = {1e20, -1e20, 1e20, -1e20, 1e20, -1e20};  // minX maxX minY maxY minZ maxZ
    double sizeMin = 0;  // limits how deep a crash point may sink into this body
    double sizeRef = 0;  // reference size for default contact stiffness
    double sizeMax = 0;

    // ---- Control pass state ----------------------------------------------------------------
    double ctrlForceSign = 1.0;
    int lastPlusButtonState = 0;
    int lastMinusButtonState = 0;

    // ---- Mouse grab (written by the user interface between frames) ------------------------
    Vec3 grabLocalPoint;  // body coordinates
    Vec3 grabTarget;      // world

    // ---- User-interface fields ------------------------------------------------------------
    int visible = 1;
    int selected = 0;
    int pickedPart = -1;
    int pickedJoint = -1;

    // ---- Sound settings -------------------------------------------------------------------
    int crashSoundMode = 0;
    int slipSoundMode = 0;
    int speedSoundMode = 0;
    double speedSoundParam1 = 0, speedSoundParam2 = 0;

    // ---- Scheduler -------------------------------------------------------------------------
    double calcCost = 0;  // s, last measured share of its motion block's ComputeStageForces
    double stepCost = 0;  // s, last measured share of its motion block's integration stage
    // Set by the scheduler before each frame (main thread): the thread that runs the body.
    int calcThread = 0;

  public:
    std::vector<_MOVEINFO> moves;
    std::vector<_FORCEINFO> forces;
    std::vector<_SINFORCE> moveForcesX, moveForcesY, moveForcesZ;
    std::vector<REC> records;
    std::vector<_VIEWPOINT> viewpoints;  // camera mounts: eye, target, up in body coordinates
    std::vector<int> mountedViews;       // view index of each entry of viewpoints
    std::vector<MeterLink> meterLinks;
    std::vector<std::shared_ptr<MQOINFO>> skins;

    CScene& scene() const { return *scene_; }
    const SimSettings& settings() const { return *settings_; }
    bool IsFixed() const { return RHO < 0; }
    // Forces move the body only when it is not fixed and has all three principal moments.
    bool IsMovable() const { return RHO >= 0 && inertiaX != 0 && inertiaY != 0 && inertiaZ != 0; }

    // ---- Virtual operations ----------------------------------------------------------------
    virtual void SetLastSettingWidth();
    virtual int IsVerticalToSurface(const Vec3& bodyPoint, const Vec3& direction) const;
    virtual bool GetFace(int face, FaceFrame& out) const;
    virtual void SetRecordLength(int frames);
    virtual void RestoreRecordedFrame(int frame);
    virtual void StoreRecordedFrame(int frame);
    virtual void UpdateDerivedConstants();
    virtual int FindFace(int type, const Vec3& worldPoint, double margin) const;
    // The faces a body answers for, and the plane of one (its first vertex and unit normal, body
    // coordinates); a kind may derive them instead of keeping the shape arrays.
    virtual int FaceCount() const { return static_cast<int>(faces.size()); }
    virtual void FacePlane(int face, Vec3& firstVertex, Vec3& normal) const;
    // A cheap answer for the contact search: true only when every world point within radius of
    // centre lies so far above every face plane that no depth below one could come out positive.
    // False when unsure.
    virtual bool LiesClearAbove(const Vec3& /*centre*/, double /*radius*/) const { return false; }
    virtual void BeginControlPass();
    virtual void ControlPass();
    virtual void UpdateMountedViews();
    virtual void ClearStageForces(int s);
    virtual void ComputeStageForces(int s);
    // One body's stage step; a kind that extends it sets extendsIntegration_.
    virtual void IntegrateStage(int s);
    // Corrects the velocity of connection record `joinIndex` (or of a contact or grab point when
    // it is -1) for motion the rigid-body state does not show, e.g. a spring's extension.
    virtual void AdjustPointMotion(int joinIndex, int s, Vec3& worldVelocity) const;
    virtual void MakeModel();

    // ---- Scene file lines: what only this kind writes ------------------------------------
    // The size section: dimensions and crash-point counts.
    virtual void WriteSizeLines(SceneLines&) const {}
    // The end of the attribute section (a ground's images).
    virtual void WriteAttributeLines(SceneLines&) const {}
    // After the body's connections: an internal spring and damper with its state.
    virtual void WriteInternalStateLines(SceneLines&) const {}
    // The mass MakeModel gives at density 1 with the present sizes; 0 for a kind whose mass the
    // density alone does not set (a file cannot restore a kept mass through it).
    virtual double MassPerDensity() const { return 0; }

    // ---- Integration (stage work of the committed and intermediate states) ---------------
    // Before the sub-steps of a frame (main thread): the lane's inverse mass and moments, and
    // whether the body takes the rigid step shared by its block this frame.
    void PrepareIntegration();
    // A fixed body at rest that nothing moves during a frame (no actuation, no prescribed motion,
    // no step or point motion of its own kind): its stages would write back the numbers they read,
    // so it skips them, and bodies on other threads may read it at any time. Decided at
    // PrepareIntegration, for the frame only: FinishIntegration ends it.
    bool StandsStill() const { return standsStill_; }
    void FinishIntegration() { StoreIfChanged(standsStill_, false); }
    // Its rot and position while it stands still, kept apart from its motion block, which the
    // neighbours' integration writes while the bodies that touch it read it.
    const Mat3& StillRot() const { return stillRot_; }
    const Vec3& StillPosition() const { return stillPosition_; }
    // Stage s of the four bodies of one motion block, lanes in order. When all of them took the
    // shared rigid step at PrepareIntegration, one vector operation serves several of them with
    // the numbers IntegrateStage would give each; otherwise each body takes its own.
    static void IntegrateBlock(CObj* const (&bodies)[kMotionLanes], int s);
    bool UpdateStageMatrices(int s);
    void UpdateJoinPoints(int s);
    // Asks the memory system ahead of a visit for the lines of this body that every force and
    // integration phase reads, for the stage part of its connection records (both phases) and for
    // its anchored contacts (force phase): a sweep over a thousand bodies does not fit the cache,
    // and the loads of one visit depend on each other.
    void PrefetchPhaseData() const;
    void PrefetchJoinRecords() const;
    void PrefetchContactRecords() const;

    // ---- Connections -----------------------------------------------------------------------
    // Builders: each makes a group of records on this body and the mirror group on `other`,
    // points given in each body's own coordinates. Settings follow the usual rule (negative -x is
    // x times the base value); Join2 halves and Join4 quarters every setting so that a group is
    // as stiff as one Join1 pair. They return 0 (-1 when `other` is null).
    int Join1(CObj* other, const Vec3& p, const Vec3& q, double strength = -1, double friction = -1,
              double rotResistance = 0);
    int Join2(CObj* other, const Vec3& c, const Vec3& d, const Vec3& c2, const Vec3& d2, double strength = -1,
              double friction = -1, double rotResistance = 0);
    int Join2_Vert(CObj* other, const Vec3& c, const Vec3& d, const Vec3& c2, const Vec3& d2,
                   double strength = -1, double friction = -1, double rotResistance = 0);
    int Join2_Horz(CObj* other, const Vec3& c, const Vec3& d, const Vec3& c2, const Vec3& d2,
                   double strength = -1, double friction = -1, double rotResistance = 0);
    int Join4(CObj* other, const Vec3& c, const Vec3& a, const Vec3& b, const Vec3& c2, const Vec3& a2,
              const Vec3& b2, double strength = -1, double friction = -1, double rotResistance = 0);
    // Reduced mass of a connection from this body to `other`.
    double JoinReducedMass(const CObj& other) const;
    void UpdateJoinConstants();
    // Frame bracket of the scheduler: direct links from the records to their mirrors, valid while
    // no array of records changes (the sub-steps of one frame).
    void LinkJoins();
    void UnlinkJoins();
    void CheckJoinBreaks();
    // Frees record i's whole group here and its mirror group on the partner.
    void BreakJoinGroup(int i);
    // Removes the records joined to `partner`; the mirrors of the records that stay follow them
    // to their new indices.
    void EraseJoinsTo(const CObj* partner);

    // ---- Collisions ------------------------------------------------------------------------
    // This body's crash points may touch `other`. Both return 0.
    int AddCrash(CObj* other, int type = -1, double staticFriction = 0.5, double dynamicFriction = 0.4,
                 double staticLimitSpeed = 0.01, double springSetting = -1, double dampingSetting = -1);
    int AddGear(CObj* other, int type);
    // Integration phase, before IntegrateStage(s): adds the contact reactions of stage s that
    // the contact sources' crash points hold for this body, sources in scene order and each one's
    // points in order, so the sums come out the same on any thread. Reads other bodies' crash
    // points (written in the force phase, which has ended) and writes only this body.
    void GatherContactReactions();
    // After linking contactSources (main thread, no phase running): room for every crash point of
    // the sources, and when the list changed, the gather list is made anew at the next gather.
    void PrepareContactReactions(bool sourcesChanged);
    bool InteractsWith(const CObj* other) const;

    // ---- Actuations and external forces ----------------------------------------------------
    // Key-driven actuation of the connection points toward `other`; kind name "MOVE", "SLIDE",
    // "ROTATE", "ZOOM" or any other (the last two only keep their displacement).
    void SetMoveObj(CObj* other, const std::string& kindName, int keyPlus, int keyMinus, double speed,
                    double lower, double upper, const Vec3& center, const Vec3& direction,
                    double loadDependence, double current);
    void MoveJointByKey(CObj* other, int keyPlus, int keyMinus, double speed, double lower, double upper,
                        const Vec3& center, const Vec3& direction, double loadDependence, double current);
    void SlideJointByKey(CObj* other, int keyPlus, int keyMinus, double speed, double lower, double upper,
                         const Vec3& center, const Vec3& direction, double loadDependence, double current);
    void RotateJointByKey(CObj* other, int keyPlus, int keyMinus, double speed, double lower, double upper,
                          const Vec3& center, const Vec3& direction, double loadDependence, double current);
    // Controller-driven actuation; useAs 0 takes the axis as a position, 1 as a velocity.
    void SetMoveObjByGameCtrl(CObj* other, const std::string& kindName, int ctrlIndex, int axis, int mapping,
                              int useAs, double smoothing, double speed, double lower, double upper,
                              const Vec3& center, const Vec3& direction, double loadDependence,
                              double current);
    // External forces: kind 0 torque, 1 force, 2 brake; v in body coordinates (N or N m).
    void AddForceByKey(int forceKind, int key, const Vec3& v);
    void AddForceByGameCtrl(int forceKind, int ctrlIndex, const Vec3& v, int axis, int mapping,
                            int plusButton = -1, int minusButton = -1);
    void AddRotateByKey(int key, const Vec3& v) { AddForceByKey(kForceRotate, key, v); }
    void AddMoveByKey(int key, const Vec3& v) { AddForceByKey(kForceTranslate, key, v); }
    void AddBrakeByKey(int key, const Vec3& v) { AddForceByKey(kForceBrake, key, v); }
    // Prescribed motion of a fixed body on one axis: offset + amplitude sin(w t + phase).
    void AddMoveForceX(double offset, double amplitude, double phase, double angularFrequency);
    void AddMoveForceY(double offset, double amplitude, double phase, double angularFrequency);
    void AddMoveForceZ(double offset, double amplitude, double phase, double angularFrequency);
    void KeepOriginalDirectionWhileCreating(double gain) { keepDirectionGain = gain; }

    // ---- State setters and getters (stage 0; take effect at the next sub-step) ------------
    void SetPosition(double x, double y, double z);
    void SetVelocity(double x, double y, double z);
    void SetAngularVelocity(double x, double y, double z);
    void SetAngle(double x, double y, double z);
    Vec3 GetPosition() const { return Position(0); }
    Vec3 GetVelocity() const { return Velocity(0); }
    Vec3 GetAngularVelocity() const { return Omega(0); }
    Vec3 GetAngle() const;
    void GetMatrix(double out[9]) const;

    // ---- Motion state of stage s (0 = committed, 1..3 the intermediate Runge-Kutta stages) --
    // The scene keeps it in the body's lane of a motion block, beside its neighbours'.
    Vec3 Position(int s) const { return motion_.Get(motion_.State(s).pos); }
    Vec3 Velocity(int s) const { return motion_.Get(motion_.State(s).vel); }
    Vec3 Omega(int s) const { return motion_.Get(motion_.State(s).omega); }
    Mat3 Rot(int s) const { return motion_.Rot(s); }
    void SetRot(int s, const Mat3& rot) { motion_.SetRot(s, rot); }
    // The force phase's sums of the current stage (world): force and torque about the centre. The
    // stage's integration turns them into its increments and adds those to the step's sums, so
    // every stage uses the same place.
    Wrench StageWrench() const {
        const IncrementLanes& q = motion_.Increment();
        return {motion_.Get(q.force), motion_.Get(q.torque)};
    }
    void SetStageWrench(const Wrench& w) {
        IncrementLanes& q = motion_.Increment();
        motion_.Set(q.force, w.force), motion_.Set(q.torque, w.torque);
    }
    // Between body and world coordinates at stage s: vectors turn (world = rot^T body,
    // body = rot world), points also move by the centre.
    Vec3 ToWorldVector(int s, const Vec3& v) const { return TransposedTimes(Rot(s), v); }
    Vec3 ToWorldPoint(int s, const Vec3& p) const { return ToWorldVector(s, p) + Position(s); }
    Vec3 ToBodyVector(int s, const Vec3& v) const { return Rot(s) * v; }
    Vec3 ToBodyPoint(int s, const Vec3& p) const { return Rot(s) * (p - Position(s)); }
    // The committed body matrices as 4x4 row-major transforms, for drawing and the user interface.
    Mat4 LocalToWorld() const;
    Mat4 WorldToLocal() const;
    // Body axis i (0 x, 1 y, 2 z) as a world direction at stage s.
    Vec3 BodyAxis(int s, int i) const { return motion_.RotRow(s, i); }

    // Back to the constructed state of the motion, mass and appearance fields.
    void Reset();

  protected:
    // Construction runs the naming rule against the scene and resets the body; the kind then
    // sets its own defaults. The body joins the scene's list through CScene::Create.
    CObj(CScene& scene, std::string kind, std::string name);

    // Shape building shared by the kinds.
    void ClearShape();
    void FinishShape();  // bounds from the vertices, outward face normals
    int AddVertex(const Vec3& p);
    void AddFace(int a, int b, int c, int d = -1);
    void AddCrashPoint(const Vec3& p);
    Vec3 Vertex(int i) const { return {vertexX[i], vertexY[i], vertexZ[i]}; }
    Vec3 FaceNormal(int i) const { return {faceNormalX[i], faceNormalY[i], faceNormalZ[i]}; }
    bool FaceFrameOf(int face, FaceFrame& out) const;

    // Moves the body by a shift in body coordinates and the connection groups into their
    // proportional places for a size change from oldSize to newSize (per body axis).
    void ShiftForResize(const Vec3& shift, const Vec3& oldSize, const Vec3& newSize);

    // A kind that moves its crash points between control passes (a spring's end rows) hands the
    // new places to the force phase's copies of the touching points.
    void RefreshActiveContactPoints();

  private:
    CScene* scene_;
    // The largest distance of a crash point from the centre; negative until a control pass needs
    // it after the shape was built.
    double crashRadius_ = -1;
    friend class CScene;

    // What the lane's inverse mass and moments were made from: a stage that finds the mass
    // properties changed (scripts, MakeModel and resizing write them between frames, a spring in
    // every stage) makes them anew. NaN never compares equal, so the first stage makes them.
    struct MassInverseSource {
        static constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
        double mass = kNaN, inertiaX = kNaN, inertiaY = kNaN, inertiaZ = kNaN;
    };
    MassInverseSource inverseSource_;

    bool MassInversesStale() const;
    bool LaneAtRest() const;
    void RefreshMassInverses();
    bool TakesRigidStep() const;

    // Parts of the control pass and of the force phase, in the order they run.
    void ApplyPrescribedMotion();
    void UpdateActuations();
    double ActuationLoad(const _MOVEINFO& move) const;
    void SampleExternalForces();
    void RampJoins();
    void UpdateContacts();
    bool CrashPointsClearOfAll();
    void SearchContact(_CRASHINFO& c, const Vec3& p);
    void UpdateContact(_CRASHINFO& c, const Vec3& p);
    void ApplyGrabForce(int s, Wrench& sum) const;
    void ComputeJoinForces(int s, Wrench& sum) const;
    // The softening of the connections while the model is assembled (K and R times the scales).
    struct JoinScales {
        bool soft = false;
        double stiffness = 1, damping = 1;
    };
    // One record's force and torque, added to the sums.
    void AddJoinForce(const _JOININFO* record, int s, const JoinScales& scales, Vec3& force,
                      Vec3& torque) const;
    [[gnu::noinline, gnu::cold]] Vec3 AdjustedJoinVelocityDifference(int i, int s) const;
    void ComputeContactForces(int s, Wrench& sum) {
        if (activeContactCount_ > 0 && !interactions.empty()) AddAnchoredContactForces(s, sum);
    }
    // Out of line: a body without contacts then keeps the force phase's registers and stack
    // frame small.
    [[gnu::noinline]] void AddAnchoredContactForces(int s, Wrench& sum);
    void ApplyExternalForces(int s, Wrench& sum) const;
    Vec3 BrakeTorque(int s) const;
    // World velocity of a point of this body at world offset r from the centre, stage s.
    Vec3 PointVelocity(int s, const Vec3& r) const { return Velocity(s) + Cross(Omega(s), r); }
    void CollectActiveContacts();
    void CollectContactQuads();
    template <class Build>
    int MakeJoinGroup(CObj* other, int count, Build build);
    void ReportRunaway() const;
};

// The record j is paired with on its partner; null when j is free or its index lies outside the
// partner's records, so no index read from a record is used unchecked.
inline const _JOININFO* MirrorOf(const _JOININFO& j) {
    if (!j.partner || j.partnerIndex < 0 ||
        static_cast<std::size_t>(j.partnerIndex) >= j.partner->joins.size())
        return nullptr;
    return &j.partner->joins[static_cast<std::size_t>(j.partnerIndex)];
}
inline _JOININFO* MirrorOf(_JOININFO& j) {
    return const_cast<_JOININFO*>(MirrorOf(std::as_const(j)));
}

}  // namespace korvan
