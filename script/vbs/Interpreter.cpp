#include "script/vbs/Interpreter.h"

#include <new>

#include "script/vbs/Evaluator.h"
#include "script/vbs/Parser.h"

namespace korvan::vbs {

void Interpreter::AddNamedItem(std::string name, ObjectRef object, bool globalMembers) {
    std::string lower = LowerAscii(name);
    items_.push_back(NamedItem{std::move(name), std::move(lower), std::move(object), globalMembers});
}

std::optional<ScriptError> Interpreter::Run(std::string_view source) {
    try {
        Program program = Parse(source, options_.stackBudget);
        Bind(program, items_);
        Evaluator evaluator(program, items_, options_, options_.stackBudget, options_.limits);
        evaluator.Run();
        return std::nullopt;
    } catch (ScriptException& e) {
        return e.error();
    } catch (const ScriptAbort& stop) {
        ScriptError error;
        error.description = DescribeStop(stop.reason, options_.timeLimitSeconds);
        error.line = stop.line, error.column = stop.column;
        error.stopped = stop.reason;
        return error;
    } catch (const std::bad_alloc&) {
        return ScriptError{kErrOutOfMemory, DescribeError(kErrOutOfMemory), -1, -1, false};
    }
}

std::optional<ScriptError> Interpreter::Check(std::string_view source) const {
    try {
        Program program = Parse(source, options_.stackBudget);
        Bind(program, items_);
        return std::nullopt;
    } catch (ScriptException& e) {
        return e.error();
    }
}

}  // namespace korvan::vbs
