#include <gtest/gtest.h>

#include "shell/main_window/progress_view.h"
#include "shell/services/progress.h"

TEST(ProgressView, Durations) {
  const std::pair<double, const char16_t*> cases[] = {
      {0, u"0:00"}, {5.9, u"0:05"}, {720, u"12:00"}, {3723, u"1:02:03"}, {-4, u"0:00"}};
  for (auto [seconds, text] : cases) EXPECT_EQ(DurationText(seconds), UString(text)) << seconds;
}

TEST(ProgressView, FromTheRecord) {
  TProgressRec rec{};
  CopyProgressMessage(rec.short_message, u"Concordance");
  CopyProgressMessage(rec.long_message, u"reading \u00e9t\u00e9.txt");
  rec.this_percent = 80;
  rec.overall_percent = 25;
  rec.running_words = 1234567;
  const TProgressView v = MakeProgressView(rec, 60, 150ll * 1024 * 1024);
  EXPECT_EQ(v.short_message, u"Concordance");
  EXPECT_EQ(v.long_message, u"reading \u00e9t\u00e9.txt");
  EXPECT_EQ(v.running_words, u"1,234,567");
  EXPECT_EQ(v.elapsed, u"1:00");
  EXPECT_EQ(v.remaining, u"3:00");  // a quarter done in a minute: three to go
  EXPECT_EQ(v.memory, u"150 MB");
}

TEST(ProgressView, RemainingNeedsAPercentage) {
  TProgressRec rec{};
  rec.this_percent = 150;  // out of range: shown as 100
  TProgressView v = MakeProgressView(rec, 10, 0);
  EXPECT_EQ(v.this_percent, 100);
  EXPECT_EQ(v.remaining, u"0:00");
  rec.this_percent = 0;
  v = MakeProgressView(rec, 10, 0);
  EXPECT_EQ(v.remaining, u"");
  EXPECT_EQ(v.running_words, u"");
  EXPECT_GT(ResidentMemoryBytes(), 0);
}
