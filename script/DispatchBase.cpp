#include "script/DispatchBase.h"

namespace korvan {

vbs::Value CDispatchBase::Stored(const std::string& name, vbs::ParamType type) const {
    if (auto it = stored_.find(name); it != stored_.end()) return it->second;
    switch (type) {
        case vbs::ParamType::Double:
            return vbs::Value(0.0);
        case vbs::ParamType::Long:
            return vbs::Value(int32_t{0});
        case vbs::ParamType::String:
            return vbs::Value(std::string());
        case vbs::ParamType::Bool:
            return vbs::Value(false);
        default:
            return vbs::Value();
    }
}

}  // namespace korvan
