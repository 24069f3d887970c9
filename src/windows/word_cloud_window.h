// The word-cloud window: the cloud of a result list (or of a plain list of words with numbers)
// on a picture the size of the printable page, the details of the word under the mouse, and the
// picture copied, saved as PNG or printed.
//
// When what is read: ComputeTheCloud resets the list's cloud cursor and lays the words out once;
// Refresh and the spin edits lay them out again from the same source. The list is the
// document's: DropBaseList (called when the document's data close) forgets it, after which
// Refresh and the mouse read nothing from it. A layout yields to the window's events; while it
// runs, a second Refresh waits its turn (is ignored) and the mouse finds no word.
// A source with fewer than two words keeps the picture shown and says why.
#pragma once

#include <QDoubleSpinBox>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QSpinBox>
#include <functional>
#include <memory>

#include "shell/qt/form_base.h"
#include "shell/qt/qt_file_dialogs.h"
#include "shell/viewers/word_cloud_layout.h"

class TVXBaseDataClass;
class QPrinter;

class TFormWordCloud : public TVXStylableForm<QWidget> {
  Q_OBJECT
 public:
  explicit TFormWordCloud(QWidget* parent = nullptr);
  ~TFormWordCloud() override;

  // The store's cloud settings again (the spin edits keep the window's own values until the
  // next LoadSettings).
  void ReLoadSettingsFromTextBuf();
  void LoadSettings(int32_t min_freq, int32_t max_freq, uint8_t output_case, bool use_case, bool reset);
  // The settings changed in the store: they are reloaded and an open cloud drawn again with them.
  void SettingsChanged();
  void ComputeTheCloud(TVXBaseDataClass* list, UStringView caption);
  void ComputeTheCloud(UStringView caption);
  // Takes the words and numbers to show (the window owns them).
  void SetTextList(std::unique_ptr<TMyCloudTXTList> list);
  void Refresh();
  // The document's lists are going: the window keeps its picture and forgets the list.
  void DropBaseList();

  // Mouse at picture pixel (x, y): the word's details and its highlight; 0 when none.
  int MouseOverPicture(int x, int y);
  void CopyToClipboard();
  // Saves the picture as PNG through the safe save; false (FailedToSave said) when it could not
  // be written.
  bool SaveImage(UStringView file_name);
  // The picture on the printer's page, scaled to fit.
  bool PrintOn(QPrinter& printer);
  // Save, and Print without a printer (into a PDF file), ask these dialogs for the file (the
  // main window's), else the program's own.
  void SetFileDialogs(std::function<TFileDialogs*()> dialogs) { file_dialogs_.Set(std::move(dialogs)); }

  TWordCloud& Cloud() const { return *cloud_; }
  const QImage& Picture() const { return picture_; }
  QLabel* DetailLabel() const { return label1_; }
  QLabel* PictureLabel() const { return image1_; }
  QDoubleSpinBox* HorizontalSpin() const { return horz_; }
  QDoubleSpinBox* VerticalSpin() const { return vert_; }
  QSpinBox* MinFontSpin() const { return min_font_; }
  TVXBaseDataClass* BaseList() const { return base_list_; }
  bool txt_based = false;
  bool SettingsLoaded = false;

 protected:
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  void Draw(UStringView caption);
  void ClearHighlight();
  void ShowPicture();
  void SpinChanged();
  void ShowSpinValues();

  std::unique_ptr<TWordCloud> cloud_;
  std::unique_ptr<TMyCloudTXTList> text_list_;
  TVXBaseDataClass* base_list_ = nullptr;
  QImage picture_;
  QRect highlighted_;
  QImage saved_region_;
  QScrollArea* scroll_ = nullptr;
  QLabel* image1_ = nullptr;
  QLabel* label1_ = nullptr;
  QDoubleSpinBox* horz_ = nullptr;
  QDoubleSpinBox* vert_ = nullptr;
  QSpinBox* min_font_ = nullptr;
  double dpi_x_ = 96;
  double dpi_y_ = 96;
  TWindowFileDialogs file_dialogs_{this};
};
