// The text reader within a run: the tail carried over to the next chunk, encodings decided once
// per text, composition for every encoding, jump positions of its own, the byte map's limits and
// the settings taken once for the run.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>

#include "text_reader_test_support.h"
#include "model/reading/chosen_texts.h"
#include "model/reading/tag_handler.h"

using namespace text_reader_test;

namespace {

class TextReaderRun : public ::testing::Test {
 protected:
  UString Write(UStringView name, std::string_view bytes) { return tmp_.Write(name, bytes); }

  ScopedSettings settings_;
  TempFolder tmp_;
};

bool IsWordChar(uint16_t kind) { return kind < KIND_HIDDEN && (kind == C1_DEFINED || (kind & 0x0104) != 0); }

// Every chunk after the first holds, before its new characters, the tail of what came before:
// the same characters at the same bytes with the kinds they had, from the last word start that
// gives at least 64 words and 1,000 characters, or else at most 4,096 characters; every character
// is new once.
// Answers how many tails were cut short by the character limit.
int ExpectCarriedTails(const TCollector& c, const UString& whole, const std::vector<int64_t>& offsets) {
  int limited = 0;
  EXPECT_GE(c.chunks.size(), 2u);
  if (c.chunks.size() < 2) return 0;
  EXPECT_TRUE(c.chunks[0].carried.empty());
  EXPECT_EQ(c.Joined(), whole);
  EXPECT_EQ(c.characters, static_cast<int64_t>(whole.size()));
  std::vector<uint16_t> kinds;  // the kinds every character had when it was new
  for (const ChunkSeen& ch : c.chunks) kinds.insert(kinds.end(), ch.kinds.begin(), ch.kinds.end() - 2);
  size_t at = c.chunks[0].text.size();
  for (size_t k = 1; k < c.chunks.size(); ++k) {
    SCOPED_TRACE(testing::Message() << "chunk " << k);
    const ChunkSeen& ch = c.chunks[k];
    const size_t n = ch.carried.size();
    EXPECT_GT(n, 0u);
    EXPECT_LE(n, static_cast<size_t>(kCarriedCharsMax));
    if (n == 0 || n > static_cast<size_t>(kCarriedCharsMax)) return limited;
    EXPECT_TRUE(ch.carried == whole.substr(at - n, n));
    EXPECT_EQ(std::vector<uint16_t>(kinds.begin() + static_cast<std::ptrdiff_t>(at - n),
                                    kinds.begin() + static_cast<std::ptrdiff_t>(at)),
              ch.carried_kinds);
    EXPECT_EQ(std::vector<int64_t>(offsets.begin() + static_cast<std::ptrdiff_t>(at - n),
                                   offsets.begin() + static_cast<std::ptrdiff_t>(at)),
              ch.carried_bytes);
    EXPECT_EQ(ch.start, offsets[at]);  // the chunk's file offset is its first new character's
    // From a word start; 64 words and 1,000 characters, unless that would take more than 4,096
    // characters; from the next word start on there would be too few.
    EXPECT_TRUE(IsWordChar(ch.carried_kinds[0]));
    EXPECT_FALSE(IsWordChar(kinds[at - n - 1]));
    int words = 0;
    size_t second_start = n;
    for (size_t i = 0; i < n; ++i) {
      const bool starts = IsWordChar(ch.carried_kinds[i]) && (i == 0 || !IsWordChar(ch.carried_kinds[i - 1]));
      words += starts;
      if (starts && i > 0 && second_start == n) second_start = i;
    }
    const bool enough = words >= kCarriedWordsMin && n >= static_cast<size_t>(kCarriedCharsMin);
    if (enough) {
      EXPECT_TRUE(words - 1 < kCarriedWordsMin || n - second_start < static_cast<size_t>(kCarriedCharsMin));
    } else {
      ++limited;
      size_t start_before = at - n - 1;  // the word start the carried tail could not reach
      while (start_before > 0 && !(IsWordChar(kinds[start_before]) && !IsWordChar(kinds[start_before - 1]))) --start_before;
      EXPECT_GT(at - start_before, static_cast<size_t>(kCarriedCharsMax));
    }
    at += ch.text.size();
  }
  return limited;
}

}  // namespace

TEST_F(TextReaderRun, ChunksCarryTheTailOfTheLastOneInUtf8AndUtf16) {
  // Short words (64 of them fit), then words of 300 letters (the 4,096 characters limit holds).
  UString text = MixedText(kMiB2 + 300000, 21);
  UString longer;
  for (int i = 0; i < 9000; ++i) longer += UString(300, u"qz"[i % 2]) + u" ";
  const UString second = MixedText(kMiB2 - 100000, 22) + longer + MixedText(800000, 23);
  text += second;
  const std::string u8 = ToUtf8(text), u16 = Utf16Bytes(text, true, true);
  const std::vector<int64_t> u8_offsets = Utf8Offsets(u8, 0), u16_offsets = EvenOffsets(text.size(), 2, 2);
  for (bool wide : {false, true}) {
    SCOPED_TRACE(wide ? "UTF-16" : "UTF-8");
    TCollector c(ChosenFile(Write(u"carry.txt", wide ? u16 : u8)));
    c.keep_kinds = true;
    ASSERT_TRUE(ReadThrough(c));
    const int limited = ExpectCarriedTails(c, text, wide ? u16_offsets : u8_offsets);
    if (wide) {
      EXPECT_GE(limited, 1);
    } else {
      EXPECT_EQ(limited, 1);
    }
  }
}

TEST_F(TextReaderRun, CarriedMarkupKeepsTheKindsTheTagHandlerGaveIt) {
  // "<b>" blanked in the first chunk comes over hidden, though the second chunk's tag handler
  // never sees it whole.
  TTextTagHandler tags(0x0409, 1252);
  tags.LoadCurrentTextMarkers();
  std::string bytes = Times("some plain words here\n", kMiB2 / 22 - 5);
  bytes += "<b>bold</b> end\n";
  bytes += Times("more words\n", 10000);
  TCollector c(ChosenFile(Write(u"tags.txt", bytes)), &tags);
  c.keep_kinds = true;
  ASSERT_TRUE(ReadThrough(c));
  ASSERT_EQ(c.chunks.size(), 2u);
  const UString& carried = c.chunks[1].carried;
  const size_t b = carried.find(u"bold");
  ASSERT_NE(b, UString::npos);
  for (size_t i = b - 3; i < b; ++i) EXPECT_EQ(c.chunks[1].carried_kinds[i], kFlagHidden) << i;
  EXPECT_EQ(c.chunks[1].carried_bytes[b], static_cast<int64_t>(bytes.find("bold")));
}

TEST_F(TextReaderRun, PrecomposedUtf8AndCodePageText) {
  // The text setting composes UTF-8 and code-page text as it does UTF-16; each composed letter
  // lies at its base letter's byte. Windows-1258 writes the acute accent as the byte EC.
  struct Case {
    std::string bytes;
    uint16_t code_page;
    bool precomposed;
    const char16_t* text;
    std::vector<int64_t> bytes_of;  // file byte of each character and of the end
  } cases[] = {
      {"cafe\xCC\x81 x", 1252, true, u"caf\u00E9 x", {0, 1, 2, 3, 6, 7, 8}},
      {"cafe\xCC\x81 x", 1252, false, u"cafe\u0301 x", {0, 1, 2, 3, 4, 6, 7, 8}},
      {"cafe\xEC x", 1258, true, u"caf\u00E9 x", {0, 1, 2, 3, 5, 6, 7}},
      {"cafe\xEC x", 1258, false, u"cafe\u0301 x", {0, 1, 2, 3, 4, 5, 6, 7}},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(ToUtf8(k.text));
    TTextsett_rec32 ts = GetTextSettings();
    ts.PutAt<uint16_t>(46, k.code_page);
    SetTextSettings(ts);
    TCollector c(ChosenFile(Write(u"nfd.txt", k.bytes)), nullptr, k.precomposed);
    ASSERT_TRUE(ReadThrough(c));
    EXPECT_EQ(c.Joined(), k.text);
    EXPECT_EQ(c.chunks[0].bytes, k.bytes_of);
  }
}

TEST_F(TextReaderRun, EncodingIsDecidedOnceForTheWholeTextAndStrayBytesStayUtf8) {
  // Any valid sequence, fewer than one bad byte in 1,000, and fewer bad bytes than well-formed
  // ones beyond ASCII: UTF-8, each bad byte one U+FFFD at its own byte. No valid sequence, or too
  // many bad bytes: the code page, also where the bad bytes are few among all but as many as the
  // well-formed ones beyond ASCII (a pair of code-page letters that happens to be well-formed). A
  // bad byte in a later chunk of a UTF-8 text is one U+FFFD; a text of plain ASCII up to a later
  // chunk is decided there, for the rest.
  const std::string pad = Times("x", 1200);
  struct Case {
    std::string bytes;
    TTextEncoding encoding;
    UString tail;  // the text's end as read
  } cases[] = {
      {"caf\xC3\xA9 " + pad + " \xFF na\xC3\xAFve", TTextEncoding::Utf8,
       u"caf\u00E9 " + Latin1ToUtf16(pad) + u" \uFFFD na\u00EFve"},
      {"caf\xE9 " + pad, TTextEncoding::CodePage, u"caf\u00E9 " + Latin1ToUtf16(pad)},
      {"caf\xC3\xA9 \xFF\xFE", TTextEncoding::CodePage, u"caf\u00C3\u00A9 \u00FF\u00FE"},
      {Times("word ", 600) + "\xC3\xA9 \xE8 \xE8 ", TTextEncoding::CodePage,
       Times16(u"word ", 600) + u"\u00C3\u00A9 \u00E8 \u00E8 "},
      // One bad byte beside one well-formed letter (two bytes): still UTF-8.
      {Times("word ", 600) + "caf\xC3\xA9 \xFF end", TTextEncoding::Utf8,
       Times16(u"word ", 600) + u"caf\u00E9 \uFFFD end"},
      {Times("caf\xC3\xA9 word\n", kMiB2 / 10) + Times("na\xC3\xAFve\n", 300) + "\xFF" + " caf\xC3\xA9\n",
       TTextEncoding::Utf8, Times16(u"na\u00EFve\n", 300) + u"\uFFFD caf\u00E9\n"},
      {Times("cafe word\n", kMiB2 / 10) + Times("na\xEFve\n", 300), TTextEncoding::CodePage,
       Times16(u"na\u00EFve\n", 300)},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.bytes.substr(0, 12));
    TCollector c(ChosenFile(Write(u"enc.txt", k.bytes)));
    ASSERT_TRUE(ReadThrough(c));
    EXPECT_EQ(c.Encoding(), k.encoding);
    const UString all = c.Joined();
    ASSERT_GE(all.size(), k.tail.size());
    EXPECT_TRUE(all.substr(all.size() - k.tail.size()) == k.tail);
    if (k.bytes.size() < 10000) { EXPECT_TRUE(all == k.tail); } else { ASSERT_GE(c.chunks.size(), 2u); }
    const size_t bad = all.find(u'\uFFFD');
    if (bad != UString::npos) {
      EXPECT_EQ(all.find(u'\uFFFD', bad + 1), UString::npos);
      EXPECT_EQ(c.chunks.back().bytes[bad - (all.size() - c.chunks.back().text.size())],
                static_cast<int64_t>(k.bytes.find('\xFF')));
    }
  }
}

TEST_F(TextReaderRun, JumpPositionsAreTheReadersOwnAndSixtyFourBit) {
  // The jump is moved past 4 GiB while the first searched chunk is handled, and a helper text is
  // read meanwhile (as a document made during a yield would): the rest of the text is passed over.
  TChosenFileDetailsFullRec f = ChosenFile(Write(u"jump.txt", Times("alpha beta gamma\n", 294118)));
  f.rec.jumps = std::make_shared<TJumpList>();
  f.rec.jumps->push_back(3000000);
  const UString helper_text = Write(u"helper.txt", "a few words");
  TCollector c(f);
  c.on_chunk = [&](TCollector& p, int32_t) {
    p.SetLowestJumpTo((int64_t(1) << 32) + 100);
    TCollector helper(ChosenFile(helper_text));
    EXPECT_TRUE(ReadThrough(helper));
  };
  ASSERT_TRUE(ReadThrough(c));
  ASSERT_EQ(c.chunks.size(), 1u);
  EXPECT_LE(c.chunks[0].start, 3000000);
  EXPECT_GE(c.chunks[0].end, 3000000);
  EXPECT_EQ(c.LowestJumpTo(), (int64_t(1) << 32) + 100);
}

TEST_F(TextReaderRun, ByteMapDropsStretchesAfterTheCarriedCharacters) {
  // Three carried characters, then ten of two bytes from byte 100 (or the same as offsets); the
  // characters 4-5 and 9-10 (the tails of two entities) go, the rest keep their bytes.
  for (bool fixed_width : {true, false}) {
    SCOPED_TRACE(fixed_width ? "fixed width" : "offsets");
    TChunkByteMap m;
    if (fixed_width) m.SetFixedWidth(100, 2);
    else m.SetOffsets(100, {0, 2, 4, 6, 8, 10, 12, 14, 16, 18, 20});
    const int64_t carried[] = {90, 94, 96, 100};
    ASSERT_TRUE(m.PrependCharacters(carried, 3));
    m.RemoveCharacters({{4, 6}, {9, 11}}, 13);
    const std::vector<int64_t> want = {90, 94, 96, 100, 106, 108, 110, 116, 118, 120};
    for (size_t i = 0; i < want.size(); ++i) EXPECT_EQ(m.FileByteOf(static_cast<int64_t>(i)), want[i]) << i;
    // A stretch among the carried characters, or beyond the map, drops nothing there.
    m.RemoveCharacters({{0, 2}, {20, 30}}, 10);
    for (size_t i = 0; i < want.size(); ++i) EXPECT_EQ(m.FileByteOf(static_cast<int64_t>(i)), want[i]) << i;
  }
}

// A reader hands the map its offsets chunk after chunk and fills again what it gets back, which
// keeps its entries; chunks of one width come between. Each chunk's map answers from its own
// entries alone, whatever the vector handed back held.
TEST_F(TextReaderRun, ByteMapTakesOffsetsBetweenFixedWidthsAndHandsBackItsVectors) {
  struct TStep {
    int width;                       // 0: offsets taken in exchange, -1: offsets given
    std::vector<uint32_t> offsets;   // one a character and the end
  };
  const std::vector<TStep> steps = {{0, {0, 1, 3, 6, 7}},  {1, {}},         {0, {0, 2, 4}},
                                    {2, {}},               {0, {0, 3, 4, 5, 9, 10, 11}}, {0, {0, 1}},
                                    {1, {}},               {1, {}},         {0, {0, 4, 8, 9}},
                                    {1, {}},               {-1, {0, 2, 3}}, {2, {}},
                                    {0, {0, 1, 2, 5}}};
  TChunkByteMap map;
  std::vector<uint32_t> reader;
  int64_t first = 1000;
  for (size_t k = 0; k < steps.size(); ++k) {
    SCOPED_TRACE(k);
    const TStep& s = steps[k];
    if (s.width > 0) {
      map.SetFixedWidth(first, s.width);
      for (int64_t i = 0; i < 6; ++i) EXPECT_EQ(map.FileByteOf(i), first + i * s.width);
      EXPECT_EQ(map.FixedWidth(), s.width);
      EXPECT_EQ(map.CharAtOrAfterByte(first + 2 * s.width), 2);
    } else {
      // Sized and written whole as the decoder does, over whatever the vector still held.
      reader.resize(s.offsets.size());
      std::copy(s.offsets.begin(), s.offsets.end(), reader.begin());
      if (s.width < 0) map.SetOffsets(first, s.offsets);
      else map.TakeOffsets(first, reader);
      EXPECT_EQ(map.FixedWidth(), 0);
      for (size_t i = 0; i < s.offsets.size(); ++i) EXPECT_EQ(map.FileByteOf(static_cast<int64_t>(i)), first + s.offsets[i]);
      // Past the end the characters go on one byte each from the last.
      const int64_t last = static_cast<int64_t>(s.offsets.size()) - 1;
      EXPECT_EQ(map.FileByteOf(last + 3), first + s.offsets.back() + 3);
      EXPECT_EQ(map.CharAtOrAfterByte(first + s.offsets[1]), 1);
    }
    first += 1000;
  }
}

TEST_F(TextReaderRun, ByteMapSumsStopAtTheLimits) {
  TChunkByteMap fixed, offsets;
  fixed.SetFixedWidth(INT64_MAX - 1, 2);
  offsets.SetOffsets(INT64_MAX - 1, {0, 1});
  struct Case {
    const TChunkByteMap* map;
    int64_t index, byte;
  } cases[] = {{&fixed, 0, INT64_MAX - 1}, {&fixed, 5, INT64_MAX}, {&fixed, INT64_MAX, INT64_MAX},
               {&offsets, 1, INT64_MAX}, {&offsets, 7, INT64_MAX}};
  for (const Case& k : cases) EXPECT_EQ(k.map->FileByteOf(k.index), k.byte) << k.index;
  EXPECT_EQ(fixed.CharAtOrAfterByte(INT64_MIN), 0);
  TChunkByteMap low;
  low.SetFixedWidth(-10, 2);
  EXPECT_EQ(low.CharAtOrAfterByte(INT64_MAX), INT64_MAX / 2 + 1);

  // Characters put before the first: found both ways, at their own bytes.
  for (bool fixed_width : {true, false}) {
    TChunkByteMap m;
    if (fixed_width) m.SetFixedWidth(100, 2);
    else m.SetOffsets(100, {0, 2, 4, 6});
    const int64_t ok[] = {95, 98, 100}, apart[] = {90, 92, 94}, descending[] = {99, 98, 100};
    EXPECT_FALSE(m.PrependCharacters(apart, 2));
    EXPECT_FALSE(m.PrependCharacters(descending, 2));
    EXPECT_TRUE(m.PrependCharacters(ok, 2));
    EXPECT_EQ(m.FixedWidth(), 0);
    const std::vector<int64_t> want = {95, 98, 100, 102, 104, 106};
    for (int64_t i = 0; i < 6; ++i) EXPECT_EQ(m.FileByteOf(i), want[static_cast<size_t>(i)]) << i;
    for (const auto& [byte, index] : std::vector<std::pair<int64_t, int64_t>>{{0, 0}, {95, 0}, {96, 1}, {98, 1}, {99, 2}, {100, 2}, {101, 3}, {106, 5}})
      EXPECT_EQ(m.CharAtOrAfterByte(byte), index) << byte;
  }
}

TEST_F(TextReaderRun, ChunkStreamWithAMapBeyondTheTextIsRefused) {
  // A chunk of 4 characters in a text of 104 bytes: its map may start at 100, not beyond.
  auto stream = [](TMemoryStream& m, int64_t first, int32_t width, int32_t chunk_start) {
    TFileHandledRec info{};
    info.file_size = 104;
    EXPECT_TRUE(WriteValue(m, info) && WriteU8(m, 1) && WriteI32(m, 4) && m.WriteExact(u"abcd", 8));
    const uint16_t kinds[6] = {0x302, 0x302, 0x302, 0x302, 0, 0};
    EXPECT_TRUE(WriteI32(m, 6) && m.WriteExact(kinds, 12));
    TBufferDetailsRec details{};
    details.length_in_chars = 4;
    details.file_size = 104;
    details.chunk_start = chunk_start;
    EXPECT_TRUE(WriteValue(m, details) && WriteI32(m, 0) && WriteI64(m, first) && WriteI32(m, width));
    if (width == 0) {
      const uint32_t offs[5] = {0, 1, 2, 3, 4};
      EXPECT_TRUE(WriteI32(m, 5) && m.WriteExact(offs, 20));
    }
    m.SetPosition(0);
  };
  struct Case {
    int64_t first;
    int32_t width, chunk_start;
    bool ok;
  } cases[] = {{100, 1, 0, true}, {100, 0, 2, true},  {101, 1, 0, false}, {101, 0, 0, false},
               {98, 2, 0, false}, {INT64_MAX - 1, 2, 0, false}, {0, 1, 5, false}, {0, 1, -1, false}};
  for (const Case& k : cases) {
    SCOPED_TRACE(testing::Message() << k.first << " " << k.width << " " << k.chunk_start);
    TMemoryStream m;
    stream(m, k.first, k.width, k.chunk_start);
    TCollector c(ChosenFile(u"/nowhere/old.txt"));
    EXPECT_EQ(c.ReadFromStream(m, 0), k.ok);
    if (k.ok) { EXPECT_EQ(c.ChunkStartIndex(), k.chunk_start); }
  }
}

TEST_F(TextReaderRun, SettingsAreTakenOnceForTheRun) {
  // A setting changed after the run began is not seen by it: every text of the run reads alike.
  SetEndOfTextHeader(u"END");
  TTextReadRun run(TakeTextReadSnapshot(nullptr));
  SetEndOfTextHeader(u"");
  for (int i = 0; i < 2; ++i) {
    TCollector c(ChosenFile(Write(u"h.txt", "title END text")), nullptr, false, nullptr, nullptr, i == 0, &run);
    ASSERT_TRUE(ReadThrough(c));
    EXPECT_EQ(c.fHeaderLengthInChars, 9);
  }
  EXPECT_EQ(run.HeaderCuts(), 2);
}

TEST_F(TextReaderRun, JumpListsPastTwoGiBAreKeptWhole) {
  // A jump beyond 4 GiB: no chunk of a 5 MB text reaches it (cut to 32 bits it would be byte 100).
  TChosenFileDetailsFullRec f = ChosenFile(Write(u"far.txt", Times("alpha beta gamma\n", 294118)));
  f.rec.jumps = std::make_shared<TJumpList>(TJumpList{(int64_t(1) << 32) + 100});
  TCollector c(f);
  ASSERT_TRUE(ReadThrough(c));
  EXPECT_TRUE(c.chunks.empty());
  EXPECT_EQ(c.LowestJumpTo(), (int64_t(1) << 32) + 100);

  // Kept so through the chosen texts' stream; a list that fits 32 bits keeps its old form.
  for (const TJumpList& jumps : {TJumpList{7, 3}, TJumpList{5, (int64_t(1) << 32) + 100, 3000000000LL}}) {
    TSharedChosenFilesClass set(false, nullptr, 1);
    ASSERT_TRUE(set.ToolAddAFile(Write(u"j.txt", "x")));
    *set.fFiles.Item(0)->data.jumps = jumps;
    TMemoryStream m;
    ASSERT_TRUE(set.SaveToStream(m));
    TSharedChosenFilesClass back(false, nullptr, 1);
    m.SetPosition(0);
    ASSERT_TRUE(back.ReadFromStream(m));
    EXPECT_EQ(*back.fFiles.Item(0)->data.jumps, jumps);
  }
}
