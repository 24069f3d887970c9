// The open and save dialogs of a main window behind one interface, so that tests choose files
// the way a user would (or cancel) without a dialog on screen.
#pragma once

#include "platform/rtl/ustring.h"

struct TFileDialogRequest {
  UString folder;           // where the dialog starts
  UString file_name;        // proposed name
  UString filter;           // "Linzora lists (*.cnc)"-style; empty for all files
  UString default_ext;      // with the dot
  bool overwrite_question = true;  // save only
};

class TFileDialogs {
 public:
  virtual ~TFileDialogs() = default;
  // The chosen file; false when cancelled.
  virtual bool ChooseFileToOpen(const TFileDialogRequest& request, UString& chosen) = 0;
  virtual bool ChooseFileToSave(const TFileDialogRequest& request, UString& chosen) = 0;
};
