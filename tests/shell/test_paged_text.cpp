// A text read on demand: every page, read at any byte, equals the whole text decoded at once, in
// every encoding the reader takes; bytes and characters agree; a changed or binary file is
// noticed; the key-word scan finds what a plain scan of the whole text finds; the rich text
// written page by page equals the whole text's; a concordance hit is checked at its byte.
#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <string>

#include "model/export/rtf_writer.h"
#include "platform/rtl/streams.h"
#include "platform/text/text_files.h"
#include "platform/text/text_services.h"
#include "concordance/document/source_files.h"
#include "shell/files/key_word_scan.h"
#include "shell/files/paged_text.h"
#include "shell/files/paged_text_rtf.h"
#include "support/temp_folder.h"

namespace {

// About n characters of text in lines, with accented letters, an astral character now and then
// (not in 8-bit texts) and CR LF line ends.
UString MadeText(size_t n, bool astral, uint32_t seed) {
  static const char16_t* words[] = {u"river", u"the", u"bank", u"caf\u00E9", u"na\u00EFve", u"stone",
                                    u"\u00FCber", u"water", u"bridge", u"<p>", u"</p>", u"flowing"};
  std::mt19937 rng(seed);
  UString t;
  while (t.size() < n) {
    t += words[rng() % 12];
    const uint32_t r = rng() % 40;
    if (astral && r == 0) t += u"\U0001F30A";
    t += r == 1 ? u"\r\n" : (r == 2 ? u"\r\n\r\n" : u" ");
  }
  return t;
}

std::string Utf16Bytes(UStringView t, bool big_endian, bool mark) {
  std::string out;
  if (mark) out += big_endian ? "\xFE\xFF" : "\xFF\xFE";
  for (char16_t c : t) {
    const char hi = static_cast<char>(c >> 8), lo = static_cast<char>(c & 0xFF);
    out += big_endian ? std::string{hi, lo} : std::string{lo, hi};
  }
  return out;
}

struct TEncodedText {
  const char* name;
  std::string bytes;
  UString whole;          // what decoding the whole text at once gives
  int code_page = 1252;
  int64_t signature = 0;  // bytes before the text
  // The file byte of every unit of whole, and one more for the end.
  std::vector<int64_t> unit_bytes;
  int64_t ByteOfUnit(size_t u) const { return unit_bytes[u]; }
};

// Each unit's byte: the encoded sizes of the characters before it (a pair's two units share one).
std::vector<int64_t> UnitBytes(UStringView whole, int64_t signature, const std::function<int64_t(UStringView)>& size_of) {
  std::vector<int64_t> out(whole.size() + 1);
  int64_t at = signature;
  for (size_t i = 0; i < whole.size();) {
    const size_t n = (whole[i] >= 0xD800 && whole[i] <= 0xDBFF && i + 1 < whole.size()) ? 2 : 1;
    for (size_t k = 0; k < n; ++k) out[i + k] = at;
    at += size_of(whole.substr(i, n));
    i += n;
  }
  out[whole.size()] = at;
  return out;
}

std::vector<TEncodedText> Encodings() {
  std::vector<TEncodedText> out;
  const UString text = MadeText(300000, true, 4);
  const UString latin = MadeText(200000, false, 5);
  auto utf8_size = [](UStringView p) { return static_cast<int64_t>(Utf16ToUtf8(p).size()); };
  auto two = [](UStringView p) { return static_cast<int64_t>(p.size()) * 2; };
  auto add = [&](const char* name, std::string bytes, const UString& whole, int cp, int64_t sig,
                 const std::function<int64_t(UStringView)>& size_of) {
    out.push_back({name, std::move(bytes), whole, cp, sig, UnitBytes(whole, sig, size_of)});
  };
  add("UTF-8", Utf16ToUtf8(text), text, 1252, 0, utf8_size);
  add("UTF-8 with signature", "\xEF\xBB\xBF" + Utf16ToUtf8(text), text, 1252, 3, utf8_size);
  add("UTF-16 LE with mark", Utf16Bytes(text, false, true), text, 1252, 2, two);
  add("UTF-16 BE with mark", Utf16Bytes(text, true, true), text, 1252, 2, two);
  add("UTF-16 LE without mark", Utf16Bytes(text, false, false), text, 1252, 0, two);
  add("Windows-1252", EncodeCodePage(latin, 1252), latin, 1252, 0,
      [](UStringView p) { return static_cast<int64_t>(p.size()); });
  // Shift-JIS: a double-byte code page, whose pages are found from the start.
  UString japanese;
  for (int i = 0; japanese.size() < 150000; ++i) japanese += (i % 7 == 0) ? u"\u5DDD\u306E\u6C34 river\r\n" : u"\u6A4B\u3092 ";
  add("Shift-JIS", EncodeCodePage(japanese, 932), japanese, 932, 0,
      [](UStringView p) { return static_cast<int64_t>(EncodeCodePage(p, 932).size()); });
  return out;
}

// Each encoding's text written and opened, handed to the check.
void ForEachEncoding(const std::function<void(const TEncodedText&, TPagedText&)>& check) {
  TempFolder tmp;
  for (const TEncodedText& e : Encodings()) {
    SCOPED_TRACE(e.name);
    const UString file = tmp.Write(u"text.txt", e.bytes);
    TPagedText paged;
    UString error;
    ASSERT_TRUE(paged.Open(file, e.code_page, error)) << Utf16ToUtf8(error);
    check(e, paged);
  }
}

}  // namespace

TEST(PagedText, EveryPageEqualsTheWholeDecode) {
  ForEachEncoding([](const TEncodedText& e, TPagedText& paged) {
    UString error;
    EXPECT_EQ(paged.TextStart(), e.signature);
    ASSERT_GT(paged.PageCount(), 2);
    // Pages in a random order, each at a random byte of it.
    std::mt19937 rng(9);
    std::vector<int> order;
    for (int k = 0; k < paged.PageCount(); ++k) order.push_back(k);
    std::shuffle(order.begin(), order.end(), rng);
    std::vector<UString> pages(static_cast<size_t>(paged.PageCount()));
    for (int k : order) {
      const int64_t from = paged.TextStart() + int64_t{k} * TPagedText::kPageBytes;
      const int64_t byte = std::min<int64_t>(from + static_cast<int64_t>(rng() % TPagedText::kPageBytes),
                                             paged.FileSize() - 1);
      const int at = paged.PageOfByte(byte);
      const auto page = paged.Page(at, &error);
      ASSERT_TRUE(page) << Utf16ToUtf8(error);
      EXPECT_LE(page->first_byte, byte);
      EXPECT_GT(page->end_byte, byte);
      pages[static_cast<size_t>(at)] = page->text;
    }
    for (int k = 0; k < paged.PageCount(); ++k)
      if (pages[static_cast<size_t>(k)].empty()) pages[static_cast<size_t>(k)] = paged.Page(k)->text;
    UString joined;
    for (const UString& p : pages) joined += p;
    ASSERT_EQ(joined.size(), e.whole.size());
    EXPECT_TRUE(joined == e.whole);
    // Each page where the whole decode has it, and its units' bytes where the encoding puts them.
    EXPECT_TRUE(paged.FullyIndexed());
    for (int k : {0, paged.PageCount() / 2, paged.PageCount() - 1}) {
      const auto page = paged.Page(k);
      const int64_t chars = *paged.CharsBefore(k);
      EXPECT_EQ(UStringView(e.whole).substr(static_cast<size_t>(chars), page->text.size()), UStringView(page->text));
      for (size_t u : {size_t{0}, page->text.size() / 3, page->text.size() - 1}) {
        if (page->text[u] >= 0xDC00 && page->text[u] <= 0xDFFF) --u;
        EXPECT_EQ(page->FileByteOf(u), e.ByteOfUnit(static_cast<size_t>(chars) + u));
        EXPECT_EQ(page->UnitAtByte(page->FileByteOf(u)), u);
      }
    }
    // Lines counted page by page as the whole text counts them (CR LF once).
    int64_t lines = 0;
    for (size_t i = 0; i < e.whole.size(); ++i)
      if (e.whole[i] == u'\n' || (e.whole[i] == u'\r' && (i + 1 >= e.whole.size() || e.whole[i + 1] != u'\n'))) ++lines;
    EXPECT_EQ(*paged.LinesBefore(paged.PageCount()), lines);
    EXPECT_LE(paged.PagesHeld(), TPagedText::kPagesKept);
  });
}

TEST(PagedText, StrayBytesInUtf8ReadAsTheReaderReadsThem) {
  TempFolder tmp;
  // Mostly UTF-8, a few stray bytes (fewer than one in a thousand): still UTF-8, each stray byte
  // one U+FFFD at its own byte, also where a page's edge falls among continuation bytes.
  std::string bytes = Utf16ToUtf8(MadeText(200000, true, 8));
  for (size_t at : {size_t{70000}, size_t{65536}, size_t{131071}}) bytes[at] = static_cast<char>(0x80);
  const UString file = tmp.Write(u"stray.txt", bytes);
  UString whole;
  std::vector<uint32_t> offsets;
  DecodeUtf8Lenient(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), 0, false, whole, offsets);
  TPagedText paged;
  UString error;
  ASSERT_TRUE(paged.Open(file, 1252, error));
  EXPECT_EQ(paged.Encoding(), TTextEncoding::Utf8);
  UString joined;
  for (int k = paged.PageCount() - 1; k >= 0; --k) joined = paged.Page(k)->text + joined;
  EXPECT_TRUE(joined == whole);
}

TEST(PagedText, ChangedMissingAndBinaryFiles) {
  TempFolder tmp;
  const UString file = tmp.Write(u"t.txt", Utf16ToUtf8(MadeText(200000, false, 2)));
  TPagedText paged;
  UString error;
  ASSERT_TRUE(paged.Open(file, 1252, error));
  ASSERT_TRUE(paged.Page(0));
  // Written again: a page not read yet is refused, naming the file.
  tmp.Write(u"t.txt", Utf16ToUtf8(MadeText(210000, false, 3)));
  EXPECT_TRUE(paged.Changed());
  EXPECT_FALSE(paged.Page(2, &error));
  EXPECT_NE(error.find(u"changed since it was opened"), UString::npos);
  EXPECT_NE(error.find(file), UString::npos);
  TPagedText other;
  EXPECT_FALSE(other.Open(tmp.Path() + u"none.txt", 1252, error));
  EXPECT_NE(error.find(u"none.txt"), UString::npos);
  std::string program;
  for (int i = 0; i < 4000; ++i) program += static_cast<char>((i * 37 + i / 7) % 251);
  const UString binary = tmp.Write(u"b.bin", program);
  EXPECT_FALSE(other.Open(binary, 1252, error));
  EXPECT_NE(error.find(u"binary"), UString::npos);
  // An empty text opens, with one empty page.
  const UString empty = tmp.Write(u"e.txt", "");
  ASSERT_TRUE(other.Open(empty, 1252, error));
  EXPECT_EQ(other.PageCount(), 1);
  ASSERT_TRUE(other.Page(0));
  EXPECT_TRUE(other.Page(0)->text.empty());
}

TEST(PagedText, KeyWordScanFindsWhatAPlainScanFinds) {
  ForEachEncoding([](const TEncodedText& e, TPagedText& paged) {
    UString error;
    const std::vector<UString> words = {u"river", u"caf*", u"*ing", u"\u6A4B\u3092"};
    TKeyWordScan scan;
    scan.Start(paged, words);
    int steps = 0;
    while (scan.Step()) ++steps;
    EXPECT_TRUE(scan.Done());
    EXPECT_EQ(steps + 1, paged.PageCount());
    // The plain scan of the whole text, its units turned into bytes.
    std::vector<TKeyWordHit> plain;
    for (const TWordSpan& s : KeyWordSpansIn(e.whole, words))
      plain.push_back({e.ByteOfUnit(static_cast<size_t>(s.start)), static_cast<int32_t>(s.length), s.word});
    ASSERT_EQ(scan.Hits().size(), plain.size());
    EXPECT_TRUE(scan.Hits() == plain);
    for (int w = 0; w < 4; ++w) {
      int64_t n = 0;
      for (const TKeyWordHit& h : plain) n += h.word == w;
      EXPECT_EQ(scan.CountOf(w), n);
    }
  });
}

TEST(PagedText, RichTextPageByPageEqualsTheWholeText) {
  ForEachEncoding([](const TEncodedText& e, TPagedText& paged) {
    UString error;
    TPagedRtfOptions options;
    options.words = {u"river", u"bridge"};
    TMemoryStream out;
    ASSERT_TRUE(WritePagedTextRtf(paged, options, out, error)) << Utf16ToUtf8(error);
    std::vector<TTextSpan> spans;
    for (const TWordSpan& s : KeyWordSpansIn(e.whole, options.words)) spans.push_back({s.start, s.length});
    TRtfWriter whole(options.font_points);
    whole.DeclareColour(kHighlightTextColour);
    whole.DeclareColour(kGreyedTextColour);
    bool after_cr = false;
    AppendSourceTextRtf(whole, e.whole, spans, {}, after_cr);
    const std::string expected = whole.Document();
    const std::string got(reinterpret_cast<const char*>(out.Memory()), static_cast<size_t>(out.Size()));
    EXPECT_TRUE(got == expected);
  });
}

TEST(PagedText, TrimmedPagesLoseMarkupAndBlankRuns) {
  TTextPage page;
  page.text = u"<p>one</p>\n\n\n<b>two</b> three\n \n\nfour";
  page.first_byte = 100;
  page.width = 1;
  TShownText shown;
  bool blank_before = false;
  AppendShownPage(page, true, shown, blank_before);
  EXPECT_EQ(shown.text, u"one\n\ntwo three\n \nfour");
  ASSERT_EQ(shown.bytes.size(), shown.text.size());
  EXPECT_EQ(shown.bytes[0], 103);  // "o" after "<p>"
  TShownText whole;
  blank_before = false;
  AppendShownPage(page, false, whole, blank_before);
  EXPECT_EQ(whole.text, page.text);
}

TEST(PagedText, AHitIsCheckedAtItsByte) {
  TempFolder tmp;
  const std::string bytes = "caf\xC3\xA9 by the river bank";
  const UString file = tmp.Write(u"h.txt", bytes);
  int64_t size = 0, ns = 0;
  ASSERT_TRUE(TextFingerprintOf(file, size, ns));
  TPagedText paged;
  UString error;
  ASSERT_TRUE(paged.Open(file, 1252, error));
  UString message;
  // "caf" + two bytes of e-acute + " by the " : the hit's first byte is 13.
  EXPECT_EQ(CheckHitInText(paged, size, ns, 13, u"river", message), THitCheck::Same);
  EXPECT_EQ(CheckHitInText(paged, size, ns, 13, u"RIVER", message), THitCheck::Same);
  EXPECT_EQ(CheckHitInText(paged, 0, 0, 13, u"river", message), THitCheck::Same);  // no fingerprint kept
  EXPECT_EQ(CheckHitInText(paged, size, ns, 12, u"river", message), THitCheck::Moved);
  EXPECT_NE(message.find(u"does not hold"), UString::npos);
  EXPECT_EQ(CheckHitInText(paged, size, ns, 4, u"\u00E9", message), THitCheck::Moved);  // inside a character
  EXPECT_EQ(CheckHitInText(paged, size, ns, 9000, u"river", message), THitCheck::Moved);
  EXPECT_EQ(CheckHitInText(paged, size + 1, ns, 13, u"river", message), THitCheck::Changed);
  EXPECT_NE(message.find(u"has changed"), UString::npos);
}

// Texts whose 8-bit encoding is decided only past the first piece (ASCII before it), with bytes of
// 0x80 and above right at the pages' edges, and UTF-8 text read under code page 65001 that the
// reader takes for code-page text (too many stray bytes): the pages meet without gap or overlap
// whatever order they are read in, never cut a character, and join into the whole text's decode.
TEST(PagedText, PagesMeetWhenTheEncodingIsDecidedLateOrIsUtf8ByCodePage) {
  struct TCase {
    const char* name;
    std::string bytes;
    int code_page;
    TTextEncoding decided;
  };
  const std::string ascii(static_cast<size_t>(kTextChunkBytes) + 3 * TPagedText::kPageBytes, 'a');
  // Bytes from the page edge past the first piece: 0x93 and 0x94 are quotes in Windows-1252 and
  // continuation bytes to a UTF-8 reader.
  std::string cp1252 = ascii + std::string(2 * TPagedText::kPageBytes, 'b');
  std::string utf8_late = cp1252;
  for (int k = 1; k < 5; ++k) {
    const size_t edge = static_cast<size_t>(kTextChunkBytes) + static_cast<size_t>(k) * TPagedText::kPageBytes;
    for (size_t i = 0; i < 3; ++i) cp1252[edge + i] = static_cast<char>(0x93 + i % 2);
    const std::string euro = "\xE2\x82\xAC";  // a three-byte character across the edge
    utf8_late.replace(edge - 1 + static_cast<size_t>(k) % 2, 3, euro);
  }
  // UTF-8 with a stray byte in every 200: code-page text to the reader, decoded as UTF-8 by 65001.
  std::string utf8_stray;
  while (utf8_stray.size() < 5 * TPagedText::kPageBytes) {
    utf8_stray += "caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x8C\x8A river ";
    if (utf8_stray.size() % 200 < 30) utf8_stray += '\xFF';
  }
  // Shift-JIS after the ASCII: pages found from the start once the text turns out double-byte,
  // also past pages read (and kept) before.
  UString japanese;
  while (japanese.size() < 3 * TPagedText::kPageBytes / 2) japanese += u"\u5DDD\u306E\u6C34 river ";
  const std::string sjis = ascii + EncodeCodePage(japanese, 932);
  const std::vector<TCase> cases = {{"Windows-1252 decided late", cp1252, 1252, TTextEncoding::CodePage},
                                    {"Shift-JIS decided late", sjis, 932, TTextEncoding::CodePage},
                                    {"UTF-8 decided late", utf8_late, 1252, TTextEncoding::Utf8},
                                    {"UTF-8 under code page 65001", utf8_stray, 65001, TTextEncoding::CodePage}};
  TempFolder tmp;
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.name);
    const UString file = tmp.Write(u"late.txt", c.bytes);
    const auto* b = reinterpret_cast<const uint8_t*>(c.bytes.data());
    UString whole;
    if (c.decided == TTextEncoding::Utf8) {
      std::vector<uint32_t> offsets;
      DecodeUtf8Lenient(b, c.bytes.size(), 0, false, whole, offsets);
    } else {
      whole = DecodeCodePage(b, c.bytes.size(), c.code_page);
    }
    std::mt19937 rng(3);
    for (const char* order : {"forward", "backward", "shuffled", "by byte"}) {
      SCOPED_TRACE(order);
      TPagedText paged;
      UString error;
      ASSERT_TRUE(paged.Open(file, c.code_page, error)) << Utf16ToUtf8(error);
      std::vector<int> ks;
      for (int k = 0; k < paged.PageCount(); ++k) ks.push_back(k);
      if (std::string(order) == "backward") std::reverse(ks.begin(), ks.end());
      if (std::string(order) == "shuffled") std::shuffle(ks.begin(), ks.end(), rng);
      std::vector<std::shared_ptr<const TTextPage>> pages(ks.size());
      for (int k : ks) {
        if (std::string(order) == "by byte") k = paged.PageOfByte(paged.TextStart() + int64_t{k} * TPagedText::kPageBytes + 1);
        pages[static_cast<size_t>(k)] = paged.Page(k, &error);
        ASSERT_TRUE(pages[static_cast<size_t>(k)]) << Utf16ToUtf8(error);
      }
      EXPECT_EQ(paged.Encoding(), c.decided);
      UString joined;
      int64_t at = paged.TextStart();
      for (size_t k = 0; k < pages.size(); ++k) {
        if (!pages[k]) pages[k] = paged.Page(static_cast<int>(k));
        EXPECT_EQ(pages[k]->first_byte, at) << "page " << k;
        // No page begins with a continuation byte of a UTF-8 character.
        if (c.decided != TTextEncoding::CodePage || c.code_page == 65001) {
          EXPECT_NE(static_cast<uint8_t>(c.bytes[static_cast<size_t>(pages[k]->first_byte)]) & 0xC0, 0x80) << "page " << k;
        }
        at = pages[k]->end_byte;
        joined += pages[k]->text;
      }
      EXPECT_EQ(at, static_cast<int64_t>(c.bytes.size()));
      EXPECT_EQ(joined.size(), whole.size());
      EXPECT_TRUE(joined == whole);
    }
  }
}
