#include "app/CommandLine.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "base/LeadingNumber.h"

namespace korvan {

namespace {

constexpr std::array<std::string_view, 3> kUseForms = {"/oculus", "/OCULUS", "/Oculus"};
constexpr std::array<std::string_view, 3> kDontUseForms = {"/nooculus", "/NOOCULUS", "/NoOculus"};

bool HasArgument(const std::vector<std::string>& tokens, const std::array<std::string_view, 3>& forms) {
    for (std::size_t i = 1; i < tokens.size(); ++i)
        if (std::find(forms.begin(), forms.end(), tokens[i]) != forms.end()) return true;
    return false;
}

std::string Lower(std::string_view text) {
    std::string lower(text);
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return lower;
}

}  // namespace

std::vector<std::string> CommandLineTokens(int argc, const char* const* argv) {
    return std::vector<std::string>(argv, argv + std::max(argc, 0));
}

HeadMountedRequest HeadMountedRequestOf(const std::vector<std::string>& tokens) {
    if (HasArgument(tokens, kUseForms)) return HeadMountedRequest::Use;
    if (HasArgument(tokens, kDontUseForms)) return HeadMountedRequest::DontUse;
    return HeadMountedRequest::None;
}

bool AsksHeadMountedQuestion(HeadMountedRequest request, const Settings& settings) {
    return request == HeadMountedRequest::None && settings.ENV_OCULUS_SHOW != 0;
}

bool UsesHeadMountedDisplay(HeadMountedRequest request, const Settings& settings) {
    switch (request) {
        case HeadMountedRequest::Use:
            return true;
        case HeadMountedRequest::DontUse:
            return false;
        case HeadMountedRequest::None:
            break;
    }
    return settings.ENV_OCULUS_USE != 0;
}

int StartupStereoMode(bool headMounted) {
    return headMounted ? 3 : 0;
}

WindowSize HeadMountedWindowSize(const std::vector<std::string>& tokens, WindowSize size) {
    enum class Pending { None, Width, Height } pending = Pending::None;
    for (const std::string& token : tokens) {
        if (pending != Pending::None) {
            int value = LeadingInt(token);
            if (value > 0) (pending == Pending::Width ? size.width : size.height) = value;
            pending = Pending::None;
        } else if (std::string key = Lower(token); key == "/width") {
            pending = Pending::Width;
        } else if (key == "/height") {
            pending = Pending::Height;
        }
    }
    return size;
}

}  // namespace korvan
