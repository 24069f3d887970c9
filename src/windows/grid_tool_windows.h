// Three smaller windows of the grid tools:
//   TFormSetColActiveColChooser "Active Set Column": which of a list's set columns the set-column
//     commands act on (modal; OK with a choice changes it, anything else leaves it);
//   TFormBreakdown "Breakdown": counts search strings in one column, optionally totalling a numeric
//     column and broken down by another (the counting is the caller's summary call-back);
//   TFormBatchChoose "Batch": the results inside a batch archive, double-click to open one.
#pragma once

#include <QPointer>
#include <functional>

#include "platform/runtime/vx_tools.h"
#include "shell/grid_tools/breakdown_rules.h"
#include "shell/qt/form_base.h"
#include "shell/qt/qt_file_dialogs.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QListWidget;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QStatusBar;
class QVBoxLayout;
class TStream;
class TVXBaseDataClass;

class TFormSetColActiveColChooser : public TVXDialogForm {
  Q_OBJECT
 public:
  explicit TFormSetColActiveColChooser(QWidget* parent = nullptr);
  // Shows the set columns of the list ("%d (%s)": display column from 1 and heading) modally;
  // OK with a choice makes it the active one. False when nothing changed.
  bool SetTheAlternatives(TVXBaseDataClass* list);
  // The lines offered (made before the dialog shows).
  static std::vector<UString> AlternativeLines(TVXBaseDataClass& list);
  QButtonGroup* Choices() const { return choices_; }

 private:
  QVBoxLayout* box_ = nullptr;
  QButtonGroup* choices_ = nullptr;
  std::vector<QWidget*> buttons_;
};

class TFormBreakdown : public TVXStylableForm<QWidget> {
  Q_OBJECT
 public:
  // (list, request) -> the result arrays; the window's own stop is asked through stop.
  using TSummaryCallback = std::function<TSummaryArrays(const TBreakdownRequest& request, const std::function<bool()>& stop)>;
  explicit TFormBreakdown(QWidget* parent = nullptr);

  // The list's shown headings (the row numbers left out) in the three combos; the current
  // column becomes the search column.
  void SetTheHeaders(TVXBaseDataClass* list, int current_column, TSummaryCallback summary, TTessorineList list_type);
  void FeedTheMemoIfEmpty(UStringView text);
  // Breakdown by the file-name column (13) when the list has it; the box ticked.
  void SetBreakDownToFiles();
  void CountClick();
  void StopClick();
  bool LoadSearches(UStringView file_name);
  bool SaveResults(UStringView file_name);
  // Load and Save ask these dialogs (the main window's), else the program's own.
  void SetFileDialogs(std::function<TFileDialogs*()> dialogs) { file_dialogs_.Set(std::move(dialogs)); }

  QPlainTextEdit* Searches() const { return searches_; }
  QPlainTextEdit* Results() const { return results_; }
  QComboBox* SearchColumn() const { return search_column_; }
  QComboBox* CumulativeColumn() const { return cumulative_column_; }
  QCheckBox* CumulativeBox() const { return cumulative_box_; }
  QComboBox* BreakdownColumn() const { return breakdown_column_; }
  QCheckBox* BreakdownBox() const { return breakdown_box_; }
  QPushButton* CountButton() const { return count_; }
  QProgressBar* Progress() const { return progress_; }
  QPushButton* SaveButton() const { return save_; }
  // The stop state of the count running now (2 after Stop, 0 again when the count ends).
  int StopState() const { return stop_state_; }

 private:
  TSummaryCallback summary_;
  TTessorineList list_type_ = 0;
  int stop_state_ = 0;
  QPlainTextEdit* searches_ = nullptr;
  QPlainTextEdit* results_ = nullptr;
  QComboBox* search_column_ = nullptr;
  QComboBox* cumulative_column_ = nullptr;
  QCheckBox* cumulative_box_ = nullptr;
  QComboBox* breakdown_column_ = nullptr;
  QCheckBox* breakdown_box_ = nullptr;
  QPushButton* count_ = nullptr;
  QPushButton* stop_ = nullptr;
  QPushButton* save_ = nullptr;
  QPushButton* load_ = nullptr;
  QProgressBar* progress_ = nullptr;
  TWindowFileDialogs file_dialogs_{this};
};

class TFormBatchChoose : public TVXStylableForm<QWidget> {
  Q_OBJECT
 public:
  // (stream holding one result, index from 0) -> opened.
  using TOpenEntry = std::function<bool(TStream& stream, int index)>;
  explicit TFormBatchChoose(QWidget* parent = nullptr);
  void SetOpenEntry(TOpenEntry open) { open_entry_ = std::move(open); }
  // Lists the archive's entries in archive order and shows the window; true when there is at least
  // one. An archive that cannot be read: false with the message (_VXCantReadFile), nothing shown.
  bool ShowTheBatchFiles(UStringView file_name, UString& message);
  // Reads entry i into a stream and hands it over; an entry that cannot be read is named.
  bool OpenEntry(int index);
  QListWidget* Entries() const { return list_; }
  bool Loaded() const { return loaded_; }
  const UString& BatchFileName() const { return file_name_; }

 private:
  TOpenEntry open_entry_;
  QListWidget* list_ = nullptr;
  QLabel* status_ = nullptr;
  bool loaded_ = false;
  UString file_name_;
  std::vector<int32_t> members_;  // archive member index per list row
};
