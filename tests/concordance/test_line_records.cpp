// Records kept beside a concordance line: byte layouts, round trips, older forms and damaged
// streams; the text framings they are written with.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <random>

#include "concordance/lines/line_records.h"
#include "platform/rtl/streams.h"

namespace {

std::vector<uint8_t> Bytes(TMemoryStream& s) { return s.Data(); }

TMemoryStream StreamOf(std::vector<uint8_t> bytes) { return TMemoryStream(std::move(bytes)); }

void PutI32(std::vector<uint8_t>& b, int32_t v) {
  uint8_t x[4];
  std::memcpy(x, &v, 4);
  b.insert(b.end(), x, x + 4);
}

TTagPositionRec Tag(int16_t pos, int16_t len, int16_t number) {
  TTagPositionRec r{};
  r.tag_position = pos;
  r.used_length = len;
  r.tagnumber_1Based = number;
  r.tag_colours = {0x112233, 0x445566};
  return r;
}

// --- layouts ---------------------------------------------------------------------------------

TEST(LineRecords, SortInfoRecordIsSixBytesInFieldOrder) {
  TSortInfoRecList list;
  list.Add(TSortInfoRec{-3, 5, 2, 7});
  TMemoryStream s;
  ASSERT_TRUE(list.SaveToStream(s));
  EXPECT_EQ(Bytes(s), (std::vector<uint8_t>{0xFD, 0xFF, 0x05, 0x00, 0x02, 0x07}));
}

TEST(LineRecords, TagPositionRecordBytes) {
  TTagPositionsList tags;
  TTagPositionRec r = Tag(0x0102, 0x0304, 0x0506);
  r.tag_kind = 0x0807;
  tags.Add(r);
  TMemoryStream s;
  ASSERT_TRUE(tags.SaveToStream(s));
  ASSERT_EQ(s.Size(), 4 + 64 + 16);
  const auto& b = s.Data();
  EXPECT_EQ((std::vector<uint8_t>(b.begin(), b.begin() + 8)),
            (std::vector<uint8_t>{0xFF, 0xFF, 0xFF, 0xFF, 2, 0, 0, 0}));  // count -1; version at least 2
  const uint8_t* p = b.data() + 68;
  EXPECT_EQ((std::vector<uint8_t>(p, p + 4)), (std::vector<uint8_t>{0x04, 0x03, 0x02, 0x01}));
  EXPECT_EQ(p[4], 0x33);   // foreground, little-endian
  EXPECT_EQ(p[8], 0x66);   // background
  EXPECT_EQ(p[12], 0x06);  // tag number
  EXPECT_EQ((std::vector<uint8_t>(p + 14, p + 16)), (std::vector<uint8_t>{0x07, 0x08}));  // kind
}

// --- sort-info lists -------------------------------------------------------------------------

TEST(LineRecords, SortInfoListRoundTripAndBadCounts) {
  TSortInfoRecList a;
  for (int i = 0; i < 5; ++i) a.Add(TSortInfoRec{static_cast<int16_t>(i * 3), 4, 1, 0});
  TMemoryStream s;
  ASSERT_TRUE(a.SaveToStream(s));
  s.SetPosition(0);
  TSortInfoRecList b;
  ASSERT_TRUE(b.ReadFromStream(5, 25, s));
  ASSERT_EQ(b.Count(), 5);
  EXPECT_EQ(+b.Record(4).start_position, 12);
  EXPECT_EQ(+b.Record(5).coll_length, 0);  // zeroed outside the list

  struct Case { int32_t count; const char* why; } cases[] = {{-1, "negative"}, {6, "beyond the bytes"},
                                                             {INT32_MAX, "huge"}};
  for (const auto& c : cases) {
    s.SetPosition(0);
    TSortInfoRecList d;
    EXPECT_FALSE(d.ReadFromStream(c.count, 25, s)) << c.why;
    EXPECT_EQ(d.Count(), 0) << c.why;
  }
}

TEST(LineRecords, SkipOldRecordsByKind) {
  TMemoryStream s(std::vector<uint8_t>(100));
  EXPECT_TRUE(SkipOldRecords(1, s));
  EXPECT_EQ(s.Position(), 40);
  EXPECT_TRUE(SkipOldRecords(2, s));
  EXPECT_EQ(s.Position(), 100);
  EXPECT_TRUE(SkipOldRecords(3, s));
  EXPECT_FALSE(SkipOldRecords(1, s));  // nothing left to skip
}

// --- tag positions ---------------------------------------------------------------------------

TEST(TagPositions, NothingFollowsAZeroCount) {
  TTagPositionsList tags;
  TMemoryStream s;
  ASSERT_TRUE(tags.SaveToStream(s));
  EXPECT_EQ(Bytes(s), (std::vector<uint8_t>{0, 0, 0, 0}));
  s.SetPosition(0);
  TTagPositionsList back;
  ASSERT_TRUE(back.ReadFromStream(s, 100));
  EXPECT_EQ(back.Count(), 0);
  EXPECT_EQ(s.Position(), 4);
}

TEST(TagPositions, RoundTripKeepsExtraRecordAndPositions) {
  TTagPositionsList tags;
  tags.Add(Tag(2, 3, 1));
  tags.Add(Tag(10, 5, 4));
  tags.Add(Tag(20, 0, 2));
  tags.Extra().tag_sort_numbers_1Based[5] = 2;
  TMemoryStream s;
  ASSERT_TRUE(tags.SaveToStream(s));
  s.SetPosition(0);
  TTagPositionsList back;
  ASSERT_TRUE(back.ReadFromStream(s, 40));
  ASSERT_EQ(back.Count(), 3);
  const TTagPositionRec x = back.Record(1), y = tags.Record(1);
  EXPECT_EQ(std::memcmp(&x, &y, 16), 0);
  EXPECT_EQ(+back.Extra().tag_sort_numbers_1Based[5], 2);
  EXPECT_TRUE(back.WordsLinked());
  EXPECT_EQ(s.Position(), s.Size());
}

TEST(TagPositions, OlderPositiveCountHasNoExtraRecord) {
  std::vector<uint8_t> b;
  PutI32(b, 2);
  for (const TTagPositionRec r : {Tag(4, 2, 1), Tag(9, 3, 2)})
    b.insert(b.end(), reinterpret_cast<const uint8_t*>(&r), reinterpret_cast<const uint8_t*>(&r) + 16);
  TMemoryStream s = StreamOf(b);
  TTagPositionsList tags;
  tags.SetCentre(9);
  ASSERT_TRUE(tags.ReadFromStream(s, 40));
  EXPECT_EQ(tags.Count(), 2);
  EXPECT_FALSE(tags.WordsLinked());
  EXPECT_EQ(+tags.Extra().search_word_started_with_Tag, 1);  // a tag sits where the search word starts
  EXPECT_EQ(+tags.Extra().centre_sw_position, 9);
}

TEST(TagPositions, DamagedCountsAreRefused) {
  struct Case { int32_t count; const char* why; } cases[] = {
      {INT32_MIN, "minus the largest count"}, {-3, "extra record and positions missing"}, {6, "positions missing"},
      {-200000000, "count beyond the bytes"}};
  for (const auto& c : cases) {
    std::vector<uint8_t> b;
    PutI32(b, c.count);
    b.resize(b.size() + 64 + 16);
    TMemoryStream s = StreamOf(b);
    TTagPositionsList tags;
    EXPECT_FALSE(tags.ReadFromStream(s, 40)) << c.why;
    EXPECT_EQ(tags.Count(), 0) << c.why;
  }
}

TEST(TagPositions, PositionsAreClippedIntoTheLine) {
  TTagPositionsList tags;
  tags.Add(Tag(500, 7, 1));
  tags.Add(Tag(-4, 3, 1));
  tags.Add(Tag(8, 30, 1));
  tags.Extra().tag_sort_numbers_1Based[0] = 9;  // names a tag the line does not have
  TMemoryStream s;
  ASSERT_TRUE(tags.SaveToStream(s));
  s.SetPosition(0);
  TTagPositionsList back;
  ASSERT_TRUE(back.ReadFromStream(s, 10));
  EXPECT_EQ(+back.Record(0).tag_position, 10);
  EXPECT_EQ(+back.Record(0).used_length, 0);
  EXPECT_EQ(+back.Record(1).tag_position, 0);
  EXPECT_EQ(+back.Record(2).used_length, 2);
  EXPECT_EQ(+back.Extra().tag_sort_numbers_1Based[0], 0);
}

TEST(TagPositions, ColoursRecordsAndLengths) {
  TTagPositionsList tags;
  tags.Add(Tag(0, 3, 1));
  tags.Add(Tag(5, 3, 3));  // beyond a table of two tags
  const TForeBackColoursArray table[] = {{1, 2}, {3, 4}};
  tags.ChangeColoursTo(table);
  EXPECT_EQ(+tags.Record(0).tag_colours.fore, 1);
  EXPECT_EQ(+tags.Record(1).tag_colours.fore, 0x112233);
  EXPECT_EQ(+tags.Record(2).tagnumber_1Based, -1);
  EXPECT_EQ(+tags.Record(-1).used_length, 0);
  EXPECT_EQ(tags.TagNumber(7), 0);
  tags.SetToZeroLength(1);
  tags.SetToZeroLength(9);
  EXPECT_EQ(+tags.Record(1).used_length, 0);
  for (auto [kind, slot] : {std::pair{1, 5}, {2, 6}, {0, 4}, {9, 4}}) EXPECT_EQ(TagKindColourSlot(kind), slot) << kind;
}

// Markers carry bit 0x0800 as well: they must never count as tags numbered by their kind.
TEST(TagFlags, MarkersAreTestedFirst) {
  struct Case { uint16_t flag; bool tag; int32_t number; } cases[] = {
      {0x0801, true, 1},  {0x0805, true, 5},   {0x0800, true, 0},          {0x0400 | 0x0803, true, 3},
      {0x0400, true, 0},  {0x8800, false, 0},  {0x8800 + 15, false, 0},    {0x8800 + 21, false, 0},
      {0x0041, false, 0}, {0x0000, false, 0}};
  for (const auto& c : cases) {
    EXPECT_EQ(IsTagFlag(c.flag), c.tag) << std::hex << c.flag;
    EXPECT_EQ(TagNumberOfFlag(c.flag), c.number) << std::hex << c.flag;
  }
}

// --- span columns ----------------------------------------------------------------------------

TEST(SpanPositions, ColumnsToSpans) {
  EXPECT_EQ(PatternColToSpan(0), 45);
  EXPECT_EQ(PatternColToSpan(5), 50);
  EXPECT_EQ(PatternColToSpanRightToLeft(0), 55);
  EXPECT_EQ(CollocateColToSpan(5, 5), 50);
  EXPECT_EQ(CollocateColToSpan(0, 5), 45);
  EXPECT_EQ(CollocateColToSpan(9, 2), 57);
}

// --- old collocate rows ----------------------------------------------------------------------

std::vector<uint8_t> OldCollocateRow(int32_t n, int level) {
  const float value = 2.5f;
  uint8_t x[4];
  std::memcpy(x, &value, 4);
  std::vector<uint8_t> b(x, x + 4);
  for (int32_t v : {7, 30, 12, 18}) PutI32(b, v);
  PutI32(b, 3);
  for (char16_t c : u"dog") {
    if (!c) break;
    b.push_back(static_cast<uint8_t>(c));
    b.push_back(0);
  }
  PutI32(b, n);
  for (int32_t i = 0; i < std::max(n, 0) && i < 4; ++i) PutI32(b, 100 + i);
  if (level > 0) PutI32(b, 2);
  if (level > 1) PutI32(b, 9);
  return b;
}

TEST(OldCollocateRow, ReadsEveryLevel) {
  for (int level = 0; level <= 2; ++level) {
    TMemoryStream s = StreamOf(OldCollocateRow(3, level));
    TOldCollocateRow row;
    ASSERT_TRUE(ReadOldCollocateRow(s, true, level, row)) << level;
    EXPECT_FLOAT_EQ(row.old_value, 2.5f);
    EXPECT_EQ(row.total_right, 18);
    EXPECT_EQ(*row.word_wide, u"dog");
    EXPECT_EQ(row.freqs, (std::vector<int32_t>{100, 101, 102}));
    EXPECT_EQ(row.lemma_freqs.size(), 3u);
    EXPECT_EQ(row.sw_number, level > 0 ? 2 : 0);
    EXPECT_EQ(row.n_texts, level > 1 ? 9 : 0);
    EXPECT_EQ(s.Position(), s.Size());
  }
}

TEST(OldCollocateRow, DamagedCountIsRefused) {
  for (int32_t n : {-1, INT32_MIN, 1000000000, 5}) {
    TMemoryStream s = StreamOf(OldCollocateRow(n, 0));
    TOldCollocateRow row;
    EXPECT_FALSE(ReadOldCollocateRow(s, true, 0, row)) << n;
    EXPECT_TRUE(row.freqs.empty()) << n;
  }
}

// --- unused texts ----------------------------------------------------------------------------

TUnusedFileRec Unused(double date, int32_t words, const char16_t* name) {
  TUnusedFileRec r;
  r.old.Juliandate = date;
  r.old.wordcount = words;
  r.filename = name;
  return r;
}

TEST(UnusedFiles, EmptyListIsMaxIntAndVersion) {
  TUnusedFileList list;
  TMemoryStream s;
  ASSERT_TRUE(list.SaveToStream(s));
  EXPECT_EQ(Bytes(s), (std::vector<uint8_t>{0xFF, 0xFF, 0xFF, 0x7F, 1, 0, 0, 0}));
  s.SetPosition(0);
  TUnusedFileList back;
  back.Add(Unused(1, 1, u"x"));
  ASSERT_TRUE(back.ReadFromStream(s));
  EXPECT_EQ(back.Count(), 0);
  EXPECT_EQ(back.Version(), 1);
}

TEST(UnusedFiles, RoundTripNamesDatesAndWords) {
  TUnusedFileList list;
  list.Add(Unused(2451545.5, 1200, u"/corpus/B.txt"));
  list.Add(Unused(2460000.0, 0, u"/corpus/\u00e9t\u00e9.txt"));
  TMemoryStream s;
  ASSERT_TRUE(list.SaveToStream(s));
  EXPECT_EQ(s.Size(), 8 + 2 * 56 + (13 + 1) * 2 + (15 + 1) * 2);
  s.SetPosition(0);
  TUnusedFileList back;
  ASSERT_TRUE(back.ReadFromStream(s));
  ASSERT_EQ(back.Count(), 2);
  EXPECT_EQ(back.Record(1).filename, u"/corpus/\u00e9t\u00e9.txt");
  EXPECT_EQ(+back.Record(0).old.wordcount, 1200);
  EXPECT_DOUBLE_EQ(+back.Record(0).old.Juliandate, 2451545.5);
  EXPECT_EQ(+back.Record(5).old.wordcount, 0);
  EXPECT_EQ(back.IndexOfAFilename(u"/CORPUS/b.TXT"), 0);
  EXPECT_EQ(back.IndexOfAFilename(u"/corpus/c.txt"), -1);
}

TEST(UnusedFiles, OlderFormHasNoVersionAndNoNames) {
  std::vector<uint8_t> b;
  PutI32(b, 2);
  for (int i = 0; i < 2; ++i) {
    TUnusedFileRecOLd old{};
    old.wordcount = 10 + i;
    b.insert(b.end(), reinterpret_cast<uint8_t*>(&old), reinterpret_cast<uint8_t*>(&old) + 56);
  }
  TMemoryStream s = StreamOf(b);
  TUnusedFileList list;
  ASSERT_TRUE(list.ReadFromStream(s));
  EXPECT_EQ(list.Version(), 0);
  ASSERT_EQ(list.Count(), 2);
  EXPECT_EQ(+list.Record(1).old.wordcount, 11);
  EXPECT_TRUE(list.Record(1).filename.empty());
}

TEST(UnusedFiles, AFailedRecordStopsTheRead) {
  TUnusedFileList list;
  list.Add(Unused(1, 5, u"a.txt"));
  list.Add(Unused(2, 6, u"b.txt"));
  TMemoryStream s;
  ASSERT_TRUE(list.SaveToStream(s));
  // The second name loses its terminator and the stream ends there.
  s.SetSize(s.Size() - 2);
  s.SetPosition(0);
  TUnusedFileList back;
  EXPECT_FALSE(back.ReadFromStream(s));
  ASSERT_EQ(back.Count(), 1);  // no empty records added after the failure
  EXPECT_EQ(back.Record(0).filename, u"a.txt");

  std::vector<uint8_t> bad;
  PutI32(bad, -2000000000);
  PutI32(bad, 1);
  TMemoryStream b = StreamOf(bad);
  EXPECT_FALSE(back.ReadFromStream(b));
  EXPECT_EQ(back.Count(), 0);
}

TEST(UnusedFiles, EveryCutAndGarbleAnswersWithoutCrashing) {
  TUnusedFileList list;
  list.Add(Unused(2451545.5, 1200, u"one.txt"));
  list.Add(Unused(2451546.5, 3, u"two.txt"));
  TMemoryStream s;
  ASSERT_TRUE(list.SaveToStream(s));
  const std::vector<uint8_t> whole = s.Data();
  for (size_t cut = 0; cut < whole.size(); ++cut) {
    TMemoryStream c = StreamOf(std::vector<uint8_t>(whole.begin(), whole.begin() + static_cast<long>(cut)));
    TUnusedFileList back;
    EXPECT_FALSE(back.ReadFromStream(c)) << cut;
  }
  std::mt19937 rng(8);
  for (int g = 0; g < 300; ++g) {
    std::vector<uint8_t> bytes = whole;
    for (int k = 0; k < 3; ++k) bytes[rng() % bytes.size()] = static_cast<uint8_t>(rng());
    TMemoryStream c = StreamOf(bytes);
    TUnusedFileList back;
    back.ReadFromStream(c);
    EXPECT_LE(back.Count(), 2);
  }
}

TEST(UnusedFiles, SortsByNameIgnoringCaseFirst) {
  TUnusedFileList list;
  list.Add(Unused(0, 0, u"b.txt"));
  list.Add(Unused(0, 0, u"A.txt"));
  list.Add(Unused(0, 0, u"a.txt"));
  list.SortAlphabetically();
  EXPECT_EQ(list.Record(0).filename, u"a.txt");
  EXPECT_EQ(list.Record(1).filename, u"A.txt");
  EXPECT_EQ(list.Record(2).filename, u"b.txt");
}

// --- other-file details and merge records ----------------------------------------------------

TEST(OtherFileDetails, FreedSlotGivesNothing) {
  TOtherFileDetailsList list;
  EXPECT_EQ(list.AddOne({u"line one", u"/a.txt"}), 0);
  EXPECT_EQ(list.AddOne({u"line two", u"/b.txt"}), 1);
  list.FreeAndNilOne(0);
  list.FreeAndNilOne(7);
  TOtherFilename_Details_Rec r{u"untouched", u""};
  EXPECT_FALSE(list.GetOne(0, r));
  EXPECT_EQ(r.aline, u"untouched");
  EXPECT_FALSE(list.GetOne(2, r));
  ASSERT_TRUE(list.GetOne(1, r));
  EXPECT_EQ(r.source_file, u"/b.txt");
}

TEST(MergeRecords, IndexOfN) {
  TConcEntryMergeRecList list;
  list.Add({3, u"/x.cnc", u"dog"});
  list.Add({7, u"/y.cnc", u"cat"});
  EXPECT_EQ(list.IndexOfN(7), 1);
  EXPECT_EQ(list.IndexOfN(4), -1);
}

// --- text framings ---------------------------------------------------------------------------

TEST(TextFramings, UnknownLengthPointerRoundTripsNilEmptyAndText) {
  TMemoryStream s;
  const UString wide = u"caf\u00e9";
  const UString empty;
  const std::string narrow = "abc";
  ASSERT_TRUE(WriteUnknownLengthPointer(s, static_cast<const UString*>(nullptr)));
  ASSERT_TRUE(WriteUnknownLengthPointer(s, &empty));
  ASSERT_TRUE(WriteUnknownLengthPointer(s, &wide));
  ASSERT_TRUE(WriteUnknownLengthPointer(s, &narrow));
  EXPECT_EQ(s.Size(), 4 + 4 + 4 + 8 + 4 + 3);
  s.SetPosition(0);
  std::optional<UString> a = u"x", b, c;
  std::optional<std::string> d;
  ASSERT_TRUE(ReadUnknownLengthPointer(s, a) && ReadUnknownLengthPointer(s, b) && ReadUnknownLengthPointer(s, c) &&
              ReadUnknownLengthPointer(s, d));
  EXPECT_FALSE(a.has_value());
  EXPECT_EQ(*b, u"");
  EXPECT_EQ(*c, wide);
  EXPECT_EQ(*d, "abc");
}

TEST(TextFramings, DamagedCountsAreRefused) {
  for (int32_t n : {-2, INT32_MIN, 3, 0x7FFFFFFF}) {
    std::vector<uint8_t> b;
    PutI32(b, n);
    b.resize(b.size() + 4);
    TMemoryStream s = StreamOf(b);
    std::optional<UString> t;
    EXPECT_FALSE(ReadUnknownLengthPointer(s, t)) << n;
  }
}

TEST(TextFramings, PcharStopsAtItsTerminator) {
  TMemoryStream s;
  ASSERT_TRUE(StreamWritePchar(s, u"first"));
  ASSERT_TRUE(StreamWritePchar(s, UStringView(u"sec\0ond", 7)));  // cut at the zero
  ASSERT_TRUE(StreamWritePchar(s, u""));
  EXPECT_EQ(s.Size(), (6 + 4 + 1) * 2);
  s.SetPosition(0);
  UString a, b, c = u"x";
  ASSERT_TRUE(StreamReadPchar(s, a) && StreamReadPchar(s, b) && StreamReadPchar(s, c));
  EXPECT_EQ(a, u"first");
  EXPECT_EQ(b, u"sec");
  EXPECT_EQ(c, u"");
  EXPECT_EQ(s.Position(), s.Size());
}

TEST(TextFramings, PcharWithoutTerminatorOrTooLongFails) {
  TMemoryStream s;
  const UString text(600, u'a');
  s.WriteExact(text.data(), 1200);
  s.SetPosition(0);
  UString t = u"kept";
  EXPECT_FALSE(StreamReadPchar(s, t));
  EXPECT_EQ(t, u"kept");
  TMemoryStream l;
  ASSERT_TRUE(StreamWritePchar(l, text));
  l.SetPosition(0);
  EXPECT_FALSE(StreamReadPchar(l, t, 599));
  l.SetPosition(0);
  EXPECT_TRUE(StreamReadPchar(l, t, 600));
}

TEST(TextFramings, ShortString) {
  TMemoryStream s;
  ASSERT_TRUE(WriteShortString(s, "name.txt"));
  EXPECT_FALSE(WriteShortString(s, std::string(256, 'x')));
  s.SetPosition(0);
  std::string t;
  ASSERT_TRUE(ReadShortString(s, t));
  EXPECT_EQ(t, "name.txt");
  TMemoryStream cut(std::vector<uint8_t>{5, 'a', 'b'});
  EXPECT_FALSE(ReadShortString(cut, t));
}

// Every record reader, given any proper prefix of a good stream, answers false.
TEST(LineRecords, EveryCutOfEveryRecordAnswersFalse) {
  TTagPositionsList tags;
  tags.Add(Tag(2, 3, 1));
  tags.Add(Tag(9, 1, 2));
  TMemoryStream tag_stream;
  ASSERT_TRUE(tags.SaveToStream(tag_stream));

  TMemoryStream text_stream;
  const UString text = u"framed";
  ASSERT_TRUE(WriteUnknownLengthPointer(text_stream, &text));

  struct Case {
    const char* name;
    std::vector<uint8_t> whole;
    bool (*read)(TStream&);
  } cases[] = {
      {"tag positions", tag_stream.Data(), [](TStream& s) { TTagPositionsList t; return t.ReadFromStream(s, 40); }},
      {"old collocate row", OldCollocateRow(3, 2),
       [](TStream& s) { TOldCollocateRow r; return ReadOldCollocateRow(s, true, 2, r); }},
      {"framed text", text_stream.Data(), [](TStream& s) { std::optional<UString> t; return ReadUnknownLengthPointer(s, t); }},
      {"old line record", std::vector<uint8_t>(104, 1), [](TStream& s) { TOldLinzoraEntryRec r; return ReadOldLineRecord(s, r); }},
  };
  for (const auto& c : cases) {
    TMemoryStream all(c.whole);
    ASSERT_TRUE(c.read(all)) << c.name;
    for (size_t cut = 0; cut < c.whole.size(); ++cut) {
      TMemoryStream s(std::vector<uint8_t>(c.whole.begin(), c.whole.begin() + static_cast<long>(cut)));
      EXPECT_FALSE(c.read(s)) << c.name << " cut " << cut;
    }
  }
}

}  // namespace
