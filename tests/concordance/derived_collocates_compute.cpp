#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <vector>

#include "concordance/views/collocate_association.h"
#include "concordance/views/collocates_list.h"
#include "concordance/views/compute_collocates.h"
#include "derived_test_support.h"
#include "platform/rtl/files.h"
#include "platform/rtl/streams.h"
#include "platform/search/search_records.h"
#include "support/temp_folder.h"

using derived_test::Lines;

namespace {

TSearch_word_format_rec Item(const char16_t* sw) {
  TSearch_word_format_rec r;
  r.sw = sw;
  r.plain_sw = sw;
  return r;
}

struct Row {
  int32_t total, left, right, texts, highest;
  std::vector<int32_t> freqs;
  bool operator==(const Row&) const = default;
};

// (word, search word) -> the row's figures
std::map<std::pair<UString, UString>, Row> Rows(const TCollocateList& list) {
  std::map<std::pair<UString, UString>, Row> m;
  for (int i = 0; i < list.Count(); ++i) {
    const TCollocateEntryRec32& r = list.Row(i)->rec;
    m[{r.word.value_or(u""), r.search_word}] = {r.head.total, r.head.total_left, r.head.total_right, r.head.texts,
                                                r.head.highest, r.freqs};
  }
  return m;
}

// Two lines of "dog" in two texts.
struct Dogs {
  Lines f;
  std::vector<TSearch_word_format_rec> items = {Item(u"dog"), Item(u"cat")};
  Dogs() {
    f.Add({u"the", u"big"}, u"dog", {u"Barked", u"loudly"}, 1, 0);
    f.Add({u"a", u"big"}, u"dog", {u"ran", u"2", u"miles"}, 2, 0);
  }
};

TCollocateRunSettings Span(int l, int r) {
  TCollocateRunSettings s;
  s.left_words = l;
  s.right_words = r;
  return s;
}

}  // namespace

TEST(ComputeCollocates, CountsPerPositionTotalsAndTexts) {
  Dogs d;
  TVXBaseHolder h;
  TCollocateList list(&h);
  ASSERT_TRUE(ComputeCollocates(d.f.list, d.items, Span(5, 5), list));
  const auto rows = Rows(list);
  // Positions 45..55: index 4 is L1, 5 the search word, 6 R1.
  std::vector<int32_t> big(11, 0), dog(11, 0), num(11, 0);
  big[4] = 2;
  dog[5] = 2;
  num[7] = 1;
  EXPECT_EQ(rows.at({u"BIG", u"dog"}), (Row{2, 2, 0, 2, 2, big}));
  // The search word counts in its total but neither left nor right.
  EXPECT_EQ(rows.at({u"DOG", u"dog"}), (Row{2, 0, 0, 2, 2, dog}));
  EXPECT_EQ(list.Row(0)->rec.head.total, 2);
  EXPECT_EQ(rows.at({u"#", u"dog"}), (Row{1, 0, 1, 1, 1, num}));
  EXPECT_EQ(rows.count({u"BARKED", u"dog"}), 1u);
  EXPECT_EQ(rows.size(), 9u);
  // The search word's own row is number -99.
  for (int i = 0; i < list.Count(); ++i)
    if (list.Row(i)->rec.word == UString(u"DOG")) {
      EXPECT_EQ(list.Row(i)->rec.head.sw_number, -99);
    }
  // Sorted by total, highest first, then word.
  EXPECT_EQ(*list.Row(0)->rec.word, u"BIG");
  EXPECT_EQ(*list.Row(1)->rec.word, u"DOG");
}

TEST(ComputeCollocates, TextsCountEachTextOnceInWhateverOrderTheLinesCome) {
  Lines f;
  const std::vector<TSearch_word_format_rec> items = {Item(u"dog"), Item(u"cat")};
  // Texts 7, 3, 7, 9, 3 for BIG with dog; text 3 only for BIG with cat.
  for (int32_t text : {7, 3, 7, 9, 3}) f.Add({u"big"}, u"dog", {}, text, 0);
  f.Add({u"big"}, u"cat", {}, 3, 1);
  TVXBaseHolder h;
  TCollocateList list(&h);
  ASSERT_TRUE(ComputeCollocates(f.list, items, Span(1, 1), list));
  const auto rows = Rows(list);
  EXPECT_EQ(rows.at({u"BIG", u"dog"}).texts, 3);
  EXPECT_EQ(rows.at({u"BIG", u"dog"}).total, 5);
  EXPECT_EQ(rows.at({u"BIG", u"cat"}).texts, 1);
  EXPECT_EQ(rows.at({u"DOG", u"dog"}).texts, 3);
}

TEST(ComputeCollocates, SearchWordsShownFromTheLinesAndFromTheItems) {
  Lines f;
  std::vector<TSearch_word_format_rec> items = {Item(u"dog*"), Item(u"cat")};
  items[0].plain_sw = u"dog";  // typed and shown forms differ: the line's own characters show
  f.Add({u"a", u"big"}, u"dogs", {}, 1, 0);
  f.Add({u"a", u"big"}, u"cat", {}, 1, 1);
  f.Add({u"a", u"big"}, u"dog", {}, 1, 0);
  f.Add({u"a", u"big"}, u"cat", {}, 2, 1);
  f.Add({u"a", u"big"}, u"dogs", {}, 2, 0);
  f.Add({u"a", u"big"}, u"cat", {}, 2, 7);  // an item the run does not have
  TVXBaseHolder h;
  TCollocateList list(&h);
  ASSERT_TRUE(ComputeCollocates(f.list, items, Span(1, 0), list));
  const auto rows = Rows(list);
  EXPECT_EQ(rows.at({u"BIG", u"dogs"}).total, 2);
  EXPECT_EQ(rows.at({u"BIG", u"dog"}).total, 1);
  EXPECT_EQ(rows.at({u"BIG", u"cat"}).total, 2);
  EXPECT_EQ(rows.at({u"BIG", u""}).total, 1);
  EXPECT_EQ(rows.at({u"DOGS", u"dogs"}).total, 2);
  EXPECT_EQ(rows.at({u"CAT", u""}).total, 1);
  EXPECT_EQ(rows.size(), 8u);  // BIG and CAT under each search word as shown, DOGS, DOG
}

TEST(ComputeCollocates, CaseNumbersMinimaAndHorizons) {
  struct Case {
    const char* name;
    TCollocateRunSettings s;
    std::vector<UString> words;  // the rows' words, sorted
  };
  TCollocateRunSettings keep = Span(1, 1);
  keep.keep_case = true;
  keep.keep_numbers = true;
  TCollocateRunSettings numbers = Span(1, 2);
  numbers.keep_numbers = true;
  TCollocateRunSettings min_total = Span(5, 5);
  min_total.min_total = 2;
  TCollocateRunSettings min_texts = Span(5, 5);
  min_texts.min_texts = 2;
  TCollocateRunSettings min_len = Span(1, 1);
  min_len.min_word_length = 3;  // "RAN" has exactly 3 letters and stays
  TCollocateRunSettings stop = Span(1, 1);
  stop.is_stop_word = [](UStringView w) { return w == u"BIG"; };
  const Case cases[] = {
      {"case kept", keep, {u"Barked", u"big", u"dog", u"ran"}},
      {"numbers kept", numbers, {u"2", u"BARKED", u"BIG", u"DOG", u"LOUDLY", u"RAN"}},
      {"minimum total; the search word passes", min_total, {u"BIG", u"DOG"}},
      {"minimum texts", min_texts, {u"BIG", u"DOG"}},
      {"minimum length", min_len, {u"BARKED", u"BIG", u"DOG", u"RAN"}},
      {"stop list", stop, {u"BARKED", u"DOG", u"RAN"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Dogs d;
    TVXBaseHolder h;
    TCollocateList list(&h);
    ComputeCollocates(d.f.list, d.items, c.s, list);
    std::vector<UString> words;
    for (int i = 0; i < list.Count(); ++i) words.push_back(*list.Row(i)->rec.word);
    std::sort(words.begin(), words.end());
    EXPECT_EQ(words, c.words);
  }
}

TEST(ComputeCollocates, OneWordNearTwoSearchWords) {
  Dogs d;
  d.f.Add({u"big"}, u"cat", {}, 3, 1);
  TVXBaseHolder h;
  TCollocateList list(&h);
  ASSERT_TRUE(ComputeCollocates(d.f.list, d.items, Span(5, 5), list));
  auto rows = Rows(list);
  EXPECT_EQ(rows.at({u"BIG", u"dog"}).total, 2);
  EXPECT_EQ(rows.at({u"BIG", u"cat"}).total, 1);
  TCollocateRunSettings together = Span(5, 5);
  together.search_words_together = true;
  ASSERT_TRUE(ComputeCollocates(d.f.list, d.items, together, list));
  int big_rows = 0;
  for (int i = 0; i < list.Count(); ++i)
    if (*list.Row(i)->rec.word == u"BIG") {
      ++big_rows;
      EXPECT_EQ(list.Row(i)->rec.head.total, 3);
      EXPECT_EQ(list.Row(i)->rec.head.texts, 3);
      EXPECT_EQ(list.Row(i)->rec.head.sw_number, -2);
    }
  EXPECT_EQ(big_rows, 1);
}

TEST(ComputeCollocates, StopAtBoundaryClipsTheSpan) {
  Lines f;
  f.Add({u"far|1", u"near"}, u"dog", {u"after|1", u"beyond"});
  const std::vector<TSearch_word_format_rec> items = {Item(u"dog")};
  TVXBaseHolder h;
  TCollocateList list(&h);
  TCollocateRunSettings s = Span(5, 5);
  s.stop_at = 1;
  ASSERT_TRUE(ComputeCollocates(f.list, items, s, list));
  std::vector<UString> words;
  for (int i = 0; i < list.Count(); ++i) words.push_back(*list.Row(i)->rec.word);
  std::sort(words.begin(), words.end());
  // Left: the boundary after FAR ends the span before it; right: AFTER's own boundary ends it
  // after AFTER.
  EXPECT_EQ(words, (std::vector<UString>{u"AFTER", u"DOG", u"NEAR"}));
  s.stop_at = 0;
  ASSERT_TRUE(ComputeCollocates(f.list, items, s, list));
  EXPECT_EQ(list.Count(), 5);
}

TEST(ComputeCollocates, EmptyConcordanceLeavesTheList) {
  Lines none;
  TVXBaseHolder h;
  TCollocateList list(&h);
  list.Add(list.NewEntry());
  EXPECT_FALSE(ComputeCollocates(none.list, {}, Span(5, 5), list));
  EXPECT_EQ(list.Count(), 1);
}

TEST(SearchWordShown, LineCharactersClampedOrTheItemsForm) {
  Lines f;
  TConcordanceEntry* line = f.Add({u"the"}, u"Walked", {u"on"});
  TSearch_word_format_rec item;
  item.sw = u"walk*";
  item.plain_sw = u"walk";
  EXPECT_EQ(SearchWordAsShownInLine(*line, item, false), u"Walked");
  EXPECT_EQ(SearchWordAsShownInLine(*line, item, true), u"walk");
  // A hit wider than the stored text is cut at the text's end.
  line->Data().hit_characters = 500;
  TSortInfoRec hit = line->FixedWord(5);
  hit.coll_length = 500;
  line->SetFixedWord(5, hit);
  EXPECT_EQ(SearchWordAsShownInLine(*line, item, false), u"Walked on");
  item.plain_sw = u"<*>";  // no letter or digit: the item's form, mark-up removed
  EXPECT_EQ(SearchWordAsShownInLine(*line, item, false), u"");
  // A hit that starts the line shows the item's form.
  TConcordanceEntry* first = f.Add({}, u"Walks", {});
  item.plain_sw = u"walk";
  EXPECT_EQ(SearchWordAsShownInLine(*first, item, false), u"walk");
}

// --- association --------------------------------------------------------------------------------

namespace {

struct Reference : TReferenceWordList {
  std::map<UString, int64_t> words;
  int64_t total = 1000;
  int64_t Frequency(UStringView w, bool cs) const override {
    for (const auto& [k, v] : words)
      if (cs ? k == w : UpperCaseU(k) == UpperCaseU(w)) return v;
    return -1;
  }
  int64_t Total() const override { return total; }
  int32_t Count() const override { return static_cast<int32_t>(words.size()); }
};

}  // namespace

TEST(CollocateAssociation, ElevenValuesFromHandComputedTable) {
  Dogs d;
  TVXBaseHolder h;
  TCollocateList list(&h);
  ASSERT_TRUE(ComputeCollocates(d.f.list, d.items, Span(5, 5), list));
  Reference ref;
  ref.words = {{u"dog", 10}, {u"big", 20}, {u"the", 0}};
  const TAssociationResult r = ComputeAssociationReport(ref, list, {});
  ASSERT_TRUE(r.success);
  // BIG with DOG: joint 2, f1 10, f2 20, N 1000, span 10: expected 2 = joint, so the two are not
  // associated; the table of words: 100 within the spans, a = 2, b = 98, c = 18, d = 882.
  const double want[11] = {2.0 * 2 / 30, 0.0,  2.0, -0.014359163172354856, 0.0, 0.0,
                           0.0,          0.02, 0.1, 0.0,                   0.0};
  const TCollocateEntry* big = nullptr;
  for (int i = 0; i < list.Count(); ++i)
    if (*list.Row(i)->rec.word == u"BIG") big = list.Row(i);
  ASSERT_NE(big, nullptr);
  for (int k = 0; k < 11; ++k) EXPECT_NEAR(big->rec.Statistic(k), want[k], 1e-5) << k;
  EXPECT_TRUE(list.fsettings.saved_relationships_computed);
  // Rows handled: BIG, DOG (with itself) and THE (frequency 0: degenerate, every value 0).
  EXPECT_EQ(r.rows_handled, 3);
  for (int i = 0; i < list.Count(); ++i) {
    const TCollocateEntryRec32& row = list.Row(i)->rec;
    for (int k = 0; k < 11; ++k) EXPECT_TRUE(std::isfinite(row.Statistic(k)));
    if (*row.word == u"RAN" || *row.word == u"THE") {
      for (int k = 0; k < 11; ++k) EXPECT_EQ(row.Statistic(k), 0.0f) << Utf16ToUtf8(*row.word);
    }
  }
  ASSERT_EQ(r.report.size(), 4u);
  EXPECT_EQ(r.report[0],
            u"\t\t\t\t\tDICE\tMI\tMI3\tZ SCORE\tLOG-LIKELIHOOD\tT SCORE\tLOG RATIO\tCOND. PROB. A\tCOND. PROB. "
            u"B\tDELTA P A\tDELTA P B");
  EXPECT_EQ(r.report[1],
            u"BIG & dog:\t2\t10\t20\t1000\t0.1333\t0.0000\t2.0000\t-0.0144\t0.0000\t0.0000\t0.0000\t0.0200\t0.1000\t0."
            u"0000\t0.0000");
}

TEST(CollocateAssociation, SearchWordAlternativesPhrasesAndMissing) {
  struct Case {
    const char16_t* search_word;
    bool handled;
    const char16_t* f1;
  };
  const Case cases[] = {
      {u"dog/dogs", true, u"\t15\t"},  // alternatives add up: 10 + 5
      {u"big dog", true, u"\t10\t"},   // a phrase takes its rarest word
      {u"big cow", false, nullptr},    // a phrase word missing
      {u"cow", false, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Utf16ToUtf8(c.search_word));
    TVXBaseHolder h;
    TCollocateList list(&h);
    auto* e = static_cast<TCollocateEntry*>(list.NewEntry());
    e->rec.word = u"BIG";
    e->rec.search_word = c.search_word;
    e->rec.head.total = 2;
    list.Add(e);
    Reference ref;
    ref.words = {{u"dog", 10}, {u"dogs", 5}, {u"big", 20}};
    const TAssociationResult r = ComputeAssociationReport(ref, list, {});
    EXPECT_EQ(r.success, c.handled);
    if (c.handled) {
      EXPECT_NE(r.report[1].find(c.f1), UString::npos);
    } else {
      EXPECT_EQ(list.Row(0)->rec.Statistic(0), 0.0f);
    }
  }
}

// The report goes beside the file named, with one "details" in its name however the user put it:
// a name that says "details" already is written as typed (with ".txt").
TEST(CollocateAssociation, ReportNameGetsOneDetails) {
  const std::pair<const char16_t*, const char16_t*> cases[] = {
      {u"/c/reference.lst", u"/c/reference.details.txt"},
      {u"/c/reference", u"/c/reference.details.txt"},
      {u"/c/name_details.txt", u"/c/name_details.txt"},
      {u"/c/name.details.txt", u"/c/name.details.txt"},
      {u"/c/name-Details", u"/c/name-Details.txt"},
      {u"/c/reldetails.txt", u"/c/reldetails.txt"},
      {u"/c/RelDetails.csv", u"/c/RelDetails.txt"},
      {u"/c/details.txt", u"/c/details.txt"},
      {u"/c/details/name", u"/c/details/name.details.txt"},  // a folder's "details" is not the name's
      {u"/c/detail.txt", u"/c/detail.details.txt"},
      {u"/c.d/name", u"/c.d/name.details.txt"},             // a dot in the folder is no extension
  };
  for (const auto& [given, report] : cases) EXPECT_EQ(AssociationReportName(given), report) << Utf16ToUtf8(given);
}

TEST(CollocateAssociation, ReportFileBytesAndOverwriteRefused) {
  Dogs d;
  TVXBaseHolder h;
  TCollocateList list(&h);
  ASSERT_TRUE(ComputeCollocates(d.f.list, d.items, Span(5, 5), list));
  Reference ref;
  ref.words = {{u"dog", 10}, {u"big", 20}};
  TempFolder tmp;
  TAssociationArgs args;
  args.report_file = tmp.Path() + u"/reference.lst";
  const TAssociationResult r = ComputeAssociationReport(ref, list, args);
  ASSERT_TRUE(r.report_written);
  const UString name = tmp.Path() + u"/reference.details.txt";
  EXPECT_EQ(AssociationReportName(args.report_file), name);
  TMemoryStream m;
  ASSERT_TRUE(m.LoadFromFile(name));
  std::vector<uint8_t> want = {0xFF, 0xFE};
  for (const UString& l : r.report)
    for (char16_t c : l + u"\n") {
      want.push_back(static_cast<uint8_t>(c & 0xFF));
      want.push_back(static_cast<uint8_t>(c >> 8));
    }
  EXPECT_EQ(m.Data(), want);
  // Overwriting refused: the old report stays as it was; the values are still computed.
  args.ok_to_overwrite = [](UStringView) { return false; };
  ref.words[u"big"] = 40;
  const TAssociationResult again = ComputeAssociationReport(ref, list, args);
  EXPECT_TRUE(again.success);
  EXPECT_FALSE(again.report_written);
  TMemoryStream m2;
  ASSERT_TRUE(m2.LoadFromFile(name));
  EXPECT_EQ(m2.Data(), want);
  // A folder that does not exist: no report.
  args.report_file = tmp.Path() + u"/missing/reference.lst";
  EXPECT_FALSE(ComputeAssociationReport(ref, list, args).report_written);
}

namespace {

// The word at a fixed span position of the line, said to have come under tag `tag` (0: none).
void TagWordAt(TConcordanceEntry& line, int position, uint8_t tag) {
  TSortInfoRec r = WordAtSpanPosition(line, position);
  r.Tag_number_1Based = tag;
  line.SetFixedWord(position - kSpanFixedFirst, r);
}

struct TagOfRow {
  UString category;
  uint32_t colour;
  int32_t tag;
  bool operator==(const TagOfRow&) const = default;
};

std::map<UString, TagOfRow> TagsOfRows(const TCollocateList& list) {
  std::map<UString, TagOfRow> m;
  for (int i = 0; i < list.Count(); ++i) {
    const TCollocateEntry& e = *list.Row(i);
    m[e.rec.word.value_or(u"")] = {e.CategoryText(), e.CategoryColour(), e.CategoryTagNumber()};
  }
  return m;
}

const std::vector<TCollocateTag> kNounAndVerb = {{u"<N>", 0x0000FF}, {u"<V>", 0x00FF00}};

}  // namespace

TEST(ComputeCollocates, RowsTakeTheTagTheirWordFirstCameUnder) {
  Lines f;
  TConcordanceEntry* first = f.Add({u"the", u"big"}, u"dog", {u"barked", u"twice"}, 1);
  TConcordanceEntry* second = f.Add({u"a", u"big"}, u"dog", {u"barked", u"loudly"}, 2);
  TagWordAt(*first, 49, 1);   // BIG under <N> where first met ...
  TagWordAt(*second, 49, 2);  // ... and under <V> later: the first meeting decides
  TagWordAt(*first, 51, 2);   // BARKED under <V>
  TagWordAt(*second, 48, 3);  // A under a tag the document does not show
  TagWordAt(*first, 52, 0);
  const std::vector<TSearch_word_format_rec> items = {Item(u"dog")};
  TVXBaseHolder h;
  TCollocateList list(&h);
  TCollocateRunSettings s = Span(5, 5);
  s.visible_tags = kNounAndVerb;
  ASSERT_TRUE(ComputeCollocates(f.list, items, s, list));
  const auto rows = TagsOfRows(list);
  const TagOfRow none{u"", kNoColourCategory, 0};
  EXPECT_EQ(rows.at(u"BIG"), (TagOfRow{u"<N>", 0x0000FF, 1}));
  EXPECT_EQ(rows.at(u"BARKED"), (TagOfRow{u"<V>", 0x00FF00, 2}));
  EXPECT_EQ(rows.at(u"A"), none);
  EXPECT_EQ(rows.at(u"TWICE"), none);
  EXPECT_EQ(rows.at(u"DOG"), none);
  // Without visible tags no row gets one.
  s.visible_tags.clear();
  ASSERT_TRUE(ComputeCollocates(f.list, items, s, list));
  EXPECT_EQ(TagsOfRows(list).at(u"BIG"), none);
}

TEST(ComputeCollocates, TagOfFirstMeetingIsTheSameOnAnyNumberOfWorkers) {
  // Enough lines for several stretches of rows: BIG is first met under <V> in the first line and
  // under <N> in every later one, RAN under <N> only after the first stretch.
  Lines f;
  for (int i = 0; i < 9000; ++i) {
    TConcordanceEntry* line = i < 5000 ? f.Add({u"big"}, u"dog", {u"sat"}, 1 + i % 7)
                                       : f.Add({u"big"}, u"dog", {u"ran"}, 1 + i % 7);
    TagWordAt(*line, 49, i == 0 ? 2 : 1);
    if (i >= 5000) TagWordAt(*line, 51, i == 5000 ? 1 : 2);
  }
  const std::vector<TSearch_word_format_rec> items = {Item(u"dog")};
  for (int threads : {1, 2, 4}) {
    SCOPED_TRACE(threads);
    TVXBaseHolder h;
    TCollocateList list(&h);
    TCollocateRunSettings s = Span(5, 5);
    s.visible_tags = kNounAndVerb;
    s.threads = threads;
    ASSERT_TRUE(ComputeCollocates(f.list, items, s, list));
    const auto rows = TagsOfRows(list);
    EXPECT_EQ(rows.at(u"BIG").tag, 2);
    EXPECT_EQ(rows.at(u"RAN").tag, 1);
    EXPECT_EQ(rows.at(u"SAT").tag, 0);
  }
}
