// Modify-source-texts window: the user picks how the current concordance's texts are to change
// (a Set value at each line, the search phrase marked and joined) or undoes earlier changes from
// the modification log. The first two only collect the choice for the caller; the undo is done
// here through the undo engine, which leaves each text byte-identical but for the change.
#pragma once

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

class TFormModifySourceTexts : public TVXDialogForm {
  Q_OBJECT
 public:
  explicit TFormModifySourceTexts(QWidget* parent = nullptr);

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

 private:
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
