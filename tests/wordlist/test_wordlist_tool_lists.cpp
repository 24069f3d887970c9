// linzora_wordlist's commands over saved lists, run as processes on small texts and checked
// against hand counts: batch lists, import, merge (with its clean-ups), the lemma list on the
// word-list side, the collocates of a whole word list, the settings the runs read, and bad input.
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <fstream>
#include <map>
#include <sstream>

#include "../model/text_reader_test_support.h"
#include "shell/settings/word_list_collocate_rules.h"
#include "tools/wordlist_commands.h"
#include "wordlist/detailed_consist.h"
#include "wordlist/index_test_support.h"
#include "wordlist/wordlist_test_support.h"
#include "wordlist/wordlist_tool_runner.h"
#include "wordlist/relationships_list.h"

extern char** environ;

namespace {

using index_test::PlainDoc;
using wltest::LemmaOf;
using text_reader_test::ScopedSettings;

using TRun = wordlist_tool_test::TToolRun;

class WordlistToolLists : public testing::Test {
 protected:
  void SetUp() override {
    current_tool_var = kToolConcordancer;
    global_panic_state = kPanicNone;
  }

  TRun Run(const std::vector<std::string>& args) {
    return wordlist_tool_test::RunWordlistProgram(args, Path(""));
  }
  // Runs and expects success.
  std::string Ok(const std::vector<std::string>& args) {
    const TRun r = Run(args);
    EXPECT_EQ(r.code, 0) << args[0] << "\n" << r.err;
    return r.out;
  }
  std::string Path(const std::string& name) const { return Utf16ToUtf8(dir.Path()) + name; }
  void Text(const std::string& name, const std::string& text) const {
    std::filesystem::create_directories(std::filesystem::path(Path(name)).parent_path());
    std::ofstream(Path(name), std::ios::binary) << text;
  }
  static std::unique_ptr<T_WholeWordlistHolder> Read(const std::string& file) {
    auto doc = PlainDoc();
    EXPECT_TRUE(doc->ReadWholeFromFile(Utf8ToUtf16(file), kToolWordLister).first) << file;
    return doc;
  }
  // (frequency, texts) of a word's row; (-1, -1) when the list has none.
  static std::pair<int32_t, int32_t> RowOf(TVXWordList& words, UStringView word) {
    for (int i = 0; i < words.Count(); ++i)
      if (words.Row(i) && words.Row(i)->data.word == word) return {words.Row(i)->data.frequency, words.Row(i)->data.n_texts};
    return {-1, -1};
  }

  ScopedSettings settings;
  TempFolder dir;
};

// Batch modes: one list per text (1, 2) or per folder (3), each with its own counts; zipped
// archives per run (1) or per folder (2, 3).
TEST_F(WordlistToolLists, BatchListsAreOnePerTextOrPerFolderWithTheirOwnCounts) {
  Text("a/t1.txt", "the cat saw the dog\n");
  Text("a/t2.txt", "a dog and a cat\n");
  Text("b/t3.txt", "the bird\n");
  struct TCase {
    std::string mode;
    bool zip;
    std::vector<std::string> lists;  // file names in the batch folder
    std::vector<std::string> zips;
  };
  const std::vector<TCase> cases{
      {"1", false, {"t1.lst", "t2.lst", "t3.lst"}, {}},
      {"1", true, {"t1.lst", "t2.lst", "t3.lst"}, {"1zip.zip"}},
      {"2", true, {"t1.lst", "t2.lst", "t3.lst"}, {"a.zip", "b.zip"}},
      {"3", false, {"these files (a).lst", "these files (b).lst"}, {}},
  };
  for (size_t k = 0; k < cases.size(); ++k) {
    const TCase& c = cases[k];
    const std::string folder = std::to_string(k + 1) + "zip";
    std::vector<std::string> args{"list", Path("a"), Path("b"), "--batch", c.mode, "-o", Path(folder)};
    if (c.zip) args.push_back("--zip");
    const std::string out = Ok(args);
    EXPECT_NE(out.find(std::to_string(c.lists.size()) + " word lists in "), std::string::npos) << out;
    for (const std::string& l : c.lists) EXPECT_TRUE(std::filesystem::exists(Path(folder + "/" + l))) << c.mode << l;
    for (const std::string& z : c.zips) {
      const std::string zip = z == "1zip.zip" ? folder + "/" + folder + ".zip" : folder + "/" + z;
      EXPECT_TRUE(std::filesystem::exists(Path(zip))) << c.mode << " " << zip << "\n" << out;
    }
  }
  // By hand: t1 has 5 running words, "THE" twice; folder a has 10, "CAT" twice in two texts.
  auto t1 = Read(Path("1zip/t1.lst"));
  EXPECT_EQ(t1->Stats().Overall_stats.data.running_words, 5);
  EXPECT_EQ(RowOf(t1->Words(), u"THE"), std::make_pair(2, 1));
  auto a = Read(Path("4zip/these files (a).lst"));
  EXPECT_EQ(a->Stats().Overall_stats.data.running_words, 10);
  EXPECT_EQ(RowOf(a->Words(), u"CAT"), std::make_pair(2, 2));
  EXPECT_EQ(RowOf(a->Words(), u"BIRD").first, -1);
}

// Import: "word<TAB>frequency" lines through the word-length limits, the stop list and the lemma
// list. Lines: cat 3, cats 2, dog 4, the 6, hippopotamus 1 (cut at 8 letters) = 16 running words.
TEST_F(WordlistToolLists, ImportCountsThroughWordLengthsStopAndLemmaLists) {
  Text("words.txt", "\xEF\xBB\xBF" "cat\t3\r\ncats\t2\ndog\t4\nthe\t6\nhippopotamus\t1\n");
  Text("stops.txt", "the\n");
  Text("lemmas.txt", "cat -> cats\n");
  ASSERT_EQ(Run({"settings", "max-word-length=8"}).code, 0);
  const std::string plain = Ok({"import", Path("words.txt"), "-o", Path("plain.lst")});
  EXPECT_NE(plain.find("plain.lst: 5 words, 16 running words, imported from"), std::string::npos) << plain;
  auto p = Read(Path("plain.lst"));
  EXPECT_EQ(RowOf(p->Words(), u"hippopo+"), std::make_pair(1, 0));
  EXPECT_EQ(RowOf(p->Words(), u"the").first, 6);

  ASSERT_EQ(Run({"settings", "stop-list=" + Path("stops.txt"), "lemma-list=" + Path("lemmas.txt")}).code, 0);
  const std::string both = Ok({"import", Path("words.txt"), "-o", Path("both.lst")});
  EXPECT_NE(both.find("lemma list: 1 forms joined under 1 heads"), std::string::npos) << both;
  auto b = Read(Path("both.lst"));
  EXPECT_EQ(RowOf(b->Words(), u"the").first, -1);
  EXPECT_EQ(RowOf(b->Words(), u"cats").first, -1);
  EXPECT_EQ(b->Words().Count(), 3);
  // "cats" joins "cat", which keeps its own 3: the lemma counts 3 + 2 once, as a list of texts does.
  EXPECT_EQ(LemmaOf(b->Words(), u"cat"), "3 cats 2");
  EXPECT_EQ(b->Words().CorrectFreq(b->Words().Find_WordStr(u"cat", true), true), 5);
  // A consistency list of two such imports counts the lemma 5 in each: 10, not 14.
  Ok({"import", Path("words.txt"), "-o", Path("both2.lst")});
  Ok({"consistency", Path("both.lst"), Path("both2.lst"), "-o", Path("dc.lst")});
  auto dc = Read(Path("dc.lst"));
  int32_t cat_total = -1;
  for (int i = 0; i < dc->DetailedConsistency().Count(); ++i)
    if (const auto* e = dc->DetailedConsistency().Row(i); e && FoldCaseU(e->MainWordOnly()) == FoldCaseU(u"cat"))
      cat_total = e->MainWordFrequency();
  EXPECT_EQ(cat_total, 10);
  ASSERT_EQ(Run({"settings", "stop-list=none", "lemma-list=none"}).code, 0);
}

// Three case forms side by side, the rarest in the middle (CAT 2, Cat 1, cat 3): merged as equal
// words they make one row of 6, and the list keeps its 7 running words' worth of frequencies.
TEST_F(WordlistToolLists, EqualWordsMergedKeepTheTotalOfTheirFrequencies) {
  Text("words.txt", "CAT\t2\nCat\t1\ncat\t3\ndog\t1\n");
  ASSERT_EQ(Run({"settings", "case-sensitive=yes"}).code, 0);
  Ok({"import", Path("words.txt"), "-o", Path("w.lst")});
  ASSERT_EQ(Run({"settings", "case-sensitive=no"}).code, 0);
  const std::string out = Ok({"merge", Path("w.lst"), "-o", Path("m.lst"), "--equal-words", "merge"});
  EXPECT_NE(out.find("m.lst: 2 words from 1 word lists, 2 equal words merged"), std::string::npos) << out;
  auto m = Read(Path("m.lst"));
  ASSERT_EQ(m->Words().Count(), 2);
  EXPECT_EQ(FoldCaseU(m->Words().Row(0)->data.word), FoldCaseU(u"cat"));
  EXPECT_EQ(m->Words().Row(0)->data.frequency, 6);
  EXPECT_EQ(m->Words().Row(1)->data.frequency, 1);
  EXPECT_EQ(m->Words().ComputedCurrentTokens(), 7);
}

// Two lemmatised lists merged are the lemmatised list of all their texts: t1 "the state governs
// the states. states govern." and t2 "a state and two states governed by the state.", lemmas
// state -> states and govern -> governs, governed. By hand: STATE 1 + 2 in 2 texts with STATES
// 2 + 1 in 2 texts; GOVERN 1 (t1; t2 has only "governed", under a head of 0) with GOVERNS 1 and
// GOVERNED 1; THE 2 + 1.
TEST_F(WordlistToolLists, MergedLemmatisedListsAreTheListOfAllTheirTexts) {
  Text("a/t1.txt", "the state governs the states. states govern.\n");
  Text("b/t2.txt", "a state and two states governed by the state.\n");
  Text("lemmas.txt", "state -> states\ngovern -> governs, governed\n");
  ASSERT_EQ(Run({"settings", "lemma-list=" + Path("lemmas.txt")}).code, 0);
  Ok({"list", Path("a"), "-o", Path("a.lst")});
  Ok({"list", Path("b"), "-o", Path("b.lst")});
  Ok({"list", Path("a"), Path("b"), "-o", Path("ab.lst")});
  Ok({"merge", Path("a.lst"), Path("b.lst"), "-o", Path("m.lst")});
  auto m = Read(Path("m.lst"));
  auto ab = Read(Path("ab.lst"));
  EXPECT_EQ(LemmaOf(m->Words(), u"STATE"), "3/2 STATES 3/2");
  EXPECT_EQ(LemmaOf(m->Words(), u"GOVERN"), "1/1 GOVERNED 1/1 GOVERNS 1/1");
  EXPECT_EQ(LemmaOf(m->Words(), u"THE"), "3/2");
  EXPECT_EQ(RowOf(m->Words(), u"GOVERNED").first, -1);
  ASSERT_EQ(m->Words().Count(), ab->Words().Count());
  for (int i = 0; i < ab->Words().Count(); ++i)
    EXPECT_EQ(LemmaOf(m->Words(), ab->Words().Row(i)->data.word), LemmaOf(ab->Words(), ab->Words().Row(i)->data.word))
        << Utf16ToUtf8(ab->Words().Row(i)->data.word);
  EXPECT_EQ(m->Stats().Overall_stats.data.running_words, 16);
  ASSERT_EQ(Run({"settings", "lemma-list=none"}).code, 0);
}

// Merge: word lists add their counts word by word; the clean-ups merge or part equal words and
// delete tagged or untagged rows.
TEST_F(WordlistToolLists, MergeAddsCountsAndCleansEqualAndTaggedWords) {
  Text("a/t1.txt", "the cat saw the dog\n");
  Text("b/t2.txt", "a dog and a cat\n");
  Ok({"list", Path("a"), "-o", Path("a.lst")});
  Ok({"list", Path("b"), "-o", Path("b.lst")});
  const std::string merged = Ok({"merge", Path("a.lst"), Path("b.lst"), "-o", Path("m.lst")});
  EXPECT_NE(merged.find("m.lst: 6 words from 2 word lists"), std::string::npos) << merged;
  auto m = Read(Path("m.lst"));
  EXPECT_EQ(RowOf(m->Words(), u"CAT"), std::make_pair(2, 2));
  EXPECT_EQ(RowOf(m->Words(), u"THE"), std::make_pair(2, 1));
  EXPECT_EQ(RowOf(m->Words(), u"A"), std::make_pair(2, 1));
  EXPECT_EQ(m->Stats().Count(), 2);

  // Equal words: "The" and "the" counted apart, then judged without case.
  Text("words.txt", "<b>bird\t4\nThe\t1\nthe\t5\ncat\t3\n");
  ASSERT_EQ(Run({"settings", "case-sensitive=yes"}).code, 0);
  Ok({"import", Path("words.txt"), "-o", Path("w.lst")});
  ASSERT_EQ(Run({"settings", "case-sensitive=no"}).code, 0);
  struct TCase {
    std::vector<std::string> options;
    std::string says;
    int32_t rows;
    std::vector<std::pair<std::u16string, int32_t>> frequencies;  // -1: no such row
  };
  const std::vector<TCase> cases{
      {{"--equal-words", "merge"}, "3 words from 1 word lists, 1 equal words merged", 3, {{u"the", 6}, {u"The", -1}}},
      {{"--equal-words", "apart"}, "4 words from 1 word lists, 1 equal words kept apart", 4,
       {{u"the", 5}, {u"The\u200B", 1}}},
      {{"--tagged", "delete"}, "3 words from 1 word lists, 1 tagged words deleted", 3, {{u"<b>bird", -1}, {u"cat", 3}}},
      {{"--tagged", "keep"}, "1 words from 1 word lists, 3 untagged words deleted", 1, {{u"<b>bird", 4}, {u"cat", -1}}},
  };
  for (const TCase& c : cases) {
    std::vector<std::string> args{"merge", Path("w.lst"), "-o", Path("clean.lst")};
    args.insert(args.end(), c.options.begin(), c.options.end());
    const std::string out = Ok(args);
    EXPECT_NE(out.find(c.says), std::string::npos) << out;
    auto doc = Read(Path("clean.lst"));
    EXPECT_EQ(doc->Words().Count(), c.rows) << c.says;
    for (const auto& [word, f] : c.frequencies) EXPECT_EQ(RowOf(doc->Words(), word).first, f) << c.says;
  }

  // Three equal neighbours kept apart: cat (the most frequent) stays, the other two each get
  // their own mark, and no two of them are the same word once case is set aside.
  Text("three.txt", "CAT\t2\nCat\t1\ncat\t3\n");
  ASSERT_EQ(Run({"settings", "case-sensitive=yes"}).code, 0);
  Ok({"import", Path("three.txt"), "-o", Path("three.lst")});
  ASSERT_EQ(Run({"settings", "case-sensitive=no"}).code, 0);
  const std::string apart = Ok({"merge", Path("three.lst"), "--equal-words", "apart", "-o", Path("apart.lst")});
  EXPECT_NE(apart.find("3 words from 1 word lists, 2 equal words kept apart"), std::string::npos) << apart;
  auto three = Read(Path("apart.lst"));
  std::map<std::u16string, std::pair<int32_t, size_t>> marks;  // word -> (frequency, marks after it)
  for (int i = 0; i < three->Words().Count(); ++i) {
    const std::u16string& w = three->Words().Row(i)->data.word;
    const size_t end = w.find_last_not_of(u'\u200B') + 1;
    marks[w.substr(0, end)] = {three->Words().Row(i)->data.frequency, w.size() - end};
  }
  ASSERT_EQ(marks.size(), 3u);
  EXPECT_EQ(marks[u"cat"], std::make_pair(3, size_t{0}));
  EXPECT_EQ(marks[u"CAT"].first, 2);
  EXPECT_EQ(marks[u"Cat"].first, 1);
  EXPECT_GE(std::min(marks[u"CAT"].second, marks[u"Cat"].second), 1u);
  EXPECT_NE(marks[u"CAT"].second, marks[u"Cat"].second);
}

// Merge of consistency lists and of relationships of one index; lists of two kinds are refused.
TEST_F(WordlistToolLists, MergeTakesEveryKindOfOneKind) {
  Text("a/t1.txt", "the cat saw the dog\n");
  Text("b/t2.txt", "a dog and a cat\n");
  Text("c/t3.txt", "the bird\n");
  for (const char* f : {"a", "b", "c"}) Ok({"list", Path(f), "-o", Path(std::string(f) + ".lst")});
  Ok({"consistency", Path("a.lst"), Path("b.lst"), "-o", Path("ab.lst")});
  Ok({"consistency", Path("c.lst"), Path("a.lst"), "-o", Path("ca.lst")});
  const std::string dc = Ok({"merge", Path("ab.lst"), Path("ca.lst"), "-o", Path("dc.lst")});
  EXPECT_NE(dc.find("in 4 lists from 2 consistency lists"), std::string::npos) << dc;

  ASSERT_EQ(Run({"settings", "relationship-min-joint-frequency=1", "relationship-min-frequency-word2=1",
                 "base-word-min-frequency=1"})
                .code,
            0);
  Ok({"index", Path("a"), Path("b"), "-o", Path("idx")});
  Ok({"relationships", Path("idx"), "cat", "-o", Path("r1.lst")});
  Ok({"relationships", Path("idx"), "dog", "-o", Path("r2.lst")});
  const auto pairs = [&](const std::string& f) { return Read(Path(f))->Relationships().Count(); };
  const std::string rel = Ok({"merge", Path("r1.lst"), Path("r2.lst"), "-o", Path("r.lst")});
  EXPECT_EQ(pairs("r.lst"), pairs("r1.lst") + pairs("r2.lst")) << rel;

  const TRun mixed = Run({"merge", Path("a.lst"), Path("ab.lst"), "-o", Path("x.lst")});
  EXPECT_EQ(mixed.code, kWordlistToolFailed);
  EXPECT_NE(mixed.err.find("a consistency list cannot join " + Path("a.lst")), std::string::npos) << mixed.err;
  EXPECT_FALSE(std::filesystem::exists(Path("x.lst")));
}

// The lemma list on the word-list side. Texts: t1 "the cat saw the dogs. cats ran. a dog ran to the
// cat." and t2 "dogs run"; lemmas dog->dogs, cat->cats, run->ran,runs ("runs" is in no text).
TEST_F(WordlistToolLists, TheLemmaListJoinsFormsInListsIndexesAndConsistency) {
  Text("l/t1.txt", "the cat saw the dogs. cats ran. a dog ran to the cat.\n");
  Text("l/t2.txt", "dogs run\n");
  Text("lemmas.txt", "dog -> dogs\ncat -> cats\nrun -> ran, runs\n");
  Ok({"list", Path("l"), "-o", Path("plain.lst")});
  Ok({"list", Path("l"), "-o", Path("plain2.lst")});
  ASSERT_EQ(Run({"settings", "lemma-list=" + Path("lemmas.txt")}).code, 0);
  const std::string list = Ok({"list", Path("l"), "-o", Path("lemmas.lst")});
  EXPECT_NE(list.find("lemma list: 3 forms joined under 3 heads"), std::string::npos) << list;
  // Ten words in the texts, seven rows in the file: dogs, cats and ran are saved under their heads.
  EXPECT_NE(list.find("lemmas.lst: 7 words, 15 running words, 2 texts"), std::string::npos) << list;
  auto doc = Read(Path("lemmas.lst"));
  TVXWordList& words = doc->Words();
  EXPECT_EQ(words.Count(), 7);
  for (int i = 0; i < words.Count(); ++i)
    if (words.Row(i)->data.word == u"DOG") {
      EXPECT_TRUE(words.GetHasJoined(i));
      EXPECT_EQ(words.CorrectFreq(i, true), 3);  // dog once, dogs twice
    }

  const std::string index = Ok({"index", Path("l"), "-o", Path("idx")});
  EXPECT_NE(index.find("lemma list: 3 forms joined under 3 heads"), std::string::npos) << index;

  // The lemma's texts from the index: DOG is in t1 alone, its lemma (dogs) in both.
  const std::string counted = Ok({"list", Path("l"), "-o", Path("texts.lst"), "--lemma-texts", Path("idx")});
  EXPECT_NE(counted.find("texts of each lemma counted in the index"), std::string::npos) << counted;
  EXPECT_EQ(RowOf(Read(Path("lemmas.lst"))->Words(), u"DOG").second, 1);
  EXPECT_EQ(RowOf(Read(Path("texts.lst"))->Words(), u"DOG").second, 2);
  EXPECT_EQ(RowOf(Read(Path("texts.lst"))->Words(), u"RUN").second, 2);
  const TRun no_index = Run({"list", Path("l"), "-o", Path("none.lst"), "--lemma-texts", Path("nowhere")});
  EXPECT_EQ(no_index.code, kWordlistToolFailed);
  EXPECT_NE(no_index.err.find(Path("nowhere") + ": not an index that can be read"), std::string::npos) << no_index.err;
  EXPECT_FALSE(std::filesystem::exists(Path("none.lst")));

  // Consistency under the lemma list: the forms' rows are joined under their heads' rows.
  Ok({"consistency", Path("plain.lst"), Path("plain2.lst"), "-o", Path("dc.lst")});
  auto dc = Read(Path("dc.lst"));
  TDetailedConsistencyList& consistency = dc->DetailedConsistency();
  std::vector<std::u16string> under_dog;
  for (int i = 0; i < consistency.Count(); ++i)
    if (consistency.Row(i) && consistency.Row(i)->MainWordOnly() == u"DOG")
      for (const TVXBaseListObject* form : consistency.Row(i)->JoinedEntries()) under_dog.push_back(form->MainWordOnly());
  EXPECT_EQ(under_dog, std::vector<std::u16string>{u"DOGS"});

  // Clusters joined by length: every two-word cluster under the three-word one holding it.
  ASSERT_EQ(Run({"settings", "lemma-list=none", "cluster-min-size=2", "cluster-max-size=3", "cluster-min-frequency=1",
                 "base-word-min-frequency=1"})
                .code,
            0);
  Text("k/t.txt", "big red dog\n");
  Ok({"index", Path("k"), "-o", Path("kidx")});
  const std::string joined = Ok({"clusters", Path("kidx"), "--join", "shorter", "-o", Path("kc.lst")});
  EXPECT_NE(joined.find("2 clusters joined under longer ones"), std::string::npos) << joined;

  std::filesystem::remove(Path("lemmas.txt"));
  ASSERT_EQ(Run({"settings", "lemma-list=none"}).code, 0);
}

// The collocates of each word of a list within the stored limits: three texts of "the cat saw the
// dog. the cat ran. a dog ran to the cat." (14 words, "cat" three times, "the" just before it each
// time).
TEST_F(WordlistToolLists, CollocatesOfAWholeWordListFollowTheStoredLimits) {
  for (const char* t : {"c/t1.txt", "c/t2.txt", "c/t3.txt"}) Text(t, "the cat saw the dog. the cat ran. a dog ran to the cat.\n");
  Ok({"list", Path("c"), "-o", Path("c.lst")});
  const std::string all = Ok({"collocates", Path("c.lst"), "-o", Path("all")});
  EXPECT_NE(all.find("7 collocate files in " + Path("all") + " (of 7 words, 3 texts)"), std::string::npos) << all;
  const std::string cat = wordlist_tool_test::ReadAll(Path("all/CAT.txt"));
  ASSERT_GE(cat.size(), 2u);
  std::u16string text;
  for (size_t i = 2; i + 1 < cat.size(); i += 2)
    text.push_back(static_cast<char16_t>(static_cast<uint8_t>(cat[i]) | (static_cast<uint8_t>(cat[i + 1]) << 8)));
  EXPECT_EQ(text.rfind(u"Collocates of CAT\n", 0), 0u);
  // THE: 18 in all, 9 of them at L1.
  EXPECT_NE(text.find(u"\nTHE\t"), std::u16string::npos);
  // The words made on one worker and on three: the same files, byte for byte.
  Ok({"collocates", Path("c.lst"), "-o", Path("one"), "--threads", "1"});
  Ok({"collocates", Path("c.lst"), "-o", Path("three"), "--threads", "3"});
  size_t files = 0;
  for (const auto& f : std::filesystem::directory_iterator(Path("all"))) {
    const std::string name = f.path().filename().string();
    ++files;
    EXPECT_EQ(wordlist_tool_test::ReadAll(Path("one/" + name)), wordlist_tool_test::ReadAll(f.path().string())) << name;
    EXPECT_EQ(wordlist_tool_test::ReadAll(Path("three/" + name)), wordlist_tool_test::ReadAll(f.path().string())) << name;
  }
  EXPECT_EQ(files, 7u);

  // Only words found at least 9 times: CAT and THE.
  TWordListCollocatesChoice choice = CurrentWordListCollocates();
  choice.bounds[2].least = 9;
  ASSERT_TRUE(ApplyWordListCollocates(choice).empty());
  const std::string few = Ok({"collocates", Path("c.lst"), "-o", Path("few")});
  EXPECT_NE(few.find("2 collocate files"), std::string::npos) << few;
  EXPECT_TRUE(std::filesystem::exists(Path("few/CAT.txt")));
  EXPECT_TRUE(std::filesystem::exists(Path("few/THE.txt")));
  EXPECT_FALSE(std::filesystem::exists(Path("few/DOG.txt")));
}

}  // namespace

namespace {

// Numbers counted as "#" and left out of word 2 of every pair, listed one way or both ways.
TEST_F(WordlistToolLists, NumbersLeftOutAreNeverWordTwo) {
  Text("n/t1.txt", "in 1990 the cat saw 12 dogs and in 2001 the cat ran 7 miles. the dog had 3 cats in 1990.\n");
  ASSERT_EQ(Run({"settings", "numbers=no", "relationship-min-joint-frequency=1", "relationship-min-frequency-word2=1",
                 "base-word-min-frequency=1"})
                .code,
            0);
  Ok({"index", Path("n"), "-o", Path("idx")});
  struct TCase {
    std::string exclude, both_ways;
    bool hash_as_word2;
  };
  for (const TCase& c : std::vector<TCase>{{"no", "no", true}, {"yes", "no", false}, {"yes", "yes", false}}) {
    ASSERT_EQ(Run({"settings", "relationship-exclude-numbers=" + c.exclude, "relationship-both-ways=" + c.both_ways}).code, 0);
    Ok({"relationships", Path("idx"), "-o", Path("r.lst")});
    auto doc = Read(Path("r.lst"));
    int hash_word2 = 0, hash_word1 = 0;
    for (int i = 0; i < doc->Relationships().Count(); ++i) {
      hash_word2 += doc->Relationships().Row(i)->word2 == u"#" ? 1 : 0;
      hash_word1 += doc->Relationships().Row(i)->word1 == u"#" ? 1 : 0;
    }
    EXPECT_EQ(hash_word2 > 0, c.hash_as_word2) << c.exclude << c.both_ways << " " << hash_word2 << " of "
                                                << doc->Relationships().Count();
    EXPECT_GT(hash_word1, 0) << c.exclude << c.both_ways;
  }
}

}  // namespace

namespace {

// Each word-list setting the runs read, changed through "settings", changes the list it should.
TEST_F(WordlistToolLists, WordListSettingsChangeTheListsMade) {
  Text("t/t.txt", "The Cat saw the hippo and the dog\n");
  Text("stops.txt", "the\n");
  struct TCase {
    std::vector<std::string> settings;
    int32_t rows;
    int32_t running_words;
    std::vector<std::pair<std::u16string, int32_t>> frequencies;  // -1: no such row
  };
  const std::vector<TCase> cases{
      {{}, 6, 8, {{u"THE", 3}, {u"HIPPO", 1}}},
      // Words of more than 3 letters cut and marked, or kept whole.
      {{"max-word-length=3"}, 6, 8, {{u"HI+", 1}, {u"HIPPO", -1}}},
      {{"max-word-length=3", "exact-word-length=yes"}, 6, 8, {{u"HI+", -1}, {u"HIPPO", 1}}},
      // Words beginning with a small letter are no words: "The" and "Cat" stay.
      {{"cut-lower-case=yes"}, 2, 2, {{u"THE", 1}, {u"SAW", -1}}},
      // The stop list applied while counting: its words leave the list, not the running words.
      {{"stop-list=STOPS", "stop-list-continuous=yes"}, 5, 8, {{u"THE", -1}, {u"DOG", 1}}},
  };
  const std::vector<std::string> reset{"max-word-length=50", "exact-word-length=no", "cut-lower-case=no",
                                       "stop-list=none", "stop-list-continuous=no"};
  for (const TCase& c : cases) {
    std::vector<std::string> args{"settings"};
    args.insert(args.end(), reset.begin(), reset.end());
    for (const std::string& s : c.settings) args.push_back(s == "stop-list=STOPS" ? "stop-list=" + Path("stops.txt") : s);
    ASSERT_EQ(Run(args).code, 0);
    Ok({"list", Path("t"), "-o", Path("t.lst")});
    auto doc = Read(Path("t.lst"));
    std::string name;
    for (const std::string& s : c.settings) name += s + " ";
    EXPECT_EQ(doc->Words().Count(), c.rows) << name;
    EXPECT_EQ(doc->Stats().Overall_stats.data.running_words, c.running_words) << name;
    for (const auto& [word, f] : c.frequencies) EXPECT_EQ(RowOf(doc->Words(), word).first, f) << name;
  }

  // The standardised type/token ratio's basis and the dispersion's sections.
  ASSERT_EQ(Run({"settings", "stop-list=none", "ratio-basis=4", "dispersion-divisions=1"}).code, 0);
  Ok({"list", Path("t"), "-o", Path("one.lst")});
  ASSERT_EQ(Run({"settings", "dispersion-divisions=8"}).code, 0);
  Ok({"list", Path("t"), "-o", Path("eight.lst")});
  auto one = Read(Path("one.lst")), eight = Read(Path("eight.lst"));
  EXPECT_EQ(one->Stats().Overall_stats.data.ratio_basis, 4);
  auto dispersion = [](TVXWordList& w, UStringView word) {
    for (int i = 0; i < w.Count(); ++i)
      if (w.Row(i)->data.word == word) return w.Row(i)->data.dispersion;
    return -1.0f;
  };
  // One section: every word is spread evenly over it; eight: "the" less than fully.
  EXPECT_FLOAT_EQ(dispersion(one->Words(), u"THE"), dispersion(one->Words(), u"DOG"));
  EXPECT_NE(dispersion(one->Words(), u"THE"), dispersion(eight->Words(), u"THE"));
}

}  // namespace

namespace {

// Each relationship setting, and the first filter of base words, changes the pairs as it says.
// Text (13 running words): THE 4, CAT 3, SAW 2, DOG 2, A 1, RAN 1.
TEST_F(WordlistToolLists, RelationshipSettingsChangeThePairs) {
  Text("r/t.txt", "The cat saw the dog. The dog saw a cat. The cat ran.\n");
  const std::vector<std::string> base{"relationship-min-joint-frequency=1", "relationship-min-frequency-word2=1",
                                      "relationship-max-percent=100",      "base-word-min-frequency=1",
                                      "relationship-stop-at=2",            "relationship-all-must-pass=no",
                                      "relationship-min-dice=0",           "relationship-both-ways=no",
                                      "relationship-min-mi=0"};
  std::vector<std::string> args{"settings"};
  args.insert(args.end(), base.begin(), base.end());
  ASSERT_EQ(Run(args).code, 0);
  Ok({"index", Path("r"), "-o", Path("idx")});
  struct TCase {
    std::vector<std::string> settings;
    std::function<bool(const TRelationshipEntry&)> every_pair;  // holds for every pair made
    std::function<bool(const TRelationshipEntry&)> some_before;  // held for a pair before the change
  };
  auto word1_is = [](std::u16string w) { return [w](const TRelationshipEntry& e) { return e.word1 == w; }; };
  auto pair_is = [](std::u16string a, std::u16string b) {
    return [a, b](const TRelationshipEntry& e) { return e.word1 == a && e.word2 == b; };
  };
  const std::vector<TCase> cases{
      {{"relationship-min-frequency-word2=2"}, [](const TRelationshipEntry& e) { return e.data.freq2 >= 2; },
       [](const TRelationshipEntry& e) { return e.data.freq2 < 2; }},
      // THE is 4 of 13 running words, above 25 percent.
      {{"relationship-max-percent=25"}, [&](const TRelationshipEntry& e) { return !word1_is(u"THE")(e); }, word1_is(u"THE")},
      {{"base-word-min-frequency=3"}, [](const TRelationshipEntry& e) { return e.word1 == u"THE" || e.word1 == u"CAT"; },
       word1_is(u"DOG")},
      // A and RAN meet only across a sentence end.
      {{"relationship-stop-at=0"}, [](const TRelationshipEntry&) { return true; }, nullptr},
      // Every measure must pass: Dice at least 0.5, the others at least a value none is below.
      {{"relationship-all-must-pass=yes", "relationship-min-dice=0.5", "relationship-min-mi=-1e6",
        "relationship-min-mi3=-1e6", "relationship-min-z-score=-1e6", "relationship-min-log-likelihood=-1e6",
        "relationship-min-t-score=-1e6", "relationship-min-log-ratio=-1e6", "relationship-min-cond-prob-a=-1e6",
        "relationship-min-cond-prob-b=-1e6", "relationship-min-delta-p-a=-1e6", "relationship-min-delta-p-b=-1e6"},
       [](const TRelationshipEntry& e) { return e.data.stats[0] >= 0.5f; },
       [](const TRelationshipEntry& e) { return e.data.stats[0] < 0.5f; }},
  };
  Ok({"relationships", Path("idx"), "-o", Path("before.lst")});
  auto before = Read(Path("before.lst"));
  auto any_in = [](T_WholeWordlistHolder& d, const std::function<bool(const TRelationshipEntry&)>& f) {
    for (int i = 0; i < d.Relationships().Count(); ++i)
      if (f(*d.Relationships().Row(i))) return true;
    return false;
  };
  EXPECT_FALSE(any_in(*before, pair_is(u"A", u"RAN")));
  for (const TCase& c : cases) {
    std::vector<std::string> change{"settings"};
    change.insert(change.end(), base.begin(), base.end());
    change.insert(change.end(), c.settings.begin(), c.settings.end());
    ASSERT_EQ(Run(change).code, 0);
    Ok({"relationships", Path("idx"), "-o", Path("after.lst")});
    auto after = Read(Path("after.lst"));
    const std::string name = c.settings[0];
    ASSERT_GT(after->Relationships().Count(), 0) << name;
    if (c.some_before) {
      EXPECT_TRUE(any_in(*before, c.some_before)) << name;
      EXPECT_LT(after->Relationships().Count(), before->Relationships().Count()) << name;
    }
    for (int i = 0; i < after->Relationships().Count(); ++i)
      EXPECT_TRUE(c.every_pair(*after->Relationships().Row(i))) << name << " " << Utf16ToUtf8(after->Relationships().Row(i)->word1);
    if (name == "relationship-stop-at=0") {
      EXPECT_TRUE(any_in(*after, pair_is(u"A", u"RAN")));
    }
  }
}

// The consistency list's least total: words met fewer times over all lists are left out.
TEST_F(WordlistToolLists, ConsistencyKeepsWordsOfTheLeastTotal) {
  Text("a/t.txt", "the cat saw the dog\n");
  Text("b/t.txt", "the dog ran\n");
  Ok({"list", Path("a"), "-o", Path("a.lst")});
  Ok({"list", Path("b"), "-o", Path("b.lst")});
  struct TCase {
    std::string least;
    int32_t words;  // THE 3, DOG 2, CAT 1, SAW 1, RAN 1
  };
  for (const TCase& c : std::vector<TCase>{{"1", 5}, {"2", 2}, {"3", 1}, {"4", 0}}) {
    ASSERT_EQ(Run({"settings", "consistency-min-total=" + c.least}).code, 0);
    const TRun run = Run({"consistency", Path("a.lst"), Path("b.lst"), "-o", Path("dc.lst")});
    if (c.words == 0) continue;  // nothing to list: the run may refuse it
    ASSERT_EQ(run.code, 0) << run.err;
    EXPECT_EQ(Read(Path("dc.lst"))->DetailedConsistency().Count(), c.words) << c.least;
  }
}

}  // namespace

namespace {

// A UTF-8 text is converted to UTF-16 on disk and counted again only when the settings ask the
// question and the run answers it yes; its words are the same either way ("café" twice, "naïve"
// once).
TEST_F(WordlistToolLists, TheUtf8QuestionConvertsTheTextWhenAskedAndAnsweredYes) {
  const std::string utf8 = "\xEF\xBB\xBF" "caf\xC3\xA9 na\xC3\xAFve caf\xC3\xA9\n";
  struct TCase {
    std::string question;
    bool answer_yes;
    bool converted;
  };
  for (const TCase& c : std::vector<TCase>{{"no", true, false}, {"yes", false, false}, {"yes", true, true}}) {
    Text("u/t.txt", utf8);
    ASSERT_EQ(Run({"settings", "utf8-question=" + c.question}).code, 0);
    std::vector<std::string> args{"list", Path("u"), "-o", Path("u.lst")};
    if (c.answer_yes) args.push_back("--convert-utf8");
    const TRun run = Run(args);
    ASSERT_EQ(run.code, 0) << run.err;
    EXPECT_EQ(run.out.find("1 UTF-8 texts converted to UTF-16") != std::string::npos, c.converted) << run.out;
    const std::string bytes = wordlist_tool_test::ReadAll(Path("u/t.txt"));
    EXPECT_EQ(bytes.rfind("\xFF\xFE", 0) == 0, c.converted) << c.question;
    auto doc = Read(Path("u.lst"));
    EXPECT_EQ(RowOf(doc->Words(), u"CAF\u00C9").first, 2) << c.question;
    EXPECT_EQ(doc->Words().Count(), 2) << c.question;
  }
}

// Bad input: named, exit 1 (or 2 for a usage error), nothing written.
TEST_F(WordlistToolLists, BadInputIsNamedAndWritesNothing) {
  Text("a/t.txt", "the cat\n");
  Ok({"list", Path("a"), "-o", Path("a.lst")});
  Ok({"consistency", Path("a.lst"), Path("a.lst"), "-o", Path("dc.lst")});
  Text("cut.lst", wordlist_tool_test::ReadAll(Path("a.lst")).substr(0, 200));
  Text("binary.txt", std::string("cat\t1\n\0\0\x01", 9));
  Text("bad_count.txt", "cat\t3\ndog\tmany\n");
  Text("lemmas.txt", "dog -> dogs\n");
  Text("not_a_folder", "x");
  const std::string unwritable = "/proc/no_such_folder/x.lst";
  struct TCase {
    std::vector<std::string> args;
    int code;
    std::string says;
    std::string not_written;
  };
  const std::vector<TCase> cases{
      {{"import", Path("none.txt"), "-o", Path("i.lst")}, 1, "no such file: " + Path("none.txt"), "i.lst"},
      {{"import", Path("binary.txt"), "-o", Path("i.lst")}, 1, Path("binary.txt") + ": binary, not a text file", "i.lst"},
      {{"import", Path("bad_count.txt"), "-o", Path("i.lst")}, 1, Path("bad_count.txt") + ", line 2", "i.lst"},
      {{"import", Path("bad_count.txt"), "-o", unwritable}, 1, "", ""},
      {{"merge", Path("a.lst"), Path("none.lst"), "-o", Path("m.lst")}, 1, "no such word list: " + Path("none.lst"), "m.lst"},
      {{"merge", Path("a.lst"), Path("cut.lst"), "-o", Path("m.lst")}, 1, Path("cut.lst") + ": not a word list", "m.lst"},
      {{"merge", Path("a.lst"), Path("binary.txt"), "-o", Path("m.lst")}, 1, Path("binary.txt") + ": not a word list",
       "m.lst"},
      {{"merge", Path("a.lst"), Path("dc.lst"), "-o", Path("m.lst")}, 1, Path("dc.lst") + ": a consistency list cannot join",
       "m.lst"},
      {{"merge", Path("dc.lst"), "-o", Path("m.lst"), "--tagged", "delete"}, 1, "clean word lists, not a consistency list",
       "m.lst"},
      {{"merge", Path("a.lst"), Path("a.lst"), "-o", Path("m.lst")}, 1, "named twice", "m.lst"},
      {{"merge", Path("a.lst"), "--tagged", "keep", "-o", "/proc/x.lst"}, 1, "could not write /proc/x.lst", ""},
      {{"merge", Path("a.lst"), "-o", Path("m.lst")}, 2, "merge needs two lists or more, or one to clean", "m.lst"},
      {{"collocates", Path("dc.lst"), "-o", Path("c")}, 1, Path("dc.lst") + ": a consistency list, not a word list", "c"},
      {{"collocates", Path("cut.lst"), "-o", Path("c")}, 1, Path("cut.lst") + ": not a word list", "c"},
      {{"collocates", Path("a.lst"), "-o", Path("not_a_folder")}, 1, "a file, not a folder", ""},
      {{"list", Path("a"), "--batch", "1", "-o", Path("not_a_folder")}, 1, "a file, not a folder", ""},
      {{"list", Path("a"), "--batch", "1", "-o", "/proc/no_such/batch"}, 1, "no such folder for /proc/no_such/batch", ""},
      {{"list", Path("a"), "--batch", "4", "-o", Path("b")}, 2, "--batch needs 1 or 2 or 3, not \"4\"", "b"},
      {{"index", Path("a"), "--batch", "1", "-o", Path("b")}, 2, "--batch is an option of list, not of index", "b"},
      {{"list", Path("a"), "--zip", "-o", Path("b.lst")}, 2, "--zip needs --batch", "b.lst"},
      {{"merge", Path("a.lst"), "--convert-utf8", "-o", Path("m.lst")}, 2, "--convert-utf8 is an option of list and index",
       "m.lst"},
      {{"merge", Path("a.lst"), "--equal-words", "fold", "-o", Path("m.lst")}, 2, "--equal-words needs merge or apart", "m.lst"},
      {{"clusters", Path("idx"), "--join", "sideways"}, 2, "--join needs shorter or longer", ""},
      {{"list", Path("a"), "-o", Path("l.lst"), "--lemma-texts", Path("idx")}, 1, "--lemma-texts needs a lemma list", "l.lst"},
      {{"import", "-o", Path("i.lst")}, 2, "import needs WORDS.txt", "i.lst"},
      {{"settings", "lemma-list=" + Path("nowhere.txt")}, 1, "lemma-list needs a file that exists", ""},
      {{"settings", "dispersion-divisions=0"}, 1, "dispersion-divisions needs a whole number from 1 to 100", ""},
      {{"settings", "relationship-min-mi=high"}, 1, "relationship-min-mi needs a number", ""},
      {{"settings", "relationship-max-percent=101"}, 1, "relationship-max-percent needs a percentage", ""},
  };
  for (const TCase& c : cases) {
    std::string line;
    for (const std::string& a : c.args) line += a + " ";
    const TRun run = Run(c.args);
    EXPECT_EQ(run.code, c.code) << line << "\n" << run.err;
    EXPECT_NE(run.err.find(c.says), std::string::npos) << line << "\n" << run.err;
    if (!c.not_written.empty()) {
      EXPECT_FALSE(std::filesystem::exists(Path(c.not_written))) << line;
    }
  }
  // A lemma list that is gone stops the commands that apply it, named; the settings keep it.
  ASSERT_EQ(Run({"settings", "lemma-list=" + Path("lemmas.txt")}).code, 0);
  std::filesystem::remove(Path("lemmas.txt"));
  for (const std::string& command : {std::string("list"), std::string("import")}) {
    const TRun run = Run({command, command == "list" ? Path("a") : Path("bad_count.txt"), "-o", Path("gone.lst")});
    EXPECT_EQ(run.code, 1) << command;
    EXPECT_NE(run.err.find("could not read the lemma list \"" + Path("lemmas.txt") + "\""), std::string::npos) << run.err;
    EXPECT_FALSE(std::filesystem::exists(Path("gone.lst")));
  }
  // A lemma list none of whose lines is a lemma (a stop list chosen by mistake) is refused by the
  // commands that would apply it, naming its first line, and nothing is written.
  Text("stops_as_lemmas.txt", "; my stop words\nthe\nand\n");
  ASSERT_EQ(Run({"settings", "lemma-list=" + Path("stops_as_lemmas.txt")}).code, 0);
  for (const std::string& command : {std::string("list"), std::string("import")}) {
    const TRun run = Run({command, command == "list" ? Path("a") : Path("bad_count.txt"), "-o", Path("nolemma.lst")});
    EXPECT_EQ(run.code, 1) << command;
    EXPECT_NE(run.err.find(Path("stops_as_lemmas.txt") + "\": no line of it is a lemma (\"head -> form, form\"); "
                           "its first line: \"the\""),
              std::string::npos)
        << run.err;
    EXPECT_FALSE(std::filesystem::exists(Path("nolemma.lst")));
  }
  ASSERT_EQ(Run({"settings", "lemma-list=none"}).code, 0);
  // A merge that cannot be written leaves the old file as it was.
  const std::string before = wordlist_tool_test::ReadAll(Path("dc.lst"));
  EXPECT_EQ(Run({"merge", Path("a.lst"), "--tagged", "keep", "-o", Path("dc.lst/x")}).code, 1);
  EXPECT_EQ(wordlist_tool_test::ReadAll(Path("dc.lst")), before);
  const TRun help = Run({"--help"});
  for (const char* command : {"import", "merge", "collocates", "--batch", "--lemma-texts", "--join"})
    EXPECT_NE(help.out.find(command), std::string::npos) << command;
}

// "-o NAME" without an extension: each command writes NAME with its list's extension and its
// summary names that file; an output that is a device or a pipe is refused before any work, and
// nothing is made beside it.
TEST_F(WordlistToolLists, TheSummaryNamesTheFileWrittenAndASpecialFileIsRefused) {
  Text("a/t1.txt", "the cat saw the dog\n");
  Text("b/t2.txt", "a dog and a cat\n");
  Text("words.txt", "cat\t3\ndog\t1\n");
  Ok({"list", Path("a"), "-o", Path("a.lst")});
  Ok({"list", Path("b"), "-o", Path("b.lst")});
  Ok({"index", Path("a"), "-o", Path("idx")});
  ASSERT_EQ(Run({"settings", "cluster-min-size=2", "cluster-max-size=2", "cluster-min-frequency=1",
                 "base-word-min-frequency=1", "relationship-min-joint-frequency=1", "relationship-min-frequency-word2=1",
                 "relationship-max-percent=100", "relationship-all-must-pass=no", "relationship-min-dice=0"})
                .code,
            0);
  struct TCase {
    std::vector<std::string> args;  // -o and the name follow
    std::string written;            // the name with its extension
  };
  const std::vector<TCase> cases{
      {{"list", Path("a")}, Path("out_list.lst")},
      {{"clusters", Path("idx")}, Path("out_clusters.lst")},
      {{"relationships", Path("idx")}, Path("out_relationships.lst")},
      {{"consistency", Path("a.lst"), Path("b.lst")}, Path("out_consistency.lst")},
      {{"compare", Path("a.lst"), Path("b.lst")}, Path("out_compare.kws")},
      {{"merge", Path("a.lst"), Path("b.lst")}, Path("out_merge.lst")},
      {{"import", Path("words.txt")}, Path("out_import.lst")},
      {{"set-cell", Path("a.lst"), "1", "8", "x"}, Path("out_set-cell.lst")},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.args[0]);
    const std::string name = Path("out_" + c.args[0]);
    std::vector<std::string> args = c.args;
    args.insert(args.end(), {"-o", name});
    const std::string out = Ok(args);
    EXPECT_EQ(out.rfind(c.written + ": ", 0), 0u) << out;
    EXPECT_TRUE(std::filesystem::is_regular_file(c.written));
    EXPECT_FALSE(std::filesystem::exists(name));
  }
  // A pipe (named without an extension, and with one) and a device.
  ASSERT_EQ(::mkfifo(Path("pipe").c_str(), 0600), 0);
  ASSERT_EQ(::mkfifo(Path("pipe.lst").c_str(), 0600), 0);
  const std::vector<std::vector<std::string>> refused{
      {"compare", Path("a.lst"), Path("b.lst"), "-o", "/dev/full"},
      {"list", Path("a"), "-o", "/dev/full"},
      {"list", Path("a"), "-o", Path("pipe")},
      {"merge", Path("a.lst"), Path("b.lst"), "-o", Path("pipe.lst")},
      {"export", Path("idx"), "-o", Path("pipe")},
  };
  for (const std::vector<std::string>& args : refused) {
    SCOPED_TRACE(args[0] + " -o " + args.back());
    const TRun run = Run(args);
    EXPECT_EQ(run.code, 1) << run.err;
    EXPECT_NE(run.err.find(args.back() + " is a device or other special file, not a file to write"), std::string::npos)
        << run.err;
    EXPECT_EQ(run.out, "");
    for (const char* ext : {".lst", ".kws"}) {
      const std::string beside = args.back() + ext;
      const bool made = std::filesystem::exists(beside);
      EXPECT_EQ(made, beside == Path("pipe.lst")) << beside;  // that one is the pipe itself
      if (made && args.back() == "/dev/full") std::filesystem::remove(beside);
    }
  }
}

}  // namespace
