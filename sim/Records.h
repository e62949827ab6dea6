#pragma once
// The plain records a body owns in its arrays. Every record is a value; the arrays own them and
// indices stay stable until a record is removed. Points and directions are in the owning body's
// coordinates unless the field says world.
#include <cstddef>
#include <string>

#include "base/Vec3.h"

namespace korvan {

class CObj;

inline constexpr double kFreeAnchor = 1e300;  // anchor coordinate of a crash point that touches nothing

struct _JOININFO;

// A record's link to its mirror for the force phase: copying a record never copies the link, so a
// copy cannot point into an array it does not belong to.
struct JoinLink {
    const _JOININFO* mirror = nullptr;
    JoinLink() = default;
    JoinLink(const JoinLink&) {}
    JoinLink& operator=(const JoinLink&) {
        mirror = nullptr;
        return *this;
    }
};

// One connection point of this body (see Connections for the law it obeys). What every stage reads
// and writes is the first 128 bytes, one aligned pair of cache lines; the rest is settings and
// state the control pass and the break test use. What the partner reads, the point and its
// velocity, is the first line alone: the partner may run on another core.
struct alignas(128) _JOININFO {
    Vec3 worldPoint;           // world, current stage
    Vec3 worldVelocity;        // world velocity of the point
    Vec3 worldOffset;          // world vector from the centre of mass to the point
    Vec3 localPoint;           // current point, moved by actuations
    double effStrength = 0;    // N/m
    double effFriction = 0;    // N s/m
    double rotResistance = 0;  // N m s
    // The mirror record while neither body corrects its point motion; null otherwise and outside
    // frames. Set by CObj::LinkJoins, cleared wherever an array that holds a mirror changes.
    JoinLink link;

    CObj* partner = nullptr;  // null when free or broken
    // 101 one-point; 201/202 two-point; 401..404 four-point.
    // kindCode % 100 is the 1-based position in the group, (kindCode % 10000) / 100 the group size.
    int kindCode = 101;
    int partnerIndex = -1;  // index of the matching record in partner->joins; -1 when broken
    Vec3 axisA{0, 0, 1};    // kept with the record, not used by the simulation
    Vec3 axisB{1, 0, 0};
    Vec3 originalPoint;       // the point as created; actuations displace localPoint from it
    Vec3 previousLocalPoint;  // localPoint at the start of the current control pass
    double effBreak = 0;      // N
    Vec3 lastForceLocal;      // spring force at the last break test, body axes
    // Settings: negative -x means x times the base value, zero or positive is absolute.
    double strengthSetting = -1;
    double frictionSetting = -1;
    double breakSetting = -1;
    double baseStrength = 0;
    double baseFriction = 0;
    double baseBreak = 0;
    int vertical = 0;   // two-point connections: 1 vertical, 0 horizontal
    int rampCount = 0;  // soft start: 0 inactive, 1..6000 while ramping

    int GroupSize() const { return (kindCode % 10000) / 100; }
    int GroupPosition() const { return kindCode % 100; }
};
static_assert(offsetof(_JOININFO, partner) == 128, "the stage data of a connection fills two cache lines");
static_assert(offsetof(_JOININFO, worldVelocity) + sizeof(Vec3) <= 64, "a partner reads one line");

// One crash point with its contact state. All contact fields are cleared when the contact ends.
// The control pass works on these records; the force phase reads the copy of an anchored point's
// law that its body makes after each control pass and writes only the reaction here.
struct _CRASHINFO {
    CObj* contactBody = nullptr;  // body the point touches; null = free
    int sliding = 0;              // 0 sticking, 1 sliding; survives the end of a contact
    Vec3 localPoint;
    Vec3 anchor{kFreeAnchor, kFreeAnchor, kFreeAnchor};  // in contactBody's coordinates
    Vec3 contactNormal;                                  // in contactBody's coordinates
    double contactStiffness = 0;                         // N/m
    double contactDamping = 0;                           // N s/m
    double dynamicFriction = 0;
    // Force and torque on a movable contactBody (world) of the latest stage: set by every force
    // phase, gathered by contactBody in the integration phase that follows.
    Vec3 reactionForce, reactionTorque;

    int contactType = 0;
    int contactKind = 0;  // 1 collision, 2 gear
    Vec3 slideVelocity;   // world
    double staticFriction = 0;
    double staticLimitSpeed = 0;  // m/s
};

inline constexpr int kInteractionCollision = 1;
inline constexpr int kInteractionGear = 2;

// One collision (AddCrash) or gear (AddGear) definition toward another body.
struct _INTRACT {
    CObj* other = nullptr;
    double staticLimitSpeed = 0.01;
    double staticFriction = 0.5;
    double dynamicFriction = 0.4;
    double springSetting = -1;   // relative contact stiffness
    double dampingSetting = -1;  // relative contact damping
    int type = -1;               // face selector passed to FindFace
    int kind = kInteractionCollision;
};

// Kinds 3 (ZOOM) and -1 (any other name) keep and clamp their displacement but move no point.
enum MoveKind { kMoveUnknown = -1, kMoveMove = 0, kMoveSlide = 1, kMoveRotate = 2, kMoveZoom = 3 };

// One actuation: drives this body's connection points whose partner is `other`.
struct _MOVEINFO {
    CObj* other = nullptr;
    double ffbSmoothing = 0;  // force-feedback smoothing 0..1
    int ctrlIndex = 0;
    int useAs = 0;      // controller value as 0 position, 1 velocity
    int mapping = 0;    // 0: -1..+1, 1: 0..+1, 2: +1..0
    int inputType = 0;  // 0 keys, 1 game controller
    int axis = 0;       // 0..5 = Px, Py, Pz, Ax, Ay, Az
    int keyPlus = 0;    // virtual-key codes
    int keyMinus = 0;
    int moveKind = kMoveMove;
    std::string moveKindName = "MOVE";
    double speed = 0;
    Vec3 center;
    Vec3 direction;  // used normalised
    double lowerLimit = 0;
    double upperLimit = 0;
    double displacement = 0;
    int passCounter = 0;
    double ffbValue = 0;
    double loadDependence = 0;
};

enum ForceKind { kForceRotate = 0, kForceTranslate = 1, kForceBrake = 2 };

// One external force by key or controller.
struct _FORCEINFO {
    int ctrlIndex = 0;
    int forceKind = kForceTranslate;
    int plusButton = -1;   // button that sets ctrlForceSign to +1; -1 none
    int minusButton = -1;  // button that sets ctrlForceSign to -1; -1 none
    int key = -1;          // virtual-key code; -1 with a controller
    int mapping = 0;
    int inputType = 0;  // 0 key, 1 game controller
    int axis = 0;
    double magnitude = 0;  // N or N m
    Vec3 direction;        // body coordinates; unit unless the script gave a zero vector
};

// One term of a prescribed motion: offset + amplitude * sin(angularFrequency * t + phase).
// The script's AddMoveForceX takes them as offset, amplitude, phase, angular frequency.
struct _SINFORCE {
    double offset = 0;
    double phase = 0;  // rad
    double amplitude = 0;
    double angularFrequency = 0;  // rad/s
};

// One recorded frame of stage 0.
struct REC {
    double position[3] = {};
    double velocity[3] = {};
    double angularVelocity[3] = {};
    double rot[9] = {};
};

// One face: four vertex indices; the fourth is -1 for a triangle.
struct CON {
    int v[4] = {-1, -1, -1, -1};
    bool IsTriangle() const { return v[3] < 0; }
    int Count() const { return IsTriangle() ? 3 : 4; }
};

// A camera mounted on a body (AddView): nine doubles.
struct _VIEWPOINT {
    double values[9] = {};
};

// A meter window bound to the body: shows |velocity| * scale (kind 0) or |angular velocity| * scale
// (kind 1).
struct MeterLink {
    int meter = -1;  // index in the scene's meter list
    int kind = 0;
    double scale = 1;
};

// A skin attached to a body; filled by the skin readers.
struct MQOINFO;

}  // namespace korvan
