#include "script/vbs/Value.h"

#include "script/vbs/ScriptError.h"

namespace korvan::vbs {

VarType Value::type() const {
    static constexpr VarType kTypes[] = {VarType::Empty, VarType::Null,   VarType::Boolean, VarType::Integer,
                                         VarType::Long,  VarType::Double, VarType::String,  VarType::Object,
                                         VarType::Array, VarType::Date};
    return kTypes[static_cast<int>(tag_)];
}

void Value::CopyFrom(const Value& o) {
    switch (o.tag_) {
        case Tag::String:
            new (&u_.s) std::string(o.u_.s);
            break;
        case Tag::Object:
            new (&u_.o) ObjectRef(o.u_.o);
            break;
        case Tag::Array:
            new (&u_.a) ArrayRef(o.u_.a);
            break;
        default:
            u_.bits = o.u_.bits;
    }
    tag_ = o.tag_;
}

void Value::MoveFrom(Value&& o) noexcept {
    switch (o.tag_) {
        case Tag::String:
            new (&u_.s) std::string(std::move(o.u_.s));
            break;
        case Tag::Object:
            new (&u_.o) ObjectRef(std::move(o.u_.o));
            break;
        case Tag::Array:
            new (&u_.a) ArrayRef(std::move(o.u_.a));
            break;
        default:
            u_.bits = o.u_.bits;
    }
    tag_ = o.tag_;
}

void Value::Destroy() noexcept {
    switch (tag_) {
        case Tag::String:
            u_.s.~basic_string();
            break;
        case Tag::Object:
            u_.o.~ObjectRef();
            break;
        case Tag::Array:
            u_.a.~ArrayRef();
            break;
        default:
            break;
    }
    tag_ = Tag::Empty;
    u_.bits = 0;
}

int64_t Array::FlatIndex(const int32_t* subscripts, size_t count) const {
    if (count != upper.size()) return -1;
    // The first subscript varies fastest: index = s0 + n0 * (s1 + n1 * (s2 + ...)).
    int64_t index = 0;
    for (size_t k = count; k-- > 0;) {
        int32_t s = subscripts[k];
        if (s < 0 || s > upper[k]) return -1;
        index = index * (int64_t{upper[k]} + 1) + s;
    }
    return index;
}

namespace {

Value CopyNested(const Value& v, int level) {
    if (!v.IsArray()) return v;
    if (level >= kMaxArrayDepth) Raise(kErrOutOfMemory);
    const Array& source = *v.AsArray();
    auto copy = std::make_shared<Array>();
    copy->upper = source.upper;
    copy->items.reserve(source.items.size());
    for (const Value& item : source.items) copy->items.push_back(CopyNested(item, level + 1));
    return Value(std::move(copy));
}

}  // namespace

Value StoreCopy(const Value& v) {
    return CopyNested(v, 0);
}

}  // namespace korvan::vbs
