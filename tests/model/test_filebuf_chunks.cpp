// The text reader's chunks: put together they are the text decoded whole, whatever its encoding,
// every character read once and mapped to its own bytes in the file.
#include <gtest/gtest.h>

#include "filebuf_test_support.h"
#include "model/html_entities.h"
#include "platform/zip/zip_forge.h"

using namespace filebuf_test;

namespace {

class FileBufChunks : public ::testing::Test {
 protected:
  ScopedSettings settings_;
  TempFolder tmp_;
};

// Reads name through a collector and checks it against the text decoded whole.
void ExpectReadsAsWhole(const UString& name, const UString& whole, const std::vector<int64_t>& offsets,
                        size_t min_chunks) {
  TCollector c(ChosenFile(name));
  ASSERT_TRUE(ReadThrough(c));
  EXPECT_GE(c.chunks.size(), min_chunks);
  ExpectChunksMakeTheWhole(c, whole, offsets, FileSizeU(name));
  // Every piece but the last ends at a line end or a blank: no word is split.
  for (size_t k = 0; k + 1 < c.chunks.size(); ++k) {
    // (unless the piece has no line end or blank in its last 10,000 characters: then one
    // character is carried over)
    const UString& t = c.chunks[k].text;
    const size_t from = t.size() > 10000 ? t.size() - 10000 : 1;
    bool blank = false;
    for (size_t i = from; i < t.size() && !blank; ++i) blank = t[i] <= 32;
    const char16_t next = c.chunks[k + 1].text.empty() ? 0 : c.chunks[k + 1].text[0];
    if (blank) {
      EXPECT_LE(next, 32) << "chunk " << k + 1 << " starts inside a word";
    }
  }
}

}  // namespace

TEST_F(FileBufChunks, Utf8WithSequencesAcrossEveryBoundary) {
  // A 4-byte character straddles the first 2 MiB boundary exactly, and long stretches without
  // line ends or blanks make later pieces carry one character over, so that raw piece ends fall
  // inside sequences.
  std::string bytes = ToUtf8(MixedText(kMiB2 - 5000, 1));
  while (bytes.size() < static_cast<size_t>(kMiB2 - 8000)) bytes += "word ";
  while (bytes.size() < static_cast<size_t>(kMiB2 - 2)) bytes += "a";
  bytes += "\xF0\x9F\x98\x80";  // U+1F600 from byte 2097150 to 2097153
  bytes += ToUtf8(MixedText(kMiB2, 2));
  for (int i = 0; i < 9000; ++i) bytes += "\xE4\xB8\xAD";  // no blank for 27,000 bytes
  bytes += ToUtf8(MixedText(kMiB2, 3));
  const UString name = tmp_.Write(u"mixed.txt", bytes);
  UString whole;
  ASSERT_TRUE(DecodeUtf8Strict(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), whole));
  ExpectReadsAsWhole(name, whole, Utf8Offsets(bytes, 0), 4);
}

TEST_F(FileBufChunks, Utf8WithSignatureSkipsIt) {
  const std::string body = ToUtf8(MixedText(5000000, 4));
  const std::string bytes = "\xEF\xBB\xBF" + body;
  const UString name = tmp_.Write(u"sig.txt", bytes);
  UString whole;
  ASSERT_TRUE(DecodeUtf8Strict(reinterpret_cast<const uint8_t*>(body.data()), body.size(), whole));
  ExpectReadsAsWhole(name, whole, Utf8Offsets(bytes, 3), 3);
}

TEST_F(FileBufChunks, Utf16BothWaysWithAndWithoutMark) {
  const UString text = MixedText(3000000, 5);
  struct Case {
    bool little, mark;
  } cases[] = {{true, true}, {false, true}, {true, false}, {false, false}};
  for (const Case& k : cases) {
    SCOPED_TRACE(std::string(k.little ? "LE" : "BE") + (k.mark ? " with mark" : " without mark"));
    const std::string bytes = Utf16Bytes(text, k.little, k.mark);
    const UString name = tmp_.Write(u"u16.txt", bytes);
    std::vector<int64_t> offsets;
    const int64_t first = k.mark ? 2 : 0;
    for (size_t i = 0; i <= text.size(); ++i) offsets.push_back(first + 2 * static_cast<int64_t>(i));
    TCollector c(ChosenFile(name));
    ASSERT_TRUE(ReadThrough(c));
    EXPECT_TRUE(c.FileHandledInfo.is_unicode);
    EXPECT_EQ(c.LittleEndian, !k.little);
    EXPECT_EQ(c.FileSignatureBytes, k.mark ? 2u : 0u);
    ExpectChunksMakeTheWhole(c, text, offsets, static_cast<int64_t>(bytes.size()));
  }
}

TEST_F(FileBufChunks, Utf16PairAcrossTheRawEndIsReadWhole) {
  // Without blanks near the end of the first piece, one character is carried over: a pair whose
  // halves lie on both sides of the 2 MiB mark is read whole in the second piece.
  UString text(kMiB2 / 2 - 1 - 20000, u'a');
  text += u"\n";
  while (text.size() < static_cast<size_t>(kMiB2 / 2 - 2)) text += u'b';
  text += u"\U0001F600";  // units 1048574 and 1048575 after the mark: bytes 2097150..2097153
  text += u"cc dd\n";
  const std::string bytes = Utf16Bytes(text, true, true);
  const UString name = tmp_.Write(u"pair.txt", bytes);
  std::vector<int64_t> offsets;
  for (size_t i = 0; i <= text.size(); ++i) offsets.push_back(2 + 2 * static_cast<int64_t>(i));
  TCollector c(ChosenFile(name));
  ASSERT_TRUE(ReadThrough(c));
  ExpectChunksMakeTheWhole(c, text, offsets, static_cast<int64_t>(bytes.size()));
}

TEST_F(FileBufChunks, CodePageTextFallsBackAfterTheStrictTest) {
  // Windows-1252 bytes: not UTF-8, so the language's code page (here the default) reads them.
  std::string bytes;
  std::mt19937 rng(6);
  while (bytes.size() < 4500000) {
    bytes += "caf\xE9 na\xEFve \x80 \x93quoted\x94 ";
    if (rng() % 7 == 0) bytes += "\r\n";
  }
  const UString name = tmp_.Write(u"cp.txt", bytes);
  const UString whole = DecodeCodePage(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), 1252);
  std::vector<int64_t> offsets;
  for (size_t i = 0; i <= bytes.size(); ++i) offsets.push_back(static_cast<int64_t>(i));
  TCollector c(ChosenFile(name));
  ASSERT_TRUE(ReadThrough(c));
  EXPECT_EQ(c.Encoding(), TTextEncoding::CodePage);
  EXPECT_TRUE(c.FileHandledInfo.converted_to_unicode);
  ExpectChunksMakeTheWhole(c, whole, offsets, static_cast<int64_t>(bytes.size()));
  EXPECT_EQ(c.Joined().substr(0, 5), u"caf\u00E9 ");
}

TEST_F(FileBufChunks, MultiByteCodePageOfTheLanguage) {
  TTextsett_rec32 ts = GetTextSettings();
  ts.PutAt<uint16_t>(46, 932);  // Japanese texts in Shift-JIS
  SetTextSettings(ts);
  // "日本語" in Shift-JIS, with half-width katakana (one byte) and ASCII; lead bytes fall on
  // the 2 MiB mark now and then.
  std::string bytes;
  while (bytes.size() < 4300000) bytes += "\x93\xFA\x96\x7B\x8C\xEA \xB1\xB2 abc\n";
  const UString name = tmp_.Write(u"sjis.txt", bytes);
  std::vector<uint32_t> whole_offsets;
  const UString whole =
      DecodeCodePageWithOffsets(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), 932, whole_offsets);
  ASSERT_NE(whole.find(u"\u65E5\u672C\u8A9E"), UString::npos);
  std::vector<int64_t> offsets(whole_offsets.begin(), whole_offsets.end());
  TCollector c(ChosenFile(name));
  ASSERT_TRUE(ReadThrough(c));
  EXPECT_EQ(c.CodePage(), 932);
  ExpectChunksMakeTheWhole(c, whole, offsets, static_cast<int64_t>(bytes.size()));
}

TEST_F(FileBufChunks, MarkupWithEntitiesKeepsTheBytesOfEachCharacter) {
  std::string bytes = "<html>\n";
  std::mt19937 rng(7);
  while (bytes.size() < 4400000) {
    bytes += "<p>Fish &gt; chips &lt;cheap&gt; &#233;t&#xE9; &#x1F600; caf\xC3\xA9 &amp; a&b</p>";
    bytes += (rng() % 5 == 0) ? "\n" : " ";
  }
  const UString name = tmp_.Write(u"page.html", bytes);
  UString whole;
  ASSERT_TRUE(DecodeUtf8Strict(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), whole));
  std::vector<int64_t> raw = Utf8Offsets(bytes, 0);
  std::vector<uint32_t> pos(raw.begin(), raw.end());
  const size_t w = DecodeHtmlEntitiesInPlace(whole.data(), whole.size(), GlobalEntityRecList(), pos.data());
  whole.resize(w);
  std::vector<int64_t> offsets(pos.begin(), pos.begin() + static_cast<std::ptrdiff_t>(w));
  offsets.push_back(static_cast<int64_t>(bytes.size()));
  ASSERT_EQ(whole.substr(10, 42), u"Fish > chips <cheap> \u00E9t\u00E9 \U0001F600 caf\u00E9 &amp; a&b");

  TCollector c(ChosenFile(name));
  ASSERT_TRUE(ReadThrough(c));
  EXPECT_TRUE(c.FileHandledInfo.is_html);
  ExpectChunksMakeTheWhole(c, whole, offsets, static_cast<int64_t>(bytes.size()));
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
  bytes += std::string(kMiB2 + 50000, 'y');
  bytes += "\nlast line without end";
  const UString name = tmp_.Write(u"lines.txt", bytes);
  const UString whole = Latin1ToUtf16(bytes);
  std::vector<int64_t> offsets;
  for (size_t i = 0; i <= bytes.size(); ++i) offsets.push_back(static_cast<int64_t>(i));
  TCollector c(ChosenFile(name));
  ASSERT_TRUE(ReadThrough(c));
  ExpectChunksMakeTheWhole(c, whole, offsets, static_cast<int64_t>(bytes.size()));
  ASSERT_GE(c.chunks.size(), 3u);
  EXPECT_EQ(c.chunks[1].text[0], u' ');  // cut at the last blank
  EXPECT_EQ(c.chunks[1].start, c.chunks[0].end);
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
  const UString name = tmp_.Write(u"six.txt", bytes);
  std::vector<int64_t> offsets;
  for (size_t i = 0; i <= bytes.size(); ++i) offsets.push_back(static_cast<int64_t>(i));
  ExpectReadsAsWhole(name, Latin1ToUtf16(bytes), offsets, 4);
}

TEST_F(FileBufChunks, ZipMemberOverTwoMiBIsReadInChunks) {
  const UString text = MixedText(5000000, 9);
  const std::string bytes = ToUtf8(text);
  const UString archive = tmp_.Path() + u"corpus.zip";
  {
    TZipForge z;
    z.SetFileName(archive);
    ASSERT_TRUE(z.OpenArchive(TZipOpenMode::ReadWrite));
    TMemoryStream small(std::vector<uint8_t>{'h', 'i'});
    ASSERT_TRUE(z.AddFromStream(u"a.txt", small));
    TMemoryStream big(std::vector<uint8_t>(bytes.begin(), bytes.end()));
    ASSERT_TRUE(z.AddFromStream(u"sub/big.txt", big));
    ASSERT_TRUE(z.CloseArchive());
  }
  TCollector c(ChosenFile(archive + u"/sub/big.txt", 2));
  ASSERT_TRUE(ReadThrough(c));
  EXPECT_TRUE(c.FileHandledInfo.is_zipped);
  EXPECT_GE(c.chunks.size(), 3u);
  ExpectChunksMakeTheWhole(c, text, Utf8Offsets(bytes, 0), static_cast<int64_t>(bytes.size()));
}

TEST_F(FileBufChunks, PrecomposedUtf16KeepsTheBytesOfTheBaseLetter) {
  UString text;
  while (text.size() < 1200000) text += u"cafe\u0301 \u1100\u1161\u11A8 plain\n";  // é and 각 decomposed
  const std::string bytes = Utf16Bytes(text, true, true);
  const UString name = tmp_.Write(u"nfd.txt", bytes);
  TCollector c(ChosenFile(name), nullptr, true);
  ASSERT_TRUE(ReadThrough(c));
  ASSERT_GE(c.chunks.size(), 2u);
  const UString joined = c.Joined();
  EXPECT_EQ(joined.substr(0, 15), u"caf\u00E9 \uAC01 plain\nca");
  EXPECT_EQ(joined, ComposeNFC(text));
  const ChunkSeen& first = c.chunks[0];
  EXPECT_EQ(first.bytes[3], 2 + 2 * 3);  // é at the bytes of its "e"
  EXPECT_EQ(first.bytes[4], 2 + 2 * 5);  // the blank after the accent
  EXPECT_EQ(first.bytes[5], 2 + 2 * 6);  // 각 at its first jamo
  EXPECT_EQ(first.bytes[6], 2 + 2 * 9);
  for (size_t k = 1; k < c.chunks.size(); ++k) EXPECT_EQ(c.chunks[k].start, c.chunks[k - 1].end);
  EXPECT_EQ(c.chunks.back().end, static_cast<int64_t>(bytes.size()));
}
