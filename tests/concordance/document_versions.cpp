// Concordance documents written by older versions: each form is made here by a test-only writer
// from the current document's own blocks, changed where the older version differed.
#include <gtest/gtest.h>

#include <cstring>

#include "concordance/lines/line_records.h"
#include "document_test_support.h"
#include "model/reading/tag_lists.h"
#include "platform/runtime/vx_dialogs.h"

using namespace document_test;

namespace {

// Header (57) + extra-stuff record (464) + an empty parent name (its count).
constexpr size_t kRecordAt = 57 + 464 + 4;
// Within a list block: 8-byte head, 32-byte information record, then the settings record whose
// version sits at 12.
constexpr size_t kListEntryCountAt = 8;
constexpr size_t kListVersionAt = 8 + 32 + 12;

std::string Block(const std::function<bool(TStream&)>& write) {
  TMemoryStream m;
  EXPECT_TRUE(write(m));
  return Bytes(m);
}

void PutI32At(std::string& s, size_t at, int32_t v) { std::memcpy(s.data() + at, &v, 4); }
void AppendI32(std::string& s, int32_t v) { s.append(reinterpret_cast<const char*>(&v), 4); }
void AppendString(std::string& s, UStringView text) {
  AppendI32(s, static_cast<int32_t>(text.size()));
  s.append(reinterpret_cast<const char*>(text.data()), text.size() * 2);
}

enum class TTagsForm { kCurrent, kNoMagic, kVersionZero };

// An old tag record: 12 bytes (type, partner, media byte, two colours), name, description, flag.
struct TOldTag {
  UString name;
  int32_t fore, back;
};

struct TOldForm {
  uint8_t record_level = 3;
  bool paired_tag_flag = true;
  int32_t inherited = 7;
  TTagsForm tags = TTagsForm::kCurrent;
  std::vector<TOldTag> old_tags;
  int32_t list_version = 0;   // 0: as the list writes it
  bool unused_block = true;
  std::string list_override;  // a whole list block in place of the document's
};

std::string WriteOldForm(T_WholeLinzoraHolder& doc, const TOldForm& f) {
  std::string out = SavedBytes(doc).substr(0, kRecordAt);
  TConcSettingsRec32 rec = doc.fSettings;
  rec.SetRecordLevel(f.record_level);
  rec.SetLinesCarryPairedTagFlag(f.paired_tag_flag);
  rec.SetInheritedSetting(f.inherited);
  // The old forms carry no computed views.
  rec.SetPlotComputed(false);
  rec.SetClustersComputed(false);
  rec.SetPatternsComputed(false);
  rec.SetCollocatesComputed(false);
  rec.SetRelationshipsComputed(false);
  rec.SetTimelineComputed(false);
  out.append(reinterpret_cast<const char*>(rec.bytes), 2580);
  out += Block([&](TStream& s) { return doc.fTextFilesWithSearchWord->SaveToStream(s); });
  out += Block([&](TStream& s) { return doc.fNotes.SaveToStream(s); });
  out += Block([&](TStream& s) { return doc.SavedTextSettings(s); });
  if (f.tags == TTagsForm::kCurrent) {
    AppendI32(out, 0x7FFFFFFF);
    AppendI32(out, 0);
    AppendI32(out, 1);
  } else {
    if (f.tags == TTagsForm::kVersionZero) AppendI32(out, 0x7FFFFFFF);
    AppendI32(out, static_cast<int32_t>(f.old_tags.size()));
    if (f.tags == TTagsForm::kVersionZero) AppendI32(out, 0);
    for (const TOldTag& t : f.old_tags) {
      TStoredTagFixed fixed{};
      fixed.partner = -1;
      fixed.foreground_colour = t.fore;
      fixed.background_colour = t.back;
      out.append(reinterpret_cast<const char*>(&fixed), 12);
      AppendString(out, t.name);
      AppendString(out, u"");
      out.push_back('\0');
    }
  }
  if (f.record_level > 0) out += Block([&](TStream& s) { return doc.fSearchWords.SaveToStream(s); });
  std::string list = f.list_override.empty()
                         ? Block([&](TStream& s) { return doc.fConcordanceList->SaveToStream(s); })
                         : f.list_override;
  if (f.list_version) PutI32At(list, kListVersionAt, f.list_version);
  out += list;
  if (f.unused_block) out += Block([&](TStream& s) { return doc.fUnusedFiles.SaveToStream(s); });
  return out;
}

struct TCorpus : TTextFolder {
  TCorpus() : TTextFolder({{u"a.txt", "the old man and the sea. the dog ran."}, {u"b.txt", "a <p>dog and an old cat."}}) {}
};

bool Read(T_WholeLinzoraHolder& doc, const std::string& bytes, int64_t* left = nullptr) {
  TMemoryStream m;
  m.WriteExact(bytes.data(), static_cast<int64_t>(bytes.size()));
  m.SetPosition(0);
  const bool ok = doc.StartReadFromStream(m) && doc.ReadWholeFromStream(m);
  if (left) *left = m.Size() - m.Position();
  return ok;
}

}  // namespace

TEST(ConcordanceVersions, CurrentFormOfTheWriterIsWhatTheDocumentSaves) {
  ScopedSettings settings;
  TCorpus corpus;
  TRunDone run = RunConcordance({corpus.names, u"old\ndog"});
  ASSERT_TRUE(run.found);
  // The writer's own current form reads cleanly, so each test below changes only its gate.
  auto back = NewDocument();
  int64_t left = -1;
  ASSERT_TRUE(Read(*back, WriteOldForm(*run.doc, {}), &left)) << back->ReadFailure().size();
  EXPECT_EQ(left, 0);
  EXPECT_EQ(LineTexts(*back), LineTexts(*run.doc));
}

TEST(ConcordanceVersions, RecordLevelZeroTakesItsOneItemFromTheRecord) {
  ScopedSettings settings;
  TCorpus corpus;
  TRunDone run = RunConcordance({corpus.names, u"old"});
  ASSERT_TRUE(run.found);
  run.doc->fSettings.SetSearchWord(u"old");
  TOldForm f;
  f.record_level = 0;
  auto back = NewDocument();
  ASSERT_TRUE(Read(*back, WriteOldForm(*run.doc, f))) << back->ReadFailure().size();
  EXPECT_EQ(back->TypedSearchWords(), (std::vector<UString>{u"old"}));
  EXPECT_EQ(back->fConcordanceList->Count(), run.doc->fConcordanceList->Count());
}

TEST(ConcordanceVersions, LinesWithoutPairedTagFlagsTakeThemFromTheirItems) {
  for (const bool carried : {false, true}) {
    ScopedSettings settings;
    TCorpus corpus;
    TRunDone run = RunConcordance({corpus.names, u"old\n<p>dog"});
    ASSERT_TRUE(run.found);
    TOldForm f;
    f.paired_tag_flag = carried;
    auto back = NewDocument();
    ASSERT_TRUE(Read(*back, WriteOldForm(*run.doc, f))) << back->ReadFailure().size();
    const std::vector<uint8_t> expected = carried ? std::vector<uint8_t>{} : std::vector<uint8_t>{0, 1};
    EXPECT_EQ(back->fPairedTagTable, expected);
  }
}

TEST(ConcordanceVersions, OldTagBlocksHoldShortRecords) {
  const std::vector<TOldTag> tags = {{u"<b>", 0x0000FF, 0x00FF00}, {u"", 1, 2}, {u"<i>", 5, 5}};
  for (const TTagsForm form : {TTagsForm::kNoMagic, TTagsForm::kVersionZero}) {
    ScopedSettings settings;
    TCorpus corpus;
    TRunDone run = RunConcordance({corpus.names, u"old"});
    ASSERT_TRUE(run.found);
    TOldForm f;
    f.tags = form;
    f.old_tags = tags;
    auto back = NewDocument();
    ASSERT_TRUE(Read(*back, WriteOldForm(*run.doc, f))) << back->ReadFailure().size();
    // The empty name is dropped; equal colours take the style's.
    ASSERT_EQ(back->fArrayOfSavedTags.size(), 2u);
    EXPECT_EQ(back->fArrayOfSavedTags[0].tag, u"<b>");
    EXPECT_EQ(back->fArrayOfSavedTags[0].foreground_colour, 0x0000FF);
    EXPECT_EQ(back->fArrayOfSavedTags[1].tag, u"<i>");
    EXPECT_EQ(back->fArrayOfSavedTags[1].foreground_colour, 0x00800000);
    EXPECT_EQ(back->fArrayOfSavedTags[1].background_colour, 0x00FFFFFF);
    EXPECT_TRUE(back->fStoredTagColoursDiffer);
    EXPECT_EQ(LineTexts(*back), LineTexts(*run.doc));
  }
}

TEST(ConcordanceVersions, ListsBeforeVersion15HaveNoUnusedTexts) {
  struct Case {
    int32_t version;
    bool unused_block;
    bool ok;
  } cases[] = {{14, false, true}, {25, false, false}, {25, true, true}};
  for (const Case& c : cases) {
    ScopedSettings settings;
    // No lines, so that the list's version changes nothing but the gate.
    auto doc = NewDocument();
    TUnusedFileRec unused;
    unused.filename = u"/corpus/none.txt";
    doc->fUnusedFiles.Add(unused);
    TOldForm f;
    f.list_version = c.version;
    f.unused_block = c.unused_block;
    auto back = NewDocument();
    int64_t left = -1;
    EXPECT_EQ(Read(*back, WriteOldForm(*doc, f), &left), c.ok) << c.version;
    if (c.ok) {
      EXPECT_EQ(left, 0) << c.version;
      EXPECT_EQ(back->fUnusedFiles.Count(), c.unused_block ? 1 : 0) << c.version;
    }
  }
}

TEST(ConcordanceVersions, OldRecordsStopTheReadAndClearTheViews) {
  ScopedSettings settings;
  HeadlessDialogs().Clear();
  auto doc = NewDocument();
  TConcordanceWorkDoneRec w;
  w.clusters = true;
  w.plot = true;
  doc->SetWorkDone(w);
  // The text the old line names.
  TLinzoraFilenameEntryRecPlus text;
  text.full_filename = u"/corpus/old.txt";
  doc->fTextFilesWithSearchWord->Add(new TLinzoraFilenameEntry(doc->fTextFilesWithSearchWord, text));
  // One line of the old 104-byte record in a list of version 22, with no spare block after it.
  std::string list = Block([&](TStream& s) { return doc->fConcordanceList->SaveToStream(s); });
  list.resize(list.size() - kSpareColoursBytes);
  PutI32At(list, kListEntryCountAt, 1);
  PutI32At(list, kListVersionAt, 22);
  TOldLinzoraEntryRec old{};
  old.hit_characters = 3;
  old.byte_position = 4;
  old.word_num = 2;
  old.filename_num_original = 1;
  old.midpoint = 4;
  list.append(reinterpret_cast<const char*>(&old), sizeof old);
  AppendString(list, u"the dog ran");
  AppendI32(list, -1);
  list.append(100, '\0');
  for (int i = 0; i < 3; ++i) AppendI32(list, 0);
  list.append(2, '\0');  // no private data, no joined entries
  TOldForm f;
  f.list_override = list;
  f.unused_block = false;
  std::string bytes = WriteOldForm(*doc, f);
  // The computed flags in the record say views follow; an old-records file has none.
  bytes[kRecordAt + 1724] = 1;
  bytes[kRecordAt + 1723] = 1;
  auto back = NewDocument();
  int64_t left = -1;
  // Asked whether the named text is Unicode: yes, as the line's text was stored.
  HeadlessDialogs().Script({mrOK, mrYes, mrOK});
  ASSERT_TRUE(Read(*back, bytes, &left)) << back->ReadFailure().size();
  EXPECT_EQ(left, 0);
  ASSERT_EQ(back->fConcordanceList->Count(), 1);
  EXPECT_EQ(back->fConcordanceList->Line(0)->Text(), u"the dog ran");
  EXPECT_TRUE(back->OldRecordsMode());
  EXPECT_FALSE(back->ReadComplete);
  EXPECT_FALSE(back->WorkDone().clusters);
  EXPECT_FALSE(back->WorkDone().plot);
  HeadlessDialogs().Clear();
}

TEST(ConcordanceVersions, InheritedSettingZeroTakesTheCurrentOne) {
  for (const int32_t stored : {0, 9}) {
    ScopedSettings settings;
    TConcSettingsRec32 user = GetConcSaveRec();
    user.SetInheritedSetting(5);
    SetConcSaveRec(user);
    auto doc = NewDocument();
    TOldForm f;
    f.inherited = stored;
    auto back = NewDocument();
    ASSERT_TRUE(Read(*back, WriteOldForm(*doc, f))) << back->ReadFailure().size();
    EXPECT_EQ(back->fSettings.InheritedSetting(), stored == 0 ? 5 : stored);
  }
}

namespace {

// A stand-in view that notes when it was read back.
class TNotingView : public TConcordanceDerivedList {
 public:
  using TConcordanceDerivedList::TConcordanceDerivedList;
  void AfterRead() override { ++after_reads; }
  int after_reads = 0;
};

}  // namespace

TEST(ConcordanceVersions, ViewVersionsOnSaveAndTheirRebuildOnRead) {
  ScopedSettings settings;
  for (const TTessorineList type : {kListClusters, kListPlot})
    SetDerivedListFactory(type, [type](T_WholeLinzoraHolder& owner) {
      return std::make_unique<TNotingView>(&owner, type == kListClusters ? 1 : 0, type);
    });
  auto doc = NewDocument();
  TConcordanceWorkDoneRec w;
  w.clusters = w.collocates = w.patterns = w.plot = true;
  doc->SetWorkDone(w);
  doc->fCollocateList->SetVersionNumber(2);
  doc->fPatternsList->SetVersionNumber(3);
  const std::string bytes = SavedBytes(*doc);
  EXPECT_GE(doc->fCollocateList->GetVersionNumber(), 13);
  EXPECT_GE(doc->fPatternsList->GetVersionNumber(), 11);
  auto back = NewDocument();
  int64_t left = -1;
  ASSERT_TRUE(Read(*back, bytes, &left)) << back->ReadFailure().size();
  EXPECT_EQ(left, 0);
  EXPECT_GE(back->fCollocateList->GetVersionNumber(), 13);
  EXPECT_GE(back->fPatternsList->GetVersionNumber(), 11);
  EXPECT_EQ(static_cast<TNotingView*>(back->fClusterList.get())->after_reads, 1);
  EXPECT_EQ(static_cast<TNotingView*>(back->fConcPlotList.get())->after_reads, 1);
  SetDerivedListFactory(kListClusters, nullptr);
  SetDerivedListFactory(kListPlot, nullptr);
}
