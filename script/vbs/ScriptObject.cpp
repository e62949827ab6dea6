#include "script/vbs/ScriptObject.h"

namespace korvan::vbs {

ScriptObject::~ScriptObject() {
    // The hook is emptied when the run ends; only then may the class have gone with its script.
    if (onTerminate_ && *onTerminate_ && cls_.terminate) (*onTerminate_)(*this);
}

const MemberTable& ScriptObject::Members() const {
    static const MemberTable empty;
    return empty;
}

}  // namespace korvan::vbs
