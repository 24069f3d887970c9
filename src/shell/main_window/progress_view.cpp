#include "shell/main_window/progress_view.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <fstream>

namespace {

UString TwoDigits(int64_t n) { return (n < 10 ? u"0" : u"") + IntToUStr(n); }

UString Grouped(int64_t n) {
  const UString digits = IntToUStr(n);
  UString out;
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out += u',';
    out += digits[i];
  }
  return out;
}

UString FieldText(const char16_t* field, size_t max) {
  size_t n = 0;
  while (n < max && field[n] != 0) ++n;
  return UString(field, n);
}

}  // namespace

UString DurationText(double seconds) {
  const int64_t s = seconds > 0 && std::isfinite(seconds) ? static_cast<int64_t>(seconds) : 0;
  const int64_t h = s / 3600, m = (s / 60) % 60, sec = s % 60;
  if (h > 0) return IntToUStr(h) + u":" + TwoDigits(m) + u":" + TwoDigits(sec);
  return IntToUStr(m) + u":" + TwoDigits(sec);
}

TProgressView MakeProgressView(const TProgressRec& rec, double elapsed_seconds, int64_t resident_bytes) {
  TProgressView v;
  v.short_message = FieldText(rec.short_message, 201);
  v.long_message = FieldText(rec.long_message, 201);
  v.this_percent = std::clamp(rec.this_percent, 0, 100);
  v.overall_percent = std::clamp(rec.overall_percent, 0, 100);
  if (rec.running_words > 0) v.running_words = Grouped(rec.running_words);
  v.elapsed = DurationText(elapsed_seconds);
  const int done = v.overall_percent > 0 ? v.overall_percent : v.this_percent;
  if (done > 0) v.remaining = DurationText(elapsed_seconds * (100 - done) / done);
  v.memory = Grouped(resident_bytes / (1024 * 1024)) + u" MB";
  return v;
}

int64_t ResidentMemoryBytes() {
  std::ifstream statm("/proc/self/statm");
  int64_t pages = 0, resident = 0;
  if (!(statm >> pages >> resident)) return 0;
  return resident * sysconf(_SC_PAGESIZE);
}
