// The tool document's life cycle, settings, owned lists and small operations.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "model/reading/chosen_texts.h"
#include "model/reading/text_statistics.h"
#include "model/reading/tag_handler.h"
#include "model/reading/tag_lists.h"
#include "platform/rtl/files.h"
#include "platform/runtime/vx_dialogs.h"
#include "platform/runtime/vx_resources.h"
#include "chosen_texts_test_support.h"
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

TEST_F(ToolDocumentLife, SettingsLocaleAndProcessingLimit) {
  TTextsett_rec32 ts = GetTextSettings();
  TTessorineholder doc(ts, nullptr, nullptr, nullptr, true, false, nullptr, nullptr);
  // No limit, or one below 1, is the largest.
  for (const auto& [given, kept] : {std::pair{0, 0x7FFFFFFF}, {5, 5}, {-3, 0x7FFFFFFF}}) {
    ts.SetProcessingLimit(given);
    doc.SetTextSettings(ts);
    EXPECT_EQ(doc.TextSettings().ProcessingLimit(), kept) << given;
  }
  // Only the language block changes with the language.
  Tfixed_lang_details32 lang = ts.Language();
  lang.SetLCID(0x040C);
  lang.SetWindowsCodePage(1252);
  doc.SetTextSettings_Language(lang);
  EXPECT_EQ(doc.LCID(), 0x040Cu);
  EXPECT_EQ(doc.CodePage(), 1252);
  EXPECT_EQ(doc.TextSettings().ProcessingLimit(), 0x7FFFFFFF);
}

TEST_F(ToolDocumentLife, OwnedListsAndUnicode) {
  TTestDocument doc;
  TTestOwnedList a(kListConcordance), b(kListCollocates);
  TVXBaseListList& lists = doc.Lists();
  EXPECT_EQ(lists.Add(&a, nullptr), 0);
  EXPECT_EQ(lists.Add(&b, nullptr), 1);
  EXPECT_EQ(lists.SafeItem(2), nullptr);

  // Going from 8-bit to UTF-16 converts every list once; staying UTF-16 converts nothing.
  doc.TVXBaseHolder::SetUnicode(false);
  doc.SetCodePage(1251);
  doc.SetUnicode(true);
  EXPECT_EQ(a.conversions + b.conversions, 2);
  EXPECT_EQ(a.last_code_page, 1251);
  doc.SetUnicode(true);
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
  FinaliseWorkDerived();
  EXPECT_EQ(NotedCurrentFile(), u"");
  EXPECT_EQ(NotedCurrentCount(), 0);
}

TEST_F(ToolDocumentLife, DefaultColumnVisibility) {
  SetDefaultColumnsVisible(kListCollocates, {{3, false}, {20, false}});
  std::vector<std::pair<int, bool>> set;
  auto apply = [&](int columns, bool widths_set) {
    set.clear();
    ApplyDefaultColumnVisibility(kListCollocates, columns, widths_set, [&](int c, bool v) { set.emplace_back(c, v); });
    return set.size();
  };
  ASSERT_EQ(apply(30, false), 19u);  // columns 2 to 20
  EXPECT_EQ(set.front(), std::make_pair(2, true));
  EXPECT_EQ(set[1], std::make_pair(3, false));
  EXPECT_EQ(set.back(), std::make_pair(20, false));
  EXPECT_EQ(apply(5, false), 3u);
  EXPECT_EQ(apply(2, false), 0u);
  EXPECT_EQ(apply(30, true), 0u);  // widths already set
  SetDefaultColumnsVisible(kListCollocates, {{3, true}, {20, true}});
}

// Writes an archive with n members.
UString ZipWith(const TempFolder& tmp, const UString& name, int n) {
  std::vector<std::pair<UString, std::string>> members;
  for (int i = 0; i < n; ++i) members.emplace_back(u"m" + IntToUStr(i) + u".txt", "ab");
  return MakeZip(tmp.Path() + name, members);
}

TEST_F(ToolDocumentLife, ZippedTextsAddTheirExtraMembersAndAnEmptyArchiveLowersNothing) {
  TempFolder tmp;
  TTestDocument doc;
  doc.NumberOfTextsToProcess = 3;
  const UString plain = tmp.Write(u"plain.txt", "text");
  doc.CheckAllFnamesForZippedEntries({ZipWith(tmp, u"one.zip", 1)});
  EXPECT_EQ(doc.NumberOfTextsToProcess, 3);
  doc.CheckAllFnamesForZippedEntries({ZipWith(tmp, u"ten.zip", 10), plain});
  EXPECT_EQ(doc.NumberOfTextsToProcess, 12);
  doc.CheckAllFnamesForZippedEntries({ZipWith(tmp, u"none.zip", 0), tmp.Path() + u"absent.zip"});
  EXPECT_EQ(doc.NumberOfTextsToProcess, 12);

  // The same through the chosen texts.
  TTestDocument other;
  TSharedChosenFilesClass chosen(false, nullptr, kToolConcordancer);
  ASSERT_TRUE(chosen.ToolAddAFile(ZipWith(tmp, u"five.zip", 5)));
  ASSERT_TRUE(chosen.ToolAddAFile(plain));
  other.CheckAllFnamesForZippedEntries(chosen);
  EXPECT_EQ(other.NumberOfTextsToProcess, 4);
}

TEST_F(ToolDocumentLife, TheFailedToReadMessageNamesTheText) {
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
  rec.name = tmp.Write(u"here.txt", "x");
  stats.Add(new TStatsEntry(rec, false, &stats));
  TGrid_data_rec cell;
  doc.AStatsFilenameDataRec(&stats, 1, cell, 1);
  EXPECT_EQ(cell.text, rec.name);
  // Beyond the rows, another kind of list, or a busy document: no text.
  doc.AStatsFilenameDataRec(&stats, 1, cell, 2);
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

TEST_F(ToolDocumentLife, StandardDeviationsFromSumsOfSquaredDeviations) {
  uint8_t rec[364] = {};
  auto put = [&](size_t at, auto v) { std::memcpy(rec + at, &v, 4); };
  auto get = [&](size_t at) {
    float v;
    std::memcpy(&v, rec + at, 4);
    return v;
  };
  put(12, int32_t{3});  // sentence lengths 2, 4, 6: mean 4, sum of squared deviations 8, sample sd 2
  put(16, 4.0f);
  put(20, 8.0f);
  put(24, int32_t{1});  // one paragraph: no deviation
  put(32, 5.0f);
  put(36, int32_t{2});
  put(44, -1e-7f);  // a sum that rounding took below 0
  put(48, int32_t{0});
  put(56, 3.0f);
  put(104, int32_t{5});  // ratios 1..5: sum of squared deviations 10, sd sqrt(2.5)
  put(112, 10.0f);
  FinaliseStandardDeviations(rec);
  EXPECT_FLOAT_EQ(get(20), 2.0f);
  EXPECT_FLOAT_EQ(get(16), 4.0f);  // the mean stays
  EXPECT_EQ(get(32), 0.0f);
  EXPECT_EQ(get(44), 0.0f);
  EXPECT_EQ(get(56), 0.0f);
  EXPECT_FLOAT_EQ(get(112), std::sqrt(2.5f));
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
  std::vector<uint8_t> expected = {0xFF, 0xFE};
  for (char16_t c : VXResFmt(TVXRes::VXNFound, {u"2"}) + u"\n1\t/c/a.txt\n3\t/c/c.txt\n" +
                        VXResFmt(TVXRes::VXXNotFound, {u"1"}) + u"\n2\t/c/b.txt\n")
    expected.insert(expected.end(), {static_cast<uint8_t>(c & 0xFF), static_cast<uint8_t>(c >> 8)});
  EXPECT_EQ(s.Data(), expected);
}

}  // namespace
