// Settings files as they may arrive: any bytes. Reading must never fail, and a file written from
// what was read must read back to the same record when its texts fit on their lines and its
// Shift-JIS bytes are not also valid UTF-8 (such a file is read as UTF-8).
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "app/Settings.h"
#include "base/TextEncoding.h"

namespace {

bool IsAscii(std::string_view bytes) {
    for (char c : bytes)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

bool TextsAreShort(const korvan::Settings& s) {
    if (s.ENV_STEREO_CAMNAME.size() > 900) return false;
    for (const auto& p : s.ENV_AUTOSEARCH)
        if (p.name.size() + p.folder.size() > 900) return false;
    return true;
}

korvan::Settings Read(std::string_view bytes) {
    korvan::Settings s;
    korvan::ApplySettingsText(korvan::DecodeFileText(bytes), s);
    return s;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    korvan::Settings first = Read(std::string_view(reinterpret_cast<const char*>(data), size));
    std::string written = korvan::SettingsFileBytes(first);
    if (!IsAscii(written) && korvan::IsValidUtf8(written)) return 0;
    korvan::Settings second = Read(written);
    if (TextsAreShort(second) && korvan::SettingsFileBytes(second) != written) std::abort();
    return 0;
}
