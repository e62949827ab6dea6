#include "app/ArgumentCursor.h"

#include "base/KeyNames.h"
#include "base/KeyState.h"

namespace korvan {

std::optional<KeyHold> ParseKeyHold(const std::string& text) {
    std::size_t at = text.find('@');
    std::size_t dash = text.find('-', at == std::string::npos ? 0 : at);
    if (at == std::string::npos || dash == std::string::npos) return std::nullopt;
    std::string key = text.substr(0, at);
    std::optional<int> code = ParseWhole<int>(key);
    if (!code) code = KeyCodeOf(key);
    auto first = ParseWhole<int>(std::string_view(text).substr(at + 1, dash - at - 1));
    auto last = ParseWhole<int>(std::string_view(text).substr(dash + 1));
    if (!code || *code < 1 || *code > 254 || !first || !last || *first < 0 || *last < *first)
        return std::nullopt;
    return KeyHold{*code, *first, *last};
}

void HoldKeysOfFrame(const std::vector<KeyHold>& keys, int frame) {
    KeyStateTable& table = ProcessKeyState();
    for (const KeyHold& k : keys) table.SetDown(k.key, false);
    for (const KeyHold& k : keys)
        if (frame >= k.first && frame <= k.last) table.SetDown(k.key, true);
}

const std::string* ArgumentCursor::ValueOf(const std::string& option, std::string& error) {
    if (Done()) {
        error = option + " needs a value";
        return nullptr;
    }
    return &Take();
}

bool ArgumentCursor::TakeKeyHold(std::vector<KeyHold>& keys, std::string& error) {
    const std::string* v = ValueOf("--key", error);
    if (!v) return false;
    auto hold = ParseKeyHold(*v);
    if (!hold) {
        error = "--key: '" + *v + "' is not KEY@FROM-TO";
        return false;
    }
    keys.push_back(*hold);
    return true;
}

}  // namespace korvan
