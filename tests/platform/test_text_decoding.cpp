#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "platform/text/text_internal.h"
#include "platform/text/text_services.h"

namespace {

std::vector<uint8_t> Bytes(std::string_view s) { return std::vector<uint8_t>(s.begin(), s.end()); }

bool Decode(std::string_view s, UString& out, bool tail = false, size_t* consumed = nullptr) {
  return DecodeUtf8Strict(reinterpret_cast<const uint8_t*>(s.data()), s.size(), out, tail, consumed);
}

std::vector<uint8_t> Utf16Bytes(UStringView s, bool little) {
  std::vector<uint8_t> b;
  for (char16_t u : s) {
    const uint8_t lo = uint8_t(u & 0xFF), hi = uint8_t(u >> 8);
    b.push_back(little ? lo : hi);
    b.push_back(little ? hi : lo);
  }
  return b;
}

UString Decoded(std::string_view bytes, int code_page) {
  return DecodeCodePage(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), code_page);
}

}  // namespace

TEST(TextUtf8, AcceptsWellFormedText) {
  struct Case {
    std::string bytes;
    UString text;
  };
  const Case cases[] = {
      {"", u""},
      {std::string("a\0b", 3), UString(u"a\0b", 3)},
      {"\xC3\xA9", u"\u00E9"},
      {"\xED\x9F\xBF", u"\uD7FF"},  // the last before the surrogates
      {"\xEE\x80\x80", u"\uE000"},  // the first after them
      {"\xEF\xBF\xBF", u"\uFFFF"},
      {"\xF0\x9D\x84\x9E", u"\U0001D11E"},
      {"\xF4\x8F\xBF\xBF", u"\U0010FFFF"},
      // Long ASCII runs around multi-byte characters cross the 16-byte steps.
      {"The quick brown fox jumps \xC3\xBC" "ber den faulen Hund, \xE2\x80\x9Equite\xE2\x80\x9C so.",
       u"The quick brown fox jumps \u00FCber den faulen Hund, \u201Equite\u201C so."},
  };
  for (const Case& c : cases) {
    UString out = u"old";
    size_t consumed = 99;
    EXPECT_TRUE(Decode(c.bytes, out, false, &consumed)) << c.bytes;
    EXPECT_EQ(out, c.text);
    EXPECT_EQ(consumed, c.bytes.size());
  }
}

TEST(TextUtf8, RejectsIllFormedSequencesAndSaysWhere) {
  struct Case {
    std::string bytes;
    size_t fault;  // byte offset of the bad sequence
  };
  const std::string prefix = "twenty ascii chars..";  // 20 bytes: the fault lies past a 16-byte step
  const Case cases[] = {
      {"ab\xBF", 2},                                   // stray continuation
      {"\xC0\x80", 0}, {"\xC1\xBF", 0},               // overlong two-byte
      {"\xE0\x80\x80", 0}, {"\xE0\x9F\xBF", 0},       // overlong three-byte
      {"\xED\xA0\x80", 0}, {"\xED\xBF\xBF", 0},       // high and low surrogates
      {"\xF0\x80\x80\x80", 0}, {"\xF0\x8F\xBF\xBF", 0},  // overlong four-byte
      {"\xF4\x90\x80\x80", 0}, {"\xF5\x80\x80\x80", 0},  // above U+10FFFF
      {"\xFF", 0},
      {"x\xC3" "A", 1}, {"\xE2\x82" "A", 0}, {"\xF0\x9D\x84" "A", 0},  // broken off by ASCII
      {"\xC3\xA9\xC3", 2},                            // cut at the end, no tail allowed
      {prefix + "\xA9 tail", 20},
      {prefix + "\xC3\xA9\xE2\x28\xA1", 22},
  };
  for (const Case& c : cases) {
    UString out;
    size_t consumed = 99;
    EXPECT_FALSE(Decode(c.bytes, out, false, &consumed)) << testing::PrintToString(c.bytes);
    EXPECT_EQ(consumed, c.fault) << testing::PrintToString(c.bytes);
  }
  UString out;
  EXPECT_FALSE(Decode(prefix + "\xA9", out));
  EXPECT_EQ(out, u"twenty ascii chars..");  // what came before the fault
}

TEST(TextUtf8, IncompleteTailIsLeftForTheNextChunk) {
  const std::string text = "ab \xE2\x82\xAC \xF0\x9D\x84\x9E \xC3\xA9";
  const UString want = u"ab \u20AC \U0001D11E \u00E9";
  // Cut the text at every byte: the first part leaves its incomplete tail, the second part
  // starts with that tail and the two decode to the whole.
  for (size_t cut = 0; cut <= text.size(); ++cut) {
    UString first, second;
    size_t consumed = 0;
    ASSERT_TRUE(Decode(text.substr(0, cut), first, true, &consumed)) << cut;
    ASSERT_LE(consumed, cut);
    EXPECT_LE(cut - consumed, 3u);
    ASSERT_TRUE(Decode(text.substr(consumed), second)) << cut;
    EXPECT_EQ(first + second, want) << cut;
  }
  UString out;
  size_t consumed = 0;
  EXPECT_FALSE(Decode("ab\xE2\x82", out, false, &consumed));
  EXPECT_EQ(consumed, 2u);
  // A tail that can never complete is ill-formed, tail allowed or not.
  for (std::string_view never : {"ab\xE0\x80", "ab\xED\xA0", "ab\xF4\x90", "ab\xF8"})
    EXPECT_FALSE(Decode(never, out, true)) << testing::PrintToString(std::string(never));
}

TEST(TextUtf8, AgreesWithTheLenientConverterOnRandomText) {
  std::mt19937 rng(7);
  const char32_t pool[] = {U'a', U'Z', U' ', U'\n', 0xE9, 0x3B1, 0x4E2D, 0x20AC, 0xFFFD, 0x1F600, 0x10FFFF, 0x7FF, 0x800};
  for (int round = 0; round < 50; ++round) {
    std::u32string cps;
    const int len = int(rng() % 200);
    for (int i = 0; i < len; ++i) cps.push_back(rng() % 3 ? char32_t(U'a' + rng() % 26) : pool[rng() % std::size(pool)]);
    UString u16;
    for (char32_t c : cps) {
      if (c < 0x10000) {
        u16.push_back(char16_t(c));
      } else {
        u16.push_back(char16_t(0xD800 + ((c - 0x10000) >> 10)));
        u16.push_back(char16_t(0xDC00 + ((c - 0x10000) & 0x3FF)));
      }
    }
    UString out;
    ASSERT_TRUE(Decode(Utf16ToUtf8(u16), out));
    EXPECT_EQ(out, u16);
  }
}

TEST(TextUtf8, LongPlainRunsBetweenOtherCharactersAndFaults) {
  // Runs of ASCII of every length up to a few hundred between characters of two to four bytes,
  // so that the runs, widened many bytes a step, end at every place of a step; then the same
  // text with one byte made bad somewhere: decoded up to it and stopped there.
  std::mt19937 rng(64);
  const char* odd[] = {"\xC3\xA9", "\xE2\x80\x99", "\xF0\x9F\x98\x80", "\xE4\xB8\xAD"};
  for (int round = 0; round < 300; ++round) {
    std::string bytes;
    while (bytes.size() < 1500) {
      const size_t run = rng() % (round % 3 == 0 ? 300 : 80);
      for (size_t k = 0; k < run; ++k) bytes.push_back(static_cast<char>(' ' + rng() % 95));
      if (rng() % 5 != 0) bytes += odd[rng() % std::size(odd)];
    }
    UString out;
    size_t consumed = 0;
    ASSERT_TRUE(Decode(bytes, out, false, &consumed)) << "round " << round;
    EXPECT_EQ(consumed, bytes.size());
    ASSERT_EQ(Utf16ToUtf8(out), bytes) << "round " << round;
    // A stray continuation byte where a character starts (or a byte beyond any lead).
    size_t bad = rng() % bytes.size();
    while (bad > 0 && (static_cast<uint8_t>(bytes[bad]) & 0xC0) == 0x80) --bad;
    bytes[bad] = static_cast<char>(rng() % 2 ? 0x80 : 0xFF);
    ASSERT_FALSE(Decode(bytes, out, false, &consumed)) << "round " << round;
    EXPECT_EQ(consumed, bad) << "round " << round;
    EXPECT_EQ(Utf16ToUtf8(out), bytes.substr(0, bad)) << "round " << round;
  }
}

TEST(TextUtf8, GarbageNeverReadsPastTheFault) {
  std::mt19937 rng(3);
  for (int round = 0; round < 2000; ++round) {
    std::string bytes;
    const int len = int(rng() % 40);
    for (int i = 0; i < len; ++i) bytes.push_back(char(rng() % 4 ? 0x80 + rng() % 0x80 : rng() % 0x80));
    for (bool tail : {false, true}) {
      UString out;
      size_t consumed = 99999;
      const bool ok = Decode(bytes, out, tail, &consumed);
      ASSERT_LE(consumed, bytes.size());
      if (ok && !tail) {
        EXPECT_EQ(consumed, bytes.size());
      }
      // What was decoded is exactly the bytes before the stop.
      EXPECT_EQ(Utf16ToUtf8(out), bytes.substr(0, consumed));
    }
  }
}

TEST(TextCodePage, WesternCyrillicGreekRoundTrips) {
  EXPECT_EQ(Decoded("\x80", 1252), u"\u20AC");
  EXPECT_EQ(Decoded("\x9F\xE9\xFF", 1252), u"\u0178\u00E9\u00FF");
  EXPECT_EQ(Decoded("\x81\x8D", 1252), u"\u0081\u008D");  // undefined bytes: C1 controls
  EXPECT_EQ(Decoded("\xCF\xF0\xE8\xE2\xE5\xF2", 1251), u"\u041F\u0440\u0438\u0432\u0435\u0442");
  EXPECT_EQ(Decoded("\xC5\xEB\xEB\xDC\xE4\xE1", 1253), u"\u0395\u03BB\u03BB\u03AC\u03B4\u03B1");
  EXPECT_EQ(Decoded("\xD2", 1253), u"\uFFFD");  // undefined in Greek
  EXPECT_EQ(Decoded("\x93\xFA\x96\x7B\x8C\xEA", 932), u"\u65E5\u672C\u8A9E");
  EXPECT_EQ(Decoded("\xB0\x1A", 437), u"\u2591\u001A");  // control bytes stand for themselves
  EXPECT_EQ(Decoded("\x80", 12345), u"\u20AC");  // unknown code page: Windows-1252
  EXPECT_EQ(Decoded("\xE9", 28591), u"\u00E9");

  std::string all;
  for (int b = 0; b < 256; ++b) all.push_back(char(b));
  // Every defined byte comes back; undefined ones were read as U+FFFD and are written as '?'.
  for (int cp : {1252, 1251, 1250, 1253, 1257, 874, 437, 850}) {
    const UString u = Decoded(all, cp);
    ASSERT_EQ(u.size(), 256u) << cp;
    const std::string back = EncodeCodePage(u, cp);
    ASSERT_EQ(back.size(), 256u) << cp;
    int undefined = 0;
    for (int b = 0; b < 256; ++b) {
      if (u[b] == 0xFFFD) {
        ++undefined;
        EXPECT_EQ(back[b], '?') << cp << " " << b;
      } else {
        EXPECT_EQ(uint8_t(back[b]), b) << cp << " " << b;
      }
    }
    EXPECT_LE(undefined, cp == 1252 || cp == 1251 ? 0 : 8) << cp;
  }
}

TEST(TextCodePage, EncodingMarksWhatTheCodePageLacks) {
  EXPECT_EQ(EncodeCodePage(u"caf\u00E9 \u20AC", 1252), "caf\xE9 \x80");
  EXPECT_EQ(EncodeCodePage(u"\u03A9\U0001F600x", 1252), "??x");
  EXPECT_EQ(EncodeCodePage(u"\u65E5\u672C", 932), "\x93\xFA\x96\x7B");
  EXPECT_EQ(EncodeCodePage(UString(u"a\0b", 3), 1252), std::string("a\0b", 3));
  EXPECT_EQ(EncodeCodePage(u"", 936), "");
  EXPECT_EQ(EncodeCodePage(UString(1, char16_t(0xD800)) + u"x", 932), "?x");
  EXPECT_EQ(EncodeCodePage(UString(1, char16_t(0xDC00)) + u"x", 1252), "?x");
  // A double-byte character cut at the end is not lost silently.
  EXPECT_EQ(Decoded("ab\x93", 932).substr(0, 2), u"ab");
  EXPECT_EQ(Decoded("ab\x93", 932).size(), 3u);
}

TEST(TextUtf16Guess, ZeroBytesCountedSixteenAtATimeAsOneByOne) {
  // Random lengths and starts, zero bytes thin or dense on either side.
  std::mt19937 rng(12);
  for (int round = 0; round < 300; ++round) {
    // Some past 255 blocks of eight units, where the lanes' counts are summed and begin again.
    const size_t units = round % 10 == 0 ? 2040 + rng() % 3000 : rng() % 200, start = rng() % 16;
    const unsigned even_in = 1 + rng() % 8, odd_in = 1 + rng() % 8;
    std::vector<uint8_t> bytes(start + 2 * units + 1);
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = rng() % ((i - start) % 2 == 0 ? even_in : odd_in) == 0 ? 0 : 1 + rng() % 255;
    size_t even = 0, odd = 0;
    for (size_t u = 0; u < units; ++u) {
      even += bytes[start + 2 * u] == 0;
      odd += bytes[start + 2 * u + 1] == 0;
    }
    size_t got_even = 99, got_odd = 99;
    lz_text_detail::CountZeroBytes(bytes.data() + start, units, got_even, got_odd);
    ASSERT_EQ(std::make_pair(got_even, got_odd), std::make_pair(even, odd)) << "round " << round;
  }
}

TEST(TextUtf16Guess, ByteOrderFromZeroBytesAndNotForEightBitTextOrBinary) {
  const UString text = u"The reader stops at the last line end.\r\nSecond line.\r\n";
  const auto le = Utf16Bytes(text, true), be = Utf16Bytes(text, false);
  EXPECT_EQ(GuessUtf16(le.data(), le.size()), TUtf16Guess::LittleEndian);
  EXPECT_EQ(GuessUtf16(be.data(), be.size()), TUtf16Guess::BigEndian);
  // Cyrillic: only spaces and line ends give zero bytes.
  const auto ru = Utf16Bytes(u"\u041F\u0440\u0438\u0432\u0435\u0442 \u043C\u0438\u0440, \u043A\u0430\u043A \u0434\u0435\u043B\u0430?\r\n", true);
  EXPECT_EQ(GuessUtf16(ru.data(), ru.size()), TUtf16Guess::LittleEndian);

  const auto ascii = Bytes("Plain text in ASCII, with an even number of bytes....\r\n");
  EXPECT_EQ(GuessUtf16(ascii.data(), ascii.size()), TUtf16Guess::NotUtf16);
  const auto utf8 = Bytes("Gr\xC3\xBC\xC3\x9F" "e aus K\xC3\xB6ln, \xE4\xB8\xAD\xE6\x96\x87.\n");
  EXPECT_EQ(GuessUtf16(utf8.data(), utf8.size()), TUtf16Guess::NotUtf16);
  const uint8_t two[] = {'A', 0};
  EXPECT_EQ(GuessUtf16(two, 2), TUtf16Guess::NotUtf16);

  std::mt19937 rng(11);
  std::vector<uint8_t> noise(65536);
  for (auto& b : noise) b = uint8_t(rng());
  EXPECT_EQ(GuessUtf16(noise.data(), noise.size()), TUtf16Guess::NotUtf16);
  // Small 16-bit numbers look like little-endian zeros but read as control characters.
  std::vector<uint8_t> numbers;
  for (int i = 0; i < 4096; ++i) {
    numbers.push_back(uint8_t(rng() % 32));
    numbers.push_back(0);
  }
  EXPECT_EQ(GuessUtf16(numbers.data(), numbers.size()), TUtf16Guess::NotUtf16);
  // ASCII text padded with zeros has zeros on both sides.
  std::vector<uint8_t> padded = ascii;
  padded.resize(padded.size() + 200, 0);
  EXPECT_EQ(GuessUtf16(padded.data(), padded.size()), TUtf16Guess::NotUtf16);
}

#include "platform/text/text_files.h"
#include "support/temp_folder.h"

TEST(TextFiles, OneRuleDecidesTheEncodingOfSmallTexts) {
  auto decode = [](std::string_view bytes, bool guess, UString& out) {
    return DecodeTextBytes(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), out, 1252, guess);
  };
  UString t;
  EXPECT_EQ(decode(std::string("\xFE\xFF\0a\0b", 6), false, t), TTextBytesKind::Utf16BE);
  EXPECT_EQ(t, u"ab");
  EXPECT_EQ(decode("\xEF\xBB\xBF" "caf\xC3\xA9", false, t), TTextBytesKind::Utf8);
  EXPECT_EQ(t, u"caf\u00e9");
  // After a signature, bad bytes are replaced rather than re-read in the code page.
  EXPECT_EQ(decode("\xEF\xBB\xBF" "a\x80", false, t), TTextBytesKind::Utf8);
  EXPECT_EQ(t, u"a\uFFFD");
  EXPECT_EQ(decode("caf\xE9", false, t), TTextBytesKind::CodePage);
  EXPECT_EQ(t, u"caf\u00e9");
  const std::string le("h\0e\0l\0l\0o\0 \0w\0o\0r\0l\0d\0", 22);
  EXPECT_EQ(decode(le, true, t), TTextBytesKind::Utf16LE);
  EXPECT_EQ(t, u"hello world");
  EXPECT_EQ(decode(le, false, t), TTextBytesKind::Utf8);  // without guessing, NULs are text

  EXPECT_EQ(SplitLinesU(u"a\r\nb\rc\n\nd\n"), (std::vector<UStringView>{u"a", u"b", u"c", u"", u"d"}));
  EXPECT_TRUE(SplitLinesU(u"").empty());

  TempFolder dir;
  const UString name = dir.Path() + u"t.txt";
  ASSERT_TRUE(SaveTextFileUtf16(name, u"x\ny"));
  TTextBytesKind kind;
  ASSERT_TRUE(ReadTextFile(name, t, 100, 1252, false, &kind));
  EXPECT_EQ(kind, TTextBytesKind::Utf16LE);
  EXPECT_EQ(t, u"x\ny");
  EXPECT_FALSE(ReadTextFile(name, t, 5));  // larger than allowed
  EXPECT_FALSE(ReadTextFile(dir.Path() + u"missing", t, 100));
}
