// Dates as Julian day numbers, cut into periods of a time basis (day to century), for the
// time-line of dated texts.
//
// Contract
//   Dates are proleptic Gregorian (the calendar extended backwards), years -4000 to 4000, held
//   as Julian day numbers (day 0 of the runtime's TDateTime, 30 December 1899, is 2415018.5).
//   A period is numbered from the period holding a first date: PeriodNumberFor answers 0 for
//   that period, 1 for the next, and a negative number before it. Basis 0 (undefined) has no
//   periods: PeriodsBetween answers 0 and PeriodNumberFor -1.
//   PeriodsBetween of a reversed pair (end before start, as when no text is dated) is 0, and a
//   count is never above kMaxTimelinePeriods.
#pragma once

#include <cstdint>

#include "platform/rtl/ustring.h"

using TTimeLinePlotbase = uint8_t;
inline constexpr TTimeLinePlotbase kTimeBaseUndefined = 0;
inline constexpr TTimeLinePlotbase kTimeBaseDay = 1;
inline constexpr TTimeLinePlotbase kTimeBaseWeek = 2;  // weeks start on Monday
inline constexpr TTimeLinePlotbase kTimeBaseMonth = 3;
inline constexpr TTimeLinePlotbase kTimeBaseQuarter = 4;
inline constexpr TTimeLinePlotbase kTimeBaseYear = 5;
inline constexpr TTimeLinePlotbase kTimeBaseDecade = 6;
inline constexpr TTimeLinePlotbase kTimeBaseCentury = 7;
inline constexpr int kTimeBaseCount = 8;

inline constexpr int32_t kMaxTimelinePeriods = 100000;
inline constexpr double kApproxDaysPerYear = 365.25;
inline constexpr int32_t kEarliestTimelineYear = -4000;
inline constexpr int32_t kLatestTimelineYear = 4000;

struct TYearMonthDay {
  int32_t year = 0;
  int32_t month = 1;  // 1..12
  int32_t day = 1;    // 1..31
  bool operator==(const TYearMonthDay&) const = default;
};

// Julian day number of the start (midnight) of a date. A month or day out of range is taken to
// the nearest valid one; the year is clamped to -4000..4000.
double YearMonthDayToJulianAddingConst(const TYearMonthDay& ymd);
// The date a Julian day number falls on (its fraction, the time of day, is dropped). Not a
// number gives year -4001 (outside every time-line).
TYearMonthDay JulianDateToYearMonthDayRemovingConst(double julian);

// The first and the last day of the period holding ymd. Basis 0 gives ymd itself.
TYearMonthDay StartOfPeriod(const TYearMonthDay& ymd, TTimeLinePlotbase basis);
TYearMonthDay EndOfPeriod(const TYearMonthDay& ymd, TTimeLinePlotbase basis);
// How many periods run from the period holding start to that holding end, both counted; 0 for a
// reversed pair or basis 0; at most kMaxTimelinePeriods.
int32_t PeriodsBetween(const TYearMonthDay& start, const TYearMonthDay& end, TTimeLinePlotbase basis);
// The number of the period holding date, counted from the period holding first_start (0).
int32_t PeriodNumberFor(const TYearMonthDay& first_start, const TYearMonthDay& date, TTimeLinePlotbase basis);

// The basis's name ("month"); "" outside the table.
UString TimeLinePlotbaseStr(TTimeLinePlotbase basis);
// The heading of segment `segment` (from 1) of a time-line whose first period starts on
// first_julian: day and week "2021-03-15", month "2021-03", quarter "2021 Q1", year "2021",
// decade and century "1990s" / "1900s". "" for segment below 1 or basis 0.
UString JulianDateStrFromTimelineData(TTimeLinePlotbase basis, double first_julian, int32_t segment);
// The year of a Julian day number.
int32_t YearOfJulian(double julian);
