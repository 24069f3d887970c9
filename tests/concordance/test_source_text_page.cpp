// The source-text page's rules: a text read whole as a run reads it (every encoding, mark-up and
// header kept), each character's file byte, the hit of a line found there (or found changed),
// right-to-left languages and the space bar.
#include <gtest/gtest.h>

#include "concordance/commands/source_text_page.h"
#include "document_test_support.h"
#include "model/reading/text_reader.h"

using namespace document_test;
using text_reader_test::ToUtf8;

namespace {

const UString kSamples = Utf8ToUtf16(LINZORA_SAMPLES_DIR) + u"/";

}  // namespace

TEST(SourceTextPage, ATextReadsWholeInItsEncodingAndEachCharacterKeepsItsByte) {
  ScopedSettings settings;
  // "caf\u00e9 <b>river</b>": the hit "river" and the byte it starts at in each encoding.
  const UString text = u"\u00DCber caf\u00E9 <b>river</b> flows\n";
  struct Case {
    const char16_t* name;
    std::string bytes;
    int64_t river_byte;  // worked out by hand: the bytes before "river"
  } const cases[] = {
      // U+00DC and U+00E9 take two bytes each: "Über café <b>" is 13 characters, 15 bytes.
      {u"utf8.txt", ToUtf8(text), 15},
      // Two bytes a character after the two-byte mark.
      {u"utf16le.txt", Utf16Bytes(text, true, true), 2 + 13 * 2},
      {u"utf16be.txt", Utf16Bytes(text, false, true), 2 + 13 * 2},
      // The UTF-8 signature is three bytes.
      {u"signed.txt", "\xEF\xBB\xBF" + ToUtf8(text), 3 + 15},
      // One byte a character in the code page.
      {u"cp1252.txt", "\xDC" "ber caf\xE9 <b>river</b> flows\n", 13},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Utf16ToUtf8(c.name));
    TempFolder tmp;
    const UString name = tmp.Write(c.name, c.bytes);
    TSourceTextOfFile read;
    ASSERT_TRUE(read.Read(name, TakeTextReadSnapshot(nullptr))) << Utf16ToUtf8(read.Failure());
    EXPECT_EQ(read.Text(), text);  // the mark-up stays
    EXPECT_EQ(read.CharacterAtByte(c.river_byte), 13);
    const TSourceHitPlace place = PlaceOfHit(read, c.river_byte, u"RIVER");  // case is not compared
    EXPECT_TRUE(place.found);
    EXPECT_EQ(place.start, 13);
    EXPECT_EQ(place.length, 5);
  }
}

TEST(SourceTextPage, AHitThatNoLongerReadsAsTheLinesIsNotPlaced) {
  ScopedSettings settings;
  TempFolder tmp;
  const UString name = tmp.Write(u"t.txt", std::string("caf\xC3\xA9 by the river"));
  TSourceTextOfFile read;
  ASSERT_TRUE(read.Read(name, TakeTextReadSnapshot(nullptr)));
  struct Case {
    int64_t byte;
    const char16_t* hit;
    bool found;
  } const cases[] = {
      {13, u"river", true},
      {13, u"rover", false},   // the word there changed since the run
      {13, u"rivers", false},  // longer than the text left
      {4, u"\u00E9", false},   // the second byte of "é" begins no character
      {3, u"\u00E9", true},
      {99, u"river", false},   // beyond the text
      {-1, u"c", false},
      {0, u"", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.byte);
    EXPECT_EQ(PlaceOfHit(read, c.byte, c.hit).found, c.found);
  }
}

// A phrase over a line end is marked whole, as its line shows it ("river bank").
TEST(SourceTextPage, APhraseOverALineEndIsMarkedWhole) {
  ScopedSettings settings;
  TempFolder tmp;
  for (const std::string gap : {"\n", "\r\n", "\n   "}) {
    SCOPED_TRACE(gap.size());
    const UString name = tmp.Write(u"t.txt", "The river" + gap + "bank is green. The river bank is wet.");
    TRunRequest request;
    request.texts = {name};
    request.search_words = u"river bank";
    TRunDone run = RunConcordance(request);
    ASSERT_TRUE(run.found);
    TSourceTextOfFile read;
    ASSERT_TRUE(read.Read(name, TakeTextReadSnapshot(run.doc.get())));
    std::vector<int64_t> lengths;
    for (int i = 0; i < run.doc->fConcordanceList->Count(); ++i) {
      const TLineSource line = SourceTextOfLine(*run.doc->fConcordanceList, i);
      EXPECT_EQ(line.hit_text, u"river bank");
      const TSourceHitPlace place = PlaceOfHit(read, line.byte_position, line.hit_text);
      ASSERT_TRUE(place.found) << i;
      lengths.push_back(place.length);
    }
    std::sort(lengths.begin(), lengths.end());
    EXPECT_EQ(lengths, (std::vector<int64_t>{10, static_cast<int64_t>(10 + gap.size() - 1)}));
  }
}

TEST(SourceTextPage, AMissingTextIsNamedAndTheTextReadBeforeStays) {
  ScopedSettings settings;
  TempFolder tmp;
  const UString name = tmp.Write(u"here.txt", std::string("the river"));
  TSourceTextOfFile read;
  ASSERT_TRUE(read.Read(name, TakeTextReadSnapshot(nullptr)));
  const UString gone = tmp.Path() + u"gone.txt";
  EXPECT_FALSE(read.Read(gone, TakeTextReadSnapshot(nullptr)));
  EXPECT_NE(read.Failure().find(gone), UString::npos);
  EXPECT_EQ(read.FileName(), name);
  EXPECT_EQ(read.Text(), u"the river");
  // An empty text is a text of nothing, not a failure.
  const UString empty = tmp.Write(u"empty.txt", std::string());
  EXPECT_TRUE(read.Read(empty, TakeTextReadSnapshot(nullptr)));
  EXPECT_TRUE(read.Text().empty());
  EXPECT_EQ(read.CharacterAtByte(0), -1);
}

TEST(SourceTextPage, EveryLineOfTheSampleCorpusFindsItsHitInItsText) {
  ScopedSettings settings;
  TRunRequest request;
  request.folder = kSamples;
  request.search_words = u"river";
  TRunDone run = RunConcordance(request);
  ASSERT_TRUE(run.found);
  const TConcordanceList& lines = *run.doc->fConcordanceList;
  TSourceTextOfFile read;
  int placed = 0;
  for (int i = 0; i < lines.Count(); ++i) {
    const TLineSource line = SourceTextOfLine(lines, i);
    ASSERT_TRUE(line.valid);
    if (line.full_name.find(u".zip") != UString::npos) continue;  // a member of an archive is no file to show
    SCOPED_TRACE(Utf16ToUtf8(line.full_name));
    if (read.FileName() != line.full_name) {
      ASSERT_TRUE(read.Read(line.full_name, TakeTextReadSnapshot(run.doc.get())));
    }
    const TSourceHitPlace place = PlaceOfHit(read, line.byte_position, line.hit_text);
    ASSERT_TRUE(place.found) << i;
    EXPECT_EQ(UpperCaseU(read.Text().substr(static_cast<size_t>(place.start), 5)), u"RIVER");
    ++placed;
  }
  EXPECT_GE(placed, 80);  // all but the archive's lines (91 in all)
  EXPECT_FALSE(SourceTextOfLine(lines, lines.Count()).valid);
  EXPECT_FALSE(SourceTextOfLine(lines, -1).valid);
}

TEST(SourceTextPage, RightToLeftLanguagesFontSizeAndTheSpaceBar) {
  struct Lang {
    TLCID lcid;
    bool rtl;
  } const langs[] = {
      {0x0401, true},   // Arabic (Saudi Arabia)
      {0x0C01, true},   // Arabic (Egypt)
      {0x040D, true},   // Hebrew
      {0x0429, true},   // Persian
      {0x0420, true},   // Urdu
      {0x0409, false},  // English
      {0x0407, false},  // German
      {0x0419, false},  // Russian
      {0x0000, false},
  };
  for (const Lang& l : langs) EXPECT_EQ(IsRightToLeftLCID(l.lcid), l.rtl) << std::hex << l.lcid;
  EXPECT_EQ(SourceTextFontSize(12, 8), 12);
  EXPECT_EQ(SourceTextFontSize(6, 8), 8);
  EXPECT_EQ(SourceTextFontSize(0, 8), 8);
  struct Key {
    int list_type;
    int key;
    bool toggles;
  } const keys[] = {{10, 0x20, true}, {10, 0x0D, false}, {5, 0x20, false}, {13, 0x20, false}, {17, 0x20, false}};
  for (const Key& k : keys) EXPECT_EQ(GridKeyTogglesSearchWord(k.list_type, k.key), k.toggles) << k.list_type;
}
