#include "model/documents/batch_procedures.h"


#include "platform/rtl/files.h"
#include "platform/runtime/vx_resources.h"

namespace {

TBatchProceduresRec MakeDefaultBatchRec() {
  TBatchProceduresRec rec;
  SetDefaultBatchHandlers(rec);
  return rec;
}

bool AllDigits(UStringView s) {
  if (s.empty()) return false;
  for (char16_t c : s)
    if (c < u'0' || c > u'9') return false;
  return true;
}

}  // namespace

TBatchProceduresRec Global_BatchProcedures = MakeDefaultBatchRec();

void ResetBatchRun(TBatchProceduresRec& rec) {
  rec.saved_files.clear();
  rec.subfolder_count = 0;
  rec.split_into_subfolders = false;
}

void SetDefaultBatchHandlers(TBatchProceduresRec& rec) {
  rec.OnZipFileDone = [](const UString&, int64_t, int64_t) {};
  rec.OnZipOverallProgress = [](int32_t, int32_t) {};
  rec.OnBatchFileNameAndMaxN = [](const UString&, const UString&, int32_t) {};
  rec.OnZipSection = [](int32_t, int32_t, bool, bool) {};
  rec.OnProgressing = [](int32_t) {};
}

UString SetBatchZipName(UStringView name, UStringView text, TBatchProceduresRec& rec) {
  // A name, never a path: the archive is written into the batch folder.
  UString zip = ExtractFileName(name);
  if (zip.empty()) zip = VXRes(TVXRes::VXBatchXZipname);
  UString filler;
  for (char16_t c : text)
    if (c != u'.') filler += c;
  UString out;
  for (size_t i = 0; i < zip.size(); ++i) {
    if (zip[i] == u'%' && i + 1 < zip.size() && zip[i + 1] == u's') {
      out += filler;
      ++i;
    } else {
      out += zip[i];
    }
  }
  out = EnsureFileHasExtension(out, u".zip");
  rec.zip_name = out;
  rec.base_zip_name = out;
  return out;
}

UString BatchSubfolderName(int32_t n) {
  return UString(1, PathDelim) + IntToUStr(n) + u"gFg7guj" + UString(1, PathDelim);
}

UString BatchSubfolderPath(UStringView batch_folder, int32_t n) {
  return ExcludeTrailingPathDelimiter(batch_folder) + BatchSubfolderName(n);
}

UString ForcedToBeNewFile(UStringView name) {
  if (!FileExists(name) && !DirectoryExists(name)) return UString(name);
  const UString ext = ExtractFileExt(name);
  const UString stem(name.substr(0, name.size() - ext.size()));
  for (int64_t i = 2;; ++i) {
    UString candidate = stem + u"_" + IntToUStr(i) + ext;
    if (!FileExists(candidate) && !DirectoryExists(candidate)) return candidate;
  }
}

UString EnsureFileHasExtension(UStringView name, UStringView ext) {
  if (AsciiLower(ExtractFileExt(name)) == AsciiLower(ext)) return UString(name);
  return UString(name) + UString(ext);
}

UString BatchZipBackupName(UStringView zip_name) {
  const UString ext = AsciiLower(ExtractFileExt(zip_name));
  if (ext == u".zip") return ChangeFileExt(zip_name, u".bak");
  if (ext.size() > 4 && ext.compare(0, 4, u".zip") == 0 && AllDigits(UStringView(ext).substr(4)))
    return ChangeFileExt(zip_name, u".bak" + ext.substr(4));
  return UString(zip_name) + u".bak";
}
