#include "render/GlCaps.h"

#include <GL/gl.h>

namespace korvan {

namespace {

#ifndef GL_MAX_SAMPLES
constexpr GLenum GL_MAX_SAMPLES = 0x8D57;
#endif

std::string GlString(GLenum name) {
    const auto* text = reinterpret_cast<const char*>(glGetString(name));
    return text ? text : "";
}

}  // namespace

bool HasExtensionToken(std::string_view list, std::string_view name) {
    if (name.empty()) return false;
    for (std::size_t at = list.find(name); at != std::string_view::npos; at = list.find(name, at + 1)) {
        const bool startsToken = at == 0 || list[at - 1] == ' ';
        const std::size_t end = at + name.size();
        const bool endsToken = end == list.size() || list[end] == ' ';
        if (startsToken && endsToken) return true;
    }
    return false;
}

std::vector<int> SampleChain(int requested) {
    std::vector<int> chain;
    for (int s = requested; s >= 2; s /= 2) chain.push_back(s);
    return chain;
}

int ChooseSampleCount(int requested, int maxSupported) {
    for (int s : SampleChain(requested))
        if (s <= maxSupported) return s;
    return 0;
}

GlCaps DetectGlCaps() {
    GlCaps caps;
    const std::string extensions = GlString(GL_EXTENSIONS);
    caps.npotMissing = !HasExtensionToken(extensions, "GL_ARB_texture_non_power_of_two");
    GLint samples = 0;
    glGetIntegerv(GL_MAX_SAMPLES, &samples);
    if (glGetError() != GL_NO_ERROR) samples = 0;
    caps.maxSamples = samples;
    caps.multisampleCapable = HasExtensionToken(extensions, "GL_ARB_multisample") && samples >= 2;
    caps.renderer = GlString(GL_RENDERER);
    caps.version = GlString(GL_VERSION);
    return caps;
}

}  // namespace korvan
