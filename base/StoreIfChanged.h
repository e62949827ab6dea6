#pragma once
// Writes a value only where it differs from what is there. A field that another core keeps in its
// cache stays there when the value written is the one it already holds.

namespace korvan {

template <class T>
void StoreIfChanged(T& field, const T& value) {
    if (field != value) field = value;
}

}  // namespace korvan
