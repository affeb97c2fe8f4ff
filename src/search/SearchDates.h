// The dates of the Find dialog: reading a typed date, the dates the dialog starts with, and the
// ranges "during the previous n months / days". Pure arithmetic on calendar records, plus the
// clock the dialog reads, which tests may replace.
#pragma once

#include <time.h>
#include <stddef.h>

namespace search {

using ClockFn = __time64_t (*)();
// The current time as the dialog sees it; tests install a fixed one (null: the system clock).
__time64_t Now();
ClockFn SetClock(ClockFn fn);

// Local calendar time of t; false when the platform cannot convert it.
bool LocalDate(__time64_t t, tm* out);

// "year-month-day" with "-", "/" or "." between the parts, read as decimal numbers. The month
// must be 1 to 12 and the day fit the month (29 February only in a year divisible by 4 and not
// 0). The result keeps the year as written, the month from 0, the day; the time of day, weekday
// and day of year are 0 and the daylight flag -1.
bool ParseDate(const char* text, tm* out);
// "%d-%d-%d" of year, month (from 1) and day.
void FormatDate(const tm& date, char* out, size_t size);
// The date a month before today as the dialog first shows it: the month goes back by one (from
// January to December of the year before) and the day stays, so 31 March gives 31 February.
tm MonthBack(const tm& today);
// The same time of day months earlier: months / 12 years and months % 12 months back, the day of
// the month kept.
tm MonthsBefore(const tm& now, int months);
// Year, then month, then day: negative, 0 or positive.
int CompareDates(const tm& a, const tm& b);

} // namespace search
