// linzora_wordlist's commands on saved lists, run as a process on small texts: a keyword list
// worked out by hand, every kind of list shown in two orders, a cell edited, the keywords
// settings, and bad input named with exit code 1 and nothing written.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "../model/text_reader_test_support.h"
#include "support/temp_folder.h"
#include "tools/wordlist_commands.h"
#include "wordlist/wordlist_tool_runner.h"
#include "wordlist/word_list_document.h"
#include "wordlist/wordlist_test_support.h"
#include "tools/wordlist_view_commands.h"
#include "keywords/keyword_list.h"

extern char** environ;

namespace {

using text_reader_test::ScopedSettings;

using TRun = wordlist_tool_test::TToolRun;
using wordlist_tool_test::ReadAll;

std::vector<std::string> Split(const std::string& text, char at) {
  std::vector<std::string> parts;
  std::string part;
  std::istringstream s(text);
  while (std::getline(s, part, at)) parts.push_back(part);
  if (!text.empty() && text.back() == at && at == '\t') parts.push_back("");
  return parts;
}

// The table "show" prints: its heading row and its rows, cells by heading.
struct TShown {
  std::string title, status;
  std::vector<std::string> headings;
  std::vector<std::vector<std::string>> rows;
  std::string Cell(size_t row, const std::string& heading) const {
    for (size_t c = 0; c < headings.size(); ++c)
      if (headings[c] == heading && row < rows.size() && c < rows[row].size()) return rows[row][c];
    return "?";
  }
  std::vector<std::string> Column(const std::string& heading) const {
    std::vector<std::string> cells;
    for (size_t r = 0; r < rows.size(); ++r) cells.push_back(Cell(r, heading));
    return cells;
  }
};

TShown Parse(const std::string& out) {
  TShown t;
  std::vector<std::string> lines = Split(out, '\n');
  if (lines.size() < 3) return t;
  t.title = lines.front();
  t.headings = Split(lines[1], '\t');
  for (size_t i = 2; i < lines.size(); ++i) {
    if (lines[i].rfind("status: ", 0) == 0) {
      t.status = lines[i].substr(8);
      break;
    }
    t.rows.push_back(Split(lines[i], '\t'));
  }
  return t;
}

class ListCommands : public testing::Test {
 protected:
  void SetUp() override {
    current_tool_var = kToolConcordancer;
    global_panic_state = kPanicNone;
  }
  TRun Run(const std::vector<std::string>& args) {
    return wordlist_tool_test::RunWordlistProgram(args, Path(""));
  }
  TShown Show(const std::vector<std::string>& args) {
    std::vector<std::string> all{"show"};
    all.insert(all.end(), args.begin(), args.end());
    const TRun run = Run(all);
    EXPECT_EQ(run.code, 0) << run.err;
    return Parse(run.out);
  }
  std::string Path(const std::string& name) const { return Utf16ToUtf8(dir.Path()) + name; }
  void Write(const std::string& name, const std::string& text) {
    std::filesystem::create_directories(std::filesystem::path(Path(name)).parent_path());
    std::ofstream(Path(name)) << text;
  }
  // Study, 10 running words in two texts: CAT 4 (both texts), DOG 3 (both), MOON 2, SUN 1.
  // Reference, 20 running words in two texts: CAT 2, DOG 6, MOON 12; no SUN.
  void MakeLists() {
    Write("s/s1.txt", "cat cat cat dog dog\n");
    Write("s/s2.txt", "cat dog moon moon sun\n");
    Write("r/r1.txt", "cat cat dog dog dog moon moon moon moon moon\n");
    Write("r/r2.txt", "dog dog dog moon moon moon moon moon moon moon\n");
    ASSERT_EQ(Run({"list", Path("s"), "-o", Path("study.lst")}).code, 0);
    ASSERT_EQ(Run({"list", Path("r"), "-o", Path("ref.lst")}).code, 0);
  }
  ScopedSettings settings;
  TempFolder dir;
};

double Number(const std::string& cell) { return cell.empty() || cell == "?" ? NAN : std::stod(cell); }

// The 2x2 table of each word (a of n1 = 10 study words, b of n2 = 20 reference words, N = 30),
// worked through by hand:
//   CAT  a 4, b 2: expected 2, 4, 8, 16;
//        G2 = 2 (4 ln 2 + 2 ln 0.5 + 6 ln 0.75 + 18 ln 1.125) = 3.5606;
//        chi-square = 30 (4*18 - 2*6)^2 / (6*24*10*20) = 3.75;
//        log ratio = log2((4/10) / (2/20)) = 2; BIC = 3.5606 - ln 30 (3.4012) = 0.1594;
//        p = erfc(sqrt(G2 / 2)) = 0.059167, of chi-square erfc(sqrt(1.875)) = 0.052808.
//   SUN  a 1, b 0: G2 = 2 (ln 3 + 9 ln(9/9.6667) + 20 ln(20/19.3333)) = 2.2671;
//        log ratio with b taken as 0.5 = log2(0.1 / 0.025) = 2; BIC = -1.1341; p = 0.132153.
//   DOG  a 3, b 6: equal shares, keyness 0, log ratio 0, BIC = -3.4012, p = 1.
//   MOON a 2, b 12: G2 = 2 (2 ln(2/4.6667) + 12 ln(12/9.3333) + 8 ln 1.5 + 8 ln 0.75) = 4.5269,
//        negative; log ratio = log2(0.2 / 0.6) = -1.5850; BIC = 1.1257; p = 0.033366.
TEST_F(ListCommands, CompareMakesTheKeywordsWorkedOutByHand) {
  MakeLists();
  ASSERT_EQ(Run({"keyword-settings", "procedure=log-likelihood", "max-p=0", "min-frequency=1", "min-texts=1",
                 "max-wanted=0", "negative-keywords=yes", "shares=tokens"})
                .code,
            0);
  const TRun compare = Run({"compare", Path("study.lst"), Path("ref.lst"), "-o", Path("kw.lst")});
  ASSERT_EQ(compare.code, 0) << compare.err;
  EXPECT_NE(compare.out.find("kw.lst: 4 keywords (1 negative) of " + Path("study.lst") + " against " + Path("ref.lst") +
                             ", 10 and 20 running words, 3 of 4 study words in the reference"),
            std::string::npos)
      << compare.out;

  const TShown kw = Show({Path("kw.lst")});
  EXPECT_EQ(kw.title, Path("kw.lst") + ": keyword list, 4 rows");
  EXPECT_EQ(kw.headings, (std::vector<std::string>{"N", "Word", "Freq. in study", "%", "Texts", "Freq. in ref", "%",
                                                   "BIC", "Keyness", "Log ratio", "p", "Lemmas", "Set"}));
  struct TRow {
    std::vector<std::string> counts;  // word, frequency, share, texts, reference frequency and share
    double bic, keyness, log_ratio, p;
  };
  // Strongest first by keyness, as the list is made: the negative keyword last.
  const TRow rows[] = {
      {{"CAT", "4", "40.00", "2", "2", "10.00"}, 0.1594, 3.5606, 2.0, 0.059167},
      {{"SUN", "1", "10.00", "1", "0", "0.00"}, -1.1341, 2.2671, 2.0, 0.132153},
      {{"DOG", "3", "30.00", "2", "6", "30.00"}, -3.4012, 0.0, 0.0, 1.0},
      {{"MOON", "2", "20.00", "1", "12", "60.00"}, 1.1257, -4.5269, -1.5850, 0.033366},
  };
  ASSERT_EQ(kw.rows.size(), 4u);
  for (size_t r = 0; r < 4; ++r) {
    const TRow& w = rows[r];
    SCOPED_TRACE(w.counts.front());
    EXPECT_EQ(std::vector<std::string>(kw.rows[r].begin() + 1, kw.rows[r].begin() + 7), w.counts);
    EXPECT_NEAR(Number(kw.Cell(r, "BIC")), w.bic, 0.001);
    EXPECT_NEAR(Number(kw.Cell(r, "Keyness")), w.keyness, 0.001);
    EXPECT_NEAR(Number(kw.Cell(r, "Log ratio")), w.log_ratio, 0.001);
    EXPECT_NEAR(Number(kw.Cell(r, "p")), w.p, 0.000002);
  }
  EXPECT_EQ(kw.status, "CAT");

  // The settings compare reads: each case a change and the words kept.
  struct TCase {
    std::vector<std::string> change;
    std::vector<std::string> words;
  };
  const std::vector<TCase> cases{
      {{"negative-keywords=no"}, {"CAT", "SUN", "DOG"}},
      {{"max-p=0.05"}, {"MOON"}},
      {{"min-frequency=2"}, {"MOON", "CAT", "DOG"}},
      {{"min-texts=2"}, {"CAT", "DOG"}},
      {{"max-wanted=2"}, {"MOON", "CAT"}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.change.front());
    ASSERT_EQ(Run({"keyword-settings", "negative-keywords=yes", "max-p=0", "min-frequency=1", "min-texts=1",
                   "max-wanted=0"})
                  .code,
              0);
    std::vector<std::string> change{"keyword-settings"};
    change.insert(change.end(), c.change.begin(), c.change.end());
    ASSERT_EQ(Run(change).code, 0);
    ASSERT_EQ(Run({"compare", Path("study.lst"), Path("ref.lst"), "-o", Path("some.lst")}).code, 0);
    // Sorted by absolute keyness, strongest first, whatever the sign.
    EXPECT_EQ(Show({Path("some.lst"), "--sort", "7", "--descending"}).Column("Word"), c.words);
  }

  // Chi-square, and shares over texts: CAT is in both study texts and one of two reference texts.
  ASSERT_EQ(Run({"keyword-settings", "max-wanted=0", "procedure=chi-square", "shares=texts"}).code, 0);
  const TRun settings = Run({"keyword-settings"});
  EXPECT_EQ(settings.out,
            "procedure = chi-square\nmax-p = 0\nmin-frequency = 1\nmin-texts = 1\nmax-wanted = 0\n"
            "negative-keywords = yes\nshares = texts\n");
  ASSERT_EQ(Run({"compare", Path("study.lst"), Path("ref.lst"), "-o", Path("chi.lst")}).code, 0);
  const TShown chi = Show({Path("chi.lst"), "--sort", "0"});
  ASSERT_EQ(chi.Cell(0, "Word"), "CAT");
  EXPECT_NEAR(Number(chi.Cell(0, "Keyness")), 3.75, 0.001);
  EXPECT_NEAR(Number(chi.Cell(0, "p")), 0.052808, 0.000002);
  EXPECT_EQ(chi.rows[0][3], "100.00");
  EXPECT_EQ(chi.rows[0][6], "50.00");
}

// A lemma list of two heads over two texts (16 running words), counted by hand: t1 "the state
// governs the states. states govern." and t2 "a state and two states governed by the state.";
// lemmas state -> states and govern -> governs, governed. STATE 3 + STATES 3 = 6; GOVERN 1 +
// GOVERNS 1 + GOVERNED 1 = 3; THE 3; A, AND, TWO, BY 1 each. In frequency order a row shows the
// number it is ranked by, in Freq., % and Lemmas (equal ones in falling list order: A AND BY
// GOVERN STATE THE TWO). With the head word's frequency only a lemma counts by its head word
// (STATE 3, GOVERN 1); omitting the head word leaves it out of the forms shown.
TEST_F(ListCommands, ALemmaIsRankedByTheFrequencyItShows) {
  Write("l/t1.txt", "the state governs the states. states govern.\n");
  Write("l/t2.txt", "a state and two states governed by the state.\n");
  Write("lemmas.txt", "state -> states\ngovern -> governs, governed\n");
  ASSERT_EQ(Run({"settings", "lemma-list=" + Path("lemmas.txt")}).code, 0);
  ASSERT_EQ(Run({"list", Path("l"), "-o", Path("lemmas.lst")}).code, 0);
  struct TCase {
    std::vector<std::string> settings;
    std::vector<std::string> words, frequencies, shares, lemmas;
  };
  const std::vector<std::string> ones(4, "1"), one_shares(4, "6.25");
  auto with = [](std::vector<std::string> a, const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
  };
  const std::vector<TCase> cases{
      {{"lemma-head-word-frequency-only=no", "lemma-omit-head-word=no"},
       {"STATE", "THE", "GOVERN", "TWO", "BY", "AND", "A"},
       with({"6", "3", "3"}, ones),
       with({"37.50", "18.75", "18.75"}, one_shares),
       with({"[3] STATE [3] STATES", "3", "[1] GOVERN [1] GOVERNS [1] GOVERNED"}, ones)},
      {{"lemma-head-word-frequency-only=yes"},
       {"THE", "STATE", "TWO", "GOVERN", "BY", "AND", "A"},
       with({"3", "3"}, with({"1"}, ones)),
       with({"18.75", "18.75"}, with({"6.25"}, one_shares)),
       {"3", "[3] STATE [3] STATES", "1", "[1] GOVERN [1] GOVERNS [1] GOVERNED", "1", "1", "1"}},
      {{"lemma-omit-head-word=yes"},
       {"THE", "STATE", "TWO", "GOVERN", "BY", "AND", "A"},
       with({"3", "3"}, with({"1"}, ones)),
       with({"18.75", "18.75"}, with({"6.25"}, one_shares)),
       {"3", "[3] STATES", "1", "[1] GOVERNS [1] GOVERNED", "1", "1", "1"}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.settings.front());
    std::vector<std::string> change{"settings"};
    change.insert(change.end(), c.settings.begin(), c.settings.end());
    const TRun set = Run(change);
    ASSERT_EQ(set.code, 0) << set.err;
    for (const std::string& one : c.settings) {
      std::string line = one;
      line.replace(line.find('='), 1, " = ");
      EXPECT_NE(set.out.find(line + "\n"), std::string::npos) << set.out;
    }
    const TShown shown = Show({Path("lemmas.lst"), "--frequency"});
    EXPECT_EQ(shown.Column("Word"), c.words);
    EXPECT_EQ(shown.Column("Freq."), c.frequencies);
    EXPECT_EQ(shown.Column("%"), c.shares);
    EXPECT_EQ(shown.Column("Lemmas"), c.lemmas);
  }
  // A lemma's frequency typed in is what its row shows: STATES keeps its 3, STATE takes 7.
  ASSERT_EQ(Run({"settings", "lemma-head-word-frequency-only=no", "lemma-omit-head-word=no"}).code, 0);
  const TRun edit = Run({"set-cell", Path("lemmas.lst"), "1", "2", "10", "--frequency", "-o", Path("edited.lst")});
  ASSERT_EQ(edit.code, 0) << edit.err;
  EXPECT_NE(edit.out.find("row 1, column 2 (Freq.): 6 -> 10"), std::string::npos) << edit.out;
  const TShown edited = Show({Path("edited.lst"), "--frequency"});
  EXPECT_EQ(edited.Cell(0, "Freq."), "10");
  EXPECT_EQ(edited.Cell(0, "Lemmas"), "[7] STATE [3] STATES");
}

// The nine plain texts of the samples (about 4,800 words) with a lemma list of some of their
// nouns and verbs: the lemmatised list counts each lemma as the plain list counts its head word
// and forms together, and in frequency order shows each row's count falling and every running
// word once; its two halves merged are the list of all nine; and the halves compared count each
// lemma as the halves do, on both sides.
TEST_F(ListCommands, LemmasOfTheSamplesAgreeWithTheirPlainCounts) {
  const std::vector<std::pair<std::u16string, std::vector<std::u16string>>> lemmas{
      {u"BE", {u"IS", u"WAS", u"WERE", u"ARE", u"BEEN"}}, {u"RIVER", {u"RIVERS"}}, {u"MILL", {u"MILLS"}},
      {u"DAY", {u"DAYS"}}, {u"BRIDGE", {u"BRIDGES"}}, {u"WALK", {u"WALKS", u"WALKED", u"WALKING"}}};
  Write("lemmas.txt", "be -> is, was, were, are, been\nriver -> rivers\nmill -> mills\nday -> days\n"
                      "bridge -> bridges\nwalk -> walks, walked, walking\n");
  std::vector<std::string> all, first, second;
  for (const auto& entry : std::filesystem::directory_iterator(LINZORA_SAMPLES_DIR))
    if (entry.path().extension() == ".txt") all.push_back(entry.path().string());
  std::sort(all.begin(), all.end());
  ASSERT_EQ(all.size(), 9u);
  for (size_t i = 0; i < all.size(); ++i) (i < 5 ? first : second).push_back(all[i]);
  auto make = [&](const std::vector<std::string>& texts, const std::string& list) {
    std::vector<std::string> args{"list"};
    args.insert(args.end(), texts.begin(), texts.end());
    args.insert(args.end(), {"-o", Path(list)});
    const TRun run = Run(args);
    ASSERT_EQ(run.code, 0) << run.err;
  };
  make(all, "plain.lst");
  ASSERT_EQ(Run({"settings", "lemma-list=" + Path("lemmas.txt")}).code, 0);
  make(all, "lemmas.lst");
  make(first, "first.lst");
  make(second, "second.lst");
  ASSERT_EQ(Run({"merge", Path("first.lst"), Path("second.lst"), "-o", Path("merged.lst")}).code, 0);
  std::string why;
  auto plain = ReadSavedList(Path("plain.lst"), why);
  auto lemmatised = ReadSavedList(Path("lemmas.lst"), why);
  auto merged = ReadSavedList(Path("merged.lst"), why);
  ASSERT_TRUE(plain && lemmatised && merged) << why;
  auto plain_count = [&](const std::u16string& w) {
    return plain->Words().CorrectFreq(plain->Words().Find_WordStr(w, true), false);
  };
  int64_t counted = 0;  // every word the plain list counts, once
  for (int i = 0; i < plain->Words().Count(); ++i) counted += plain->Words().Row(i)->data.frequency;
  int with_forms = 0;
  for (const auto& [head, forms] : lemmas) {
    SCOPED_TRACE(Utf16ToUtf8(head));
    int32_t plain_lemma = plain_count(head);
    for (const std::u16string& f : forms) plain_lemma += plain_count(f);
    TVXWordList& words = lemmatised->Words();
    const int row = words.Find_WordStr(head, true);
    ASSERT_GE(row, 0);
    EXPECT_EQ(words.RowFrequency(row), plain_lemma);
    with_forms += plain_lemma > plain_count(head);
  }
  EXPECT_GE(with_forms, 4);

  const TShown shown = Show({Path("lemmas.lst"), "--frequency"});
  ASSERT_EQ(static_cast<int>(shown.rows.size()), lemmatised->Words().Count());
  int64_t shown_total = 0;
  for (size_t r = 0; r < shown.rows.size(); ++r) {
    shown_total += std::stoll(shown.Cell(r, "Freq."));
    if (r > 0) {
      EXPECT_GE(std::stoll(shown.Cell(r - 1, "Freq.")), std::stoll(shown.Cell(r, "Freq."))) << r;
    }
  }
  EXPECT_EQ(shown_total, counted);

  TVXWordList& m = merged->Words();
  TVXWordList& l = lemmatised->Words();
  ASSERT_EQ(m.Count(), l.Count());
  for (int i = 0; i < l.Count(); ++i)
    EXPECT_EQ(wltest::LemmaOf(m, l.Row(i)->data.word), wltest::LemmaOf(l, l.Row(i)->data.word))
        << Utf16ToUtf8(l.Row(i)->data.word);

  ASSERT_EQ(Run({"keyword-settings", "max-p=0", "min-frequency=1", "min-texts=1", "max-wanted=0",
                 "negative-keywords=yes"})
                .code,
            0);
  ASSERT_EQ(Run({"compare", Path("first.lst"), Path("second.lst"), "-o", Path("kw.lst")}).code, 0);
  auto kw = ReadSavedList(Path("kw.lst"), why);
  auto study = ReadSavedList(Path("first.lst"), why);
  auto reference = ReadSavedList(Path("second.lst"), why);
  ASSERT_TRUE(kw && study && reference) << why;
  int checked = 0;
  for (int i = 0; i < kw->Keywords().Count(); ++i) {
    const TKeyWordEntry& k = *kw->Keywords().Row(i);
    // A head that a half holds only by its forms is the lemma list's word, as it is written there.
    const int s = study->Words().Find_WordStr(k.word, false);
    const int r = reference->Words().Find_WordStr(k.word, false);
    ASSERT_GE(s, 0) << Utf16ToUtf8(k.word);
    EXPECT_EQ(k.data.frequency, study->Words().CorrectFreq(s, true)) << Utf16ToUtf8(k.word);
    EXPECT_EQ(k.data.rc_frequency, r < 0 ? 0 : reference->Words().CorrectFreq(r, true)) << Utf16ToUtf8(k.word);
    checked += study->Words().GetHasJoined(s) ? 1 : 0;
  }
  EXPECT_GE(checked, 4);  // lemmas among the keywords
  ASSERT_EQ(Run({"settings", "lemma-list=none"}).code, 0);
}

// Each kind of list, shown as saved and sorted two ways: its rows in the order worked out by hand.
TEST_F(ListCommands, ShowSortsEveryKindOfList) {
  MakeLists();
  ASSERT_EQ(Run({"keyword-settings", "negative-keywords=yes", "max-p=0", "min-frequency=1", "max-wanted=0"}).code, 0);
  ASSERT_EQ(Run({"compare", Path("study.lst"), Path("ref.lst"), "-o", Path("kw.lst")}).code, 0);
  ASSERT_EQ(Run({"consistency", Path("study.lst"), Path("ref.lst"), "-o", Path("dc.lst")}).code, 0);
  ASSERT_EQ(Run({"index", Path("s"), Path("r"), "-o", Path("idx")}).code, 0);
  ASSERT_EQ(Run({"relationships", Path("idx"), "-o", Path("rel.lst")}).code, 0);
  ASSERT_EQ(Run({"settings", "cluster-min-size=2", "cluster-max-size=2", "cluster-min-frequency=2",
                 "phrase-frames-off=yes"})
                .code,
            0);
  ASSERT_EQ(Run({"clusters", Path("idx"), "-o", Path("cl.lst")}).code, 0);

  struct TCase {
    std::vector<std::string> args;
    std::string column;
    std::vector<std::string> cells;
    std::string title_ends;
  };
  const std::vector<TCase> cases{
      // Word list: as saved (alphabetical), words reversed (GOD NOOM NUS TAC), texts falling (ties
      // keep their order), the frequency view.
      {{Path("study.lst")}, "Word", {"CAT", "DOG", "MOON", "SUN"}, "word list, 4 rows"},
      {{Path("study.lst"), "--sort", "2"}, "Word", {"DOG", "MOON", "SUN", "CAT"}, "(Reverse alphabetical), ascending"},
      {{Path("study.lst"), "--column", "4", "--descending"}, "Word", {"CAT", "DOG", "MOON", "SUN"},
       "sorted by kind 6 (Texts), descending"},
      {{Path("study.lst"), "--column", "5"}, "Word", {"MOON", "SUN", "CAT", "DOG"}, "sorted by kind 6 (Texts), ascending"},
      {{Path("study.lst"), "--frequency"}, "Freq.", {"4", "3", "2", "1"}, "in frequency order"},
      // No word has lemmas joined: each relative entropy is 0, and the sort keeps the order.
      {{Path("study.lst"), "--entropy", "--column", "9", "--descending"}, "Relative entropy",
       {"0.00", "0.00", "0.00", "0.00"}, "sorted by kind 11 (Relative entropy), descending"},
      // Keyword list: reference frequency up, log ratio down (ties keep the keyness order).
      {{Path("kw.lst"), "--column", "5"}, "Word", {"SUN", "CAT", "DOG", "MOON"}, "sorted by kind 5, ascending"},
      {{Path("kw.lst"), "--column", "9", "--descending"}, "Word", {"CAT", "SUN", "DOG", "MOON"}, "descending"},
      // Consistency: total down, then the study's column up.
      {{Path("dc.lst"), "--sort", "5", "--descending"}, "Word", {"MOON", "DOG", "CAT", "SUN"}, "descending"},
      {{Path("dc.lst"), "--column", "6"}, "study", {"1", "2", "3", "4"}, "sorted by kind 6, ascending"},
      {{Path("dc.lst"), "--column", "7", "--descending"}, "ref", {"12", "6", "2", "0"}, "descending"},
      // Clusters of two words found at least twice: "MOON MOON" 11 times, "DOG DOG" 5, "CAT CAT",
      // "CAT DOG" and "DOG MOON" 3 each (equal ones in falling list order); then by their words
      // reversed: GOD GOD, GOD TAC, NOOM GOD, NOOM NOOM, TAC TAC.
      {{Path("cl.lst"), "--frequency"}, "Word", {"MOON MOON", "DOG DOG", "DOG MOON", "CAT DOG", "CAT CAT"},
       "in frequency order"},
      {{Path("cl.lst"), "--frequency"}, "Freq.", {"11", "5", "3", "3", "3"}, "in frequency order"},
      {{Path("cl.lst"), "--sort", "2"}, "Word", {"DOG DOG", "CAT DOG", "DOG MOON", "MOON MOON", "CAT CAT"},
       "ascending"},
  };
  for (const TCase& c : cases) {
    std::string line;
    for (const std::string& a : c.args) line += a + " ";
    SCOPED_TRACE(line);
    const TShown shown = Show(c.args);
    EXPECT_EQ(shown.Column(c.column), c.cells);
    EXPECT_GE(shown.title.size(), c.title_ends.size());
    EXPECT_EQ(shown.title.substr(shown.title.size() - std::min(shown.title.size(), c.title_ends.size())), c.title_ends);
    EXPECT_EQ(shown.status, shown.Cell(0, "Word"));
  }

  // Relationships: joint frequency down, then word 1's frequency up; the status names the pair.
  const TShown by_joint = Show({Path("rel.lst"), "--column", "7", "--descending"});
  ASSERT_GE(by_joint.rows.size(), 2u);
  for (size_t r = 1; r < by_joint.rows.size(); ++r)
    EXPECT_GE(Number(by_joint.rows[r - 1][7]), Number(by_joint.rows[r][7])) << r;
  EXPECT_EQ(by_joint.status.rfind(by_joint.rows[0][1] + " (" + by_joint.rows[0][2] + "), " + by_joint.rows[0][3], 0), 0u)
      << by_joint.status;
  const TShown by_freq = Show({Path("rel.lst"), "--column", "2"});
  ASSERT_EQ(by_freq.rows.size(), by_joint.rows.size());
  for (size_t r = 1; r < by_freq.rows.size(); ++r)
    EXPECT_LE(Number(by_freq.rows[r - 1][2]), Number(by_freq.rows[r][2])) << r;
  // The word frequencies the pairs carry are the words' own: MOON 14, DOG 9, CAT 6, SUN 1.
  for (const auto& row : by_freq.rows) {
    const std::map<std::string, std::string> freq{{"MOON", "14"}, {"DOG", "9"}, {"CAT", "6"}, {"SUN", "1"}};
    EXPECT_EQ(row[2], freq.at(row[1]));
    EXPECT_EQ(row[4], freq.at(row[3]));
  }
}

// The index settings' "recount running words": the running words of each list are its rows'
// frequencies added up, not its texts' running words. With "dog" on the stop list the study list
// holds CAT 4, MOON 2, SUN 1 (7 of its 10 running words), the reference CAT 2, MOON 12 (14 of 20).
// CAT, a = 4 and b = 2, by the four-cell log-likelihood:
//   of 10 and 20 (expected 2, 4, 8, 16): 2 (4 ln 2 + 2 ln 0.5 + 6 ln 0.75 + 18 ln 1.125) = 3.5606;
//   of 7 and 14 (expected 2, 4, 5, 10): 2 (4 ln 2 + 2 ln 0.5 + 3 ln 0.6 + 12 ln 1.2) = 4.0834.
TEST_F(ListCommands, RecountedRunningWordsAreTheListsOwnRows) {
  Write("stops.txt", "dog\n");
  ASSERT_EQ(Run({"settings", "stop-list=" + Path("stops.txt")}).code, 0);
  MakeLists();
  ASSERT_EQ(Run({"settings", "stop-list=none"}).code, 0);
  ASSERT_EQ(Run({"keyword-settings", "procedure=log-likelihood", "max-p=0", "min-frequency=1", "min-texts=1",
                 "max-wanted=0", "negative-keywords=yes", "shares=tokens"})
                .code,
            0);
  struct TCase {
    std::string recount;
    std::string totals;
    double cat_keyness;
    std::string cat_share;  // CAT's 4 of the study's running words
  };
  const TCase cases[] = {{"no", ", 10 and 20 running words,", 3.5606, "40.00"},
                         {"yes", ", 7 and 14 running words,", 4.0834, "57.14"}};
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.recount);
    ASSERT_EQ(Run({"settings", "recount-running-words=" + c.recount}).code, 0);
    const TRun compare = Run({"compare", Path("study.lst"), Path("ref.lst"), "-o", Path("kw.lst")});
    ASSERT_EQ(compare.code, 0) << compare.err;
    EXPECT_NE(compare.out.find(c.totals), std::string::npos) << compare.out;
    const TShown kw = Show({Path("kw.lst"), "--sort", "0"});
    ASSERT_EQ(kw.Cell(0, "Word"), "CAT");
    EXPECT_NEAR(Number(kw.Cell(0, "Keyness")), c.cat_keyness, 0.001);
    EXPECT_EQ(kw.rows[0][3], c.cat_share);
  }
  ASSERT_EQ(Run({"settings", "recount-running-words=no"}).code, 0);
}

// A keyword list's notes say what it was made from and with; "show" prints them, and they stay
// as they were when the keywords settings change afterwards.
TEST_F(ListCommands, KeywordListNotesNameItsListsProcedureAndThresholds) {
  MakeLists();
  ASSERT_EQ(Run({"keyword-settings", "procedure=log-likelihood", "max-p=0.5", "min-frequency=2", "min-texts=1",
                 "max-wanted=10", "negative-keywords=no", "shares=tokens"})
                .code,
            0);
  ASSERT_EQ(Run({"compare", Path("study.lst"), Path("ref.lst"), "-o", Path("kw.lst")}).code, 0);
  ASSERT_EQ(Run({"keyword-settings", "procedure=chi-square", "max-p=0", "min-frequency=1"}).code, 0);
  const TRun show = Run({"show", Path("kw.lst")});
  ASSERT_EQ(show.code, 0) << show.err;
  const size_t notes = show.out.find("\nnotes:\n");
  ASSERT_NE(notes, std::string::npos) << show.out;
  const std::string text = show.out.substr(notes);
  // 3 of the 4 study words are in the reference list; CAT alone is kept (DOG's p is 1, MOON is
  // negative, SUN found once).
  for (const std::string& line :
       {"Study word list: source file " + Path("study.lst"), "Reference corpus: source file " + Path("ref.lst"),
        std::string("Procedure = log-likelihood"), std::string("Maximum p value: 0.500000"),
        std::string("Minimum Frequency: 2"), std::string("Maximum wanted: 10"),
        std::string("Negative keywords excluded: True"),
        std::string("75.00% of the words were found in the reference corpus"), std::string("1 entry found")})
    EXPECT_NE(text.find(line), std::string::npos) << line << "\n" << text;
}

// A consistency list's pairs of lists: the words each pair shares and their Dice coefficient,
// 2 x shared / (words of one + words of the other). Study CAT DOG MOON SUN, reference CAT DOG
// MOON, a third list SUN: 3 shared of 4 and 3 (0.857), 1 of 4 and 1 (0.4), none of 3 and 1.
TEST_F(ListCommands, ShowPrintsTheConsistencyListsPairs) {
  MakeLists();
  Write("t/third.txt", "sun sun\n");
  ASSERT_EQ(Run({"list", Path("t"), "-o", Path("third.lst")}).code, 0);
  ASSERT_EQ(Run({"consistency", Path("study.lst"), Path("ref.lst"), Path("third.lst"), "-o", Path("dc.lst")}).code, 0);
  const TRun show = Run({"show", Path("dc.lst")});
  ASSERT_EQ(show.code, 0) << show.err;
  const size_t pairs = show.out.find("\npairs of lists: 3\n");
  ASSERT_NE(pairs, std::string::npos) << show.out;
  const std::vector<std::string> lines = Split(show.out.substr(pairs + 1), '\n');
  ASSERT_GE(lines.size(), 5u);
  EXPECT_EQ(Split(lines[1], '\t'), (std::vector<std::string>{"N", "List 1", "words", "List 2", "words", "Shared", "Dice",
                                                            "Set"}));
  const std::vector<std::vector<std::string>> rows{{"1", "study", "4", "ref", "3", "3", "0.86"},
                                                   {"2", "study", "4", "third", "1", "1", "0.40"},
                                                   {"3", "ref", "3", "third", "1", "0", "0.00"}};
  for (size_t r = 0; r < rows.size(); ++r) {
    const std::vector<std::string> cells = Split(lines[2 + r], '\t');
    ASSERT_GE(cells.size(), 7u) << lines[2 + r];
    EXPECT_EQ(std::vector<std::string>(cells.begin(), cells.begin() + 7), rows[r]);
  }
}

// The statistics of the texts a list or an index was made from, worked by hand. one.txt: "The cat
// sat. The dog ran away." and, a paragraph later, "A cat ran.": 10 running words, 7 types (70 %),
// sentences of 3, 4 and 3 words (mean 3.33), 29 letters (mean word length 2.90). two.txt: "Dogs
// bark.": 2 words, 2 types, one sentence of 2, 8 letters. Overall: 12 words, 9 entries (75 %), 4
// sentences (mean 3), 37 letters (3.08). No paragraph marker is set: each text is one paragraph
// (the overall mean 6).
TEST_F(ListCommands, ShowStatisticsOfTheTextsOfAListOrAnIndex) {
  Write("st/one.txt", "The cat sat. The dog ran away.\n\nA cat ran.\n");
  Write("st/two.txt", "Dogs bark.\n");
  ASSERT_EQ(Run({"list", Path("st"), "-o", Path("st.lst")}).code, 0);
  ASSERT_EQ(Run({"index", Path("st"), "-o", Path("stidx")}).code, 0);
  struct TRow {
    std::string name, words, types, ratio, sentences, sentence_mean, paragraphs, paragraph_mean, word_length;
  };
  const TRow rows[] = {{"Overall", "12", "9", "75", "4", "3.00", "2", "6.00", "3.08"},
                       {"one.txt", "10", "7", "70", "3", "3.33", "1", "10.00", "2.90"},
                       {"two.txt", "2", "2", "100", "1", "2.00", "1", "2.00", "4.00"}};
  for (const std::string& file : {Path("st.lst"), Path("stidx.stats")}) {
    SCOPED_TRACE(file);
    const TShown shown = Show({file, "--statistics"});
    EXPECT_EQ(shown.title, file + ": statistics of 2 texts, the overall row first");
    ASSERT_EQ(shown.rows.size(), 3u);
    for (size_t r = 0; r < 3; ++r) {
      const TRow& w = rows[r];
      SCOPED_TRACE(w.name);
      EXPECT_EQ(shown.Cell(r, "Text file"), w.name);
      EXPECT_EQ(shown.Cell(r, "Running words"), w.words);
      EXPECT_EQ(shown.Cell(r, "Types"), w.types);
      EXPECT_EQ(shown.Cell(r, "Type/token ratio"), w.ratio);
      EXPECT_EQ(shown.Cell(r, "Sentences"), w.sentences);
      EXPECT_EQ(shown.Cell(r, "Sentence mean (words)"), w.sentence_mean);
      EXPECT_EQ(shown.Cell(r, "Paragraphs"), w.paragraphs);
      EXPECT_EQ(shown.Cell(r, "Paragraph mean (words)"), w.paragraph_mean);
      EXPECT_EQ(shown.Cell(r, "Mean word length"), w.word_length);
    }
  }
  // A keyword list shows its study's statistics; a relationships list keeps none of its own.
  MakeLists();
  ASSERT_EQ(Run({"compare", Path("study.lst"), Path("ref.lst"), "-o", Path("kw.lst")}).code, 0);
  EXPECT_EQ(Show({Path("kw.lst"), "--statistics"}).Column("Running words"),
            (std::vector<std::string>{"10", "5", "5"}));
  ASSERT_EQ(Run({"index", Path("s"), Path("r"), "-o", Path("idx")}).code, 0);
  ASSERT_EQ(Run({"relationships", Path("idx"), "-o", Path("rel.lst")}).code, 0);
  const TRun rel = Run({"show", Path("rel.lst"), "--statistics"});
  EXPECT_EQ(rel.code, 1);
  EXPECT_NE(rel.err.find("is a relationships list, which keeps no statistics of texts"), std::string::npos) << rel.err;
}

TEST_F(ListCommands, SetCellEditsWhatTheListAllowsAndSaves) {
  MakeLists();
  ASSERT_EQ(Run({"keyword-settings", "negative-keywords=yes", "max-p=0", "min-frequency=1", "max-wanted=0"}).code, 0);
  ASSERT_EQ(Run({"compare", Path("study.lst"), Path("ref.lst"), "-o", Path("kw.lst")}).code, 0);
  ASSERT_EQ(Run({"consistency", Path("study.lst"), Path("ref.lst"), "-o", Path("dc.lst")}).code, 0);
  struct TCase {
    std::vector<std::string> args;
    std::string says;
    std::vector<std::string> show;
    std::string column;
    std::vector<std::string> cells;
  };
  const std::vector<TCase> cases{
      // SUN, the fourth most frequent, becomes the most frequent.
      {{Path("study.lst"), "4", "2", "9", "--frequency", "-o", Path("edited.lst")},
       "edited.lst: row 4, column 2 (Freq.): 1 -> 9",
       {Path("edited.lst"), "--frequency"},
       "Word",
       {"SUN", "CAT", "DOG", "MOON"}},
      {{Path("study.lst"), "1", "1", "KAT"}, "study.lst: row 1, column 1 (Word): CAT -> KAT", {Path("study.lst")}, "Word",
       {"KAT", "DOG", "MOON", "SUN"}},
      {{Path("study.lst"), "2", "8", "animal"}, "(Set): " " -> animal", {Path("study.lst")}, "Set",
       {"", "animal", "", ""}},
      {{Path("kw.lst"), "4", "1", "LUNA"}, "(Word): MOON -> LUNA", {Path("kw.lst")}, "Word",
       {"CAT", "SUN", "DOG", "LUNA"}},
      {{Path("dc.lst"), "1", "1", "KITTY"}, "(Word): CAT -> KITTY", {Path("dc.lst"), "--sort", "5"}, "Word",
       {"SUN", "KITTY", "DOG", "MOON"}},
  };
  for (const TCase& c : cases) {
    std::vector<std::string> args{"set-cell"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    SCOPED_TRACE(c.says);
    const TRun run = Run(args);
    ASSERT_EQ(run.code, 0) << run.err;
    EXPECT_NE(run.out.find(c.says), std::string::npos) << run.out;
    EXPECT_EQ(Show(c.show).Column(c.column), c.cells);
  }
}

TEST_F(ListCommands, BadInputIsNamedAndNothingIsWritten) {
  MakeLists();
  ASSERT_EQ(Run({"compare", Path("study.lst"), Path("ref.lst"), "-o", Path("kw.lst")}).code, 0);
  Write("damaged.lst", "plain text, not a list");
  std::filesystem::create_directories(Path("a_folder.lst"));
  const std::string kw_before = ReadAll(Path("kw.lst"));
  struct TCase {
    std::vector<std::string> args;
    int code;
    std::string says;
    std::string not_written;
  };
  const std::vector<TCase> cases{
      {{"compare", Path("none.lst"), Path("ref.lst"), "-o", Path("x.lst")}, 1, "no such list: " + Path("none.lst"),
       "x.lst"},
      {{"compare", Path("study.lst"), Path("damaged.lst"), "-o", Path("x.lst")}, 1,
       Path("damaged.lst") + ": not a list that can be read", "x.lst"},
      {{"compare", Path("kw.lst"), Path("ref.lst"), "-o", Path("x.lst")}, 1,
       Path("kw.lst") + " is a keyword list, not a word list", "x.lst"},
      {{"compare", Path("study.lst"), Path("ref.lst"), "-o", Path("a_folder.lst")}, 1,
       Path("a_folder.lst") + " is a folder", ""},
      {{"compare", Path("study.lst"), Path("ref.lst")}, 2, "compare needs -o", ""},
      {{"show", Path("none.lst")}, 1, "no such list: " + Path("none.lst"), ""},
      {{"show", Path("damaged.lst")}, 1, Path("damaged.lst") + ": not a list that can be read", ""},
      {{"show", Path("kw.lst"), "--entropy"}, 1, "--entropy is for a word list, and " + Path("kw.lst") + " is a keyword list",
       ""},
      {{"show", Path("kw.lst"), "--sort", "16"}, 1, "a keyword list sorts by kinds 0 to 15, not 16", ""},
      {{"show", Path("study.lst"), "--column", "12"}, 1, "no column 12 in " + Path("study.lst"), ""},
      {{"show", Path("study.lst"), "--sort", "x"}, 2, "--sort needs a whole number", ""},
      {{"show", Path("study.lst"), "--sort", "1", "--column", "2"}, 2, "give one", ""},
      {{"show", Path("study.lst"), "--statistics", "--sort", "1"}, 1, "--statistics shows the texts in the order", ""},
      {{"show", Path("damaged.lst"), "--statistics"}, 1, "; nor a statistics file", ""},
      {{"list", Path("s"), "-o", Path("y.lst"), "--statistics"}, 2, "--statistics is not an option of list", "y.lst"},
      {{"list", Path("s"), "-o", Path("y.lst"), "--descending"}, 2, "--descending is not an option of list", "y.lst"},
      {{"set-cell", Path("kw.lst"), "1", "8", "99"}, 1, "column 8 (Keyness) of a keyword list cannot be edited", ""},
      {{"set-cell", Path("kw.lst"), "5", "1", "X"}, 1, "no row 5 in " + Path("kw.lst"), ""},
      {{"set-cell", Path("kw.lst"), "1", "2", "many"}, 1, "takes a whole number", ""},
      {{"set-cell", Path("kw.lst"), "1", "1", "X", "-o", Path("a_folder.lst")}, 1, Path("a_folder.lst") + " is a folder",
       ""},
      {{"set-cell", Path("damaged.lst"), "1", "1", "X"}, 1, Path("damaged.lst"), ""},
      {{"keyword-settings", "procedure=t-test"}, 1, "procedure needs log-likelihood or chi-square", ""},
      {{"keyword-settings", "max-p=2"}, 1, "max-p needs a probability from 0 to 1", ""},
      {{"keyword-settings", "max-wanted=-1"}, 1, "max-wanted needs a whole number from 0", ""},
      {{"keyword-settings", "colour=red"}, 1, "unknown keyword setting \"colour\"", ""},
  };
  const std::string settings_before = Run({"keyword-settings"}).out;
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
  EXPECT_EQ(ReadAll(Path("kw.lst")), kw_before);
  EXPECT_TRUE(std::filesystem::is_directory(Path("a_folder.lst")));
  EXPECT_EQ(Run({"keyword-settings"}).out, settings_before);
  // The help names every command.
  const TRun help = Run({"--help"});
  for (const char* command : {"list ", "index ", "contexts ", "clusters ", "relationships ", "consistency ",
                              "moving-window ", "export ", "settings ", "compare ", "show ", "set-cell ",
                              "keyword-settings "})
    EXPECT_NE(help.out.find(std::string("  ") + command), std::string::npos) << command;
}

}  // namespace
