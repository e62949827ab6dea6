#pragma once
// What drawing, picking and the skin dialogs need from a model, derived once after it is read:
// normals, nodes, neighbourhoods, regions, the voxel grid and the drawing order.
#include <span>
#include <vector>

#include "skin/Model.h"

namespace korvan {

// Runs every step in order, reporting progress to the host. False (with a message) only for a
// model too large to index.
bool PostProcessModel(CMQOfile& model);

// LoadModel followed by PostProcessModel, with the progress window hidden at the end.
bool LoadAndPrepareModel(CMQOfile& model, const std::string& path);

// Simple normal of a face (unit, or zero when degenerate or with fewer than 3 corners).
Vec3 FaceNormal(const CMQOfile& model, int face);
// Angles at each corner about the normal n, in [0, 2 pi).
void CornerAngles(const CMQOfile& model, int face, const Vec3& n, double* angles);

// Which faces a nearest-hit ray cast may hit: one 0/1 per material, group and region; an empty
// list lets every one through.
struct RayVisibility {
    std::span<const char> materials, groups, regions;
};

struct RayHit {
    int face = -1;  // -1: nothing hit
    Vec3 point;
    double distance = 0;
};

// The nearest visible face the segment from s to e meets, through the voxel grid.
RayHit CastRay(CMQOfile& model, const Vec3& s, const Vec3& e, const RayVisibility& visibility = {});
// Every face the segment meets, split into consecutive corner triples; no visibility test. Each
// face is listed once, with its nearest hit.
std::vector<RayHit> CastRayAll(const CMQOfile& model, const Vec3& s, const Vec3& e);
// The same nearest-hit test over every face, without the grid (for checking the grid walk).
RayHit CastRayBruteForce(CMQOfile& model, const Vec3& s, const Vec3& e, const RayVisibility& visibility = {});

}  // namespace korvan
