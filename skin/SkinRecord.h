#pragma once
// A skin on a body (AddSkin): a shared loaded model placed in the body's frame, with the groups
// shown, and the statement that writes it back into a scene file.
#include <memory>
#include <string>
#include <vector>

#include "base/Matrix.h"
#include "skin/Model.h"

namespace korvan {

struct MQOINFO {
    std::shared_ptr<CMQOfile> model;
    std::string file;  // the model file as resolved when the skin was added
    Vec3 pivot;        // the model point moved to the destination (model coordinates)
    Vec3 destination;  // where the pivot lands (body coordinates)
    double scale = 1;
    Vec3 axis;                          // rotation axis (model coordinates)
    double angle = 0;                   // degrees
    Mat4 placement = Mat4::Identity();  // model point p -> scale R (p - pivot) + destination
    int flags = 0;  // 1: the listed groups were hidden (not shown); 2: mirror copies named apart
    std::vector<char> materialVisible, groupVisible, regionVisible;
    std::vector<char> materialSelected, groupSelected, regionSelected;
    int hitMaterial = -1, hitGroup = -1, hitRegion = -1;
    std::vector<unsigned> displayLists;  // per material and drawing variant; 0 = not built
};

struct SkinPlacement {
    Vec3 pivot, destination;
    double scale = 1;
    Vec3 axis;
    double angle = 0;
};

// The skin of AddSkin: hideListed non-zero hides the groups named in groupNames and shows the
// rest, zero shows only them; copyNames non-zero names the groups of mirror copy n > 0 with
// "Copy<n>" after their name. Names are separated by blanks; quotes hold a name with blanks.
MQOINFO MakeSkin(std::shared_ptr<CMQOfile> model, const std::string& file, long hideListed,
                 const std::string& groupNames, long copyNames, const SkinPlacement& placement);

Mat4 SkinPlacementMatrix(const SkinPlacement& placement);

// The AddSkin statement of a scene file for the body variable `var`, with the model file as the
// scene names it. The group list is the shorter of the shown and the hidden groups.
std::string AddSkinStatement(const MQOINFO& skin, const std::string& var, const std::string& file);

// The loaded models of a scene: skins of the same file share one model, which lives as long as
// a skin refers to it.
class ModelList {
  public:
    // The model of `path`, loaded and post-processed on first use; null when it fails to load.
    std::shared_ptr<CMQOfile> FindOrLoad(const std::string& path);

  private:
    std::vector<std::weak_ptr<CMQOfile>> models_;
};

}  // namespace korvan
