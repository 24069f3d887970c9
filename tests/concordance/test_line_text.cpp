// A line's text in memory: the form each text is kept in, the stored block byte by byte, every
// byte of the short form and back, comparisons across forms, and the readers that must not see
// the difference (the list stream in both text forms, sorting, duplicates, a move to another list).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>

#include "concordance/lines/concordance_line.h"
#include "concordance/lines/concordance_list.h"
#include "concordance/lines/line_text.h"
#include "concordance/document/source_files.h"
#include "list_line_support.h"
#include "platform/rtl/streams.h"
#include "platform/text/text_services.h"

namespace {

class TDocument : public TConcordanceListDocument {
 public:
  TLinzoraFilenamelist* files = nullptr;
  TLinzoraFilenamelist* SourceFiles() const override { return files; }
};

std::vector<uint8_t> BlockOf(UStringView text) {
  const TLineTextForm form = LineTextFormOf(text);
  std::vector<uint8_t> block(LineTextBlockBytes(form, text.size()));
  FillLineTextBlock(reinterpret_cast<char*>(block.data()), text, form);
  return block;
}

// A list line "left sw right" with a percentage, as a run makes it.
TConcordanceEntry* AddLine(TConcordanceList& list, UStringView left, UStringView sw, UStringView right) {
  TConcordanceEntry* line = AddWordsLine(list, left, sw, right);
  line->Data().has_percent = true;
  return line;
}

}  // namespace

TEST(LineText, EachTextIsKeptInTheShortestFormThatHoldsIt) {
  struct Case {
    const char16_t* text;
    TLineTextForm form;
  } const cases[] = {
      {u"", TLineTextForm::kAscii},
      {u"the old man and the sea", TLineTextForm::kAscii},
      {u"caf\u00E9 na\u00EFve \u00FF", TLineTextForm::kNarrow},               // Latin-1
      {u"\u201Cwell\u201D \u2014 it\u2019s \u20AC5\u2026 \u0153uvre", TLineTextForm::kNarrow},  // 1252's punctuation
      {u"a\u0081b\u009Dc", TLineTextForm::kNarrow},                         // controls 1252 leaves alone
      {u"a\u0080b", TLineTextForm::kWide},                                  // a control 1252 displaces
      {u"a\u0093b", TLineTextForm::kWide},
      {u"one \u0436 among many", TLineTextForm::kWide},
      {u"\u0100", TLineTextForm::kWide},
      {u"x\U0001F600y", TLineTextForm::kWide},
  };
  TDocument doc;
  TConcordanceList list(nullptr, &doc);
  for (const Case& c : cases) {
    SCOPED_TRACE(Utf16ToUtf8(c.text));
    const UStringView text(c.text);
    EXPECT_EQ(LineTextFormOf(text), c.form);
    // Alone, in the list's arena, and through a worker's lease: the same characters back.
    TConcordanceEntry alone(nullptr);
    alone.SetText(text);
    auto in_list = list.NewLine();
    in_list->SetText(text);
    in_list->MoveTextToOwner();
    auto leased = list.NewLine();
    {
      TLineTextArena::TLease lease(*list.LineTextArena());
      leased->SetText(lease, text);
    }
    for (const TConcordanceEntry* line : {&alone, in_list.get(), leased.get()}) {
      const TLineText kept = line->Text();
      EXPECT_EQ(kept.ToUString(), UString(text));
      EXPECT_TRUE(kept == text);
      ASSERT_EQ(kept.size(), text.size());
      for (size_t i = 0; i < text.size(); ++i) EXPECT_EQ(kept[i], text[i]) << i;
      if (!text.empty()) {
        EXPECT_EQ(kept.Form(), c.form);
      }
      EXPECT_EQ(kept.StoredBytes(), text.empty() ? 0 : 4 + text.size() * (c.form == TLineTextForm::kWide ? 2 : 1));
    }
  }
}

TEST(LineText, LongLinesAreJudgedAndKeptWhereverTheirOddCharacterStands) {
  // A line is judged in runs of units: the odd character first, inside, or last in a run, and in
  // the short run at the end.
  for (const size_t at : {size_t{0}, size_t{15}, size_t{16}, size_t{500}, size_t{1000}}) {
    for (const char16_t odd : {u'\u00E9', u'\u201D', u'\u0436'}) {
      UString text(1001, u'a');
      for (size_t i = 0; i < text.size(); i += 7) text[i] = u' ';
      text[at] = odd;
      const TLineTextForm form = odd == u'\u0436' ? TLineTextForm::kWide : TLineTextForm::kNarrow;
      EXPECT_EQ(LineTextFormOf(text), form) << at;
      TConcordanceEntry line(nullptr);
      line.SetText(text);
      EXPECT_EQ(line.Text().Form(), form) << at;
      EXPECT_EQ(line.Text().ToUString(), text) << at;
    }
  }
}

// A worker judges and narrows a text in one pass: for every UTF-16 unit, alone among ASCII at a
// place in a vector step and in the tail, the block and form equal those of the judge-then-fill
// road, byte for byte.
TEST(LineText, OnePassFillEqualsJudgingThenFillingForEveryUnit) {
  UString text(21, u'a');
  std::vector<char> one(LineTextBlockBytes(TLineTextForm::kWide, text.size()));
  for (uint32_t u = 0; u <= 0xFFFF; ++u) {
    for (const size_t at : {size_t{0}, size_t{7}, size_t{9}, size_t{20}}) {
      text.assign(21, u'a');
      text[at] = static_cast<char16_t>(u);
      if (at == 9) text[3] = u'é';
      const std::vector<uint8_t> two = BlockOf(text);
      std::fill(one.begin(), one.end(), char{0x55});
      const TLineTextForm form = FillLineTextBlockShortest(one.data(), text);
      ASSERT_EQ(form, LineTextFormOf(text)) << u << " at " << at;
      ASSERT_EQ(LineTextBlockBytes(form, text.size()), two.size()) << u;
      // The unused end of a 4-byte block is padding: only the header and the characters count.
      const size_t used = 4 + text.size() * (form == TLineTextForm::kWide ? 2 : 1);
      ASSERT_EQ(std::memcmp(one.data(), two.data(), used), 0) << u << " at " << at;
    }
  }
}

TEST(LineText, BlocksHoldAHeaderThenBytesOrUnits) {
  struct Case {
    const char16_t* text;
    std::vector<uint8_t> block;
  } const cases[] = {
      // length in the low 30 bits; bit 30: a byte a character; bit 31: ASCII only
      {u"ab", {0x02, 0x00, 0x00, 0xC0, 'a', 'b', 0, 0}},
      {u"caf\u00E9", {0x04, 0x00, 0x00, 0x40, 'c', 'a', 'f', 0xE9}},
      {u"\u201Cx\u201D", {0x03, 0x00, 0x00, 0x40, 0x93, 'x', 0x94, 0}},
      {u"\u0416!", {0x02, 0x00, 0x00, 0x00, 0x16, 0x04, '!', 0x00}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Utf16ToUtf8(c.text));
    EXPECT_EQ(BlockOf(c.text), c.block);
    EXPECT_EQ(LineTextOfBlock(reinterpret_cast<const char*>(c.block.data())), UStringView(c.text));
  }
  EXPECT_TRUE(LineTextOfBlock(nullptr).empty());
}

TEST(LineText, EveryByteStandsForOneCharacterAndBack) {
  // Each of the 256 bytes widens to a character that narrows to that byte again: no two bytes
  // share a character, so a text read back is the text stored.
  std::vector<char16_t> seen;
  for (int b = 0; b < 256; ++b) {
    const char16_t c = kLineTextWiden[static_cast<uint8_t>(b)];
    seen.push_back(c);
    const UString one(1, c);
    ASSERT_NE(LineTextFormOf(one), TLineTextForm::kWide) << b;
    EXPECT_EQ(BlockOf(one)[4], b) << b;
    // Against code page 1252 where it assigns the byte; its own control elsewhere.
    const uint8_t byte = static_cast<uint8_t>(b);
    const UString cp = DecodeCodePage(&byte, 1, 1252);
    const bool assigned = b >= 0x80 && b <= 0x9F && cp.size() == 1 && cp[0] >= 0x100;
    EXPECT_EQ(c, assigned ? cp[0] : static_cast<char16_t>(b)) << b;
  }
  std::sort(seen.begin(), seen.end());
  EXPECT_EQ(std::unique(seen.begin(), seen.end()), seen.end());
}

TEST(LineText, TextsCompareByCharactersWhateverTheirForms) {
  const UString latin = u"caf\u00E9 au lait";
  const std::vector<uint8_t> narrow = BlockOf(latin);
  const TLineText a = LineTextOfBlock(reinterpret_cast<const char*>(narrow.data()));
  const TLineText wide(UStringView{latin});
  ASSERT_TRUE(a.OneByte());
  ASSERT_FALSE(wide.OneByte());
  EXPECT_TRUE(a == wide);
  EXPECT_TRUE(wide == a);
  EXPECT_TRUE(a.substr(5) == UStringView(u"au lait"));
  EXPECT_TRUE(a.substr(0, 4) == wide.substr(0, 4));
  EXPECT_FALSE(a.substr(0, 4) == wide.substr(1, 4));
  EXPECT_TRUE(a.substr(99).empty());
  const TLineTextWide w(a.substr(3, 2));
  EXPECT_EQ(w.View(), UStringView(u"\u00E9 "));
  UString out = u">";
  a.substr(0, 3).AppendTo(out);
  EXPECT_EQ(out, u">caf");
}

TEST(LineText, ListStreamsHoldTheSameBytesWhateverFormALineIsKeptIn) {
  // Written in either of the document's forms, a stream holds each line as the UTF-16 (or 8-bit)
  // text would be written, and reads back to the same characters and, written again, the same bytes.
  const std::vector<UString> texts = {u"plain words here", u"caf\u00E9 and cr\u00E8me", u"\u201Cquoted\u201D \u2014 so",
                                      u"one \u0436 in Latin", u"a\u0080b"};
  for (const bool unicode : {true, false}) {
    SCOPED_TRACE(unicode ? "UTF-16" : "1252");
    TVXBaseHolder holder;
    holder.SetUnicode(unicode);
    TLinzoraFilenamelist files(&holder);
    TLinzoraFilenameEntryRecPlus rec;
    rec.full_filename = u"/corpus/text.txt";
    rec.other_data.file_size = 1000;
    files.Add(new TLinzoraFilenameEntry(&files, rec));
    TDocument doc;
    doc.files = &files;
    TConcordanceList list(&holder, &doc);
    for (const UString& t : texts) AddLine(list, t, u"sw", u"end");
    for (int i = 0; i < list.Count(); ++i) {
      TMemoryStream line_bytes;
      ASSERT_TRUE(list.Line(i)->SaveToStream(line_bytes));
      TMemoryStream expected_text;
      const UString whole = texts[static_cast<size_t>(i)] + u" sw end";
      if (unicode) {
        ASSERT_TRUE(WriteUnknownLengthPointer(expected_text, &whole));
      } else {
        const std::string narrow = EncodeCodePage(whole, 1252);
        ASSERT_TRUE(WriteUnknownLengthPointer(expected_text, &narrow));
      }
      const auto& b = line_bytes.Data();
      const auto& e = expected_text.Data();
      const size_t at = sizeof(TLinzoraEntryRecBase) + sizeof(TLinzoraEntryRecExtraBase);
      ASSERT_GE(b.size(), at + e.size());
      EXPECT_TRUE(std::equal(e.begin(), e.end(), b.begin() + static_cast<std::ptrdiff_t>(at))) << i;
    }
    TMemoryStream saved;
    ASSERT_TRUE(list.SaveToStream(saved));
    TVXBaseHolder holder2;
    holder2.SetUnicode(unicode);
    TConcordanceList read(&holder2, &doc);
    TMemoryStream in(saved.Data());
    in.Seek(0, TSeekOrigin::Begin);
    ASSERT_TRUE(read.ReadFromStream(in));
    ASSERT_EQ(read.Count(), list.Count());
    for (int i = 0; i < read.Count(); ++i) {
      const UString whole = texts[static_cast<size_t>(i)] + u" sw end";
      // 1252 has no Cyrillic and no U+0080: the last two texts come back with its stand-in.
      if (unicode || i < 3) {
        EXPECT_EQ(read.Line(i)->Text().ToUString(), whole) << i;
      }
    }
    TMemoryStream again;
    ASSERT_TRUE(read.SaveToStream(again));
    const auto& x = again.Data();
    const auto& y = saved.Data();
    const auto parted = std::mismatch(x.begin(), x.end(), y.begin(), y.end());
    EXPECT_TRUE(parted.first == x.end() && parted.second == y.end())
        << "parted at byte " << (parted.first - x.begin()) << " of " << x.size() << " and " << y.size();
  }
}

TEST(LineText, SortingAndDuplicatesSeeCharactersNotForms) {
  // Words in every form, sorted on L1 then the search word: the order of a stable sort by the
  // locale's comparison of the UTF-16 words.
  const std::vector<UString> pool = {u"apple", u"\u00C9clair", u"eclair", u"\u0436uk", u"zoo", u"\u201Cnote\u201D",
                                     u"Zoo", u"\u0153uvre", u"oeuvre", u"a\u0080b"};
  std::mt19937 rng(99);
  TDocument doc;
  TConcordanceList list(nullptr, &doc);
  for (int i = 0; i < 300; ++i)
    AddLine(list, pool[rng() % pool.size()], pool[rng() % pool.size()],
            (i % 3 == 0 ? u"\u0436 " : u"x ") + pool[rng() % pool.size()]);
  std::vector<TConcordanceEntry*> expected;
  for (int i = 0; i < list.Count(); ++i) expected.push_back(list.Line(i));
  auto word = [&](const TConcordanceEntry* e, int span) { return list.WordAtSpan(*e, span); };
  std::stable_sort(expected.begin(), expected.end(), [&](const TConcordanceEntry* a, const TConcordanceEntry* b) {
    int r = CompareStringsLocale(kLCID_EnglishUS, false, word(a, 49), word(b, 49));
    if (r == 0) r = CompareStringsLocale(kLCID_EnglishUS, false, word(a, 50), word(b, 50));
    return r < 0;
  });
  list.SetThreeSorts(kConcSortFirstWord + 4, kConcSortSearchWord, kConcSortBytePosition);
  for (int l = 0; l < 3; ++l) list.SetSortAscending(l, true);
  ASSERT_TRUE(list.CompleteResort());
  for (int i = 0; i < list.Count(); ++i) ASSERT_EQ(list.Line(i), expected[size_t(i)]) << i;

  // Whole lines: against the same comparison of the widened texts.
  std::vector<TConcordanceEntry*> whole(expected);
  std::stable_sort(whole.begin(), whole.end(), [](const TConcordanceEntry* a, const TConcordanceEntry* b) {
    return CompareStringsLocale(kLCID_EnglishUS, false, a->Text().ToUString(), b->Text().ToUString()) < 0;
  });
  list.SetThreeSorts(kConcSortWholeLine, kConcSortBytePosition, kConcSortBytePosition);
  for (int l = 0; l < 3; ++l) list.SetSortAscending(l, true);
  ASSERT_TRUE(list.CompleteResort());
  for (int i = 0; i < list.Count(); ++i) ASSERT_EQ(list.Line(i), whole[size_t(i)]) << i;

  // Two long lines alike in the 500 characters around the search word are duplicates, though a
  // character far outside that window keeps one of them two bytes a character.
  TConcordanceList dups(nullptr, &doc);
  const UString left(600, u'l'), right(600, u'r');
  AddLine(dups, left, u"caf\u00E9", right);
  AddLine(dups, u"\u0436" + left.substr(1), u"caf\u00E9", right);
  AddLine(dups, left, u"cafe", right);
  ASSERT_NE(dups.Line(0)->Text().Form(), dups.Line(1)->Text().Form());
  TDuplicatesResult result;
  dups.RemoveDuplicates(result, {});
  EXPECT_EQ(result.deleted, 1);
}

TEST(LineText, ALineMovedToAnotherListKeepsItsTextAndForm) {
  TDocument doc;
  TConcordanceList from(nullptr, &doc);
  TConcordanceList to(nullptr, &doc);
  struct Case {
    const char16_t* text;
    TLineTextForm form;
  } const cases[] = {{u"caf\u00E9 sw end", TLineTextForm::kNarrow}, {u"\u0436uk sw end", TLineTextForm::kWide}};
  std::vector<std::unique_ptr<TConcordanceEntry>> lines;
  for (const Case& c : cases) {
    lines.push_back(from.NewLine());
    lines.back()->SetText(UStringView(c.text));
    lines.back()->MoveTextToOwner();
    ASSERT_TRUE(lines.back()->TextInArena());
  }
  EXPECT_EQ(from.LineTextArena()->LiveTexts(), 2);
  for (auto& line : lines) line->SetOwner(&to);
  EXPECT_EQ(from.LineTextArena()->LiveTexts(), 0);
  EXPECT_EQ(to.LineTextArena()->LiveTexts(), 2);
  for (size_t i = 0; i < lines.size(); ++i) {
    EXPECT_EQ(lines[i]->Text(), UStringView(cases[i].text));
    EXPECT_EQ(lines[i]->Text().Form(), cases[i].form);
  }
  lines.clear();
  EXPECT_EQ(to.LineTextArena()->LiveTexts(), 0);
}
