#pragma once
// Character counting in UTF-8 text. The string functions (Len, Mid, InStr, ...) count code
// points: a character starts at every byte that is not a continuation byte (10xxxxxx), so
// Japanese text counts one per character and malformed bytes still count one each.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace korvan::vbs {

size_t CharCount(std::string_view s);
// Byte offset of character `index` (0-based); s.size() when index >= CharCount(s).
size_t ByteOffset(std::string_view s, size_t index);
// Character index of byte offset `offset` (which should start a character).
size_t CharIndex(std::string_view s, size_t offset);
// The code point starting at byte `offset` (a malformed byte stands for itself).
uint32_t CodePointAt(std::string_view s, size_t offset);
void AppendUtf8(std::string& out, uint32_t codePoint);

}  // namespace korvan::vbs
