#include "script/vbs/HostObject.h"

namespace korvan::vbs {

std::string LowerAscii(std::string_view text) {
    std::string lower(text);
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return lower;
}

MemberTable& MemberTable::Property(std::string name, ParamType type, Getter get, Putter put) {
    byLowerName_[LowerAscii(name)] = members_.size();
    members_.push_back(
        Member{std::move(name), Member::Kind::Property, type, {}, std::move(get), std::move(put), {}});
    return *this;
}

MemberTable& MemberTable::AddMethod(std::string name, std::vector<Param> params, MethodFn call) {
    byLowerName_[LowerAscii(name)] = members_.size();
    members_.push_back(Member{std::move(name),
                              Member::Kind::Method,
                              ParamType::Variant,
                              std::move(params),
                              {},
                              {},
                              std::move(call)});
    return *this;
}

const Member* MemberTable::Find(std::string_view name) const {
    auto it = byLowerName_.find(LowerAscii(name));
    return it == byLowerName_.end() ? nullptr : &members_[it->second];
}

}  // namespace korvan::vbs
