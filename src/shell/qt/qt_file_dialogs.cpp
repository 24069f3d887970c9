#include "shell/qt/qt_file_dialogs.h"

#include <QFileDialog>

#include "platform/rtl/files.h"
#include "shell/main_window/main_window_rules.h"
#include "shell/qt/qt_application.h"

namespace {

// The user's choice of the program's own dialogs or the desktop's, read at each use.
QFileDialog::Options Kind() {
  return GetOpenAndSaveDialogOption() == 1 ? QFileDialog::Options() : QFileDialog::DontUseNativeDialog;
}

UString StartPath(const TFileDialogRequest& r) {
  if (r.file_name.empty()) return r.folder;
  if (!ExtractFilePath(r.file_name).empty()) return r.file_name;
  return r.folder + r.file_name;
}

}  // namespace

bool TQtFileDialogs::ChooseFileToOpen(const TFileDialogRequest& r, UString& chosen) {
  const QString name =
      QFileDialog::getOpenFileName(parent_, QString(), ToQString(StartPath(r)), ToQString(r.filter), nullptr, Kind());
  if (name.isEmpty()) return false;
  chosen = FromQString(name);
  return true;
}

bool TQtFileDialogs::ChooseFileToSave(const TFileDialogRequest& r, UString& chosen) {
  QFileDialog::Options options = Kind();
  if (!r.overwrite_question) options |= QFileDialog::DontConfirmOverwrite;
  const QString name =
      QFileDialog::getSaveFileName(parent_, QString(), ToQString(StartPath(r)), ToQString(r.filter), nullptr, options);
  if (name.isEmpty()) return false;
  chosen = FromQString(name);
  if (ExtractFileExt(chosen).empty()) chosen += r.default_ext;
  return true;
}
