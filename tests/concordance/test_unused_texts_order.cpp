// The order of the texts a run read without lines: by name ignoring case, then case, then code
// units, and stable, whether the run met them in that order already or not.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "concordance/lines/line_records.h"
#include "platform/text/text_services.h"

namespace {

TUnusedFileList ListOf(const std::vector<UString>& names) {
  TUnusedFileList list;
  for (size_t i = 0; i < names.size(); ++i) {
    TUnusedFileRec r;
    r.filename = names[i];
    r.old.wordcount = static_cast<int32_t>(i);  // tells equal names apart
    list.Add(r);
  }
  return list;
}

// "name:words" for each record, in list order.
std::vector<std::string> Shown(const TUnusedFileList& list) {
  std::vector<std::string> out;
  for (int32_t i = 0; i < list.Count(); ++i)
    out.push_back(Utf16ToUtf8(list.Record(i).filename) + ":" + std::to_string(list.Record(i).old.wordcount));
  return out;
}

// A plain stable sort of the records by the three keys, each asked of the collation one by one.
std::vector<std::string> SortedBySecondWay(const TUnusedFileList& list) {
  std::vector<TUnusedFileRec> recs;
  for (int32_t i = 0; i < list.Count(); ++i) recs.push_back(list.Record(i));
  std::stable_sort(recs.begin(), recs.end(), [](const TUnusedFileRec& a, const TUnusedFileRec& b) {
    for (const bool case_sensitive : {false, true}) {
      const int c = CompareStringsLocale(kLCID_EnglishUS, case_sensitive, a.filename, b.filename);
      if (c != 0) return c < 0;
    }
    return a.filename < b.filename;
  });
  TUnusedFileList sorted;
  for (const TUnusedFileRec& r : recs) sorted.Add(r);
  return Shown(sorted);
}

TEST(UnusedTextsOrder, ByNameIgnoringCaseThenCaseThenCodeUnits) {
  TUnusedFileList list = ListOf({u"/c/b.txt", u"/c/Cafe.txt", u"/c/B.txt", u"/c/caf\u00E9.txt", u"/c/a.txt",
                                 u"/c/cafe.txt", u"/c/A.txt", u"/c/a.txt"});
  list.SortAlphabetically();
  EXPECT_EQ(Shown(list), (std::vector<std::string>{"/c/a.txt:4", "/c/a.txt:7", "/c/A.txt:6", "/c/b.txt:0", "/c/B.txt:2",
                                                    "/c/cafe.txt:5", "/c/Cafe.txt:1", "/c/caf\xC3\xA9.txt:3"}));
}

TEST(UnusedTextsOrder, AnyOrderMetGivesTheOrderOfAPlainStableSort) {
  // Four folders of numbered texts as a folder walk meets them, with names in mixed case, accents
  // and repeats among them.
  std::vector<UString> in_order;
  for (const UString folder : {u"/corpus/c1/", u"/corpus/c2/", u"/corpus/C3/", u"/corpus/d\u00E9j\u00E0/"})
    for (int t = 0; t < 60; ++t) in_order.push_back(folder + IntToUStr(10000 + t * 7) + u".txt");
  std::vector<UString> mixed = in_order;
  for (const UString extra : {u"/corpus/c1/Zeta.txt", u"/corpus/c1/zeta.txt", u"/corpus/c1/ZETA.txt",
                              u"/corpus/c1/zeta.txt", u"/corpus/c2/\u00C9t\u00E9.txt", u"/corpus/c2/ete.txt"})
    mixed.push_back(extra);
  std::vector<UString> reversed(in_order.rbegin(), in_order.rend());
  std::vector<UString> shuffled = mixed;
  std::shuffle(shuffled.begin(), shuffled.end(), std::mt19937(41));
  // One neighbour out of order at the very end, and at the very start.
  std::vector<UString> last_swapped = in_order, first_swapped = in_order;
  std::swap(last_swapped[last_swapped.size() - 1], last_swapped[last_swapped.size() - 2]);
  std::swap(first_swapped[0], first_swapped[1]);
  const std::vector<UString> none;
  const struct {
    const char* name;
    const std::vector<UString>& names;
  } cases[] = {{"in order", in_order},         {"with extras", mixed},           {"reversed", reversed},
               {"shuffled", shuffled},         {"last two swapped", last_swapped}, {"first two swapped", first_swapped},
               {"empty", none}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TUnusedFileList list = ListOf(c.names);
    const std::vector<std::string> expected = SortedBySecondWay(list);
    list.SortAlphabetically();
    EXPECT_EQ(Shown(list), expected);
    // A second sort leaves the order as it is.
    list.SortAlphabetically();
    EXPECT_EQ(Shown(list), expected);
  }
}

}  // namespace
