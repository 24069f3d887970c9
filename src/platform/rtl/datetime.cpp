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
void Split(TDateTime t, int& y, int& mo, int& d, int& h, int& mi, int& s) {
  const int64_t secs = std::llround((t - kUnixEpochAsDateTime) * 86400.0);
  const time_t tt = static_cast<time_t>(secs);
  struct tm g {};
  gmtime_r(&tt, &g);  // the value is already local: read it without a zone
  y = g.tm_year + 1900; mo = g.tm_mon + 1; d = g.tm_mday; h = g.tm_hour; mi = g.tm_min; s = g.tm_sec;
}
}  // namespace

UString DateTimeToUStr(TDateTime t) {
  int y, mo, d, h, mi, s;
  Split(t, y, mo, d, h, mi, s);
  char buf[32];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", y, mo, d, h, mi, s);
  return Latin1ToUtf16(buf);
}

UString TimeToUStr(TDateTime t) {
  int y, mo, d, h, mi, s;
  Split(t, y, mo, d, h, mi, s);
  char buf[16];
  std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", h, mi, s);
  return Latin1ToUtf16(buf);
}
