// Classes of equal items: the first earlier equal item, whatever the hash shares with other
// classes, and a table that grows past its first size.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "concordance/lines/duplicate_classes.h"

namespace {

// Items and what FirstEqual must answer for each, under a hash that puts every item together
// (every class shares it) and under one that separates them; both must give the same answers.
TEST(DuplicateClasses, AnswersTheFirstEqualItemWhateverTheHashesShare) {
  const std::vector<std::string> items = {"a", "b", "a", "c", "b", "b", "d", "c", "a"};
  const std::vector<int32_t> want = {-1, -1, 0, -1, 1, 1, -1, 3, 0};
  for (const bool shared : {true, false}) {
    TDuplicateClasses classes(2);
    std::vector<int> compared(items.size(), 0);
    for (size_t i = 0; i < items.size(); ++i) {
      const uint64_t hash = shared ? 7 : std::hash<std::string>()(items[i]);
      const int32_t got = classes.FirstEqual(static_cast<int32_t>(i), hash, [&](int32_t earlier) {
        ++compared[static_cast<size_t>(earlier)];
        return items[static_cast<size_t>(earlier)] == items[i];
      });
      EXPECT_EQ(got, want[i]) << "item " << i << (shared ? " (one hash)" : "");
    }
    // Later members of a class are never compared again.
    for (size_t i = 0; i < items.size(); ++i)
      if (want[i] >= 0) {
        EXPECT_EQ(compared[i], 0) << "item " << i;
      }
  }
}

// Far more items than the table was sized for: it grows and keeps every class.
TEST(DuplicateClasses, GrowsPastItsFirstSize) {
  TDuplicateClasses classes(1);
  const int n = 5000;
  for (int i = 0; i < n; ++i)
    ASSERT_EQ(classes.FirstEqual(i, static_cast<uint64_t>(i % 1000) * 3, [&](int32_t e) { return e % 1000 == i % 1000; }),
              i < 1000 ? -1 : i % 1000);
}

}  // namespace
