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

// "yyyy-mm-dd hh:nn:ss"
UString DateTimeToUStr(TDateTime t);
// "hh:nn:ss"
UString TimeToUStr(TDateTime t);
