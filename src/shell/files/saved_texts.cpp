#include "shell/files/saved_texts.h"

#include <cstdlib>

#include "platform/rtl/files.h"
#include "platform/runtime/vx_dialogs.h"
#include "platform/settings/settings_access.h"
#include "shell/files/file_recognition.h"

namespace {

bool AskForName(TFileDialogs& dialogs, UStringView proposed, UString& chosen) {
  TFileDialogRequest r;
  r.folder = GetUserReadWriteFolder();
  r.file_name = UString(proposed);
  r.filter = u"Text files (*.txt);;RTF files (*.rtf);;All files (*)";
  r.default_ext = u".txt";
  r.overwrite_question = false;  // asked here, the same way for every dialog
  if (!dialogs.ChooseFileToSave(r, chosen) || chosen.empty()) return false;
  if (FileExists(chosen) && VXDialog(TVXDialog::OKToOverwrite, {chosen}) != mrYes) return false;
  return true;
}

bool IsRtfName(UStringView name) { return AsciiLower(ExtractFileExt(name)) == u".rtf"; }

}  // namespace

std::string Utf16FileBytes(UStringView text) {
  std::string out;
  out.reserve(2 + text.size() * 2);
  out += '\xFF';
  out += '\xFE';
  for (char16_t c : text) {
    out += static_cast<char>(c & 0xFF);
    out += static_cast<char>(c >> 8);
  }
  return out;
}

bool SaveBytesOrSay(UStringView file_name, const std::string& bytes) {
  const bool ok = SafeSaveBytes(file_name, bytes.data(), static_cast<int64_t>(bytes.size()));
  if (!ok) VXDialog(TVXDialog::FailedToSave, {file_name});
  return ok;
}

bool SaveLinesToFile(UString& file_name, const std::vector<UString>& lines, TFileDialogs& dialogs) {
  if (file_name.empty() || !FileExists(file_name)) {
    TFileDialogRequest r;
    r.folder = GetUserReadWriteFolder();
    r.file_name = file_name;
    r.filter = u"Text files (*.txt);;All files (*)";
    r.default_ext = u".txt";
    UString chosen;
    if (!dialogs.ChooseFileToSave(r, chosen) || chosen.empty()) return false;
    file_name = chosen;
  }
  UString text;
  for (const UString& line : lines) text += line + u"\r\n";
  return SaveBytesOrSay(file_name, Utf16FileBytes(text));
}

bool SaveTextWithDialog(UStringView text, TFileDialogs& dialogs, TFileLauncher* launcher, UString* saved_as) {
  UString name;
  if (!AskForName(dialogs, u"", name)) return false;
  if (!SaveBytesOrSay(name, Utf16FileBytes(text))) return false;
  if (saved_as) *saved_as = name;
  if (launcher) launcher->ShowFile(name);
  return true;
}

bool SaveRichOrPlainText(UStringView plain, const std::string& rtf_bytes, TFileDialogs& dialogs,
                         TFileLauncher* launcher, UString* saved_as) {
  UString name;
  if (!AskForName(dialogs, u"", name)) return false;
  if (!SaveBytesOrSay(name, IsRtfName(name) ? rtf_bytes : Utf16FileBytes(plain))) return false;
  if (saved_as) *saved_as = name;
  if (launcher) launcher->ShowFile(name);
  return true;
}

void OpenOrEditFile(UStringView name, TFileLauncher& launcher) {
  if (IsBrowserFileExtension(name) && VXDialog(TVXDialog::OpenFileInBrowserOrNotepad, {name}) == mrYes) {
    launcher.ShowFile(name);
    return;
  }
  launcher.EditFile(name);
}

UString EditorFromEnvironment() {
  for (const char* var : {"VISUAL", "EDITOR"}) {
    const char* v = std::getenv(var);
    if (v && *v) return Utf8ToUtf16(v);
  }
  return {};
}
