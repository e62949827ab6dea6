#pragma once
// Host objects for interpreter tests, benchmarks and fuzzing. They mimic the scene object model
// closely enough for scene files to run (MyObject, Application, body and window objects with
// typed, optional and by-reference members) and record every call as one line of text, so a
// test can compare what a script did with what it should have done.
#include <memory>
#include <string>
#include <vector>

#include "script/vbs/HostObject.h"
#include "script/vbs/Interpreter.h"

namespace korvan::vbs::testing {

struct Recording {
    bool enabled = true;
    std::vector<std::string> lines;
    void Add(std::string line) {
        if (enabled) lines.push_back(std::move(line));
    }
};

// The text a recorded argument shows: numbers as the dialect prints them, strings quoted.
std::string Show(const Value& v);

// Registers "MyObject" (Application, GetApplication, MsgBox) and "Test" (Print, GetTriple,
// Scale, Describe, Fail) on the interpreter, all recording into `recording`.
void RegisterRecordingHost(Interpreter& interpreter, std::shared_ptr<Recording> recording);

}  // namespace korvan::vbs::testing
