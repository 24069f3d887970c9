// The concordance document's body in a ".cnc" file (layout in docs/formats.md). Every block is
// written only while all before it were; a read stops at the first damaged block and says which
// block failed and at what byte.
#include <algorithm>

#include "concordance/document/concordance_document.h"
#include "concordance/run/text_processor.h"
#include "model/reading/text_reader.h"
#include "platform/rtl/streams.h"
#include "platform/runtime/vx_runtime.h"
#include "platform/settings/settings_access.h"

namespace {

constexpr int32_t kTagsMagic = 0x7FFFFFFF;
constexpr uint8_t kRecordLevel = 3;
constexpr int32_t kMinCollocateVersion = 13;
constexpr int32_t kMinPatternsVersion = 11;
constexpr int32_t kUnusedListFromVersion = 15;
constexpr int64_t kConcSettingsSize = 2580;

// Every layout of the record so far is 2580 bytes; older ones are turned into the current one
// by the body (record level 0 keeps its single search word).
bool ReadInConcSettRec(TStream& s, TConcSettingsRec32& rec, int32_t /*version*/) {
  TConcSettingsRec32 read{};
  if (!s.ReadExact(read.bytes, kConcSettingsSize)) return false;
  rec = read;
  return true;
}

constexpr int32_t kStyleTagText = 0x00800000;
constexpr int32_t kStyleTagBack = 0x00FFFFFF;

}  // namespace

// --- writing ----------------------------------------------------------------------------------------

namespace {

bool SaveVisibleTags(TStream& s, T_WholeLinzoraHolder& doc) {
  doc.TagsVersion = std::max(doc.TagsVersion, 1);
  const int32_t n = static_cast<int32_t>(doc.fArrayOfSavedTags.size());
  if (!WriteI32(s, kTagsMagic) || !WriteI32(s, n) || !WriteI32(s, doc.TagsVersion)) return false;
  for (TVisibleTagRec& t : doc.fArrayOfSavedTags) {
    const TStoredTagFixed& fixed = t;
    if (!s.WriteExact(&fixed, sizeof fixed) || !WriteAString(s, t.tag) || !WriteAString(s, t.description) ||
        !s.WriteExact(&t.hidden, 1))
      return false;
  }
  return true;
}

}  // namespace

bool T_WholeLinzoraHolder::SaveToStream(TStream& s) {
  try {
    SetTessorineHolderMainListCount(fConcordanceList->Count());
    if (!TTessorineholder::SaveToStream(s)) return false;
    if (fCollocateList->GetVersionNumber() < kMinCollocateVersion) fCollocateList->SetVersionNumber(kMinCollocateVersion);
    fSettings.SetRecordLevel(kRecordLevel);
    fSettings.SetLinesCarryPairedTagFlag(true);
    const TConcordanceWorkDoneRec w = WorkDone();
    fSettings.SetRelationshipsComputed(w.relationships);
    fSettings.SetClustersComputed(w.clusters);
    fSettings.SetCollocatesComputed(w.collocates);
    fSettings.SetPatternsComputed(w.patterns);
    fSettings.SetPlotComputed(w.plot);
    fSettings.SetTimelineComputed(w.timeline);
    bool ok = s.WriteExact(fSettings.bytes, kConcSettingsSize);
    ok = ok && fTextFilesWithSearchWord->SaveToStream(s);
    ok = ok && fNotes.SaveToStream(s);
    ok = ok && SavedTextSettings(s);
    ok = ok && SaveVisibleTags(s, *this);
    ok = ok && fSearchWords.SaveToStream(s);
    ok = ok && fConcordanceList->SaveToStream(s);
    ok = ok && fUnusedFiles.SaveToStream(s);
    if (ok && w.clusters) ok = fClusterList->SaveToStream(s);
    if (ok && w.collocates) ok = fCollocateList->SaveToStream(s);
    if (ok && w.plot) ok = fConcPlotList->SaveToStream(s);
    if (ok && w.patterns) {
      if (fPatternsList->GetVersionNumber() < kMinPatternsVersion) fPatternsList->SetVersionNumber(kMinPatternsVersion);
      ok = fPatternsList->SaveToStream(s);
    }
    if (ok && w.timeline) ok = fTimeLineList->SaveToStream(s);
    return ok;
  } catch (...) {
    return false;
  }
}

// --- reading -----------------------------------------------------------------------------------------

namespace {

bool ReadVisibleTags(TStream& s, T_WholeLinzoraHolder& doc) {
  int32_t first = 0;
  if (!ReadI32(s, first)) return false;
  doc.fStoredTagColoursDiffer = false;
  int32_t n = first;
  int32_t version = doc.TagsVersion;
  if (first == kTagsMagic && (!ReadI32(s, n) || !ReadI32(s, version))) return false;
  const int64_t fixed_size = version > 0 ? sizeof(TStoredTagFixed) : kShortStoredTagBytes;
  // Each record needs its fixed part, two string counts and the flag byte.
  if (n < 0 || n > s.BytesLeft() / (fixed_size + 9)) return false;
  std::vector<TVisibleTagRec> tags;
  for (int32_t i = 0; i < n; ++i) {
    TVisibleTagRec t;
    TStoredTagFixed& fixed = t;
    if (!s.ReadExact(&fixed, fixed_size)) return false;
    if (t.foreground_colour == t.background_colour) {
      t.foreground_colour = kStyleTagText;
      t.background_colour = kStyleTagBack;
    }
    if (t.foreground_colour != kStyleTagText || t.background_colour != kStyleTagBack)
      doc.fStoredTagColoursDiffer = true;
    if (!ReadAString(s, t.tag) || !ReadAString(s, t.description) || !s.ReadExact(&t.hidden, 1)) return false;
    if (!t.tag.empty()) tags.push_back(std::move(t));
  }
  doc.fArrayOfSavedTags = std::move(tags);
  doc.TagsVersion = version;
  doc.RecomputeTagDerivedFields();
  return true;
}

}  // namespace

bool T_WholeLinzoraHolder::ReadWholeFromStream(TStream& s) {
  // A job working on a list of this document keeps it: the read is refused, as the list's own
  // read would refuse it.
  if (RefusedReadWhileBusy()) {
    fReadFailure = u"a job is working on the document's lists";
    return false;
  }
  auto fresh = std::make_unique<T_WholeLinzoraHolder>(MainListType, CentreOfMainForm(), OnMainEntriesKnown, OnDudFile,
                                                      StopListLoaded(), LemmaListLoaded(), TextTagHandler,
                                                      TagsToTranslate);
  fresh->CopyReadStateFrom(*this);
  fresh->TagsVersion = TagsVersion;  // an old tags block without its magic keeps the version
  fresh->fSecondaryRead = fSecondaryRead;
  fresh->Dialogs = Dialogs;
  const bool ok = fresh->ReadBodyInPlace(s);
  if (ok) TakeReadDocument(*fresh);
  fReadFailure = fresh->fReadFailure;
  Global_Busy_Dont_Show_Data = false;
  return ok;
}

void T_WholeLinzoraHolder::TakeReadDocument(T_WholeLinzoraHolder& read) {
  CopyReadStateFrom(read);
  SwapOwnedLists(read);
  std::swap(fTextFilesWithSearchWord, read.fTextFilesWithSearchWord);
  fConcordanceList.swap(read.fConcordanceList);
  fCollocateList.swap(read.fCollocateList);
  fConcPlotList.swap(read.fConcPlotList);
  fPatternsList.swap(read.fPatternsList);
  fClusterList.swap(read.fClusterList);
  fTimeLineList.swap(read.fTimeLineList);
  std::swap(fUnusedFiles, read.fUnusedFiles);
  std::swap(fSearchWords, read.fSearchWords);
  fArrayOfSavedTags.swap(read.fArrayOfSavedTags);
  fPairedTagTable.swap(read.fPairedTagTable);
  TagsVersion = read.TagsVersion;
  fOldRecordsMode = read.fOldRecordsMode;
  fComputed = read.fComputed;
  fSettings = read.fSettings;
  fMarkedTag = read.fMarkedTag;
  fStoredTagColoursDiffer = read.fStoredTagColoursDiffer;
  AdoptOwnLists();
  read.AdoptOwnLists();
  // What an earlier run read with belongs to lines that are gone; a new run sets it up afresh.
  fRunSetup.reset();
  fReadRun.reset();
  fRunTexts.clear();
  fRunTextHeads.clear();
  fRunTextOfFile.clear();
  fConverted.clear();
  // The lines read may still be widened from their texts.
  SetUpLineRereading();
}

void T_WholeLinzoraHolder::AdoptOwnLists() {
  fTextFilesWithSearchWord->SetHolder(this);
  fConcordanceList->SetHolder(this);
  fConcordanceList->SetDocument(this);
  for (TConcordanceDerivedList* view :
       {fCollocateList.get(), fConcPlotList.get(), fPatternsList.get(), fClusterList.get(), fTimeLineList.get()})
    view->MoveToOwner(*this);
}

bool T_WholeLinzoraHolder::ReadBodyInPlace(TStream& s) {
  bool ok = false;
  UString failed_block;
  int64_t failed_at = 0;
  auto step = [&](const char16_t* block, auto&& read) {
    if (!ok) return;
    failed_at = s.Position();
    ok = read();
    if (!ok) failed_block = block;
  };
  try {
    fReadFailure.clear();
    failed_at = s.Position();
    ok = TTessorineholder::ReadWholeFromStream(s);
    if (!ok) failed_block = u"header";
    if (ok && ListKind != kListConcordance) {
      fReadFailure = u"not a concordance (list type " + IntToUStr(ListKind) + u")";
      Global_Busy_Dont_Show_Data = false;
      return false;
    }
    fOldRecordsMode = false;
    TConcSettingsRec32 rec{};
    step(u"settings record", [&] { return ReadInConcSettRec(s, rec, TessorineHolderVersionNumber()); });
    if (ok) {
      fComputed = {rec.RelationshipsComputed(), rec.ClustersComputed(), rec.CollocatesComputed(),
                   rec.PatternsComputed(), rec.PlotComputed(), rec.TimelineComputed()};
      if (rec.InheritedSetting() == 0) rec.SetInheritedSetting(GetConcSaveRec().InheritedSetting());
      fSettings = rec;
    }
    step(u"source texts", [&] { return fTextFilesWithSearchWord->ReadFromStream(s); });
    if (ok) SetAtLeastOneTextFileInPlace(fTextFilesWithSearchWord->Count() > 0);
    step(u"notes", [&] { return fNotes.ReadFromStream(s); });
    step(u"text settings", [&] { return ReadTextSettings(s); });
    step(u"visible tags", [&] { return ReadVisibleTags(s, *this); });
    if (ok) {
      fConcordanceList->colloc_horizons = CollocSpan(fSettings.CollocHorizonLeft(), fSettings.CollocHorizonRight());
      SetVXBaseListsLCIDToTextSettingsLCID();
    }
    fPairedTagTable.clear();
    if (ok && fSettings.RecordLevel() > 0) {
      step(u"search items", [&] { return fSearchWords.ReadFromStream(s); });
    } else if (ok) {
      fSearchWords.Clear();
      fSearchWords.AddedSearchWords(fSettings.SearchWord());
    }
    if (ok && (fSettings.RecordLevel() == 0 || !fSettings.LinesCarryPairedTagFlag())) {
      for (int32_t i = 0; i < fSearchWords.Count(); ++i)
        fPairedTagTable.push_back(fSearchWords.GetPtr(i)->sw.find(u'<') != UString::npos ? 1 : 0);
    }
    step(u"concordance lines", [&] { return fConcordanceList->ReadFromStream(s); });
    if (ok && fOldRecordsMode) {
      ReadComplete = false;
      fComputed = {};
    } else if (ok) {
      if (fConcordanceList->GetVersionNumber() >= kUnusedListFromVersion)
        step(u"unused texts", [&] { return fUnusedFiles.ReadFromStream(s); });
      const TConcordanceWorkDoneRec w = WorkDone();
      if (w.clusters) step(u"clusters", [&] { return fClusterList->ReadFromStream(s); });
      if (w.collocates) step(u"collocates", [&] { return fCollocateList->ReadFromStream(s); });
      if (w.plot) step(u"plot", [&] { return fConcPlotList->ReadFromStream(s); });
      if (w.patterns) step(u"patterns", [&] { return fPatternsList->ReadFromStream(s); });
      if (w.timeline) step(u"time-line", [&] { return fTimeLineList->ReadFromStream(s); });
      if (ok)
        for (TConcordanceDerivedList* l : {fClusterList.get(), fConcPlotList.get()}) l->AfterRead();
    }
    // The user's settings change only after the whole file was read.
    if (ok && !fSecondaryRead) SetConcSaveRec(fSettings);
    SetUnicode(fConcordanceList->Unicode());
    SetLastMainToolFile(ok && !fSecondaryRead);
  } catch (...) {
    ok = false;
    if (failed_block.empty()) failed_block = u"body";
  }
  if (!ok) fReadFailure = UString(failed_block.empty() ? u"body" : failed_block) + u" at byte " + IntToUStr(failed_at);
  Global_Busy_Dont_Show_Data = false;
  return ok;
}
