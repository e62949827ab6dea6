#include "app/WindowOptions.h"

namespace korvan {

namespace {

bool IsSizeWord(const std::string& a) {
    std::string lower = a;
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return lower == "/width" || lower == "/height";
}

// "/oculus", "/nooculus" and their other letter-case forms; any other slash is a path.
bool IsHeadMountedWord(const std::string& a) {
    for (const char* w : {"/oculus", "/OCULUS", "/Oculus", "/nooculus", "/NOOCULUS", "/NoOculus"})
        if (a == w) return true;
    return false;
}

}  // namespace

std::optional<WindowOptions> ParseWindowOptions(const std::vector<std::string>& args, std::string& error) {
    WindowOptions o;
    ArgumentCursor words(args);
    while (!words.Done()) {
        const std::string& a = words.Take();
        if (a == "--key") {
            if (!words.TakeKeyHold(o.keys, error)) return std::nullopt;
        } else if (a == "--settings" || a == "--screenshot") {
            const std::string* v = words.ValueOf(a, error);
            if (!v) return std::nullopt;
            (a == "--settings" ? o.settingsFile : o.screenshot) = *v;
        } else if (a == "--unattended") {
            o.unattended = true;
        } else if (a == "--quit-after") {
            const std::string* v = words.ValueOf(a, error);
            if (!v) return std::nullopt;
            std::optional<int> frames = ParseWhole<int>(*v);
            if (!frames || *frames < 1) {
                error = "--quit-after: '" + *v + "' is not a positive frame count";
                return std::nullopt;
            }
            o.quitAfter = *frames;
        } else if (a == "--timing") {
            o.timing = true;
        } else if (a.rfind("--", 0) == 0) {
            error = "unknown option " + a;
            return std::nullopt;
        } else if (IsSizeWord(a)) {
            words.Skip();  // its value belongs to the start-up rules
        } else if (IsHeadMountedWord(a)) {
        } else if (o.scene.empty()) {
            o.scene = a;
        } else {
            error = "more than one scene file: " + o.scene + ", " + a;
            return std::nullopt;
        }
    }
    return o;
}

bool HasDisplay(const char* (*get)(const char*)) {
    auto set = [&](const char* name) {
        const char* v = get(name);
        return v && *v;
    };
    if (set("DISPLAY") || set("WAYLAND_DISPLAY")) return true;
    const char* platform = get("QT_QPA_PLATFORM");
    const std::string p = platform ? platform : "";
    return p.rfind("offscreen", 0) == 0 || p.rfind("minimal", 0) == 0 || p.rfind("vnc", 0) == 0 ||
           p.rfind("eglfs", 0) == 0 || p.rfind("linuxfb", 0) == 0;
}

}  // namespace korvan
