#include "shell/files/file_recognition.h"

#include <memory>

#include "model/documents/check_signature.h"
#include "platform/rtl/files.h"
#include "platform/rtl/streams.h"
#include "platform/runtime/vx_dialogs.h"
#include "platform/runtime/vx_resources.h"
#include "platform/runtime/vx_runtime.h"
#include "platform/runtime/vx_tools.h"
#include "platform/zip/zip_forge.h"

namespace {

constexpr std::string_view kBatchCommentStart = "Tessor Batch file ";
constexpr uint8_t kFileUtilitiesTool = kToolFileUtilities;

// A zip archive whose comment names a batch of saved lists; the list type comes from the
// extension in the comment. Needs at least one member.
bool BatchArchiveListType(UStringView name, TTessorineList& type) {
  TZipForge zip;
  zip.SetFileName(name);
  if (!zip.OpenArchive(TZipOpenMode::Read)) return false;
  const std::string& comment = zip.GetFileComment();
  const bool batch = comment.size() > kBatchCommentStart.size() &&
                     std::string_view(comment).substr(0, kBatchCommentStart.size()) == kBatchCommentStart &&
                     zip.GetEntryCount() > 0 &&
                     ListTypeFromFileExt(Latin1ToUtf16(comment.substr(kBatchCommentStart.size())), type);
  zip.CloseArchive();
  return batch;
}

bool IsPlainTextForUtilities(UStringView name) {
  return AsciiLower(ExtractFileExt(name)) == u".txt" || MatchesMask(ExtractFileName(name), u"*.??_srt");
}

}  // namespace

TFileExamination ExamineOpenFile(TStream& file, uint8_t tool) {
  TFileExamination out;
  out.verdict = TFileVerdict::NotOurs;
  TCheckSignature header{};
  uint8_t writer = kToolNone;
  const bool ours = file.SetPosition(0) && ReadCheckSignature(file, header) && ToolOfSignature(header.signature, writer);
  file.SetPosition(0);
  if (!ours) return out;
  TTessorineList type = kListNone;
  if (!CheckSignatureListType(header, type)) {
    out.verdict = TFileVerdict::OlderFormat;
    return out;
  }
  out.list_type = type;
  out.owner_tool = ToolOfListType(type);
  out.verdict = (writer == tool && out.owner_tool == tool) ? TFileVerdict::ForThisTool : TFileVerdict::OtherTool;
  if (out.owner_tool == kToolNone) out.owner_tool = writer;
  return out;
}

TFileExamination ExamineFile(UStringView name, uint8_t tool) {
  TFileExamination out;
  if (name.empty() || !FileExists(name)) return out;
  auto stream = TFileStream::Open(UString(name), TFileMode::OpenRead);
  if (!stream) return out;
  out = ExamineOpenFile(*stream, tool);
  if (out.verdict != TFileVerdict::NotOurs) return out;
  stream.reset();
  TTessorineList type = kListNone;
  if (IsAZipFile(name) && BatchArchiveListType(name, type)) {
    out.batch_archive = true;
    out.list_type = type;
    out.owner_tool = ToolOfListType(type);
    out.verdict = out.owner_tool == tool ? TFileVerdict::ForThisTool : TFileVerdict::OtherTool;
  }
  return out;
}

bool IsAFileForThisTool(UStringView name, uint8_t tool) {
  return ExamineFile(name, tool).verdict == TFileVerdict::ForThisTool;
}

namespace {

// Accepts or refuses the file the record names as it was seen (CheckFileForTool).
bool AcceptSeenFile(TVXStored_File_rec& rec, const TFileExamination& seen, uint8_t tool) {
  if (seen.verdict == TFileVerdict::ForThisTool) {
    rec.list_type = seen.list_type;
    if (tool == kToolWordLister) ListTypeFromFileExt(ExtractFileExt(rec.name), rec.list_type);
    return true;
  }
  if (seen.verdict != TFileVerdict::Missing && tool == kFileUtilitiesTool && IsPlainTextForUtilities(rec.name)) {
    rec.list_type = kListPlainText;
    return true;
  }
  switch (seen.verdict) {
    case TFileVerdict::Missing: VXDialog(TVXDialog::FailedToFind, {rec.name}); break;
    case TFileVerdict::OtherTool: VXDialog(TVXDialog::WrongToolForFile, {rec.name, Tool_Name(seen.owner_tool)}); break;
    case TFileVerdict::OlderFormat: VXDialog(TVXDialog::IsntACurrentTessorFile, {rec.name}); break;
    default: VXDialog(TVXDialog::IsntTessorFile, {rec.name}); break;
  }
  rec = TVXStored_File_rec();
  return false;
}

}  // namespace

bool CheckFileForTool(TVXStored_File_rec& rec, uint8_t tool) {
  return AcceptSeenFile(rec, ExamineFile(rec.name, tool), tool);
}

bool CheckOpenFileForTool(TVXStored_File_rec& rec, TStream& file, uint8_t tool) {
  return AcceptSeenFile(rec, ExamineOpenFile(file, tool), tool);
}

TVXStored_File_rec FileRecFromParameter(UStringView parameter, uint8_t tool) {
  if (global_keeping_log) AddToLogFile(UFormat(u"parameter: \"%s\"", {parameter}));
  TVXStored_File_rec rec;
  const UString name = TrimU(parameter);
  if (name.size() < 3) return rec;
  if (!FileExists(name)) {
    if (global_keeping_log) AddToLogFile(UFormat(u"cannot find: %s", {name}));
    return rec;
  }
  rec.name = name;
  if (!ListTypeFromFileExt(ExtractFileExt(name), rec.list_type)) rec.list_type = kListNone;
  const TFileExamination seen = ExamineFile(name, tool);
  if (seen.verdict == TFileVerdict::ForThisTool || seen.verdict == TFileVerdict::OtherTool) {
    rec.list_type = seen.list_type;
  } else if (IsAZipFile(name)) {
    rec.list_type = kListNone;  // an archive, but no batch of lists
  } else if (tool == kFileUtilitiesTool) {
    rec.list_type = kListPlainText;
  }
  if (global_keeping_log) {
    AddToLogFile(u"file found: \t" + name + u"\ttype = \t" + IntToUStr(rec.list_type) + u"\ttool = \t" +
                 IntToUStr(seen.owner_tool) + u"\tcurrent tool = \t" + IntToUStr(tool));
  }
  return rec;
}

bool IsBrowserFileExtension(UStringView name) {
  const UString ext = AsciiLower(ExtractFileExt(name));
  return ext == u".html" || ext == u".htm" || ext == u".xml";
}

UString CaptionForFile(UStringView file_name, UStringView stored_name, TTessorineList list_type) {
  if (file_name != stored_name) return UString(file_name);
  const UString short_name = ExtractFileName(file_name);
  if (list_type == kListIndex) return VXResFmt(TVXRes::VXIndexFile, {ChangeFileExt(short_name, u"")});
  return short_name;
}

UString RecentFileMenuText(UStringView path) {
  UString out;
  out.reserve(path.size() + 4);
  for (char16_t c : path) {
    if (c == u'\n') {
      out += u"\\N";
    } else {
      if (c == u'&') out += u'&';
      out += c;
    }
  }
  return out;
}

std::optional<int> PercentDone(int64_t done, int64_t total) {
  if (total <= 0) return std::nullopt;
  return static_cast<int>((static_cast<__int128>(done) * 100) / total);
}

std::optional<int64_t> ReduceCountFromText(UStringView text, int64_t current) {
  const UString t = TrimU(text);
  if (t.empty() || t.size() > 18) return std::nullopt;
  int64_t n = 0;
  for (char16_t c : t) {
    if (c < u'0' || c > u'9') return std::nullopt;
    n = n * 10 + (c - u'0');
  }
  if (n < 1 || n >= current) return std::nullopt;
  return n;
}
