// The tool's own chooser of texts (Settings > Choose texts when no controller program runs):
// add files, a folder with a mask (with or without sub-folders and zip members), members picked
// from one archive; the chosen texts in a grid (name, folder, size, date, kind); remove, clear,
// save, load and print a choice. It opens on the texts chosen now. OK hands the choice to the tool
// (TTextChoice::Commit), unless it is empty: then a message says so and the dialog stays; Cancel
// changes nothing. What could not be done is shown in a message.
//
// A folder walk (100,000 texts and more) pumps the event loop: while it runs the dialog shows
// how many texts it has found so far and in which folder, the grid shows the first of them,
// every other control is disabled, and
// Stop, Escape or closing the window stop the walk; the texts found until then stay listed.
// A text chosen already is not added again; the status says how many the last adding or loading
// left out. Save writes a plain list of names under a name ending in ".txt", the headed form
// under any other; Load reads either. Both ask the main window's file dialogs when given.
//
// A click on the heading of the name, size or date sorts the texts by it.
// The grid asks for the rows it paints only; a long folder shows its last parts and a long name
// its start and end (the whole of either in the tool tip).
#pragma once

#include <QAbstractTableModel>
#include <QDialog>
#include <algorithm>
#include <memory>

#include "shell/main_window/text_choice.h"

class QCheckBox;
class TFileDialogs;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTableView;
class QTimer;

class TChosenTextsModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  explicit TChosenTextsModel(TTextChoice& choice, QObject* parent = nullptr) : QAbstractTableModel(parent), choice_(choice) {}
  void Changed() {
    beginResetModel();
    shown_ = choice_.Count();
    endResetModel();
  }
  // Texts appended since the rows were last counted (a walk in progress), up to limit rows: the
  // view keeps its place and selection. Telling a view of new rows costs in proportion to the
  // rows it has, so a walk shows its first rows at once and the rest when it ends.
  void RowsAdded(int limit) {
    const int now = std::min(choice_.Count(), limit);
    if (now <= shown_) return;
    beginInsertRows({}, shown_, now - 1);
    shown_ = now;
    endInsertRows();
  }
  int rowCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : shown_; }
  int columnCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : 5; }
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

 private:
  TTextChoice& choice_;
  int shown_ = 0;  // the rows the view was told of
};

class TTextChooser : public QDialog {
  Q_OBJECT
 public:
  explicit TTextChooser(uint8_t tool, QWidget* parent = nullptr);
  TTextChoice& Choice() { return *choice_; }
  QTableView* Grid() const { return grid_; }
  QLabel* Status() const { return status_; }
  QPushButton* StopButton() const { return stop_; }
  // How often the count of a running walk is shown (milliseconds).
  void SetProgressInterval(int ms);

  // The buttons' work, callable without their file dialogs.
  void AddFiles(const std::vector<UString>& files);
  void AddFolder(UStringView folder);
  void AddZipMembers(UStringView archive, const std::vector<UString>& names);
  void RemoveSelected();
  void ClearAll();
  void SaveChoice(UStringView file);
  void LoadChoice(UStringView file);
  // The list of texts on the stored printer, or into a PDF file the dialogs ask for when no
  // printer is installed; false when nothing was printed.
  bool PrintChoice();
  // The texts in the order of a column, as a click on its heading asks (a second click turns the
  // order round): 0 name, 2 size, 3 date. The folder (the order folders were added in) and the
  // kind (looked up only for the rows shown) are no keys: false for them.
  bool SortBy(int column, bool ascending);
  // Where Print, Save and Load ask for a file's name (the main window's file dialogs).
  void SetFileDialogs(TFileDialogs* dialogs) { file_dialogs_ = dialogs; }

  void accept() override;
  // While a walk runs: stops it, and the dialog stays.
  void reject() override;

 signals:
  // A running walk has found this many texts so far.
  void Collecting(int texts);

 protected:
  void resizeEvent(QResizeEvent* e) override;

 private:
  void FitNameColumn();
  bool ChooseChoiceFile(bool save, UString& chosen);
  void ShowProgress();
  void SetCollecting(bool on);
  void Report(const std::vector<UString>& problems);
  void PickZipMembers();
  void Changed();
  std::unique_ptr<TTextChoice> choice_;
  TChosenTextsModel* model_ = nullptr;
  QTableView* grid_ = nullptr;
  QLineEdit* mask_ = nullptr;
  QCheckBox* sub_folders_ = nullptr;
  QCheckBox* zips_ = nullptr;
  QLabel* status_ = nullptr;
  QPushButton* stop_ = nullptr;
  QProgressBar* busy_ = nullptr;
  QTimer* progress_timer_ = nullptr;
  UString walking_in_;
  TFileDialogs* file_dialogs_ = nullptr;
  std::vector<QWidget*> idle_only_;  // enabled only while no walk runs
};
