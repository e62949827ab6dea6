#include "script/vbs/Builtins.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <unordered_map>

#include "script/vbs/Convert.h"
#include "script/vbs/HostObject.h"
#include "script/vbs/Operators.h"
#include "script/vbs/ScriptError.h"
#include "script/vbs/Text.h"

namespace korvan::vbs {

void CheckStringSize(const Runtime& rt, size_t bytes) {
    if (bytes > rt.limits.maxStringBytes) Raise(kErrOutOfMemory);
}

namespace {

using Args = std::span<const Value>;

bool Has(Args a, size_t i) {
    return a.size() > i && !a[i].IsEmpty();
}

// A count or position argument: a Long, "Invalid procedure call or argument" when below `min`.
int64_t Count(const Value& v, int64_t min) {
    int32_t n = ToLong(v);
    if (n < min) Raise(kErrInvalidCall);
    return n;
}

Value MakeArray(std::vector<Value> items) {
    auto array = std::make_shared<Array>();
    array->upper = {static_cast<int32_t>(items.size()) - 1};
    array->items = std::move(items);
    return Value(std::move(array));
}

// ---- mathematics ----------------------------------------------------------------------------
Value Num(Args a) {
    return ToNumeric(a[0]);
}

Value Abs(Runtime&, Args a) {
    if (a[0].IsNull()) return a[0];
    Value n = Num(a);
    return ToDouble(n) < 0 ? Negate(n) : n;
}

template <double (*F)(double)>
Value Math(Runtime&, Args a) {
    if (a[0].IsNull()) return a[0];
    return Value(Checked(F(ToDouble(a[0]))));
}

Value Log(Runtime&, Args a) {
    if (a[0].IsNull()) return a[0];
    double x = ToDouble(a[0]);
    if (x <= 0) Raise(kErrInvalidCall);
    return Value(std::log(x));
}

Value Sqr(Runtime&, Args a) {
    if (a[0].IsNull()) return a[0];
    double x = ToDouble(a[0]);
    if (x < 0) Raise(kErrInvalidCall);
    return Value(std::sqrt(x));
}

// Int rounds down, Fix towards zero; both keep Integer, Long and Date as they are.
template <double (*F)(double)>
Value Whole(Runtime&, Args a) {
    if (a[0].IsNull()) return a[0];
    if (a[0].IsDate()) return MakeDate(F(a[0].AsDate()));
    Value n = Num(a);
    return n.IsDouble() ? Value(F(n.AsDouble())) : n;
}

Value Round(Runtime&, Args a) {
    if (a[0].IsNull()) return a[0];
    Value n = Num(a);
    int64_t digits = a.size() > 1 ? Count(a[1], 0) : 0;
    if (!n.IsDouble()) return n;
    if (digits > 15) return n;
    double scale = std::pow(10.0, static_cast<double>(digits));
    double scaled = n.AsDouble() * scale;
    if (!std::isfinite(scaled)) return n;
    return Value(RoundHalfEven(scaled) / scale);
}

Value Sgn(Runtime&, Args a) {
    if (a[0].IsNull()) return a[0];
    double x = ToDouble(a[0]);
    return Value(static_cast<int16_t>(x > 0 ? 1 : x < 0 ? -1 : 0));
}

// The dialect's 24-bit linear congruential generator.
Value Rnd(Runtime& rt, Args a) {
    double x = a.empty() ? 1 : ToDouble(a[0]);
    if (x < 0) {
        float f = static_cast<float>(std::max(x, -3.0e38));
        uint32_t bits;
        std::memcpy(&bits, &f, sizeof bits);
        rt.rndState = (bits + (bits >> 24)) & 0xFFFFFF;
    }
    if (x != 0) rt.rndState = (rt.rndState * 0x43FD43FDu + 0xC39EC3u) & 0xFFFFFFu;
    return Value(static_cast<double>(rt.rndState) / 16777216.0);
}

Value Randomize(Runtime& rt, Args a) {
    double seed =
        a.empty() ? std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count()
                  : ToDouble(a[0]);
    uint64_t bits;
    std::memcpy(&bits, &seed, sizeof bits);
    rt.rndState = static_cast<uint32_t>((bits ^ (bits >> 24) ^ (bits >> 48)) & 0xFFFFFF);
    return Value();
}

Value Timer(Runtime&, Args) {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    auto sinceEpoch = std::chrono::system_clock::now().time_since_epoch();
    double fraction = std::fmod(std::chrono::duration<double>(sinceEpoch).count(), 1.0);
    return Value(local.tm_hour * 3600.0 + local.tm_min * 60.0 + local.tm_sec +
                 std::floor(fraction * 100) / 100);
}

// ---- conversions ----------------------------------------------------------------------------
Value CInt(Runtime&, Args a) {
    return Value(ToInteger(a[0]));
}
Value CLng(Runtime&, Args a) {
    return Value(ToLong(a[0]));
}
Value CDbl(Runtime&, Args a) {
    return Value(ToDouble(a[0]));
}
Value CStr(Runtime&, Args a) {
    return Value(ToString(a[0]));
}
Value CBool(Runtime&, Args a) {
    return Value(ToBool(a[0]));
}

// Hex and Oct show the two's complement of negative numbers in the operand's own width.
Value Radix(Args a, unsigned radix) {
    if (a[0].IsNull()) return a[0];
    Value n = ToNumeric(a[0]);
    int32_t v = ToLong(n);
    uint32_t u = n.IsInteger() && v < 0 ? static_cast<uint16_t>(v) : static_cast<uint32_t>(v);
    std::string digits;
    do {
        digits += "0123456789ABCDEF"[u % radix];
        u /= radix;
    } while (u != 0);
    return Value(std::string(digits.rbegin(), digits.rend()));
}
Value Hex(Runtime&, Args a) {
    return Radix(a, 16);
}
Value Oct(Runtime&, Args a) {
    return Radix(a, 8);
}

// ---- strings --------------------------------------------------------------------------------
Value Chr(Runtime&, Args a) {
    int32_t code = ToLong(a[0]);
    if (code < 0 || code > 0xFFFF) Raise(kErrInvalidCall);
    std::string s;
    AppendUtf8(s, static_cast<uint32_t>(code));
    return Value(std::move(s));
}

Value Asc(Runtime&, Args a) {
    std::string s = ToString(a[0]);
    if (s.empty()) Raise(kErrInvalidCall);
    return Value(static_cast<int32_t>(CodePointAt(s, 0)));
}

Value Len(Runtime&, Args a) {
    if (a[0].IsNull()) return a[0];
    return Value(static_cast<int32_t>(CharCount(ToString(a[0]))));
}

Value Left(Runtime&, Args a) {
    if (a[0].IsNull()) return a[0];
    std::string s = ToString(a[0]);
    size_t n = static_cast<size_t>(Count(a[1], 0));
    return Value(s.substr(0, ByteOffset(s, n)));
}

Value Right(Runtime&, Args a) {
    if (a[0].IsNull()) return a[0];
    std::string s = ToString(a[0]);
    size_t n = static_cast<size_t>(Count(a[1], 0));
    size_t count = CharCount(s);
    return Value(n >= count ? s : s.substr(ByteOffset(s, count - n)));
}

Value Mid(Runtime&, Args a) {
    if (a[0].IsNull()) return a[0];
    std::string s = ToString(a[0]);
    size_t start = static_cast<size_t>(Count(a[1], 1)) - 1;
    size_t begin = ByteOffset(s, start);
    if (!Has(a, 2)) return Value(s.substr(begin));
    size_t length = static_cast<size_t>(Count(a[2], 0));
    size_t end = ByteOffset(std::string_view(s).substr(begin), length);
    return Value(s.substr(begin, end));
}

bool TextCompare(Args a, size_t index) {
    return Has(a, index) && ToLong(a[index]) == 1;
}

size_t FindText(const std::string& hay, const std::string& needle, size_t from, bool text) {
    if (!text) return hay.find(needle, from);
    return LowerAscii(hay).find(LowerAscii(needle), from);
}

size_t FindTextReverse(const std::string& hay, const std::string& needle, size_t from, bool text) {
    if (!text) return hay.rfind(needle, from);
    return LowerAscii(hay).rfind(LowerAscii(needle), from);
}

// InStr([start, ] string1, string2 [, compare]): 1-based character position, 0 when absent.
Value InStr(Runtime&, Args a) {
    size_t first = a.size() >= 3 ? 1 : 0;
    int64_t start = first ? Count(a[0], 1) : 1;
    if (a[first].IsNull() || a[first + 1].IsNull()) return Value::Null();
    std::string hay = ToString(a[first]), needle = ToString(a[first + 1]);
    size_t from = ByteOffset(hay, static_cast<size_t>(start - 1));
    if (static_cast<size_t>(start - 1) > CharCount(hay)) return Value(int32_t{0});
    size_t at = FindText(hay, needle, from, TextCompare(a, first + 2));
    return Value(static_cast<int32_t>(at == std::string::npos ? 0 : CharIndex(hay, at) + 1));
}

// InStrRev(string1, string2 [, start [, compare]]).
Value InStrRev(Runtime&, Args a) {
    if (a[0].IsNull() || a[1].IsNull()) return Value::Null();
    std::string hay = ToString(a[0]), needle = ToString(a[1]);
    int64_t start = Has(a, 2) ? ToLong(a[2]) : -1;
    if (start == 0 || start < -1) Raise(kErrInvalidCall);
    size_t count = CharCount(hay);
    size_t lastChar = start == -1 ? count : std::min<size_t>(static_cast<size_t>(start), count);
    size_t needleChars = CharCount(needle);
    if (needleChars > lastChar) return Value(int32_t{0});
    size_t from = ByteOffset(hay, lastChar - needleChars);
    size_t at = FindTextReverse(hay, needle, from, TextCompare(a, 3));
    return Value(static_cast<int32_t>(at == std::string::npos ? 0 : CharIndex(hay, at) + 1));
}

// Replace(expression, find, with [, start [, count [, compare]]]); the result starts at `start`.
Value Replace(Runtime& rt, Args a) {
    if (a[0].IsNull() || a[1].IsNull() || a[2].IsNull()) return Value::Null();
    std::string s = ToString(a[0]), find = ToString(a[1]), with = ToString(a[2]);
    int64_t start = Has(a, 3) ? Count(a[3], 1) : 1;
    int64_t count = Has(a, 4) ? Count(a[4], -1) : -1;
    bool text = TextCompare(a, 5);
    s = s.substr(ByteOffset(s, static_cast<size_t>(start - 1)));
    if (find.empty() || count == 0) return Value(std::move(s));
    std::string out;
    size_t pos = 0;
    for (int64_t done = 0; count < 0 || done < count; ++done) {
        size_t at = FindText(s, find, pos, text);
        if (at == std::string::npos) break;
        CheckStringSize(rt, out.size() + (at - pos) + with.size());
        out.append(s, pos, at - pos).append(with);
        pos = at + find.size();
    }
    CheckStringSize(rt, out.size() + s.size() - pos);
    out.append(s, pos, std::string::npos);
    return Value(std::move(out));
}

template <bool Upper>
Value ChangeCase(Runtime&, Args a) {
    if (a[0].IsNull()) return a[0];
    std::string s = ToString(a[0]);
    for (char& c : s) {
        if (Upper && c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        if (!Upper && c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return Value(std::move(s));
}

template <bool Front, bool Back>
Value TrimBlanks(Runtime&, Args a) {
    if (a[0].IsNull()) return a[0];
    std::string s = ToString(a[0]);
    size_t b = 0, e = s.size();
    if (Front)
        while (b < e && s[b] == ' ') ++b;
    if (Back)
        while (e > b && s[e - 1] == ' ') --e;
    return Value(s.substr(b, e - b));
}

Value Space(Runtime& rt, Args a) {
    size_t n = static_cast<size_t>(Count(a[0], 0));
    CheckStringSize(rt, n);
    return Value(std::string(n, ' '));
}

// String(count, character): the character as text (its first character) or as a code.
Value StringOf(Runtime& rt, Args a) {
    size_t n = static_cast<size_t>(Count(a[0], 0));
    if (a[1].IsNull()) return a[1];
    std::string unit;
    if (a[1].IsString()) {
        const std::string& s = a[1].AsString();
        if (s.empty()) Raise(kErrInvalidCall);
        unit = s.substr(0, ByteOffset(s, 1));
    } else {
        int32_t code = ToLong(a[1]);
        if (code < 0 || code > 0xFFFF) Raise(kErrInvalidCall);
        AppendUtf8(unit, static_cast<uint32_t>(code));
    }
    CheckStringSize(rt, n * unit.size());
    std::string out;
    out.reserve(n * unit.size());
    for (size_t k = 0; k < n; ++k) out += unit;
    return Value(std::move(out));
}

Value StrReverse(Runtime&, Args a) {
    std::string s = ToString(a[0]), out;
    out.reserve(s.size());
    size_t end = s.size();
    for (size_t i = s.size(); i-- > 0;) {
        if (i == 0 || (static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) {
            out.append(s, i, end - i);
            end = i;
        }
    }
    return Value(std::move(out));
}

Value Split(Runtime& rt, Args a) {
    std::string s = ToString(a[0]);
    std::string delimiter = Has(a, 1) ? ToString(a[1]) : " ";
    int64_t limit = Has(a, 2) ? Count(a[2], -1) : -1;
    bool text = TextCompare(a, 3);
    std::vector<Value> parts;
    if (s.empty()) return MakeArray({});
    size_t pos = 0;
    while (!delimiter.empty() && (limit < 0 || static_cast<int64_t>(parts.size()) + 1 < limit)) {
        size_t at = FindText(s, delimiter, pos, text);
        if (at == std::string::npos) break;
        if (parts.size() >= rt.limits.maxArrayElements) Raise(kErrOutOfMemory);
        parts.emplace_back(s.substr(pos, at - pos));
        pos = at + delimiter.size();
    }
    if (limit != 0) parts.emplace_back(s.substr(pos));
    return MakeArray(std::move(parts));
}

const Array& ArrayArg(const Value& v) {
    if (!v.IsArray()) Raise(kErrTypeMismatch);
    return *v.AsArray();
}

Value Join(Runtime& rt, Args a) {
    const Array& array = ArrayArg(a[0]);
    if (array.upper.size() != 1) Raise(kErrSubscript);
    std::string delimiter = a.size() > 1 ? ToString(a[1]) : " ";
    std::string out;
    for (size_t k = 0; k < array.items.size(); ++k) {
        std::string part = array.items[k].IsNull() ? std::string() : ToString(array.items[k]);
        CheckStringSize(rt, out.size() + part.size() + delimiter.size());
        if (k > 0) out += delimiter;
        out += part;
    }
    return Value(std::move(out));
}

// ---- arrays and type tests ------------------------------------------------------------------
Value ArrayOf(Runtime&, Args a) {
    std::vector<Value> items;
    items.reserve(a.size());
    for (const Value& v : a) items.push_back(StoreCopy(v));
    return MakeArray(std::move(items));
}

Value Bound(Args a, bool upper) {
    const Array& array = ArrayArg(a[0]);
    int64_t dimension = a.size() > 1 ? ToLong(a[1]) : 1;
    if (dimension < 1 || dimension > static_cast<int64_t>(array.upper.size())) Raise(kErrSubscript);
    return Value(upper ? array.upper[static_cast<size_t>(dimension - 1)] : int32_t{0});
}
Value UBound(Runtime&, Args a) {
    return Bound(a, true);
}
Value LBound(Runtime&, Args a) {
    return Bound(a, false);
}

Value IsArray(Runtime&, Args a) {
    return Value(a[0].IsArray());
}
Value IsEmpty(Runtime&, Args a) {
    return Value(a[0].IsEmpty());
}
Value IsNull(Runtime&, Args a) {
    return Value(a[0].IsNull());
}
Value IsObject(Runtime&, Args a) {
    return Value(a[0].IsObject());
}
Value IsNumeric(Runtime&, Args a) {
    double d;
    return Value(a[0].IsNumeric() || a[0].IsEmpty() || (a[0].IsString() && ParseNumber(a[0].AsString(), &d)));
}
Value TypeName(Runtime&, Args a) {
    return Value(TypeNameOf(a[0]));
}
Value VarTypeOf(Runtime&, Args a) {
    int code = static_cast<int>(a[0].type());
    if (a[0].IsArray()) code = static_cast<int>(VarType::Array) + static_cast<int>(VarType::Variant);
    return Value(static_cast<int16_t>(code));
}

// FormatNumber(value [, digits = 2 [, leading digit [, parentheses [, grouping]]]]).
Value FormatNumber(Runtime&, Args a) {
    if (a[0].IsNull()) return a[0];
    double x = ToDouble(a[0]);
    int64_t digits = Has(a, 1) ? ToLong(a[1]) : 2;
    if (digits < -1 || digits > 20) Raise(kErrInvalidCall);
    if (digits == -1) digits = 2;
    bool leadingZero = !Has(a, 2) || ToLong(a[2]) != 0;
    bool parentheses = Has(a, 3) && ToLong(a[3]) == -1;
    bool grouping = !Has(a, 4) || ToLong(a[4]) != 0;
    double scale = std::pow(10.0, static_cast<double>(digits));
    double rounded = std::round(std::fabs(x) * scale) / scale;  // half away from zero, as shown numbers are
    char buffer[400];
    std::snprintf(buffer, sizeof buffer, "%.*f", static_cast<int>(digits), rounded);
    std::string body = buffer;
    size_t dot = body.find('.');
    std::string whole = body.substr(0, dot), fraction = dot == std::string::npos ? "" : body.substr(dot);
    if (whole == "0" && !leadingZero && !fraction.empty()) whole.clear();
    std::string grouped;
    for (size_t k = 0; k < whole.size(); ++k) {
        if (grouping && k > 0 && (whole.size() - k) % 3 == 0) grouped += ',';
        grouped += whole[k];
    }
    std::string out = grouped + fraction;
    bool negative = x < 0 && rounded != 0;
    if (negative) out = parentheses ? "(" + out + ")" : "-" + out;
    return Value(std::move(out));
}

// ---- names a scene script must not reach ----------------------------------------------------
template <const char* Name>
Value Denied(Runtime&, Args) {
    Raise(kErrPermissionDenied, Name);
}
constexpr char kCreateObject[] = "CreateObject";
constexpr char kGetObject[] = "GetObject";
constexpr char kExecute[] = "Execute";
constexpr char kExecuteGlobal[] = "ExecuteGlobal";
constexpr char kEval[] = "Eval";
constexpr char kGetRef[] = "GetRef";
constexpr char kInputBox[] = "InputBox";
constexpr char kLoadPicture[] = "LoadPicture";

// ---- constants ------------------------------------------------------------------------------
template <const char* Text>
Value TextConstant(Runtime&, Args) {
    return Value(std::string(Text));
}
constexpr char kCrLf[] = "\r\n";
constexpr char kCr[] = "\r";
constexpr char kLf[] = "\n";
constexpr char kTab[] = "\t";
constexpr char kEmptyText[] = "";
template <int N>
Value IntConstant(Runtime&, Args) {
    return Value(static_cast<int16_t>(N));
}
Value NullChar(Runtime&, Args) {
    return Value(std::string(1, '\0'));
}
Value ErrObjectOf(Runtime& rt, Args) {
    return Value(rt.err);
}

const Builtin kBuiltins[] = {
    {"Abs", 1, 1, Abs},
    {"Atn", 1, 1, Math<std::atan>},
    {"Cos", 1, 1, Math<std::cos>},
    {"Sin", 1, 1, Math<std::sin>},
    {"Tan", 1, 1, Math<std::tan>},
    {"Exp", 1, 1, Math<std::exp>},
    {"Log", 1, 1, Log},
    {"Sqr", 1, 1, Sqr},
    {"Int", 1, 1, Whole<std::floor>},
    {"Fix", 1, 1, Whole<std::trunc>},
    {"Round", 1, 2, Round},
    {"Sgn", 1, 1, Sgn},
    {"Rnd", 0, 1, Rnd},
    {"Randomize", 0, 1, Randomize},
    {"Timer", 0, 0, Timer},
    {"CInt", 1, 1, CInt},
    {"CLng", 1, 1, CLng},
    {"CDbl", 1, 1, CDbl},
    {"CSng", 1, 1, CDbl},
    {"CStr", 1, 1, CStr},
    {"CBool", 1, 1, CBool},
    {"Hex", 1, 1, Hex},
    {"Oct", 1, 1, Oct},
    {"Chr", 1, 1, Chr},
    {"ChrW", 1, 1, Chr},
    {"Asc", 1, 1, Asc},
    {"AscW", 1, 1, Asc},
    {"Len", 1, 1, Len},
    {"Left", 2, 2, Left},
    {"Right", 2, 2, Right},
    {"Mid", 2, 3, Mid},
    {"InStr", 2, 4, InStr},
    {"InStrRev", 2, 4, InStrRev},
    {"Replace", 3, 6, Replace},
    {"UCase", 1, 1, ChangeCase<true>},
    {"LCase", 1, 1, ChangeCase<false>},
    {"Trim", 1, 1, TrimBlanks<true, true>},
    {"LTrim", 1, 1, TrimBlanks<true, false>},
    {"RTrim", 1, 1, TrimBlanks<false, true>},
    {"Space", 1, 1, Space},
    {"String", 2, 2, StringOf},
    {"StrReverse", 1, 1, StrReverse},
    {"Split", 1, 4, Split},
    {"Join", 1, 2, Join},
    {"Array", 0, 1 << 16, ArrayOf, true},
    {"UBound", 1, 2, UBound},
    {"LBound", 1, 2, LBound},
    {"IsArray", 1, 1, IsArray, true},
    {"IsEmpty", 1, 1, IsEmpty, true},
    {"IsNull", 1, 1, IsNull, true},
    {"IsNumeric", 1, 1, IsNumeric},
    {"IsObject", 1, 1, IsObject, true},
    {"TypeName", 1, 1, TypeName, true},
    {"VarType", 1, 1, VarTypeOf},
    {"FormatNumber", 1, 5, FormatNumber},
    {"Err", 0, 0, ErrObjectOf},
    {"CreateObject", 0, 1 << 16, Denied<kCreateObject>},
    {"GetObject", 0, 1 << 16, Denied<kGetObject>},
    {"Execute", 0, 1 << 16, Denied<kExecute>},
    {"ExecuteGlobal", 0, 1 << 16, Denied<kExecuteGlobal>},
    {"Eval", 0, 1 << 16, Denied<kEval>},
    {"GetRef", 0, 1 << 16, Denied<kGetRef>},
    {"InputBox", 0, 1 << 16, Denied<kInputBox>},
    {"LoadPicture", 0, 1 << 16, Denied<kLoadPicture>},
    {"vbCrLf", 0, 0, TextConstant<kCrLf>},
    {"vbNewLine", 0, 0, TextConstant<kCrLf>},
    {"vbCr", 0, 0, TextConstant<kCr>},
    {"vbLf", 0, 0, TextConstant<kLf>},
    {"vbTab", 0, 0, TextConstant<kTab>},
    {"vbNullString", 0, 0, TextConstant<kEmptyText>},
    {"vbNullChar", 0, 0, NullChar},
    {"vbBinaryCompare", 0, 0, IntConstant<0>},
    {"vbTextCompare", 0, 0, IntConstant<1>},
    {"vbUseDefault", 0, 0, IntConstant<-2>},
    {"vbTrue", 0, 0, IntConstant<-1>},
    {"vbFalse", 0, 0, IntConstant<0>},
    {"vbEmpty", 0, 0, IntConstant<0>},
    {"vbNull", 0, 0, IntConstant<1>},
    {"vbInteger", 0, 0, IntConstant<2>},
    {"vbLong", 0, 0, IntConstant<3>},
    {"vbDouble", 0, 0, IntConstant<5>},
    {"vbString", 0, 0, IntConstant<8>},
    {"vbObject", 0, 0, IntConstant<9>},
    {"vbBoolean", 0, 0, IntConstant<11>},
    {"vbVariant", 0, 0, IntConstant<12>},
    {"vbOKOnly", 0, 0, IntConstant<0>},
    {"vbOK", 0, 0, IntConstant<1>},
};

}  // namespace

const Builtin* FindBuiltin(std::string_view lowerName) {
    static const std::unordered_map<std::string, const Builtin*> byName = [] {
        std::unordered_map<std::string, const Builtin*> map;
        for (const Builtin& b : kBuiltins) map[LowerAscii(b.name)] = &b;
        for (const Builtin& b : DateBuiltins()) map[LowerAscii(b.name)] = &b;
        return map;
    }();
    auto it = byName.find(std::string(lowerName));
    return it == byName.end() ? nullptr : it->second;
}

}  // namespace korvan::vbs
