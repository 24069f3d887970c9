#include "shell/main_window/text_choice.h"

#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "platform/rtl/files.h"
#include "platform/runtime/vx_runtime.h"
#include "platform/settings/settings_access.h"
#include "platform/zip/zip_forge.h"
#include "shell/services/suite_services.h"

namespace {

bool Readable(UStringView file) { return access(Utf16ToUtf8(file).c_str(), R_OK) == 0; }

// Whether the folder (and its sub-folders when asked) holds a zip archive.
bool HoldsZipArchives(UStringView folder, bool with_sub_folders) {
  namespace fs = std::filesystem;
  std::error_code ec;
  auto is_zip = [](const fs::directory_entry& e) {
    std::error_code ignored;
    return e.is_regular_file(ignored) && AsciiLower(Utf8ToUtf16(e.path().extension().string())) == u".zip";
  };
  const auto options = fs::directory_options::skip_permission_denied;
  if (with_sub_folders) {
    for (fs::recursive_directory_iterator it(ToFsPath(folder), options, ec), end; !ec && it != end; it.increment(ec))
      if (is_zip(*it)) return true;
  } else {
    for (fs::directory_iterator it(ToFsPath(folder), options, ec), end; !ec && it != end; it.increment(ec))
      if (is_zip(*it)) return true;
  }
  return false;
}

}  // namespace

UString KindDescription(TFileContentsSet kind, bool zip_member) {
  const TFileContentsSet own = kind & static_cast<TFileContentsSet>(~kContentsZip);
  UString d;
  if (own & kContentsUTF16BE) d = u"UTF-16 big-endian";
  else if (own & kContentsUTF16) d = u"UTF-16";
  else if (own & kContentsUTF8) d = u"UTF-8";
  else if (own & kContentsDocument) d = u"PDF document";
  else if (own & kContentsDocument2) d = u"office document";
  else if (own & kContents8Bit) d = u"plain text (8-bit)";
  else if (kind & kContentsZip) d = u"zip archive";
  else return u"not looked at";
  if (zip_member) d += u", zip member";
  return d;
}

TTextChoice::TTextChoice(uint8_t tool) : texts_(false, tool) {}
TTextChoice::~TTextChoice() = default;

TFileContentsSet TTextChoice::KindOf(int32_t index) {
  const TChosenFileHolder* h = texts_.fFiles.Item(index);
  if (!h) return 0;
  if (h->data.kind != 0 || h->data.wanted == kWantedNotFound) return h->data.kind;
  const int32_t member = h->data.zip_member;
  const UString full = texts_.FullFilename(index);
  TFileContentsSet kind = 0;
  if (member > 0) {
    UString archive, name;
    if (SplitZipMemberName(full, archive, name)) {
      if (!zip_ || zip_->FileName() != archive) {
        zip_ = std::make_unique<TZipForge>();
        zip_->SetFileName(archive);
        if (!zip_->OpenArchive(TZipOpenMode::Read)) zip_.reset();
      }
      if (zip_)
        if (auto stream = zip_->OpenMemberStream(member - 1)) kind = StreamContentsType(*stream, false);
    }
  } else if (Readable(full)) {
    kind = FileContentsType(full, false);
    // A run would pass it over: marked now, with the kind it seemed to have.
    if (kind != 0 && FileLooksBinary(full)) {
      texts_.SetFileKind(index, kind);
      texts_.SetFileWanted(index, kWantedNotFound);
      return kind;
    }
  }
  if (kind == 0) {
    texts_.SetFileWanted(index, kWantedNotFound);
    return 0;
  }
  if (member > 0) kind |= kContentsZip;
  texts_.SetFileKind(index, kind);
  return kind;
}

UString TTextChoice::KindText(int32_t index) {
  const TFileContentsSet kind = KindOf(index);
  const TChosenFileHolder* h = texts_.fFiles.Item(index);
  if (!h) return UString();
  if (h->data.wanted == kWantedNotFound) return kind == 0 ? u"unreadable" : u"not a text (binary)";
  return KindDescription(kind, h->data.zip_member > 0);
}

std::vector<UString> TTextChoice::AddFiles(const std::vector<UString>& files) {
  texts_.TakeRepeatsLeftOut();
  std::vector<UString> problems;
  for (const UString& f : files) {
    if (!FileExists(f)) {
      problems.push_back(u"not found: " + f);
      continue;
    }
    const int32_t before = Count();
    if (!texts_.ToolAddAFile(f)) continue;  // in already
    if (Count() > before && !Readable(f)) {
      texts_.SetFileWanted(Count() - 1, kWantedNotFound);
      problems.push_back(u"cannot be read (kept, marked): " + f);
    }
  }
  // An archive chosen as a file stands for its texts.
  std::vector<TSharedChosenFilesClass::TArchiveRefusal> refused;
  texts_.TakeArchivesAsMembers(&refused);
  for (const auto& r : refused) problems.push_back(r.why + u" (kept, marked): " + r.archive);
  repeats_ = texts_.TakeRepeatsLeftOut();
  return problems;
}

std::vector<UString> TTextChoice::AddFolder(UStringView folder, UStringView mask, bool with_sub_folders,
                                            bool within_zips, int32_t* added) {
  if (added) *added = 0;
  stopped_ = false;
  repeats_ = 0;
  if (!DirectoryExists(folder)) return {u"the folder is not there: " + UString(folder)};
  texts_.TakeRepeatsLeftOut();
  const uint8_t job_state = global_panic_state;
  collecting_ = true;
  const int32_t n = texts_.AddedFolderContents(ExcludeTrailingPathDelimiter(folder), mask.empty() ? u"*" : mask,
                                               with_sub_folders, within_zips);
  collecting_ = false;
  stopped_ = global_panic_state != kPanicNone;
  global_panic_state = job_state;
  repeats_ = texts_.TakeRepeatsLeftOut();
  if (added) *added = n;
  if (n > 0 || stopped_ || repeats_ > 0) return {};
  UString why = u"No texts matching \"" + UString(mask.empty() ? u"*" : mask) + u"\" in " + UString(folder);
  if (!within_zips && HoldsZipArchives(folder, with_sub_folders))
    why += u": the folder holds zip archives; tick \"inside zips\" to choose the texts in them";
  empty_folders_.push_back(why);
  return {why};
}

std::vector<UString> TTextChoice::ZipMemberNames(UStringView archive, std::vector<UString>& problems) {
  TZipForge zip;
  zip.SetFileName(archive);
  if (!zip.OpenArchive(TZipOpenMode::Read)) {
    problems.push_back(u"the archive cannot be read: " + UString(archive) + u" (" + zip.LastError() + u")");
    return {};
  }
  std::vector<UString> names;
  for (const TZipMemberInfo& m : zip.Members())
    if (!m.is_folder) names.push_back(m.name);
  return names;
}

std::vector<UString> TTextChoice::AddZipMembers(UStringView archive, const std::vector<UString>& names) {
  repeats_ = 0;
  std::vector<UString> problems;
  TZipForge zip;
  zip.SetFileName(archive);
  if (!zip.OpenArchive(TZipOpenMode::Read)) {
    problems.push_back(u"the archive cannot be read: " + UString(archive) + u" (" + zip.LastError() + u")");
    return problems;
  }
  for (const UString& name : names) {
    if (!IsSafeMemberName(name)) {
      problems.push_back(u"refused, the name leaves its folder: " + name);
      continue;
    }
    const int32_t index = zip.FindMember(name);
    TZipMemberInfo m;
    if (index < 0 || !zip.GetMember(index, m) || m.is_folder) {
      problems.push_back(u"not in the archive: " + name);
      continue;
    }
    TChosenFile_BaseRec d;
    d.zip_member = m.index + 1;
    d.date = m.date;
    d.julian_date = DateTimeToJulianAddingConst(d.date);
    d.size = m.size;
    d.filename = ExtractFileName(m.name);
    UString folder(archive);
    const UString sub = ExcludeTrailingPathDelimiter(ExtractFilePath(m.name));
    if (!sub.empty()) folder += PathDelim + sub;
    if (!texts_.AddIfNotInAlready(d, folder)) ++repeats_;
  }
  return problems;
}

void TTextChoice::Remove(std::vector<int32_t> indices) {
  repeats_ = 0;
  std::sort(indices.begin(), indices.end());
  indices.erase(std::unique(indices.begin(), indices.end()), indices.end());
  for (auto it = indices.rbegin(); it != indices.rend(); ++it)
    if (*it >= 0 && *it < Count()) texts_.Delete(*it);
}

bool TTextChoice::Save(UStringView file) {
  if (AsciiLower(ExtractFileExt(file)) == u".txt") return texts_.WriteAllChosenToFileAsPlainText(file);
  return texts_.SaveAllChosenToFile(file);
}

std::vector<UString> TTextChoice::Load(UStringView file) {
  repeats_ = 0;
  if (!FileExists(file)) return {u"the choice of texts is not there: " + UString(file)};
  // Reading clears the texts first: read into a second choice so a bad file loses nothing.
  TVXFileDetails read(false, texts_.fTool);
  if (read.ReadChosenFromFile(file) == tvl_failed)
    return {u"not a choice of texts (damaged, or naming no text that is there): " + UString(file)};
  // Texts moved or deleted since the choice was saved are left out, and named, as a file that is
  // not there is when it is added; the check borrows the stop state as a folder walk does.
  std::vector<UString> named;
  for (int32_t i = 0; i < read.FileCount(); ++i) named.push_back(read.FullFilename(i));
  const uint8_t job_state = global_panic_state;
  read.CheckFilesExist();
  global_panic_state = job_state;
  std::vector<UString> problems;
  for (int32_t i = 0, kept = 0; i < static_cast<int32_t>(named.size()); ++i) {
    if (kept < read.FileCount() && read.FullFilename(kept) == named[static_cast<size_t>(i)]) ++kept;
    else problems.push_back(u"not there any more, left out: " + named[static_cast<size_t>(i)]);
  }
  texts_.TakeRepeatsLeftOut();
  texts_.CopyFrom(read);
  repeats_ = texts_.TakeRepeatsLeftOut();
  return problems;
}

bool TTextChoice::LoadCurrentChoice() {
  UString name;
  int32_t count = 0;
  if (!GetChosenTextFiles(name, count)) return false;
  TVXFileDetails current(false, texts_.fTool);
  if (!current.LoadedChosenFromTempFile()) return false;
  texts_.ClearThem();
  texts_.CopyFrom(current);
  texts_.TakeRepeatsLeftOut();
  return true;
}

std::vector<UString> TTextChoice::Refusal() const {
  if (texts_.FileCount() > 0) return {};
  std::vector<UString> why{u"No texts are chosen: nothing would be searched."};
  why.insert(why.end(), empty_folders_.begin(), empty_folders_.end());
  return why;
}

bool TTextChoice::Commit() {
  if (!Refusal().empty()) return false;
  if (!texts_.SavedToTempFile()) return false;
  SetChosenTextFiles(Count() > 0, texts_.TempFilename(), Count());
  SetNewChoiceOfTextFiles(true, false);
  PostToOwnWindow(kCodeTextsChosen);
  return true;
}
