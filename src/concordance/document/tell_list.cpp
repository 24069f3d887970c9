#include "concordance/document/tell_list.h"

#include <sys/stat.h>

#include <algorithm>
#include <stdexcept>

#include "concordance/document/source_files.h"
#include "model/reading/chosen_texts_handover.h"
#include "model/reading/text_statistics.h"
#include "platform/rtl/files.h"
#include "platform/rtl/streams.h"
#include "platform/runtime/vx_dialogs.h"
#include "platform/runtime/vx_runtime.h"
#include "platform/runtime/vx_tools.h"
#include "platform/settings/settings_access.h"
#include "platform/zip/zip_forge.h"

// --- jumps and items --------------------------------------------------------------------------------

std::vector<int32_t> TLinzoraJumpToList::Filenumbers() const {
  std::vector<int32_t> out;
  for (const TLinzoraJumpTo& h : holders)
    if (std::find(out.begin(), out.end(), h.file_number) == out.end()) out.push_back(h.file_number);
  return out;
}

void TLinzoraJumpToList::SortByPosition() {
  std::stable_sort(holders.begin(), holders.end(),
                   [](const TLinzoraJumpTo& a, const TLinzoraJumpTo& b) { return a.byte_position < b.byte_position; });
}

std::unique_ptr<TInterToolListObj> TLinzoraInfoClass::CreateBlank(TBaseInterToolList* owner) {
  return std::make_unique<TLinzoraInfoClass>(owner);
}

void TLinzoraInfoClass::ClearLists() {
  context_words.clear();
  jumplist.holders.clear();
}

// --- the list -------------------------------------------------------------------------------------------

namespace {

void FillHorizons(TLinzoraInclusionsRec& p) {
  const Tdouble_smallint_type h = GetConcSaveRecCollocHorizons();
  p.context_hors[0] = h.left;
  p.context_hors[1] = h.right;
}

}  // namespace

TTellLinzoraList::TTellLinzoraList(uint8_t requesting_tool, uint8_t receiving_tool)
    : TBaseInterToolList(requesting_tool, receiving_tool), fHolder(std::make_unique<TVXBaseHolder>()) {
  fEntriesClass = &TLinzoraInfoClass::CreateBlank;
  FillHorizons(fPreliminaries);
}

TTellLinzoraList::~TTellLinzoraList() {
  Clear();
  fFileList.reset();
}

TLinzoraInfoClass* TTellLinzoraList::Item(int32_t i) const { return dynamic_cast<TLinzoraInfoClass*>(Items(i)); }

TLinzoraInfoClass& TTellLinzoraList::AddItem(UStringView word) {
  auto item = std::make_unique<TLinzoraInfoClass>(this);
  item->word_details[0] = UString(word);
  TLinzoraInfoClass& ref = *item;
  Add(std::move(item));
  return ref;
}

void TTellLinzoraList::Clear() { TBaseInterToolList::Clear(); }

void TTellLinzoraList::Reset() {
  Clear();
  fFileList.reset();
  fPreliminaries = TLinzoraInclusionsRec{};
  FillHorizons(fPreliminaries);
}

TLinzoraFilenamelist& TTellLinzoraList::MakeSourceFileList() {
  auto list = std::make_unique<TLinzoraFilenamelist>(fHolder.get());
  TLinzoraFilenamelist& ref = *list;
  fFileList = std::move(list);
  fPreliminaries.called_by = kToolConcordancer;
  fPreliminaries.include_stats = 1;
  return ref;
}

TVXStatsList& TTellLinzoraList::MakeStatsList() {
  auto list = std::make_unique<TVXStatsList>(fHolder.get());
  TVXStatsList& ref = *list;
  fFileList = std::move(list);
  if (fPreliminaries.called_by == kToolConcordancer) fPreliminaries.called_by = kToolWordLister;
  fPreliminaries.include_stats = 1;
  return ref;
}

TLinzoraFilenamelist* TTellLinzoraList::SourceFileList() const {
  return dynamic_cast<TLinzoraFilenamelist*>(fFileList.get());
}

TVXStatsList* TTellLinzoraList::StatsList() const { return dynamic_cast<TVXStatsList*>(fFileList.get()); }

UString TTellLinzoraList::TempFilename() const {
  const UString folder = UserHandOverFolder();
  if (folder.empty()) return UString();
  return folder + Tool_Name(fCreateTool) + u"_" + Tool_Name(fUseTool) + u".tell_linzora";
}

// --- the hand-over file ---------------------------------------------------------------------------------

bool TTellLinzoraList::SavedPreliminaries(TStream& stream) {
  if (!WriteValue(stream, fPreliminaries)) return false;
  if (!fPreliminaries.include_stats) return true;
  return fFileList && fFileList->SaveToStream(stream);
}

bool TTellLinzoraList::ReadPreliminaries(TStream& stream) {
  TLinzoraInclusionsRec p{};
  fContextWordsRead = 0;
  if (!ReadValue(stream, p)) return false;
  fPreliminaries = p;
  fFileList.reset();
  if (!p.include_stats) return true;
  if (p.called_by == kToolConcordancer) {
    fFileList = std::make_unique<TLinzoraFilenamelist>(fHolder.get());
  } else {
    fFileList = std::make_unique<TVXStatsList>(fHolder.get());
  }
  return fFileList->ReadFromStream(stream);
}

int64_t TTellLinzoraList::MinStoredItemBytes() const {
  // The record, three string counts, and the two list counts when present.
  return static_cast<int64_t>(sizeof(TLinzoraInfoRec)) + 12 + (fPreliminaries.include_context_words ? 4 : 0) +
         (fPreliminaries.include_jumps ? 4 : 0);
}

bool TTellLinzoraList::SavedAnItem(TStream& stream, int32_t index) {
  TLinzoraInfoClass* item = Item(index);
  if (!item || !WriteValue(stream, item->rec)) return false;
  if (fPreliminaries.include_context_words) {
    if (!WriteI32(stream, static_cast<int32_t>(item->context_words.size()))) return false;
    for (const UString& w : item->context_words)
      if (!WriteAString(stream, w)) return false;
  }
  if (fPreliminaries.include_jumps) {
    item->jumplist.SortByPosition();
    if (!WriteI32(stream, static_cast<int32_t>(item->jumplist.holders.size()))) return false;
    for (const TLinzoraJumpTo& h : item->jumplist.holders)
      if (!WriteValue(stream, h)) return false;
  }
  for (const UString& s : item->word_details)
    if (!WriteAString(stream, s)) return false;
  return true;
}

bool TTellLinzoraList::ReadAnItem(TStream& stream, int32_t index) {
  TLinzoraInfoClass* item = Item(index);
  if (!item) return false;
  item->ClearLists();
  item->rec = TLinzoraInfoRec{};
  for (UString& s : item->word_details) s.clear();
  if (!ReadValue(stream, item->rec)) return false;
  int32_t n = 0;
  if (fPreliminaries.include_context_words) {
    // A word takes at least its count.
    if (!ReadI32(stream, n) || n < 0) return false;
    // A word costs memory many times its four bytes in the file: the request's words are bounded
    // as its items are.
    if (n > kMostChosenTexts - fContextWordsRead) {
      fReadProblem = TempFilename() + u": more than the " + IntToUStr(kMostChosenTexts) +
                     u" context words a hand-over may hold";
      return false;
    }
    if (n > stream.BytesLeft() / 4) return false;
    fContextWordsRead += n;
    item->context_words.resize(static_cast<size_t>(n));
    for (UString& w : item->context_words)
      if (!ReadAString(stream, w)) return false;
  }
  if (fPreliminaries.include_jumps) {
    if (!ReadI32(stream, n) || n < 0 || n > stream.BytesLeft() / static_cast<int64_t>(sizeof(TLinzoraJumpTo)))
      return false;
    item->jumplist.holders.resize(static_cast<size_t>(n));
    for (TLinzoraJumpTo& h : item->jumplist.holders)
      if (!ReadValue(stream, h)) return false;
  }
  for (UString& s : item->word_details)
    if (!ReadAString(stream, s)) return false;
  return true;
}

bool TTellLinzoraList::SaveRequestFile() {
  fFailure.clear();
  const UString name = TempFilename();
  if (!name.empty() && SavedToTempfile()) return true;
  fFailure = (name.empty() ? UString(u"the hand-over folder") : name) + u": the request could not be written";
  return false;
}

bool TTellLinzoraList::ReadRequestFile() {
  fFailure.clear();
  Reset();
  const UString name = TempFilename();
  bool ok = false;
  try {
    ok = !name.empty() && ReadFromTempfile();
  } catch (...) {
    ok = false;
  }
  if (ok) return true;
  // Half a request is no request: nothing read is kept.
  Reset();
  struct stat st {};
  if (name.empty() || ::lstat(Utf16ToUtf8(name).c_str(), &st) != 0) {
    fFailure = (name.empty() ? UString(u"the hand-over folder") : name) + u": no request found";
  } else {
    // Refused unread (someone else's file, a link, too large) or read and found wanting.
    fFailure = !ReadProblem().empty() ? ReadProblem() : name + u": the request is damaged or cut short";
  }
  AddToLogFile(u"request refused: " + fFailure);
  return false;
}

// --- the texts of a request ---------------------------------------------------------------------------------

int32_t TTellLinzoraList::CheckWhetherAllFilesExist(TSourceFileProbe* probe) {
  if (!fFileList) return -1;
  const int32_t texts = fFileList->Count();
  int32_t present = 0;
  if (TLinzoraFilenamelist* files = SourceFileList()) {
    present = files->FilesStillExisting(true, probe);
  } else {
    present = fFileList->FilesStillExisting();
  }
  if (present >= texts) return present;
  if (present == 0) {
    VXDialog(TVXDialog::CancellingAsNoneOfTheSourceTextsFound, {IntToUStr(texts)});
    return 0;
  }
  const int answer = VXDialog(TVXDialog::CancelAsSomeSourceTextsNotFound, {IntToUStr(texts), IntToUStr(present)});
  return answer == mrCancel ? 0 : present;
}

std::unique_ptr<TVXFileDetails> TTellLinzoraList::NewChosenTexts() const {
  return std::make_unique<TVXFileDetails>(GetRestrictTo3LetterExtensions(), fUseTool,
                                          [] { throw std::runtime_error("Text filename handling error"); });
}

void TTellLinzoraList::AddRequestText(TVXFileDetails& chosen, int32_t file_number, bool add_jump,
                                      uint32_t position) const {
  if (!fFileList || file_number < 0 || file_number >= fFileList->Count()) return;
  const bool has_position = position != kNoJumpPosition;
  if (const TLinzoraFilenamelist* files = SourceFileList()) {
    const TLinzoraFilenameEntry* row = files->Row(file_number, false);
    if (!row) return;
    const TChosenFileDetailsFullRec d = row->DataAsChosenFileRec();
    chosen.AddIfNotInAlready(d.rec, d.folder);
    return;
  }
  const TVXStatsList* stats = StatsList();
  const TStatsEntry* row = stats ? stats->Row(file_number) : nullptr;
  if (!row || !row->fdata.data.found) return;
  TChosenFile_BaseRec d;
  d.filename = row->fdata.name;
  d.size = row->fdata.data.size_count;
  d.julian_date = row->fdata.data.julian_date;
  d.date = d.julian_date != 0 ? JulianToDateTimeRemovingConst(d.julian_date) : 0;
  d.wanted = kWantedFound;
  d.jumps = std::make_shared<TJumpList>();
  const UString folder = stats->FolderOf(row->fdata);
  const int32_t known = chosen.FileIndex(d.size, folder, d.filename);
  if (known < 0) {
    if (add_jump && has_position) d.jumps->push_back(position);
    // A member of a zip archive (a corpus index names it "archive.zip/member") is read as that
    // member: the chosen text carries its number in the archive.
    UString archive, member;
    if (SplitZipMemberName(stats->GetEntryFullFilename(file_number), archive, member)) {
      TZipForge zip;
      zip.SetFileName(archive);
      if (zip.OpenArchive(TZipOpenMode::Read)) {
        const int32_t m = zip.FindMember(member, true);
        if (m >= 0) d.zip_member = m + 1;
        zip.CloseArchive();
      }
    }
    chosen.AddedAFile(d, folder);
  } else if (has_position) {
    const TChosenFileDetailsFullRec there = chosen.GetFullFileDetails(known);
    if (there.rec.jumps) there.rec.jumps->push_back(position);
  }
}

std::unique_ptr<TVXFileDetails> TTellLinzoraList::OtherToolRequestFiles() const {
  auto chosen = NewChosenTexts();
  if (!fFileList) return chosen;
  if (!fPreliminaries.include_jumps) {
    for (int32_t f = 0; f < fFileList->Count(); ++f) AddRequestText(*chosen, f, false, kNoJumpPosition);
    return chosen;
  }
  for (int32_t i = 0; i < Count(); ++i) {
    const TLinzoraInfoClass* item = Item(i);
    if (!item) continue;
    const auto& holders = item->jumplist.holders;
    for (size_t h = 0; h < holders.size(); ++h) {
      if (h % 256 == 0) MyYieldProcess();
      AddRequestText(*chosen, holders[h].file_number, true, holders[h].byte_position);
    }
  }
  for (int32_t t = 0; t < chosen->FileCount(); ++t) {
    const TChosenFileDetailsFullRec d = chosen->GetFullFileDetails(t);
    if (d.rec.jumps) std::sort(d.rec.jumps->begin(), d.rec.jumps->end());
  }
  return chosen;
}

std::unique_ptr<TVXFileDetails> TTellLinzoraList::SubSetOfOtherToolRequestFiles(const TLinzoraJumpToList& jumps) const {
  auto chosen = NewChosenTexts();
  for (const TLinzoraJumpTo& h : jumps.holders) AddRequestText(*chosen, h.file_number, true, h.byte_position);
  for (int32_t t = 0; t < chosen->FileCount(); ++t) {
    const TChosenFileDetailsFullRec d = chosen->GetFullFileDetails(t);
    if (d.rec.jumps) std::sort(d.rec.jumps->begin(), d.rec.jumps->end());
  }
  return chosen;
}
