#include "search/SearchDates.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace search {

namespace {

__time64_t SystemClock() { return _time64(nullptr); }

ClockFn g_clock = SystemClock;

// Reads a decimal number; false for an empty part, a part with other characters, or one too
// large for an int.
bool ReadNumber(const char* text, int* out)
{
    if (!*text)
        return false;
    long long value = 0;
    for (const char* p = text; *p; ++p) {
        if (*p == ' ')
            continue; // the edits admit spaces; they carry no meaning inside a date
        if (*p < '0' || *p > '9')
            return false;
        value = value * 10 + (*p - '0');
        if (value > 0x7FFFFFFF)
            return false;
    }
    *out = static_cast<int>(value);
    return true;
}

int DaysInMonth(int year, int month)
{
    switch (month) {
    case 4: case 6: case 9: case 11:
        return 30;
    case 2:
        return (year % 4 == 0 && year != 0) ? 29 : 28;
    default:
        return 31;
    }
}

} // namespace

__time64_t Now() { return g_clock(); }

ClockFn SetClock(ClockFn fn)
{
    ClockFn old = g_clock;
    g_clock = fn ? fn : SystemClock;
    return old;
}

bool LocalDate(__time64_t t, tm* out)
{
    memset(out, 0, sizeof *out);
    return _localtime64_s(out, &t) == 0;
}

bool ParseDate(const char* text, tm* out)
{
    char copy[32];
    if (!text || strlen(text) >= sizeof copy)
        return false;
    strcpy(copy, text);
    // Runs of separators count as one, as between the parts of a date typed with spaces.
    int parts[3];
    int n = 0;
    for (char* p = copy; *p && n < 3;) {
        if (strchr("-/.", *p)) {
            ++p;
            continue;
        }
        char* end = p + strcspn(p, "-/.");
        const bool last = *end == '\0';
        *end = '\0';
        if (!ReadNumber(p, &parts[n]))
            return false;
        ++n;
        p = last ? end : end + 1;
    }
    if (n < 3)
        return false;
    const int year = parts[0], month = parts[1], day = parts[2];
    if (month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month))
        return false;
    memset(out, 0, sizeof *out);
    out->tm_year = year;
    out->tm_mon = month - 1;
    out->tm_mday = day;
    out->tm_isdst = -1;
    return true;
}

void FormatDate(const tm& date, char* out, size_t size)
{
    snprintf(out, size, "%d-%d-%d", date.tm_year + 1900, date.tm_mon + 1, date.tm_mday);
}

tm MonthBack(const tm& today) { return MonthsBefore(today, 1); }

tm MonthsBefore(const tm& now, int months)
{
    tm from = now;
    from.tm_year -= months / 12;
    from.tm_mon -= months % 12;
    if (from.tm_mon < 0) {
        from.tm_mon += 12;
        from.tm_year -= 1;
    }
    return from;
}

int CompareDates(const tm& a, const tm& b)
{
    if (a.tm_year != b.tm_year)
        return a.tm_year < b.tm_year ? -1 : 1;
    if (a.tm_mon != b.tm_mon)
        return a.tm_mon < b.tm_mon ? -1 : 1;
    if (a.tm_mday != b.tm_mday)
        return a.tm_mday < b.tm_mday ? -1 : 1;
    return 0;
}

} // namespace search
