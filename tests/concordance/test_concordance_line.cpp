// A concordance line: its stream record byte by byte, round trips in both text forms, older
// versions, damaged streams, duplicates, mean word rank and span limits.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <functional>
#include <map>
#include <random>
#include <optional>
#include <set>
#include <mutex>
#include <thread>
#include <tuple>

#include "concordance/lines/concordance_line.h"
#include "platform/rtl/streams.h"
#include "platform/runtime/vx_dialogs.h"

namespace {

class FakeOwner : public TConcordanceLineOwner {
 public:
  int32_t version = 25;
  bool unicode = true, old_mode = false, first_line = true, dud = false, has_tags = false, in_place = false;
  std::vector<UString> files = {u"/corpus/alpha.txt", u"/corpus/beta.txt"};
  std::map<int32_t, std::pair<int64_t, double>> taken;
  std::vector<uint8_t> sw_tags;
  std::map<UString, int32_t> ranks;
  std::map<int, int> column_kinds = {{1, 1}, {2, 2}, {3, 3}, {4, 13}};
  bool use_sw_tags = false, reference = false, full_names = false;

  int32_t StreamVersion() const override { return version; }
  bool Unicode() const override { return unicode; }
  void SetUnicode(bool u) override { unicode = u; }
  bool OldRecordsMode() const override { return old_mode; }
  void SetOldRecordsMode() override { old_mode = true; }
  bool ReadingFirstLine() const override { return first_line; }
  void NoteDudFilename() override { dud = true; }
  void NoteHasTagFileData() override { has_tags = true; }
  const std::vector<uint8_t>* SearchWordTagTable() const override { return use_sw_tags ? &sw_tags : nullptr; }
  int32_t SourceFileCount() const override { return static_cast<int32_t>(files.size()); }
  UString SourceFileName(int32_t n) const override {
    return n >= 1 && n <= SourceFileCount() ? files[static_cast<size_t>(n - 1)] : UString();
  }
  int64_t SourceFileByteSize(int32_t n) const override { return n == 1 ? 123456789012 : 0; }
  double SourceFileDate(int32_t n) const override { return n == 1 ? 2451545.25 : 0.0; }
  void TakeSourceFileDetails(int32_t n, int64_t size, double date) override { taken[n] = {size, date}; }
  bool TextsInPlace() const override { return in_place; }
  bool ShowFullFilenames() const override { return full_names; }
  int ColumnKind(int column) const override {
    auto it = column_kinds.find(column);
    return it == column_kinds.end() ? 0 : it->second;
  }
  bool HasReferenceList() const override { return reference; }
  int32_t ReferenceListCount() const override { return 100; }
  int32_t ReferenceRank(UStringView w) const override {
    auto it = ranks.find(UString(w));
    return it == ranks.end() ? 0 : it->second;
  }
};

//                   0         1         2         3
//                   0123456789012345678901234567890123456
const char16_t* kText = u"the old dog <b>barked</b> at the moon";

TTagPositionRec Tag(int16_t pos, int16_t len, int16_t number) {
  TTagPositionRec r{};
  r.tag_position = pos;
  r.used_length = len;
  r.tagnumber_1Based = number;
  return r;
}

// A line as the text processor would make it: search word "barked" at 15.
std::unique_ptr<TConcordanceEntry> MakeLine(FakeOwner& owner, bool with_lists = true) {
  auto line = std::make_unique<TConcordanceEntry>(&owner);
  line->SetText(kText);
  auto& d = line->Data();
  d.byte_position = 0x123456789LL;
  d.hit_characters = 6;
  d.word_num = 42;
  d.filename_num_original = 1;
  d.sw_number = 0;
  line->SetStoredMeanWordRank(17);
  d.has_percent = true;
  d.percent_of_file = 37.6f;
  d.midpoint = 15;
  line->SetSwStarts(15);
  line->SetSwFinishes(21);
  d.conc_line_chars = 37;
  line->SetTagNumber1Based(3);
  line->SetMergeNum(2);
  line->SetTagContextDistance(99);
  line->SetFixedWord(3, TSortInfoRec{-11, 3, 0, 0});  // old
  line->SetFixedWord(4, TSortInfoRec{-7, 3, 0, 0});   // dog
  line->SetFixedWord(5, TSortInfoRec{0, 6, 0, 1});    // barked
  line->SetFixedWord(6, TSortInfoRec{11, 2, 0, 0});   // at
  TLineUnitStats units;
  units.unit_number[0] = 4;
  units.unit_length[0] = 9;
  line->SetUnitStats(units);
  if (with_lists) {
    line->SetTagContext(u"Chapter 1");
    line->OtherLeftCollocs().Add(TSortInfoRec{-15, 3, 0, 0});
    line->OtherRightCollocs().Add(TSortInfoRec{14, 3, 0, 0});
    line->OtherRightCollocs().Add(TSortInfoRec{18, 4, 1, 0});
    line->OtherContextWords().Add(TSortInfoRec{-7, 3, 0, 0});
    line->TagPositions().Add(Tag(12, 3, 1));  // <b>
    line->TagPositions().Add(Tag(21, 4, 2));  // </b>
    line->LinkWordsToTags();
    line->EnsureExtraBase().tag_sort_numbers_1Based[50] = 1;
  }
  return line;
}

std::vector<uint8_t> Saved(TConcordanceEntry& line) {
  TMemoryStream s;
  EXPECT_TRUE(line.SaveToStream(s));
  return s.Data();
}

// The line read back from `bytes`, or null when the read fails.
std::unique_ptr<TConcordanceEntry> ReadBack(FakeOwner& owner, const std::vector<uint8_t>& bytes) {
  TMemoryStream s(bytes);
  auto back = std::make_unique<TConcordanceEntry>(&owner);
  return back->ReadFromStream(s) ? std::move(back) : nullptr;
}

// Every proper prefix of `whole` is refused.
void ExpectEveryCutRefused(FakeOwner& owner, const std::vector<uint8_t>& whole, int32_t version) {
  for (size_t cut = 0; cut < whole.size(); ++cut) {
    TMemoryStream s(std::vector<uint8_t>(whole.begin(), whole.begin() + static_cast<long>(cut)));
    TConcordanceEntry back(&owner);
    EXPECT_FALSE(back.ReadFromStream(s)) << "version " << version << " cut " << cut;
  }
}

template <typename T>
T At(const std::vector<uint8_t>& b, size_t offset) {
  T v{};
  std::memcpy(&v, b.data() + offset, sizeof(T));
  return v;
}

void PutI32(std::vector<uint8_t>& b, int32_t v) {
  uint8_t x[4];
  std::memcpy(x, &v, 4);
  b.insert(b.end(), x, x + 4);
}

// A stream that takes only the first `room` bytes written.
class TFullStream : public TMemoryStream {
 public:
  explicit TFullStream(int64_t room) : room_(room) {}
  int64_t Write(const void* buffer, int64_t count) override {
    const int64_t n = std::min(count, std::max<int64_t>(room_ - Position(), 0));
    return n > 0 ? TMemoryStream::Write(buffer, n) : 0;
  }

 private:
  int64_t room_;
};

// --- the record ------------------------------------------------------------------------------

TEST(ConcordanceLine, SavedBaseRecordByteByByte) {
  FakeOwner owner;
  auto line = MakeLine(owner);
  const auto b = Saved(*line);
  EXPECT_EQ(At<int32_t>(b, 0), 500);
  EXPECT_EQ(At<uint32_t>(b, 4), 0x23456789u);
  EXPECT_EQ(At<uint32_t>(b, 140), 0x1u);  // the high half of the byte position
  EXPECT_EQ(At<int32_t>(b, 8), 6);
  EXPECT_EQ(At<int32_t>(b, 12), 42);
  EXPECT_EQ(At<int32_t>(b, 16), 1);
  EXPECT_EQ(At<int32_t>(b, 24), 17);
  EXPECT_EQ(b[28], 38);  // whole-number percentage
  EXPECT_EQ(b[29], 1);
  EXPECT_EQ(b[30], 2);
  EXPECT_EQ(At<int16_t>(b, 32), 15);
  EXPECT_EQ(At<int16_t>(b, 34 + 5 * 6 + 2), 6);  // the search word's length
  EXPECT_EQ(At<int32_t>(b, 100), 99);
  EXPECT_EQ(At<int16_t>(b, 104), 15);
  EXPECT_EQ(At<int16_t>(b, 106), 21);
  EXPECT_EQ(At<int32_t>(b, 112), 2);
  EXPECT_EQ(At<int32_t>(b, 116), 37);
  EXPECT_EQ(At<uint32_t>(b, 120), 0u);
  EXPECT_FLOAT_EQ(At<float>(b, 124), 37.6f);
  EXPECT_EQ(At<int64_t>(b, 128), 123456789012);  // from the source-file list
  EXPECT_EQ(At<int32_t>(b, 136), 3);
  EXPECT_DOUBLE_EQ(At<double>(b, 152), 2451545.25);
  EXPECT_EQ(At<int32_t>(b, 160 + 4), 4);
  EXPECT_EQ(At<int32_t>(b, 160 + 44), 9);
  EXPECT_EQ(At<uint16_t>(b, 224 + 4 + 50 * 2), 1);  // the extra block follows the base
  EXPECT_EQ(At<int32_t>(b, 464), 37);              // then the line's length
  const size_t texts = 464 + 4 + 37 * 2 + 4 + 9 * 2;
  EXPECT_EQ(At<int32_t>(b, texts), 1);           // context words
  EXPECT_EQ(At<int32_t>(b, texts + 4 + 6), -2);  // the tag count, negated
}

TEST(ConcordanceLine, LineWithoutExtraBlockOrListsWritesZeros) {
  FakeOwner owner;
  TConcordanceEntry line(&owner);
  line.SetText(u"abc");
  const auto b = Saved(line);
  // base, 240 zero bytes, text, empty section text, no context words, no tags, no collocates
  ASSERT_EQ(b.size(), 224u + 240 + (4 + 6) + 4 + 4 + 4 + 4 + 4);
  for (size_t i = 224; i < 464; ++i) ASSERT_EQ(b[i], 0) << i;
  // Nothing follows the tag count of 0: the left count comes right after it.
  EXPECT_EQ(At<int32_t>(b, 224 + 240 + 10 + 4 + 4), 0);
  EXPECT_EQ(b.size() - (224 + 240 + 10 + 4 + 4 + 4), 8u);
}

TEST(ConcordanceLine, EveryFailedWriteFailsTheSave) {
  FakeOwner owner;
  auto line = MakeLine(owner);
  const auto whole = Saved(*line);
  for (size_t room = 0; room < whole.size(); ++room) {
    TFullStream s(static_cast<int64_t>(room));
    EXPECT_FALSE(line->SaveToStream(s)) << "room " << room;
  }
  TFullStream enough(static_cast<int64_t>(whole.size()));
  EXPECT_TRUE(line->SaveToStream(enough));
}

// --- round trips -----------------------------------------------------------------------------

void ExpectSameLine(const TConcordanceEntry& a, const TConcordanceEntry& b) {
  EXPECT_EQ(a.Text(), b.Text());
  EXPECT_EQ(a.TagContext(), b.TagContext());
  EXPECT_EQ(a.Data().byte_position, b.Data().byte_position);
  EXPECT_EQ(a.Data().midpoint, b.Data().midpoint);
  EXPECT_EQ(a.Data().hit_characters, b.Data().hit_characters);
  for (int k = 0; k < kSpanFixedCount; ++k) {
    const TSortInfoRec x = a.FixedWord(k), y = b.FixedWord(k);
    EXPECT_EQ(std::memcmp(&x, &y, sizeof x), 0) << "fixed word " << k;
  }
  EXPECT_EQ(a.OtherRightCollocs().Count(), b.OtherRightCollocs().Count());
  EXPECT_EQ(a.TagPositions().Count(), b.TagPositions().Count());
  EXPECT_EQ(a.OtherContextWords().Count(), b.OtherContextWords().Count());
}

TEST(ConcordanceLine, RoundTripInBothTextForms) {
  for (bool unicode : {true, false}) {
    FakeOwner owner;
    owner.unicode = unicode;
    auto line = MakeLine(owner);
    line->SetText(u"caf\u00e9 old dog <b>barked</b> at the moon");
    const auto first = Saved(*line);
    TMemoryStream s(first);
    TConcordanceEntry back(&owner);
    ASSERT_TRUE(back.ReadFromStream(s)) << unicode;
    EXPECT_EQ(s.Position(), s.Size());
    ExpectSameLine(*line, back);
    EXPECT_EQ(Saved(back), first) << unicode;
    EXPECT_TRUE(owner.has_tags);
    EXPECT_FALSE(owner.dud);
    EXPECT_EQ(owner.taken[1].first, 123456789012);
  }
}

// The numbers kept behind the on-need block, each alone on a line that has no other reason for
// the block, and a stream's non-zero spares of the unit statistics: stored where the record
// has them and read back to the same bytes.
TEST(ConcordanceLine, RarelySetNumbersRoundTripByteExact) {
  struct Case {
    const char* what;
    size_t offset;  // in the base record
    int32_t value;
  } cases[] = {
      {"section distance", 100, -77},  {"search word start", 104, 12},   {"search word finish", 106, 19},
      {"section tag", 136, 40000},     {"stats spare 5", 160 + 20, 5},   {"stats spare 10", 160 + 40, -6},
  };
  for (const Case& c : cases) {
    FakeOwner owner;
    auto line = MakeLine(owner, false);
    line->SetSwStarts(0);
    line->SetSwFinishes(0);
    line->SetTagNumber1Based(0);
    line->SetTagContextDistance(0);
    std::vector<uint8_t> bytes = Saved(*line);
    if (c.offset == 104 || c.offset == 106) {
      const int16_t v = static_cast<int16_t>(c.value);
      std::memcpy(bytes.data() + c.offset, &v, sizeof v);
    } else {
      std::memcpy(bytes.data() + c.offset, &c.value, sizeof c.value);
    }
    auto back = ReadBack(owner, bytes);
    ASSERT_TRUE(back) << c.what;
    EXPECT_EQ(Saved(*back), bytes) << c.what;
  }
}

// The unit statistics in every shape of agreement between the kinds, set over one another on one
// line: all alike (a plain text's), the paragraph apart, heading and section apart together,
// three or four sets of numbers, numbers at their extremes, and back to alike. Each reads back
// whole, saves the record the stream holds for it, and a line read back saves it again.
TEST(ConcordanceLine, UnitStatisticsOfEveryShapeSaveTheirRecordByteExact) {
  struct Case {
    const char* what;
    int32_t number[kUnitKinds], position[kUnitKinds], length[kUnitKinds];
  } cases[] = {
      {"all alike", {1, 1, 1, 1}, {33, 33, 33, 33}, {9, 9, 9, 9}},
      {"the sentence apart", {4, 1, 1, 1}, {3, 33, 33, 33}, {9, 20372090, 20372090, 20372090}},
      {"paragraphs apart", {4, 2, 1, 1}, {3, 12, 33, 33}, {9, 40, 0, 0}},
      {"heading like the sentence", {4, 2, 4, 1}, {3, 12, 3, 33}, {9, 40, 9, 0}},
      {"three sets", {4, 2, 3, 1}, {3, 12, 7, 33}, {9, 40, 11, 0}},
      {"four sets", {4, 3, 2, 1}, {1, 2, 3, 4}, {5, 6, 7, 8}},
      {"only the length differs", {1, 1, 1, 1}, {5, 5, 5, 5}, {0, 7, 7, 0}},
      {"extremes", {INT32_MAX, INT32_MIN, -1, 0}, {INT32_MIN, 0, INT32_MAX, -7}, {-1, INT32_MAX, 0, INT32_MIN}},
      {"alike again", {2, 2, 2, 2}, {6, 6, 6, 6}, {0, 0, 0, 0}},
      {"none", {0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}},
  };
  FakeOwner owner;
  auto line = MakeLine(owner, false);
  int32_t words = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TSearchStatsRec record{};
    record.words_in_chunk = words += 1000003;
    for (int k = 0; k < kUnitKinds; ++k) {
      record.unit_number[k] = c.number[k];
      record.unit_position[k] = c.position[k];
      record.unit_length[k] = c.length[k];
    }
    line->SetUnitStats(record);
    const TSearchStatsRec seen = line->UnitStats().Record();
    ASSERT_EQ(std::memcmp(&seen, &record, sizeof record), 0);
    for (int k = 0; k < kUnitKinds; ++k) EXPECT_EQ(line->UnitNumber(k), c.number[k]) << k;
    const std::vector<uint8_t> bytes = Saved(*line);
    ASSERT_EQ(std::memcmp(bytes.data() + offsetof(TLinzoraEntryRecBase, extras), &record, sizeof record), 0);
    auto back = ReadBack(owner, bytes);
    ASSERT_TRUE(back);
    EXPECT_EQ(Saved(*back), bytes);
  }
}

// Fixed words' lengths from none to the widest a record holds, with every barrier and a tag or
// none: each reads back as set, saves its record's six bytes, and a length the line's text holds
// comes back from the stream as it went.
TEST(ConcordanceLine, FixedWordLengthsOfEverySizeSaveByteExact) {
  FakeOwner owner;
  TConcordanceEntry line(&owner);
  line.SetText(UString(kMaxStoredLineChars, u'a'));
  line.Data().conc_line_chars = 1000;
  const int16_t lengths[] = {0, 1, 200, 254, 255, 256, 1000, 32767, -1, -32768};
  uint8_t turn = 0;
  for (const int16_t length : lengths) {
    SCOPED_TRACE(length);
    TSortInfoRec set[kSpanFixedCount];
    for (int k = 0; k < kSpanFixedCount; ++k) {
      ++turn;
      const int16_t n = (k + turn) % 3 == 0 ? length : static_cast<int16_t>(k + 1);
      set[k] = TSortInfoRec{0, n, static_cast<uint8_t>(turn % 6), static_cast<uint8_t>(turn % 4 == 0 ? 7 : 0)};
      line.SetFixedWord(k, set[k]);
    }
    const std::vector<uint8_t> bytes = Saved(line);
    for (int k = 0; k < kSpanFixedCount; ++k) {
      const TSortInfoRec seen = line.FixedWord(k);
      ASSERT_EQ(std::memcmp(&seen, &set[k], sizeof seen), 0) << k;
      ASSERT_EQ(std::memcmp(bytes.data() + offsetof(TLinzoraEntryRecBase, fixed_sort_positions) + k * sizeof seen,
                            &set[k], sizeof seen), 0) << k;
    }
    auto back = ReadBack(owner, bytes);
    ASSERT_TRUE(back);
    for (int k = 0; k < kSpanFixedCount; ++k)
      EXPECT_EQ(+back->FixedWord(k).coll_length, std::max<int16_t>(set[k].coll_length, 0)) << k;
  }
}

// What a line seldom has, each alone on a line whose section already gives it the on-need block:
// set, it saves what a line made with it from the start saves, reads back to the same bytes and
// answers as set; the Set column and the highlight, which the line's own record does not hold,
// are kept, and the highlight zeroed.
TEST(ConcordanceLine, EachRareThingOnALineWithASectionSavesAsOnAPlainLine) {
  struct Case {
    const char* what;
    std::function<void(TConcordanceEntry&)> set;
  } cases[] = {
      {"mean word rank", [](TConcordanceEntry& l) { l.SetStoredMeanWordRank(17); }},
      {"merge number", [](TConcordanceEntry& l) { l.SetMergeNum(-3); }},
      {"extra block", [](TConcordanceEntry& l) { l.EnsureExtraBase().tag_sort_numbers_1Based[7] = 9; }},
      {"Set column", [](TConcordanceEntry& l) { l.SetCategoryText(u"noun"); }},
      {"context word", [](TConcordanceEntry& l) { l.OtherContextWords().Add(TSortInfoRec{-7, 3, 0, 0}); }},
      {"left word", [](TConcordanceEntry& l) { l.OtherLeftCollocs().Add(TSortInfoRec{-15, 3, 1, 0}); }},
      {"right word", [](TConcordanceEntry& l) { l.OtherRightCollocs().Add(TSortInfoRec{18, 4, 0, 2}); }},
      {"long word", [](TConcordanceEntry& l) { l.SetFixedWord(10, TSortInfoRec{0, 300, 0, 0}); }},
  };
  FakeOwner owner;
  owner.column_kinds[2] = 2;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto plain = MakeLine(owner, false);
    plain->SetText(UString(700, u'x'));
    auto sectioned = MakeLine(owner, false);
    sectioned->SetText(UString(700, u'x'));
    sectioned->SetTagContext(u"Chapter 1");
    c.set(*plain);
    c.set(*sectioned);
    plain->SetTagContext(u"Chapter 1");
    const std::vector<uint8_t> bytes = Saved(*plain);
    EXPECT_EQ(Saved(*sectioned), bytes);
    auto back = ReadBack(owner, bytes);
    ASSERT_TRUE(back);
    EXPECT_EQ(Saved(*back), bytes);
    EXPECT_EQ(back->StoredMeanWordRank(), plain->StoredMeanWordRank());
    EXPECT_EQ(back->MergeNum(), plain->MergeNum());
    EXPECT_EQ(sectioned->SetText(), plain->SetText());  // the list's part of the stream holds it
    EXPECT_EQ(back->OtherContextWords().Count(), plain->OtherContextWords().Count());
    EXPECT_EQ(back->OtherLeftCollocs().Count(), plain->OtherLeftCollocs().Count());
    EXPECT_EQ(back->OtherRightCollocs().Count(), plain->OtherRightCollocs().Count());
    EXPECT_EQ(+back->FixedWord(10).coll_length, +plain->FixedWord(10).coll_length);
    EXPECT_FALSE(sectioned->Highlight().Has(52));
    sectioned->EditHighlight().Include(52);
    EXPECT_TRUE(sectioned->Highlight().Has(52));
    sectioned->ZeroHighlight();
    EXPECT_FALSE(sectioned->Highlight().Has(52));
    EXPECT_EQ(Saved(*sectioned), bytes);
  }
}

TEST(ConcordanceLine, Version24LeavesTheExtraBlockUnread) {
  FakeOwner owner;
  auto line = MakeLine(owner);
  auto bytes = Saved(*line);
  bytes.erase(bytes.begin() + 224, bytes.begin() + 464);
  owner.version = 24;
  TMemoryStream s(bytes);
  TConcordanceEntry back(&owner);
  ASSERT_TRUE(back.ReadFromStream(s));
  EXPECT_EQ(s.Position(), s.Size());
  EXPECT_EQ(back.ExtraBase(), nullptr);
  ExpectSameLine(*line, back);
}

TEST(ConcordanceLine, Version22TakesTheWholeRecordWhenItCarriesTheSentinel) {
  FakeOwner owner;
  auto line = MakeLine(owner);
  line->Data().conc_line_chars = 1000;
  auto bytes = Saved(*line);
  bytes.erase(bytes.begin() + 224, bytes.begin() + 464);
  for (int32_t v : {22, 23}) {
    owner.version = v;
    auto back = ReadBack(owner, bytes);
    ASSERT_TRUE(back) << v;
    EXPECT_EQ(back->Data().word_num, 42) << v;
    EXPECT_EQ(back->Data().byte_position, 0x23456789LL) << v;  // no high half then
    // Below 23 the percentage is the whole number; below 22 the width is the text's length.
    EXPECT_FLOAT_EQ(back->Data().percent_of_file, v < 23 ? 38.0f : 37.6f);
    EXPECT_EQ(back->Data().conc_line_chars, v < 22 ? 37 : 1000);
  }
  // Without the sentinel the record is consumed and the line stays zeroed but for its texts.
  bytes[0] = bytes[1] = 0;
  owner.version = 23;
  auto back = ReadBack(owner, bytes);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->Data().word_num, 0);
  EXPECT_EQ(back->Text(), kText);
  EXPECT_FALSE(owner.old_mode);
}

std::vector<uint8_t> OldRecordsLine() {
  TOldLinzoraEntryRec old{};
  old.hit_characters = 6;
  old.byte_position = 777;
  old.word_num = 12;
  old.filename_num_original = 2;
  old.sw_number = 1;
  old.percent_of_file = 40;
  old.has_percent = 1;
  old.midpoint = 4;
  old.fixed_sort_positions[5] = TSortInfoRec{0, 3, 0, 0};
  std::vector<uint8_t> b(reinterpret_cast<uint8_t*>(&old), reinterpret_cast<uint8_t*>(&old) + 104);
  PutI32(b, 11);
  for (char16_t c : UString(u"the dog ran")) {
    b.push_back(static_cast<uint8_t>(c));
    b.push_back(static_cast<uint8_t>(c >> 8));
  }
  PutI32(b, -1);             // no section text
  b.resize(b.size() + 100);  // the two old blocks
  for (int i = 0; i < 3; ++i) PutI32(b, 0);  // tags, left, right
  return b;
}

TEST(ConcordanceLine, OldRecordsModeReadsTheOldLayoutAndAsksOnce) {
  HeadlessDialogs().Clear();
  HeadlessDialogs().Script({mrOK, mrYes, mrOK});
  FakeOwner owner;
  owner.version = 22;
  owner.unicode = false;
  auto bytes = OldRecordsLine();
  TMemoryStream s(bytes);
  TConcordanceEntry back(&owner);
  ASSERT_TRUE(back.ReadFromStream(s));
  EXPECT_TRUE(owner.old_mode);
  EXPECT_TRUE(owner.unicode);  // the user said the texts are Unicode
  ASSERT_EQ(HeadlessDialogs().Asked().size(), 3u);
  EXPECT_EQ(HeadlessDialogs().Asked()[1].id, TVXDialog::AssumeTextFileXIsInUnicodeQ);
  EXPECT_NE(HeadlessDialogs().Asked()[1].text.find(u"alpha.txt"), UString::npos);
  EXPECT_EQ(HeadlessDialogs().Asked()[1].text.find(u"/corpus"), UString::npos);
  const auto& d = back.Data();
  EXPECT_EQ(back.Text(), u"the dog ran");
  EXPECT_EQ(std::make_tuple(d.word_num, d.filename_num_original, d.sw_number, +d.midpoint), std::make_tuple(12, 2, 1, 4));
  EXPECT_FLOAT_EQ(d.percent_of_file, 40.0f);
  EXPECT_EQ(+back.FixedWord(5).coll_length, 3);
  EXPECT_EQ(s.Position(), s.Size());
  // Lines after the first ask nothing more.
  owner.first_line = false;
  EXPECT_TRUE(ReadBack(owner, bytes));
  EXPECT_EQ(HeadlessDialogs().Asked().size(), 3u);
  // And every cut of such a line is refused.
  ExpectEveryCutRefused(owner, bytes, 22);
  HeadlessDialogs().Clear();
}

TEST(ConcordanceLine, PositiveTagCountIsReadAndWordsLinked) {
  FakeOwner owner;
  auto line = MakeLine(owner, false);
  auto bytes = Saved(*line);
  // Replace the tag count of 0 by an older positive count with two positions, no extra record.
  const size_t tags_at = 464 + 4 + 37 * 2 + 4 + 0 + 4;
  ASSERT_EQ(At<int32_t>(bytes, tags_at), 0);
  std::vector<uint8_t> tags;
  PutI32(tags, 2);
  for (const TTagPositionRec r : {Tag(12, 3, 1), Tag(21, 4, 2)})  // <b> ends where "barked" begins
    tags.insert(tags.end(), reinterpret_cast<const uint8_t*>(&r), reinterpret_cast<const uint8_t*>(&r) + 16);
  bytes.erase(bytes.begin() + static_cast<long>(tags_at), bytes.begin() + static_cast<long>(tags_at) + 4);
  bytes.insert(bytes.begin() + static_cast<long>(tags_at), tags.begin(), tags.end());
  auto back = ReadBack(owner, bytes);
  ASSERT_TRUE(back);
  const auto& t = back->TagPositions();
  ASSERT_EQ(t.Count(), 2);
  EXPECT_EQ(+t.Extra().tag_sort_numbers_1Based[5], 1);  // barked follows <b>
  EXPECT_EQ(+t.Extra().tag_sort_numbers_1Based[6], 0);
  EXPECT_TRUE(t.WordsLinked());
  EXPECT_TRUE(owner.has_tags);
}

// Each fixed word is linked to the first tag ending where the word begins, looked for from the
// tag the word before it was linked to; a list read in any order is taken as it comes.
TEST(ConcordanceLine, EachFixedWordIsLinkedToTheTagEndingWhereItBegins) {
  struct Case {
    const char* what;
    std::vector<TTagPositionRec> tags;
    std::vector<int16_t> starts;     // the fixed words' starts from the midpoint (20), L5 first
    std::vector<uint16_t> linked;    // the tag each is linked to (1-based, 0 none)
  } cases[] = {
      {"in order", {Tag(0, 3, 1), Tag(10, 2, 0), Tag(30, 4, 2)}, {-17, -8, -15, 14, 30}, {1, 2, 0, 3, 0}},
      {"out of order", {Tag(30, 4, 1), Tag(0, 3, 0)}, {14, -17, 14, -17}, {1, 2, 0, 2}},
      {"one tag, two words", {Tag(5, 0, 0), Tag(7, 3, 1)}, {-15, -15, -10, -15}, {1, 1, 2, 0}},
      {"no tags", {}, {0, 1, 2}, {0, 0, 0}},
  };
  FakeOwner owner;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TConcordanceEntry line(&owner);
    line.Data().midpoint = 20;
    for (int k = 0; k < kSpanFixedCount; ++k) {
      const int16_t start = k < static_cast<int>(c.starts.size()) ? c.starts[static_cast<size_t>(k)] : 60;
      line.SetFixedWord(k, TSortInfoRec{start, 2, 0, 0});
    }
    for (const TTagPositionRec& r : c.tags) line.TagPositions().Add(r);
    line.LinkWordsToTags();
    const TTagPositionsExtraRec& extra = std::as_const(line).TagPositions().Extra();
    for (int k = 0; k < kSpanFixedCount; ++k)
      EXPECT_EQ(+extra.tag_sort_numbers_1Based[k],
                k < static_cast<int>(c.linked.size()) ? c.linked[static_cast<size_t>(k)] : 0)
          << k;
  }
}

// --- damaged streams -------------------------------------------------------------------------

TEST(ConcordanceLine, EveryCutAnswersFalse) {
  for (int32_t v : {22, 24, 25}) {
    FakeOwner owner;
    auto line = MakeLine(owner);
    auto whole = Saved(*line);
    if (v < 25) whole.erase(whole.begin() + 224, whole.begin() + 464);
    owner.version = v;
    ExpectEveryCutRefused(owner, whole, v);
  }
}

TEST(ConcordanceLine, GarbledStreamsNeverCrash) {
  HeadlessDialogs().Clear();
  FakeOwner owner;
  auto line = MakeLine(owner);
  const auto whole = Saved(*line);
  std::mt19937 rng(20);
  for (int g = 0; g < 400; ++g) {
    auto bytes = whole;
    const int hits = 1 + static_cast<int>(rng() % 4);
    for (int k = 0; k < hits; ++k) bytes[rng() % bytes.size()] = static_cast<uint8_t>(rng());
    FakeOwner o;
    o.version = g % 2 ? 25 : 22;
    o.first_line = false;
    TMemoryStream s(bytes);
    TConcordanceEntry back(&o);
    if (back.ReadFromStream(s)) {
      const int32_t len = back.MainWordLength();
      EXPECT_LE(len, kMaxStoredLineChars);
      EXPECT_GE(back.Data().midpoint, 0);
      EXPECT_LE(back.Data().midpoint, len);
      for (int k = 0; k < kSpanFixedCount; ++k) {
        const TSortInfoRec r = back.FixedWord(k);
        EXPECT_GE(+back.Data().midpoint + r.start_position, 0);
        EXPECT_LE(+back.Data().midpoint + r.start_position + r.coll_length, len);
      }
      for (int32_t i = 0; i < back.TagPositions().Count(); ++i)
        EXPECT_LE(+back.TagPositions().Record(i).tag_position + back.TagPositions().Record(i).used_length, len);
    }
  }
  HeadlessDialogs().Clear();
}

// Each piece of a line whose count or number cannot be right.
TEST(ConcordanceLine, DamagedCountsAndNumbersAreRefused) {
  FakeOwner owner;
  auto line = MakeLine(owner, false);
  const auto whole = Saved(*line);
  const size_t context_at = 464 + 4 + 37 * 2 + 4;
  struct Case { size_t offset; int32_t value; const char* why; } cases[] = {
      {context_at, -1, "negative context-word count"},
      {context_at, 0x7FFFFFFF, "context-word count beyond the bytes"},
      {context_at + 4, INT32_MIN, "minus the largest tag count"},
      {context_at + 4, -100000, "tag count beyond the bytes"},
      {context_at + 8, -5, "negative left count"},
      {context_at + 12, 1000, "right count beyond the bytes"},
      {464, -7, "line text count below -1"},
      {464, 0x40000000, "line text beyond the bytes"},
      {20, -1, "negative search-item number"},
  };
  for (const auto& c : cases) {
    auto bytes = whole;
    std::memcpy(bytes.data() + c.offset, &c.value, 4);
    EXPECT_FALSE(ReadBack(owner, bytes)) << c.why;
  }
  TConcordanceEntry too_long(&owner);
  too_long.SetText(UString(kMaxStoredLineChars + 1, u'a'));
  EXPECT_FALSE(ReadBack(owner, Saved(too_long))) << "text longer than a line can be";
}

TEST(ConcordanceLine, PositionsAreClippedIntoTheText) {
  FakeOwner owner;
  auto line = MakeLine(owner, false);
  line->Data().midpoint = 900;
  line->SetSwFinishes(-4);
  line->SetFixedWord(6, TSortInfoRec{30, 50, 0, 0});
  line->Data().conc_line_chars = INT16_MAX;
  auto back = ReadBack(owner, Saved(*line));
  ASSERT_TRUE(back);
  const auto& d = back->Data();
  EXPECT_EQ(d.midpoint, 37);
  EXPECT_EQ(back->SwFinishes(), 0);
  EXPECT_LE(+d.midpoint + back->FixedWord(6).start_position + back->FixedWord(6).coll_length, 37);
  EXPECT_EQ(d.conc_line_chars, kMaxLineWidth);
}

TEST(ConcordanceLine, SearchWordWithTagTakesTheHitLength) {
  FakeOwner owner;
  auto line = MakeLine(owner, false);
  line->Data().sw_contains_a_tag = true;
  TSortInfoRec sw = line->FixedWord(5);
  sw.coll_length = -1;
  line->SetFixedWord(5, sw);
  auto back = ReadBack(owner, Saved(*line));
  ASSERT_TRUE(back);
  EXPECT_EQ(+back->FixedWord(5).coll_length, 6);
}

TEST(ConcordanceLine, SearchItemTagTableIsConsultedOnlyWithinIt) {
  struct Case { int32_t sw; std::vector<uint8_t> table; bool expect; } cases[] = {
      {0, {1}, true}, {1, {1}, false}, {1, {0, 1}, true}, {5, {}, false}};
  for (const auto& c : cases) {
    FakeOwner owner;
    auto line = MakeLine(owner, false);
    line->Data().sw_number = c.sw;
    const auto bytes = Saved(*line);
    owner.use_sw_tags = true;
    owner.sw_tags = c.table;
    auto back = ReadBack(owner, bytes);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->Data().sw_contains_a_tag, c.expect) << c.sw;
  }
}

TEST(ConcordanceLine, UnknownFileAndMissingSize) {
  FakeOwner owner;
  auto line = MakeLine(owner, false);
  line->Data().filename_num_original = 2;  // the fake knows no size for it
  EXPECT_TRUE(ReadBack(owner, Saved(*line)));
  EXPECT_FALSE(owner.dud);
  EXPECT_EQ(owner.taken[2].first, kUnknownFileSize);
  line->Data().filename_num_original = 3;
  EXPECT_TRUE(ReadBack(owner, Saved(*line)));  // the line is kept
  EXPECT_TRUE(owner.dud);
}

// --- the entry's operations ------------------------------------------------------------------

TEST(ConcordanceLine, Duplicates) {
  FakeOwner owner;
  const UString long_a = UString(300, u'x') + UString(500, u'y') + u"tail one";
  const UString long_b = UString(300, u'x') + UString(500, u'y') + u"another tail";
  struct Case { UString a; int16_t ma; UString b; int16_t mb; bool dup; const char* why; } cases[] = {
      {long_a, 300, long_b, 300, true, "equal 500 characters around the midpoint"},
      {long_a, 300, long_b, 301, false, "different midpoints"},
      {u"short line", 3, u"short line", 3, true, "short and equal"},
      {u"short line", 3, u"Short line", 3, false, "case counts"},
      {u"short line", 3, u"short line!", 3, false, "short and different"},
  };
  for (const auto& c : cases) {
    TConcordanceEntry a(&owner), b(&owner);
    a.SetText(c.a);
    a.Data().midpoint = c.ma;
    b.SetText(c.b);
    b.Data().midpoint = c.mb;
    EXPECT_EQ(a.IsDuplicateOf(b), c.dup) << c.why;
  }
}

TEST(ConcordanceLine, MeanWordRank) {
  FakeOwner owner;
  TConcordanceEntry line(&owner);
  line.SetText(u"the Cat sat (on) mats.");
  EXPECT_EQ(line.MeanWordRank(), 1);  // no reference list
  owner.reference = true;
  owner.ranks = {{u"the", 1}, {u"sat", 6}, {u"on", 5}};
  // the 1, sat 6, on 5, mats absent (100 + 1000); Cat skipped: (1 + 6 + 5 + 1100) / 4 = 278
  EXPECT_EQ(line.MeanWordRank(), 278);
  line.SetText(u"... 42 , Cat");
  EXPECT_EQ(line.MeanWordRank(), 1);  // no word counted
}

TEST(ConcordanceLine, WordsOfEachColumnKind) {
  FakeOwner owner;
  auto line = MakeLine(owner);
  EXPECT_EQ(line->GetAWordAsString(1), kText);
  line->SetAWordAsString(2, u"set A");
  line->SetAWordAsString(1, u"ignored");
  EXPECT_EQ(line->GetAWordAsString(2), u"set A");
  EXPECT_EQ(line->GetAWordAsString(1), kText);
  EXPECT_EQ(line->GetAWordAsString(3), u"Chapter 1");
  EXPECT_EQ(line->GetAWordAsString(4), u"alpha.txt");
  owner.full_names = true;
  EXPECT_EQ(line->GetAWordAsString(4), u"/corpus/alpha.txt");
}

TEST(ConcordanceLine, CharactersAroundTheMidpoint) {
  FakeOwner owner;
  auto line = MakeLine(owner, false);
  EXPECT_EQ(line->ConcordanceCharactersAroundMidpoint(6), u"<b>bar");
  EXPECT_EQ(line->ConcordanceCharactersAroundMidpoint(40), UStringView(kText).substr(0, 37));
  line->Data().midpoint = 0;
  EXPECT_EQ(line->ConcordanceCharactersAroundMidpoint(4), u"the ");
}

// --- span positions --------------------------------------------------------------------------

TEST(LineSpans, WordsAtPositionsAndOutermost) {
  FakeOwner owner;
  auto line = MakeLine(owner, false);
  EXPECT_EQ(+WordAtSpanPosition(*line, 44).coll_length, 0);
  EXPECT_EQ(OutermostSpanPosition(*line, -1), 45);
  line->OtherLeftCollocs().Add(TSortInfoRec{-20, 4, 0, 0});
  EXPECT_EQ(+WordAtSpanPosition(*line, 44).coll_length, 4);
  EXPECT_EQ(+WordAtSpanPosition(*line, 50).coll_length, 6);
  EXPECT_EQ(OutermostSpanPosition(*line, -1), 44);
  EXPECT_EQ(OutermostSpanPosition(*line, 1), 55);
}

TEST(LineSpans, SpanLimits) {
  FakeOwner owner;
  auto line = MakeLine(owner, false);
  // words at 48 to 51; a barrier of 1 after "dog" (49)
  TSortInfoRec dog = line->FixedWord(4);
  dog.barrier = 1;
  line->SetFixedWord(4, dog);
  struct Case { int side; int limit; uint8_t stop; bool barrier_on_sw; int expect; const char* why; } cases[] = {
      {1, 55, 0, false, 52, "right: stops at the first position without a word"},
      {1, 51, 0, false, 51, "right: the limit"},
      {-1, 45, 0, false, 48, "left: stops before a missing word"},
      {-1, 45, 1, false, 50, "left: a barrier after L1 keeps the span at the search word"},
      {-1, 45, 2, false, 48, "left: a weaker barrier does not stop"},
      {1, 55, 1, true, 50, "right: a barrier on the search word counts no right word"},
      {1, 55, 0, true, 52, "right: stop level 0 ignores barriers"},
  };
  for (const auto& c : cases) {
    TSortInfoRec sw = line->FixedWord(5);
    sw.barrier = c.barrier_on_sw ? 1 : 0;
    line->SetFixedWord(5, sw);
    EXPECT_EQ(SpanLimitOfLine(*line, c.side, c.limit, c.stop), c.expect) << c.why;
  }
}

}  // namespace

// Lines share one pool across threads: made on workers, some given up there and the rest on the
// calling thread, as a run does. Each line must keep its own numbers and text throughout.
TEST(ConcordanceLine, LinesMadeAndFreedOnManyThreadsStayTheirOwn) {
  constexpr int kThreads = 4;
  constexpr int kLines = 5000;
  std::vector<std::vector<std::unique_ptr<TConcordanceEntry>>> kept(kThreads);
  std::vector<std::thread> workers;
  for (int t = 0; t < kThreads; ++t) {
    workers.emplace_back([t, &kept] {
      for (int i = 0; i < kLines; ++i) {
        auto line = std::make_unique<TConcordanceEntry>(nullptr);
        line->Data().word_num = t * kLines + i;
        line->SetText(UString(1 + i % 7, static_cast<char16_t>(u'a' + t)));
        if (i % 2 == 0) kept[static_cast<size_t>(t)].push_back(std::move(line));
      }
    });
  }
  for (auto& w : workers) w.join();
  for (int t = 0; t < kThreads; ++t) {
    const auto& mine = kept[static_cast<size_t>(t)];
    ASSERT_EQ(mine.size(), static_cast<size_t>(kLines / 2));
    for (int i = 0; i < kLines; i += 2) {
      ASSERT_EQ(mine[static_cast<size_t>(i / 2)]->Data().word_num, t * kLines + i);
      ASSERT_EQ(mine[static_cast<size_t>(i / 2)]->Text(), UString(1 + i % 7, static_cast<char16_t>(u'a' + t)));
    }
  }
}

// Threads with a stock of slots of their own (as text workers have) and threads without make
// lines at once, give some up on their own thread and hand the rest to another: no slot is ever
// given to two lines, every line keeps its numbers, and once the lines and the stocks are gone
// the pool counts what it counted before (so its blocks can go back).
TEST(ConcordanceLine, LinesFromThreadsOwnStocksAreEachTheirOwnAndAllGoBack) {
  struct Case {
    const char* name;
    int threads;
    int lines;        // per thread: enough to fill several blocks of growing size
    bool stocks;      // each thread takes its slots a batch at a time
    bool nested;      // a second stock on the same thread changes nothing
    int freed_every;  // every n-th line is freed on its own thread
  } const cases[] = {
      {"stocks on every thread", 6, 9000, true, false, 3},
      {"a nested stock", 3, 5000, true, true, 2},
      {"no stocks", 4, 7000, false, false, 5},
      {"a stock with no lines freed", 2, 300, true, false, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const int64_t alive_before = TConcordanceEntry::PoolSlotsAlive();
    for (int round = 0; round < 2; ++round) {  // the second round after the blocks went back
      std::vector<std::vector<std::unique_ptr<TConcordanceEntry>>> kept(static_cast<size_t>(c.threads));
      std::vector<std::thread> workers;
      for (int t = 0; t < c.threads; ++t) {
        workers.emplace_back([t, &c, &kept] {
          std::optional<TConcordanceEntry::TSlotsOfThisThread> stock, inner;
          if (c.stocks) stock.emplace();
          if (c.nested) inner.emplace();
          for (int i = 0; i < c.lines; ++i) {
            auto line = std::make_unique<TConcordanceEntry>(nullptr);
            line->Data().word_num = t * c.lines + i;
            if (c.freed_every == 0 || i % c.freed_every != 0) kept[static_cast<size_t>(t)].push_back(std::move(line));
          }
          inner.reset();
          if (c.nested) {  // the outer stock still serves
            auto line = std::make_unique<TConcordanceEntry>(nullptr);
            line->Data().word_num = -1;
          }
        });
      }
      for (auto& w : workers) w.join();
      std::set<const TConcordanceEntry*> seen;
      for (int t = 0; t < c.threads; ++t) {
        int i = 0;
        for (const auto& line : kept[static_cast<size_t>(t)]) {
          while (c.freed_every != 0 && i % c.freed_every == 0) ++i;
          ASSERT_EQ(line->Data().word_num, t * c.lines + i);
          ASSERT_TRUE(seen.insert(line.get()).second) << "a slot given to two lines";
          ++i;
        }
      }
    }
    EXPECT_EQ(TConcordanceEntry::PoolSlotsAlive(), alive_before);
  }
}

// Workers write their lines' texts into the list's arena through leases while the list's thread
// stores texts of its own and gives texts back: every text stays whole, and the blocks go once
// the last text and the last lease are gone.
TEST(ConcordanceLine, TextsStoredThroughLeasesOnManyThreadsStayWhole) {
  class TArenaOwner : public FakeOwner {
   public:
    TLineTextArena* LineTextArena() override { return &arena; }
    TLineTextArena arena;
  };
  TArenaOwner owner;
  constexpr int kThreads = 4;
  constexpr int kLines = 4000;
  auto text_of = [](int t, int i) { return UString(1 + (i * 37) % 1500, static_cast<char16_t>(u'a' + t)); };
  std::vector<std::vector<std::unique_ptr<TConcordanceEntry>>> kept(kThreads + 1);
  std::vector<std::thread> workers;
  for (int t = 0; t < kThreads; ++t) {
    workers.emplace_back([&, t] {
      TLineTextArena::TLease lease(owner.arena);
      for (int i = 0; i < kLines; ++i) {
        auto line = std::make_unique<TConcordanceEntry>(&owner);
        line->SetText(lease, text_of(t, i));
        line->Data().word_num = i;
        if (i % 3 != 0) kept[static_cast<size_t>(t)].push_back(std::move(line));
      }
    });
  }
  // The list's thread meanwhile.
  for (int i = 0; i < kLines; ++i) {
    auto line = std::make_unique<TConcordanceEntry>(&owner);
    line->SetText(text_of(kThreads, i));
    line->MoveTextToOwner();
    line->Data().word_num = i;
    if (i % 3 != 0) kept[kThreads].push_back(std::move(line));
  }
  for (auto& w : workers) w.join();
  int64_t alive = 0;
  for (int t = 0; t <= kThreads; ++t) {
    for (const auto& line : kept[static_cast<size_t>(t)]) {
      ASSERT_TRUE(line->TextInArena());
      ASSERT_EQ(line->Text(), text_of(t, line->Data().word_num)) << t;
      ++alive;
    }
  }
  EXPECT_EQ(owner.arena.LiveTexts(), alive);
  EXPECT_GT(owner.arena.BytesHeld(), 0u);
  for (auto& lines : kept) lines.clear();
  EXPECT_EQ(owner.arena.LiveTexts(), 0);
  EXPECT_EQ(owner.arena.BytesHeld(), 0u);
}

// A run of many texts: each worker takes a lease a text, as the text workers do, until the arena
// has grown to whole large blocks and regions of them. Every text stays whole; the blocks go
// when the lines go, their regions are kept for the next arena (within the bound), and an arena
// made next writes its texts over the pages the first one left.
TEST(ConcordanceLine, LeasesOnEightThreadsFillLargeBlocksThatTheNextArenaReuses) {
  class TArenaOwner : public FakeOwner {
   public:
    TLineTextArena* LineTextArena() override { return &arena; }
    TLineTextArena arena;
  };
  constexpr int kThreads = 8;
  constexpr int kTexts = 200;
  constexpr int kLinesPerText = 45;
  // About 1 KB a line (one byte a character), 72 MB in all: past the first region.
  auto text_of = [](int run, int t, int i) {
    UString s(980 + i % 40, static_cast<char16_t>(u'a' + (t + run) % 26));
    s[static_cast<size_t>(i % 900)] = static_cast<char16_t>(u'0' + i % 10);
    return s;
  };
  constexpr size_t kKeptMost = size_t{1} << 28;
  const size_t kept_before = TLineTextArena::BytesKeptForReuse();
  size_t kept_after_first = 0;
  for (int run = 0; run < 2; ++run) {
    auto owner = std::make_unique<TArenaOwner>();
    std::vector<std::vector<std::unique_ptr<TConcordanceEntry>>> lines(kThreads);
    std::vector<std::thread> workers;
    for (int t = 0; t < kThreads; ++t) {
      workers.emplace_back([&, t] {
        for (int k = 0; k < kTexts; ++k) {
          TLineTextArena::TLease lease(owner->arena);
          for (int l = 0; l < kLinesPerText; ++l) {
            const int i = k * kLinesPerText + l;
            auto line = std::make_unique<TConcordanceEntry>(owner.get());
            line->SetText(lease, text_of(run, t, i));
            line->Data().word_num = i;
            lines[static_cast<size_t>(t)].push_back(std::move(line));
          }
        }
      });
    }
    for (auto& w : workers) w.join();
    const size_t kept_while_full = TLineTextArena::BytesKeptForReuse();
    for (int t = 0; t < kThreads; ++t) {
      ASSERT_EQ(lines[static_cast<size_t>(t)].size(), static_cast<size_t>(kTexts * kLinesPerText));
      for (const auto& line : lines[static_cast<size_t>(t)]) {
        ASSERT_TRUE(line->TextInArena());
        ASSERT_EQ(line->Text(), text_of(run, t, line->Data().word_num)) << run << " " << t;
      }
    }
    const size_t held = owner->arena.BytesHeld();
    const size_t text_bytes = size_t{kThreads} * kTexts * kLinesPerText * 1000;
    EXPECT_GE(held, text_bytes) << run;
    // What the workers' leases leave unused is a block's end each, not a block a text.
    EXPECT_LE(held, text_bytes + text_bytes / 8 + (size_t{kThreads} << 21)) << run;
    // The second arena took its regions from those the first one left.
    if (run == 1) {
      EXPECT_LT(kept_while_full, kept_after_first);
    }
    for (auto& l : lines) l.clear();
    EXPECT_EQ(owner->arena.LiveTexts(), 0) << run;
    EXPECT_EQ(owner->arena.BytesHeld(), 0u) << run;
    const size_t kept = TLineTextArena::BytesKeptForReuse();
    EXPECT_GE(kept, std::min(kKeptMost, kept_before + (size_t{1} << 25))) << run;
    EXPECT_LE(kept, kKeptMost) << run;
    if (run == 0) kept_after_first = kept;
  }
}

// Small texts, as most texts of a folder of mail or news are: a lease a text holding a line or
// two (some none), on eight threads, each thread going from one list's arena to another's text
// by text, and one arena emptied and made anew half-way. Every text stays whole, wide and
// one-byte ones alike.
TEST(ConcordanceLine, LeasesOfSmallTextsAlternatingBetweenArenasKeepEveryTextWhole) {
  class TArenaOwner : public FakeOwner {
   public:
    TLineTextArena* LineTextArena() override { return &arena; }
    TLineTextArena arena;
  };
  constexpr int kThreads = 8, kTexts = 3000;
  auto text_of = [](int t, int i) {
    UString s(1 + (i * 131) % 3000, static_cast<char16_t>(u'a' + t));
    s[static_cast<size_t>(i) % s.size()] = i % 5 == 0 ? u'\u0416' : static_cast<char16_t>(u'0' + i % 10);
    return s;
  };
  std::vector<std::unique_ptr<TArenaOwner>> owners;
  for (int o = 0; o < 3; ++o) owners.push_back(std::make_unique<TArenaOwner>());
  struct TMade {
    std::unique_ptr<TConcordanceEntry> line;
    int thread;
  };
  std::vector<std::vector<TMade>> made(3);
  std::mutex made_lock;
  auto work = [&](int from_text, int to_text) {
    std::vector<std::thread> workers;
    for (int t = 0; t < kThreads; ++t) {
      workers.emplace_back([&, t] {
        for (int k = from_text; k < to_text; ++k) {
          const size_t o = static_cast<size_t>(k % 2);
          TLineTextArena::TLease lease(owners[o]->arena);
          for (int l = 0; l < k % 3; ++l) {
            const int i = k * 3 + l;
            auto line = std::make_unique<TConcordanceEntry>(owners[o].get());
            line->SetText(lease, text_of(t, i));
            line->Data().word_num = i;
            std::lock_guard lock(made_lock);
            made[o].push_back({std::move(line), t});
          }
        }
      });
    }
    for (auto& w : workers) w.join();
  };
  auto check = [&](size_t o) {
    for (const TMade& m : made[o]) {
      ASSERT_TRUE(m.line->TextInArena());
      ASSERT_EQ(m.line->Text(), text_of(m.thread, m.line->Data().word_num)) << o;
    }
  };
  work(0, kTexts / 2);
  check(0);
  // The first arena gives its blocks up; a new one takes its place.
  made[0].clear();
  EXPECT_EQ(owners[0]->arena.BytesHeld(), 0u);
  std::swap(owners[0], owners[2]);
  work(kTexts / 2, kTexts);
  check(0);
  check(1);
  EXPECT_GT(made[0].size() + made[1].size(), static_cast<size_t>(kTexts));
}

// Lines that overlap keep their bytes once: each view's bytes follow on from the last line's
// where the claimed overlap holds, and any claim (too long, too short, false, beyond the run)
// still gives every line exactly its own text. Between them come wide texts and lines stored by
// copy, views of accented bytes, and views whose line takes its on-need block after the view;
// lines go on the way, one is edited and one moves to another owner whose arena outlives the
// first. The arena's blocks go with the last line.
TEST(ConcordanceLine, LinesSharingTheirBytesKeepEachItsOwnText) {
  class TArenaOwner : public FakeOwner {
   public:
    TLineTextArena* LineTextArena() override { return &arena; }
    TLineTextArena arena;
  };
  auto shared = std::make_unique<TArenaOwner>();
  TArenaOwner other;
  std::mt19937 rng(1207);
  std::string source(2000000, ' ');
  for (char& c : source) c = rng() % 6 == 0 ? ' ' : static_cast<char>('a' + rng() % 26);
  std::vector<std::unique_ptr<TConcordanceEntry>> lines;
  std::vector<UString> texts;
  size_t followed = 0, true_claims = 0;
  {
    TLineTextArena::TLease lease(shared->arena);
    TSharedLineBytes bytes(shared->arena);
    size_t from = 0, last_end = 0;
    const uint8_t* last_at = nullptr;
    size_t last_n = 0;
    while (texts.size() < 20000) {
      // Mostly lines of one width a hundred characters apart, as a frequent word's are.
      const size_t n = rng() % 64 == 0 ? 1 + rng() % 4000 : 1000;
      from = std::min(from + rng() % 200, source.size() - n);
      UString text(source.begin() + static_cast<std::ptrdiff_t>(from),
                   source.begin() + static_cast<std::ptrdiff_t>(from + n));
      const uint32_t road = rng() % 64;
      auto line = std::make_unique<TConcordanceEntry>(shared.get());
      if (road == 0) {
        text[rng() % n] = 0x0436;  // wide: a block of its own
        line->SetText(lease, UStringView(text));
      } else if (road == 1) {
        line->SetText(lease, UStringView(text));
      } else {
        const size_t truth = last_end > from && last_end <= from + n ? last_end - from : 0;
        size_t claim = truth;
        if (road == 2) claim = rng() % (n + 3);                   // any claim at all
        if (road == 3 && claim > 0) text[rng() % claim] = u'#';   // the bytes differ
        if (road == 4) text[rng() % n] = u'\u00e9';              // a byte above 0x7F
        std::string one_byte(text.begin(), text.end());
        const uint8_t* at = bytes.Keep(reinterpret_cast<const uint8_t*>(one_byte.data()), n, claim);
        if (road > 4 && truth > 0 && last_at) {
          ++true_claims;
          if (at == last_at + last_n - truth) ++followed;
        }
        line->SetTextView(lease, TLineText(at, n, road == 4 ? TLineTextForm::kNarrow : TLineTextForm::kAscii));
        if (road == 5) line->SetTagContext(u"<h1>");  // the view's address moves to the on-need block
        last_at = at, last_n = n, last_end = from + n;
      }
      ASSERT_TRUE(line->TextInArena());
      lines.push_back(std::move(line));
      texts.push_back(text);
      if (rng() % 10 == 0) {  // a line given up while the run goes on
        lines.pop_back();
        texts.pop_back();
      }
    }
  }
  // Nearly every true claim followed on (a run starts again where a stretch ends).
  EXPECT_GT(true_claims, 15000u);
  EXPECT_GT(followed, true_claims * 95 / 100);
  for (size_t i = 0; i < lines.size(); ++i) {
    ASSERT_EQ(lines[i]->Text(), texts[i]) << i;
    ASSERT_EQ(lines[i]->Text().Form(), LineTextFormOf(texts[i])) << i;
  }
  EXPECT_EQ(shared->arena.LiveTexts(), static_cast<int64_t>(lines.size()));
  // Each line's text went into the arena once over, less what the overlaps share.
  size_t whole = 0;
  for (const UString& t : texts) whole += t.size();
  EXPECT_LT(shared->arena.BytesHeld(), whole / 3);

  // An edited line has a copy of its own; its neighbours, sharing what it had, are unchanged.
  texts[10] = u"edited " + texts[10];
  lines[10]->SetText(UStringView(texts[10]));
  // A line moved to another owner takes its text along, and keeps it when the first owner goes.
  lines[20]->SetOwner(&other);
  std::unique_ptr<TConcordanceEntry> moved = std::move(lines[20]);
  const UString moved_text = texts[20];
  lines.erase(lines.begin() + 20);
  texts.erase(texts.begin() + 20);
  for (size_t i = 0; i < lines.size(); ++i) ASSERT_EQ(lines[i]->Text(), texts[i]) << i;
  lines.clear();
  EXPECT_EQ(shared->arena.LiveTexts(), 0);
  EXPECT_EQ(shared->arena.BytesHeld(), 0u);
  shared.reset();
  EXPECT_EQ(moved->Text(), moved_text);
  EXPECT_EQ(other.arena.LiveTexts(), 1);
}

// Lines of UTF-16 units share theirs too, beside the one-byte lines of the same worker: every
// run starts on a whole unit though one-byte runs end anywhere, any claim (true, false, too long,
// odd) still gives each line exactly its own units, and most true claims follow on.
TEST(ConcordanceLine, LinesSharingTheirUnitsKeepEachItsOwnText) {
  class TArenaOwner : public FakeOwner {
   public:
    TLineTextArena* LineTextArena() override { return &arena; }
    TLineTextArena arena;
  };
  TArenaOwner owner;
  std::mt19937 rng(5252);
  UString source(4000000, u' ');
  for (size_t i = 0; i < source.size(); ++i)  // a unit beyond one byte in every 16
    source[i] = i % 16 == 0 ? u'\u0436' : rng() % 6 == 0 ? u' ' : static_cast<char16_t>(u'a' + rng() % 26);
  std::vector<std::unique_ptr<TConcordanceEntry>> lines;
  std::vector<UString> texts;
  size_t followed = 0, true_claims = 0, whole = 0;
  {
    TLineTextArena::TLease lease(owner.arena);
    TSharedLineBytes bytes(owner.arena);
    TSharedLineBytes units(owner.arena, sizeof(char16_t));
    size_t from = 0, last_end = 0;
    const uint8_t* last_at = nullptr;
    size_t last_n = 0;
    while (texts.size() < 20000) {
      const size_t n = rng() % 32 == 0 ? 16 + rng() % 3000 : 999;  // odd: the runs' ends move
      from = std::min(from + rng() % 300, source.size() - n);
      UString text = source.substr(from, n);
      auto line = std::make_unique<TConcordanceEntry>(&owner);
      const uint32_t road = rng() % 16;
      if (road == 0) {
        // A one-byte line between them, of an odd length.
        std::string one(n | 1, 'x');
        const uint8_t* at = bytes.Keep(reinterpret_cast<const uint8_t*>(one.data()), one.size(), rng() % 3);
        text = UString(one.begin(), one.end());
        line->SetTextView(lease, TLineText(at, one.size(), TLineTextForm::kAscii));
      } else {
        const size_t truth = last_end > from && last_end <= from + n ? last_end - from : 0;
        size_t claim = truth;
        if (road == 1) claim = rng() % (n + 3);                                 // any claim at all
        if (road == 2 && claim > 0) text[rng() % claim] = u'#';                 // the units differ
        const uint8_t* at = units.Keep(reinterpret_cast<const uint8_t*>(text.data()), n * 2, claim * 2);
        ASSERT_EQ(reinterpret_cast<uintptr_t>(at) % 2, 0u);
        if (road > 3 && truth > 0 && last_at) {
          ++true_claims;
          if (at == last_at + 2 * (last_n - truth)) ++followed;
        }
        line->SetTextView(lease, TLineText(at, n, TLineTextForm::kWide));
        if (road == 4) line->SetTagContext(u"<h1>");  // the view's address moves to the on-need block
        last_at = at, last_n = n, last_end = road == 2 ? 0 : from + n;
      }
      ASSERT_TRUE(line->TextInArena());
      whole += text.size() * 2;
      lines.push_back(std::move(line));
      texts.push_back(text);
    }
  }
  EXPECT_GT(true_claims, 12000u);
  EXPECT_GT(followed, true_claims * 95 / 100);
  for (size_t i = 0; i < lines.size(); ++i) {
    ASSERT_EQ(lines[i]->Text(), texts[i]) << i;
    ASSERT_EQ(lines[i]->Text().Form(), LineTextFormOf(texts[i])) << i;
  }
  EXPECT_LT(owner.arena.BytesHeld(), whole / 2);
  lines.clear();
  EXPECT_EQ(owner.arena.LiveTexts(), 0);
  EXPECT_EQ(owner.arena.BytesHeld(), 0u);
}

// A line keeps its owner's number, not its address: the number must lead back to that owner
// through text and on-need changes, and never to an owner made after it went.
TEST(ConcordanceLine, OwnerNumberLeadsToItsOwnerOnly) {
  FakeOwner first, second;
  auto line = std::make_unique<TConcordanceEntry>(&first);
  EXPECT_EQ(line->Owner(), &first);
  line->SetText(u"some text");
  line->SetTagContext(u"<head>");  // makes the on-need block
  line->SetText(u"other text");
  EXPECT_EQ(line->Owner(), &first);
  EXPECT_EQ(line->Text(), u"other text");
  line->SetOwner(&second);
  EXPECT_EQ(line->Owner(), &second);
  EXPECT_EQ(line->Text(), u"other text");
  EXPECT_EQ(line->TagContext(), u"<head>");
  line->SetOwner(nullptr);
  EXPECT_EQ(line->Owner(), nullptr);

  auto gone = std::make_unique<FakeOwner>();
  TConcordanceEntry orphan(gone.get());
  gone.reset();
  // Far more owners than numbers come and go: numbers are reused, but not the gone one's at once.
  for (int i = 0; i < 70000; ++i) {
    FakeOwner passing;
    if (i == 0) {
      EXPECT_EQ(orphan.Owner(), nullptr);
    }
  }
  const FakeOwner copy(first);
  EXPECT_NE(copy.LineOwnerNumber(), first.LineOwnerNumber());
}
