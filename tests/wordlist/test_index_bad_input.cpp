// A corpus index meets bad input: damaged, cut, foreign and newer files, texts changed since
// indexing, an index already under the name, a stop, a full disk at each write and rename. Each
// case gets its message naming the file, and the index that was there opens as before, with no
// temporary file left beside it.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <map>

#include <random>

#include "../model/text_reader_test_support.h"
#include "wordlist/index_test_support.h"
#include "wordlist/index_commit.h"
#include "wordlist/wordlist_indexer_streams.h"
#include "wordlist/wordlist_tool_runner.h"

namespace {

using namespace index_test;
using text_reader_test::ScopedSettings;

void Patch(const UString& name, size_t at, const std::vector<uint8_t>& bytes) {
  std::vector<uint8_t> b = FileBytes(name);
  ASSERT_LE(at + bytes.size(), b.size());
  std::copy(bytes.begin(), bytes.end(), b.begin() + static_cast<std::ptrdiff_t>(at));
  ASSERT_TRUE(SafeSaveBytes(name, b.data(), static_cast<int64_t>(b.size())));
}
std::vector<uint8_t> Le32(int32_t v) { return Bytes().put<int32_t>(v).b; }

class IndexBadInput : public testing::Test {
 protected:
  void SetUp() override {
    current_tool_var = kToolConcordancer;
    global_panic_state = kPanicNone;
    a = tmp.Write(u"texts/a.txt", "The river flows. The old mill stands by the river.");
    b = tmp.Write(u"texts/b.txt", "A bridge over the river, an old bridge.");
    base = tmp.Path() + u"index/corpus";
    ForceDirectories(tmp.Path() + u"index");
    auto doc = NewDoc();
    ASSERT_TRUE(BuildIndex(*doc, base, {a, b})) << Utf16ToUtf8(doc->LastFailure());
    good = Seen();
    files = FilesIn(tmp.Path() + u"index");
    ASSERT_EQ(files.size(), 4u);
  }
  void TearDown() override { SetIndexWriteFailureAfter(-1); }
  // What a reader finds in the index: its rows, and the places of two words and a phrase.
  std::string Seen() {
    auto reader = NewDoc();
    if (!reader->OpenAnIndexAndLoadWords(base).first) return "not opened: " + Utf16ToUtf8(reader->LastFailure());
    TIndexHandler& index = *reader->IndexHandler();
    std::string s = RowsOf(*reader->GetWordlistByListType(kListIndexWordlist));
    for (const char16_t* w : {u"river", u"bridge", u"the old"}) {
      for (const auto& [text, byte] : Places(*index.AllContextsOf(w)))
        s += " " + std::to_string(text) + ":" + std::to_string(byte);
    }
    return s;
  }
  // The index as it was: the same words and places, the same files and nothing else.
  void ExpectOldIndex() {
    EXPECT_EQ(Seen(), good);
    EXPECT_EQ(FilesIn(tmp.Path() + u"index"), files);
  }
  ScopedSettings settings;
  TempFolder tmp;
  UString a, b, base;
  std::string good;
  std::vector<UString> files;
};

TEST_F(IndexBadInput, DamagedCutForeignAndNewerFilesAreNamedAndLeftAlone) {
  struct Case {
    const char* what;
    std::function<void()> damage;
    const char16_t* file;     // named in the message
    const char16_t* message;  // part of the message
  };
  const UString tokens = base + u".tokens", types = base + u".types", stats = base + u".stats";
  const size_t records = 61 + 16 * 18;  // the settings block follows the 18 records
  const Case cases[] = {
      {"tokens cut short", [&] { ASSERT_EQ(::truncate(ToFsPath(tokens).c_str(), 700), 0); }, u".tokens", u"cut short"},
      {"a count past the records", [&] { Patch(tokens, 57, Le32(21)); }, u".tokens", u"cut short"},
      {"a negative count", [&] { Patch(tokens, 57, Le32(-3)); }, u".tokens", u"damaged"},
      {"running words that are not the records", [&] { Patch(tokens, records + 3296, Le32(17)); }, u".tokens",
       u"damaged at byte 3645"},
      {"a settings block of a newer index", [&] { Patch(tokens, records + 3288, Le32(2)); }, u".tokens", u"newer"},
      {"an index of a newer version", [&] { Patch(tokens, 8, Le32(2)); }, u".tokens", u"newer version"},
      {"another tool's tokens", [&] { Patch(tokens, 0, Le32(0x4C5A5401)); }, u".tokens", u"another tool"},
      {"another list kind", [&] { Patch(types, 16, Bytes().put<uint8_t>(20).ascii("TESSORINE STATISTICS").b); },
       u".types", u"another tool's file or list kind"},
      {"both foreign", [&] {
         Patch(tokens, 0, Le32(0x4C5A5402));
         Patch(types, 0, Le32(0x12345678));
       }, u".types", u"not an index"},
      {"an offset of the type table", [&] { Patch(types, 61 + 4 * 3, Le32(61)); }, u".types",
       u"offset of type 3"},
      {"a type's place outside the records", [&] { Patch(types, 61 + 4 * 11 + 4, Le32(50)); }, u".types",
       u"record of type 0"},
      {"types cut short", [&] { ASSERT_EQ(::truncate(ToFsPath(types).c_str(), 300), 0); }, u".types", u"cut short"},
      {"types missing", [&] { DeleteFileU(types); }, u".types", u"missing"},
      {"statistics missing", [&] { DeleteFileU(stats); }, u".stats", u"missing"},
      {"statistics damaged", [&] { Patch(stats, 57, Le32(0x7FFFFFFF)); }, u".stats", u"damaged"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::vector<uint8_t> t0 = FileBytes(tokens), t1 = FileBytes(types), t2 = FileBytes(stats);
    c.damage();
    std::vector<std::vector<uint8_t>> damaged{FileBytes(tokens), FileBytes(types), FileBytes(stats)};
    const auto listed = FilesIn(tmp.Path() + u"index");
    auto reader = NewDoc();
    EXPECT_FALSE(reader->OpenAnIndexAndLoadWords(base).first);
    const UString why = reader->LastFailure();
    EXPECT_NE(why.find(c.file), UString::npos) << Utf16ToUtf8(why);
    EXPECT_NE(why.find(c.message), UString::npos) << Utf16ToUtf8(why);
    EXPECT_EQ(reader->ListKind, kListWordList);  // the document is as it was
    // Neither adding to it nor a new index without being asked to replace it touches it.
    auto adder = NewDoc();
    EXPECT_FALSE(adder->StartAnIndexHandler(base, kIndexAdd));
    EXPECT_FALSE(adder->StartAnIndexHandler(base, kIndexCreate));
    EXPECT_EQ(FilesIn(tmp.Path() + u"index"), listed);
    EXPECT_EQ((std::vector<std::vector<uint8_t>>{FileBytes(tokens), FileBytes(types), FileBytes(stats)}), damaged);
    // Put back for the next case.
    ASSERT_TRUE(SafeSaveBytes(tokens, t0.data(), static_cast<int64_t>(t0.size())));
    ASSERT_TRUE(SafeSaveBytes(types, t1.data(), static_cast<int64_t>(t1.size())));
    ASSERT_TRUE(SafeSaveBytes(stats, t2.data(), static_cast<int64_t>(t2.size())));
    ASSERT_EQ(Seen(), good);
  }
}

TEST_F(IndexBadInput, AChainThatDoesNotLeadForwardStopsItsWalk) {
  // RIVER is type 1 with places 1, 9, 14 (texts 1, 1, 2): 9 is made to lead back, to itself, out
  // of the records, or to name a text the index has not, one before the text of place 1, or no
  // byte.
  const UString tokens = base + u".tokens";
  struct Case {
    size_t field;  // in record 9
    int32_t value;
  };
  for (const Case& c : {Case{4, 1}, Case{4, 9}, Case{4, 5000}, Case{4, -7}, Case{8, 3}, Case{8, 0}, Case{12, -1}}) {
    SCOPED_TRACE(std::to_string(c.field) + ": " + std::to_string(c.value));
    const std::vector<uint8_t> old = FileBytes(tokens);
    ASSERT_EQ(I32At(old, 61 + 16 * 9) & 0x0FFFFFFF, 1);
    ASSERT_EQ(I32At(old, 61 + 16 * 9 + 8), 1);
    Patch(tokens, 61 + 16 * 9 + c.field, Le32(c.value));
    auto reader = NewDoc();
    ASSERT_TRUE(reader->OpenAnIndexAndLoadWords(base).first);
    TIndexHandler& index = *reader->IndexHandler();
    EXPECT_EQ(index.ListOfAllContextsToAWord(u"river")->Count(), 0);
    EXPECT_NE(index.LastFailure().find(u"damaged"), UString::npos) << Utf16ToUtf8(index.LastFailure());
    EXPECT_NE(index.LastFailure().find(u".tokens"), UString::npos);
    // Nothing more is read from a damaged index.
    EXPECT_EQ(index.ListOfAllContextsToAWord(u"bridge")->Count(), 0);
    EXPECT_FALSE(index.ComputeClusters());
    ASSERT_TRUE(SafeSaveBytes(tokens, old.data(), static_cast<int64_t>(old.size())));
  }
}

// "the old" stands at places 3-4 of text 1. With place 4 made to name text 2 (OLD's chain, 4 then
// 16, still leads forwards through the texts), the phrase is no longer found there.
TEST_F(IndexBadInput, APhraseIsNeverFoundAcrossTwoTextsEvenInADamagedFile) {
  const UString tokens = base + u".tokens";
  {
    auto reader = NewDoc();
    ASSERT_TRUE(reader->OpenAnIndexAndLoadWords(base).first);
    ASSERT_EQ(Places(*reader->IndexHandler()->AllContextsOf(u"the old")), (TPlaces{{0, 17}}));
  }
  ASSERT_EQ(I32At(FileBytes(tokens), 61 + 16 * 4 + 8), 1);
  Patch(tokens, 61 + 16 * 4 + 8, Le32(2));
  auto reader = NewDoc();
  ASSERT_TRUE(reader->OpenAnIndexAndLoadWords(base).first);
  TIndexHandler& index = *reader->IndexHandler();
  EXPECT_TRUE(index.AllContextsOf(u"the old")->holders.empty());
  EXPECT_EQ(index.ListOfAllContextsToAWord(u"old")->Count(), 2);
}

TEST_F(IndexBadInput, TextsChangedOrRemovedAreNamedAndTheirContextsLeftOut) {
  auto reader = NewDoc();
  ASSERT_TRUE(reader->OpenAnIndexAndLoadWords(base).first);
  EXPECT_EQ(reader->IndexHandler()->ListOfAllContextsToAWord(u"river")->Count(), 3);
  struct Case {
    const char* what;
    std::function<void()> change;
    int32_t rivers;  // contexts left
    int32_t changed;
  };
  const Case cases[] = {
      {"b grows", [&] { tmp.Write(u"texts/b.txt", "A bridge over the river, an old bridge. More"); }, 2, 1},
      {"a is removed", [&] { DeleteFileU(a); }, 0, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    c.change();
    auto doc = NewDoc();
    ASSERT_TRUE(doc->OpenAnIndexAndLoadWords(base).first);
    TIndexHandler& index = *doc->IndexHandler();
    const UString why = doc->LastFailure();
    EXPECT_NE(why.find(IntToUStr(c.changed) + u" text"), UString::npos) << Utf16ToUtf8(why);
    EXPECT_NE(why.find(u"b.txt"), UString::npos);
    EXPECT_NE(why.find(u"left out"), UString::npos);
    EXPECT_EQ(index.StaleTextCount(), c.changed);
    EXPECT_EQ(index.ListOfAllContextsToAWord(u"river")->Count(), c.rivers);
    // The words and their frequencies are the index's still.
    EXPECT_EQ(RowsOf(*doc->GetWordlistByListType(kListIndexWordlist)), RowsOf(*reader->GetWordlistByListType(kListIndexWordlist)));
  }
}

TEST_F(IndexBadInput, AnIndexUnderTheNameIsReplacedOnlyWhenAskedAndOnlyWhenSaved) {
  const UString c = tmp.Write(u"texts/c.txt", "zebra crossing");
  auto doc = NewDoc();
  EXPECT_FALSE(doc->StartAnIndexHandler(base, kIndexCreate));
  EXPECT_NE(doc->LastFailure().find(u"an index of that name is there"), UString::npos) << Utf16ToUtf8(doc->LastFailure());
  ASSERT_TRUE(doc->StartAnIndexHandler(base, kIndexCreate, true));
  TSharedChosenFilesClass chosen(false, nullptr, 1);
  chosen.ToolAddAFile(c);
  int32_t converted = 0;
  TMakeWordlistOptions o;
  o.threads = 2;
  ASSERT_TRUE(doc->MakeWordlist(chosen, 0, kListIndexWordlist, converted, o));
  EXPECT_EQ(Seen(), good);  // built, not saved yet: the old index is there as it was
  ASSERT_TRUE(doc->SaveToFile(base, 0, 0, 0));
  EXPECT_NE(Seen().find("ZEBRA"), std::string::npos);
  EXPECT_EQ(FilesIn(tmp.Path() + u"index"), files);
}

TEST_F(IndexBadInput, AWordNotInTheIndexIsNotFound) {
  auto reader = NewDoc();
  ASSERT_TRUE(reader->OpenAnIndexAndLoadWords(base).first);
  TIndexHandler& index = *reader->IndexHandler();
  for (const char16_t* typed : {u"zebra", u"river zebra", u"zebra river"}) {
    SCOPED_TRACE(Utf16ToUtf8(typed));
    EXPECT_TRUE(index.AllContextsOf(typed)->holders.empty());
    EXPECT_NE(index.LastFailure().find(u"not found"), UString::npos);
  }
  EXPECT_EQ(index.ListOfAllContextsToAWord(u"zebra")->Count(), 0);
  EXPECT_EQ(index.LastFailure(), u"zebra not found");
}

TEST_F(IndexBadInput, AStopOrATextOver2GiBLeavesTheOldIndex) {
  const UString c = tmp.Write(u"texts/c.txt", "zebra crossing");
  // A stop after the first text: the build is dropped.
  auto doc = NewDoc();
  ASSERT_TRUE(doc->StartAnIndexHandler(base, kIndexCreate, true));
  TSharedChosenFilesClass chosen(false, nullptr, 1);
  chosen.ToolAddAFile(c);
  chosen.ToolAddAFile(a);
  TMakeWordlistOptions o;
  o.threads = 1;
  o.after_text = [](int32_t, int32_t) { global_panic_state = kPanicEndOfText; };
  int32_t converted = 0;
  EXPECT_FALSE(doc->MakeWordlist(chosen, 0, kListIndexWordlist, converted, o));
  EXPECT_NE(doc->LastFailure().find(u"stopped"), UString::npos);
  EXPECT_FALSE(doc->SaveToFile(base, 0, 0, 0));
  global_panic_state = kPanicNone;
  ExpectOldIndex();
  // A stop while texts are added: the old index stays whole (nothing of it was cut or emptied).
  auto adder = NewDoc();
  ASSERT_TRUE(adder->StartAnIndexHandler(base, kIndexAdd));
  EXPECT_FALSE(adder->MakeWordlist(chosen, 0, kListIndexWordlist, converted, o));
  global_panic_state = kPanicNone;
  ExpectOldIndex();
  // A text over 2 GiB (a sparse file) is refused before anything is read.
  const UString huge = tmp.Path() + u"texts/huge.txt";
  tmp.Write(u"texts/huge.txt", "");
  ASSERT_EQ(::truncate(ToFsPath(huge).c_str(), int64_t{1} << 31), 0);
  auto other = NewDoc();
  ASSERT_TRUE(other->StartAnIndexHandler(base, kIndexAdd));
  TSharedChosenFilesClass big(false, nullptr, 1);
  big.ToolAddAFile(huge);
  EXPECT_FALSE(other->MakeWordlist(big, 0, kListIndexWordlist, converted, o));
  EXPECT_NE(other->LastFailure().find(u"huge.txt"), UString::npos) << Utf16ToUtf8(other->LastFailure());
  EXPECT_NE(other->LastFailure().find(u"2 GiB"), UString::npos);
  DeleteFileU(huge);
  ExpectOldIndex();
}

// Each write and each rename of a build, an add and a notes save fails in turn: every time the
// failure is named and the old index is there as it was.
TEST_F(IndexBadInput, AFailureAtEachWriteAndRenameLeavesTheOldIndex) {
  const UString c = tmp.Write(u"texts/c.txt", "zebra crossing by the river");
  struct Case {
    const char* what;
    std::function<bool(std::unique_ptr<T_WholeWordlistHolder>&)> attempt;
    const char* after;  // a row the index has once the attempt went through
  };
  const Case cases[] = {
      {"a new index in its place",
       [&](auto& doc) { return BuildIndex(*doc, base, {c}, 2, kIndexCreate, true); }, "ZEBRA/1/1"},
      {"texts added", [&](auto& doc) { return BuildIndex(*doc, base, {c}, 2, kIndexAdd); }, "RIVER/4/3"},
      {"the notes saved", [&](auto& doc) {
         if (!doc->OpenAnIndexAndLoadWords(base).first) return false;
         doc->fNotes.Add(u"a note of mine");
         return doc->SaveToFile(base, 0, 0, 0);
       }, "RIVER/3/2"},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    int64_t n = 0;
    for (;; ++n) {
      ASSERT_LT(n, 100);
      auto doc = NewDoc();
      SetIndexWriteFailureAfter(n);
      const bool ok = k.attempt(doc);
      const int64_t counted = IndexWritesCounted();
      SetIndexWriteFailureAfter(-1);
      if (ok) {
        EXPECT_LE(counted, n) << "a failed write was taken for success";
        break;
      }
      SCOPED_TRACE(n);
      EXPECT_NE(doc->LastFailure().find(u"No space left"), UString::npos) << Utf16ToUtf8(doc->LastFailure());
      ExpectOldIndex();
    }
    EXPECT_GT(n, 4);  // writes and renames were failed in turn before one went through
    EXPECT_NE(Seen().find(k.after), std::string::npos) << Seen();
    EXPECT_EQ(FilesIn(tmp.Path() + u"index"), files);
    // Back to the first index for the next case.
    auto doc = NewDoc();
    ASSERT_TRUE(BuildIndex(*doc, base, {a, b}, 1, kIndexCreate, true));
    ASSERT_EQ(Seen(), good);
  }
}

// The files of a folder with their bytes, to put a torn state back for each try of a recovery.
using TFolderState = std::map<UString, std::vector<uint8_t>>;
TFolderState StateOf(const UString& folder) {
  TFolderState s;
  for (const UString& n : FilesIn(folder)) s[n] = FileBytes(IncludeTrailingPathDelimiter(folder) + n);
  return s;
}
void PutState(const UString& folder, const TFolderState& s) {
  for (const UString& n : FilesIn(folder)) DeleteFileU(IncludeTrailingPathDelimiter(folder) + n);
  for (const auto& [n, bytes] : s) ASSERT_TRUE(SafeSaveBytes(IncludeTrailingPathDelimiter(folder) + n, bytes.data(), static_cast<int64_t>(bytes.size())));
}

// Runs `work` in a child process that is killed (SIGKILL) before the step `kill_at` of a commit or
// recovery; true when the child was killed, false when it ran to its end.
bool KilledAt(int64_t kill_at, const std::function<void()>& work) {
  const pid_t pid = ::fork();
  if (pid == 0) {
    SetIndexCommitStepHook([kill_at](int64_t step) {
      if (step == kill_at) ::raise(SIGKILL);
    });
    work();
    ::_exit(0);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  EXPECT_TRUE(WIFSIGNALED(status) || (WIFEXITED(status) && WEXITSTATUS(status) == 0)) << status;
  return WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
}

// A save killed at each of its steps, and the recovery after it killed at each of its own: the
// next opener finds the old index or the new one, whole, says which, and leaves nothing else.
TEST_F(IndexBadInput, AKillAtEachStepOfASaveLeavesTheOldIndexOrTheNewOneWhole) {
  const UString folder = tmp.Path() + u"index";
  const UString c = tmp.Write(u"texts/c.txt", "zebra crossing by the river");
  ForceDirectories(tmp.Path() + u"new");
  {
    auto doc = NewDoc();
    ASSERT_TRUE(BuildIndex(*doc, tmp.Path() + u"new/corpus", {a, b, c}));
  }
  const std::vector<UString> exts{u".tokens", u".types", u".stats", u".markup"};
  std::vector<std::vector<uint8_t>> fresh;
  for (const UString& e : exts) fresh.push_back(FileBytes(tmp.Path() + u"new/corpus" + e));
  const TFolderState before = StateOf(folder);
  for (size_t i = 0; i < exts.size(); ++i)
    ASSERT_TRUE(SafeSaveBytes(base + exts[i], fresh[i].data(), static_cast<int64_t>(fresh[i].size())));
  const std::string after = Seen();
  ASSERT_NE(after.find("ZEBRA/1/1"), std::string::npos) << after;
  PutState(folder, before);

  auto commit = [&] {
    std::vector<std::unique_ptr<TIndexFile>> temps;
    UString why;
    for (size_t i = 0; i < exts.size(); ++i) temps.push_back(TIndexFile::TempHolding(base + exts[i], fresh[i], why));
    if (!CommitIndexFiles(temps, IndexCommitRecordName(base), &why)) ::_exit(4);
  };
  auto recover = [&] { RecoverIndexCommit(IndexCommitRecordName(base), nullptr); };
  int olds = 0, news = 0, opened = 0;
  for (int64_t n = 0;; ++n) {
    ASSERT_LT(n, 60);
    SCOPED_TRACE("save killed before step " + std::to_string(n));
    PutState(folder, before);
    const bool killed = KilledAt(n, commit);
    const TFolderState torn = StateOf(folder);
    for (int64_t m = 0;; ++m) {
      ASSERT_LT(m, 60);
      SCOPED_TRACE("recovery killed before step " + std::to_string(m));
      PutState(folder, torn);
      const bool recovery_killed = KilledAt(m, recover);
      if (m == 0 && torn.count(u"corpus.commit")) {
        // The first opener after the kill says what it found.
        auto reader = NewDoc();
        ASSERT_TRUE(reader->OpenAnIndexAndLoadWords(base).first) << Utf16ToUtf8(reader->LastFailure());
        EXPECT_NE(reader->LastFailure().find(u"corpus.commit"), UString::npos) << Utf16ToUtf8(reader->LastFailure());
      }
      const std::string seen = Seen();
      EXPECT_TRUE(seen == good || seen == after) << seen;
      EXPECT_EQ(FilesIn(folder), files);
      if (m == 0) (seen == good ? olds : news)++;
      ++opened;
      // Without a record, recovering only removes a dead writer's files: one try is enough.
      if (!recovery_killed || !torn.count(u"corpus.commit")) break;
    }
    if (!killed) break;
  }
  EXPECT_GT(olds, 3);
  EXPECT_GT(news, 3);
  RecordProperty("opened", opened);
}

// A commit record as a save writes it: state 1 pending, 2 done; each move its final name, its
// temporary sibling and its aside (empty: no file was there).
std::vector<uint8_t> CommitRecordBytes(uint32_t state, const std::vector<std::array<UString, 3>>& moves) {
  Bytes r;
  r.ascii("LZIXCOMT").put<uint32_t>(1).put<uint32_t>(state).put<uint32_t>(static_cast<uint32_t>(moves.size()));
  for (const auto& [final_name, temp, aside] : moves) {
    r.put<uint8_t>(aside.empty() ? 0 : 1);
    for (const UString* n : {&final_name, &temp, &aside}) r.counted(*n);
  }
  return r.b;
}

// A record naming what a save of the index never writes (files of another folder, other files of
// the index's folder, relative names, the live files as asides or temporaries) is refused with a
// message naming the record and the name, by the concordancer's opening and by the word-list
// tool's, and every file stays as it was: the record, the index, the files it names.
TEST_F(IndexBadInput, ARecordNamingWhatASaveNeverWritesIsRefusedAndTouchesNothing) {
  const UString folder = tmp.Path() + u"index/", outside = tmp.Path() + u"outside/", work = tmp.Path() + u"work/";
  for (const UString& f : {outside, work})
    for (const char16_t* n : {u"victim.txt", u"other.txt", u"third.txt"})
      tmp.Write(f.substr(tmp.Path().size()) + n, "the user's own " + Utf16ToUtf8(n));
  tmp.Write(u"index/notes.txt", "notes beside the index");
  tmp.Write(u"index/user.txt", "a user's file beside the index");
  const UString tokens = base + u".tokens", types = base + u".types", stats = base + u".stats";
  const UString temp = folder + u".~corpus.tokens.41_42.tmp", aside = folder + u".~corpus.tokens.43_44.old";
  // The shapes of a save's own names, pointing elsewhere.
  tmp.Write(u"index/.~corpus.tokens.43_44.old", "an aside that is there");
  struct TCase {
    const char* what;
    uint32_t state;
    std::vector<std::array<UString, 3>> moves;
    UString refused;  // the name the message gives
  };
  const std::vector<TCase> cases = {
      {"pending, every name in another folder", 1,
       {{outside + u"victim.txt", outside + u"other.txt", outside + u"third.txt"}}, outside + u"victim.txt"},
      {"pending, the index's file put back from another folder", 1, {{tokens, temp, outside + u"third.txt"}},
       outside + u"third.txt"},
      {"done, temporary and aside the user's files beside the index", 2,
       {{tokens, folder + u"notes.txt", folder + u"user.txt"}}, folder + u"notes.txt"},
      {"done, another file of the folder as the final name", 2,
       {{folder + u"notes.txt", folder + u".~notes.txt.1_2.tmp", folder + u".~notes.txt.3_4.old"}},
       folder + u"notes.txt"},
      {"relative names", 1, {{u"victim.txt", u"other.txt", u"third.txt"}}, u"victim.txt"},
      {"relative names of the index's own files", 1,
       {{u"corpus.tokens", u".~corpus.tokens.41_42.tmp", u".~corpus.tokens.43_44.old"}}, u"corpus.tokens"},
      {"done, the live types file as the aside", 2, {{tokens, temp, types}}, types},
      {"done, the live statistics as the temporary file", 2, {{tokens, stats, aside}}, stats},
      {"pending, an aside of a save's shape in another folder", 1,
       {{tokens, temp, outside + u".~corpus.tokens.43_44.old"}}, outside + u".~corpus.tokens.43_44.old"},
      {"an aside of a save's shape that climbs out of the folder", 2,
       {{tokens, temp, folder + u".~corpus.tokens.1_2.old/../../outside/victim.txt"}},
       folder + u".~corpus.tokens.1_2.old/../../outside/victim.txt"},
      {"an aside named for another of the index's files", 2, {{tokens, temp, folder + u".~corpus.types.1_2.old"}},
       folder + u".~corpus.types.1_2.old"},
      {"an aside whose number is no number", 2, {{tokens, temp, folder + u".~corpus.tokens.x_2.old"}},
       folder + u".~corpus.tokens.x_2.old"},
      {"one of the index's files named twice", 1, {{tokens, temp, aside}, {tokens, temp, aside}}, tokens},
  };
  const UString record = IndexCommitRecordName(base);
  const std::string old_tmpdir = std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "";
  setenv("TMPDIR", Utf16ToUtf8(work).c_str(), 1);  // a request that went through would land here
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.what);
    const std::vector<uint8_t> bytes = CommitRecordBytes(c.state, c.moves);
    ASSERT_TRUE(SafeSaveBytes(record, bytes.data(), static_cast<int64_t>(bytes.size())));
    const TFolderState index_before = StateOf(folder), outside_before = StateOf(outside), work_before = StateOf(work);
    auto untouched = [&] {
      EXPECT_EQ(StateOf(folder), index_before);
      EXPECT_EQ(StateOf(outside), outside_before);
      EXPECT_EQ(StateOf(work), work_before);
    };
    // The concordancer's road: the index is opened by the library.
    auto reader = NewDoc();
    EXPECT_FALSE(reader->OpenAnIndexAndLoadWords(base).first);
    for (const UString& named : {record, u"\"" + c.refused + u"\""})
      EXPECT_NE(reader->LastFailure().find(named), UString::npos) << Utf16ToUtf8(reader->LastFailure());
    untouched();
    // The word-list tool's road, run in a folder of the user's own.
    const wordlist_tool_test::TToolRun run =
        wordlist_tool_test::RunWordlistProgram({"contexts", Utf16ToUtf8(base), "river"}, Utf16ToUtf8(tmp.Path()),
                                               Utf16ToUtf8(work));
    untouched();
    EXPECT_EQ(run.code, 1) << run.err;
    EXPECT_NE(run.err.find(Utf16ToUtf8(record) + ": names \"" + Utf16ToUtf8(c.refused) + "\""), std::string::npos)
        << run.err;
    DeleteFileU(record);
    EXPECT_EQ(Seen(), good);
  }
  if (old_tmpdir.empty()) unsetenv("TMPDIR");
  else setenv("TMPDIR", old_tmpdir.c_str(), 1);
}

TEST_F(IndexBadInput, AFullDiskIsNamedBySystemError) {
  std::string body;
  for (int i = 0; i < 20000; ++i) body += "river" + std::to_string(i % 300) + " ";
  const UString big = tmp.Write(u"texts/big.txt", body);
  auto doc = NewDoc();
  {
    FileSizeLimit limit(100000);  // the records alone pass it
    EXPECT_FALSE(BuildIndex(*doc, base, {big}, 1, kIndexCreate, true));
  }
  EXPECT_NE(doc->LastFailure().find(u"File too large"), UString::npos) << Utf16ToUtf8(doc->LastFailure());
  EXPECT_NE(doc->LastFailure().find(u"corpus.tokens"), UString::npos) << Utf16ToUtf8(doc->LastFailure());
  ExpectOldIndex();
}

}  // namespace

namespace {

// A folder that cannot be written (here a file stands where the folder should be, which refuses
// even a user who may write anywhere): a build, an add and a save elsewhere are refused with the
// system's reason, and nothing is written anywhere.
TEST_F(IndexBadInput, AFolderThatCannotBeWrittenIsNamed) {
  const UString blocked = tmp.Write(u"blocked", "a file, not a folder");
  const UString there = blocked + u"/corpus";
  struct Case {
    const char* what;
    std::function<bool(T_WholeWordlistHolder&)> attempt;
  };
  const Case cases[] = {
      {"a new index", [&](T_WholeWordlistHolder& doc) { return BuildIndex(doc, there, {a}); }},
      {"texts added to none", [&](T_WholeWordlistHolder& doc) { return BuildIndex(doc, there, {a}, 1, kIndexAdd); }},
      {"an opened index saved there", [&](T_WholeWordlistHolder& doc) {
         return doc.OpenAnIndexAndLoadWords(base).first && doc.SaveToFile(there, 0, 0, 0);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto doc = NewDoc();
    EXPECT_FALSE(c.attempt(*doc));
    EXPECT_NE(doc->LastFailure().find(u"Not a directory"), UString::npos) << Utf16ToUtf8(doc->LastFailure());
    EXPECT_NE(doc->LastFailure().find(u"blocked"), UString::npos) << Utf16ToUtf8(doc->LastFailure());
    EXPECT_EQ(FileBytes(blocked), Bytes().ascii("a file, not a folder").b);
    ExpectOldIndex();
  }
}

}  // namespace

namespace {

// Bytes of the files changed at random, a few at a time: the index is refused, or it opens and
// every look-up, the clusters and the export end without reading outside the files or looping.
TEST_F(IndexBadInput, RandomlyDamagedFilesAreRefusedOrReadSafely) {
  const UString tokens = base + u".tokens", types = base + u".types";
  const std::vector<uint8_t> t0 = FileBytes(tokens), t1 = FileBytes(types);
  std::mt19937 rng(17);
  int opened = 0, refused = 0;
  for (int round = 0; round < 100; ++round) {
    SCOPED_TRACE(round);
    std::vector<uint8_t> a = t0, b = t1;
    std::vector<uint8_t>& victim = round % 2 ? a : b;
    // Mostly the records (where a damage can pass the head's checks), now and then anywhere.
    const size_t from = round % 5 == 0 ? 0 : 61;
    const size_t to = victim.size() - (victim.data() == a.data() ? 3352 : 0);
    for (int k = 0, n = 1 + static_cast<int>(rng() % 4); k < n; ++k)
      victim[from + rng() % (to - from)] = static_cast<uint8_t>(rng());
    ASSERT_TRUE(SafeSaveBytes(tokens, a.data(), static_cast<int64_t>(a.size())));
    ASSERT_TRUE(SafeSaveBytes(types, b.data(), static_cast<int64_t>(b.size())));
    auto reader = NewDoc();
    if (!reader->OpenAnIndexAndLoadWords(base).first) {
      ++refused;
      EXPECT_FALSE(reader->LastFailure().empty());
      continue;
    }
    ++opened;
    TIndexHandler& index = *reader->IndexHandler();
    index.fThreads = 2;
    for (int32_t t = 0; t < index.TypeCount(); ++t) {
      const UString w = index.WordFromWordType(t);
      const auto contexts = index.ListOfAllContextsToAWord(w);
      EXPECT_LE(contexts->Count(), index.TotalTokensInIndex);
      index.AllContextsOf(w + u" " + index.WordFromWordType((t + 1) % index.TypeCount()));
    }
    index.ComputeClusters();
    index.ExportData(tmp.Path() + u"export.txt", 1, u"river");
  }
  EXPECT_GT(refused, 0);
  EXPECT_GT(opened, 0);
  ASSERT_TRUE(SafeSaveBytes(tokens, t0.data(), static_cast<int64_t>(t0.size())));
  ASSERT_TRUE(SafeSaveBytes(types, t1.data(), static_cast<int64_t>(t1.size())));
  EXPECT_EQ(Seen(), good);
}

}  // namespace
