// The batch window: where a batch run writes its results (a folder), whether they are zipped,
// kept with their texts' dates, and its progress while the run goes on. OK fills the program's
// batch state (Global_BatchProcedures); its events start as handlers that do nothing and are
// then pointed at this window's label and bar.
#pragma once

#include <cstdint>

#include "shell/qt/form_base.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

class TFormBatchProcessSetup : public TVXDialogForm {
  Q_OBJECT
 public:
  explicit TFormBatchProcessSetup(QWidget* parent = nullptr);
  // The batch record's handlers that OK gave it point into this window: they go with it.
  ~TFormBatchProcessSetup() override;
  int64_t total_bytes = 0;
  bool ok_pressed = false;
  QLineEdit* FolderEdit() const { return folder_; }
  QCheckBox* ZipCheck() const { return zip_; }
  QProgressBar* Progress() const { return bar_; }
  QLabel* Message() const { return message_; }
  void ButtonOKClick();

 protected:
  void FormShow() override;

 private:
  QLabel* message_ = nullptr;
  QProgressBar* bar_ = nullptr;
  QCheckBox* zip_ = nullptr;
  QCheckBox* faster_ = nullptr;
  QCheckBox* keep_ = nullptr;
  QCheckBox* dates_ = nullptr;
  QLineEdit* folder_ = nullptr;
  QPushButton* ok_ = nullptr;
  QPushButton* stop_ = nullptr;
};
