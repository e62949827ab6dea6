#pragma once
// The window's command line:
//   KORVAN3 [scene.txt] [/oculus|/nooculus] [/width N /height N] [--key VK@FROM-TO]...
//           [--settings FILE] [--quit-after N] [--screenshot FILE] [--timing] [--unattended]
// The slash words are the program's own (the start-up rules read them from the tokens); the
// double-dash options serve scripts and tests: keys held for frame ranges counted from the start
// of the run (as in the headless runner), another settings file, closing after N frames without
// questions, and a picture of the window taken just before that.
#include <optional>
#include <string>
#include <vector>

#include "app/CommandLine.h"
#include "app/HeadlessOptions.h"

namespace korvan {

struct WindowOptions {
    std::string scene;
    std::vector<KeyHold> keys;
    std::string settingsFile;  // "" : the program's own
    int quitAfter = 0;         // frames; 0 runs until the user closes the window
    std::string screenshot;
    bool timing = false;  // at --quit-after: how late the frames started, on standard output
    // Nobody watches (a scripted run on a virtual display): messages are acknowledged and
    // questions take their default answer instead of waiting for a click.
    bool unattended = false;
    // Decided by the start-up rules, not by options: the head-mounted display is used, and the
    // main view then takes this size, centred on the monitor.
    bool headMounted = false;
    WindowSize headMountedSize;
};

// `args` are the arguments after the program name. Unknown double-dash options are errors;
// slash words and their values are left to the start-up rules.
std::optional<WindowOptions> ParseWindowOptions(const std::vector<std::string>& args, std::string& error);

// True when a window system can be reached: DISPLAY or WAYLAND_DISPLAY is set, or Qt is told to
// use a platform that needs none. `get` reads an environment variable ("" when unset).
bool HasDisplay(const char* (*get)(const char*));

}  // namespace korvan
