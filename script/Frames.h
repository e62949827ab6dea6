#pragma once
// The floating frames a scene creates, as plain data: views (cameras), meters and music players.
// Their rectangles are fractions 0..1 of the main window's client area. Drawing, dragging and
// playing live in render/, ui/ and media/; the scene, its scripts and its files only need the data.
#include <string>
#include <vector>

#include "base/Matrix.h"
#include "base/Vec3.h"

namespace korvan {

class CObj;
class SceneLines;

class CWndBase {
  public:
    virtual ~CWndBase() = default;
    std::string typeName;     // "VIEW", "METER", "MUSIC"
    std::string varName;      // script variable name
    std::string displayName;  // title
    double left = 0, top = 0, right = 1, bottom = 1;

    // The kind's own lines of the attribute section of a scene file.
    virtual void WriteAttributeLines(SceneLines&) const {}

  protected:
    CWndBase(std::string type, std::string var, std::string name)
        : typeName(std::move(type)), varName(std::move(var)), displayName(std::move(name)) {}
};

// A camera: eye, target and up of a look-at camera.
struct Viewpoint {
    Vec3 eye;
    Vec3 target;
    Vec3 up;
};

// The explanation picture a view shows (file names already resolved against the scene folder).
struct ViewPicture {
    std::string file;
    std::string maskFile;
    int mode = 0;
    double values[4] = {};
};

// One view. The camera matrices are kept in their mathematical row/column sense; drawing hands
// them to OpenGL column by column.
class CWndView : public CWndBase {
  public:
    // A new view looks straight down: eye (0, 0, 1), target 0, up (0, 1, 0).
    CWndView(std::string var, std::string name);

    int mirror = 0;
    double projection = 0;  // 0 orthographic .. 1 perspective
    int fixZ = 1;           // a mounted view keeps world up
    int fixH = 0;           // a mounted view keeps a level line of sight
    int mouseLock = 0;
    Mat4 modelView;         // world -> eye
    Mat4 modelViewInverse;  // eye -> world: column 2 is the backward axis, column 3 the target
    Mat4 userPart;          // the camera the user and scripts set
    Mat4 basePart = Mat4::Identity();
    double lastMountCamera[9] = {};
    bool hasPicture = false;
    ViewPicture picture;

    // Builds the user camera: d = |E - T|, z = (E - T) / d, x = U x z, y = z x x; the eye-to-world
    // matrix has columns d x, d y, d z, T, so one eye-space unit is the eye-target distance.
    void SetViewpoint(const Viewpoint& camera);
    // From userPart^-1: eye = column 3 + column 2, target = column 3, up = column 1 normalised.
    Viewpoint GetViewpoint() const;

    void WriteAttributeLines(SceneLines& out) const override;
};

class CWndMeter : public CWndBase {
  public:
    CWndMeter(std::string var, std::string name) : CWndBase("METER", std::move(var), std::move(name)) {}
};

class CWndMusic : public CWndBase {
  public:
    CWndMusic(std::string var, std::string name) : CWndBase("MUSIC", std::move(var), std::move(name)) {}
    std::vector<std::string> files;  // play list, resolved paths

    void WriteAttributeLines(SceneLines& out) const override;
};

}  // namespace korvan
