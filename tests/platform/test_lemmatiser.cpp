#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/lemmatiser/lemmatiser.h"
#include "support/temp_folder.h"

namespace {

constexpr uint8_t kTool = 201;  // a tool of its own, so that other tests' lists stay apart

struct Pair {
  UString form, head;
  int32_t total, index;
  bool operator==(const Pair&) const = default;
};

std::vector<Pair> Pairs() {
  std::vector<Pair> out;
  TraverseLemmasDoing(
      kTool,
      [](void* ctx, UStringView f, UStringView h, bool, int32_t total, int32_t index, bool, bool unicode) {
        EXPECT_TRUE(unicode);
        static_cast<std::vector<Pair>*>(ctx)->push_back({UString(f), UString(h), total, index});
      },
      &out);
  return out;
}

// The words of the stop (or match) list; the last word's case-sensitive flag in *cs.
std::vector<UString> Words(bool (*traverse)(uint8_t, TListWordProc, void*) = TraverseStopsDoing, bool* cs = nullptr) {
  struct Ctx {
    std::vector<UString> words;
    bool cs = false;
  } ctx;
  traverse(
      kTool,
      [](void* c, UStringView w, bool case_sensitive, int32_t, int32_t, bool, bool) {
        static_cast<Ctx*>(c)->words.push_back(UString(w));
        static_cast<Ctx*>(c)->cs = case_sensitive;
      },
      &ctx);
  if (cs) *cs = ctx.cs;
  return ctx.words;
}

std::string Utf16Bytes(const UString& s, bool little) {
  std::string b = little ? std::string("\xFF\xFE", 2) : std::string("\xFE\xFF", 2);
  for (char16_t c : s) {
    const char lo = static_cast<char>(c & 0xFF), hi = static_cast<char>(c >> 8);
    b += little ? std::string{lo, hi} : std::string{hi, lo};
  }
  return b;
}

int Found(UStringView w, int kind) { return FoundInTheList(kTool, UString(w).c_str(), 1, kind); }

}  // namespace

TEST(Lemmatiser, LemmaListsInBothLayoutsWithComments) {
  TempFolder tmp;
  const UString file = tmp.Write(u"lemmas.txt",
                                 "\xEF\xBB\xBF; lemma list\n"
                                 "GO -> goes, went,gone ; irregular\r\n"
                                 "\n"
                                 "be\tam\tis, are\n"
                                 "go -> going, Went\n"   // adds to go; Went is there already
                                 "lonely\n"              // no forms: dropped
                                 "cat -> cat\n");        // its own form: dropped
  ASSERT_TRUE(LoadedOne(kTool, lmsLemma, file));
  const std::vector<Pair> want = {{u"goes", u"GO", 7, 0}, {u"went", u"GO", 7, 1}, {u"gone", u"GO", 7, 2},
                                  {u"am", u"be", 7, 3},   {u"is", u"be", 7, 4},   {u"are", u"be", 7, 5},
                                  {u"going", u"go", 7, 6}};
  EXPECT_EQ(Pairs(), want);
  EXPECT_EQ(Found(u"Went", lmsLemma), 1);
  EXPECT_EQ(Found(u"go", lmsLemma), 1);
  EXPECT_EQ(Found(u"lonely", lmsLemma), 0);
  EXPECT_EQ(FoundInTheList(kTool, "IS", 0, lmsLemma), 1);
  EXPECT_EQ(FoundInTheList(kTool, nullptr, 1, lmsLemma), 0);
  EXPECT_EQ(Found(u"went", lmsStop), 0);  // no stop list loaded
  EXPECT_EQ(LemmaVariantsOf(kTool, u"went", u"\t"), u"GO\tgoes\tgone\tgoing");
  EXPECT_EQ(LemmaVariantsOf(kTool, u"Be", u","), u"am,is,are");
  EXPECT_EQ(LemmaVariantsOf(kTool, u"cat", u","), u"");
  ClearOne(kTool, lmsLemma);
  EXPECT_TRUE(Pairs().empty());
  EXPECT_FALSE(TraverseLemmasDoing(kTool, nullptr, nullptr));
  EXPECT_EQ(Found(u"went", lmsLemma), 0);
}

TEST(Lemmatiser, StopAndMatchListsInUtf16AndUtf8) {
  TempFolder tmp;
  ASSERT_TRUE(LoadedOne(kTool, lmsStop, tmp.Write(u"stop16.txt", Utf16Bytes(u"the\r\nOf\r\n\u00c9T\u00c9\r\nthe\r\n", true))));
  EXPECT_EQ(Words(), (std::vector<UString>{u"the", u"Of", u"\u00c9T\u00c9"}));
  EXPECT_EQ(Found(u"OF", lmsStop), 1);
  EXPECT_EQ(Found(u"\u00e9t\u00e9", lmsStop), 1);
  ASSERT_TRUE(LoadedOne(kTool, lmsStop, tmp.Write(u"stopbe.txt", Utf16Bytes(u"and\nor", false))));
  EXPECT_EQ(Words(), (std::vector<UString>{u"and", u"or"}));

  TLemmatiserLoadOptions opts;
  opts.case_sensitive = true;
  ASSERT_TRUE(LoadedOne(kTool, lmsMatch, tmp.Write(u"match.txt", "*ing\nun*\n#\n  cat  \n"), opts));
  bool cs = false;
  EXPECT_EQ(Words(TraverseMatchesDoing, &cs), (std::vector<UString>{u"*ing", u"un*", u"#", u"cat"}));
  EXPECT_TRUE(cs);
  // Not UTF-8: read as Windows-1252.
  ASSERT_TRUE(LoadedOne(kTool, lmsStop, tmp.Write(u"stop8.txt", "caf\xe9\n\x93quoted\x94\n")));
  EXPECT_EQ(Words(), (std::vector<UString>{u"caf\u00e9", u"\u201cquoted\u201d"}));
  EXPECT_EQ(FoundInTheList(kTool, "CAF\xc9", 0, lmsStop), 1);
  ClearOne(kTool, lmsStop);
  ClearOne(kTool, lmsMatch);
}

TEST(Lemmatiser, BadFilesFailAndKeepTheListLoadedBefore) {
  TempFolder tmp;
  ASSERT_TRUE(LoadedOne(kTool, lmsStop, tmp.Write(u"good.txt", "the\n")));
  EXPECT_FALSE(LoadedOne(kTool, lmsStop, tmp.Path() + u"missing.txt"));
  EXPECT_FALSE(LoadedOne(kTool, lmsStop, tmp.Write(u"binary.bin", std::string("MZ\x90\0\x03\0\0\0", 8))));
  EXPECT_FALSE(LoadedOne(kTool, lmsStop, tmp.Write(u"nobom16.txt", std::string("t\0h\0e\0", 6))));
  EXPECT_FALSE(LoadedOne(kTool, lmsStop, tmp.Write(u"odd16.txt", std::string("\xFF\xFEt\0h", 5))));
  EXPECT_FALSE(LoadedOne(kTool, 7, tmp.Write(u"kind.txt", "the\n")));
  EXPECT_FALSE(LoadedOne(kTool, lmsStop, tmp.Path()));  // a folder
  EXPECT_EQ(Words(), std::vector<UString>{u"the"});
  // A huge item is skipped; the lines around it load.
  const std::string huge(2 * kLemmatiserMaxItem, 'x');
  ASSERT_TRUE(LoadedOne(kTool, lmsStop, tmp.Write(u"huge.txt", "a\n" + huge + "\nb")));
  EXPECT_EQ(Words(), (std::vector<UString>{u"a", u"b"}));
  ClearOne(kTool, lmsStop);
}

TEST(Lemmatiser, ProgressAndReloadingDuringAWalk) {
  TempFolder tmp;
  static int32_t lines = -1, last_line = -1;
  TLemmatiserLoadOptions opts;
  opts.set_n_lines = [](int32_t n) { lines = n; };
  opts.show_progress = [](int32_t line) { last_line = line; };
  std::string text;
  for (int i = 0; i < 3000; ++i) text += "w" + std::to_string(i) + "\n";
  ASSERT_TRUE(LoadedOne(kTool, lmsStop, tmp.Write(u"many.txt", text), opts));
  EXPECT_EQ(lines, 3000);  // a line break at the very end makes no further line
  EXPECT_EQ(last_line, 3000);  // the end is reported as the number of lines
  // A call-back that clears the list does not cut the walk short.
  int seen = 0;
  TraverseStopsDoing(
      kTool,
      [](void* c, UStringView, bool, int32_t, int32_t index, bool, bool) {
        if (index == 0) ClearOne(kTool, lmsStop);
        ++*static_cast<int*>(c);
      },
      &seen);
  EXPECT_EQ(seen, 3000);
  EXPECT_TRUE(Words().empty());
}
