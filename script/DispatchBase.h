#pragma once
// The script objects of a scene: Application, one object per body and per frame. Scripts reach
// them by name through member tables (see script/vbs/HostObject.h).
//
// Every property is a stored value with a change notification: assigning stores the value in the
// object and then applies it to the body or window; reading returns the value last assigned
// through this object, never the live state (GetPosition and friends read that).
#include <functional>
#include <string>
#include <unordered_map>

#include "script/vbs/HostObject.h"

namespace korvan {

class CDispatchBase : public vbs::HostObject {
  public:
    // The value last assigned to a property, or the type's zero before the first assignment.
    vbs::Value Stored(const std::string& name, vbs::ParamType type) const;
    void Store(const std::string& name, const vbs::Value& value) { stored_[name] = value; }
    bool HasStored(const std::string& name) const { return stored_.contains(name); }
    void ForgetStored() { stored_.clear(); }

  private:
    std::unordered_map<std::string, vbs::Value> stored_;
};

// Registers a stored property; `apply` (may be empty) carries the assigned value to the target.
template <class Self>
void StoredProperty(vbs::MemberTable& table, const std::string& name, vbs::ParamType type,
                    std::function<void(Self&, const vbs::Value&)> apply = {}) {
    table.Property(
        name, type,
        [name, type](vbs::HostObject& self) { return static_cast<Self&>(self).Stored(name, type); },
        [name, apply](vbs::HostObject& self, const vbs::Value& value) {
            auto& object = static_cast<Self&>(self);
            object.Store(name, value);
            if (apply) apply(object, value);
        });
}

// The integer results of methods ("long" in the member tables).
inline vbs::Value Long(int value) {
    return vbs::Value(static_cast<int32_t>(value));
}

}  // namespace korvan
