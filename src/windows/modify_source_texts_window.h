// Modify-source-texts window: the user picks how the current concordance's texts are to change
// (a Set value at each line, the search phrase marked and joined) or undoes earlier changes from
// the modification log. The first two collect the choice; the caller's carry-out (SetCarryOut)
// changes the texts on the page's OK while the window stays open, and the window then shows how
// many changes were made and each text or hit refused, with the reason, until it is closed (one
// modification an opening: the two OK buttons are then disabled). Without a carry-out the OK
// closes the window and the caller reads the choice. The undo is done here through the undo
// engine, which leaves each text byte-identical but for the change.
#pragma once

#include <functional>
#include <vector>

#include "concordance/modify/modify_texts.h"
#include "concordance/modify/modify_undo.h"
#include "shell/qt/form_base.h"

class QCheckBox;
class QDateTimeEdit;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTabWidget;

// What a modification did: the changes made, and each refusal (a text or a hit, and why).
struct TModificationDone {
  int32_t made = 0;
  std::vector<UString> refused;
};

class TFormModifySourceTexts : public TVXDialogForm {
  Q_OBJECT
 public:
  explicit TFormModifySourceTexts(QWidget* parent = nullptr);

  // Carries out the choice the Set or Search-phrase OK has just made (Modification_Wanted and
  // the options below).
  void SetCarryOut(std::function<TModificationDone()> carry_out) { carry_out_ = std::move(carry_out); }
  // Whether a carry-out ran in this opening.
  bool Modified() const { return modified_; }

  TModifySourceTexts Modification_Wanted() const { return wanted_; }
  // Stores the value and shows its page (set, search word, undo); other values change no page.
  void SetModification_Wanted(TModifySourceTexts value);
  int32_t Undone() const { return undone_; }

  // What the caller reads after OK.
  UString Initials() const;
  bool DateStamp() const;
  UString SpaceReplacement() const;

  void SetOKClick();
  void SearchWordOKClick();
  void UndoClick();
  // Fills the Undo list from the log (a missing log leaves it empty).
  void FillUndoList();
  void OnlyByClick();
  void AtClick();

  QTabWidget* Pages() const { return pages_; }
  QLineEdit* SetInitials() const { return set_initials_; }
  QLineEdit* SpaceEdit() const { return space_; }
  QLineEdit* SearchWordInitials() const { return sw_initials_; }
  QListWidget* UndoList() const { return undo_list_; }
  QLabel* StampLabel() const { return stamp_; }
  QCheckBox* OnlyBy() const { return only_by_; }
  QLineEdit* UndoInitials() const { return undo_initials_; }
  QCheckBox* At() const { return at_; }
  QDateTimeEdit* AtMoment() const { return moment_; }
  // What the last carry-out did: its count, and the refusals one a row.
  QLabel* ReportSummary() const { return report_summary_; }
  QListWidget* ReportList() const { return report_list_; }

 private:
  // The page's choice made: carried out and shown here, or the window closed with OK.
  void ChoiceMade();
  void ShowDone(const TModificationDone& done);

  std::function<TModificationDone()> carry_out_;
  bool modified_ = false;
  TModifySourceTexts wanted_ = TModifySourceTexts::mst_none;
  int32_t undone_ = 0;
  std::vector<TModificationLogEntry> entries_;
  QTabWidget* pages_ = nullptr;
  QLineEdit* set_initials_ = nullptr;
  QCheckBox* set_date_ = nullptr;
  QLineEdit* space_ = nullptr;
  QLineEdit* sw_initials_ = nullptr;
  QCheckBox* sw_date_ = nullptr;
  QListWidget* undo_list_ = nullptr;
  QLabel* stamp_ = nullptr;
  QCheckBox* only_by_ = nullptr;
  QLineEdit* undo_initials_ = nullptr;
  QCheckBox* at_ = nullptr;
  QDateTimeEdit* moment_ = nullptr;
  QPushButton* set_ok_ = nullptr;
  QPushButton* sw_ok_ = nullptr;
  QLabel* report_summary_ = nullptr;
  QListWidget* report_list_ = nullptr;
};

// The account's initials: the first letter of each word of its full name (the user name's first
// letter when there is no full name).
UString AccountInitials();
// A log stamp "yyyymmddhhnn" as a reader reads it ("2026-01-02 13:04"); one that is no real
// moment (a thirteenth month, letters) is shown as written, followed by "(not a date)".
UString StampShown(UStringView stamp);
// One log entry as the Undo list shows it: when, who, what was changed, in which text (its name;
// the whole path is the row's hint) and at which character.
UString UndoEntryRow(const TModificationLogEntry& e);
