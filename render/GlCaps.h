#pragma once
// What the OpenGL context offers, found once when the main view's context is made.
//
// Multisampling: the settings ask for 1 (none), 2, 4, 8 or 16 samples. The request falls back
// by halving, 16 -> 8 -> 4 -> 2, to the first count the driver supports; below 2 the plain
// format is used. Nothing is reported when the driver offers less: the report only records what
// was obtained.
#include <string>
#include <string_view>
#include <vector>

namespace korvan {

// True when `name` is one whole space-separated token of `list` (a prefix of a longer name does
// not count).
bool HasExtensionToken(std::string_view list, std::string_view name);

// The sample counts tried for a request, in order (empty for 1 or less).
std::vector<int> SampleChain(int requested);

// The first count of the chain that does not exceed what the driver supports; 0 = no multisampling.
int ChooseSampleCount(int requested, int maxSupported);

struct GlCaps {
    bool multisampleCapable = false;  // the driver can give a multisample format
    bool npotMissing = true;          // textures must have power-of-two sizes
    int maxSamples = 0;
    std::string renderer;
    std::string version;
};

// Reads the capabilities of the current context.
GlCaps DetectGlCaps();

}  // namespace korvan
