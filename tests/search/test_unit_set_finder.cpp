// The unit-set finder, which tests eight units at a time, against a unit-by-unit search.
#include <gtest/gtest.h>

#include <random>

#include "platform/search/search_chars.h"

namespace {

size_t NaiveNext(const std::vector<char16_t>& values, char16_t mask, const UString& text, size_t i) {
  for (; i < text.size(); ++i)
    for (char16_t v : values)
      if ((text[i] & mask) == (v & mask)) return i;
  return text.size();
}

}  // namespace

TEST(UnitSetFinder, FindsWhatAUnitByUnitSearchFinds) {
  // Masks of the whole unit and of its low byte; sets of one value, a few and more than the
  // vector test holds; texts with the values rare, so that most blocks of eight hold none.
  struct Case {
    char16_t mask;
    size_t values;
  };
  const Case cases[] = {{0xFFFF, 1}, {0xFFFF, 5}, {0x00FF, 3},  {0x00FF, 6},   {0x00FF, 12},
                        {0xFFFF, 20}, {0x00FF, 30}, {0xFFFF, 40}, {0x00FF, 200}};
  for (const Case& c : cases) {
    for (uint32_t seed = 1; seed <= 10; ++seed) {
      std::mt19937 rng(seed);
      auto unit = [&] { return static_cast<char16_t>(rng() % 3 == 0 ? rng() % 0x3000 : u'a' + rng() % 26); };
      std::vector<char16_t> values;
      TUnitSetFinder finder(c.mask);
      for (size_t k = 0; k < c.values; ++k) {
        values.push_back(unit());
        finder.Add(values.back());
      }
      UString text(200 + seed * 37, u' ');
      for (char16_t& ch : text) ch = rng() % 50 == 0 ? values[rng() % values.size()] : unit();
      for (size_t i = 0; i <= text.size();) {
        const size_t want = NaiveNext(values, c.mask, text, i);
        ASSERT_EQ(finder.Next(text.data(), i, text.size()), want)
            << "mask " << static_cast<int>(c.mask) << ", " << c.values << " values, seed " << seed << ", from " << i;
        i = want + 1;
      }
    }
  }
  EXPECT_EQ(TUnitSetFinder().Next(u"abc", 0, 3), 3u);  // an empty set finds nothing
}
