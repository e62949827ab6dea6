#include "script/vbs/ScriptObject.h"

namespace korvan::vbs {

std::shared_ptr<ScriptObject> ScriptObject::Create(const ClassDecl& cls,
                                                   std::shared_ptr<TerminateHook> onTerminate) {
    return std::shared_ptr<ScriptObject>(new ScriptObject(cls, std::move(onTerminate)),
                                         &ScriptObject::Release);
}

// The deleter: the last reference has gone. The hook is emptied when the run ends; only then
// may the class have gone with its script.
void ScriptObject::Release(ScriptObject* object) {
    const bool terminate =
        !object->terminated_ && object->onTerminate_ && *object->onTerminate_ && object->cls_.terminate;
    object->terminated_ = true;
    if (!terminate) {
        delete object;
        return;
    }
    // Me owns the object again; when the handler's last reference goes, this runs once more.
    std::shared_ptr<ScriptObject> me(object, &ScriptObject::Release);
    (*object->onTerminate_)(me);
}

const MemberTable& ScriptObject::Members() const {
    static const MemberTable empty;
    return empty;
}

}  // namespace korvan::vbs
