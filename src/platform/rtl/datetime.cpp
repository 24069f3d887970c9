#include "platform/rtl/datetime.h"

#include <cmath>
#include <cstdio>
#include <ctime>
#include <sys/stat.h>
#include <sys/time.h>

namespace {
constexpr double kUnixEpochAsDateTime = 25569.0;  // 1970-01-01

int64_t LocalOffsetSeconds(time_t at) {
  struct tm lt {};
  localtime_r(&at, &lt);
  return lt.tm_gmtoff;
}
}  // namespace

TDateTime UnixToDateTime(int64_t seconds) {
  const int64_t local = seconds + LocalOffsetSeconds(static_cast<time_t>(seconds));
  return kUnixEpochAsDateTime + static_cast<double>(local) / 86400.0;
}

int64_t DateTimeToUnix(TDateTime t) {
  const int64_t local = std::llround((t - kUnixEpochAsDateTime) * 86400.0);
  return local - LocalOffsetSeconds(static_cast<time_t>(local));
}

TDateTime Now() {
  struct timeval tv {};
  gettimeofday(&tv, nullptr);
  const int64_t local = tv.tv_sec + LocalOffsetSeconds(tv.tv_sec);
  return kUnixEpochAsDateTime + (static_cast<double>(local) + tv.tv_usec / 1e6) / 86400.0;
}

TDateTime FileDateTime(UStringView name) {
  struct stat st {};
  if (::stat(Utf16ToUtf8(name).c_str(), &st) != 0) return 0;
  return UnixToDateTime(st.st_mtime);
}

double SecondsBetween(TDateTime a, TDateTime b) { return std::fabs(a - b) * 86400.0; }

namespace {
// Days since 1970-01-01 of a proleptic Gregorian date, and back.
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const auto yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

void CivilFromDays(int64_t z, int& y, int& m, int& d) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const auto doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  y = static_cast<int>(yoe + era * 400 + (m <= 2));
}

constexpr int64_t kDayZeroFromUnix = -25569;  // 1899-12-30
}  // namespace

bool TryEncodeDateTime(int year, int month, int day, int hour, int minute, int second, TDateTime& out) {
  static constexpr int kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12 || day < 1 || day > kDays[month - 1]) return false;
  if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59) return false;
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  if (month == 2 && day == 29 && !leap) return false;
  const int64_t days = DaysFromCivil(year, unsigned(month), unsigned(day)) - kDayZeroFromUnix;
  out = static_cast<double>(days) + (hour * 3600 + minute * 60 + second) / 86400.0;
  return true;
}

void DecodeDateTime(TDateTime t, int& year, int& month, int& day, int& hour, int& minute, int& second) {
  const int64_t secs = std::llround(t * 86400.0);
  int64_t days = secs / 86400, rem = secs % 86400;
  if (rem < 0) rem += 86400, --days;
  CivilFromDays(days + kDayZeroFromUnix, year, month, day);
  hour = static_cast<int>(rem / 3600);
  minute = static_cast<int>(rem / 60 % 60);
  second = static_cast<int>(rem % 60);
}

UString DateTimeToUStr(TDateTime t) {
  int y, mo, d, h, mi, s;
  DecodeDateTime(t, y, mo, d, h, mi, s);
  char buf[32];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", y, mo, d, h, mi, s);
  return Latin1ToUtf16(buf);
}

UString TimeToUStr(TDateTime t) {
  int y, mo, d, h, mi, s;
  DecodeDateTime(t, y, mo, d, h, mi, s);
  char buf[16];
  std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", h, mi, s);
  return Latin1ToUtf16(buf);
}
