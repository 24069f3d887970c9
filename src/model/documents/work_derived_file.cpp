// The tool document's file: the 57-byte header, the extra-stuff block, the file-level save and
// open, and the settings blocks that tool documents place in their bodies.
#include <algorithm>
#include <cstring>
#include <vector>

#include "model/documents/work_base.h"
#include "model/documents/work_derived.h"
#include "platform/rtl/files.h"
#include "platform/rtl/streams.h"
#include "platform/runtime/vx_resources.h"
#include "platform/runtime/vx_runtime.h"
#include "platform/settings/settings_access.h"
#include "shell/services/progress.h"

namespace {

constexpr int64_t kHeaderSize = static_cast<int64_t>(sizeof(TCheckSignature));
constexpr int64_t kTextSettingsSize = static_cast<int64_t>(TTextsett_rec32::kSize);
constexpr int64_t kColoursSize = 192;
constexpr int64_t kKeywordsSize = static_cast<int64_t>(TKeywordsSettingsRec32::kSize);
// Older layouts of the keywords settings, told apart by a field of each.
constexpr int64_t kKeywordsV4Size = 1212;
constexpr size_t kKeywordsV4Probe = 640;    // 0 or more in a version-4 block
constexpr int64_t kKeywordsV5OldSize = 2256;
constexpr size_t kKeywordsV5OldProbe = 1184;  // 3 in an old version-5 block
constexpr size_t kOldFontAt = 8;  // the old font record inside a version-5 block

int32_t GetI32(const uint8_t* p) {
  int32_t v;
  std::memcpy(&v, p, 4);
  return v;
}

int32_t ClampToI32(int64_t v) {
  return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
}

// A text-settings block of the given document version. The stored layout has kept its size and
// offsets in every version this program writes or reads.
bool ReadInTextSettings(TStream& s, TTextsett_rec32& rec, int32_t /*version*/) {
  return s.ReadExact(rec.bytes, kTextSettingsSize);
}

// Old keywords layouts were the leading part of today's record; what they did not hold stays 0.
void KeywordsFromLeadingPart(const uint8_t* old, int64_t size, TKeywordsSettingsRec32& rec) {
  rec.Clear();
  std::memcpy(rec.bytes, old, static_cast<size_t>(std::min<int64_t>(size, kKeywordsSize)));
}
void VX_keywords_settings_type32FromV4(const uint8_t* v4, TKeywordsSettingsRec32& rec) {
  KeywordsFromLeadingPart(v4, kKeywordsV4Size, rec);
}
void VX_keywords_settings_type32FromV5OLd(const uint8_t* v5, TKeywordsSettingsRec32& rec) {
  KeywordsFromLeadingPart(v5, kKeywordsV5OldSize, rec);
}

// The old font record: character set, size in points, then the name as 32 single-byte
// characters (zero-terminated when shorter). The new one is the 204-byte font of the text
// settings: character set, size, then the name as 101 UTF-16 units.
void New_WinFontFromOldWin_Font(const uint8_t* old_font, uint8_t* new_font204) {
  std::memset(new_font204, 0, 204);
  new_font204[0] = old_font[0];
  new_font204[1] = old_font[1];
  const char* name = reinterpret_cast<const char*>(old_font + 2);
  size_t n = 0;
  while (n < 32 && name[n]) ++n;
  WriteFixedChars(new_font204 + 2, 101, Latin1ToUtf16(std::string_view(name, n)));
}

}  // namespace

// --- the extra-stuff block -----------------------------------------------------------------------

bool TTessorineHolderExtraStuffHolder::SaveToStream(TStream& s) const {
  try {
    if (!s.WriteExact(record.bytes, kRecordSize)) return false;
    // A block of an old version keeps the old form, so that it reads back as written.
    if (Version() < kParentNameVersion) {
      const uint8_t zeros[kOldTailSize] = {};
      return s.WriteExact(zeros, kOldTailSize);
    }
    return WriteAString(s, parent_filename);
  } catch (...) {
    return false;
  }
}

std::vector<int16_t> TTessorineHolderExtraStuffHolder::GridColumnWidths() const {
  std::vector<int16_t> widths;
  if (record.Get<int32_t, kLayoutOffset>() != kLayoutMark) return widths;
  const int32_t n = record.Get<int32_t, kLayoutOffset + 4>();
  if (n <= 0 || n > kMaxLayoutColumns) return widths;
  for (int32_t c = 0; c < n; ++c) {
    int16_t w = 0;
    std::memcpy(&w, record.bytes + kLayoutOffset + 8 + 2 * c, sizeof w);
    if (w <= 0) return {};  // damaged: no layout rather than a column of no width
    widths.push_back(w);
  }
  return widths;
}

void TTessorineHolderExtraStuffHolder::SetGridColumnWidths(const std::vector<int32_t>& widths) {
  std::memset(record.bytes + kLayoutOffset, 0, 8 + 2 * kMaxLayoutColumns);
  if (widths.empty() || widths.size() > size_t(kMaxLayoutColumns)) return;
  for (int32_t w : widths)
    if (w < 1 || w > INT16_MAX) return;
  record.Put<int32_t, kLayoutOffset>(kLayoutMark);
  record.Put<int32_t, kLayoutOffset + 4>(static_cast<int32_t>(widths.size()));
  for (size_t c = 0; c < widths.size(); ++c) {
    const int16_t w = static_cast<int16_t>(widths[c]);
    std::memcpy(record.bytes + kLayoutOffset + 8 + 2 * c, &w, sizeof w);
  }
}

bool TTessorineHolderExtraStuffHolder::ReadFromStream(TStream& s) {
  try {
    TByteRecord<464> rec;
    if (!s.ReadExact(rec.bytes, kRecordSize)) return false;
    UString parent;
    if (rec.Get<int32_t, 0>() >= kParentNameVersion) {
      const int64_t at = s.Position();
      int32_t units = 0;
      if (at < 0 || !ReadI32(s, units)) return false;
      if (units < 0 || static_cast<size_t>(units) > kMaxParentNameUnits) return false;
      if (!s.SetPosition(at) || !ReadAString(s, parent)) return false;
    } else {
      uint8_t skipped[kOldTailSize];
      if (!s.ReadExact(skipped, kOldTailSize)) return false;
    }
    record = rec;
    parent_filename = std::move(parent);
    unsaved_word = 0;
    return true;
  } catch (...) {
    return false;
  }
}

// --- the header ----------------------------------------------------------------------------------

void TTessorineholder::FillHeader(int32_t client_height, int32_t client_width, int32_t saved_dpi) {
  FillCheckSignature(fCheck, current_tool_var, ListKind, client_height, client_width, saved_dpi);
  ftextsettings.SetSaved(true);
  NoValueCaption = VXRes(TVXRes::VXNone);
  fExtraStuff.SetVersion(std::max(fExtraStuff.Version(), kMinHolderVersion));
}

bool TTessorineholder::StartSaveToFile(TStream& s, UStringView /*file_name*/, int32_t client_height,
                                       int32_t client_width, int32_t saved_dpi) {
  FillHeader(client_height, client_width, saved_dpi);
  fHeaderPosition = s.Position();
  fHeaderStream = &s;
  const bool ok = fHeaderPosition >= 0 && WriteCheckSignature(s, fCheck);
  if (!ok) fHeaderStream = nullptr;
  return ok;
}

// The header goes back where the StartSaveToFile of this save wrote it (a document may sit in the
// middle of a larger stream); without one, a header without window sizes is written here, before
// the block. The place is forgotten once used: a stream that a later save meets may be another
// one at the same address, whose bytes there belong to something else.
bool TTessorineholder::SaveToStream(TStream& s) {
  const TStream* header_stream = fHeaderStream;
  const int64_t header_position = fHeaderPosition;
  fHeaderStream = nullptr;
  fHeaderPosition = -1;
  try {
    const int64_t pos = s.Position();
    if (pos < 0) return false;
    fExtraStuff.SetVersion(std::max(fExtraStuff.Version(), kMinHolderVersion));
    SetExtraStuffMarker(fCheck);
    const bool rewrite = header_stream == &s && header_position >= 0 && header_position + kHeaderSize <= pos;
    bool ok;
    if (rewrite) {
      if (!s.SetPosition(header_position)) return false;
      ok = WriteCheckSignature(s, fCheck);
      if (!s.SetPosition(pos)) return false;
    } else {
      FillHeader(0, 0, 0);
      SetExtraStuffMarker(fCheck);
      ok = WriteCheckSignature(s, fCheck);
    }
    return ok && fExtraStuff.SaveToStream(s);
  } catch (...) {
    return false;
  }
}

bool TTessorineholder::StartReadFromStream(TStream& s) { return ReadAndCheckSignature(s, fCheck, current_tool_var); }

bool TTessorineholder::ReadWholeFromStream(TStream& s) {
  try {
    ReadComplete = true;
    fSecondStrings.clear();
    StartListsRead();
    TTessorineList type;
    if (!CheckSignatureListType(fCheck, type)) return false;
    ListKind = type;
    if (!HasExtraStuffMarker(fCheck)) return true;
    if (!fExtraStuff.ReadFromStream(s)) return false;
    const int32_t count = fExtraStuff.MainListCount();
    if (OnMainEntriesKnown && count >= 1) OnMainEntriesKnown(count);
    return true;
  } catch (...) {
    return false;
  }
}

// --- the file ------------------------------------------------------------------------------------

bool TTessorineholder::SaveToFile(UStringView file_name, int32_t client_height, int32_t client_width,
                                  int32_t saved_dpi) {
  if (file_name.empty()) return false;
  TProgressClass* progress = GlobalProgress();
  if (!Global_batch_mode && progress) progress->ProgressShortMessage(VXRes(TVXRes::VXSaving));
  const UString target = DocumentFileName(file_name, ListKind);
  // Each list clears its count of changed entries when it has written itself; when the document
  // as a whole does not reach the file, those entries are still in no file.
  std::vector<int32_t> changed(static_cast<size_t>(fLists.Count()), 0);
  for (int i = 0; i < fLists.Count(); ++i)
    if (TDocumentList* list = fLists.SafeItem(i)) changed[static_cast<size_t>(i)] = list->ChangedEntries();
  UString error;
  const bool ok = SafeSaveToFile(
      target,
      [&](TStream& s) {
        return StartSaveToFile(s, target, client_height, client_width, saved_dpi) && SaveToStream(s);
      },
      &error);
  fHeaderStream = nullptr;
  fHeaderPosition = -1;
  if (!ok) {
    for (int i = 0; i < fLists.Count(); ++i)
      if (TDocumentList* list = fLists.SafeItem(i)) list->SetChangedEntries(changed[static_cast<size_t>(i)]);
  }
  if (!ok && global_keeping_log) AddToLogFile(u"save failed: " + error);
  if (!Global_batch_mode && progress) progress->ProgressShortMessage(u"");
  return ok;
}

// A file that does not read leaves the document as it was, its header and file name too.
T2_BooleanRec TTessorineholder::ReadWholeFromFile(UStringView file_name, uint8_t tool_type) {
  std::unique_ptr<TFileStream> f;
  try {
    f = TFileStream::Open(UString(file_name), TFileMode::OpenRead);
  } catch (...) {
    f.reset();
  }
  // A file that cannot be opened is read as one with nothing in it: refused, the document kept.
  TMemoryStream nothing;
  return ReadWholeFromOpenFile(f ? static_cast<TStream&>(*f) : nothing, file_name, tool_type);
}

T2_BooleanRec TTessorineholder::ReadWholeFromOpenFile(TStream& file, UStringView file_name, uint8_t tool_type) {
  const TCheckSignature check_before = fCheck;
  const UString name_before = SourceTextFilename;
  const bool complete_before = ReadComplete;
  T2_BooleanRec result;
  try {
    ReadComplete = true;
    SourceTextFilename = UString(file_name);
    if (ReadAndCheckSignature(file, fCheck, tool_type)) result.first = ReadWholeFromStream(file);
  } catch (...) {
    result.first = false;
  }
  if (result.first) {
    result.second = ReadComplete;
  } else {
    fCheck = check_before;
    SourceTextFilename = name_before;
    ReadComplete = complete_before;
  }
  return result;
}

bool TTessorineholder::RefusedReadWhileBusy() {
  for (int i = 0; i < fLists.Count(); ++i)
    if (TDocumentList* list = fLists.SafeItem(i); list && list->ListBusy() != kBusyNone) {
      list->RefuseWhileBusy("read a document into its lists");
      return true;
    }
  return false;
}

void TTessorineholder::SwapOwnedLists(TTessorineholder& other) {
  fVXBaseFilenames.swap(other.fVXBaseFilenames);
  std::swap(fLists, other.fLists);
}

void TTessorineholder::CopyReadStateFrom(const TTessorineholder& other) {
  CopyTextFormFrom(other);
  fCheck = other.fCheck;
  std::memcpy(fColours, other.fColours, sizeof fColours);
  ftextsettings = other.ftextsettings;
  fNotes = other.fNotes;
  fExtraStuff.record = other.fExtraStuff.record;
  fExtraStuff.parent_filename = other.fExtraStuff.parent_filename;
  fExtraStuff.unsaved_word = other.fExtraStuff.unsaved_word;
  ListKind = other.ListKind;
  ReadComplete = other.ReadComplete;
  fSecondStrings = other.fSecondStrings;
  SourceTextFilename = other.SourceTextFilename;
  fAtLeastOneTextFileInPlace = other.fAtLeastOneTextFileInPlace;
}

// --- settings blocks -------------------------------------------------------------------------------

bool TTessorineholder::SavedTextSettings(TStream& s) {
  ftextsettings.SetSaved(true);
  return s.WriteExact(ftextsettings.bytes, kTextSettingsSize);
}

bool TTessorineholder::ReadTextSettings(TStream& s) {
  TTextsett_rec32 rec;
  if (!ReadInTextSettings(s, rec, fExtraStuff.Version())) return false;
  // The user's display font stays when the document's language is the current one.
  const TTextsett_rec32 current = GetTextSettings();
  if (current.LCID() == rec.LCID()) rec.CopyDisplayFontFrom(current);
  SetTextSettings(rec);
  return true;
}

bool TTessorineholder::SavedColours(TStream& s) const { return s.WriteExact(fColours, kColoursSize); }

bool TTessorineholder::ReadColours(TStream& s) {
  uint8_t colours[kColoursSize];
  if (!s.ReadExact(colours, kColoursSize)) return false;
  std::memcpy(fColours, colours, sizeof colours);
  return true;
}

bool TTessorineholder::KWSettingsSaved(TStream& s, const TKeywordsSettingsRec32& rec) const {
  TKeywordsSettingsRec32 copy = rec;
  copy.SetLayoutVersion(std::max(copy.LayoutVersion(), 7));
  // Stored negative, -1 at most: a positive value v is stored as -v (in 64 bits, so that the
  // most negative value is kept as it is rather than turned positive).
  const int64_t v = copy.LayoutMarkedValue();
  const int64_t magnitude = std::max<int64_t>(1, v < 0 ? -v : v);
  copy.SetLayoutMarkedValue(ClampToI32(-magnitude));
  copy.SetSaved(true);
  return s.WriteExact(copy.bytes, kKeywordsSize);
}

bool TTessorineholder::KWSettingsRead(TStream& s, TKeywordsSettingsRec32& rec) const {
  try {
    TKeywordsSettingsRec32 out;
    out.Clear();
    const int64_t at = s.Position();
    if (at < 0) return false;
    const int32_t version = fExtraStuff.Version();
    if (version <= 4) {
      std::vector<uint8_t> buf(static_cast<size_t>(kKeywordsV5OldSize));
      if (!s.ReadExact(buf.data(), kKeywordsV4Size)) return false;
      if (GetI32(buf.data() + kKeywordsV4Probe) >= 0) {
        VX_keywords_settings_type32FromV4(buf.data(), out);
      } else {
        if (!s.SetPosition(at) || !s.ReadExact(buf.data(), kKeywordsV5OldSize)) return false;
        if (GetI32(buf.data() + kKeywordsV5OldProbe) == 3) {
          VX_keywords_settings_type32FromV5OLd(buf.data(), out);
        } else if (!s.SetPosition(at) || !s.ReadExact(out.bytes, kKeywordsSize)) {
          return false;
        }
      }
    } else {
      if (!s.ReadExact(out.bytes, kKeywordsSize)) return false;
      if (version == 5) {
        uint8_t font[204];
        New_WinFontFromOldWin_Font(out.bytes + kOldFontAt, font);
        std::memcpy(out.bytes + TKeywordsSettingsRec32::kFontAt, font, sizeof font);
      }
    }
    const int64_t marked = out.LayoutMarkedValue();
    out.SetLayoutMarkedValue(ClampToI32(marked < 0 ? -marked : marked));
    rec = out;
    return true;
  } catch (...) {
    return false;
  }
}

// --- the window size -------------------------------------------------------------------------------

bool TTessorineholder::TryToGetClientHeightOrWidth(int32_t available, bool want_height, int32_t& result) const {
  if (fCheck.client_height <= 0 || fCheck.client_width <= 0) return false;
  const int32_t v = want_height ? fCheck.client_height : fCheck.client_width;
  const int32_t limit = (available / 4) * 3;
  if (fCheck.negated_dpi < 0) {
    const int32_t stored_dpi = ClampToI32(-static_cast<int64_t>(fCheck.negated_dpi));
    result = std::min(limit, DimensionScaledForDPI(v, stored_dpi, ScreenPixelsPerInch()));
  } else {
    result = std::min(limit, v);
  }
  return true;
}
