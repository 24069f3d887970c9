// The index file streams on their own: the head of a file, block reads at the end of the
// records, the end-of-text mark, chains linked backwards, writes that fail part way, the type
// file read back, types left unloaded, and putting files in place together.
#include <sys/stat.h>

#include "../model/text_reader_test_support.h"
#include "platform/settings/settings_access.h"
#include "shell/services/suite_services.h"
#include "wordlist/index_clusters.h"
#include "wordlist/index_type_table.h"
#include "wordlist/index_test_support.h"
#include "wordlist/index_commit.h"
#include "wordlist/wordlist_indexer_streams.h"

namespace {

using namespace index_test;
using text_reader_test::ScopedSettings;

class IndexStreams : public testing::Test {
 protected:
  void SetUp() override {
    current_tool_var = kToolConcordancer;
    global_panic_state = kPanicNone;
  }
  void TearDown() override { SetIndexWriteFailureAfter(-1); }
  // A token stream writing into a temporary file beside `name`.
  std::unique_ptr<TTokenFileStream> NewTokens(const UString& name) {
    UString why;
    auto file = TIndexFile::CreateTemp(tmp.Path() + name, &why);
    EXPECT_TRUE(file) << Utf16ToUtf8(why);
    auto s = std::make_unique<TTokenFileStream>(nullptr, std::move(file));
    s->StartAppending(0);
    return s;
  }
  ScopedSettings settings;
  TempFolder tmp;
};

TTokensFileRec Rec(uint32_t type, int32_t file, int32_t byte) { return TTokensFileRec{type, -1, file, byte}; }

TEST_F(IndexStreams, AnIndexWithoutTokensHasItsSettingsAt61) {
  auto doc = NewDoc();
  const UString base = tmp.Path() + u"none";
  ASSERT_TRUE(BuildIndex(*doc, base, {tmp.Write(u"e.txt", "")}));
  const std::vector<uint8_t> tokens = FileBytes(base + u".tokens");
  ASSERT_EQ(tokens.size(), 61u + 3352u);
  EXPECT_EQ(I32At(tokens, 57), 0);
  EXPECT_EQ(I32At(tokens, 61), -1);  // the settings block's first word: -(0 running words + 1)
  EXPECT_EQ(I32At(FileBytes(base + u".types"), 57), 0);
  auto reader = NewDoc();
  ASSERT_TRUE(reader->OpenAnIndexAndLoadWords(base).first) << Utf16ToUtf8(reader->LastFailure());
  EXPECT_EQ(reader->IndexHandler()->TypeCount(), 0);
  EXPECT_EQ(reader->IndexHandler()->DudSeeds, 0);
  EXPECT_EQ(reader->Stats().Count(), 1);
}

TEST_F(IndexStreams, TheHeadIsCheckedBeforeAnythingElseIsRead) {
  struct Case {
    const char* what;
    std::string bytes;
    int32_t entries;
  };
  TCheckSignature h;
  FillCheckSignature(h, kToolWordLister, kListIndex, 1, -1, 0);
  const std::string ours(reinterpret_cast<const char*>(&h), 57);
  FillCheckSignature(h, kToolConcordancer, kListIndex, 1, -1, 0);
  const std::string theirs(reinterpret_cast<const char*>(&h), 57);
  FillCheckSignature(h, kToolWordLister, kListWordList, 1, -1, 0);
  const std::string other_kind(reinterpret_cast<const char*>(&h), 57);
  const Case cases[] = {
      {"ours", ours + std::string("\x07\x00\x00\x00", 4), 7},
      {"another tool's signature", theirs + std::string("\x07\x00\x00\x00", 4), -1},
      {"another list kind", other_kind + std::string("\x07\x00\x00\x00", 4), -1},
      {"no count after the head", ours, -1},
      {"not even a head", "short", -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    UString why;
    TIndexFileStream s(nullptr, TIndexFile::OpenRead(tmp.Write(u"h.tokens", c.bytes), &why));
    EXPECT_EQ(s.ReadNEntries(), c.entries);
  }
}

TEST_F(IndexStreams, BlockReadsNearTheEndLeaveTheRestUnset) {
  auto doc = NewDoc();
  std::string body;
  for (int i = 0; i < 150; ++i) body += "w" + std::to_string(i % 7) + " ";
  const UString base = tmp.Path() + u"block";
  ASSERT_TRUE(BuildIndex(*doc, base, {tmp.Write(u"b.txt", body)}));
  auto reader = NewDoc();
  ASSERT_TRUE(reader->OpenAnIndexAndLoadWords(base).first);
  const TTokenFileStream& tokens = *reader->IndexHandler()->Tokens();
  ASSERT_EQ(tokens.TokenEntries(), 150);
  TTokensFileRec block[TTokenFileStream::kBlockRecords];
  EXPECT_FALSE(tokens.ReadSeveralTextOrderRecs(110, 102, block));  // 40 records before the end
  for (int i = 0; i < 102; ++i) {
    SCOPED_TRACE(i);
    if (i < 40) {
      EXPECT_EQ(block[i].file_byte_position, tokens.ReadTokenRecord(110 + i).file_byte_position);
      EXPECT_EQ(TypeRecWithoutTextMarker(block[i].word_type_number), static_cast<uint32_t>((110 + i) % 7));
    } else {
      EXPECT_EQ(std::memcmp(&block[i], "\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF", 16), 0);
    }
  }
  EXPECT_TRUE(tokens.ReadSeveralTextOrderRecs(48, 102, block));
  EXPECT_FALSE(tokens.ReadSeveralTextOrderRecs(0, 103, block));
  EXPECT_THROW(tokens.ReadTokenRecord(150), std::runtime_error);
  EXPECT_THROW(tokens.ReadTokenRecord(-1), std::runtime_error);
  EXPECT_EQ(tokens.ReadTokenRecordUnmarked(149).word_type_number, 149u % 7);
}

TEST_F(IndexStreams, TheEndOfATextMarksOnlyATokenOfThatText) {
  auto s = NewTokens(u"eot.tokens");
  ASSERT_TRUE(s->WriteNEntries(0));
  const std::vector<uint8_t> head = FileBytes(s->File().Name());
  // A text without a token before any token: nothing is marked, the head stays as it was.
  ASSERT_TRUE(s->MakeLastEntryEOT(0));
  EXPECT_EQ(FileBytes(s->File().Name()), head);
  ASSERT_TRUE(s->WriteAtEnd(Rec(5, 1, 0)));
  ASSERT_TRUE(s->MakeLastEntryEOT(0));
  ASSERT_TRUE(s->WriteAtEnd(Rec(WithTextMarker(6, kMarkPunctuation), 2, 0)));
  ASSERT_TRUE(s->FlushRecords());
  // The next text gave no token: the last one (of the text before) is not marked again.
  ASSERT_TRUE(s->MakeLastEntryEOT(2));
  std::vector<uint8_t> b = FileBytes(s->File().Name());
  EXPECT_EQ(static_cast<uint32_t>(I32At(b, 61 + 16)), 0x10000006u);
  // On disk, the last record is read, marked and written back; its punctuation flag stays.
  ASSERT_TRUE(s->MakeLastEntryEOT(1));
  b = FileBytes(s->File().Name());
  EXPECT_EQ(static_cast<uint32_t>(I32At(b, 61)), 0x80000005u);
  EXPECT_EQ(static_cast<uint32_t>(I32At(b, 61 + 16)), 0x90000006u);
  EXPECT_EQ(std::vector<uint8_t>(b.begin(), b.begin() + 61), head);
}

TEST_F(IndexStreams, ChainsAreLinkedBackwardsAcrossWhatIsWrittenAndWhatIsHeld) {
  auto s = NewTokens(u"chains.tokens");
  const uint32_t types[] = {0, 1, 0, 2, 1, 0, 3, 0};
  for (int i = 0; i < 8; ++i) {
    ASSERT_TRUE(s->WriteAtEnd(Rec(types[i], 1, i)));
    if (i == 3) {
      ASSERT_TRUE(s->FlushRecords());  // half on disk, half in memory
    }
  }
  ASSERT_TRUE(s->TruncateTo(7));  // the last record is taken back
  ASSERT_TRUE(s->LinkChains(4));
  TIndexSettingsBlock block = GetWordlistIndexSettings();
  ASSERT_TRUE(s->Saved(block));
  const std::vector<uint8_t> b = FileBytes(s->File().Name());
  ASSERT_EQ(b.size(), 61u + 16 * 7 + 3352);
  EXPECT_EQ(I32At(b, 57), 7);
  const int32_t next[] = {2, 4, 5, -1, -1, -1, -1};
  for (int i = 0; i < 7; ++i) EXPECT_EQ(I32At(b, 61 + 16 * i + 4), next[i]) << i;
  // Taken back from the disk too.
  ASSERT_TRUE(s->TruncateTo(2));
  EXPECT_EQ(s->AppendedEntries(), 2);
}

TEST_F(IndexStreams, AWriteIsDoneOnlyWhenEveryByteWasWritten) {
  auto s = NewTokens(u"short.tokens");
  {
    FileSizeLimit limit(40);  // the head needs 61 bytes
    EXPECT_FALSE(s->WriteNEntries(3));
  }
  EXPECT_NE(s->File().Error().find(u"File too large"), UString::npos) << Utf16ToUtf8(s->File().Error());
  ASSERT_TRUE(s->WriteNEntries(0));
  for (int i = 0; i < 10; ++i) ASSERT_TRUE(s->WriteAtEnd(Rec(0, 1, i)));
  {
    FileSizeLimit limit(61 + 16 * 5);  // half the records fit
    EXPECT_FALSE(s->FlushRecords());
  }
  EXPECT_TRUE(s->Failed());
  EXPECT_NE(s->File().Error().find(u"File too large"), UString::npos) << Utf16ToUtf8(s->File().Error());
  EXPECT_FALSE(s->WriteAtEnd(Rec(0, 1, 0)) && s->FlushRecords());
  auto t = NewTokens(u"seam.tokens");
  SetIndexWriteFailureAfter(0);
  EXPECT_FALSE(t->WriteNEntries(0));
  EXPECT_NE(t->File().Error().find(u"No space left"), UString::npos);
}

TEST_F(IndexStreams, TheTypeFileIsReadBackAndADamagedTableIsNotTrusted) {
  UString why;
  auto file = TIndexFile::CreateTemp(tmp.Path() + u"one.types", &why);
  const UString name = file->Name();
  file->Keep();
  TTypeFileStream w(nullptr, std::move(file));
  TIndexTypeFileRec r{};
  r.first_token_place = 0;
  r.last_token_place = 2;
  r.last_running_word_count = 3;
  r.n_texts = 1;
  r.freq = 3;
  ASSERT_TRUE(w.WriteAllData(1, [&](int32_t) -> const TIndexTypeFileRec& { return r; },
                             [](int32_t) { return UStringView(u"ONLY"); }, {{u"Word"}, {u"a note"}}));
  // One type: it is read, and the headings and notes follow it.
  TTypeFileStream rd(nullptr, TIndexFile::OpenRead(name, &why));
  TIndexTypeView got;
  TTypeFileTail tail;
  int64_t frequencies = 0;
  SetBugReportContext(u"", u"");
  ASSERT_TRUE(rd.ReadAllData(3, got, tail, frequencies, why)) << Utf16ToUtf8(why);
  // A report of a failure while reading says where it happened.
  EXPECT_NE(BugReportText().find(u"reading type file (ReadAllData)"), UString::npos) << Utf16ToUtf8(BugReportText());
  ASSERT_EQ(got.Count(), 1);
  EXPECT_EQ(got.Text(0), u"ONLY");
  EXPECT_EQ(got.Record(0).freq, 3);
  EXPECT_EQ(frequencies, 3);
  EXPECT_EQ(got.Find(u"", u"ONLY"), 0);
  EXPECT_EQ(got.Find(u"", u"OTHER"), -1);
  EXPECT_EQ(tail.headings, std::vector<UString>{u"Word"});
  EXPECT_EQ(tail.notes, std::vector<UString>{u"a note"});
  EXPECT_EQ(rd.GridHeadingsStart(), 61 + 4 + 40 + 8);
  TIndexTypeRec one;
  EXPECT_TRUE(rd.ReadTypeRecord(0, one));
  EXPECT_EQ(one.data, u"ONLY");
  EXPECT_FALSE(rd.ReadTypeRecord(1, one));
  // The same record read through a table entry that points one byte off: another number there.
  std::vector<uint8_t> b = FileBytes(name);
  b[61] = static_cast<uint8_t>(b[61] + 2);
  ASSERT_TRUE(SafeSaveBytes(name, b.data(), static_cast<int64_t>(b.size())));
  TTypeFileStream bad(nullptr, TIndexFile::OpenRead(name, &why));
  ASSERT_EQ(bad.ReadNEntries(), 1);
  EXPECT_FALSE(bad.ReadAllData(3, got, tail, frequencies, why));
  EXPECT_EQ(got.Count(), 0);
  EXPECT_NE(why.find(u"offset of type 0"), UString::npos) << Utf16ToUtf8(why);
  DeleteFileU(name);
}

TEST_F(IndexStreams, TypesBelowTheFrequencyToLoadAreEmptyWhereLookedUpByNumber) {
  auto doc = NewDoc();
  const UString base = tmp.Path() + u"freq";
  // Types by first coming: A (1), B (2), C (3), D (4).
  ASSERT_TRUE(BuildIndex(*doc, base, {tmp.Write(u"f.txt", "a b c d b c d c d d")}));
  TWordlistIndexSettingsRec s = GetWordlistIndexSettings();
  s.SetMinTypeFrequency(3);
  SetWordlistIndexSettings(s);
  auto reader = NewDoc();
  ASSERT_TRUE(reader->OpenAnIndexAndLoadWords(base).first);
  TIndexHandler& index = *reader->IndexHandler();
  EXPECT_EQ(index.WordsInNumberOrder(), (std::vector<UString>{u"", u"", u"C", u"D"}));
  EXPECT_EQ(index.WordOfTypeNumber(1), u"");
  EXPECT_EQ(index.WordOfTypeNumber(3), u"D");
  EXPECT_EQ(index.WordOfTypeNumber(4), u"");
  EXPECT_GE(index.least_frequent_entry_showing, 3);
  EXPECT_EQ(index.WordNumberFromWord(u"b"), -1);
  EXPECT_EQ(RowsOf(*reader->GetWordlistByListType(kListIndexWordlist)), "C/3/1 D/4/1");
  UString text;
  EXPECT_TRUE(index.TypeRecArrayToString({2, kGapMarker, 3}, text));
  EXPECT_EQ(text, u"C * D");
  EXPECT_FALSE(index.TypeRecArrayToString({2, 0}, text));  // type 0 is not loaded
  index.SetGetAllTypes();
  EXPECT_EQ(index.WordsInNumberOrder(), (std::vector<UString>{u"A", u"B", u"C", u"D"}));
  EXPECT_EQ(index.least_frequent_entry_showing, 1);
  EXPECT_TRUE(index.TypeRecArrayToString({0, 1}, text));
  EXPECT_EQ(text, u"A B");
}

TEST_F(IndexStreams, SortedWordsFollowTheLanguageButLookUpsAreExact) {
  auto doc = NewDoc();
  const UString base = tmp.Path() + u"sorted";
  ASSERT_TRUE(BuildIndex(*doc, base, {tmp.Write(u"s.txt", "zebra \xC3\xA4pfel apple Zoo")}));
  auto reader = NewDoc();
  ASSERT_TRUE(reader->OpenAnIndexAndLoadWords(base).first);
  TIndexHandler& index = *reader->IndexHandler();
  index.SetupSortedWords();
  std::vector<UString> sorted;
  for (int32_t t : index.SortedWords()) sorted.push_back(index.WordFromWordType(t));
  // By the language, not by code units (which would put Ä after Z).
  EXPECT_EQ(sorted, (std::vector<UString>{u"\u00C4PFEL", u"APPLE", u"ZEBRA", u"ZOO"}));
  EXPECT_EQ(index.FindSortedWord(u"zoo"), 3);
  EXPECT_EQ(index.WordNumberFromWord(u"apfel"), -1);  // the collation's equal is not the same word
  EXPECT_EQ(index.AddVariantToExtras(u"\u00E4pfel", 0, 0), 0);
  EXPECT_EQ(index.AddHeadWordToExtras(u"zebra", 5), 0);
  EXPECT_EQ(index.AddHeadWordToExtras(u"gnu", 5), -1);
}

TEST_F(IndexStreams, TypeSequencesCompareByLengthThenByElement) {
  struct Case {
    TTypeRecArray a, b;
    int sign;
  };
  const Case cases[] = {
      {{1, 2}, {1, 2, 0}, -1}, {{5, 9}, {5, 9}, 0}, {{5, 9}, {5, 8}, 1}, {{kGapMarker}, {7}, 1}, {{}, {}, 0},
  };
  for (const Case& c : cases) {
    const int r = CompareTypeSequences(c.a, c.b);
    EXPECT_EQ((r > 0) - (r < 0), c.sign);
    EXPECT_EQ(-((CompareTypeSequences(c.b, c.a) > 0) - (CompareTypeSequences(c.b, c.a) < 0)), c.sign);
  }
}

TEST_F(IndexStreams, FilesArePutInPlaceTogetherThroughALinkAndWithTheirMode) {
  const UString real = tmp.Write(u"real/x.stats", "old stats");
  const UString other = tmp.Write(u"x.markup", "old markup");
  ASSERT_EQ(::chmod(ToFsPath(real).c_str(), 0640), 0);
  ASSERT_EQ(::symlink(ToFsPath(real).c_str(), ToFsPath(tmp.Path() + u"x.stats").c_str()), 0);
  auto make = [&](const UString& final_name, const std::string& bytes) {
    UString why;
    auto f = TIndexFile::CreateTemp(final_name, &why);
    EXPECT_TRUE(f->WriteAt(0, bytes.data(), static_cast<int64_t>(bytes.size())));
    return f;
  };
  // A rename that fails: both old files are there as they were, nothing else.
  for (int64_t fail = 0; fail < 8; ++fail) {
    std::vector<std::unique_ptr<TIndexFile>> temps;
    temps.push_back(make(tmp.Path() + u"x.stats", "new stats"));
    temps.push_back(make(tmp.Path() + u"x.markup", "new markup"));
    SetIndexWriteFailureAfter(fail);
    UString why;
    EXPECT_FALSE(CommitIndexFiles(temps, tmp.Path() + u"x.commit", &why));
    SetIndexWriteFailureAfter(-1);
    temps.clear();
    EXPECT_EQ(ReadAll(real), "old stats");
    EXPECT_EQ(ReadAll(other), "old markup");
    EXPECT_EQ(FilesIn(tmp.Path()), (std::vector<UString>{u"real", u"x.markup", u"x.stats"}));
  }
  std::vector<std::unique_ptr<TIndexFile>> temps;
  temps.push_back(make(tmp.Path() + u"x.stats", "new stats"));
  temps.push_back(make(tmp.Path() + u"x.markup", "new markup"));
  UString why;
  ASSERT_TRUE(CommitIndexFiles(temps, tmp.Path() + u"x.commit", &why)) << Utf16ToUtf8(why);
  temps.clear();
  EXPECT_EQ(ReadAll(real), "new stats");  // through the link
  struct stat st {};
  ASSERT_EQ(::lstat(ToFsPath(tmp.Path() + u"x.stats").c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  ASSERT_EQ(::stat(ToFsPath(real).c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  EXPECT_EQ(ReadAll(other), "new markup");
  EXPECT_EQ(FilesIn(tmp.Path()), (std::vector<UString>{u"real", u"x.markup", u"x.stats"}));
}

}  // namespace

namespace {

// ".types" bytes of the current layout (int32 table, 36-byte records) rewritten in another:
// `width` bytes a table entry, `head` bytes a record's stored part, `version` in the head.
std::vector<uint8_t> TypesInLayout(const std::vector<uint8_t>& b, size_t width, size_t head, int32_t version) {
  const int32_t n = I32At(b, 57);
  std::vector<uint8_t> out(b.begin(), b.begin() + 61);
  std::memcpy(out.data() + 8, &version, 4);
  std::vector<uint8_t> records;
  std::vector<int64_t> offsets;
  size_t at = 61 + 4 * static_cast<size_t>(n);
  const int64_t first = 61 + static_cast<int64_t>(width) * n;
  for (int32_t i = 0; i < n; ++i) {
    const size_t units = static_cast<size_t>(I32At(b, at + 36));
    offsets.push_back(first + static_cast<int64_t>(records.size()));
    records.insert(records.end(), b.begin() + static_cast<std::ptrdiff_t>(at),
                   b.begin() + static_cast<std::ptrdiff_t>(at + head));
    records.insert(records.end(), b.begin() + static_cast<std::ptrdiff_t>(at + 36),
                   b.begin() + static_cast<std::ptrdiff_t>(at + 40 + 2 * units));
    at += 40 + 2 * units;
  }
  for (int64_t o : offsets) {
    const auto* p = reinterpret_cast<const uint8_t*>(&o);
    out.insert(out.end(), p, p + width);
  }
  out.insert(out.end(), records.begin(), records.end());
  out.insert(out.end(), b.begin() + static_cast<std::ptrdiff_t>(at), b.end());
  return out;
}

}  // namespace

TEST_F(IndexStreams, OlderTypeFileLayoutsAreReadAsTheCurrentOne) {
  auto doc = NewDoc();
  const UString base = tmp.Path() + u"layouts";
  ASSERT_TRUE(BuildIndex(*doc, base, {tmp.Write(u"a.txt", "the cat saw the dog. the dog ran."),
                                      tmp.Write(u"b.txt", "a cat and a dog")}));
  const std::vector<uint8_t> current = FileBytes(base + u".types");
  // What a reader of each layout gives: the words with frequency and texts, and where one word is.
  auto seen = [&]() {
    auto reader = NewDoc();
    EXPECT_TRUE(reader->OpenAnIndexAndLoadWords(base).first) << Utf16ToUtf8(reader->LastFailure());
    std::string out;
    const TVXWordList& w = *reader->GetWordlistByListType(kListIndexWordlist);
    for (int i = 0; i < w.Count(); ++i)
      if (w.Row(i))
        out += Utf16ToUtf8(w.Row(i)->data.word) + ":" + std::to_string(w.Row(i)->data.frequency) + "/" +
             std::to_string(w.Row(i)->data.n_texts) + " ";
    if (!reader->IndexHandler()) return out;
    const auto contexts = reader->IndexHandler()->ListOfAllContextsToAWord(u"DOG");
    if (!contexts) return out + "no contexts";
    for (const TTokenAndPlaceRec& c : contexts->items)
      out += std::to_string(c.data.file_number) + "@" + std::to_string(c.data.file_byte_position) + " ";
    return out;
  };
  const std::string expected = seen();
  EXPECT_EQ(expected, "A:2/1 AND:1/1 CAT:2/2 DOG:3/2 RAN:1/1 SAW:1/1 THE:3/1 1@16 1@25 2@12 ");
  const struct {
    const char* what;
    size_t width, head;
    int32_t version;
  } layouts[] = {
      {"int64 table, 36-byte records (written by earlier builds)", 8, 36, 1},
      {"version 0: int32 table, 24-byte records", 4, 24, 0},
  };
  for (const auto& l : layouts) {
    SCOPED_TRACE(l.what);
    const std::vector<uint8_t> b = TypesInLayout(current, l.width, l.head, l.version);
    ASSERT_TRUE(SafeSaveBytes(base + u".types", b.data(), static_cast<int64_t>(b.size())));
    EXPECT_EQ(seen(), expected);
    // One record by number through the table of that width.
    UString why;
    TTypeFileStream s(nullptr, TIndexFile::OpenRead(base + u".types", &why));
    TIndexTypeView view;
    TTypeFileTail tail;
    int64_t frequencies = 0;
    ASSERT_TRUE(s.ReadAllData(13, view, tail, frequencies, why)) << Utf16ToUtf8(why);
    EXPECT_EQ(s.GridHeadingsStart(), static_cast<int64_t>(b.size()) - static_cast<int64_t>(current.size() - TypesTailStart(current)));
    EXPECT_EQ(frequencies, 13);
    TIndexTypeRec rec;
    ASSERT_TRUE(s.ReadTypeRecord(2, rec));
    EXPECT_EQ(rec.data, u"SAW");
    EXPECT_EQ(rec.rec.freq, 1);
  }
}

TEST_F(IndexStreams, TheTypeListStreamHoldsRecordsOnlyAndACutOneKeepsWhatCameFirst) {
  auto type = [](uint32_t n, int32_t freq, const char16_t* word) {
    TIndexTypeRec r;
    r.rec.word_type_num = n;
    r.rec.freq = freq;
    r.data = word;
    return r;
  };
  TIndexTypeList list;
  list.Build({type(0, 5, u"ZEBRA"), type(1, 2, u"\u00C4PFEL"), type(2, 9, u"APPLE")}, 0x0409, false);
  // The language's order (the umlaut sorts with its letter: "apf" before "app").
  std::vector<UString> words;
  for (int32_t k = 0; k < list.Count(); ++k) words.push_back(list.Item(k).data);
  EXPECT_EQ(words, (std::vector<UString>{u"\u00C4PFEL", u"APPLE", u"ZEBRA"}));
  EXPECT_EQ(list.Find(u"ZEBRA"), 2);
  EXPECT_EQ(list.Find(u"zebra"), -1);  // found by the order, taken only when the very word
  TMemoryStream s;
  ASSERT_TRUE(list.SaveToStream(s));
  ASSERT_EQ(s.Size(), 4 + 1 + 3 * 40);
  EXPECT_EQ(I32At(s.Data(), 0), 3);
  EXPECT_EQ(s.Data()[4], 0);
  EXPECT_EQ(I32At(s.Data(), 5 + 40 + 8), 2);   // APPLE's type number
  EXPECT_EQ(I32At(s.Data(), 5 + 40 + 20), 9);  // its frequency
  EXPECT_EQ(I32At(s.Data(), 5 + 40 + 36), 0);  // no place of a word in a file
  // Read back: the records, no words until they are given by number.
  TIndexTypeList back;
  s.SetPosition(0);
  ASSERT_TRUE(back.ReadFromStream(s));
  ASSERT_EQ(back.Count(), 3);
  EXPECT_EQ(back.Find(u"APPLE"), -1);
  const UString by_number[] = {u"ZEBRA", u"\u00C4PFEL", u"APPLE"};
  back.SetWords([&](uint32_t n) { return n < 3 ? by_number[n] : UString(); }, 0x0409, false);
  EXPECT_EQ(back.Find(u"APPLE"), 1);
  EXPECT_EQ(back.Item(2).rec.freq, 5);
  // Cut inside the second record: false, the first record kept.
  TMemoryStream cut(std::vector<uint8_t>(s.Data().begin(), s.Data().begin() + 5 + 40 + 20));
  TIndexTypeList part;
  EXPECT_FALSE(part.ReadFromStream(cut));
  EXPECT_EQ(part.Count(), 1);
}
