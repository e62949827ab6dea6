#pragma once
// Dates and times as the dialect keeps them: a Date is a double, the serial day. Its whole part
// counts days from 30 December 1899 (day 0) in the proleptic Gregorian calendar, its fraction is
// the time of day. Before day 0 the sign applies to the day only: -1.25 is 29 December 1899,
// 06:00 (the fraction still runs forward from midnight). Valid dates run from 1 January 100 to
// 31 December 9999.
//
// Text form (fixed, not taken from the environment, so a scene prints the same on every
// machine): year first with two-digit month and day, 24-hour time without a leading zero on the
// hour ("2020/01/31 9:05:07"). A date without a time prints only the date; day 0 with a time
// prints only the time. Reading accepts that form, the ISO form ("2020-01-31T09:05:07"), the
// month-first form of date literals ("1/31/2020 9:05 PM") and English month names
// ("31 Jan 2020", "January 31, 2020").
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace korvan::vbs {

inline constexpr double kFirstDateDay = -657434;  // 0100-01-01
inline constexpr double kLastDateDay = 2958465;   // 9999-12-31

struct CivilTime {
    int year = 1899, month = 12, day = 30;  // month 1..12, day 1..31
    int hour = 0, minute = 0, second = 0;
};

bool IsDateSerialInRange(double serial);

// Days from day 0 to a calendar date; month and day may lie outside their ranges and roll over
// (month 13 is January of the next year, day 0 the last day of the month before).
int64_t DayNumber(int64_t year, int64_t month, int64_t day);
int DaysInMonth(int year, int month);

// The serial of a day number and seconds after midnight (0 <= seconds < 86400).
double SerialOf(int64_t dayNumber, int64_t secondsOfDay);
// The calendar date and time of a serial, rounded to the nearest second.
CivilTime CivilOf(double serial);
// The day number and seconds after midnight of a serial (rounded to the second).
void SplitSerial(double serial, int64_t* dayNumber, int64_t* secondsOfDay);
// Weekday with Sunday = 0 ... Saturday = 6.
int WeekdayOf(int64_t dayNumber);

// Two-digit years name 1930..2029, as date literals and DateSerial read them.
int64_t WindowYear(int64_t year);

// The serial a text names, or nothing when it is not a date the dialect reads.
std::optional<double> ParseDate(std::string_view text);

std::string FormatShortDate(double serial);  // "2020/01/31"
std::string FormatLongDate(double serial);   // "2020年1月31日"
std::string FormatLongTime(double serial);   // "9:05:07"
std::string FormatShortTime(double serial);  // "09:05"
std::string FormatGeneralDate(double serial);

const char* MonthNameOf(int month, bool abbreviate);      // 1..12
const char* WeekdayNameOf(int sunday0, bool abbreviate);  // 0 = Sunday

// The current local date and time as a serial.
double NowSerial();

}  // namespace korvan::vbs
