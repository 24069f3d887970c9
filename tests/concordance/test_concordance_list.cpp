// The concordance list: limits, its stream (round trips, cuts, failed writes), the 31 sort keys
// against a plain stable sort, column tables, stop words, merging, duplicates and widening.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <limits>
#include <random>
#include <tuple>

#include "concordance/lines/concordance_list.h"
#include "concordance/document/source_files.h"
#include "platform/rtl/streams.h"

namespace {

class FakeDocument : public TConcordanceListDocument {
 public:
  int32_t wanted = 0;
  bool case_sensitive[3] = {false, false, false};
  bool per_million = false;
  bool old_mode = false;
  bool colours_changed = false;
  TLinzoraFilenamelist* files = nullptr;
  std::vector<UString> words = {u"dog"};

  int32_t LinesWantedPerWord() const override { return wanted; }
  bool CaseSensitiveSort(int level) const override { return case_sensitive[level]; }
  bool UnitPercentPerMillion() const override { return per_million; }
  void NoteTagColoursChanged() override { colours_changed = true; }
  bool OldRecordsMode() const override { return old_mode; }
  void SetOldRecordsMode() override { old_mode = true; }
  std::vector<UString> TypedSearchWords() const override { return words; }
  TLinzoraFilenamelist* SourceFiles() const override { return files; }
  int ColumnKind(int column) const override { return column == 1 ? 1 : (column == 2 ? 2 : 0); }
};

// A stream that takes only so many bytes.
class ShortStream : public TMemoryStream {
 public:
  explicit ShortStream(int64_t room) : room_(room) {}
  int64_t Write(const void* buffer, int64_t count) override {
    const int64_t n = std::max<int64_t>(0, std::min(count, room_));
    room_ -= n;
    return n == 0 ? 0 : TMemoryStream::Write(buffer, n);
  }

 private:
  int64_t room_;
};

struct Fixture {
  TVXBaseHolder holder;
  FakeDocument doc;
  std::unique_ptr<TLinzoraFilenamelist> files;
  std::unique_ptr<TConcordanceList> list;

  explicit Fixture(int n_files = 2) {
    files = std::make_unique<TLinzoraFilenamelist>(&holder);
    for (int i = 0; i < n_files; ++i) {
      TLinzoraFilenameEntryRecPlus rec;
      rec.full_filename = u"/corpus/text" + IntToUStr(i) + u".txt";
      rec.head.words_in_source_file = i == 0 ? 1000 : 0;
      rec.other_data.zero_based_filename_num = i;
      rec.other_data.file_size = 1000 + i;
      rec.other_data.TextualDateAndTime = 2450000.0 + (n_files - i);
      files->Add(new TLinzoraFilenameEntry(files.get(), rec));
    }
    doc.files = files.get();
    list = std::make_unique<TConcordanceList>(&holder, &doc);
  }

  // A line "left sw right": words at L1, the search word and R1.
  TConcordanceEntry* AddLine(UStringView left, UStringView sw, UStringView right, int32_t file = 1,
                             int32_t word_num = 0) {
    auto line = list->NewLine();
    UString text = UString(left) + u" " + UString(sw) + u" " + UString(right);
    line->SetText(text);
    auto& d = line->Data();
    d.midpoint = static_cast<int16_t>(left.size() + 1);
    d.hit_characters = static_cast<int32_t>(sw.size());
    d.filename_num_original = file;
    d.word_num = word_num;
    d.has_percent = true;
    line->SetFixedWord(4, {static_cast<int16_t>(-int(left.size()) - 1), static_cast<int16_t>(left.size()), 0, 0});
    line->SetFixedWord(5, {0, static_cast<int16_t>(sw.size()), 0, 0});
    line->SetFixedWord(6, {static_cast<int16_t>(sw.size() + 1), static_cast<int16_t>(right.size()), 0, 0});
    TConcordanceEntry* raw = line.get();
    EXPECT_GE(list->Add(line.release()), 0);
    return raw;
  }

  std::vector<UString> Column(int span) const {
    std::vector<UString> out;
    for (int i = 0; i < list->Count(); ++i) out.push_back(list->WordAtSpan(*list->Line(i), span));
    return out;
  }
};

std::vector<uint8_t> Saved(Fixture& f) {
  TMemoryStream s;
  EXPECT_TRUE(f.list->SaveToStream(s));
  return s.Data();
}

// Reads the bytes into g's list.
bool Read(Fixture& g, std::vector<uint8_t> bytes) {
  TMemoryStream s(std::move(bytes));
  s.Seek(0, TSeekOrigin::Begin);
  return g.list->ReadFromStream(s);
}

TEST(ConcordanceList, LimitIsSearchWordsTimesLinesWanted) {
  Fixture f;
  f.doc.wanted = 100;
  f.list->PrepareSearchItemCounters(3);
  EXPECT_EQ(f.list->LineLimit(), 300);
  EXPECT_EQ(f.list->sws_found_counter.size(), 3u);
  for (int i = 0; i < 299; ++i) f.AddLine(u"a", u"dog", u"b");
  EXPECT_FALSE(f.list->LimitReached());
  f.AddLine(u"a", u"dog", u"b");
  EXPECT_TRUE(f.list->LimitReached());
  // Beyond single precision the product is still exact.
  f.doc.wanted = 16777217;
  f.list->PrepareSearchItemCounters(2);
  EXPECT_EQ(f.list->LineLimit(), 33554434);
  f.doc.wanted = 0;
  EXPECT_FALSE(f.list->LimitReached());
}

TEST(ConcordanceList, AddKeepsTheFattestHitAndABusyListRefusesAddingAndSorting) {
  Fixture f;
  f.AddLine(u"a", u"elephants", u"b");
  f.AddLine(u"a", u"dog", u"b");
  EXPECT_EQ(f.list->fFattest_hit, 9);
  f.list->SetListBusy(kBusyReading);
  auto line = f.list->NewLine();
  EXPECT_EQ(f.list->Add(line.get()), -1);  // the line stays ours
  EXPECT_FALSE(f.list->SortAlphabeticallyAscending());
  EXPECT_EQ(f.Column(50), (std::vector<UString>{u"elephants", u"dog"}));
  f.list->SetListBusy(kBusyNone);
  EXPECT_TRUE(f.list->SortAlphabeticallyAscending());
  EXPECT_EQ(f.Column(50), (std::vector<UString>{u"dog", u"elephants"}));
}

TEST(ConcordanceList, StreamRoundTripWritesVersion25AndTheSpareBlock) {
  Fixture f;
  f.AddLine(u"the", u"dog", u"barked", 1, 7);
  f.AddLine(u"a", u"Dog", u"ran", 2, 9);
  for (int i = 0; i < kSpareColoursBytes; ++i) f.list->fSpare_colours[static_cast<size_t>(i)] = static_cast<uint8_t>(i * 7);
  f.list->SetVersionNumber(3);
  const std::vector<uint8_t> bytes = Saved(f);
  EXPECT_EQ(f.list->GetVersionNumber(), 25);
  ASSERT_GE(bytes.size(), size_t(kSpareColoursBytes));
  EXPECT_EQ(0, std::memcmp(bytes.data() + bytes.size() - kSpareColoursBytes, f.list->fSpare_colours.data(),
                           kSpareColoursBytes));

  Fixture g;
  ASSERT_TRUE(Read(g, bytes));
  ASSERT_EQ(g.list->Count(), 2);
  EXPECT_EQ(g.list->GetVersionNumber(), 25);
  EXPECT_EQ(g.list->fSpare_colours, f.list->fSpare_colours);
  EXPECT_EQ(g.list->Line(0)->Text(), u"the dog barked");
  EXPECT_EQ(g.list->Line(1)->Data().word_num, 9);
  EXPECT_EQ(g.list->fFattest_hit, 3);
  EXPECT_FALSE(g.list->Dud_CNC_Filenames_found);
  EXPECT_EQ(Saved(g), bytes);  // written again, the same bytes
}

// A line's Set-column category goes with its private part: format 2 adds the text, its colour
// and its tag; a line without one writes no private part, as before, and a stream of format 1
// still reads.
TEST(ConcordanceList, CategoriesGoWithTheLinesPrivatePart) {
  Fixture plain;
  plain.AddLine(u"an", u"old", u"man", 1, 2);
  plain.AddLine(u"an", u"old", u"dog", 1, 5);
  plain.AddLine(u"a", u"young", u"cat", 1, 8);
  const std::vector<uint8_t> without = Saved(plain);

  Fixture f;
  for (const auto& [left, sw, right, word] : {std::tuple{u"an", u"old", u"man", 2}, std::tuple{u"an", u"old", u"dog", 5},
                                              std::tuple{u"a", u"young", u"cat", 8}})
    f.AddLine(left, sw, right, 1, word);
  f.list->Line(0)->SetCategoryText(u"my category");
  f.list->Line(2)->SetCategoryText(u"young");
  const std::vector<uint8_t> with = Saved(f);
  // Each category costs its flag's private part: format, marks, count, characters, colour, tag.
  EXPECT_EQ(with.size(), without.size() + (2 + 4 + 11 * 2 + 8) + (2 + 4 + 5 * 2 + 8));
  const UString category = u"my category";
  std::vector<uint8_t> part = {1, 2, 0, 11, 0, 0, 0};
  for (char16_t ch : category) part.insert(part.end(), {static_cast<uint8_t>(ch), 0});
  part.insert(part.end(), {0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0});  // no colour, no tag
  const auto at = std::search(with.begin(), with.end(), part.begin(), part.end());
  ASSERT_NE(at, with.end());

  Fixture g;
  ASSERT_TRUE(Read(g, with));
  ASSERT_EQ(g.list->Count(), 3);
  EXPECT_EQ(UString(g.list->Line(0)->SetText()), u"my category");
  EXPECT_EQ(UString(g.list->Line(1)->SetText()), u"");
  EXPECT_EQ(UString(g.list->Line(2)->SetText()), u"young");
  EXPECT_EQ(Saved(g), with);
  // Cleared again, the list is written as one that never had any.
  for (int i = 0; i < 3; ++i) f.list->Line(i)->SetCategoryText(u"");
  EXPECT_EQ(Saved(f), without);

  // The first line's private part as format 1 (marks only): read, no category.
  std::vector<uint8_t> old_format(with.begin(), at);
  old_format.insert(old_format.end(), {1, 1, 0});
  old_format.insert(old_format.end(), at + static_cast<std::ptrdiff_t>(part.size()), with.end());
  Fixture h;
  ASSERT_TRUE(Read(h, old_format));
  EXPECT_EQ(UString(h.list->Line(0)->SetText()), u"");
  EXPECT_EQ(UString(h.list->Line(2)->SetText()), u"young");
  // A format this program does not know fails the read.
  std::vector<uint8_t> unknown = with;
  unknown[static_cast<size_t>(at - with.begin()) + 1] = 3;
  Fixture k;
  EXPECT_FALSE(Read(k, unknown));
}

TEST(ConcordanceList, EveryCutOfTheStreamAnswersFalse) {
  Fixture f;
  f.AddLine(u"the", u"dog", u"barked", 1, 7);
  f.AddLine(u"a", u"dog", u"ran", 2, 9);
  const std::vector<uint8_t> bytes = Saved(f);
  for (size_t cut = 0; cut < bytes.size(); ++cut) {
    Fixture g;
    EXPECT_FALSE(Read(g, std::vector<uint8_t>(bytes.begin(), bytes.begin() + static_cast<ptrdiff_t>(cut)))) << cut;
  }
}

TEST(ConcordanceList, GarbledCountsAnswerFalseWithoutHugeAllocations) {
  Fixture f;
  f.AddLine(u"the", u"dog", u"barked", 1, 7);
  const std::vector<uint8_t> bytes = Saved(f);
  // The entry count of the stored-list information sits just after the 8-byte head.
  for (int32_t count : {-1, INT32_MAX, 1000000}) {
    std::vector<uint8_t> bad = bytes;
    std::memcpy(bad.data() + 8, &count, 4);
    Fixture g;
    EXPECT_FALSE(Read(g, bad)) << count;
  }
}

// Fault: a failed write after the lines must not pass as success.
TEST(ConcordanceList, EveryFailedWriteMakesSavingFalse) {
  Fixture f;
  f.AddLine(u"the", u"dog", u"barked", 1, 7);
  const auto size = static_cast<int64_t>(Saved(f).size());
  for (int64_t room : {int64_t(0), int64_t(10), size / 2, size - kSpareColoursBytes, size - 1}) {
    ShortStream s(room);
    EXPECT_FALSE(f.list->SaveToStream(s)) << "room " << room;
  }
  ShortStream enough(size);
  EXPECT_TRUE(f.list->SaveToStream(enough));
}

TEST(ConcordanceList, OldRecordsModeReadsNoSpareBlock) {
  Fixture f;
  std::vector<uint8_t> bytes = Saved(f);
  bytes.resize(bytes.size() - kSpareColoursBytes);
  for (bool old_mode : {true, false}) {
    Fixture g;
    g.doc.old_mode = old_mode;
    EXPECT_EQ(Read(g, bytes), old_mode);
  }
}

TEST(ConcordanceList, MissingPercentagesAreFilledFromWordNumbers) {
  Fixture f;
  f.AddLine(u"the", u"dog", u"barked", 1, 250)->Data().has_percent = false;
  f.AddLine(u"a", u"dog", u"ran", 2, 9)->Data().has_percent = false;
  Fixture g;
  ASSERT_TRUE(Read(g, Saved(f)));
  EXPECT_FLOAT_EQ(g.list->Line(0)->Data().percent_of_file, 25.0f);  // 250 of 1000 words
  EXPECT_FLOAT_EQ(g.list->Line(1)->Data().percent_of_file, 0.01f);  // a text with no counted words
  EXPECT_TRUE(g.list->Line(1)->Data().has_percent);
}

TEST(ConcordanceList, FileThenWordNumberOrdersByTextThenPosition) {
  Fixture f;
  f.AddLine(u"a", u"dog", u"b", 2, 5);
  f.AddLine(u"a", u"dog", u"b", 1, 9);
  f.AddLine(u"a", u"dog", u"b", 2, 1);
  f.AddLine(u"a", u"dog", u"b", 1, 3);
  f.list->EnsureAlphabeticalAscendingSort();
  ASSERT_TRUE(f.list->CompleteResort());
  std::vector<int> got;
  for (int i = 0; i < 4; ++i) got.push_back(f.list->Line(i)->Data().filename_num_original * 10 + f.list->Line(i)->Data().word_num);
  EXPECT_EQ(got, (std::vector<int>{13, 19, 21, 25}));
}

TEST(ConcordanceList, SortAlphabeticallyIsSearchWordThenL1) {
  Fixture f;
  f.AddLine(u"zebra", u"cat", u"x");
  f.AddLine(u"bee", u"dog", u"x");
  f.AddLine(u"ant", u"dog", u"x");
  f.AddLine(u"yak", u"ant", u"x");
  ASSERT_TRUE(f.list->SortAlphabeticallyAscending());
  EXPECT_EQ(f.Column(50), (std::vector<UString>{u"ant", u"cat", u"dog", u"dog"}));
  EXPECT_EQ(f.Column(49), (std::vector<UString>{u"yak", u"zebra", u"ant", u"bee"}));
}

// Property: the list's sort equals a stable sort comparing the words level by level.
TEST(ConcordanceList, SortEqualsStableSortByLocaleComparison) {
  const std::vector<UString> pool = {u"dog", u"Dog", u"DOG", u"cat", u"Cat", u"éclair", u"eclair", u"apple", u"", u"zoo"};
  std::mt19937 rng(12345);
  for (int round = 0; round < 8; ++round) {
    Fixture f;
    const bool cs0 = round & 1, cs1 = (round >> 1) & 1, desc2 = (round >> 2) & 1;
    f.doc.case_sensitive[0] = cs0;
    f.doc.case_sensitive[1] = cs1;
    for (int i = 0; i < 200; ++i) {
      const UString& l = pool[rng() % pool.size()];
      const UString& sw = pool[rng() % (pool.size() - 1)];
      TConcordanceEntry* line =
          f.AddLine(l.empty() ? u"q" : l, sw.empty() ? u"x" : sw, pool[rng() % pool.size()], 1, static_cast<int32_t>(rng() % 5));
      const unsigned p = rng() % 4;
      line->Data().percent_of_file = p == 0 ? std::numeric_limits<float>::quiet_NaN() : static_cast<float>(p);
    }
    std::vector<TConcordanceEntry*> expected;
    for (int i = 0; i < f.list->Count(); ++i) expected.push_back(f.list->Line(i));
    // Odd rounds end on a level with NaN values, even ones on whole numbers.
    const bool nan_level = round & 1;
    f.list->SetThreeSorts(kConcSortSearchWord, kConcSortFirstWord + 6, nan_level ? kConcSortPercentOfFile : kConcSortWordNumber);
    f.list->SetSortAscending(2, !desc2);
    // NaN below every number, equal to NaN.
    auto third = [&](const TConcordanceEntry* a, const TConcordanceEntry* b) {
      if (!nan_level) return (a->Data().word_num > b->Data().word_num) - (a->Data().word_num < b->Data().word_num);
      const float x = a->Data().percent_of_file, y = b->Data().percent_of_file;
      if (std::isnan(x) || std::isnan(y)) return int(!std::isnan(x)) - int(!std::isnan(y));
      return (x > y) - (x < y);
    };
    auto word = [&](const TConcordanceEntry* e, int span) { return f.list->WordAtSpan(*e, span); };
    std::stable_sort(expected.begin(), expected.end(), [&](const TConcordanceEntry* a, const TConcordanceEntry* b) {
      int r = CompareStringsLocale(kLCID_EnglishUS, cs0, word(a, 50), word(b, 50));
      if (r != 0) return r < 0;
      r = CompareStringsLocale(kLCID_EnglishUS, cs1, word(a, 51), word(b, 51));
      if (r != 0) return r < 0;
      r = third(a, b);
      return desc2 ? r > 0 : r < 0;
    });
    ASSERT_TRUE(f.list->CompleteResort());
    for (int i = 0; i < f.list->Count(); ++i) ASSERT_EQ(f.list->Line(i), expected[size_t(i)]) << round << " at " << i;
  }
}

// Property, on a list large enough to be cut into stretches for several threads: lines kept a
// byte a character and lines in UTF-16 side by side, many lines of one text, repeated keys and
// keys of one value; every number of sort workers gives the order of a stable sort comparing
// the keys level by level.
TEST(ConcordanceList, LargeSortOnAnyWorkersEqualsStableSort) {
  const std::vector<UString> pool = {u"dog", u"Dog", u"cat", u"\u00E9clair", u"eclair", u"\u03BB\u03CC\u03B3\u03BF\u03C2",
                                     u"apple", u"Apple", u"zoo", u"\u0132s"};
  struct Case {
    const char* what;
    int32_t keys[3];
    bool ascending[3];
    bool case_sensitive[3];
  };
  const Case cases[] = {
      {"L1 twice, then file", {kConcSortL1, kConcSortL1, kConcSortFile}, {true, false, true}, {false, false, false}},
      {"file, R1, file", {kConcSortFile, kConcSortFirstWord + 6, kConcSortFile}, {false, true, true}, {false, false, false}},
      {"L1 ignoring case, L1 keeping it", {kConcSortL1, kConcSortL1, kConcSortWordNumber}, {true, true, false}, {false, true, false}},
      {"date, whole line, word number", {kConcSortDate, kConcSortWholeLine, kConcSortWordNumber}, {true, true, true}, {false, false, false}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<std::vector<int>> orders;
    for (int workers : {1, 3, 8}) {
      SCOPED_TRACE(workers);
      Fixture f(7);
      for (int l = 0; l < 3; ++l) f.doc.case_sensitive[l] = c.case_sensitive[l];
      std::mt19937 rng(99);
      const int n = 25000;
      for (int i = 0; i < n; ++i) {
        // Runs of lines from one text, as a run leaves them.
        f.AddLine(pool[rng() % pool.size()], u"sw", pool[rng() % pool.size()], 1 + (i / 1500) % 7,
                  static_cast<int32_t>(rng() % 50));
      }
      std::vector<TConcordanceEntry*> expected;
      for (int i = 0; i < n; ++i) expected.push_back(f.list->Line(i));
      auto value = [&](const TConcordanceEntry* e, int32_t key, bool cs, const TConcordanceEntry* o) {
        if (key == kConcSortFile)
          return CompareStringsLocale(kLCID_EnglishUS, false, f.list->SourceFileName(e->Data().filename_num_original),
                                      f.list->SourceFileName(o->Data().filename_num_original));
        if (key == kConcSortDate) {
          const double x = f.list->SourceFileDate(e->Data().filename_num_original),
                       y = f.list->SourceFileDate(o->Data().filename_num_original);
          return (x > y) - (x < y);
        }
        if (key == kConcSortWordNumber) return (e->Data().word_num > o->Data().word_num) - (e->Data().word_num < o->Data().word_num);
        if (key == kConcSortWholeLine)
          return CompareStringsLocale(kLCID_EnglishUS, false, TLineTextWide(e->Text()), TLineTextWide(o->Text()));
        const int span = SortSpanFromSort(key);
        return CompareStringsLocale(kLCID_EnglishUS, cs, f.list->WordAtSpan(*e, span), f.list->WordAtSpan(*o, span));
      };
      std::stable_sort(expected.begin(), expected.end(), [&](const TConcordanceEntry* a, const TConcordanceEntry* b) {
        for (int l = 0; l < 3; ++l) {
          const int r = value(a, c.keys[l], c.case_sensitive[l], b);
          if (r != 0) return c.ascending[l] ? r < 0 : r > 0;
        }
        return false;
      });
      f.list->SetThreeSorts(c.keys[0], c.keys[1], c.keys[2]);
      for (int l = 0; l < 3; ++l) f.list->SetSortAscending(l, c.ascending[l]);
      f.list->SetSortWorkers(workers);
      ASSERT_TRUE(f.list->CompleteResort());
      std::vector<int> order;
      for (int i = 0; i < n; ++i) {
        ASSERT_EQ(f.list->Line(i), expected[size_t(i)]) << " at " << i;
        order.push_back(f.list->Line(i)->Data().word_num);
      }
      orders.push_back(std::move(order));
    }
    EXPECT_TRUE(orders[1] == orders[0] && orders[2] == orders[0]);
  }
}

TEST(ConcordanceList, NaNAndMissingPercentagesSortLowest) {
  Fixture f;
  f.AddLine(u"a", u"one", u"b")->Data().percent_of_file = 50.0f;
  f.AddLine(u"a", u"two", u"b")->Data().percent_of_file = std::numeric_limits<float>::quiet_NaN();
  f.AddLine(u"a", u"three", u"b")->Data().percent_of_file = 10.0f;
  f.list->Set2Sorts(kConcSortPercentOfFile, kSortNone);
  f.list->SetSortAscending(0, true);
  ASSERT_TRUE(f.list->CompleteResort());
  EXPECT_EQ(f.Column(50), (std::vector<UString>{u"two", u"three", u"one"}));

  // Position in the sentence: a unit of length 0 has no percentage.
  Fixture g;
  // 5 of 10: 50%; missing; 1 of 10: 10%.
  for (auto [w, pos, len] : {std::tuple{u"half", 6, 11}, {u"none", 3, 0}, {u"first", 1, 11}}) {
    TConcordanceEntry* l = g.AddLine(u"a", w, u"b");
    TLineUnitStats units;
    units.unit_position[0] = pos;
    units.unit_length[0] = len;
    l->SetUnitStats(units);
  }
  EXPECT_FLOAT_EQ(UnitPercentOfLine(*g.list->Line(0), 0), 50.0f);
  EXPECT_EQ(UnitPercentOfLine(*g.list->Line(1), 0), kMissingValue);
  g.list->Set2Sorts(20, kSortNone);
  ASSERT_TRUE(g.list->CompleteResort());
  EXPECT_EQ(g.Column(50), (std::vector<UString>{u"none", u"first", u"half"}));
}

TEST(ConcordanceList, EveryKeyOrdersByItsValue) {
  struct Case {
    int32_t key;
    const char* what;
  };
  // Each line gets values that rise with its number; the list is added in reverse order, so a
  // working ascending key must reverse it.
  const Case cases[] = {{0, "L5"}, {4, "L1"}, {5, "search word"}, {6, "R1"}, {11, "context word"},
      {12, "Set column"}, {13, "file"}, {14, "date"}, {15, "tag context"}, {16, "tag distance"}, {17, "percent"},
      {18, "word number"}, {19, "sentence"}, {20, "sentence %"}, {21, "paragraph"}, {22, "paragraph %"},
      {23, "heading"}, {24, "heading %"}, {25, "section"}, {26, "section %"}, {28, "highlight"}, {29, "line"},
      {30, "byte position"}};
  const char16_t* words[] = {u"ant", u"bee", u"cat"};
  for (const Case& c : cases) {
    Fixture f(3);
    f.list->HighlightRec.colloc_w = u"hit";
    f.list->HighlightRec.span_pos = kHighlightEverySpan;
    for (int v = 2; v >= 0; --v) {
      UString l = words[v], sw = words[v], r = words[v];
      if (c.key == 28) r = v == 0 ? u"x" : u"hit";  // 0, 1, 2 hits: R1, then also L1
      if (c.key == 28 && v == 2) l = u"hit";
      TConcordanceEntry* line = f.AddLine(l, sw, r, /*file: date falls with file number*/ 3 - v, v);
      auto& d = line->Data();
      line->SetText(UString(line->Text()));
      if (c.key == 0) line->SetFixedWord(0, line->FixedWord(4));
      if (c.key == 11) line->OtherContextWords().Add(line->FixedWord(5));
      if (c.key == 12) line->SetAWordAsString(2, words[v]);
      if (c.key == 13) d.filename_num_original = v + 1;
      if (c.key == 15) line->SetTagContext(words[v]);
      line->SetTagContextDistance(v);
      d.percent_of_file = static_cast<float>(v);
      TLineUnitStats units;
      for (int k = 0; k < kUnitKinds; ++k) {
        units.unit_number[k] = v;
        units.unit_position[k] = v + 2;
        units.unit_length[k] = 11;
      }
      line->SetUnitStats(units);
      d.byte_position = int64_t(v) << 33;
    }
    f.list->Set2Sorts(c.key, kSortNone);
    for (bool up : {true, false}) {
      f.list->SetSortAscending(0, up);
      ASSERT_TRUE(f.list->CompleteResort()) << c.what;
      std::vector<UString> want{u"ant", u"bee", u"cat"};
      if (!up) std::reverse(want.begin(), want.end());
      EXPECT_EQ(f.Column(50), want) << c.what;
    }
  }
}

TEST(ConcordanceList, HighlightCountsTheCollocateWithinTheHorizons) {
  Fixture f;
  TConcordanceEntry* line = f.AddLine(u"Hit", u"dog", u"hit");
  f.list->HighlightRec.colloc_w = u"hit";
  f.list->HighlightRec.span_pos = kHighlightEverySpan;
  EXPECT_EQ(f.list->HighlightCount(*line), 2);
  EXPECT_TRUE(line->Highlight().Has(49));
  EXPECT_TRUE(line->Highlight().Has(51));
  EXPECT_EQ(f.list->HighlightCollocFreqOfLine(0), 2);
  f.list->ClearHighlightCollocFreqs();
  f.list->HighlightRec.only_left = true;
  EXPECT_EQ(f.list->HighlightCount(*line), 1);
}

TEST(ConcordanceList, HeaderColumnToSortNeeded) {
  Fixture f;
  struct Case {
    int level, column;
    int32_t key;
  };
  const Case cases[] = {{0, 1, 0}, {0, 14, 0}, {0, 2, 12}, {0, 3, 15}, {0, 4, 18}, {0, 5, 19}, {0, 6, 20},
      {0, 7, 21}, {0, 8, 22}, {0, 9, 23}, {0, 10, 24}, {0, 11, 25}, {0, 12, 26}, {0, 13, 13}, {0, 15, 17}, {1, 1, 0},
      {1, 14, 0}, {1, 2, 12}, {1, 3, 17}, {1, 15, 17}, {1, 4, 18}, {1, 13, 18}, {1, 5, 20}, {1, 6, 19}, {1, 7, 22},
      {2, 8, 21}, {2, 9, 24}, {2, 10, 23}, {2, 11, 26}, {2, 12, 25}, {2, 2, 12}};
  for (const Case& c : cases) EXPECT_EQ(f.list->HeaderColumnToSortNeeded(c.level, c.column), c.key)
      << "level " << c.level << " column " << c.column;
}

TEST(ConcordanceList, NumericalDataByColumn) {
  Fixture f;
  TConcordanceEntry* with = f.AddLine(u"a", u"dog", u"b", 1, 42);
  with->Data().percent_of_file = 12.5f;
  TLineUnitStats units;
  for (int k = 0; k < kUnitKinds; ++k) {
    units.unit_number[k] = 10 + k;
    units.unit_position[k] = 6;
    units.unit_length[k] = 11;
  }
  with->SetUnitStats(units);
  f.AddLine(u"a", u"dog", u"b", 1, 7);  // no structure data
  struct Case {
    int index, column;
    float value;
  };
  const Case cases[] = {{0, 0, 1}, {1, 0, 2}, {0, 4, 42}, {0, 5, 10}, {0, 6, 50}, {0, 7, 11}, {0, 8, 50},
      {0, 9, 12}, {0, 11, 13}, {0, 12, 50}, {0, 15, 12.5f}, {1, 5, kMissingValue}, {1, 6, kMissingValue},
      {1, 12, kMissingValue}, {1, 4, 7}};
  for (const Case& c : cases) {
    TNumberDisplayAndSinglesRec r;
    f.list->NumericalData(c.column, c.index, r);
    EXPECT_FLOAT_EQ(r.value, c.value) << "line " << c.index << " column " << c.column;
  }
  f.doc.per_million = true;
  TNumberDisplayAndSinglesRec r;
  f.list->NumericalData(6, 0, r);
  EXPECT_FLOAT_EQ(r.value, 500000.0f);
  EXPECT_EQ(r.kind, 3);
}

TEST(ConcordanceList, StopWordRemovesEveryCaseOfTheSearchWord) {
  Fixture f;
  f.AddLine(u"a", u"the", u"b");
  f.AddLine(u"a", u"The", u"b");
  f.AddLine(u"the", u"dog", u"the");
  f.AddLine(u"a", u"THE", u"b");
  f.list->RemoveStopWord(u"the", 1, 0, false, true, true);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(f.list->GetDeleted(i), i != 2) << i;
  EXPECT_EQ(f.list->stoplist_tokens, 3);
}

// Merging adds the offset to incoming lines only, and they take their texts along: once the
// other list is gone their texts still hold.
TEST(ConcordanceList, MergeOffsetsIncomingLinesWhichTakeTheirTextsAlong) {
  Fixture f;
  f.AddLine(u"a", u"dog", u"b", 1)->Data().sw_number = 0;
  auto g = std::make_unique<Fixture>();
  g->AddLine(u"the", u"cat", u"sat", 2)->Data().sw_number = 1;
  g->AddLine(u"a", u"cat", u"ran", 2);
  ASSERT_TRUE(f.list->MergeWith(g->list.get()));
  EXPECT_EQ(g->list->Count(), 0);
  EXPECT_EQ(g->list->LineTextArena()->LiveTexts(), 0);
  g.reset();
  ASSERT_EQ(f.list->Count(), 3);
  EXPECT_EQ(f.list->Line(0)->Data().sw_number, 0);
  EXPECT_EQ(f.list->Line(0)->Data().filename_num_original, 1);
  EXPECT_EQ(f.list->Line(1)->Data().sw_number, 1 + 536870911);
  EXPECT_EQ(f.list->Line(1)->Data().filename_num_original, 2 + 536870911);
  EXPECT_EQ(f.list->Line(1)->Owner(), f.list.get());
  EXPECT_NE(f.list->ListFlags() & (1u << 16), 0u);
  EXPECT_EQ(f.list->LineTextArena()->LiveTexts(), 3);
  EXPECT_EQ(f.list->Line(1)->Text(), u"the cat sat");
  EXPECT_EQ(f.list->Line(2)->Text(), u"a cat ran");
  EXPECT_TRUE(f.list->Line(2)->TextInArena());
}

// The texts of a list's lines live in its arena: taken lines move there, read lines are read
// there, a text replaced by a piece of itself stays whole, and the blocks go with the last text.
TEST(ConcordanceList, LineTextsLiveInTheListsArena) {
  Fixture f;
  auto line = f.list->NewLine();
  line->SetText(u"the dog barked");
  EXPECT_FALSE(line->TextInArena());
  TConcordanceEntry* raw = line.get();
  ASSERT_GE(f.list->Add(line.release()), 0);
  EXPECT_TRUE(raw->TextInArena());
  f.AddLine(u"a", u"Dog", u"ran", 2, 9);
  TLineTextArena& arena = *f.list->LineTextArena();
  EXPECT_EQ(arena.LiveTexts(), 2);

  raw->SetFoundBothEndsOfSentence(true);
  raw->SetText(raw->Text().substr(4, 3));  // a piece of its own text
  EXPECT_EQ(raw->Text(), u"dog");
  EXPECT_TRUE(raw->FoundBothEndsOfSentence());
  EXPECT_EQ(arena.LiveTexts(), 2);
  raw->SetText(u"");
  EXPECT_EQ(arena.LiveTexts(), 1);
  raw->SetText(u"the dog barked");

  raw->Data().filename_num_original = 1;  // a line read back must name a text

  Fixture g;
  ASSERT_TRUE(Read(g, Saved(f)));
  ASSERT_EQ(g.list->Count(), 2);
  EXPECT_TRUE(g.list->Line(0)->TextInArena());
  EXPECT_EQ(g.list->Line(0)->Text(), u"the dog barked");
  EXPECT_EQ(g.list->LineTextArena()->LiveTexts(), 2);

  ASSERT_TRUE(f.list->Clear());
  EXPECT_EQ(arena.LiveTexts(), 0);
  EXPECT_EQ(arena.BytesHeld(), 0u);
}

// A line taken out of a list (given an owner without an arena) owns its text from then on.
TEST(ConcordanceList, ALineGivenAnotherOwnerOwnsItsText) {
  Fixture f;
  TConcordanceEntry* line = f.AddLine(u"a", u"dog", u"b", 1);
  line->SetOwner(nullptr);
  EXPECT_FALSE(line->TextInArena());
  EXPECT_EQ(line->Text(), u"a dog b");
  EXPECT_EQ(f.list->LineTextArena()->LiveTexts(), 0);
  line->SetOwner(f.list.get());
  line->MoveTextToOwner();
  EXPECT_TRUE(line->TextInArena());
  EXPECT_EQ(f.list->LineTextArena()->LiveTexts(), 1);
}

// Fault: identical lines with another line of equal sort keys between them were both kept.
TEST(ConcordanceList, DuplicatesAreFoundAcrossALineBetweenThem) {
  Fixture f;
  f.AddLine(u"a", u"dog", u"barked loudly");
  f.AddLine(u"a", u"dog", u"ran away");
  f.AddLine(u"a", u"dog", u"barked loudly");
  f.AddLine(u"b", u"dog", u"ran away");
  TDuplicatesResult r;
  TVXBaseLemmaMatchCapableList* base = f.list.get();
  base->RemoveDuplicates(r);
  EXPECT_EQ(r.deleted, 1);
  std::vector<UString> kept;
  for (int i = 0; i < f.list->Count(); ++i)
    if (!f.list->GetDeleted(i)) kept.push_back(UString(f.list->Line(i)->Text()));
  std::sort(kept.begin(), kept.end());
  EXPECT_EQ(kept, (std::vector<UString>{u"a dog barked loudly", u"a dog ran away", u"b dog ran away"}));
}

// The duplicate pass against a plain walk over the sorted list: each line not deleted before is
// compared with every earlier line kept. Short and long lines (windows of 500 from 250 before the
// midpoint), tails beyond the window that differ, equal texts at other midpoints, lines deleted
// beforehand.
TEST(ConcordanceList, DuplicatesMatchAPlainWalkOverTheSortedLines) {
  std::mt19937 rng(7);
  for (int round = 0; round < 40; ++round) {
    Fixture f;
    const UString long_base(700, u'w');
    std::vector<const TConcordanceEntry*> deleted_before;
    const int n = 30 + static_cast<int>(rng() % 60);
    for (int i = 0; i < n; ++i) {
      auto line = f.list->NewLine();
      UString text;
      if (rng() % 3 == 0) {
        text = long_base;
        // A change inside the window of a midpoint of 260 (characters 10..509), or beyond it.
        const size_t at = rng() % 2 ? 10 + rng() % 500 : 510 + rng() % 190;
        if (rng() % 2) text[at] = u'x';
      } else {
        for (int k = 2 + static_cast<int>(rng() % 3); k > 0; --k) text.push_back(static_cast<char16_t>(u'a' + rng() % 2));
      }
      line->SetText(text);
      auto& d = line->Data();
      d.midpoint = static_cast<int16_t>(text.size() > 300 ? (rng() % 4 ? 260 : 0) : rng() % 2);
      const int16_t room = static_cast<int16_t>(text.size() - d.midpoint);
      line->SetFixedWord(5, {0, static_cast<int16_t>(std::min<int16_t>(room, 1 + rng() % 2)), 0, 0});
      const int index = f.list->Add(line.release());
      if (rng() % 8 == 0) {
        f.list->SetDeleted(index, true);
        deleted_before.push_back(f.list->Line(index));
      }
    }
    TDuplicatesResult r;
    f.list->RemoveDuplicates(r);

    std::vector<int> kept;
    int deleted = 0;
    int first_index = -1;
    for (int i = 0; i < f.list->Count(); ++i) {
      const TConcordanceEntry* line = f.list->Line(i);
      if (std::find(deleted_before.begin(), deleted_before.end(), line) != deleted_before.end()) {
        EXPECT_TRUE(f.list->GetDeleted(i));
        continue;
      }
      int equal = -1;
      for (int k : kept)
        if (line->IsDuplicateOf(*f.list->Line(k))) {
          equal = k;
          break;
        }
      ASSERT_EQ(f.list->GetDeleted(i), equal >= 0) << "round " << round << " line " << i;
      if (equal < 0) {
        kept.push_back(i);
        continue;
      }
      ++deleted;
      if (first_index < 0) first_index = equal;
    }
    EXPECT_EQ(r.deleted, deleted) << "round " << round;
    EXPECT_EQ(r.first_index, first_index) << "round " << round;
  }
}

TEST(ConcordanceList, WideningReReadsAWiderWindowOrMarksTheTextMissing) {
  Fixture f;
  const std::string path = ::testing::TempDir() + "widen_text.txt";
  std::ofstream(path) << std::string(5000, 'x');
  f.files->Row(0)->fdata.full_filename = Utf8ToUtf16(path);
  f.files->Row(0)->fdata.other_data.file_size = 5000;
  TConcordanceEntry* line = f.AddLine(u"a", u"dog", u"b", 1);
  line->Data().byte_position = 100;
  line->Data().conc_line_chars = 1000;
  int32_t seen_width = 0;
  f.list->window_reader = [&](TConcordanceEntry& widened, int32_t width, std::array<bool, 2>& at_edge) {
    seen_width = width;
    widened.Data().conc_line_chars = width;
    at_edge = {true, false};
    return true;
  };
  TLinzoraEntryRecBase rec{};
  ASSERT_TRUE(f.list->LinzoraData(0, true, rec));
  EXPECT_EQ(seen_width, 3000);
  EXPECT_EQ(rec.conc_line_chars, 3000);
  EXPECT_TRUE(f.list->fAtFileEdge[0]);
  EXPECT_FALSE(f.list->fAtFileEdge[1]);
  EXPECT_EQ(f.list->ListBusy(), kBusyNone);

  // Refused while the list is busy.
  f.list->SetListBusy(kBusySorting);
  EXPECT_FALSE(f.list->LinzoraData(0, true, rec));
  EXPECT_EQ(line->Data().conc_line_chars, 3000);
  f.list->SetListBusy(kBusyNone);

  // A read that fails changes nothing: neither the width nor the edges.
  f.list->window_reader = [](TConcordanceEntry&, int32_t, std::array<bool, 2>& at_edge) {
    at_edge = {false, true};
    return false;
  };
  EXPECT_FALSE(f.list->LinzoraData(0, true, rec));
  EXPECT_EQ(line->Data().conc_line_chars, 3000);
  EXPECT_TRUE(f.list->fAtFileEdge[0]);
  EXPECT_FALSE(f.list->fAtFileEdge[1]);

  // A text gone: marked missing, the line as it was.
  TConcordanceEntry* other = f.AddLine(u"a", u"cat", u"b", 2);
  other->Data().conc_line_chars = 1000;
  EXPECT_FALSE(f.list->LinzoraData(1, true, rec));
  EXPECT_EQ(f.files->GetFileStatus(1, true), kFileMissing);
  EXPECT_EQ(other->Data().conc_line_chars, 1000);
  std::remove(path.c_str());
}

TEST(ConcordanceList, SortDirectionsFollowTheKeys) {
  Fixture f;
  f.list->SetThreeSorts(5, 13, 28);
  f.list->SetSortDirections();
  EXPECT_TRUE(f.list->SortLevel(0).ascending);
  EXPECT_FALSE(f.list->SortLevel(1).ascending);
  EXPECT_TRUE(f.list->SortLevel(2).ascending);
}

TEST(ConcordanceList, TagColoursReachEveryLineAndTheDocument) {
  Fixture f;
  TConcordanceEntry* line = f.AddLine(u"<b>", u"dog", u"b");
  TTagPositionRec tag{};
  tag.used_length = 3;
  tag.tagnumber_1Based = 2;
  line->TagPositions().Add(tag);
  f.list->ChangeTagColours({{1, 2}, {0x123456, 0x654321}});
  EXPECT_TRUE(f.doc.colours_changed);
  EXPECT_EQ(line->TagPositions().Record(0).tag_colours.fore, 0x123456);
  EXPECT_EQ(line->TagPositions().Record(0).tag_colours.back, 0x654321);
}

TEST(ConcordanceList, FileNumbersComeFromTheLinesUnlessTheRowsHaveThem) {
  Fixture f(3);
  f.AddLine(u"a", u"dog", u"b", 3);
  Fixture g(3);
  ASSERT_TRUE(Read(g, Saved(f)));
  EXPECT_FALSE(g.list->Dud_CNC_Filenames_found);
  EXPECT_EQ(g.list->SourceFileName(3), u"/corpus/text2.txt");
  EXPECT_EQ(g.list->SourceFileName(9), u"");
  // A line naming no text is damage: the lines are refused.
  f.AddLine(u"a", u"dog", u"b", 9);
  Fixture h(3);
  EXPECT_FALSE(Read(h, Saved(f)));
}

// Rows without numbers of their own take them from the lines' numbers (text number - 1): a
// stored number that names no row is refused before any of that arithmetic.
TEST(ConcordanceList, ALineNamingNoSourceTextRefusesTheLines) {
  const struct {
    int32_t number;
    bool read;
  } cases[] = {{INT32_MIN, false}, {-1, false}, {0, false}, {2, false}, {INT32_MAX, false}, {1, true}};
  for (const auto& c : cases) {
    Fixture f(1);
    f.AddLine(u"a", u"dog", u"b", 1);
    f.AddLine(u"a", u"dog", u"b", c.number);
    Fixture g(1);
    ASSERT_FALSE(g.files->HasOriginalNumbers());  // the one row is numbered by its position
    EXPECT_EQ(Read(g, Saved(f)), c.read) << c.number;
    EXPECT_EQ(g.list->Count(), c.read ? 2 : 1) << c.number;
    EXPECT_FALSE(g.list->Dud_CNC_Filenames_found) << c.number;
  }
}

}  // namespace
