// "Search & Replace": searches the cells of one column of a result grid (or one language of a
// text grid) and, when replacing, hands each accepted replacement to the grid's owner. The run
// itself (rows, hits, answers, replacement texts) is TSearchReplaceRun; the dialog shows each hit
// and turns the buttons into answers.
//
// It searches through a small interface, TSearchTarget: the list grid's target is made here
// (TListGridSearchTarget); a text grid of languages brings its own.
#pragma once

#include <QPointer>
#include <functional>
#include <memory>

#include "shell/qt/form_base.h"
#include "shell/qt/vx_grid.h"
#include "shell/grid_tools/search_replace_rules.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class TVX_Grid;

class TSearchTarget {
 public:
  virtual ~TSearchTarget() = default;
  virtual bool IsTextGrid() const = 0;
  // What may be searched: the shown columns (caption, list column) or the languages (name, row).
  virtual std::vector<std::pair<UString, int>> Choices() = 0;
  virtual int CurrentChoice() = 0;
  virtual int Rows() = 0;
  virtual bool CellText(int row, int choice, UString& text) = 0;
  // The whole new text of the cell; false when it cannot be changed.
  virtual bool Replace(int row, int choice, const UString& text) = 0;
  // Whether the cells of a choice accept replacements at all (asked before a replacing search).
  virtual bool CanReplace(int /*choice*/) { return true; }
  // The hit's cell becomes the current one; hit_number counts from 1.
  virtual void ShowHit(int row, int choice, int hit_number) = 0;
  virtual void Refresh() {}
  // A search of choice for items is about to begin: the grid shows their hits from now on.
  virtual void SearchStarted(int /*choice*/, const std::vector<UString>& /*items*/) {}
  // The hits of earlier searches are no longer shown.
  virtual void ClearSearchDisplay() {}
};

// The list grid: rows and cells as the grid shows them (rows from 1 in the grid, from 0 here).
class TListGridSearchTarget : public TSearchTarget {
 public:
  using TReplace = std::function<bool(TVX_Grid* grid, int column, int row, const UString& text)>;
  using TShowHit = std::function<void(TVX_Grid* grid, int column, int row, int hit_number)>;
  using TShowFormat = std::function<void(TVX_Grid* grid, int column, const std::vector<UString>& items)>;
  TListGridSearchTarget(TVX_Grid* grid, TReplace replace, TShowHit show_hit, TShowFormat show_format = {});
  bool IsTextGrid() const override { return false; }
  std::vector<std::pair<UString, int>> Choices() override;
  int CurrentChoice() override;
  int Rows() override;
  bool CellText(int row, int choice, UString& text) override;
  bool Replace(int row, int choice, const UString& text) override;
  bool CanReplace(int choice) override;
  void ShowHit(int row, int choice, int hit_number) override;
  void Refresh() override;
  void SearchStarted(int choice, const std::vector<UString>& items) override;
  void ClearSearchDisplay() override;

 private:
  QPointer<TVX_Grid> grid_;
  TReplace replace_;
  TShowHit show_hit_;
  TShowFormat show_format_;
};

class TSearchReplaceDlg : public TVXStylableForm<QWidget> {
  Q_OBJECT
 public:
  explicit TSearchReplaceDlg(QWidget* parent = nullptr);
  ~TSearchReplaceDlg() override;

  void Setup(bool replace_too, std::unique_ptr<TSearchTarget> target);
  void Stop();
  bool Busy() const { return busy_; }
  bool Replacing() const { return replace_too_; }
  TSearchReplaceRun& Run() { return run_; }

  void OKClick();
  void YesClick();
  void SkipClick();
  void YesAllClick();
  void SkipAllClick();
  void CancelClick();

  QComboBox* SearchBox() const { return search_; }
  QComboBox* ReplaceBox() const { return replace_; }
  QListWidget* Columns() const { return columns_; }
  QPlainTextEdit* Context() const { return context_; }
  QLineEdit* Preview() const { return preview_; }
  QCheckBox* ConfirmEach() const { return confirm_; }
  QPushButton* OKButton() const { return ok_; }
  QPushButton* YesButton() const { return yes_; }
  QPushButton* SkipButton() const { return skip_; }
  QPushButton* YesAllButton() const { return yes_all_; }
  QPushButton* SkipAllButton() const { return skip_all_; }

 protected:
  void FormShow() override;
  void hideEvent(QHideEvent* e) override;

 private:
  void Step();
  void ShowCurrentHit();
  int Choice() const;
  std::unique_ptr<TSearchTarget> target_;
  TSearchReplaceRun run_;
  bool replace_too_ = false;
  bool busy_ = false;
  int hits_shown_ = 0;
  UString last_sw_;  // the item of the last search begun
  QComboBox* search_ = nullptr;
  QComboBox* replace_ = nullptr;
  QListWidget* columns_ = nullptr;
  QPlainTextEdit* context_ = nullptr;
  QLineEdit* preview_ = nullptr;
  QLabel* replace_label_ = nullptr;
  QCheckBox* confirm_ = nullptr;
  QPushButton* ok_ = nullptr;
  QPushButton* yes_ = nullptr;
  QPushButton* skip_ = nullptr;
  QPushButton* yes_all_ = nullptr;
  QPushButton* skip_all_ = nullptr;
  QPushButton* cancel_ = nullptr;
  QWidget* bottom_ = nullptr;
};

// "Confirm each", shared by the search dialogs for the program's life.
extern bool autosearch_confirm;
