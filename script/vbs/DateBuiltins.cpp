// The date and time built-ins: the clock (Now, Date, Time), building dates (DateSerial,
// TimeSerial, DateValue, TimeValue, CDate), taking them apart (Year ... Second, Weekday,
// DatePart), calendar arithmetic (DateAdd, DateDiff) and their text (FormatDateTime, MonthName,
// WeekdayName). Calendar arithmetic works on the time line (day number and seconds after
// midnight), not on the serial, whose fraction runs backwards before day 0.
#include <algorithm>
#include <cstdint>
#include <string>

#include "script/vbs/Builtins.h"
#include "script/vbs/Convert.h"
#include "script/vbs/DateTime.h"
#include "script/vbs/HostObject.h"
#include "script/vbs/ScriptError.h"

namespace korvan::vbs {

namespace {

using Args = std::span<const Value>;

bool Has(Args a, size_t i) {
    return a.size() > i && !a[i].IsEmpty();
}

int64_t FloorDiv(int64_t a, int64_t b) {
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)));
}

// A point on the time line: a day number and the seconds after its midnight.
struct Moment {
    int64_t day = 0;
    int64_t seconds = 0;
    int64_t Total() const { return day * 86400 + seconds; }
};

Moment MomentOf(double serial) {
    Moment m;
    SplitSerial(serial, &m.day, &m.seconds);
    return m;
}

Moment MomentOfTotal(int64_t totalSeconds) {
    Moment m;
    m.day = FloorDiv(totalSeconds, 86400);
    m.seconds = totalSeconds - m.day * 86400;
    return m;
}

// The Date of a moment; "Invalid procedure call or argument" outside the years 100 to 9999.
Value DateOf(Moment m) {
    const double serial = SerialOf(m.day, m.seconds);
    if (!IsDateSerialInRange(serial)) Raise(kErrInvalidCall);
    return Value(DateValue{serial});
}

Value Small(int64_t n) {
    return Value(static_cast<int16_t>(n));
}

// vbSunday (1) ... vbSaturday (7); 0 is the system's choice, Sunday.
int FirstDayOfWeek(Args a, size_t i) {
    if (!Has(a, i)) return 1;
    int32_t d = ToLong(a[i]);
    if (d < 0 || d > 7) Raise(kErrInvalidCall);
    return d == 0 ? 1 : d;
}

// vbFirstJan1 (1), vbFirstFourDays (2), vbFirstFullWeek (3); 0 is the system's choice, 1.
int FirstWeekOfYear(Args a, size_t i) {
    if (!Has(a, i)) return 1;
    int32_t w = ToLong(a[i]);
    if (w < 0 || w > 3) Raise(kErrInvalidCall);
    return w == 0 ? 1 : w;
}

// Weekday counted from the first day of the week: 1 ... 7.
int WeekdayFrom(int64_t day, int firstDay) {
    return (WeekdayOf(day) - (firstDay - 1) + 7) % 7 + 1;
}

// The first day of week 1: the week holding 1 January, the first with at least four days of the
// year, or the first whole week.
int64_t WeekOneStart(int64_t year, int firstDay, int firstWeek) {
    const int64_t jan1 = DayNumber(year, 1, 1);
    const int64_t intoWeek = WeekdayFrom(jan1, firstDay) - 1;
    int64_t start = jan1 - intoWeek;
    if ((firstWeek == 2 && 7 - intoWeek < 4) || (firstWeek == 3 && intoWeek != 0)) start += 7;
    return start;
}

// With week 1 the one holding 1 January, the last days of December stay in the old year's last
// week; with the other rules they may already lie in the new year's week 1.
int64_t WeekOfYear(int64_t day, int year, int firstDay, int firstWeek) {
    if (firstWeek != 1 && day >= WeekOneStart(year + 1, firstDay, firstWeek)) return 1;
    int64_t start = WeekOneStart(year, firstDay, firstWeek);
    if (day < start) start = WeekOneStart(year - 1, firstDay, firstWeek);
    return (day - start) / 7 + 1;
}

std::string Interval(const Value& v) {
    return LowerAscii(ToString(v));
}

// ---- the clock ---------------------------------------------------------------------------------
Value Now(Runtime&, Args) {
    return Value(DateValue{NowSerial()});
}

Value Today(Runtime&, Args) {
    return Value(DateValue{SerialOf(MomentOf(NowSerial()).day, 0)});
}

Value TimeOfDay(Runtime&, Args) {
    return Value(DateValue{SerialOf(0, MomentOf(NowSerial()).seconds)});
}

// ---- building dates ----------------------------------------------------------------------------
Value DateSerial(Runtime&, Args a) {
    const int64_t year = WindowYear(ToLong(a[0]));
    const int64_t day = DayNumber(year, ToLong(a[1]), ToLong(a[2]));
    return DateOf({day, 0});
}

Value TimeSerial(Runtime&, Args a) {
    const int64_t total = int64_t{ToLong(a[0])} * 3600 + int64_t{ToLong(a[1])} * 60 + ToLong(a[2]);
    return DateOf(MomentOfTotal(total));
}

Value CDate(Runtime&, Args a) {
    return Value(DateValue{ToDateSerial(a[0])});
}

Value DateValueOf(Runtime&, Args a) {
    if (a[0].IsNull()) return a[0];
    return Value(DateValue{SerialOf(MomentOf(ToDateSerial(a[0])).day, 0)});
}

Value TimeValueOf(Runtime&, Args a) {
    if (a[0].IsNull()) return a[0];
    return Value(DateValue{SerialOf(0, MomentOf(ToDateSerial(a[0])).seconds)});
}

Value IsDate(Runtime&, Args a) {
    return Value(a[0].IsDate() || (a[0].IsString() && ParseDate(a[0].AsString()).has_value()));
}

// ---- taking dates apart -------------------------------------------------------------------------
template <int CivilTime::*Field>
Value Part(Runtime&, Args a) {
    if (a[0].IsNull()) return a[0];
    return Small(CivilOf(ToDateSerial(a[0])).*Field);
}

Value Weekday(Runtime&, Args a) {
    if (a[0].IsNull()) return a[0];
    return Small(WeekdayFrom(MomentOf(ToDateSerial(a[0])).day, FirstDayOfWeek(a, 1)));
}

Value DatePart(Runtime&, Args a) {
    if (a[1].IsNull()) return a[1];
    const std::string interval = Interval(a[0]);
    const double serial = ToDateSerial(a[1]);
    const CivilTime t = CivilOf(serial);
    const int64_t day = MomentOf(serial).day;
    const int firstDay = FirstDayOfWeek(a, 2), firstWeek = FirstWeekOfYear(a, 3);
    if (interval == "yyyy") return Small(t.year);
    if (interval == "q") return Small((t.month - 1) / 3 + 1);
    if (interval == "m") return Small(t.month);
    if (interval == "y") return Small(day - DayNumber(t.year, 1, 1) + 1);
    if (interval == "d") return Small(t.day);
    if (interval == "w") return Small(WeekdayFrom(day, firstDay));
    if (interval == "ww") return Small(WeekOfYear(day, t.year, firstDay, firstWeek));
    if (interval == "h") return Small(t.hour);
    if (interval == "n") return Small(t.minute);
    if (interval == "s") return Small(t.second);
    Raise(kErrInvalidCall);
}

// ---- calendar arithmetic -----------------------------------------------------------------------
// Adding months keeps the day of the month where the month has it and takes the month's last
// day otherwise (31 January + 1 month = 29 February 2020).
Value AddMonths(Moment m, double serial, int64_t months) {
    const CivilTime t = CivilOf(serial);
    const int64_t index = int64_t{t.year} * 12 + (t.month - 1) + months;
    const int64_t year = FloorDiv(index, 12), month = index - year * 12 + 1;
    if (year < 100 || year > 9999) Raise(kErrInvalidCall);
    const int64_t day =
        std::min<int64_t>(t.day, DaysInMonth(static_cast<int>(year), static_cast<int>(month)));
    return DateOf({DayNumber(year, month, day), m.seconds});
}

Value DateAdd(Runtime&, Args a) {
    if (a[2].IsNull()) return a[2];
    const std::string interval = Interval(a[0]);
    const int64_t n = ToLong(a[1]);
    const double serial = ToDateSerial(a[2]);
    const Moment m = MomentOf(serial);
    if (interval == "yyyy") return AddMonths(m, serial, n * 12);
    if (interval == "q") return AddMonths(m, serial, n * 3);
    if (interval == "m") return AddMonths(m, serial, n);
    if (interval == "y" || interval == "d" || interval == "w") return DateOf({m.day + n, m.seconds});
    if (interval == "ww") return DateOf({m.day + 7 * n, m.seconds});
    if (interval == "h") return DateOf(MomentOfTotal(m.Total() + n * 3600));
    if (interval == "n") return DateOf(MomentOfTotal(m.Total() + n * 60));
    if (interval == "s") return DateOf(MomentOfTotal(m.Total() + n));
    Raise(kErrInvalidCall);
}

// DateDiff counts the boundaries crossed between the two moments: "d" midnights, "m" month
// starts, "ww" first days of the week; "w" counts whole weeks.
int64_t Difference(const std::string& interval, double from, double to, int firstDay) {
    const Moment a = MomentOf(from), b = MomentOf(to);
    const CivilTime ta = CivilOf(from), tb = CivilOf(to);
    if (interval == "yyyy") return tb.year - ta.year;
    if (interval == "q") return (tb.year * 4 + (tb.month - 1) / 3) - (ta.year * 4 + (ta.month - 1) / 3);
    if (interval == "m") return (tb.year * 12 + tb.month) - (ta.year * 12 + ta.month);
    if (interval == "y" || interval == "d") return b.day - a.day;
    if (interval == "w") return (b.day - a.day) / 7;
    if (interval == "ww") {
        // Day 1 (31 December 1899) was a Sunday; `origin` falls on the first day of the week.
        const int64_t origin = 1 + (firstDay - 1);
        return FloorDiv(b.day - origin, 7) - FloorDiv(a.day - origin, 7);
    }
    if (interval == "h") return FloorDiv(b.Total(), 3600) - FloorDiv(a.Total(), 3600);
    if (interval == "n") return FloorDiv(b.Total(), 60) - FloorDiv(a.Total(), 60);
    if (interval == "s") return b.Total() - a.Total();
    Raise(kErrInvalidCall);
}

Value DateDiff(Runtime&, Args a) {
    if (a[1].IsNull() || a[2].IsNull()) return Value::Null();
    const std::string interval = Interval(a[0]);
    const int64_t d = Difference(interval, ToDateSerial(a[1]), ToDateSerial(a[2]), FirstDayOfWeek(a, 3));
    FirstWeekOfYear(a, 4);  // checked, though no interval of DateDiff depends on it
    if (d >= INT32_MIN && d <= INT32_MAX) return Value(static_cast<int32_t>(d));
    return Value(static_cast<double>(d));
}

// ---- text --------------------------------------------------------------------------------------
Value FormatDateTime(Runtime&, Args a) {
    if (a[0].IsNull()) return a[0];
    const double serial = ToDateSerial(a[0]);
    switch (Has(a, 1) ? ToLong(a[1]) : 0) {
        case 0:
            return Value(FormatGeneralDate(serial));
        case 1:
            return Value(FormatLongDate(serial));
        case 2:
            return Value(FormatShortDate(serial));
        case 3:
            return Value(FormatLongTime(serial));
        case 4:
            return Value(FormatShortTime(serial));
        default:
            Raise(kErrInvalidCall);
    }
}

Value MonthName(Runtime&, Args a) {
    const int32_t month = ToLong(a[0]);
    if (month < 1 || month > 12) Raise(kErrInvalidCall);
    return Value(MonthNameOf(month, Has(a, 1) && ToBool(a[1])));
}

Value WeekdayName(Runtime&, Args a) {
    const int32_t weekday = ToLong(a[0]);
    if (weekday < 1 || weekday > 7) Raise(kErrInvalidCall);
    const int sunday0 = (weekday - 1 + FirstDayOfWeek(a, 2) - 1) % 7;
    return Value(WeekdayNameOf(sunday0, Has(a, 1) && ToBool(a[1])));
}

template <int N>
Value Constant(Runtime&, Args) {
    return Value(static_cast<int16_t>(N));
}

const Builtin kDateBuiltins[] = {
    {"Now", 0, 0, Now},
    {"Date", 0, 0, Today},
    {"Time", 0, 0, TimeOfDay},
    {"DateSerial", 3, 3, DateSerial},
    {"TimeSerial", 3, 3, TimeSerial},
    {"DateValue", 1, 1, DateValueOf},
    {"TimeValue", 1, 1, TimeValueOf},
    {"CDate", 1, 1, CDate},
    {"IsDate", 1, 1, IsDate},
    {"Year", 1, 1, Part<&CivilTime::year>},
    {"Month", 1, 1, Part<&CivilTime::month>},
    {"Day", 1, 1, Part<&CivilTime::day>},
    {"Hour", 1, 1, Part<&CivilTime::hour>},
    {"Minute", 1, 1, Part<&CivilTime::minute>},
    {"Second", 1, 1, Part<&CivilTime::second>},
    {"Weekday", 1, 2, Weekday},
    {"DatePart", 2, 4, DatePart},
    {"DateAdd", 3, 3, DateAdd},
    {"DateDiff", 3, 5, DateDiff},
    {"FormatDateTime", 1, 2, FormatDateTime},
    {"MonthName", 1, 2, MonthName},
    {"WeekdayName", 1, 3, WeekdayName},
    {"vbDate", 0, 0, Constant<7>},
    {"vbGeneralDate", 0, 0, Constant<0>},
    {"vbLongDate", 0, 0, Constant<1>},
    {"vbShortDate", 0, 0, Constant<2>},
    {"vbLongTime", 0, 0, Constant<3>},
    {"vbShortTime", 0, 0, Constant<4>},
    {"vbUseSystemDayOfWeek", 0, 0, Constant<0>},
    {"vbSunday", 0, 0, Constant<1>},
    {"vbMonday", 0, 0, Constant<2>},
    {"vbTuesday", 0, 0, Constant<3>},
    {"vbWednesday", 0, 0, Constant<4>},
    {"vbThursday", 0, 0, Constant<5>},
    {"vbFriday", 0, 0, Constant<6>},
    {"vbSaturday", 0, 0, Constant<7>},
    {"vbUseSystem", 0, 0, Constant<0>},
    {"vbFirstJan1", 0, 0, Constant<1>},
    {"vbFirstFourDays", 0, 0, Constant<2>},
    {"vbFirstFullWeek", 0, 0, Constant<3>},
};

}  // namespace

std::span<const Builtin> DateBuiltins() {
    return kDateBuiltins;
}

}  // namespace korvan::vbs
