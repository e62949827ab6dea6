#pragma once
// Command line of the headless runner:
//   KORVAN3 --headless SCENE [--frames N] [--threads N] [--accuracy A] [--candidate-period N]
//           [--load-reduction L] [--key VK@FROM-TO]... [--print-state] [--timing] [--yes|--no]
//           [--save FILE] [--undo N] [--script-timeout S] [--help]
#include <optional>
#include <string>
#include <vector>

#include "app/ArgumentCursor.h"

namespace korvan {

struct HeadlessOptions {
    std::string scene;
    int frames = 60;
    std::optional<int> threads;
    std::optional<double> accuracy;
    std::optional<int> candidatePeriod;
    std::optional<double> loadReduction;
    std::vector<KeyHold> keys;
    bool printState = false;
    bool timing = false;
    std::optional<bool> answer;  // --yes / --no; unset: each question's default
    std::string save;
    int undo = 0;
    double scriptTimeout = 10;  // seconds a scene script may run; 0: no limit
    bool help = false;
};

// Parses the arguments after "--headless". On a bad argument returns nothing and sets `error`.
std::optional<HeadlessOptions> ParseHeadlessOptions(const std::vector<std::string>& args, std::string& error);

const char* HeadlessUsage();

}  // namespace korvan
