#pragma once
// Names of the Windows virtual-key codes that actuations and forces are bound to, in ascending
// code order (VK_LBUTTON = 1 ... VK_OEM_CLEAR = 254, without the OEM punctuation keys 186..226).
// VK_KANA/VK_HANGEUL/VK_HANGUL share 21 and VK_HANJA/VK_KANJI share 25.
#include <optional>
#include <span>
#include <string_view>

namespace korvan {

struct KeyName {
    int code;
    std::string_view name;
};

std::span<const KeyName> KeyNameTable();
// The first name of a code, or "" when the table has none.
std::string_view KeyNameOf(int code);
// The code of a name (letter case ignored).
std::optional<int> KeyCodeOf(std::string_view name);

}  // namespace korvan
