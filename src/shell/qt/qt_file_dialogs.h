// The open and save dialogs as the user chose them under Settings > General: the program's own or
// the desktop's, read at each use. The main window asks them through its TFileDialogs; a window of
// its own (a viewer, the word cloud, the breakdown) asks the dialogs its creator gave it, so that a
// test answers them in one place, and the program's own over the window when none were given.
#pragma once

#include <functional>

#include "shell/files/file_dialogs.h"

class QWidget;

class TQtFileDialogs : public TFileDialogs {
 public:
  explicit TQtFileDialogs(QWidget* parent) : parent_(parent) {}
  bool ChooseFileToOpen(const TFileDialogRequest& r, UString& chosen) override;
  // A name chosen without an extension gets the request's default one.
  bool ChooseFileToSave(const TFileDialogRequest& r, UString& chosen) override;

 private:
  QWidget* parent_;
};

// The dialogs a window asks: those given (the main window's), else the program's own over the window.
class TWindowFileDialogs {
 public:
  explicit TWindowFileDialogs(QWidget* window) : own_(window) {}
  void Set(std::function<TFileDialogs*()> given) { given_ = std::move(given); }
  TFileDialogs& operator()() {
    TFileDialogs* d = given_ ? given_() : nullptr;
    return d ? *d : own_;
  }

 private:
  std::function<TFileDialogs*()> given_;
  TQtFileDialogs own_;
};
