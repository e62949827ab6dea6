#pragma once
// Text is UTF-8 inside the program. Files the program writes (scenes, backups, settings) are
// Shift-JIS (code page 932); files it reads are taken as UTF-8 when they are valid UTF-8, else
// as Shift-JIS.
#include <string>
#include <string_view>

namespace korvan {

bool IsValidUtf8(std::string_view bytes);

// Shift-JIS -> UTF-8. Bytes that are not Shift-JIS become U+FFFD.
std::string ShiftJisToUtf8(std::string_view bytes);
// UTF-8 -> Shift-JIS. Characters Shift-JIS lacks become "?".
std::string Utf8ToShiftJis(std::string_view text);

// Bytes of a file read as text: a UTF-8 byte-order mark is dropped; valid UTF-8 stays as it is;
// anything else is converted from Shift-JIS.
std::string DecodeFileText(std::string_view bytes);

}  // namespace korvan
