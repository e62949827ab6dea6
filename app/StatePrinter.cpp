#include "app/StatePrinter.h"

#include "sim/ObjDef.h"
#include "sim/ObjSpring.h"
#include "sim/Scene.h"

namespace korvan {

namespace {

void PrintVector(std::FILE* out, const char* label, const Vec3& v) {
    std::fprintf(out, " %s %.17g %.17g %.17g", label, v.x, v.y, v.z);
}

}  // namespace

void PrintState(const CScene& scene, std::FILE* out) {
    for (int i = 0; i < scene.Count(); ++i) {
        const CObj* b = scene.Body(i);
        std::fprintf(out, "STATE %s %s", b->varName.c_str(), b->displayName.c_str());
        PrintVector(out, "pos", b->GetPosition());
        PrintVector(out, "vel", b->GetVelocity());
        PrintVector(out, "omega", b->GetAngularVelocity());
        PrintVector(out, "angle", b->GetAngle());
        if (auto* spring = dynamic_cast<const CObjSpring*>(b))
            std::fprintf(out, " ext %.17g %.17g", spring->extension.value[0], spring->extension.rate[0]);
        if (auto* def = dynamic_cast<const CObjDef*>(b))
            std::fprintf(out, " def %.17g %.17g", def->defAngle.value[0], def->defAngle.rate[0]);
        std::fputc('\n', out);
    }
}

}  // namespace korvan
