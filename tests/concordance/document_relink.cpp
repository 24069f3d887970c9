// Re-linking a concordance's source texts from another saved concordance of the same search.
#include <gtest/gtest.h>

#include "document_test_support.h"
#include "platform/rtl/files.h"

using namespace document_test;

namespace {

const char* const kTexts[][2] = {{"a.txt", "the old man and the sea. the dog ran."},
                                 {"b.txt", "a dog and an old cat."},
                                 {"c.txt", "a bone, an old dog."}};

// A run over three texts in old/, saved and opened again; the texts then moved to new/ and the
// same search made there and saved as other.cnc.
struct TMovedCorpus {
  TempFolder tmp;
  std::unique_ptr<T_WholeLinzoraHolder> first;
  std::unique_ptr<T_WholeLinzoraHolder> second;
  UString other_file;

  explicit TMovedCorpus(const std::function<void(T_WholeLinzoraHolder&)>& damage_second = nullptr) {
    std::vector<UString> old_names, new_names;
    for (const auto& t : kTexts) old_names.push_back(tmp.Write(u"old/" + Utf8ToUtf16(t[0]), t[1]));
    TRunDone a = RunConcordance({old_names, u"old\ndog"});
    EXPECT_TRUE(a.found);
    first = NewDocument();
    EXPECT_TRUE(ReadBack(*first, SavedBytes(*a.doc))) << first->ReadFailure().size();
    ForceDirectories(tmp.Path() + u"new");
    for (const auto& t : kTexts) {
      const UString to = tmp.Path() + u"new/" + Utf8ToUtf16(t[0]);
      EXPECT_TRUE(RenameFileU(tmp.Path() + u"old/" + Utf8ToUtf16(t[0]), to));
      new_names.push_back(to);
    }
    TRunDone b = RunConcordance({new_names, u"old\ndog"});
    EXPECT_TRUE(b.found);
    if (damage_second) damage_second(*b.doc);
    other_file = tmp.Path() + u"other.cnc";
    EXPECT_TRUE(b.doc->SaveToFile(other_file, 0, 0, 96));
    second = std::move(b.doc);
  }

  UString LineFile(int i) const {
    const TConcordanceEntry* line = first->fConcordanceList->Line(i);
    return first->fTextFilesWithSearchWord->GetFullFilename(line->Data().filename_num_original - 1, true);
  }
  UString NewFolder() const { return tmp.Path() + u"new/"; }
};

// The line of `doc` at this byte position and word number (first found), or -1.
int LineAt(const T_WholeLinzoraHolder& doc, int64_t byte_position, int32_t word_num) {
  for (int i = 0; i < doc.fConcordanceList->Count(); ++i) {
    const TConcordanceLineData& d = doc.fConcordanceList->Line(i)->Data();
    if (d.byte_position == byte_position && d.word_num == word_num) return i;
  }
  return -1;
}

int RowsNamed(const T_WholeLinzoraHolder& doc, UStringView name) {
  int n = 0;
  for (int r = 0; r < doc.fTextFilesWithSearchWord->Count(); ++r)
    if (ExtractFileName(doc.fTextFilesWithSearchWord->GetFullFilename(r, false)) == name) ++n;
  return n;
}

// Adds a placeholder row for a lost name with the given number.
void AddLostRow(T_WholeLinzoraHolder& doc, int32_t number) {
  TLinzoraFilenameEntryRecPlus rec;
  rec.full_filename = u"lost_filename.txt";
  rec.other_data.zero_based_filename_num = number;
  doc.fTextFilesWithSearchWord->Add(new TLinzoraFilenameEntry(doc.fTextFilesWithSearchWord, rec));
}

}  // namespace

TEST(ConcordanceRelink, EveryLineNamesItsMovedTextAndEachTextIsAddedOnce) {
  ScopedSettings settings;
  TMovedCorpus c;
  const int lines = c.first->fConcordanceList->Count();
  ASSERT_EQ(lines, 6);
  const int rows = c.first->fTextFilesWithSearchWord->Count();
  const TConcSettingsRec32 user = GetConcSaveRec();
  ASSERT_TRUE(c.first->CopyFilenameDetailsToNotepad(c.other_file, true)) << c.first->RelinkFailure().size();
  ASSERT_EQ(c.first->fConcordanceList->Count(), lines);
  for (int i = 0; i < lines; ++i) {
    const UString file = c.LineFile(i);
    EXPECT_EQ(file.substr(0, c.NewFolder().size()), c.NewFolder()) << i;
    // The line's own words are in its text.
    const UString text(c.first->fConcordanceList->Line(i)->Text());
    if (text.find(u"cat") != UString::npos) {
      EXPECT_EQ(ExtractFileName(file), u"b.txt");
    }
    if (text.find(u"bone") != UString::npos) {
      EXPECT_EQ(ExtractFileName(file), u"c.txt");
    }
  }
  // Two lines from one moved text added its row once; the old rows lost their lines.
  EXPECT_EQ(c.first->fTextFilesWithSearchWord->Count(), 2 * rows);
  for (const auto& t : kTexts) EXPECT_EQ(RowsNamed(*c.first, Utf8ToUtf16(t[0])), 2);
  EXPECT_EQ(c.first->fUnusedFiles.Count(), rows);
  // In place-in-text order afterwards.
  for (int i = 1; i < lines; ++i) {
    const TConcordanceLineData& p = c.first->fConcordanceList->Line(i - 1)->Data();
    const TConcordanceLineData& q = c.first->fConcordanceList->Line(i)->Data();
    EXPECT_LE(std::make_pair(p.byte_position, p.word_num), std::make_pair(q.byte_position, q.word_num)) << i;
  }
  // Reading the other file did not touch the user's settings.
  EXPECT_EQ(GetConcSaveRec().WantedPerSearchWord(), user.WantedPerSearchWord());
  // Saved and opened again, the lines still name their moved texts.
  auto back = NewDocument();
  ASSERT_TRUE(ReadBack(*back, SavedBytes(*c.first)));
  EXPECT_FALSE(back->fConcordanceList->Dud_CNC_Filenames_found);
  for (int i = 0; i < lines; ++i) {
    const TConcordanceEntry* line = back->fConcordanceList->Line(i);
    const UString file = back->fTextFilesWithSearchWord->GetFullFilename(line->Data().filename_num_original - 1, true);
    EXPECT_EQ(file.substr(0, c.NewFolder().size()), c.NewFolder()) << i;
  }
}

TEST(ConcordanceRelink, ATextAlreadyListedIsUsedWithoutAddingARow) {
  ScopedSettings settings;
  TMovedCorpus c;
  // The first document already knows the moved a.txt under a fresh number.
  TLinzoraFilenameEntryRecPlus rec = c.second->fTextFilesWithSearchWord->GetEntryRecPlus(0, false);
  const UString moved_a = rec.full_filename;
  ASSERT_EQ(ExtractFileName(moved_a), u"a.txt");
  rec.other_data.zero_based_filename_num = 40;
  c.first->fTextFilesWithSearchWord->Add(new TLinzoraFilenameEntry(c.first->fTextFilesWithSearchWord, rec));
  ASSERT_TRUE(c.first->RebuildSourceTextsFromSavedConcordance(c.other_file));
  EXPECT_EQ(RowsNamed(*c.first, u"a.txt"), 2);  // the old one and the one given, no third
  for (int i = 0; i < c.first->fConcordanceList->Count(); ++i)
    if (UString(c.first->fConcordanceList->Line(i)->Text()).find(u"sea") != UString::npos) {
      EXPECT_EQ(c.first->fConcordanceList->Line(i)->Data().filename_num_original, 41);
    }
}

TEST(ConcordanceRelink, UnreadableFileChangesNothingAndIsReported) {
  const std::string garbage[] = {"", "not a concordance at all", std::string(4000, '\x7F')};
  for (const std::string& bytes : garbage) {
    ScopedSettings settings;
    TMovedCorpus c;
    const UString bad = c.tmp.Write(u"bad.cnc", bytes);
    T_WholeLinzoraHolder& doc = *c.first;
    AddLostRow(doc, 30);
    doc.fConcordanceList->Dud_CNC_Filenames_found = true;
    const std::vector<UString> lines = LineTexts(doc);
    const int rows = doc.fTextFilesWithSearchWord->Count();
    const int32_t unused = doc.fUnusedFiles.Count();
    EXPECT_FALSE(doc.CopyFilenameDetailsToNotepad(bad, true));
    EXPECT_NE(doc.RelinkFailure().find(bad), UString::npos) << bytes.size();
    EXPECT_EQ(LineTexts(doc), lines);
    EXPECT_EQ(doc.fTextFilesWithSearchWord->Count(), rows);
    EXPECT_EQ(doc.fUnusedFiles.Count(), unused);
    EXPECT_TRUE(doc.fConcordanceList->Dud_CNC_Filenames_found);
  }
}

TEST(ConcordanceRelink, PlaceholderGoesOnlyWhenNoLinePointsAtIt) {
  for (const bool pointed_at : {false, true}) {
    ScopedSettings settings;
    TMovedCorpus c;
    T_WholeLinzoraHolder& doc = *c.first;
    AddLostRow(doc, 30);
    // A line numbered for the placeholder has no partner in the other file, so it stays there.
    if (pointed_at) doc.fConcordanceList->Line(0)->Data().filename_num_original = 31;
    ASSERT_TRUE(doc.RebuildSourceTextsFromSavedConcordance(c.other_file));
    EXPECT_EQ(RowsNamed(doc, u"lost_filename.txt"), pointed_at ? 1 : 0) << pointed_at;
    for (int i = 0; i < doc.fConcordanceList->Count(); ++i)
      if (doc.fConcordanceList->Line(i)->Data().filename_num_original == 31) {
        EXPECT_EQ(c.LineFile(i), u"lost_filename.txt");
      }
  }
}

// A saved concordance whose line names none of its texts is a damaged file: it is refused whole.
TEST(ConcordanceRelink, OtherNumberOutOfRangeRefusesTheFileAndTheFlagStays) {
  ScopedSettings settings;
  int64_t byte_position = 0;
  int32_t word_num = 0;
  // The other document's line for one place names no row of its list.
  TMovedCorpus c([&](T_WholeLinzoraHolder& second) {
    TConcordanceLineData& d = second.fConcordanceList->Line(0)->Data();
    byte_position = d.byte_position;
    word_num = d.word_num;
    d.filename_num_original = 99;
  });
  T_WholeLinzoraHolder& doc = *c.first;
  const int i = LineAt(doc, byte_position, word_num);
  ASSERT_GE(i, 0);
  doc.fConcordanceList->Line(i)->Data().filename_num_original = 99;
  doc.fConcordanceList->Dud_CNC_Filenames_found = true;
  const int rows = doc.fTextFilesWithSearchWord->Count();
  const std::vector<UString> lines = LineTexts(doc);
  ASSERT_FALSE(doc.RebuildSourceTextsFromSavedConcordance(c.other_file));
  EXPECT_NE(doc.RelinkFailure().find(c.other_file), UString::npos);
  EXPECT_NE(doc.RelinkFailure().find(u"concordance lines"), UString::npos);
  EXPECT_EQ(LineTexts(doc), lines);
  const int j = LineAt(doc, byte_position, word_num);
  EXPECT_EQ(doc.fConcordanceList->Line(j)->Data().filename_num_original, 99);
  EXPECT_TRUE(doc.fConcordanceList->Dud_CNC_Filenames_found);
  EXPECT_EQ(doc.fTextFilesWithSearchWord->Count(), rows);
}

TEST(ConcordanceRelink, FlagClearedOnceEveryLineNamesARow) {
  ScopedSettings settings;
  TMovedCorpus c;
  c.first->fConcordanceList->Dud_CNC_Filenames_found = true;
  ASSERT_TRUE(c.first->RebuildSourceTextsFromSavedConcordance(c.other_file));
  EXPECT_FALSE(c.first->fConcordanceList->Dud_CNC_Filenames_found);
}

TEST(ConcordanceRelink, LinesOfAnotherTextOrderAreNotMatched) {
  ScopedSettings settings;
  // The other document numbers its texts the other way round.
  TMovedCorpus c([](T_WholeLinzoraHolder& second) {
    for (int i = 0; i < second.fConcordanceList->Count(); ++i) {
      int32_t& n = second.fConcordanceList->Line(i)->Data().filename_num_original;
      n = n == 1 ? 3 : n == 3 ? 1 : n;
    }
    for (int r = 0; r < second.fTextFilesWithSearchWord->Count(); ++r) {
      TLinzoraFilenameEntry* row = second.fTextFilesWithSearchWord->Row(r, false);
      int32_t& n = row->fdata.other_data.zero_based_filename_num;
      n = n == 0 ? 2 : n == 2 ? 0 : n;
    }
    second.fTextFilesWithSearchWord->EnsureOrderTableAllocated();
  });
  ASSERT_TRUE(c.first->RebuildSourceTextsFromSavedConcordance(c.other_file));
  for (int i = 0; i < c.first->fConcordanceList->Count(); ++i) {
    const UString file = c.LineFile(i);
    const bool moved = file.substr(0, c.NewFolder().size()) == c.NewFolder();
    // Only b.txt kept its number in both documents.
    EXPECT_EQ(moved, ExtractFileName(file) == u"b.txt") << i;
  }
}
