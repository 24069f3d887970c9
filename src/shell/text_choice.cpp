#include "shell/text_choice.h"

#include <unistd.h>

#include <algorithm>

#include "platform/rtl/files.h"
#include "platform/settings/settings_access.h"
#include "platform/zip/zip_forge.h"
#include "shell/services/suite_services.h"

namespace {

bool Readable(UStringView file) { return access(Utf16ToUtf8(file).c_str(), R_OK) == 0; }

}  // namespace

TTextChoice::TTextChoice(uint8_t tool) : texts_(false, tool) {}

std::vector<UString> TTextChoice::AddFiles(const std::vector<UString>& files) {
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
  return problems;
}

std::vector<UString> TTextChoice::AddFolder(UStringView folder, UStringView mask, bool with_sub_folders,
                                            bool within_zips, int32_t* added) {
  if (added) *added = 0;
  if (!DirectoryExists(folder)) return {u"the folder is not there: " + UString(folder)};
  const int32_t n = texts_.AddedFolderContents(ExcludeTrailingPathDelimiter(folder), mask.empty() ? u"*" : mask,
                                               with_sub_folders, within_zips);
  if (added) *added = n;
  return {};
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
    texts_.AddIfNotInAlready(d, folder);
  }
  return problems;
}

void TTextChoice::Remove(std::vector<int32_t> indices) {
  std::sort(indices.begin(), indices.end());
  indices.erase(std::unique(indices.begin(), indices.end()), indices.end());
  for (auto it = indices.rbegin(); it != indices.rend(); ++it)
    if (*it >= 0 && *it < Count()) texts_.Delete(*it);
}

bool TTextChoice::Save(UStringView file) { return texts_.SaveAllChosenToFile(file); }

std::vector<UString> TTextChoice::Load(UStringView file) {
  // Reading clears the texts first: read into a second choice so a bad file loses nothing.
  TVXFileDetails read(false, texts_.fTool);
  if (read.ReadChosenFromFile(file) == tvl_failed) return {u"not a choice of texts: " + UString(file)};
  texts_.CopyFrom(read);
  return {};
}

bool TTextChoice::Commit() {
  if (!texts_.SavedToTempFile()) return false;
  SetChosenTextFiles(Count() > 0, texts_.TempFilename(), Count());
  SetNewChoiceOfTextFiles(true, false);
  PostToOwnWindow(kCodeTextsChosen);
  return true;
}
