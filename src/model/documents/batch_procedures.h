// Batch runs: one result per text (or group of texts) saved into a batch folder and packed into
// one zip archive at the end. This unit holds the program's one batch state record, the archive
// naming and the subfolder naming; the tool document does the saving and zipping
// (TTessorineholder::BatchSaveToTempDir, BatchZipFromTempDir).
//
// Runs of 512 texts or more are spread over subfolders of the batch folder named N + "gFg7guj"
// (N = 0, 1, ...), 512 results each; runs of more than 65,435 texts put each subfolder into its
// own archive, named by the archive name followed by N (".zip0", ".zip1", ...).
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "platform/rtl/ustring.h"

inline constexpr int32_t kBatchFilesPerSubfolder = 512;
inline constexpr int32_t kBatchMaxFilesPerZip = 65435;

struct TBatchProceduresRec {
  // Subfolders are used only in modes 0 and 1.
  uint8_t mode = 0;
  // Subfolders used so far in this run.
  int32_t subfolder_count = 0;

  // The zip component's events, handed to every archive written: a member added (name,
  // uncompressed size, compressed size) and files done of files to add.
  std::function<void(const UString& name, int64_t size, int64_t compressed)> OnZipFileDone;
  std::function<void(int32_t done, int32_t total)> OnZipOverallProgress;
  // A status text for the batch: the archive or file name, what is being done, how many.
  std::function<void(const UString& name, const UString& text, int32_t count)> OnBatchFileNameAndMaxN;
  // Before each archive is written: its number (from 1), archives in all, whether subfolders are
  // zipped, whether it is the last one.
  std::function<void(int32_t position, int32_t total, bool by_subfolder, bool last)> OnZipSection;
  // After each result is saved, with its index.
  std::function<void(int32_t file_index)> OnProgressing;

  // The results saved in this run (full names), in the order saved. Emptied once zipped.
  std::vector<UString> saved_files;
  UString BatchRootFolder;  // where results are saved and the archive is written
  UString work_folder;      // a scratch folder of the run; removed at the end when empty
  UString zip_name;         // the archive's name, without folder
  UString base_zip_name;    // the name a number is added to when the run needs several archives
  bool split_into_subfolders = false;
  bool delete_saved_files = false;  // results leave the folder once they are in an archive
  bool keep_file_dates = false;     // each result takes its source text's date
  bool Zip_Too = false;             // the tool zips the folder at the end of the run
  bool Computations_In_Place_Not_temp_dir = false;
};

// The program's batch state; set up by the batch dialog and the main window before a run.
extern TBatchProceduresRec Global_BatchProcedures;

// Forgets what the last run saved (saved results, subfolders, split flag); the settings stay.
// Job starters call it before the first text of a batch run.
void ResetBatchRun(TBatchProceduresRec& rec = Global_BatchProcedures);

// The do-nothing handlers a batch state starts with.
void SetDefaultBatchHandlers(TBatchProceduresRec& rec);

// Fixes the archive name of a batch: the name given, or the batch name pattern when it is
// empty; every "%s" in it is replaced by text with its dots removed (literally: nothing else in
// the name has a meaning); the name then ends in ".zip". The result becomes the record's zip
// name and base zip name and is returned.
UString SetBatchZipName(UStringView name, UStringView text, TBatchProceduresRec& rec = Global_BatchProcedures);

// The marker of subfolder n in a full file name: delimiter, n, "gFg7guj", delimiter.
UString BatchSubfolderName(int32_t n);
// The folder of subfolder n of a batch folder (with a trailing delimiter, never a doubled one).
UString BatchSubfolderPath(UStringView batch_folder, int32_t n);

// A name under which nothing exists yet: name itself when free, else name with "_2", "_3", ...
// before its extension.
UString ForcedToBeNewFile(UStringView name);
// The name when it ends in ext (letter case aside), else the name followed by ext.
UString EnsureFileHasExtension(UStringView name, UStringView ext);
// The name of the backup an archive is moved to before it is replaced: its extension ".zip"
// becomes ".bak", ".zipN" becomes ".bakN", any other extension gains ".bak".
UString BatchZipBackupName(UStringView zip_name);
