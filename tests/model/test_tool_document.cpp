// The tool document's life cycle, settings, owned lists and small operations.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "model/chosenfilesbase_private.h"
#include "model/stats_unit.h"
#include "model/TagHandlingGeneral.h"
#include "model/my_TagSwapLists.h"
#include "platform/rtl/files.h"
#include "platform/runtime/vx_dialogs.h"
#include "platform/runtime/vx_resources.h"
#include "platform/zip/zip_forge.h"
#include "support/temp_folder.h"
#include "test_tool_document_support.h"

namespace {

class ToolDocumentLife : public ToolDocumentTest {};

TEST_F(ToolDocumentLife, AHelperDocumentLeavesTheJobsStopAndBusyStateAlone) {
  // A job is running: the user asked to stop, the windows are told not to draw.
  global_panic_state = kPanicStopNow;
  Global_Busy_Dont_Show_Data = true;
  {
    TTestDocument helper(kListWordList);  // a reference corpus made in the middle of the job
    EXPECT_EQ(global_panic_state, kPanicStopNow);
    EXPECT_TRUE(Global_Busy_Dont_Show_Data);
    EXPECT_FALSE(helper.BusyDontShowData());
  }
  EXPECT_EQ(global_panic_state, kPanicStopNow);
  EXPECT_TRUE(Global_Busy_Dont_Show_Data);

  // After the job, freeing a document does not blank the windows of another.
  Global_Busy_Dont_Show_Data = false;
  { TTestDocument other; }
  EXPECT_FALSE(Global_Busy_Dont_Show_Data);
}

TEST_F(ToolDocumentLife, CreationTakesSettingsAndLocale) {
  TTextsett_rec32 ts = GetTextSettings();
  ts.SetLCID(0x0407);
  Tfixed_lang_details32 lang = ts.Language();
  lang.SetWindowsCodePage(1250);
  ts.SetLanguage(lang);
  ts.SetProcessingLimit(0);
  TTessorineholder doc(ts, nullptr, nullptr, nullptr, true, false, nullptr, nullptr);
  EXPECT_EQ(doc.LCID(), 0x0407u);
  EXPECT_EQ(doc.CodePage(), 1250);
  EXPECT_EQ(doc.TextSettings().ProcessingLimit(), 0x7FFFFFFF);
  EXPECT_TRUE(doc.StopListLoaded());
  EXPECT_FALSE(doc.LemmaListLoaded());
  EXPECT_EQ(doc.TessorineHolderVersionNumber(), 0);
  EXPECT_TRUE(doc.fNotes.Count() == 0);

  ts.SetProcessingLimit(5);
  doc.SetTextSettings(ts);
  EXPECT_EQ(doc.TextSettings().ProcessingLimit(), 5);
  ts.SetProcessingLimit(-3);
  doc.SetTextSettings(ts);
  EXPECT_EQ(doc.TextSettings().ProcessingLimit(), 0x7FFFFFFF);

  Tfixed_lang_details32 other = lang;
  other.SetLCID(0x040C);
  other.SetWindowsCodePage(1252);
  doc.SetTextSettings_Language(other);
  EXPECT_EQ(doc.LCID(), 0x040Cu);
  EXPECT_EQ(doc.CodePage(), 1252);
  EXPECT_EQ(doc.TextSettings().ProcessingLimit(), 0x7FFFFFFF);  // beyond the language block
}

TEST_F(ToolDocumentLife, ToolParsesSourceTextAndMenuTags) {
  for (uint8_t tool : {0, 1, 3, 4}) {
    current_tool_var = tool;
    EXPECT_TRUE(TTessorineholder::ToolParsesSourceText()) << int(tool);
  }
  for (uint8_t tool : {2, 5, 6, 16}) {
    current_tool_var = tool;
    EXPECT_FALSE(TTessorineholder::ToolParsesSourceText()) << int(tool);
  }
  TTessorineholder::TryToSetAMenuItemChecked(224, true);
  EXPECT_TRUE(GetMenuItemChecked(224));
  TTessorineholder::TryToSetAMenuItemChecked(224, false);
  EXPECT_FALSE(GetMenuItemChecked(224));
  TTessorineholder::TryToSetAMenuItemChecked(225, true);
  EXPECT_FALSE(GetMenuItemChecked(225));
  TTessorineholder::TryToSetAMenuItemChecked(-1, true);  // ignored, no crash
}

TPoint Centre() { return TPoint{10, 20}; }

TEST_F(ToolDocumentLife, OwnedListsAndUnicode) {
  TTestDocument doc;
  TTestOwnedList a(kListConcordance), b(kListCollocates);
  TVXBaseListList& lists = doc.Lists();
  EXPECT_EQ(lists.Add(&a, &Centre), 0);
  EXPECT_EQ(lists.Add(&b, &Centre), 1);
  EXPECT_EQ(lists.SafeItem(1), &b);
  EXPECT_EQ(lists.SafeItem(2), nullptr);
  EXPECT_EQ(lists.SafeItem(-1), nullptr);
  ASSERT_NE(a.main_form_centre, nullptr);
  EXPECT_EQ(a.main_form_centre().y, 20);

  // Going from 8-bit to UTF-16 converts every list once; staying UTF-16 converts nothing.
  doc.TVXBaseHolder::SetUnicode(false);
  doc.SetCodePage(1251);
  doc.SetUnicode(true);
  EXPECT_EQ(a.conversions, 1);
  EXPECT_EQ(b.conversions, 1);
  EXPECT_EQ(a.last_code_page, 1251);
  doc.SetUnicode(true);
  EXPECT_EQ(a.conversions, 1);
  doc.SetUnicode(false);
  EXPECT_EQ(a.conversions, 1);

  doc.RegisterOwnedLists();
  EXPECT_EQ(lists.Count(), 0);
}

TEST_F(ToolDocumentLife, SetLastMainToolFileRecordsOnlyANamedDocument) {
  TTestDocument doc;
  TTestOwnedList a(kListConcordance);
  a.NoteChange();
  doc.Lists().Add(&a, nullptr);
  SetLastMainToolFileName(kToolConcordancer, u"/before.cnc");
  doc.SetLastMainToolFile(true);
  EXPECT_EQ(GetLastMainToolFileName(kToolConcordancer), u"/before.cnc");
  EXPECT_EQ(a.ChangedEntries(), 0);

  doc.SourceTextFilename = u"/now.cnc";
  doc.SetLastMainToolFile(false);
  EXPECT_EQ(GetLastMainToolFileName(kToolConcordancer), u"/before.cnc");
  doc.SetLastMainToolFile(true);
  EXPECT_EQ(GetLastMainToolFileName(kToolConcordancer), u"/now.cnc");
}

TEST_F(ToolDocumentLife, TagSettingsChangesReachTheTagHandler) {
  TTextTagHandler handler(0x0409, 1252);
  TTagsToTranslateList translate(0x0409, 1252);
  translate.AddFromALine(u"&amp; &");
  ASSERT_EQ(translate.Count(), 1);
  TTessorineholder doc(GetTextSettings(), nullptr, nullptr, nullptr, false, false, &handler, &translate);
  doc.StartProcessUsingTextTagHandler();

  // The settings store says the tags to translate changed and none are wanted now.
  SetTagsTranslateWanted(0);
  SetTagTranslateModified(true);
  TTagPreferencesRec prefs = GetTagPreferences();
  prefs.SetTagDisplay(2);
  SetTagPreferences(prefs);
  doc.UpdateSettingsFromTextbuf(233);
  EXPECT_EQ(translate.Count(), 0);
  EXPECT_EQ(doc.TagDisplay, 2);
  SetTagTranslateModified(false);
  prefs.SetTagDisplay(0);
  SetTagPreferences(prefs);

  // Without a handler nothing is reloaded.
  translate.AddFromALine(u"&lt; <");
  TTessorineholder bare(GetTextSettings(), nullptr, nullptr, nullptr, false, false, nullptr, &translate);
  SetTagTranslateModified(true);
  bare.ReCheckTags();
  bare.StartProcessUsingTextTagHandler();
  EXPECT_EQ(translate.Count(), 1);
  SetTagTranslateModified(false);
}

TEST_F(ToolDocumentLife, NotedTextIsForgottenAtShutDown) {
  NoteCurrentFileAndCount(12, u"/c/t.txt");
  EXPECT_EQ(NotedCurrentFile(), u"/c/t.txt");
  EXPECT_EQ(NotedCurrentCount(), 12);
  FinaliseWorkDerived();
  EXPECT_EQ(NotedCurrentFile(), u"");
  EXPECT_EQ(NotedCurrentCount(), 0);
}

TEST_F(ToolDocumentLife, DefaultColumnVisibility) {
  SetDefaultColumnVisible(kListCollocates, 3, false);
  SetDefaultColumnVisible(kListCollocates, 20, false);
  std::vector<std::pair<int, bool>> set;
  auto record = [&](int c, bool v) { set.emplace_back(c, v); };
  ApplyDefaultColumnVisibility(kListCollocates, 30, false, record);
  ASSERT_EQ(set.size(), 19u);  // columns 2 to 20
  EXPECT_EQ(set.front().first, 2);
  EXPECT_EQ(set.back().first, 20);
  EXPECT_FALSE(set[1].second);   // column 3
  EXPECT_FALSE(set.back().second);
  EXPECT_TRUE(set[0].second);
  set.clear();
  ApplyDefaultColumnVisibility(kListCollocates, 5, false, record);
  EXPECT_EQ(set.size(), 3u);
  set.clear();
  ApplyDefaultColumnVisibility(kListCollocates, 2, false, record);
  EXPECT_TRUE(set.empty());
  ApplyDefaultColumnVisibility(kListCollocates, 30, true, record);  // widths already set
  EXPECT_TRUE(set.empty());
  SetDefaultColumnVisible(kListCollocates, 3, true);
  SetDefaultColumnVisible(kListCollocates, 20, true);
}

// Writes an archive with n members.
UString ZipWith(const TempFolder& tmp, const UString& name, int n) {
  const UString path = tmp.Path() + name;
  TZipForge zip;
  zip.SetFileName(path);
  EXPECT_TRUE(zip.OpenArchive(TZipOpenMode::ReadWrite));
  for (int i = 0; i < n; ++i) {
    TMemoryStream s(std::vector<uint8_t>{'a', 'b'});
    EXPECT_TRUE(zip.AddFromStream(u"m" + IntToUStr(i) + u".txt", s));
  }
  EXPECT_TRUE(zip.CloseArchive());
  return path;
}

TEST_F(ToolDocumentLife, ZippedTextsAddTheirExtraMembersAndAnEmptyArchiveLowersNothing) {
  TempFolder tmp;
  TTestDocument doc;
  doc.NumberOfTextsToProcess = 3;
  const UString one = ZipWith(tmp, u"one.zip", 1);
  const UString ten = ZipWith(tmp, u"ten.zip", 10);
  const UString none = ZipWith(tmp, u"none.zip", 0);
  const UString plain = tmp.Write(u"plain.txt", "text");
  doc.CheckAllFnamesForZippedEntries({one});
  EXPECT_EQ(doc.NumberOfTextsToProcess, 3);
  doc.CheckAllFnamesForZippedEntries({ten, plain});
  EXPECT_EQ(doc.NumberOfTextsToProcess, 12);
  doc.CheckAllFnamesForZippedEntries({none, tmp.Path() + u"absent.zip"});
  EXPECT_EQ(doc.NumberOfTextsToProcess, 12);
}

TEST_F(ToolDocumentLife, ZippedChosenTextsAndTheFailedToReadMessage) {
  TempFolder tmp;
  TTestDocument doc;
  ZipWith(tmp, u"five.zip", 5);
  tmp.Write(u"plain.txt", "text");
  TSharedChosenFilesClass chosen(false, nullptr, kToolConcordancer);
  ASSERT_TRUE(chosen.ToolAddAFile(tmp.Path() + u"five.zip"));
  ASSERT_TRUE(chosen.ToolAddAFile(tmp.Path() + u"plain.txt"));
  doc.CheckAllFnamesForZippedEntries(chosen);
  EXPECT_EQ(doc.NumberOfTextsToProcess, 4);

  SetDialogService(nullptr);
  HeadlessDialogs().Clear();
  TChosenFileDetailsFullRec details;
  details.folder = u"/corpus/";
  details.rec.filename = u"lost.txt";
  TTessorineholder::DudTextFile(details);
  ASSERT_EQ(HeadlessDialogs().Asked().size(), 1u);
  EXPECT_EQ(HeadlessDialogs().Asked()[0].id, TVXDialog::FailedToRead);
  EXPECT_NE(HeadlessDialogs().Asked()[0].text.find(u"/corpus/lost.txt"), UString::npos);
  HeadlessDialogs().Clear();
}

TEST_F(ToolDocumentLife, FileGridCellsOfAStatisticsList) {
  TempFolder tmp;
  TTestDocument doc;
  TVXStatsList stats(&doc, &TVXStatsList::MakeEntry, kGridFiles);
  TOne_text_stats_rec rec{};
  const UString here = tmp.Write(u"here.txt", "x");
  rec.name = here;
  stats.Add(new TStatsEntry(rec, false, &stats));
  TGrid_data_rec cell;
  doc.AStatsFilenameDataRec(&stats, 1, cell, 1);
  EXPECT_EQ(cell.text, here);
  EXPECT_EQ(cell.int_value, kStatsFileFound);
  doc.AStatsFilenameDataRec(&stats, 1, cell, 2);  // beyond the rows
  EXPECT_FALSE(cell.has_text);

  TTestOwnedList other(kListConcordance);
  doc.AStatsFilenameDataRec(&other, 1, cell, 1);
  EXPECT_FALSE(cell.has_text);
  doc.SetBusyDontShowData(true);
  doc.AStatsFilenameDataRec(&stats, 1, cell, 1);
  EXPECT_FALSE(cell.has_text);
}

TEST_F(ToolDocumentLife, FileHandledInfoMarksDifferentTexts) {
  TTestDocument doc;
  TAllFileHandledInfo first;
  first.Clear();
  first.bytes[10] = 1;
  doc.UpdateAllFileHandledInfo(first, true);
  EXPECT_FALSE(doc.FilesHandledDifferently);
  TAllFileHandledInfo same = first;
  same.bytes[0] = 5;  // not one of the compared bytes
  doc.UpdateAllFileHandledInfo(same, false);
  EXPECT_FALSE(doc.FilesHandledDifferently);
  TAllFileHandledInfo utf8 = first;
  utf8.bytes[13] = 1;
  doc.UpdateAllFileHandledInfo(utf8, false);
  EXPECT_TRUE(doc.FilesHandledDifferently);
  doc.UpdateAllFileHandledInfo(first, true);
  EXPECT_FALSE(doc.FilesHandledDifferently);
}

void PutF(uint8_t* rec, size_t at, float v) { std::memcpy(rec + at, &v, 4); }
void PutI(uint8_t* rec, size_t at, int32_t v) { std::memcpy(rec + at, &v, 4); }
float GetF(const uint8_t* rec, size_t at) {
  float v;
  std::memcpy(&v, rec + at, 4);
  return v;
}

TEST_F(ToolDocumentLife, StandardDeviationsFromSumsOfSquaredDeviations) {
  // Sentence lengths 2, 4, 6: mean 4, sum of squared deviations 8, sample sd 2.
  uint8_t rec[364] = {};
  PutI(rec, 12, 3);
  PutF(rec, 16, 4.0f);
  PutF(rec, 20, 8.0f);
  PutI(rec, 24, 1);  // one paragraph: no deviation
  PutF(rec, 32, 5.0f);
  PutI(rec, 36, 2);
  PutF(rec, 44, -1e-7f);  // a sum that rounding took below 0
  PutI(rec, 48, 0);
  PutF(rec, 56, 3.0f);
  PutI(rec, 104, 5);  // ratios 1..5: sum of squared deviations 10, sd sqrt(2.5)
  PutF(rec, 112, 10.0f);
  FinaliseStandardDeviations(rec);
  EXPECT_FLOAT_EQ(GetF(rec, 20), 2.0f);
  EXPECT_FLOAT_EQ(GetF(rec, 16), 4.0f);  // the mean stays
  EXPECT_EQ(GetF(rec, 32), 0.0f);
  EXPECT_EQ(GetF(rec, 44), 0.0f);
  EXPECT_EQ(GetF(rec, 56), 0.0f);
  EXPECT_FLOAT_EQ(GetF(rec, 112), std::sqrt(2.5f));
}

TEST_F(ToolDocumentLife, CapitalisedAndFileInfoName) {
  TTestDocument doc;
  UString w = u"déjà vu";
  EXPECT_EQ(doc.Capitalised(w), 7);
  EXPECT_EQ(w, u"DÉJÀ VU");

  TempFolder tmp;
  doc.SourceTextFilename = tmp.Write(u"result.cnc", "x");
  const UString info = doc.FileInfoFilename();
  EXPECT_TRUE(StartsWithU(info, tmp.Path() + u"result("));
  EXPECT_TRUE(EndsWithU(info, u")_FileInfo.txt"));
  EXPECT_EQ(info.size(), (tmp.Path() + u"result(hhnn)_FileInfo.txt").size());
}

TEST_F(ToolDocumentLife, FileNamesInfoListsFoundAndMissingTexts) {
  TempFolder tmp;
  TTestDocument doc;
  doc.SourceTextFilename = tmp.Write(u"run.cnc", "x");
  static UString opened;
  TDocumentHooks hooks;
  hooks.try_to_edit = [](const UString& name, const UString&) { opened = name; };
  SetDocumentHooks(hooks);
  ASSERT_TRUE(doc.CopyFilenamesInfoToNotepad({{u"/c/a.txt", true}, {u"/c/b.txt", false}, {u"/c/c.txt", true}}));
  SetDocumentHooks(TDocumentHooks());
  ASSERT_FALSE(opened.empty());
  TMemoryStream s;
  ASSERT_TRUE(s.LoadFromFile(opened));
  const std::vector<uint8_t>& b = s.Data();
  ASSERT_GE(b.size(), 2u);
  EXPECT_EQ(b[0], 0xFF);
  EXPECT_EQ(b[1], 0xFE);
  UString text;
  for (size_t i = 2; i + 1 < b.size(); i += 2) text += static_cast<char16_t>(b[i] | (b[i + 1] << 8));
  EXPECT_EQ(text, VXResFmt(TVXRes::VXNFound, {u"2"}) + u"\n1\t/c/a.txt\n3\t/c/c.txt\n" +
                      VXResFmt(TVXRes::VXXNotFound, {u"1"}) + u"\n2\t/c/b.txt\n");
}

}  // namespace
