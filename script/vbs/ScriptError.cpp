#include "script/vbs/ScriptError.h"

namespace korvan::vbs {

std::string DescribeError(int number) {
    switch (number) {
        case kErrInvalidCall:
            return "Invalid procedure call or argument";
        case kErrOverflow:
            return "Overflow";
        case kErrOutOfMemory:
            return "Out of memory";
        case kErrSubscript:
            return "Subscript out of range";
        case kErrArrayLocked:
            return "This array is fixed or temporarily locked";
        case kErrDivisionByZero:
            return "Division by zero";
        case kErrTypeMismatch:
            return "Type mismatch";
        case kErrOutOfStack:
            return "Out of stack space";
        case kErrPermissionDenied:
            return "Permission denied";
        case kErrObjectNotSet:
            return "Object variable not set";
        case kErrInternal:
            return "Internal error";
        case kErrInvalidNull:
            return "Invalid use of Null";
        case kErrObjectRequired:
            return "Object required";
        case kErrNoMember:
            return "Object doesn't support this property or method";
        case kErrWrongArgCount:
            return "Wrong number of arguments or invalid property assignment";
        case kErrUndefined:
            return "Variable is undefined";
        case kErrIllegalAssignment:
            return "Illegal assignment";
        case kErrClassNotDefined:
            return "Class not defined";
        case kErrSyntax:
            return "Syntax error";
        default:
            return "";
    }
}

void Raise(int number) {
    throw ScriptException(number);
}

void Raise(int number, const std::string& name) {
    throw ScriptException(number, DescribeError(number) + ": '" + name + "'");
}

}  // namespace korvan::vbs
