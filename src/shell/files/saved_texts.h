// Texts the user saves from a main window (a memo page's lines, a report, the source-text viewer's
// text) and files handed to other programs to show or edit.
//
// Every save goes through the safe save (a temporary sibling renamed over the file), so a failed
// write leaves an older file byte-identical; the user is told FailedToSave and the call answers
// false. Plain texts are UTF-16 little-endian with a byte-order mark; rich text is the bytes the
// caller made. A dialog that is cancelled saves nothing and says nothing.
#pragma once

#include <string>
#include <vector>

#include "platform/rtl/ustring.h"
#include "shell/files/file_dialogs.h"

// Another program shows or edits a file (tests record the calls).
class TFileLauncher {
 public:
  virtual ~TFileLauncher() = default;
  // The desktop's application for the file (a browser for web pages).
  virtual bool ShowFile(UStringView name) = 0;
  // An editor: $VISUAL or $EDITOR when set, else the desktop's application for the file.
  virtual bool EditFile(UStringView name) = 0;
};

// The text as a file's bytes: the byte-order mark FF FE, then the UTF-16 code units.
std::string Utf16FileBytes(UStringView text);

// Saves bytes safely; FailedToSave (naming the file) when they did not reach it.
bool SaveBytesOrSay(UStringView file_name, const std::string& bytes);

// The lines, each ended by CR LF. When no file of that name exists yet, the user chooses one
// (cancel: false, nothing written); the name chosen is returned through file_name.
bool SaveLinesToFile(UString& file_name, const std::vector<UString>& lines, TFileDialogs& dialogs);

// The user chooses a name in the read-write folder; an existing file needs OKToOverwrite (No:
// false). On success the file is shown when a launcher is given. The name saved is returned
// through saved_as when asked for.
bool SaveTextWithDialog(UStringView text, TFileDialogs& dialogs, TFileLauncher* launcher,
                        UString* saved_as = nullptr);

// A name ending ".rtf" (any case) gets rtf_bytes, any other the plain text in UTF-16; otherwise as
// SaveTextWithDialog.
bool SaveRichOrPlainText(UStringView plain, const std::string& rtf_bytes, TFileDialogs& dialogs,
                         TFileLauncher* launcher, UString* saved_as = nullptr);

// Web pages and XML: the user is asked whether to show the file in the browser (Yes) or edit it;
// every other file is edited.
void OpenOrEditFile(UStringView name, TFileLauncher& launcher);

// The editor the user named in the environment ($VISUAL before $EDITOR); empty when neither is set.
UString EditorFromEnvironment();
