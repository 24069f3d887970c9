// The Customise settings dialog of the in-process controller stand-in: per customisable command
// of the menus, a tick for the grids' right-click menu (greyed for a command no list of this
// program offers there) and its shortcut (customise_rules.h). It
// shows what is stored when it opens; a refused choice is named in a message and the dialog stays
// open with everything chosen.
#pragma once

#include <QDialog>
#include <memory>

#include "shell/settings/customise_rules.h"

class QComboBox;
class QTableWidget;

class TCustomiseDialog : public QDialog {
  Q_OBJECT
 public:
  explicit TCustomiseDialog(QWidget* parent = nullptr);
  ~TCustomiseDialog() override;
  // One row a command: column 0 its caption, ticked when on the right-click menu; 1 its shortcut.
  QTableWidget* Commands() const { return table_; }
  // The row of the command with this tag; -1 when it is not customisable.
  int RowOfTag(int tag) const;
  QComboBox* HelpAccess() const { return help_; }
  std::vector<TCustomisedItem> Choice() const;
  void accept() override;

 private:
  std::unique_ptr<TMenuModel> menus_;
  std::vector<TCustomisedItem> shown_;
  QTableWidget* table_ = nullptr;
  QComboBox* help_ = nullptr;
};
