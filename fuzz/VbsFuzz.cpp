// Runs arbitrary text through the whole interpreter (lexer, parser, binder, evaluator) against
// the recording host with a step budget and small size limits: no input may crash, leak, hang
// or exhaust the stack.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "script/vbs/Interpreter.h"
#include "tests/support/RecordingHost.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace korvan::vbs;
    Options options;
    options.stepBudget = 20'000;
    options.stackBudget = 256 * 1024;
    options.limits.maxStringBytes = 1 << 16;
    options.limits.maxArrayElements = 1 << 12;
    Interpreter interpreter(options);
    auto recording = std::make_shared<testing::Recording>();
    recording->enabled = false;
    testing::RegisterRecordingHost(interpreter, recording);
    interpreter.Run(std::string_view(reinterpret_cast<const char*>(data), size));
    return 0;
}
