// Requests from other tools: the hand-over file, the texts built from it, the existence check
// and the hand-over folder.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <random>

#include "../model/text_reader_test_support.h"
#include "concordance/document/source_files.h"
#include "concordance/document/tell_list.h"
#include "model/reading/chosen_texts_handover.h"
#include "model/reading/text_statistics.h"
#include "platform/rtl/files.h"
#include "platform/rtl/streams.h"
#include "platform/runtime/vx_dialogs.h"
#include "platform/runtime/vx_runtime.h"
#include "platform/runtime/vx_tools.h"
#include "support/temp_folder.h"

using text_reader_test::ScopedSettings;

namespace {

// The system temporary folder pointed at a folder of the test's own, so that hand-over files of
// tests run side by side never meet.
class ScopedTmpdir {
 public:
  ScopedTmpdir() {
    if (const char* old = std::getenv("TMPDIR")) had_ = true, old_ = old;
    setenv("TMPDIR", Utf16ToUtf8(folder_.Path()).c_str(), 1);
  }
  ~ScopedTmpdir() {
    if (had_) setenv("TMPDIR", old_.c_str(), 1);
    else unsetenv("TMPDIR");
  }
  const TempFolder& Folder() const { return folder_; }

 private:
  TempFolder folder_;
  bool had_ = false;
  std::string old_;
};

// Answers scripted questions for the life of the object.
class ScopedDialogs {
 public:
  explicit ScopedDialogs(const std::vector<int>& answers) {
    for (int a : answers) dialogs_.Script({a});
    SetDialogService(&dialogs_);
  }
  ~ScopedDialogs() { SetDialogService(nullptr); }
  const THeadlessDialogService& Service() const { return dialogs_; }

 private:
  THeadlessDialogService dialogs_;
};

struct TTexts {
  TempFolder tmp;
  UString a = tmp.Write(u"a.txt", "alpha text");
  UString b = tmp.Write(u"b.txt", "beta text, longer");
};

void AddSourceRow(TLinzoraFilenamelist& files, const UString& name, int32_t number) {
  TLinzoraFilenameEntryRecPlus rec;
  rec.full_filename = name;
  rec.head.filestatus = kFilePresent;
  rec.other_data.zero_based_filename_num = number;
  rec.other_data.file_size = FileSizeU(name);
  files.Add(new TLinzoraFilenameEntry(&files, rec));
}

void AddStatsRow(TVXStatsList& stats, const UString& name, bool found) {
  TOne_text_stats_rec r;
  r.name = name;
  r.data.size_count = static_cast<int32_t>(FileSizeU(name));
  r.data.julian_date = 2450000.5;
  r.data.found = found ? 1 : 0;
  stats.Add(new TStatsEntry(r, false, &stats));
}

// A request from the word-list tool: two items with context words and jumps (not in order).
void FillRequest(TTellLinzoraList& request) {
  request.fPreliminaries.include_context_words = 1;
  request.fPreliminaries.include_jumps = 1;
  request.fPreliminaries.version_numero = 3;
  request.fPreliminaries.drive_letter = u'C';
  TLinzoraInfoClass& one = request.AddItem(u"old");
  one.rec.instances_to_find = 50;
  one.rec.case_sensitivity = 1;
  one.word_details[1] = u"pre";
  one.context_words = {u"man", u"sea"};
  one.jumplist.holders = {{1, 0x90000000u}, {0, 7}, {1, 12}, {0, kNoJumpPosition}};
  TLinzoraInfoClass& two = request.AddItem(u"dog");
  two.rec.tag_number1Based = 2;
  two.jumplist.holders = {{1, 30}};
}

// A private settings store and temporary folder, two texts and a filled request.
struct TScene {
  ScopedSettings settings;
  ScopedTmpdir tmpdir;
  TTexts texts;
  TTellLinzoraList out{kToolWordLister, kToolConcordancer};
  TScene() { FillRequest(out); }
};

std::string FileBytes(const UString& name) {
  auto f = TFileStream::Open(name, TFileMode::OpenRead);
  std::string out(f ? static_cast<size_t>(f->Size()) : 0, '\0');
  if (f) f->ReadExact(out.data(), static_cast<int64_t>(out.size()));
  return out;
}

void WriteBytes(const UString& name, const std::string& bytes) {
  auto f = TFileStream::Open(name, TFileMode::Create);
  ASSERT_TRUE(f);
  ASSERT_TRUE(f->WriteExact(bytes.data(), static_cast<int64_t>(bytes.size())));
}

std::vector<int64_t> Jumps(TVXFileDetails& chosen, int32_t i) {
  const TChosenFileDetailsFullRec d = chosen.GetFullFileDetails(i);
  return d.rec.jumps ? *d.rec.jumps : std::vector<int64_t>{};
}

}  // namespace

TEST(TellLinzoraList, RequestWithSourceFilesRoundTrips) {
  TScene scene;
  TTexts& texts = scene.texts;
  TTellLinzoraList& out = scene.out;
  TLinzoraFilenamelist& files = out.MakeSourceFileList();
  AddSourceRow(files, texts.a, 0);
  AddSourceRow(files, texts.b, 1);
  ASSERT_TRUE(out.SaveRequestFile()) << out.Failure().size();
  EXPECT_EQ(ExtractFileName(out.TempFilename()), Tool_Name(kToolWordLister) + u"_" + Tool_Name(kToolConcordancer) + u".tell_linzora");

  TTellLinzoraList in(kToolWordLister, kToolConcordancer);
  ASSERT_TRUE(in.ReadRequestFile()) << in.Failure().size();
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&in.fPreliminaries), 40),
            std::string(reinterpret_cast<const char*>(&out.fPreliminaries), 40));
  ASSERT_TRUE(in.SourceFileList());
  ASSERT_EQ(in.SourceFileList()->Count(), 2);
  EXPECT_EQ(in.SourceFileList()->GetFullFilename(1, false), texts.b);
  ASSERT_EQ(in.Count(), 2);
  const TLinzoraInfoClass& one = *in.Item(0);
  EXPECT_EQ(one.word_details[0], u"old");
  EXPECT_EQ(one.word_details[1], u"pre");
  EXPECT_EQ(one.rec.instances_to_find, 50);
  EXPECT_EQ(one.rec.case_sensitivity, 1);
  EXPECT_EQ(one.context_words, (std::vector<UString>{u"man", u"sea"}));
  // Sorted by position as unsigned numbers: the none marker and 0x90000000 come last.
  std::vector<uint32_t> positions;
  for (const TLinzoraJumpTo& h : one.jumplist.holders) positions.push_back(h.byte_position);
  EXPECT_EQ(positions, (std::vector<uint32_t>{7, 12, 0x90000000u, kNoJumpPosition}));
  EXPECT_EQ(one.jumplist.Filenumbers(), (std::vector<int32_t>{0, 1}));
  EXPECT_EQ(in.Item(1)->rec.tag_number1Based, 2);
  // A second save writes the same bytes.
  const std::string first = FileBytes(out.TempFilename());
  ASSERT_TRUE(in.SaveRequestFile());
  EXPECT_EQ(FileBytes(in.TempFilename()), first);
  // With a source-file list the texts come without jumps, even when the items carry some.
  auto chosen = in.OtherToolRequestFiles();
  ASSERT_EQ(chosen->FileCount(), 2);
  EXPECT_TRUE(Jumps(*chosen, 0).empty());
  EXPECT_TRUE(Jumps(*chosen, 1).empty());
}

TEST(TellLinzoraList, ChosenTextsFromAStatisticsList) {
  TScene scene;
  TTexts& texts = scene.texts;
  TTellLinzoraList& out = scene.out;
  TVXStatsList& stats = out.MakeStatsList();
  AddStatsRow(stats, texts.a, true);
  AddStatsRow(stats, texts.b, true);
  AddStatsRow(stats, texts.tmp.Path() + u"gone.txt", false);
  out.Item(1)->jumplist.holders.push_back({2, 5});  // a row not found is not chosen
  out.Item(1)->jumplist.holders.push_back({9, 5});  // a number outside the list does nothing
  ASSERT_TRUE(out.SaveRequestFile());
  TTellLinzoraList in(kToolWordLister, kToolConcordancer);
  ASSERT_TRUE(in.ReadRequestFile()) << in.Failure().size();
  ASSERT_TRUE(in.StatsList());

  auto chosen = in.OtherToolRequestFiles();
  ASSERT_EQ(chosen->FileCount(), 2);
  // a.txt: its one position (the holder without one adds none); b.txt: two jumps of item one
  // and one of item two, into one text, sorted.
  EXPECT_EQ(chosen->GetFullFileDetails(1).rec.filename, u"b.txt");
  EXPECT_EQ(Jumps(*chosen, 0), (std::vector<int64_t>{7}));
  EXPECT_EQ(Jumps(*chosen, 1), (std::vector<int64_t>{12, 30, 0x90000000LL}));
  // One item's jumps only.
  auto some = in.SubSetOfOtherToolRequestFiles(in.Item(1)->jumplist);
  ASSERT_EQ(some->FileCount(), 1);
  EXPECT_EQ(Jumps(*some, 0), (std::vector<int64_t>{30}));
  // Without jumps every row found is chosen, none with a jump.
  in.fPreliminaries.include_jumps = 0;
  auto all = in.OtherToolRequestFiles();
  ASSERT_EQ(all->FileCount(), 2);
  EXPECT_TRUE(Jumps(*all, 0).empty());
}

TEST(TellLinzoraList, NoFileListGivesNoTexts) {
  ScopedSettings settings;
  ScopedTmpdir tmpdir;
  TTellLinzoraList out(kToolWordLister, kToolConcordancer);
  FillRequest(out);
  ASSERT_TRUE(out.SaveRequestFile());
  TTellLinzoraList in(kToolWordLister, kToolConcordancer);
  ASSERT_TRUE(in.ReadRequestFile());
  EXPECT_EQ(in.FileList(), nullptr);
  EXPECT_EQ(in.OtherToolRequestFiles()->FileCount(), 0);
  EXPECT_EQ(in.CheckWhetherAllFilesExist(), -1);
}

TEST(TellLinzoraList, MissingTextsAskOrCancel) {
  struct Case {
    int present;               // of two texts
    std::vector<int> answers;  // scripted
    int32_t result;
    size_t asked;
  } cases[] = {{2, {}, 2, 0}, {0, {}, 0, 1}, {1, {mrCancel}, 0, 1}, {1, {mrOK}, 1, 1}};
  for (const Case& c : cases) {
    ScopedSettings settings;
    TTexts texts;
    TTellLinzoraList request(kToolWordLister, kToolConcordancer);
    TLinzoraFilenamelist& files = request.MakeSourceFileList();
    AddSourceRow(files, c.present >= 1 ? texts.a : texts.tmp.Path() + u"x.txt", 0);
    AddSourceRow(files, c.present >= 2 ? texts.b : texts.tmp.Path() + u"y.txt", 1);
    ScopedDialogs dialogs(c.answers);
    EXPECT_EQ(request.CheckWhetherAllFilesExist(), c.result) << c.present;
    ASSERT_EQ(dialogs.Service().Asked().size(), c.asked) << c.present;
    if (c.asked) {
      EXPECT_EQ(dialogs.Service().Asked()[0].id, c.present == 0 ? TVXDialog::CancellingAsNoneOfTheSourceTextsFound
                                                                : TVXDialog::CancelAsSomeSourceTextsNotFound);
    }
  }
}

TEST(TellLinzoraList, CutOrGarbledRequestIsRefusedWithNothingKept) {
  TScene scene;
  TTexts& texts = scene.texts;
  TTellLinzoraList& out = scene.out;
  TVXStatsList& stats = out.MakeStatsList();
  AddStatsRow(stats, texts.a, true);
  ASSERT_TRUE(out.SaveRequestFile());
  const UString name = out.TempFilename();
  const std::string bytes = FileBytes(name);
  auto refused = [&](const std::string& damaged, const std::string& what) {
    WriteBytes(name, damaged);
    TTellLinzoraList in(kToolWordLister, kToolConcordancer);
    EXPECT_FALSE(in.ReadRequestFile()) << what;
    EXPECT_EQ(in.Count(), 0) << what;
    EXPECT_EQ(in.FileList(), nullptr) << what;
    EXPECT_NE(in.Failure().find(name), UString::npos) << what;
  };
  for (size_t cut = 0; cut < bytes.size(); ++cut) refused(bytes.substr(0, cut), "cut at " + std::to_string(cut));
  // Counts far beyond the bytes left: items, then the first item's context words, then its jumps.
  // The item count follows the preliminaries and the file list.
  TMemoryStream head;
  ASSERT_TRUE(WriteValue(head, out.fPreliminaries) && stats.SaveToStream(head));
  const size_t items_at = static_cast<size_t>(head.Size());
  auto with_count = [&](size_t at) {
    std::string damaged = bytes;
    const int32_t huge = 0x7FFFFFF0;
    std::memcpy(damaged.data() + at, &huge, 4);
    return damaged;
  };
  int32_t items = 0;
  std::memcpy(&items, bytes.data() + items_at, 4);
  ASSERT_EQ(items, 2);
  refused(with_count(items_at), "item count");
  refused(with_count(items_at + 4 + 36), "context-word count");
  refused(with_count(items_at + 4 + 36 + 4 + 2 * (4 + 6)), "jump count");  // after "man", "sea"
  // Random damage never crashes.
  std::mt19937 rng(5);
  for (int i = 0; i < 1000; ++i) {
    std::string damaged = bytes;
    damaged[rng() % damaged.size()] ^= static_cast<char>(1 + rng() % 255);
    WriteBytes(name, damaged);
    TTellLinzoraList in(kToolWordLister, kToolConcordancer);
    if (!in.ReadRequestFile()) {
      EXPECT_EQ(in.Count(), 0);
    }
  }
}

TEST(TellLinzoraList, HandOverFolderIsTheUsersAlone) {
  TempFolder tmp;
  const UString fresh = tmp.Path() + u"fresh/";
  struct stat st {};
  // Made private.
  ASSERT_EQ(CheckedHandOverFolder(fresh), fresh);
  ASSERT_EQ(::lstat(Utf16ToUtf8(fresh).c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  // A wider one is narrowed.
  ::chmod(Utf16ToUtf8(fresh).c_str(), 0777);
  ASSERT_EQ(CheckedHandOverFolder(fresh), fresh);
  ::lstat(Utf16ToUtf8(fresh).c_str(), &st);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  // A link planted in its place, or a plain file, is refused.
  const UString link = tmp.Path() + u"link";
  ASSERT_EQ(::symlink(Utf16ToUtf8(fresh).c_str(), Utf16ToUtf8(link).c_str()), 0);
  UString why;
  EXPECT_EQ(CheckedHandOverFolder(link, &why), u"");
  EXPECT_NE(why.find(link), UString::npos);
  EXPECT_EQ(CheckedHandOverFolder(tmp.Write(u"file", "x")), u"");
  // Someone else's folder is refused (only root can make one here).
  if (::geteuid() == 0) {
    const UString theirs = tmp.Path() + u"theirs/";
    ASSERT_TRUE(ForceDirectories(theirs));
    ASSERT_EQ(::chown(Utf16ToUtf8(theirs).c_str(), 65534, 65534), 0);
    EXPECT_EQ(CheckedHandOverFolder(theirs, &why), u"");
    EXPECT_NE(why.find(u"another user"), UString::npos);
  }
}

// A request holds at most what a choice of texts handed between tools holds: a larger file, or
// one that says it has more items or context words, is refused with a message naming the file
// before it is read whole; one just within the bound is read.
TEST(TellLinzoraList, RequestsBeyondWhatAChoiceOfTextsHoldsAreRefusedUnread) {
  TScene scene;
  TTellLinzoraList& out = scene.out;
  AddStatsRow(out.MakeStatsList(), scene.texts.a, true);
  ASSERT_TRUE(out.SaveRequestFile());
  const UString name = out.TempFilename();
  const std::string bytes = FileBytes(name);
  TMemoryStream head;
  ASSERT_TRUE(WriteValue(head, out.fPreliminaries) && out.StatsList()->SaveToStream(head));
  const size_t items_at = static_cast<size_t>(head.Size());
  auto with_count = [&](size_t at, int32_t count) {
    std::string changed = bytes;
    std::memcpy(changed.data() + at, &count, 4);
    return changed;
  };
  const struct {
    const char* what;
    std::string bytes;
    int64_t size;       // the file is made this long (zeros after the request)
    bool read;
    const char16_t* said;
  } cases[] = {
      {"as written", bytes, 0, true, u""},
      {"padded to the bound", bytes, kMostChosenTextsBytes, true, u""},
      {"one byte beyond the bound", bytes, kMostChosenTextsBytes + 1, false, u"bytes"},
      {"400 MB", bytes, int64_t{400} << 20, false, u"bytes"},
      {"one item too many", with_count(items_at, kMostChosenTexts + 1), 0, false, u"items"},
      {"items up to the bound, cut short", with_count(items_at, kMostChosenTexts), 0, false, u"damaged"},
      {"one context word too many", with_count(items_at + 4 + 36, kMostChosenTexts + 1), 0, false, u"context words"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    WriteBytes(name, c.bytes);
    if (c.size > 0) {
      ASSERT_EQ(::truncate(Utf16ToUtf8(name).c_str(), c.size), 0);  // sparse: no disk used
    }
    TTellLinzoraList in(kToolWordLister, kToolConcordancer);
    EXPECT_EQ(in.ReadRequestFile(), c.read);
    EXPECT_EQ(in.Count(), c.read ? 2 : 0);
    if (!c.read) {
      EXPECT_NE(in.Failure().find(name), UString::npos) << Utf16ToUtf8(in.Failure());
      EXPECT_NE(in.Failure().find(c.said), UString::npos) << Utf16ToUtf8(in.Failure());
    }
  }
}

// The request file is read only when it is this user's plain file: a link planted at its name,
// a pipe, or someone else's file is refused unread, saying why; writing replaces a link.
TEST(TellLinzoraList, OnlyTheUsersOwnPlainRequestFileIsRead) {
  TScene scene;
  TTellLinzoraList& out = scene.out;
  ASSERT_TRUE(out.SaveRequestFile());
  const UString name = out.TempFilename();
  const std::string name8 = Utf16ToUtf8(name);
  const std::string bytes = FileBytes(name);
  struct stat st {};
  ASSERT_EQ(::stat(name8.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  const UString elsewhere = scene.texts.tmp.Write(u"planted", bytes);
  const struct {
    const char* what;
    int kind;  // 0 link, 1 pipe, 2 another user's file
    const char16_t* said;
  } cases[] = {{"a link", 0, u"link"}, {"a pipe", 1, u"not a plain file"}, {"another user's file", 2, u"another user"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    if (c.kind == 2 && ::geteuid() != 0) continue;  // only root can give a file away
    ::unlink(name8.c_str());
    if (c.kind == 0) {
      ASSERT_EQ(::symlink(Utf16ToUtf8(elsewhere).c_str(), name8.c_str()), 0);
    } else if (c.kind == 1) {
      ASSERT_EQ(::mkfifo(name8.c_str(), 0600), 0);
    } else {
      WriteBytes(name, bytes);
      ASSERT_EQ(::chown(name8.c_str(), 65534, 65534), 0);
    }
    TTellLinzoraList in(kToolWordLister, kToolConcordancer);
    EXPECT_FALSE(in.ReadRequestFile());
    EXPECT_EQ(in.Count(), 0);
    EXPECT_NE(in.Failure().find(c.said), UString::npos) << Utf16ToUtf8(in.Failure());
  }
  ::unlink(name8.c_str());
  ASSERT_EQ(::symlink(Utf16ToUtf8(elsewhere).c_str(), name8.c_str()), 0);
  ASSERT_TRUE(out.SaveRequestFile());
  EXPECT_EQ(::lstat(name8.c_str(), &st), 0);
  EXPECT_TRUE(S_ISREG(st.st_mode));
  EXPECT_EQ(FileBytes(elsewhere), bytes);
}
