#include "model/reading/chosen_texts_handover.h"

#include <algorithm>
#include <cstdio>

#include "platform/rtl/files.h"
#include "platform/rtl/streams.h"
#include "platform/runtime/vx_resources.h"
#include "platform/runtime/vx_runtime.h"
#include "platform/runtime/vx_tools.h"
#include "platform/settings/settings_access.h"
#include "platform/text/text_files.h"
#include "platform/text/text_services.h"
#include "platform/zip/zip_forge.h"
#include "shell/services/hand_over_folder.h"

namespace {

std::vector<UString> SplitAt(UStringView s, char16_t sep) {
  std::vector<UString> out;
  size_t start = 0;
  for (;;) {
    const size_t p = s.find(sep, start);
    out.emplace_back(s.substr(start, p == UStringView::npos ? UStringView::npos : p - start));
    if (p == UStringView::npos) break;
    start = p + 1;
  }
  return out;
}

bool ReadNumber(UStringView s, size_t& i, int digits_min, int digits_max, int& v) {
  int n = 0;
  v = 0;
  while (i < s.size() && s[i] >= u'0' && s[i] <= u'9' && n < digits_max) {
    v = v * 10 + (s[i] - u'0');
    ++i;
    ++n;
  }
  return n >= digits_min;
}

// Whether the file opens with the header of a saved choice (whatever its name ends in).
bool OpensAsHeadedChoice(UStringView name) {
  auto in = TFileStream::Open(UString(name), TFileMode::OpenRead);
  TCheckSignature h;
  return in && ReadCheckSignature(*in, h) && h.signature == TSharedChosenFilesClass::ChosenTextsSignature() &&
         CheckSignatureText(h) == TSharedChosenFilesClass::ChosenTextsIdentification();
}

}  // namespace

// --- cell texts -------------------------------------------------------------------------------

UString KindAsString(TFileContentsSet aKind) {
  if (aKind == 0) return u"?";
  UString out;
  if (aKind & kContents8Bit) out += u"A";
  if (aKind & kContentsUTF8) out += u"8";
  if (aKind & kContentsUTF16BE) out += u"UB";
  if (aKind & kContentsUTF16) out += u"U";
  if (aKind & (kContentsDocument | kContentsDocument2)) out += u"D";
  if (aKind & kContentsZip) out += u"Z";
  return out;
}

UString IntToDecStr(int64_t n) {
  const UString digits = IntToUStr(n);
  const size_t sign = (!digits.empty() && digits[0] == u'-') ? 1 : 0;
  UString out = digits.substr(0, sign);
  const size_t len = digits.size() - sign;
  for (size_t i = 0; i < len; ++i) {
    if (i > 0 && (len - i) % 3 == 0) out.push_back(u',');
    out.push_back(digits[sign + i]);
  }
  return out;
}

UString SizeAsString(int64_t ASize) { return IntToDecStr(ASize); }

UString WantedAsString(TFileWantedType aWanted) {
  switch (aWanted) {
    case kWantedNotLooked: return u"??";
    case kWantedFound: return u"OK";
    case kWantedNotFound: return u"not found";
    default: return {};
  }
}

UString WordsAsString(int32_t aWords) { return aWords < 1 ? UString(u"??") : IntToDecStr(aWords); }

UString FormatJulianDateAsString(double aDate, int /*Plotbasis*/) {
  if (aDate == 0) return {};
  return DateTimeToUStr(JulianToDateTimeRemovingConst(aDate));
}

bool UserStrDateAndTimeParsed(UStringView s, TDateTime& out) {
  const UString t = TrimU(s);
  size_t i = 0;
  int y = 0, mo = 0, d = 0, h = 0, mi = 0, sec = 0;
  auto sep = [&](std::u16string_view allowed) {
    if (i < t.size() && allowed.find(t[i]) != std::u16string_view::npos) {
      ++i;
      return true;
    }
    return false;
  };
  if (!ReadNumber(t, i, 4, 4, y) || !sep(u"-/.") || !ReadNumber(t, i, 1, 2, mo) || !sep(u"-/.") ||
      !ReadNumber(t, i, 1, 2, d))
    return false;
  if (i < t.size()) {
    if (!sep(u" T")) return false;
    while (i < t.size() && t[i] == u' ') ++i;
    if (!ReadNumber(t, i, 1, 2, h) || !sep(u":") || !ReadNumber(t, i, 1, 2, mi)) return false;
    if (i < t.size() && (!sep(u":") || !ReadNumber(t, i, 1, 2, sec))) return false;
    if (i != t.size()) return false;
  }
  return TryEncodeDateTime(y, mo, d, h, mi, sec, out);
}

int64_t TakeNextJumpPosition(TChosenFileDetailsFullRec& details) {
  if (FirstJumpPosition(details) == 0) return 0;
  ++details.jumps_taken;
  const int64_t p = FirstJumpPosition(details);
  if (p == 0) return 0;
  if (global_keeping_log) {
    char hex[24];
    std::snprintf(hex, sizeof hex, "%08llX", static_cast<unsigned long long>(p));
    AddToLogFile(UFormat(u"Jumping to position %d (hex %s)", {IntToUStr(p), Latin1ToUtf16(hex)}));
  }
  return p;
}

// --- hand-over --------------------------------------------------------------------------------

TVXFileDetails::TVXFileDetails(bool ARestrictTo3LetterExtensions, uint8_t ATool, TErrorEvent AOnError)
    : TSharedChosenFilesClass(ARestrictTo3LetterExtensions, std::move(AOnError), ATool) {}

UString TVXFileDetails::TempFilename() const {
  const UString folder = UserHandOverFolder();
  return folder.empty() ? UString() : folder + Tool_Name(fTool) + u".chosen_texts";
}

bool TVXFileDetails::SavedToTempFile() {
  const UString name = TempFilename();
  UString error = u"no hand-over folder of this user's can be trusted";
  const bool ok = !name.empty() && SafeSaveToFile(name, [this](TStream& s) { return SaveToStream(s); }, &error,
                                                  kHandOverSave);
  if (global_keeping_log)
    AddToLogFile(ok ? UFormat(u"%s saved %s", {name, u"YES"}) : u"chosen texts not handed over: " + error);
  return ok;
}

bool TVXFileDetails::LoadedChosenFromTempFile() {
  ClearThem();
  UString why;
  auto in = OpenHandOverFile(TempFilename(), kMostChosenTextsBytes, &why);
  if (!in) {
    if (global_keeping_log) AddToLogFile(u"chosen texts not taken over: " + why);
    return false;
  }
  return ReadFromStream(*in);
}

bool TVXFileDetails::SaveAllChosenToFile(UStringView AFilename) {
  return SafeSaveToFile(AFilename, [this](TStream& s) { return SaveToStream(s); });
}

TVLFileReadMode TVXFileDetails::ReadChosenFromFile(UStringView AFilename) {
  ClearThem();
  if (!FileExists(AFilename)) return tvl_failed;
  // A ".txt" choice is a plain list, unless it is a headed one saved under that name before
  // ".txt" meant a plain list.
  if (AsciiLower(ExtractFileExt(AFilename)) == u".txt" && !OpensAsHeadedChoice(AFilename))
    return ReadChosenFromPlainTextFile(AFilename);
  auto in = TFileStream::Open(UString(AFilename), TFileMode::OpenRead);
  if (!in) return tvl_failed;
  return ReadFromStream(*in) ? tvl_VX_Format : tvl_failed;
}

bool TVXFileDetails::WriteAllChosenToFileAsPlainText(UStringView AFilename) {
  UString text;
  for (int32_t i = 0; i < FileCount(); ++i) {
    text += FullFilename(i);
    text.push_back(u'\n');
  }
  return SaveTextFileUtf16(AFilename, text);
}

TVLFileReadMode TVXFileDetails::ReadChosenFromPlainTextFile(UStringView AFilename) {
  fLastLoadMessage.clear();
  if (!FileExists(AFilename)) return tvl_failed;
  UString text;
  if (!ReadTextFile(AFilename, text, kMostChosenTextsBytes, 1252, true)) return tvl_failed;

  for (UStringView raw : SplitLinesU(text)) {
    const UString line = TrimU(raw);
    if (line.empty()) continue;
    const std::vector<UString> fields = SplitAt(line, u'\t');
    int file_field = -1;
    UString archive, member;
    bool is_member = false;
    for (size_t f = 0; f < fields.size() && file_field < 0; ++f) {
      const UString name = TrimU(fields[f]);
      if (name.empty()) continue;
      if (FileExists(name)) {
        file_field = static_cast<int>(f);
      } else if (SplitZipMemberName(name, archive, member)) {
        file_field = static_cast<int>(f);
        is_member = true;
      }
    }
    if (file_field < 0) continue;
    const UString name = TrimU(fields[static_cast<size_t>(file_field)]);

    TChosenFile_BaseRec d;
    d.folder_num = -1;
    d.words = -1;
    d.filename = ExtractFileName(name);
    if (is_member) {
      TZipForge zip;
      zip.SetFileName(archive);
      if (!zip.OpenArchive(TZipOpenMode::Read)) continue;
      const int32_t idx = zip.FindMember(member, true);
      TZipMemberInfo info;
      if (idx < 0 || !zip.GetMember(idx, info) || info.is_folder) continue;
      d.zip_member = idx + 1;
      d.size = info.size;
      d.date = info.date;
    } else {
      d.size = FileSizeU(name);
      d.date = FileDateTime(name);
    }
    for (size_t f = 0; f < fields.size(); ++f) {
      TDateTime given = 0;
      if (static_cast<int>(f) != file_field && UserStrDateAndTimeParsed(fields[f], given)) {
        d.date = given;
        break;
      }
    }
    d.julian_date = DateTimeToJulianAddingConst(d.date);
    const UString folder = ExcludeTrailingPathDelimiter(ExtractFilePath(name));
    d.folder_num = FolderIndex(folder);
    AddIfNotInAlready(d, folder);
  }
  fLastLoadMessage = VXResFmt(TVXRes::VXNManyTextFilesLoadedFrom, {IntToUStr(FileCount()), UString(AFilename)});
  if (global_keeping_log) AddToLogFile(fLastLoadMessage);
  return FileCount() > 0 ? tvl_txt : tvl_failed;
}

TChosenTextsPrintTable TVXFileDetails::PrintTable(uint8_t ATool) const {
  TChosenTextsPrintTable t;
  t.heading = VXResFmt(TVXRes::VXXTextFiles, {IntToUStr(FileCount()), Tool_Name(ATool)});
  t.column_headings = {VXRes(TVXRes::VXFilename), VXRes(TVXRes::VXDate),   VXRes(TVXRes::VXSize),
                       VXRes(TVXRes::VXUnicode),  VXRes(TVXRes::VXWanted), VXRes(TVXRes::VXWords)};
  t.rows.reserve(static_cast<size_t>(FileCount()));
  for (int32_t i = 0; i < FileCount(); ++i) {
    const TChosenFile_BaseRec& r = fFiles.Item(i)->data;
    t.rows.push_back({FullFilename(i), FormatJulianDateAsString(r.julian_date, 0), SizeAsString(r.size),
                      KindAsString(r.kind), WantedAsString(r.wanted), WordsAsString(r.words)});
  }
  return t;
}
