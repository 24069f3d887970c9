// Dates and times as the runtime keeps them: TDateTime = days since 30 December 1899 (local time),
// the fraction being the time of day.
#pragma once

#include <cstdint>

#include "platform/rtl/ustring.h"

using TDateTime = double;

TDateTime Now();
TDateTime FileDateTime(UStringView name);  // last modification; 0 when the file is absent
TDateTime UnixToDateTime(int64_t seconds);  // local time
int64_t DateTimeToUnix(TDateTime t);
double SecondsBetween(TDateTime a, TDateTime b);  // |a - b| in seconds

// Julian day numbers: the runtime's day 0 (30 December 1899) is Julian day 2415018.5.
inline constexpr double kJulianOfDayZero = 2415018.5;
inline double DateTimeToJulianAddingConst(TDateTime d) { return d + kJulianOfDayZero; }
inline TDateTime JulianToDateTimeRemovingConst(double j) { return j - kJulianOfDayZero; }

// Calendar date and time of day, without a zone. TryEncodeDateTime answers false for an
// impossible date or time (31 April, 29 February of a common year, 24:00).
bool TryEncodeDateTime(int year, int month, int day, int hour, int minute, int second, TDateTime& out);
void DecodeDateTime(TDateTime t, int& year, int& month, int& day, int& hour, int& minute, int& second);

// "yyyy-mm-dd hh:nn:ss"
UString DateTimeToUStr(TDateTime t);
// "hh:nn:ss"
UString TimeToUStr(TDateTime t);
