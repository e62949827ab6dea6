#include "script/vbs/DateTime.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <vector>

namespace korvan::vbs {

namespace {

int64_t FloorDiv(int64_t a, int64_t b) {
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)));
}

// Days from 1970-01-01 to a proleptic Gregorian date (month 1..12). Counting from March makes
// the leap day the last day of the counted year: an era is 400 years = 146097 days.
int64_t DaysFromCivil(int64_t y, int64_t m, int64_t d) {
    y -= m <= 2;
    const int64_t era = FloorDiv(y, 400);
    const int64_t yearOfEra = y - era * 400;
    const int64_t dayOfYear = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

// The inverse of DaysFromCivil.
void CivilFromDays(int64_t z, int* year, int* month, int* day) {
    z += 719468;
    const int64_t era = FloorDiv(z, 146097);
    const int64_t dayOfEra = z - era * 146097;
    const int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const int64_t mp = (5 * dayOfYear + 2) / 153;
    *day = static_cast<int>(dayOfYear - (153 * mp + 2) / 5 + 1);
    *month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    *year = static_cast<int>(yearOfEra + era * 400 + (*month <= 2));
}

constexpr int64_t kDay0 = -25569;  // 1899-12-30 counted from 1970-01-01

const char* const kMonths[] = {"January", "February", "March",     "April",   "May",      "June",
                               "July",    "August",   "September", "October", "November", "December"};
const char* const kMonthsShort[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                    "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
const char* const kWeekdays[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                 "Thursday", "Friday", "Saturday"};
const char* const kWeekdaysShort[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};

int CurrentYear() {
    return CivilOf(NowSerial()).year;
}

// ---- reading ---------------------------------------------------------------------------------
struct Piece {
    bool number = false;
    int64_t value = 0;
    int digits = 0;
    std::string word;  // lower case
    char after = 0;    // the separator that follows (' ' for none)
};

bool SplitPieces(std::string_view text, std::vector<Piece>* pieces) {
    size_t i = 0;
    while (i < text.size()) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == ' ' || c == '\t' || c == ',') {
            ++i;
            continue;
        }
        Piece p;
        if (std::isdigit(c)) {
            p.number = true;
            while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) {
                if (++p.digits > 9) return false;
                p.value = p.value * 10 + (text[i++] - '0');
            }
        } else if (std::isalpha(c)) {
            while (i < text.size() && std::isalpha(static_cast<unsigned char>(text[i])))
                p.word += static_cast<char>(std::tolower(static_cast<unsigned char>(text[i++])));
        } else {
            return false;
        }
        p.after = ' ';
        if (i < text.size() && (text[i] == '/' || text[i] == '-' || text[i] == ':')) p.after = text[i++];
        pieces->push_back(std::move(p));
    }
    return true;
}

int MonthOfWord(const std::string& word) {
    if (word.size() < 3) return 0;
    for (int m = 0; m < 12; ++m) {
        std::string full = kMonths[m];
        for (char& ch : full) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
        if (full.compare(0, word.size(), word) == 0) return m + 1;
    }
    return 0;
}

struct DateParts {
    std::vector<Piece> numbers;
    int month = 0;  // from a month name
    bool hasTime = false;
    int64_t hour = 0, minute = 0, second = 0;
    int meridiem = 0;  // 1 AM, 2 PM
};

// Sorts the pieces into date numbers, a month name and a time "h[:m[:s]] [AM|PM]".
bool Classify(const std::vector<Piece>& pieces, DateParts* parts) {
    for (size_t k = 0; k < pieces.size(); ++k) {
        const Piece& p = pieces[k];
        if (p.number) {
            const bool meridiemNext = k + 1 < pieces.size() && !pieces[k + 1].number &&
                                      (pieces[k + 1].word == "am" || pieces[k + 1].word == "pm" ||
                                       pieces[k + 1].word == "a" || pieces[k + 1].word == "p");
            if (p.after != ':' && !meridiemNext) {
                if (parts->numbers.size() == 3) return false;
                parts->numbers.push_back(p);
                continue;
            }
            if (parts->hasTime) return false;
            parts->hasTime = true;
            parts->hour = p.value;
            int64_t* fields[] = {&parts->minute, &parts->second};
            for (int64_t* field : fields) {
                if (pieces[k].after != ':') break;
                if (++k >= pieces.size() || !pieces[k].number) return false;
                *field = pieces[k].value;
            }
            if (pieces[k].after == ':') return false;
            continue;
        }
        if (p.word == "am" || p.word == "a" || p.word == "pm" || p.word == "p") {
            if (!parts->hasTime || parts->meridiem) return false;
            parts->meridiem = p.word[0] == 'a' ? 1 : 2;
        } else if (p.word == "t" && k > 0 && !parts->hasTime) {
            // ISO: "2020-01-31T09:05:07"
        } else if (int m = MonthOfWord(p.word); m && !parts->month) {
            parts->month = m;
        } else {
            return false;
        }
    }
    return true;
}

bool IsYearLike(const Piece& p) {
    return p.digits >= 3 || p.value > 31;
}

// Year, month and day from the date numbers and the month name.
bool ResolveDate(const DateParts& parts, int64_t* y, int64_t* m, int64_t* d, bool* windowed) {
    const std::vector<Piece>& n = parts.numbers;
    *windowed = false;
    auto year = [&](const Piece& p) {
        *windowed = p.digits <= 2;
        return p.value;
    };
    if (parts.month) {
        *m = parts.month;
        if (n.size() == 2) {
            const bool yearFirst = n[0].digits >= 3;
            *y = year(yearFirst ? n[0] : n[1]);
            *d = (yearFirst ? n[1] : n[0]).value;
        } else if (n.size() == 1) {
            if (IsYearLike(n[0]))
                *y = year(n[0]), *d = 1;
            else
                *y = CurrentYear(), *d = n[0].value;
        } else {
            return false;
        }
        return true;
    }
    if (n.size() == 3) {
        if (IsYearLike(n[0])) {
            *y = year(n[0]), *m = n[1].value, *d = n[2].value;
        } else {
            *m = n[0].value, *d = n[1].value, *y = year(n[2]);
            if (*m > 12 && *d <= 12) std::swap(*m, *d);  // day first, as "31/1/2020"
        }
        return true;
    }
    if (n.size() == 2) {
        if (IsYearLike(n[0])) {
            *y = year(n[0]), *m = n[1].value, *d = 1;
        } else if (IsYearLike(n[1])) {
            *m = n[0].value, *y = year(n[1]), *d = 1;
        } else {
            *y = CurrentYear(), *m = n[0].value, *d = n[1].value;
            if (*m > 12 && *d <= 12) std::swap(*m, *d);
        }
        return true;
    }
    return false;
}

bool ResolveTime(const DateParts& parts, int64_t* seconds) {
    int64_t h = parts.hour;
    if (parts.meridiem) {
        if (h < 1 || h > 12) return false;
        h = h % 12 + (parts.meridiem == 2 ? 12 : 0);
    }
    if (h > 23 || parts.minute > 59 || parts.second > 59) return false;
    *seconds = h * 3600 + parts.minute * 60 + parts.second;
    return true;
}

}  // namespace

bool IsDateSerialInRange(double serial) {
    // Up to the last second of each end day (serials count the time away from day 0).
    constexpr double kHalfSecond = 0.5 / 86400;
    return serial > kFirstDateDay - 1 + kHalfSecond && serial < kLastDateDay + 1 - kHalfSecond;
}

int64_t DayNumber(int64_t year, int64_t month, int64_t day) {
    year += FloorDiv(month - 1, 12);
    month = month - 1 - FloorDiv(month - 1, 12) * 12 + 1;
    return DaysFromCivil(year, month, 1) + (day - 1) - kDay0;
}

int DaysInMonth(int year, int month) {
    return static_cast<int>(DayNumber(year, month + 1, 1) - DayNumber(year, month, 1));
}

double SerialOf(int64_t dayNumber, int64_t secondsOfDay) {
    const double fraction = static_cast<double>(secondsOfDay) / 86400.0;
    return dayNumber >= 0 ? static_cast<double>(dayNumber) + fraction
                          : static_cast<double>(dayNumber) - fraction;
}

void SplitSerial(double serial, int64_t* dayNumber, int64_t* secondsOfDay) {
    double whole = std::trunc(serial);
    int64_t day = static_cast<int64_t>(whole);
    int64_t seconds = std::llround(std::fabs(serial - whole) * 86400.0);
    if (seconds >= 86400) seconds -= 86400, ++day;  // rounded up to the next midnight
    *dayNumber = day;
    *secondsOfDay = seconds;
}

CivilTime CivilOf(double serial) {
    int64_t day, seconds;
    SplitSerial(serial, &day, &seconds);
    CivilTime t;
    CivilFromDays(day + kDay0, &t.year, &t.month, &t.day);
    t.hour = static_cast<int>(seconds / 3600);
    t.minute = static_cast<int>(seconds / 60 % 60);
    t.second = static_cast<int>(seconds % 60);
    return t;
}

int WeekdayOf(int64_t dayNumber) {
    // Day 0 was a Saturday.
    return static_cast<int>((dayNumber % 7 + 7 + 6) % 7);
}

int64_t WindowYear(int64_t year) {
    if (year >= 0 && year < 30) return year + 2000;
    if (year >= 30 && year < 100) return year + 1900;
    return year;
}

std::optional<double> ParseDate(std::string_view text) {
    std::vector<Piece> pieces;
    if (!SplitPieces(text, &pieces) || pieces.empty()) return std::nullopt;
    DateParts parts;
    if (!Classify(pieces, &parts)) return std::nullopt;
    int64_t seconds = 0;
    if (parts.hasTime && !ResolveTime(parts, &seconds)) return std::nullopt;
    int64_t day = 0;
    if (!parts.numbers.empty() || parts.month) {
        int64_t y, m, d;
        bool windowed;
        if (!ResolveDate(parts, &y, &m, &d, &windowed)) return std::nullopt;
        if (windowed) y = WindowYear(y);
        if (y < 100 || y > 9999 || m < 1 || m > 12 || d < 1 ||
            d > DaysInMonth(static_cast<int>(y), static_cast<int>(m)))
            return std::nullopt;
        day = DayNumber(y, m, d);
    } else if (!parts.hasTime) {
        return std::nullopt;
    }
    return SerialOf(day, seconds);
}

std::string FormatShortDate(double serial) {
    CivilTime t = CivilOf(serial);
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%04d/%02d/%02d", t.year, t.month, t.day);
    return buffer;
}

std::string FormatLongDate(double serial) {
    CivilTime t = CivilOf(serial);
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, "%d年%d月%d日", t.year, t.month, t.day);
    return buffer;
}

std::string FormatLongTime(double serial) {
    CivilTime t = CivilOf(serial);
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%d:%02d:%02d", t.hour, t.minute, t.second);
    return buffer;
}

std::string FormatShortTime(double serial) {
    CivilTime t = CivilOf(serial);
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%02d:%02d", t.hour, t.minute);
    return buffer;
}

std::string FormatGeneralDate(double serial) {
    int64_t day, seconds;
    SplitSerial(serial, &day, &seconds);
    if (day == 0) return FormatLongTime(serial);
    if (seconds == 0) return FormatShortDate(serial);
    return FormatShortDate(serial) + " " + FormatLongTime(serial);
}

const char* MonthNameOf(int month, bool abbreviate) {
    return abbreviate ? kMonthsShort[month - 1] : kMonths[month - 1];
}

const char* WeekdayNameOf(int sunday0, bool abbreviate) {
    return abbreviate ? kWeekdaysShort[sunday0] : kWeekdays[sunday0];
}

double NowSerial() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    const int64_t day = DayNumber(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
    // Whole seconds, as the dialect's clock reads (Timer gives fractions).
    return SerialOf(day, local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec);
}

}  // namespace korvan::vbs
