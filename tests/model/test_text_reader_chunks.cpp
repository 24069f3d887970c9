// The text reader's chunks: put together they are the text decoded whole, whatever its encoding,
// every character read once and mapped to its own bytes in the file.
#include <gtest/gtest.h>

#include "text_reader_test_support.h"
#include "model/reading/html_entities.h"
#include "support/allocation_count.h"

using namespace text_reader_test;

namespace {

class FileBufChunks : public ::testing::Test {
 protected:
  UString Write(UStringView name, std::string_view bytes) { return tmp_.Write(name, bytes); }

  ScopedSettings settings_;
  TempFolder tmp_;
};

// Reads through c, checks the chunks against the text decoded whole, and that no word is split:
// a piece with a line end or blank in its last 10,000 characters ends at one (else one character
// is carried over).
void ExpectReadsAsWhole(TCollector& c, const UString& whole, const std::vector<int64_t>& offsets, size_t size,
                        size_t min_chunks = 1) {
  ASSERT_TRUE(ReadThrough(c));
  EXPECT_GE(c.chunks.size(), min_chunks);
  ExpectChunksMakeTheWhole(c, whole, offsets, static_cast<int64_t>(size));
  for (size_t k = 0; k + 1 < c.chunks.size(); ++k) {
    const UString& t = c.chunks[k].text;
    bool blank = false;
    for (size_t i = t.size() > 10000 ? t.size() - 10000 : 1; i < t.size() && !blank; ++i) blank = t[i] <= 32;
    const char16_t next = c.chunks[k + 1].text.empty() ? 0 : c.chunks[k + 1].text[0];
    if (blank) { EXPECT_LE(next, 32) << "chunk " << k + 1 << " starts inside a word"; }
  }
}

UString Utf8Whole(const std::string& bytes, size_t from = 0) {
  UString whole;
  EXPECT_TRUE(DecodeUtf8Strict(reinterpret_cast<const uint8_t*>(bytes.data()) + from, bytes.size() - from, whole));
  return whole;
}

}  // namespace

TEST_F(FileBufChunks, Utf8WithSequencesAcrossEveryBoundary) {
  // A 4-byte character straddles the first 2 MiB boundary exactly, and long stretches without
  // line ends or blanks make later pieces carry one character over, so that raw piece ends fall
  // inside sequences.
  std::string bytes = ToUtf8(MixedText(kMiB2 - 5000, 1));
  while (bytes.size() < static_cast<size_t>(kMiB2 - 8000)) bytes += "word ";
  bytes.resize(kMiB2 - 2, 'a');
  bytes += "\xF0\x9F\x98\x80";  // U+1F600 from byte 2097150 to 2097153
  bytes += ToUtf8(MixedText(kMiB2, 2)) + Times("\xE4\xB8\xAD", 9000) + ToUtf8(MixedText(kMiB2, 3));
  TCollector c(ChosenFile(Write(u"mixed.txt", bytes)));
  ExpectReadsAsWhole(c, Utf8Whole(bytes), Utf8Offsets(bytes, 0), bytes.size(), 4);
}

// Chunks of plain ASCII (one byte each) and chunks beyond it (a byte offset each) take turns,
// the offsets of one chunk written over those of an earlier, longer or shorter one: every
// character still maps to its own bytes.
TEST_F(FileBufChunks, Utf8ChunksOfPlainAndWiderCharactersInTurnMapEveryCharacter) {
  std::string bytes;
  auto plain = [&](size_t n) {
    const size_t end = bytes.size() + n;
    for (int i = 0; bytes.size() < end; ++i) bytes += "word" + std::to_string(i % 613) + (i % 11 == 0 ? "\n" : " ");
  };
  plain(kMiB2 + 1000);
  bytes += ToUtf8(MixedText(kMiB2 / 2, 5));
  plain(kMiB2 * 3 / 2);
  bytes += ToUtf8(MixedText(kMiB2 / 5, 6)) + Times("\xE4\xB8\xAD ", 4000);
  plain(kMiB2);
  bytes += ToUtf8(MixedText(kMiB2 / 2, 7));
  plain(300000);
  TCollector c(ChosenFile(Write(u"turns.txt", bytes)));
  ExpectReadsAsWhole(c, Utf8Whole(bytes), Utf8Offsets(bytes, 0), bytes.size(), 5);
}

// Prose of plain ASCII with a character beyond it now and then (two, three and four bytes, as a
// mail's accents, quotes and symbols), so that runs of plain bytes of every length start at
// every place of the offsets' cache lines: every character maps to its own bytes.
TEST_F(FileBufChunks, Utf8ProseWithOddCharactersMapsEveryCharacter) {
  const char* odd[] = {"\xC3\xA9", "\xE2\x80\x99", "\xE2\x80\x9C", "\xF0\x9F\x98\x80", "\xEF\xBF\xBD"};
  std::mt19937 rng(41);
  std::string bytes;
  while (bytes.size() < static_cast<size_t>(kMiB2 + kMiB2 / 4)) {
    const size_t run = rng() % (rng() % 4 == 0 ? 400 : 70);
    for (size_t k = 0; k < run; ++k) bytes += k % 7 == 6 ? ' ' : static_cast<char>('a' + rng() % 26);
    bytes += odd[rng() % std::size(odd)];
  }
  TCollector c(ChosenFile(Write(u"prose.txt", bytes)));
  ExpectReadsAsWhole(c, Utf8Whole(bytes), Utf8Offsets(bytes, 0), bytes.size(), 2);
}

// After a signature, prose whose runs of plain bytes are about 16, 32 and 64 long between one
// odd character and the next (and, between, stretches dense with wider characters), cut into
// chunks: every character maps to its own bytes, and each chunk's stream form holds every
// character's byte, one entry each.
TEST_F(FileBufChunks, Utf8ProseAfterASignatureWithRunsAboutEveryVectorWidth) {
  const char* odd[] = {"\xC3\xA9", "\xE2\x80\x99", "\xF0\x9F\x98\x80", "\xEF\xBF\xBD"};
  std::mt19937 rng(4112);
  std::string bytes = "\xEF\xBB\xBF";
  while (bytes.size() < static_cast<size_t>(2 * kMiB2 + kMiB2 / 3)) {
    if (rng() % 60000 == 0) bytes += Times("\xE4\xB8\xAD\xC3\xA9 ", 30000);  // a dense stretch
    const size_t around[] = {16, 32, 64};
    const size_t run = around[rng() % 3] + rng() % 5 - 2;
    for (size_t k = 0; k < run; ++k) bytes += k % 9 == 8 ? (k % 5 == 0 ? '\n' : ' ') : static_cast<char>('a' + rng() % 26);
    bytes += odd[rng() % std::size(odd)];
  }
  TCollector c(ChosenFile(Write(u"runs.txt", bytes)));
  std::vector<std::pair<int64_t, std::vector<uint8_t>>> saved;  // each chunk's first byte and stream
  c.on_chunk = [&](TCollector& p, int32_t i) {
    TMemoryStream m;
    ASSERT_TRUE(p.SaveToStream(m, i));
    saved.emplace_back(p.FileByteOf(0), m.Data());
  };
  ExpectReadsAsWhole(c, Utf8Whole(bytes, 3), Utf8Offsets(bytes, 3), bytes.size(), 3);
  ASSERT_EQ(saved.size(), c.chunks.size());
  for (size_t k = 0; k < saved.size(); ++k) {
    const std::vector<uint8_t>& m = saved[k].second;
    const ChunkSeen& seen = c.chunks[k];
    const size_t n = seen.carried.size() + seen.text.size();
    ASSERT_GE(m.size(), 16 + 4 * (n + 1));
    const size_t at = m.size() - 4 * (n + 1);
    int64_t first = 0;
    int32_t zero = -1, entries = 0;
    std::memcpy(&first, m.data() + at - 16, 8);
    std::memcpy(&zero, m.data() + at - 8, 4);
    std::memcpy(&entries, m.data() + at - 4, 4);
    EXPECT_EQ(first, saved[k].first);
    EXPECT_EQ(zero, 0);
    ASSERT_EQ(entries, static_cast<int32_t>(n + 1));
    std::vector<int64_t> want = seen.carried_bytes;
    want.insert(want.end(), seen.bytes.begin(), seen.bytes.end());
    for (size_t i = 0; i <= n; ++i) {
      uint32_t o = 0;
      std::memcpy(&o, m.data() + at + 4 * i, 4);
      ASSERT_EQ(first + o, want[i]) << k << " " << i;
    }
  }
}

TEST_F(FileBufChunks, Utf8WithSignatureSkipsIt) {
  const std::string bytes = "\xEF\xBB\xBF" + ToUtf8(MixedText(5000000, 4));
  TCollector c(ChosenFile(Write(u"sig.txt", bytes)));
  ExpectReadsAsWhole(c, Utf8Whole(bytes, 3), Utf8Offsets(bytes, 3), bytes.size(), 3);
  EXPECT_TRUE(c.FileHandledInfo.utf8_signature);
  EXPECT_EQ(c.FileSignatureBytes, 3u);
}

TEST_F(FileBufChunks, Utf16BothWaysWithAndWithoutMark) {
  const UString text = MixedText(3000000, 5);
  for (bool little : {true, false})
    for (bool mark : {true, false}) {
      SCOPED_TRACE(std::string(little ? "LE" : "BE") + (mark ? " with mark" : " without mark"));
      const std::string bytes = Utf16Bytes(text, little, mark);
      TCollector c(ChosenFile(Write(u"u16.txt", bytes)));
      ExpectReadsAsWhole(c, text, EvenOffsets(text.size(), mark ? 2 : 0, 2), bytes.size(), 2);
      EXPECT_TRUE(c.FileHandledInfo.is_unicode);
      EXPECT_EQ(c.LittleEndian, !little);
      EXPECT_EQ(c.FileSignatureBytes, mark ? 2u : 0u);
    }
}

TEST_F(FileBufChunks, Utf16PairAcrossTheRawEndIsReadWhole) {
  // Without blanks near the end of the first piece, one character is carried over: a pair whose
  // halves lie on both sides of the 2 MiB mark is read whole in the second piece.
  UString text(kMiB2 / 2 - 1 - 20000, u'a');
  text += u"\n";
  text.resize(kMiB2 / 2 - 2, u'b');
  text += u"\U0001F600cc dd\n";  // the pair is units 1048574 and 1048575 after the mark
  const std::string bytes = Utf16Bytes(text, true, true);
  TCollector c(ChosenFile(Write(u"pair.txt", bytes)));
  ExpectReadsAsWhole(c, text, EvenOffsets(text.size(), 2, 2), bytes.size(), 2);
}

TEST_F(FileBufChunks, CodePageTextFallsBackAfterTheStrictTest) {
  // Windows-1252 bytes: not UTF-8, so the language's code page (here the default) reads them.
  std::string bytes;
  std::mt19937 rng(6);
  while (bytes.size() < 4500000) {
    bytes += "caf\xE9 na\xEFve \x80 \x93quoted\x94 ";
    if (rng() % 7 == 0) bytes += "\r\n";
  }
  TCollector c(ChosenFile(Write(u"cp.txt", bytes)));
  const UString whole = DecodeCodePage(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), 1252);
  ExpectReadsAsWhole(c, whole, EvenOffsets(bytes.size(), 0, 1), bytes.size(), 3);
  EXPECT_EQ(c.Encoding(), TTextEncoding::CodePage);
  EXPECT_TRUE(c.FileHandledInfo.converted_to_unicode);
  EXPECT_EQ(c.Joined().substr(0, 5), u"caf\u00E9 ");
}

TEST_F(FileBufChunks, MultiByteCodePageOfTheLanguage) {
  TTextsett_rec32 ts = GetTextSettings();
  ts.PutAt<uint16_t>(46, 932);  // Japanese texts in Shift-JIS
  SetTextSettings(ts);
  // "日本語" in Shift-JIS, half-width katakana (one byte) and ASCII; lead bytes fall on the 2 MiB
  // mark now and then.
  std::string bytes;
  while (bytes.size() < 4300000) bytes += "\x93\xFA\x96\x7B\x8C\xEA \xB1\xB2 abc\n";
  std::vector<uint32_t> offsets;
  const UString whole =
      DecodeCodePageWithOffsets(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), 932, offsets);
  ASSERT_NE(whole.find(u"\u65E5\u672C\u8A9E"), UString::npos);
  TCollector c(ChosenFile(Write(u"sjis.txt", bytes)));
  ExpectReadsAsWhole(c, whole, std::vector<int64_t>(offsets.begin(), offsets.end()), bytes.size(), 3);
  EXPECT_EQ(c.CodePage(), 932);
}

TEST_F(FileBufChunks, MarkupWithEntitiesKeepsTheBytesOfEachCharacter) {
  std::string bytes = "<html>\n";
  std::mt19937 rng(7);
  while (bytes.size() < 4400000) {
    bytes += "<p>Fish &gt; chips &lt;cheap&gt; &#233;t&#xE9; &#x1F600; caf\xC3\xA9 &amp; a&b</p>";
    bytes += (rng() % 5 == 0) ? "\n" : " ";
  }
  UString whole = Utf8Whole(bytes);
  std::vector<int64_t> raw = Utf8Offsets(bytes, 0);
  std::vector<uint32_t> pos(raw.begin(), raw.end());
  whole.resize(DecodeHtmlEntitiesInPlace(whole.data(), whole.size(), GlobalEntityRecList(), pos.data()));
  std::vector<int64_t> offsets(pos.begin(), pos.begin() + static_cast<std::ptrdiff_t>(whole.size()));
  offsets.push_back(static_cast<int64_t>(bytes.size()));
  ASSERT_EQ(whole.substr(10, 42), u"Fish > chips <cheap> \u00E9t\u00E9 \U0001F600 caf\u00E9 &amp; a&b");

  TCollector c(ChosenFile(Write(u"page.html", bytes)));
  ExpectReadsAsWhole(c, whole, offsets, bytes.size(), 3);
  EXPECT_TRUE(c.FileHandledInfo.is_html);
  // "&gt;" in the first paragraph: the ">" it gives lies at its "&", the blank after it at 19.
  ASSERT_EQ(c.chunks[0].text[15], u'>');
  EXPECT_EQ(c.chunks[0].bytes[15], 15);
  EXPECT_EQ(c.chunks[0].bytes[16], 19);
}

TEST_F(FileBufChunks, LinesWithAndWithoutLineEndsNearTheBoundary) {
  // Only blanks within the last 10,000 characters of the first piece; then a stretch with
  // neither, where one character is carried over; the text ends without a line end.
  std::string bytes(kMiB2 - 30000, 'x');
  bytes[1000] = '\n';
  while (bytes.size() < static_cast<size_t>(kMiB2 + 100)) bytes += "word ";
  bytes += std::string(kMiB2 + 50000, 'y') + "\nlast line without end";
  TCollector c(ChosenFile(Write(u"lines.txt", bytes)));
  ExpectReadsAsWhole(c, Latin1ToUtf16(bytes), EvenOffsets(bytes.size(), 0, 1), bytes.size(), 3);
  ASSERT_GE(c.chunks.size(), 3u);
  EXPECT_EQ(c.chunks[1].text[0], u' ');  // cut at the last blank
  EXPECT_EQ(c.chunks[2].start - c.chunks[1].start, kMiB2 - 1);  // one character carried over
}

TEST_F(FileBufChunks, FullChunkAfterEarlierCutsIsCutToo) {
  // 6 MiB less 10 bytes: size div 2 MiB is 2, yet after two cuts the third piece is a full one
  // with text after it. It is cut like the others: no word runs across a piece.
  std::string bytes;
  std::mt19937 rng(8);
  while (bytes.size() < static_cast<size_t>(3 * kMiB2 - 10)) {
    bytes += (rng() % 2) ? "alpha " : "beta\n";
    if (rng() % 50 == 0) bytes += std::string(5000, 'z') + " ";
  }
  bytes.resize(3 * kMiB2 - 10);
  TCollector c(ChosenFile(Write(u"six.txt", bytes)));
  ExpectReadsAsWhole(c, Latin1ToUtf16(bytes), EvenOffsets(bytes.size(), 0, 1), bytes.size(), 4);
}

TEST_F(FileBufChunks, ZipMemberOverTwoMiBIsReadInChunks) {
  const UString text = MixedText(5000000, 9);
  const std::string bytes = ToUtf8(text);
  const UString archive = tmp_.Path() + u"corpus.zip";
  ASSERT_TRUE(MakeZip(archive, {{u"a.txt", "hi"}, {u"sub/big.txt", bytes}}));
  TCollector c(ChosenFile(archive + u"/sub/big.txt", 2));
  ExpectReadsAsWhole(c, text, Utf8Offsets(bytes, 0), bytes.size(), 3);
  EXPECT_TRUE(c.FileHandledInfo.is_zipped);
}

TEST_F(FileBufChunks, PrecomposedUtf16KeepsTheBytesOfTheBaseLetter) {
  UString text;
  while (text.size() < 1200000) text += u"cafe\u0301 \u1100\u1161\u11A8 plain\n";  // é and 각 decomposed
  const std::string bytes = Utf16Bytes(text, true, true);
  TCollector c(ChosenFile(Write(u"nfd.txt", bytes)), nullptr, true);
  ASSERT_TRUE(ReadThrough(c));
  ASSERT_GE(c.chunks.size(), 2u);
  EXPECT_EQ(c.Joined().substr(0, 15), u"caf\u00E9 \uAC01 plain\nca");
  EXPECT_EQ(c.Joined(), ComposeNFC(text));
  // é at the bytes of its "e", the blank after the accent, 각 at its first jamo, the blank after.
  EXPECT_EQ(std::vector<int64_t>(c.chunks[0].bytes.begin() + 3, c.chunks[0].bytes.begin() + 7),
            (std::vector<int64_t>{2 + 2 * 3, 2 + 2 * 5, 2 + 2 * 6, 2 + 2 * 9}));
  for (size_t k = 1; k < c.chunks.size(); ++k) EXPECT_EQ(c.chunks[k].start, c.chunks[k - 1].end);
  EXPECT_EQ(c.chunks.back().end, static_cast<int64_t>(bytes.size()));
}

// After each chunk but the last the buffer holds the next characters of the text: what the next
// chunk begins with, at the same bytes and of the same kinds. They move no cut, and no character
// is counted twice.
TEST_F(FileBufChunks, LookAheadHoldsTheNextCharactersWithTheirKindsAndBytes) {
  const UString text = MixedText(2 * kMiB2 + 400000, 31);
  struct Case {
    const char* name;
    std::string bytes;
    std::vector<int64_t> offsets;
  };
  const std::string utf8 = ToUtf8(text);
  const Case cases[] = {{"UTF-8", utf8, Utf8Offsets(utf8, 0)},
                        {"UTF-16", Utf16Bytes(text, true, true), EvenOffsets(text.size(), 2, 2)}};
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    const UString name = Write(u"ahead.txt", k.bytes);
    TCollector c(ChosenFile(name));
    c.keep_kinds = true;
    ASSERT_TRUE(ReadThrough(c));
    ASSERT_GE(c.chunks.size(), 3u);
    EXPECT_EQ(c.characters, static_cast<int64_t>(text.size()));
    size_t at = 0;  // the text's character where the chunk's new characters begin
    for (size_t j = 0; j < c.chunks.size(); ++j) {
      SCOPED_TRACE(testing::Message() << "chunk " << j);
      const ChunkSeen& ch = c.chunks[j];
      at += ch.text.size();
      if (j + 1 == c.chunks.size()) {
        EXPECT_TRUE(ch.ahead.empty());
        continue;
      }
      const size_t la = ch.ahead.size();
      EXPECT_GE(la, static_cast<size_t>(kLookAheadChars - 1));  // one less before a pair
      EXPECT_LE(la, static_cast<size_t>(kLookAheadChars));
      EXPECT_TRUE(ch.ahead == text.substr(at, la));
      ASSERT_EQ(ch.ahead_bytes.size(), la + 1);
      for (size_t i = 0; i <= la; ++i) ASSERT_EQ(ch.ahead_bytes[i], k.offsets[at + i]) << i;
      const ChunkSeen& next = c.chunks[j + 1];
      ASSERT_GE(next.kinds.size(), la);
      EXPECT_EQ(ch.ahead_kinds, std::vector<uint16_t>(next.kinds.begin(), next.kinds.begin() + static_cast<std::ptrdiff_t>(la)));
    }
    // Without a look-ahead the chunks are cut at the same places.
    TCollector none(ChosenFile(name));
    none.LookAheadWanted = 0;
    ASSERT_TRUE(ReadThrough(none));
    ASSERT_EQ(none.chunks.size(), c.chunks.size());
    for (size_t j = 0; j < c.chunks.size(); ++j) {
      EXPECT_EQ(none.chunks[j].end, c.chunks[j].end) << j;
      EXPECT_TRUE(none.chunks[j].ahead.empty());
    }
  }
}

// A chunk reuses the buffers of the chunk before: past the first two chunks, reading a chunk asks
// for no new memory of the size of a chunk, whatever the encoding (a fresh byte map of 8 MB, or a
// fresh decoded text, for each 2 MiB read cost more than the search that followed).
TEST_F(FileBufChunks, LaterChunksReuseTheBuffersOfTheFirst) {
  std::string utf8, eight_bit, markup;
  while (utf8.size() < 5 * kMiB2) utf8 += "caf\xC3\xA9 na\xC3\xAFve \xE2\x82\xAC" "100 word\n";
  while (eight_bit.size() < 5 * kMiB2) eight_bit += "caf\xE9 na\xEFve \x80 \x93quoted\x94\r\n";
  markup = "<html>\n";
  while (markup.size() < 5 * kMiB2) markup += "<p>Fish &gt; chips &#233; caf\xC3\xA9</p>\n";
  UString nfd;
  while (nfd.size() < 3 * kMiB2) nfd += u"cafe\u0301 plain words\n";
  struct Case {
    const char* name;
    std::string bytes;
    bool precomposed;
  } const cases[] = {
      {"UTF-8 beyond ASCII", utf8, false},
      {"8-bit code page", eight_bit, false},
      {"UTF-16", Utf16Bytes(Utf8ToUtf16(utf8), true, true), false},
      {"mark-up with entities", markup, false},
      {"accents composed", ToUtf8(nfd), true},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    TCollector c(ChosenFile(Write(u"big.txt", k.bytes)), nullptr, k.precomposed);
    c.keep_text = c.keep_bytes = false;
    c.chunks.reserve(16);
    std::vector<int64_t> allocated;
    c.on_chunk = [&](TCollector&, int32_t) { allocated.push_back(ThreadAllocatedBytes()); };
    ASSERT_TRUE(ReadThrough(c));
    ASSERT_GE(allocated.size(), 4u);
    for (size_t i = 2; i < allocated.size(); ++i)
      EXPECT_LT(allocated[i] - allocated[i - 1], 256 * 1024) << "chunk " << i;
  }
}

// A plain text's chunks read through the map kept from chunk to chunk and made again past its end:
// each chunk's bytes, with its look-ahead, are the file's; a chunk copied out for the steps that read its padding gets the
// padding, and the next chunk is read where the map holds it again; a stream that reads from a
// source of the caller's maps nothing.
TEST_F(FileBufChunks, ChunksReadThroughTheKeptMapAreTheFilesBytes) {
  std::string bytes;
  for (int i = 0; bytes.size() < size_t(kTextChunkBytes) * 9 / 2; ++i) bytes += "word" + std::to_string(i % 977) + ' ';
  const UString name = Write(u"mapped.txt", bytes);
  TMyMemoryStream s(nullptr, nullptr);
  ASSERT_TRUE(s.OpenText(ChosenFile(name)));
  ASSERT_TRUE(s.CanMap());
  s.fReadAheadWanted = 100;
  const int64_t size = static_cast<int64_t>(bytes.size());
  int chunks = 0;
  for (int64_t at = 0; at < size; at += s.fReadThisChunk, ++chunks) {
    SCOPED_TRACE(chunks);
    const int64_t got = s.LoadFromAStream(*s.Source(), at, true);
    ASSERT_GT(got, 0);
    ASSERT_TRUE(s.Mapped());
    EXPECT_EQ(s.fGetChunkFrom, at);
    EXPECT_EQ(got, s.fReadThisChunk + s.fReadAhead);
    EXPECT_EQ(std::string_view(reinterpret_cast<const char*>(s.ChunkBytes()), size_t(got)), std::string_view(bytes).substr(size_t(at), size_t(got)));
    if (chunks == 1) {
      s.CopyMappedChunk();
      EXPECT_FALSE(s.Mapped());
      EXPECT_EQ(s.ChunkBytes(), s.Memory());
      EXPECT_EQ(std::string_view(reinterpret_cast<const char*>(s.ChunkBytes()), size_t(got)), std::string_view(bytes).substr(size_t(at), size_t(got)));
      EXPECT_EQ(std::string(reinterpret_cast<const char*>(s.Memory()) + got, 4), std::string(" \0\0\0", 4));
    }
    EXPECT_FALSE(s.MapDamaged());
  }
  EXPECT_EQ(chunks, 5);  // more than one map's stretch
  static_assert(kMapStretchBytes < kTextChunkBytes * 9 / 2);
  TMemoryStream own(std::vector<uint8_t>(bytes.begin(), bytes.end()));
  s.UseSource(&own);
  EXPECT_FALSE(s.CanMap());
  EXPECT_EQ(s.LoadFromAStream(own, 0, true), kTextChunkBytes + 100);
  EXPECT_FALSE(s.Mapped());
  EXPECT_EQ(std::memcmp(s.ChunkBytes(), bytes.data(), size_t(kTextChunkBytes)), 0);
}
