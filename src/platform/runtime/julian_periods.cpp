#include "platform/runtime/julian_periods.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>

namespace {

using std::chrono::day;
using std::chrono::days;
using std::chrono::month;
using std::chrono::sys_days;
using std::chrono::year;
using std::chrono::year_month_day;

// 1 January 1970 (the clock's day 0) at midnight.
constexpr double kJulianOfUnixDayZero = 2440587.5;

sys_days ToDays(const TYearMonthDay& d) {
  const int y = std::clamp(d.year, kEarliestTimelineYear, kLatestTimelineYear);
  const unsigned m = static_cast<unsigned>(std::clamp(d.month, 1, 12));
  const unsigned last = static_cast<unsigned>(std::chrono::year_month_day_last{year{y}, std::chrono::month_day_last{month{m}}}.day());
  const unsigned dd = static_cast<unsigned>(std::clamp(d.day, 1, static_cast<int>(last)));
  return sys_days{year_month_day{year{y}, month{m}, day{dd}}};
}

TYearMonthDay FromDays(sys_days sd) {
  const year_month_day ymd{sd};
  return {static_cast<int>(ymd.year()), static_cast<int>(static_cast<unsigned>(ymd.month())),
          static_cast<int>(static_cast<unsigned>(ymd.day()))};
}

// Floor division for negative years (decades and centuries before year 0).
int32_t FloorDiv(int32_t a, int32_t b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }

// A period's ordinal on one scale, so that numbers and counts are differences of ordinals.
int64_t Ordinal(const TYearMonthDay& d, TTimeLinePlotbase basis) {
  const int64_t day_number = ToDays(d).time_since_epoch().count();
  switch (basis) {
    case kTimeBaseDay: return day_number;
    case kTimeBaseWeek: {
      // 1 January 1970 was a Thursday: day 4 is a Monday.
      const int64_t from_monday = day_number - 4;
      return from_monday >= 0 ? from_monday / 7 : -((-from_monday + 6) / 7);
    }
    case kTimeBaseMonth: return int64_t{d.year} * 12 + (std::clamp(d.month, 1, 12) - 1);
    case kTimeBaseQuarter: return int64_t{d.year} * 4 + (std::clamp(d.month, 1, 12) - 1) / 3;
    case kTimeBaseYear: return d.year;
    case kTimeBaseDecade: return FloorDiv(d.year, 10);
    case kTimeBaseCentury: return FloorDiv(d.year, 100);
    default: return 0;
  }
}

}  // namespace

double YearMonthDayToJulianAddingConst(const TYearMonthDay& ymd) {
  return static_cast<double>(ToDays(ymd).time_since_epoch().count()) + kJulianOfUnixDayZero;
}

TYearMonthDay JulianDateToYearMonthDayRemovingConst(double julian) {
  if (!std::isfinite(julian)) return {kEarliestTimelineYear - 1, 1, 1};
  const double from_epoch = std::floor(julian - kJulianOfUnixDayZero);
  // Beyond the calendar's reach the year cannot be one of the time-line's.
  if (std::fabs(from_epoch) > 4.0e6) return {from_epoch < 0 ? kEarliestTimelineYear - 1 : kLatestTimelineYear + 1, 1, 1};
  return FromDays(sys_days{days{static_cast<int64_t>(from_epoch)}});
}

TYearMonthDay StartOfPeriod(const TYearMonthDay& ymd, TTimeLinePlotbase basis) {
  const TYearMonthDay d = FromDays(ToDays(ymd));
  switch (basis) {
    case kTimeBaseDay: return d;
    case kTimeBaseWeek: {
      const sys_days sd = ToDays(d);
      const std::chrono::weekday wd{sd};
      const int back = static_cast<int>((wd.c_encoding() + 6) % 7);  // days since Monday
      return FromDays(sd - days{back});
    }
    case kTimeBaseMonth: return {d.year, d.month, 1};
    case kTimeBaseQuarter: return {d.year, (d.month - 1) / 3 * 3 + 1, 1};
    case kTimeBaseYear: return {d.year, 1, 1};
    case kTimeBaseDecade: return {FloorDiv(d.year, 10) * 10, 1, 1};
    case kTimeBaseCentury: return {FloorDiv(d.year, 100) * 100, 1, 1};
    default: return d;
  }
}

TYearMonthDay EndOfPeriod(const TYearMonthDay& ymd, TTimeLinePlotbase basis) {
  const TYearMonthDay start = StartOfPeriod(ymd, basis);
  // Day 31 is taken to the month's last day.
  auto last = [](int32_t y, int32_t m) { return FromDays(ToDays({y, m, 31})); };
  switch (basis) {
    case kTimeBaseDay: return start;
    case kTimeBaseWeek: return FromDays(ToDays(start) + days{6});
    case kTimeBaseMonth: return last(start.year, start.month);
    case kTimeBaseQuarter: return last(start.year, start.month + 2);
    case kTimeBaseYear: return last(start.year, 12);
    case kTimeBaseDecade: return last(start.year + 9, 12);
    case kTimeBaseCentury: return last(start.year + 99, 12);
    default: return start;
  }
}

int32_t PeriodsBetween(const TYearMonthDay& start, const TYearMonthDay& end, TTimeLinePlotbase basis) {
  if (basis == kTimeBaseUndefined || basis >= kTimeBaseCount) return 0;
  const int64_t n = Ordinal(end, basis) - Ordinal(start, basis) + 1;
  if (n <= 0) return 0;
  return static_cast<int32_t>(std::min<int64_t>(n, kMaxTimelinePeriods));
}

int32_t PeriodNumberFor(const TYearMonthDay& first_start, const TYearMonthDay& date, TTimeLinePlotbase basis) {
  if (basis == kTimeBaseUndefined || basis >= kTimeBaseCount) return -1;
  const int64_t n = Ordinal(date, basis) - Ordinal(first_start, basis);
  return static_cast<int32_t>(std::clamp<int64_t>(n, INT32_MIN, INT32_MAX));
}

UString TimeLinePlotbaseStr(TTimeLinePlotbase basis) {
  static const char16_t* const kNames[kTimeBaseCount] = {u"undefined", u"day",  u"week",   u"month",
                                                         u"quarter",   u"year", u"decade", u"century"};
  return basis < kTimeBaseCount ? UString(kNames[basis]) : UString();
}

int32_t YearOfJulian(double julian) { return JulianDateToYearMonthDayRemovingConst(julian).year; }

UString JulianDateStrFromTimelineData(TTimeLinePlotbase basis, double first_julian, int32_t segment) {
  if (segment < 1 || basis == kTimeBaseUndefined || basis >= kTimeBaseCount) return UString();
  const TYearMonthDay first = StartOfPeriod(JulianDateToYearMonthDayRemovingConst(first_julian), basis);
  const int64_t k = segment - 1;
  char buf[48];
  switch (basis) {
    case kTimeBaseDay:
    case kTimeBaseWeek: {
      const TYearMonthDay d = FromDays(ToDays(first) + days{basis == kTimeBaseDay ? k : 7 * k});
      std::snprintf(buf, sizeof buf, "%d-%02d-%02d", d.year, d.month, d.day);
      break;
    }
    case kTimeBaseMonth:
    case kTimeBaseQuarter: {
      const int64_t step = basis == kTimeBaseMonth ? 1 : 3;
      const int64_t m = int64_t{first.year} * 12 + (first.month - 1) + step * k;
      const int64_t y = m >= 0 ? m / 12 : -((-m + 11) / 12);
      const int64_t mon = m - y * 12 + 1;
      if (basis == kTimeBaseMonth)
        std::snprintf(buf, sizeof buf, "%lld-%02lld", static_cast<long long>(y), static_cast<long long>(mon));
      else
        std::snprintf(buf, sizeof buf, "%lld Q%lld", static_cast<long long>(y), static_cast<long long>((mon - 1) / 3 + 1));
      break;
    }
    case kTimeBaseYear: std::snprintf(buf, sizeof buf, "%lld", static_cast<long long>(first.year + k)); break;
    case kTimeBaseDecade: std::snprintf(buf, sizeof buf, "%llds", static_cast<long long>(first.year + 10 * k)); break;
    default: std::snprintf(buf, sizeof buf, "%llds", static_cast<long long>(first.year + 100 * k)); break;
  }
  return Latin1ToUtf16(buf);
}
