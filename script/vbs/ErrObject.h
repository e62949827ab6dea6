#pragma once
// The script's Err object: the number and description of the last error caught under
// "On Error Resume Next", Err.Clear, and Err.Raise to signal an error of one's own.
#include <string>

#include "script/vbs/HostObject.h"

namespace korvan::vbs {

class ErrObject : public HostObject {
  public:
    std::string_view ClassName() const override { return "ErrObject"; }
    const MemberTable& Members() const override;

    void Set(int number, std::string description) {
        number_ = number;
        description_ = std::move(description);
        source_ = number ? "Scene script runtime error" : "";
    }
    void Clear() { number_ = 0, description_.clear(), source_.clear(); }
    int number() const { return number_; }

  private:
    int number_ = 0;
    std::string description_;
    std::string source_;
};

}  // namespace korvan::vbs
