#pragma once
// `KORVAN3 --model FILE`: reads a model file, post-processes it and prints one line about it, so
// the readers can be driven from scripts and batch jobs.
#include <string>
#include <vector>

#include "skin/Model.h"

namespace korvan {

// "<file>: <v> vertices, <f> faces, <m> materials, <g> groups, <r> regions,
//  box (x, y, z)-(x, y, z), <t> s"
std::string ModelSummaryLine(const CMQOfile& model, double seconds);

// Exit status: 0 the model was read, 1 it could not be (the reason on stderr), 2 bad arguments.
int RunModelSummary(const std::vector<std::string>& args);

}  // namespace korvan
