#include "wordlist/wordlist_indexer.h"
#include "wordlist/index_commit.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <thread>

#include "concordance/document/tell_list.h"
#include "model/reading/chosen_texts.h"
#include "model/reading/text_statistics.h"
#include "platform/rtl/files.h"
#include "platform/rtl/streams.h"
#include "platform/runtime/vx_resources.h"
#include "platform/runtime/vx_runtime.h"
#include "platform/runtime/vx_tools.h"
#include "platform/search/search_scan.h"
#include "platform/settings/settings_access.h"
#include "platform/text/text_services.h"
#include "wordlist/index_building.h"
#include "wordlist/word_list_document.h"

namespace {

// A text's figures kept in its statistics row, at 340: its size, its modification time (ns),
// and 1 when the text is a member of an archive (the time is then the archive's).
#pragma pack(push, 1)
struct TTextFigures {
  int64_t size;
  int64_t modified;
  uint32_t zip_member;
};
#pragma pack(pop)
static_assert(sizeof(TTextFigures) == sizeof(TOne_text_stats_data::spare340));

bool FileFigures(const UString& name, int64_t& size, int64_t& modified) {
  struct stat st {};
  if (::stat(ToFsPath(name).c_str(), &st) != 0) return false;
  size = static_cast<int64_t>(st.st_size);
  modified = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
  return true;
}

UString Fixed2(double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.2f", v);
  return Utf8ToUtf16(buf);
}

bool HasDigit(UStringView s) {
  for (char16_t c : s)
    if ((CharKindOf(c) & C1_DIGIT) != 0) return true;
  return false;
}

}  // namespace

// --- creation and file names ----------------------------------------------------------------------

TIndexHandler::TIndexHandler(T_WholeWordlistHolder* aPai, TVXStatsList* AStats, UStringView aFilename,
                             int32_t AnIndexMode, bool replacing)
    : fStats(AStats), fMae(aPai), fReplacing(replacing) {
  fIndexMode = AnIndexMode;
  IndexSettings = GetWordlistIndexSettings();
  if (fMae) {
    fTextSettings = fMae->TextSettings();
    fWordlistSettings = fMae->WordlistSettings;
  }
  SetFileNames(aFilename);
  fOk = !aFilename.empty() && fStats != nullptr;
  ClearStopStateForNewJob();
}

TIndexHandler::~TIndexHandler() = default;

void TIndexHandler::SetFileNames(UStringView name) {
  const UString base = ChangeFileExt(name, u"");
  fFilename = base;
  TokenOrderFilename = base + u".tokens";
  TypeOrderFilename = base + u".types";
  StatsFilename = base + u".stats";
  MarkupSectionsFilename = base + u".markup";
}

bool TIndexHandler::Fail(const UString& why) {
  fLastFailure = why;
  AddToLogFile(u"corpus index: " + why);
  return false;
}

bool TIndexHandler::Refuse(const UString& why) {
  fOk = false;
  return Fail(why);
}

// --- opening -------------------------------------------------------------------------------------

TIndexHandler::TFound TIndexHandler::Examine(UString& why) {
  const bool tokens = FileExists(TokenOrderFilename), types = FileExists(TypeOrderFilename);
  if (!tokens && !types) {
    for (const UString* other : {&StatsFilename, &MarkupSectionsFilename}) {
      if (FileExists(*other)) {
        why = *other + u": a file of that name is there, without an index";
        return TFound::Damaged;
      }
    }
    return TFound::None;
  }
  // One signature per kind of file: the word lister's, list type 23, whichever tool runs.
  auto look = [&](const UString& name, bool there, UString& what) {
    if (!there) {
      what = name + u": missing";
      return TFound::Damaged;
    }
    TIndexFileStream s(fMae, TIndexFile::OpenRead(name, &what));
    if (!what.empty()) return TFound::Damaged;
    if (!s.CheckSignature()) {
      uint8_t tool = kToolNone;
      const bool suite = ToolOfSignature(s.Check(), tool);
      what = name + (suite ? u": another tool's file or list kind (" + IntToUStr(s.list) + u"), not an index"
                           : u": not an index (damaged, or not of this suite)");
      return suite ? TFound::Foreign : TFound::Damaged;
    }
    if (s.VersionNum() > kIndexVersionNum) {
      what = name + u": made by a newer version";
      return TFound::Newer;
    }
    // Version 0 is the older layout (shorter type records), which is read too.
    if (s.VersionNum() < 0) {
      what = name + u": not an index (its version is " + IntToUStr(s.VersionNum()) + u")";
      return TFound::Damaged;
    }
    return TFound::Good;
  };
  UString w1, w2;
  const TFound a = look(TokenOrderFilename, tokens, w1), b = look(TypeOrderFilename, types, w2);
  if (a == TFound::Good && b == TFound::Good) return TFound::Good;
  if (a == TFound::Newer || b == TFound::Newer) {
    why = a == TFound::Newer ? w1 : w2;
    return TFound::Newer;
  }
  if (a == TFound::Good || b == TFound::Good) {
    why = VXResFmt(TVXRes::VXXORYNotFoundOrFaulty, {TokenOrderFilename, TypeOrderFilename}) + u" " +
          (a == TFound::Good ? w2 : w1);
    return TFound::OnlyOne;
  }
  why = w1 + u"; " + w2;
  return a == TFound::Foreign || b == TFound::Foreign ? TFound::Foreign : TFound::Damaged;
}

bool TIndexHandler::LoadedTheFiles() {
  fLastFailure.clear();
  fRecoveryNote.clear();
  if (!fOk) return Fail(u"no index file name");
  UString why;
  // A save cut short (a kill, a power cut) left a commit record: the index is made whole first,
  // the old one or the new one, and the user told which.
  const TIndexRecovery recovery = RecoverIndexCommit(IndexCommitRecordName(fFilename), &why);
  if (recovery == TIndexRecovery::Failed) return Refuse(why);
  if (recovery != TIndexRecovery::None) {
    fRecoveryNote = why;
    AddToLogFile(u"corpus index: " + why);
  }
  why.clear();
  const TFound found = Examine(why);
  if (fIndexMode >= kIndexReadOnly) {
    if (found == TFound::None) return Refuse(TokenOrderFilename + u": missing");
    if (found != TFound::Good) return Refuse(why);
    if (!ReadIndex(false) || !ReadStatsAndMarkup()) return Refuse(fLastFailure);
    CheckTextsStillThere();
    NoteRecovery();
    return true;
  }
  if (found == TFound::Newer || found == TFound::OnlyOne) return Refuse(why);
  if (fIndexMode == kIndexCreate) {
    if (found != TFound::None && !fReplacing) {
      const UString what = found == TFound::Good ? TokenOrderFilename + u": an index of that name is there" : why;
      return Refuse(what + u"; a new index replaces it only when asked to");
    }
    if (!BeginBuild()) return false;
    NoteRecovery();
    return true;
  }
  // Adding: to a good index, or to none (a new one).
  if (found == TFound::None) {
    if (!BeginBuild()) return false;
    NoteRecovery();
    return true;
  }
  if (found != TFound::Good) return Refuse(why);
  if (!ReadIndex(true) || !ReadStatsAndMarkup()) return Refuse(fLastFailure);
  if (!BeginBuild()) return false;
  NoteRecovery();
  return true;
}

void TIndexHandler::NoteRecovery() {
  if (fRecoveryNote.empty()) return;
  fLastFailure = fLastFailure.empty() ? fRecoveryNote : fRecoveryNote + u"; " + fLastFailure;
}

bool TIndexHandler::ReadIndex(bool for_adding) {
  UString why;
  auto damaged = [&](const UString& name, const UString& what) { return Refuse(name + u": " + what); };
  fTokenFileStream = std::make_unique<TTokenFileStream>(fMae, TIndexFile::OpenRead(TokenOrderFilename, &why));
  if (!why.empty()) return damaged(TokenOrderFilename, why);
  const int32_t n = fTokenFileStream->ReadNEntries();
  const int64_t size = fTokenFileStream->File().Size();
  if (n < 0 || kIndexDataStart + 16 * int64_t{n} + kIndexSettingsBytes != size)
    return damaged(TokenOrderFilename, u"damaged or cut short (" + IntToUStr(size) + u" bytes for " +
                                           IntToUStr(n) + u" records and the settings)");
  TIndexSettingsBlock block;
  if (!fTokenFileStream->File().ReadAt(kIndexDataStart + 16 * int64_t{n}, block.bytes, kIndexSettingsBytes))
    return damaged(TokenOrderFilename, fTokenFileStream->File().Error());
  const int64_t block_at = kIndexDataStart + 16 * int64_t{n};
  if (block.IndexVersion() > kIndexBlockVersion) return damaged(TokenOrderFilename, u"made by a newer version");
  if (block.LayoutMarker() >= 0 || block.IndexVersion() < 1)
    return damaged(TokenOrderFilename, u"damaged at byte " + IntToUStr(block_at) + u" (settings)");
  if (!block.Unicode()) return damaged(TokenOrderFilename, u"an index of 8-bit words, which this version does not read");
  if (block.RecordsNotRunningWords() < 0 || block.RecordsNotRunningWords() > n)
    return damaged(TokenOrderFilename, u"damaged at byte " + IntToUStr(block_at + 3240) + u" (settings)");
  // The running words the block says it was saved with are the records before it: texts added
  // later go on counting from there.
  if (block.IndexRunningWords() != n)
    return damaged(TokenOrderFilename, u"damaged at byte " + IntToUStr(block_at + 3296) + u" (settings)");
  if (!fTokenFileStream->MapRecords(n)) return damaged(TokenOrderFilename, u"could not be mapped");
  fTokenFileStream->fTokenEntries = n;
  IndexSettings = block;
  fTextSettings = block.TextSettings();
  std::memcpy(fWordlistSettings.bytes, block.bytes + TWordlistIndexSettingsRec::kWordlistSettingsAt,
              sizeof fWordlistSettings.bytes);
  fMinTypeFrequency = std::max(1, GetWordlistIndexSettings().MinTypeFrequency());
  if (for_adding) fMinTypeFrequency = 1;

  fTypeFileStream = std::make_unique<TTypeFileStream>(fMae, TIndexFile::OpenRead(TypeOrderFilename, &why));
  if (!why.empty()) return damaged(TypeOrderFilename, why);
  int64_t sum = 0;
  TTypeFileTail tail;
  if (!fTypeFileStream->ReadAllData(n, fTypes, tail, sum, why)) return Refuse(why);
  if (sum != int64_t{n} - block.RecordsNotRunningWords())
    return damaged(TypeOrderFilename, u"its frequencies do not add up to the running words of " + TokenOrderFilename);
  fTail = std::move(tail);
  TotalTokensInIndex = n - block.RecordsNotRunningWords();
  overall_index_types = TypeCount();
  least_frequent_entry_showing = fTypes.LeastFrequency(fMinTypeFrequency);
  fSortedWords.clear();
  fSortedTypes.Clear();
  return true;
}

bool TIndexHandler::ReadStatsAndMarkup() {
  UString why;
  auto file = TIndexFile::OpenRead(StatsFilename, &why);
  if (!file) return Refuse(StatsFilename + u": missing (an index needs its texts' statistics)");
  std::vector<uint8_t> bytes(static_cast<size_t>(std::max<int64_t>(0, file->Size())));
  if (!file->ReadAt(0, bytes.data(), static_cast<int64_t>(bytes.size()))) return Refuse(file->Error());
  TMemoryStream s(std::move(bytes));
  TCheckSignature h{};
  TTessorineList kind = kListNone;
  if (!ReadCheckSignature(s, h) || h.signature != ToolSignature(kToolWordLister) ||
      !CheckSignatureListType(h, kind) || kind != kListStatistics)
    return Refuse(StatsFilename + u": not the statistics of an index");
  if (!fStats->ReadFromStream(s)) return Refuse(StatsFilename + u": damaged or cut short");
  for (int i = 0; i < fStats->Count(); ++i) {
    if (!fStats->Row(i) || fStats->Row(i)->fdata.data.text_number != i + 1)
      return Refuse(StatsFilename + u": damaged (the rows are not the index's texts in order)");
  }
  fOldTexts = fStats->Count();
  fMarkupSectionStarts.Clear();
  if (!FileExists(MarkupSectionsFilename)) {
    const UString note = MarkupSectionsFilename + u": missing; the index is read without its texts' section starts";
    fRecoveryNote = fRecoveryNote.empty() ? note : fRecoveryNote + u"; " + note;
    AddToLogFile(u"corpus index: " + note);
  } else {
    auto markup = TIndexFile::OpenRead(MarkupSectionsFilename, &why);
    std::vector<uint8_t> m(markup ? static_cast<size_t>(std::max<int64_t>(0, markup->Size())) : 0);
    if (!markup || !markup->ReadAt(0, m.data(), static_cast<int64_t>(m.size())))
      return Refuse(MarkupSectionsFilename + u": could not be read");
    TMemoryStream ms(std::move(m));
    if (!fMarkupSectionStarts.ReadFromStream(ms) || ms.BytesLeft() != 0)
      return Refuse(MarkupSectionsFilename + u": damaged or cut short");
  }
  return true;
}

void TIndexHandler::NoteTextFileFigures(TOne_text_stats_rec& row, UStringView full_name, int32_t zip_member) {
  TTextFigures f{};
  UString archive, member;
  const bool in_zip = zip_member > 0 && SplitZipMemberName(full_name, archive, member);
  int64_t size = 0, modified = 0;
  if (FileFigures(in_zip ? archive : UString(full_name), size, modified)) {
    f.size = in_zip ? row.data.size_count : size;
    f.modified = modified;
    f.zip_member = in_zip ? 1 : 0;
  }
  std::memcpy(row.data.spare340, &f, sizeof f);
}

void TIndexHandler::CheckTextsStillThere() {
  const int32_t texts = TextCount();
  fLeftOut.assign(static_cast<size_t>(texts) + 1, 0);
  fStaleTexts = 0;
  UString names;
  for (int32_t i = 0; i < texts; ++i) {
    TStatsEntry* row = fStats->Row(i);
    TTextFigures f{};
    std::memcpy(&f, row->fdata.data.spare340, sizeof f);
    const UString full = fStats->GetEntryFullFilename(i);
    bool same = true;
    if (f.size != 0 || f.modified != 0) {
      UString archive, member;
      const bool in_zip = f.zip_member == 1 && SplitZipMemberName(full, archive, member);
      int64_t size = 0, modified = 0;
      same = FileFigures(in_zip ? archive : full, size, modified) && modified == f.modified && (in_zip || size == f.size);
    }
    row->fdata.data.found = same ? 1 : 0;
    if (same) continue;
    fLeftOut[static_cast<size_t>(i) + 1] = 1;
    if (++fStaleTexts <= 10) names += (fStaleTexts > 1 ? u", " : u"") + full;
  }
  if (fStaleTexts > 0) {
    fLastFailure = IntToUStr(fStaleTexts) + (fStaleTexts == 1 ? u" text" : u" texts") +
                   u" changed or removed since indexing (" + names + (fStaleTexts > 10 ? u", ..." : u"") +
                   u"): " + (fStaleTexts == 1 ? u"its" : u"their") + u" contexts are left out";
    AddToLogFile(u"corpus index " + TokenOrderFilename + u": " + fLastFailure);
  }
}

int32_t TIndexHandler::TextCount() const { return fStats ? fStats->Count() : 0; }

bool TIndexHandler::TextLeftOut(int32_t file_number) const {
  return file_number > 0 && static_cast<size_t>(file_number) < fLeftOut.size() &&
         fLeftOut[static_cast<size_t>(file_number)] != 0;
}

// --- building ------------------------------------------------------------------------------------

bool TIndexHandler::BeginBuild() {
  fBuild = std::make_unique<TIndexBuild>();
  const bool adding = fTokenFileStream != nullptr;
  if (!fBuild->Begin(TokenOrderFilename, adding ? &fTokenFileStream->File() : nullptr,
                     adding ? fTokenFileStream->TokenEntries() : 0)) {
    const UString why = fBuild->Error();
    fBuild.reset();
    return Refuse(why);
  }
  fExactWordLength = adding ? IndexSettings.ExactWordLength() : GetExactWordLength();
  if (adding) {
    TIndexTypeTable table;
    std::vector<TIndexTypeFileRec> recs;
    fTypes.CopyTo(table, recs);
    fBuild->TakeOldTypes(std::move(table), std::move(recs), fOldTexts);
    fTypes.Clear();
    fTokenFileStream.reset();
    fTypeFileStream.reset();
  } else {
    fMarkupSectionStarts.Clear();
    fTail = TTypeFileTail();
    fOldTexts = 0;
  }
  return true;
}

void TIndexHandler::DropBuild() {
  if (!fBuild) return;
  fBuild.reset();
  fOk = false;
}

bool TIndexHandler::ReadyToStartComputing() {
  DudSeeds = 0;
  fHapaxes = 0;
  return fOk && fBuild != nullptr && fBuild->Error().empty();
}

bool TIndexHandler::UpdatedMarkupSections(TSectionStartsList& sections) {
  for (int32_t i = 0; i < sections.Count(); ++i) {
    const TSectionTagRec& r = sections.Get(i);
    fMarkupSectionStarts.Add(r.byte_position, r.name, r.first_word);
  }
  sections.Clear();
  return true;
}

TIndexSettingsBlock TIndexHandler::BlockForSave(int32_t running_words) const {
  TIndexSettingsBlock block = IndexSettings;
  block.SetLayoutMarker(-(running_words + 1));
  block.SetTextSettings(fTextSettings);
  std::memcpy(block.bytes + TWordlistIndexSettingsRec::kWordlistSettingsAt, fWordlistSettings.bytes,
              sizeof fWordlistSettings.bytes);
  block.SetUnicode(true);
  block.SetIndexVersion(kIndexBlockVersion);
  block.SetRecordsNotRunningWords(0);
  block.SetIndexRunningWords(running_words);
  block.SetExactWordLength(fExactWordLength);
  return block;
}

std::unique_ptr<TIndexFile> TIndexHandler::WriteStats(UString& why) {
  TMemoryStream m;
  TCheckSignature h;
  FillCheckSignature(h, kToolWordLister, kListStatistics, 0, 0, 0);
  if (!WriteCheckSignature(m, h) || !fStats->SaveToStream(m)) {
    why = StatsFilename + u": the statistics could not be written";
    return nullptr;
  }
  return TIndexFile::TempHolding(StatsFilename, m.Data(), why);
}

std::unique_ptr<TIndexFile> TIndexHandler::WriteMarkup(UString& why) {
  TMemoryStream m;
  if (!fMarkupSectionStarts.SaveToStream(m)) {
    why = MarkupSectionsFilename + u": the sections could not be written";
    return nullptr;
  }
  return TIndexFile::TempHolding(MarkupSectionsFilename, m.Data(), why);
}

bool TIndexHandler::Save(const std::vector<UString>& notes, const std::vector<UString>& headings) {
  fLastFailure.clear();
  if (!fOk) return Fail(VXResFmt(TVXRes::VXFailedToSaveX, {VXRes(TVXRes::VXIndex)}) + u": the index is not ready");
  const bool ok = fBuild ? SaveBuild(notes, headings) : SaveNotesOnly(notes, headings);
  if (!ok) {
    const UString why = fLastFailure;
    Fail(VXResFmt(TVXRes::VXFailedToSaveX, {VXRes(TVXRes::VXIndex)}) + u": " + why);
  }
  return ok;
}

bool TIndexHandler::SaveBuild(const std::vector<UString>& notes, const std::vector<UString>& headings) {
  // Whatever happens, the build is over: its temporary files go with it on failure.
  std::unique_ptr<TIndexBuild> build = std::move(fBuild);
  const int64_t n = build->Tokens();
  if (n > INT32_MAX) return Fail(u"more than 2,147,483,647 running words: too many for one index");
  if (!build->FinishTokens(BlockForSave(static_cast<int32_t>(n)))) return Fail(build->Error());
  std::vector<std::unique_ptr<TIndexFile>> files;
  files.push_back(build->ReleaseTokens());
  files.back()->SetFinalName(TokenOrderFilename);
  TTypeFileTail tail{headings, notes};
  files.push_back(build->WriteTypes(TypeOrderFilename, tail));
  if (!files.back()) return Fail(build->Error());
  UString why;
  files.push_back(WriteStats(why));
  if (!files.back()) return Fail(why);
  files.push_back(WriteMarkup(why));
  if (!files.back()) return Fail(why);
  if (!CommitIndexFiles(files, IndexCommitRecordName(fFilename), &why)) return Fail(why);
  files.clear();
  build.reset();
  // From now on the saved index is read like any opened one.
  fIndexMode = kIndexReadOnly;
  if (!ReadIndex(false)) return false;
  fOldTexts = TextCount();
  CheckTextsStillThere();
  return true;
}

bool TIndexHandler::SaveNotesOnly(const std::vector<UString>& notes, const std::vector<UString>& headings) {
  if (!fTypeFileStream || !fTokenFileStream) return Fail(TypeOrderFilename + u": not open");
  UString why;
  std::vector<std::unique_ptr<TIndexFile>> files;
  // Saved under another name, the index goes there whole: its records too, not only the files
  // that change.
  if (fTokenFileStream->File().Name() != TokenOrderFilename) {
    TIndexFile& from = fTokenFileStream->File();
    auto tokens = TIndexFile::CreateTemp(TokenOrderFilename, &why);
    if (!tokens) return Fail(why);
    if (!tokens->CopyFrom(from, 0, 0, from.Size()) || !tokens->Sync()) return Fail(tokens->Error());
    files.push_back(std::move(tokens));
  }
  files.push_back(fTypeFileStream->RewriteTypeNotes(TTypeFileTail{headings, notes}, TypeOrderFilename, why));
  if (!files.back()) return Fail(why);
  files.push_back(WriteStats(why));
  if (!files.back()) return Fail(why);
  files.push_back(WriteMarkup(why));
  if (!files.back()) return Fail(why);
  if (!CommitIndexFiles(files, IndexCommitRecordName(fFilename), &why)) return Fail(why);
  return ReadIndex(false);
}

bool TIndexHandler::ProcessAfterWordHandling(int32_t n_files, const std::vector<UString>& notes_to_add) {
  (void)n_files;
  std::vector<UString> notes = fTail.notes;
  if (fIndexMode == kIndexAdd) notes.push_back(VXRes(TVXRes::VXAddingToIndex));
  notes.insert(notes.end(), notes_to_add.begin(), notes_to_add.end());
  return Save(notes, fTail.headings);
}

// --- types -----------------------------------------------------------------------------------------

bool TIndexHandler::TypeLoaded(int32_t n) const {
  return n >= 0 && n < TypeCount() && fTypes.Frequency(n) >= fMinTypeFrequency;
}

const TIndexTypeFileRec* TIndexHandler::PointerFromWordType(int32_t n) const {
  return TypeLoaded(n) ? &fTypes.Record(n) : nullptr;
}

UString TIndexHandler::WordFromWordType(int32_t n) const { return TypeLoaded(n) ? UString(fTypes.Text(n)) : UString(); }

std::vector<UString> TIndexHandler::WordsInNumberOrder() const {
  std::vector<UString> words(static_cast<size_t>(TypeCount()));
  for (int32_t i = 0; i < TypeCount(); ++i) words[static_cast<size_t>(i)] = WordFromWordType(i);
  return words;
}

UString TIndexHandler::TypedToCounted(UStringView word) const {
  UString s = CountedForm(word, fWordlistSettings.CaseSensitive(), static_cast<uint32_t>(fTextSettings.LCID()));
  if (!fWordlistSettings.NumbersIncluded() && HasDigit(s)) return u"#";
  const int32_t longest = fWordlistSettings.MaxWordLength();
  int32_t points = 0;
  for (char16_t c : s) points += (c >= 0xDC00 && c < 0xE000) ? 0 : 1;
  if (longest > 0 && points > longest && !IndexSettings.ExactWordLength()) {
    UString cut;
    int32_t p = 0;
    for (size_t i = 0; i < s.size() && p < longest - 1; ++i) {
      cut.push_back(s[i]);
      if (!(s[i] >= 0xD800 && s[i] < 0xDC00)) ++p;
    }
    return cut + u"+";
  }
  return s;
}

int32_t TIndexHandler::WordNumberFromWord(UStringView word) const {
  if (word.empty()) return -1;
  const UString counted = TypedToCounted(word);
  const int32_t t = fTypes.Find(u"", counted);
  return TypeLoaded(t) ? t : -1;
}

bool TIndexHandler::TypeRecArrayToString(const std::vector<uint32_t>& types, UString& text) const {
  text.clear();
  for (size_t i = 0; i < types.size(); ++i) {
    if (i > 0) text += u' ';
    if (types[i] == kGapMarker) {
      text += u'*';
      continue;
    }
    const int32_t t = static_cast<int32_t>(types[i] & kTokenTypeMask);
    if (types[i] > kTokenTypeMask || !TypeLoaded(t)) return false;
    text += fTypes.Text(t);
  }
  return true;
}

void TIndexHandler::SetupSortedWords() {
  std::vector<TIndexTypeRec> types;
  types.reserve(static_cast<size_t>(TypeCount()));
  for (int32_t i = 0; i < TypeCount(); ++i)
    if (TypeLoaded(i)) types.push_back(TIndexTypeRec{fTypes.Record(i), fTypes.Text(i)});
  fSortedTypes.Build(std::move(types), static_cast<uint32_t>(fTextSettings.LCID()), fWordlistSettings.CaseSensitive());
  fSortedWords.clear();
  for (int32_t k = 0; k < fSortedTypes.Count(); ++k)
    fSortedWords.push_back(static_cast<int32_t>(TypeRecWithoutTextMarker(fSortedTypes.Item(k).rec.word_type_num)));
}

int32_t TIndexHandler::FindSortedWord(UStringView word) {
  if (word.empty()) return -1;
  if (fSortedWords.empty()) SetupSortedWords();
  return fSortedTypes.Find(TypedToCounted(word));
}

void TIndexHandler::SetGetAllTypes() {
  fMinTypeFrequency = 1;
  least_frequent_entry_showing = fTypes.LeastFrequency();
  fSortedWords.clear();
  fSortedTypes.Clear();
}

void TIndexHandler::ResetTheSettingsFromTextbuf() {
  const TWordlistIndexSettingsRec store = GetWordlistIndexSettings();
  auto copy = [&](size_t at, size_t n) { std::memcpy(IndexSettings.bytes + at, store.bytes + at, n); };
  copy(TWordlistIndexSettingsRec::kRelationshipsAt, TWordlistIndexSettingsRec::kRelationshipsSize);
  copy(TWordlistIndexSettingsRec::kClusterBlockAt, TWordlistIndexSettingsRec::kClusterBlockSize);
  IndexSettings.SetMinTypeFrequency(store.MinTypeFrequency());
}

TTokensFileRec TIndexHandler::IndexTokenRecFromN(int64_t where_in_index) const {
  if (!fTokenFileStream) throw std::runtime_error("Index Seek problem");
  return fTokenFileStream->ReadTokenRecord(where_in_index);
}

std::vector<UString> TIndexHandler::DetailsOfCurrentSettings(bool clustering) const {
  const TWordlistIndexSettingsRec& s = IndexSettings;
  std::vector<UString> lines;
  lines.push_back(VXResFmt(TVXRes::VXMinimumXIs, {VXRes(TVXRes::VXIndexFrequency), IntToUStr(fMinTypeFrequency)}));
  if (s.ExcludeHashEntries())
    lines.push_back(VXResFmt(TVXRes::VXXContainingYWillBEExcludedQ, {VXRes(TVXRes::VXClusters), u"#"}));
  if (!clustering) return lines;
  lines.push_back(VXRes(TVXRes::VXClusterSize) + u": " + IntToUStr(s.ClusterSizeMin()) + u"-" +
                  IntToUStr(s.ClusterSizeMax()));
  lines.push_back(VXResFmt(TVXRes::VXMinimumXIs, {VXRes(TVXRes::VXFrequency), IntToUStr(s.ClusterMinFrequency())}));
  lines.push_back(VXResFmt(TVXRes::VXStopAt, {IntToUStr(s.ClusterStopAt())}));
  lines.push_back(VXRes(TVXRes::VXSecondsPerWord) + u": " + IntToUStr(s.ClusterSecondsPerWord()));
  lines.push_back(VXResFmt(TVXRes::VXMaximumFloatIs,
                           {VXRes(TVXRes::VXWorkingPercent), Fixed2(s.FirstFilterMaxPercent())}));
  return lines;
}

// --- contexts ---------------------------------------------------------------------------------------

bool TIndexHandler::WalkType(int32_t t, std::vector<int32_t>& places, std::vector<TTokensFileRec>* records) {
  UString why;
  if (WalkType(t, places, why, fThreads > 0 ? fThreads : WordlistWorkerThreads(0), records)) return true;
  // A damaged chain makes the whole index suspect: nothing more is read from it.
  return Refuse(why);
}

bool TIndexHandler::WalkType(int32_t t, std::vector<int32_t>& places, UString& why, int32_t threads,
                             std::vector<TTokensFileRec>* records) const {
  places.clear();
  if (records) records->clear();
  if (!fOk || !fTokenFileStream || t < 0 || t >= TypeCount()) {
    why = TokenOrderFilename + (fOk ? u": no such type" : u": damaged, not read any further");
    return false;
  }
  const TIndexTypeFileRec& r = fTypes.Record(t);
  const int64_t n = fTokenFileStream->TokenEntries();
  const auto damaged = [&](int64_t at) {
    places.clear();
    if (records) records->clear();
    why = TokenOrderFilename + u": damaged (the places of \"" + UString(fTypes.Text(t)) + u"\" at record " +
          IntToUStr(at) + u")";
    return false;
  };
  if (r.first_token_place < 0 || r.last_token_place >= n) return damaged(r.first_token_place);
  // A place names one of the index's texts, in text order along the chain, and a byte in it.
  const int32_t texts = TextCount();
  int32_t last_text = 1;
  const auto in_order = [&](const TTokensFileRec& x) {
    if (x.file_number < last_text || x.file_number > texts || x.file_byte_position < 0) return false;
    last_text = x.file_number;
    return true;
  };
  const int64_t span = int64_t{r.last_token_place} - r.first_token_place + 1;
  const bool dense = r.freq >= 4096 && span < 64 * int64_t{r.freq};
  // A word on most pages is read through the mapping; a rarer one record by record (a mapping
  // would cost a page's fault for each).
  const TTokensFileRec* recs = dense || r.freq > 65536 ? fTokenFileStream->Records() : nullptr;
  places.reserve(static_cast<size_t>(r.freq));
  if (dense && recs && threads > 1) {
    // Its records are found by reading the stretch it spans, in pieces side by side, each link
    // checked against the next place found, and each place's text against the one before.
    struct TPiece {
      std::vector<int32_t> found;
      int64_t bad = -1;  // the first place that does not fit
    };
    const int32_t pieces = static_cast<int32_t>(std::min<int64_t>(threads, span / 65536 + 1));
    std::vector<TPiece> part(static_cast<size_t>(pieces));
    auto scan = [&](int32_t k) {
      const int64_t from = r.first_token_place + span * k / pieces, to = r.first_token_place + span * (k + 1) / pieces;
      TPiece& p = part[static_cast<size_t>(k)];
      int32_t text = 1;
      for (int64_t i = from; i < to; ++i) {
        const TTokensFileRec& x = recs[i];
        if (TypeRecWithoutTextMarker(x.word_type_number) != static_cast<uint32_t>(t)) continue;
        const bool fits = (p.found.empty() || recs[p.found.back()].next_known_token == i) && x.file_number >= text &&
                          x.file_number <= texts && x.file_byte_position >= 0;
        if (!fits && p.bad < 0) p.bad = i;
        text = x.file_number;
        p.found.push_back(static_cast<int32_t>(i));
      }
    };
    std::vector<std::thread> pool;
    for (int32_t k = 1; k < pieces; ++k) pool.emplace_back(scan, k);
    scan(0);
    for (std::thread& th : pool) th.join();
    for (const TPiece& p : part) {
      if (p.bad >= 0) return damaged(p.bad);
      if (!p.found.empty() && !places.empty() &&
          (recs[places.back()].next_known_token != p.found.front() ||
           recs[places.back()].file_number > recs[p.found.front()].file_number))
        return damaged(places.back());
      places.insert(places.end(), p.found.begin(), p.found.end());
    }
    if (static_cast<int32_t>(places.size()) != r.freq || places.front() != r.first_token_place ||
        recs[places.back()].next_known_token != -1)
      return damaged(r.first_token_place);
    if (records) {
      records->reserve(places.size());
      for (int32_t p : places) records->push_back(recs[p]);
    }
    return true;
  }
  if (records) records->reserve(static_cast<size_t>(r.freq));
  int64_t prev = -1;
  TTokensFileRec rec;
  for (int64_t i = r.first_token_place; i != -1; i = rec.next_known_token) {
    if (i <= prev || i >= n || static_cast<int32_t>(places.size()) >= r.freq) return damaged(i);
    if (recs) rec = recs[i];
    else if (!fTokenFileStream->ReadRecords(i, 1, &rec)) return damaged(i);
    if (TypeRecWithoutTextMarker(rec.word_type_number) != static_cast<uint32_t>(t) || !in_order(rec)) return damaged(i);
    places.push_back(static_cast<int32_t>(i));
    if (records) records->push_back(rec);
    prev = i;
  }
  if (static_cast<int32_t>(places.size()) != r.freq || prev != r.last_token_place) return damaged(prev);
  return true;
}

std::unique_ptr<TTokenRecAndPlaceList> TIndexHandler::ListOfAllContextsToAWord(UStringView word) {
  auto list = std::make_unique<TTokenRecAndPlaceList>();
  fLastFailure.clear();
  const int32_t t = WordNumberFromWord(word);
  if (t < 0) {
    fLastFailure = VXResFmt(TVXRes::VXXNotFound, {word});
    return list;
  }
  std::vector<int32_t> places;
  std::vector<TTokensFileRec> records;
  if (!WalkType(t, places, &records)) return list;
  list->items.reserve(places.size());
  for (size_t i = 0; i < places.size(); ++i) {
    if (TextLeftOut(records[i].file_number)) continue;
    list->items.push_back(TTokenAndPlaceRec{places[i], records[i]});
  }
  return list;
}

void TIndexHandler::AddListOfAllContextsTo(UStringView word, TLinzoraJumpToList& list) {
  const auto contexts = ListOfAllContextsToAWord(word);
  list.holders.reserve(list.holders.size() + contexts->items.size());
  for (const TTokenAndPlaceRec& c : contexts->items)
    list.holders.push_back(TLinzoraJumpTo{c.data.file_number - 1, static_cast<uint32_t>(c.data.file_byte_position)});
}

std::unique_ptr<TLinzoraJumpToList> TIndexHandler::AllContextsOf(UStringView phrase) {
  auto list = std::make_unique<TLinzoraJumpToList>();
  fLastFailure.clear();
  TCompiledItem item;
  CompileItem(phrase, 0, SearchTextOptionsFromTextSettings(fTextSettings), true, item);
  if (item.alts.empty()) return list;
  if (item.alts.size() > 1) {
    fLastFailure = UString(phrase) + u": alternatives are not looked up in an index";
    return list;
  }
  const std::vector<TSlot>& slots = item.alts[0].slots;
  const int32_t k = static_cast<int32_t>(slots.size());
  if (k > TTokenFileStream::kBlockRecords) {
    fLastFailure = UString(phrase) + u": a phrase of more than 102 words";
    return list;
  }
  std::vector<uint32_t> types;
  std::vector<bool> typed_punctuation;
  int32_t anchor = 0;
  for (int32_t j = 0; j < k; ++j) {
    const TSlot& s = slots[static_cast<size_t>(j)];
    if (s.kind != TSlotKind::Exact) {
      fLastFailure = UString(phrase) + u": wildcards are not looked up in an index";
      return list;
    }
    const int32_t t = WordNumberFromWord(s.raw);
    if (t < 0) {
      fLastFailure = VXResFmt(TVXRes::VXXNotFound, {phrase});
      return list;
    }
    types.push_back(static_cast<uint32_t>(t));
    bool typed = false;
    for (char16_t c : s.gap_before) typed = typed || !(c == u' ' || c == u'\t' || c == 0x00A0);
    typed_punctuation.push_back(typed);
    if (fTypes.Frequency(t) < fTypes.Frequency(static_cast<int32_t>(types[static_cast<size_t>(anchor)]))) anchor = j;
  }
  // The places of the rarest word decide where the phrase may stand.
  std::vector<int32_t> places;
  if (!WalkType(static_cast<int32_t>(types[static_cast<size_t>(anchor)]), places)) return list;
  // The words around each place: through the mapping for many places, read one stretch at a
  // time for a few.
  const TTokensFileRec* mapped = places.size() > 65536 ? fTokenFileStream->Records() : nullptr;
  const int64_t n = fTokenFileStream->TokenEntries();
  const int32_t texts = TextCount();
  // Whether the k records from recs on are the phrase, and where it stands.
  auto matches = [&](const TTokensFileRec* recs) {
    for (int32_t j = 0; j < k; ++j) {
      const uint32_t w = recs[j].word_type_number;
      if (TypeRecWithoutTextMarker(w) != types[static_cast<size_t>(j)]) return false;
      // A phrase lies within one text (a damaged record naming another, or none, is no match).
      if (recs[j].file_number != recs[0].file_number) return false;
      if (j + 1 == k) break;
      const uint32_t marker = TextMarkerOf(w);
      // Never across the end of a text; across a sentence end only where it was typed with the
      // punctuation that marks it; never across a paragraph, heading or section boundary.
      if ((marker & kMarkTextEnd) != 0 || (marker & kMarkUnitEnd) != 0) return false;
      if ((marker & kMarkSentenceEnd) != 0 &&
          !(typed_punctuation[static_cast<size_t>(j) + 1] && (marker & kMarkPunctuation) != 0))
        return false;
    }
    return recs[0].file_number >= 1 && recs[0].file_number <= texts && recs[0].file_byte_position >= 0 &&
           !TextLeftOut(recs[0].file_number);
  };
  auto jump = [](const TTokensFileRec& r) {
    return TLinzoraJumpTo{r.file_number - 1, static_cast<uint32_t>(r.file_byte_position)};
  };
  const int32_t threads = fThreads > 0 ? fThreads : WordlistWorkerThreads(0);
  if (mapped && threads > 1) {
    // Many places: looked at in pieces side by side, the pieces' finds joined in text order.
    const size_t pieces = std::min<size_t>(static_cast<size_t>(threads), places.size() / 65536 + 1);
    std::vector<std::vector<TLinzoraJumpTo>> found(pieces);
    auto look = [&](size_t piece) {
      const size_t from = places.size() * piece / pieces, to = places.size() * (piece + 1) / pieces;
      for (size_t i = from; i < to; ++i) {
        const int64_t s = int64_t{places[i]} - anchor;
        if (s >= 0 && s + k <= n && matches(mapped + s)) found[piece].push_back(jump(mapped[s]));
      }
    };
    std::vector<std::thread> pool;
    for (size_t piece = 1; piece < pieces; ++piece) pool.emplace_back(look, piece);
    look(0);
    for (std::thread& th : pool) th.join();
    for (const auto& f : found) list->holders.insert(list->holders.end(), f.begin(), f.end());
  } else {
    TTokensFileRec block[TTokenFileStream::kBlockRecords];
    for (int32_t p : places) {
      const int64_t s = int64_t{p} - anchor;
      if (s < 0 || s + k > n) continue;
      const TTokensFileRec* recs = mapped ? mapped + s : block;
      if (!mapped && !fTokenFileStream->ReadRecords(s, k, block)) continue;
      if (matches(recs)) list->holders.push_back(jump(recs[0]));
    }
  }
  if (list->holders.empty() && fLastFailure.empty()) fLastFailure = VXResFmt(TVXRes::VXXNotFound, {phrase});
  return list;
}

// --- selections and lemmas ----------------------------------------------------------------------

void TIndexHandler::AddToItemsToProcess(UStringView word) {
  ItemsToProcess.push_back(TypedToCounted(word));
  process_selection = 1;
}

int32_t TIndexHandler::AddHeadWordToExtras(UStringView head_word, int32_t total) {
  (void)total;
  return WordNumberFromWord(head_word);
}

int32_t TIndexHandler::AddVariantToExtras(UStringView lemma_variant, int32_t head_word_number, int32_t freq) {
  (void)head_word_number;
  (void)freq;
  return FindSortedWord(lemma_variant);
}

// --- export -----------------------------------------------------------------------------------------

namespace {

// Lines of numbers: a new line when there is none or the last passed 200 characters, else the
// last is extended, after a comma when it ends in a digit.
struct TNumberLines {
  std::vector<UString> lines;
  int32_t items = 0;
  void Append(int64_t n) {
    const UString text = IntToUStr(n);
    if (lines.empty() || lines.back().size() > 200) {
      lines.push_back(text);
    } else {
      UString& last = lines.back();
      if (!last.empty() && last.back() >= u'0' && last.back() <= u'9') last += u',';
      last += text;
    }
    ++items;
  }
};

}  // namespace

bool TIndexHandler::ExportData(UStringView file_name, int32_t stats, UStringView word) {
  fLastFailure.clear();
  if (!fTokenFileStream) return Fail(u"no index open");
  TNumberLines positions, text_lengths, sentence_lengths;
  int32_t entries = -1;
  UString counted;
  if (!word.empty()) {
    const int32_t t = WordNumberFromWord(word);
    std::vector<int32_t> places;
    std::vector<TTokensFileRec> records;
    if (t >= 0 && WalkType(t, places, &records)) {
      counted = UString(fTypes.Text(t));
      entries = 0;
      int32_t text = 0;
      for (const TTokensFileRec& r : records) {
        if (TextLeftOut(r.file_number)) continue;
        if (r.file_number != text) {
          text = r.file_number;
          positions.lines.push_back(fStats->GetEntryFullFilename(text - 1) + u"\n" + VXRes(TVXRes::VXBytePositions) +
                                    u": ");
        }
        positions.Append(r.file_byte_position);
        ++entries;
      }
    } else if (t >= 0) {
      return false;
    }
  }
  const TTokensFileRec* recs = fTokenFileStream->Records();
  if (!recs && fTokenFileStream->TokenEntries() > 0) return Fail(TokenOrderFilename + u": could not be mapped");
  int64_t in_text = 0, in_sentence = 0;
  for (int64_t i = 0; i < fTokenFileStream->TokenEntries(); ++i) {
    if ((i & 0xFFFFF) == 0) MyYieldProcess();
    const uint32_t marker = TextMarkerOf(recs[i].word_type_number);
    ++in_text;
    ++in_sentence;
    if ((marker & kMarkTextEnd) != 0) {
      text_lengths.Append(in_text);
      in_text = 0;
    }
    // A text's end ends its sentence too: no sentence runs on into the next text.
    if (stats == 1 && (marker & (kMarkSentenceEnd | kMarkTextEnd)) != 0) {
      sentence_lengths.Append(in_sentence);
      in_sentence = 0;
    }
  }
  if (in_text > 0) text_lengths.Append(in_text);
  if (stats == 1 && in_sentence > 0) sentence_lengths.Append(in_sentence);

  std::vector<UString> out;
  out.push_back(VXResFmt(TVXRes::VXNmanyTexts, {IntToUStr(text_lengths.items)}));
  out.push_back(VXRes(TVXRes::VXWordLengths) + u":");
  out.insert(out.end(), text_lengths.lines.begin(), text_lengths.lines.end());
  if (entries >= 0) {
    out.push_back(UpperCaseU(counted, static_cast<TLCID>(fTextSettings.LCID())) + u": " +
                  VXResFmt(TVXRes::VXNmanyEntriesFound, {IntToUStr(entries)}));
    out.insert(out.end(), positions.lines.begin(), positions.lines.end());
  }
  if (stats == 1) {
    out.push_back(VXResFmt(TVXRes::VXNManyX, {IntToUStr(sentence_lengths.items), VXRes(TVXRes::VXSentences)}));
    out.push_back(VXRes(TVXRes::VXWordLengths) + u":");
    out.insert(out.end(), sentence_lengths.lines.begin(), sentence_lengths.lines.end());
  }
  UString text;
  for (const UString& line : out) text += line + u"\n";
  UString why;
  const bool saved = SafeSaveToFile(
      file_name,
      [&](TStream& s) {
        const uint8_t bom[2] = {0xFF, 0xFE};
        return s.WriteExact(bom, 2) && s.WriteExact(text.data(), 2 * static_cast<int64_t>(text.size()));
      },
      &why);
  return saved || Fail(why);
}
