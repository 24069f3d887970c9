// Batch runs of the tool document: saving one result per text into the batch folder and packing
// the run's results into the batch archive.
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <set>

#include "model/documents/batch_procedures.h"
#include "model/documents/work_derived.h"
#include "platform/rtl/files.h"
#include "platform/runtime/vx_dialogs.h"
#include "platform/runtime/vx_resources.h"
#include "platform/runtime/vx_runtime.h"
#include "platform/zip/zip_forge.h"
#include "shell/services/progress.h"

namespace {

bool SetFileModificationTime(const UString& name, TDateTime when) {
  timespec times[2];
  times[0].tv_sec = 0;
  times[0].tv_nsec = UTIME_OMIT;
  times[1].tv_sec = static_cast<time_t>(DateTimeToUnix(when));
  times[1].tv_nsec = 0;
  return utimensat(AT_FDCWD, Utf16ToUtf8(name).c_str(), times, 0) == 0;
}

void RemoveFolderIfEmpty(const UString& folder) {
  if (folder.empty() || !DirectoryExists(folder)) return;
  std::error_code ec;
  if (std::filesystem::is_empty(ToFsPath(folder), ec) && !ec) std::filesystem::remove(ToFsPath(folder), ec);
}

// Deletes the results that went into an archive; a file that stays is reported.
void DeleteZippedResults(const std::vector<UString>& files) {
  for (const UString& f : files)
    if (FileExists(f) && !DeleteFileU(f)) Yikes(u"a zipped batch result could not be deleted: " + f);
}

// A member name the archive does not hold yet: name itself, else name with "_2", "_3", ...
// before its extension. Letter case does not tell names apart, as on the systems the archive
// may be unpacked on.
UString FreeMemberName(const TZipForge& zip, const UString& name) {
  if (zip.FindMember(name, false) < 0) return name;
  const UString ext = ExtractFileExt(name);
  const UString stem = name.substr(0, name.size() - ext.size());
  for (int64_t n = 2;; ++n) {
    const UString candidate = stem + u"_" + IntToUStr(n) + ext;
    if (zip.FindMember(candidate, false) < 0) return candidate;
  }
}

void RemoveFromSaved(std::vector<UString>& saved, const std::vector<UString>& gone) {
  const std::set<UString> drop(gone.begin(), gone.end());
  saved.erase(std::remove_if(saved.begin(), saved.end(), [&](const UString& f) { return drop.count(f) > 0; }),
              saved.end());
}

// The archives of one zipping: each name is checked before this run first writes to it. An
// existing archive is replaced only when the user agrees (an unattended run backs it up and
// replaces it), and is deleted only once its backup is known to be complete.
class TBatchArchiveNames {
 public:
  bool Prepare(const UString& path) {
    if (written_.count(path)) return true;
    if (DirectoryExists(path)) {
      Yikes(u"a folder has the name of the batch archive: " + path);
      return false;
    }
    if (FileExists(path)) {
      const int answer = Global_run_without_error_messages
                             ? mrYes
                             : VXDialog(TVXDialog::OKtoReplaceWithNewVersion, {path});
      if (answer != mrYes && answer != mrYesToAll) return false;
      const UString backup = BatchZipBackupName(path);
      const int64_t size = FileSizeU(path);
      if (!CopyFileU(path, backup) || FileSizeU(backup) != size) {
        Yikes(u"the batch archive could not be backed up: " + path);
        return false;
      }
      if (!DeleteFileU(path)) {
        Yikes(u"the old batch archive could not be replaced: " + path);
        return false;
      }
    }
    written_.insert(path);
    return true;
  }

 private:
  std::set<UString> written_;
};

}  // namespace

bool TTessorineholder::BatchSaveToTempDir(UStringView source_name, int32_t file_index, TDateTime file_date,
                                          int32_t total_files) {
  TBatchProceduresRec& b = Global_BatchProcedures;
  if (b.BatchRootFolder.empty()) return false;
  const int32_t index = std::max(0, file_index);
  const int32_t subfolder = index / kBatchFilesPerSubfolder;
  const bool split = total_files >= kBatchFilesPerSubfolder && b.mode <= 1;
  b.split_into_subfolders = split;
  const UString folder =
      split ? BatchSubfolderPath(b.BatchRootFolder, subfolder) : IncludeTrailingPathDelimiter(b.BatchRootFolder);
  if (!ForceDirectories(folder)) return false;

  UString plain = ExtractFileName(source_name);
  if (plain.empty()) plain = IntToUStr(index);
  const UString name = ForcedToBeNewFile(folder + ChangeFileExt(plain, DefaultExtFromListType(ListKind)));
  if (!SaveToFile(name, 0, 0, 0)) return false;
  if (b.keep_file_dates && file_date > 0) SetFileModificationTime(name, file_date);  // a failure here is no loss

  if (split) b.subfolder_count = std::max(b.subfolder_count, subfolder + 1);
  b.saved_files.push_back(name);
  OneBatchFname = name;
  if (b.OnProgressing) b.OnProgressing(file_index);
  return true;
}

bool TTessorineholder::BatchZipFromTempDir(UStringView extension, UStringView zip_name, int32_t total_files) {
  TBatchProceduresRec& b = Global_BatchProcedures;
  if (TProgressClass* progress = GlobalProgress()) progress->Hide();
  FilesZipped = 0;
  if (b.OnBatchFileNameAndMaxN) b.OnBatchFileNameAndMaxN(UString(zip_name), VXRes(TVXRes::VXZipping), total_files);
  SetBatchZipName(zip_name, extension, b);
  if (b.BatchRootFolder.empty()) return false;
  const UString folder = IncludeTrailingPathDelimiter(b.BatchRootFolder);
  const std::string comment = "Tessor Batch file " + Utf16ToUtf8(DefaultExtFromListType(ListKind));
  TBatchArchiveNames archives;
  bool ok = true;

  // Writes the files into the archive at path; answers whether every file went in and the
  // archive was completed. The files that went in are appended to added.
  auto zip_files = [&](const UString& path, const UString& base, const std::vector<UString>& files,
                       std::vector<UString>& added) {
    TZipForge zip;
    zip.SetBaseDir(base);
    zip.OnFileDone = b.OnZipFileDone;
    zip.OnOverallProgress = b.OnZipOverallProgress;
    zip.SetFileName(path);
    if (!zip.OpenArchive(TZipOpenMode::ReadWrite)) {
      Yikes(u"the batch archive could not be opened: " + zip.LastError());
      return false;
    }
    bool all = zip.SetFileComment(comment);
    std::vector<UString> in;
    for (const UString& f : files) {
      MyYieldProcess();
      // Results of texts of the same name, saved in different subfolders, meet in one archive:
      // each keeps a member of its own.
      if (zip.AddFile(f, FreeMemberName(zip, ExtractFileName(f)))) in.push_back(f);
      else all = false;
    }
    if (!zip.CloseArchive()) return false;  // nothing of this archive counts
    last_batch_zip_Fullname = path;
    FilesZipped += static_cast<int32_t>(in.size());
    added.insert(added.end(), in.begin(), in.end());
    return all;
  };

  const bool by_subfolder = b.split_into_subfolders && b.subfolder_count > 0;
  if (!by_subfolder) {
    // Only this run's results: the folder may hold the user's older files of the same kind.
    std::vector<UString> files;
    for (const UString& f : b.saved_files)
      if (ExtractFilePath(f) == folder && EndsWithU(f, extension) && FileExists(f)) files.push_back(f);
    if (files.empty()) return false;
    const UString path = folder + b.zip_name;
    if (!archives.Prepare(path)) return false;
    if (b.OnZipSection) b.OnZipSection(FilesZipped + 1, total_files, false, true);
    MyYieldProcess();
    std::vector<UString> added;
    ok = zip_files(path, folder, files, added);
    if (b.delete_saved_files) DeleteZippedResults(added);
    RemoveFromSaved(b.saved_files, added);
  } else {
    const bool numbered = total_files > kBatchMaxFilesPerZip;
    if (numbered) WarnTooManyFilesInZipfile(total_files);
    for (int32_t n = 0; n < b.subfolder_count; ++n) {
      MyYieldProcess();
      const UString name = numbered ? b.base_zip_name + IntToUStr(n) : b.zip_name;
      const UString marker = BatchSubfolderName(n);
      std::vector<UString> files;
      for (const UString& f : b.saved_files)
        if (f.find(marker) != UString::npos && FileExists(f)) files.push_back(f);
      if (files.empty()) continue;
      const UString path = folder + name;
      if (!archives.Prepare(path)) {
        ok = false;
        break;
      }
      if (b.OnZipSection) b.OnZipSection(n + 1, b.subfolder_count, true, n == b.subfolder_count - 1);
      std::vector<UString> added;
      if (!zip_files(path, BatchSubfolderPath(b.BatchRootFolder, n), files, added)) ok = false;
      if (b.delete_saved_files) DeleteZippedResults(added);
      RemoveFromSaved(b.saved_files, added);
    }
    for (int32_t n = 0; n < b.subfolder_count; ++n) RemoveFolderIfEmpty(BatchSubfolderPath(b.BatchRootFolder, n));
  }
  RemoveFolderIfEmpty(b.work_folder);
  return ok && FilesZipped > 0;
}
