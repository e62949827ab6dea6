#pragma once
// What the command line asks of start-up: the head-mounted display on or off, and the size of
// the window the head-mounted display shows. Tokens are the program's arguments with the program
// name as token 0 (argv as it arrives, or SplitTokens of a one-line command).
#include <string>
#include <vector>

#include "app/Settings.h"

namespace korvan {

std::vector<std::string> CommandLineTokens(int argc, const char* const* argv);

enum class HeadMountedRequest {
    None,     // nothing said: the settings (and perhaps the question) decide
    Use,      // "/oculus", "/OCULUS" or "/Oculus"; wins over a "no" given as well
    DontUse,  // "/nooculus", "/NOOCULUS" or "/NoOculus"
};

// Only whole arguments after the program name count, so a scene in a folder called "oculus"
// does not switch the display on.
HeadMountedRequest HeadMountedRequestOf(const std::vector<std::string>& tokens);

// True when the start-up question is to be asked: the command line said nothing and
// ENV_OCULUS_SHOW is set. The question stores its answers into ENV_OCULUS_USE and ENV_OCULUS_SHOW.
bool AsksHeadMountedQuestion(HeadMountedRequest request, const Settings& settings);

// After the question (if any): whether the head-mounted display is used.
bool UsesHeadMountedDisplay(HeadMountedRequest request, const Settings& settings);

// Stereo mode of the run: 3 with the head-mounted display, else 0.
int StartupStereoMode(bool headMounted);

struct WindowSize {
    int width = 960;
    int height = 540;
    bool operator==(const WindowSize&) const = default;
};

// "/width N" and "/height N" (keywords in any letter case): a keyword makes the next token its
// value, whatever that token is; the value is the token's leading integer. A value that is not a
// positive size is used up but leaves the size as it was.
WindowSize HeadMountedWindowSize(const std::vector<std::string>& tokens, WindowSize size = {});

}  // namespace korvan
