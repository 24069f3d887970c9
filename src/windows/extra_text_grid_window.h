// The same passage in texts of the same name (subtitles in other languages ".en_srt",
// ".ar_srt" ...), one row per text, each row in the font and writing direction of the language
// its line names. A double-click opens the row's text in the editor.
#pragma once

#include <QTableWidget>
#include <vector>

#include "concordance/lines/line_records.h"
#include "shell/settings/language_fonts.h"
#include "shell/qt/form_base.h"

class TFileLauncher;

// A right-to-left row as drawn: its leading extension (".AR_SRT", up to the tab) isolated left to
// right, so that the paragraph's direction does not move the extension's dot to its far end.
QString RightToLeftRowAsDrawn(const QString& text);

class TFormTextStringGridExtra : public TVXStylableForm<QWidget> {
  Q_OBJECT
 public:
  // launcher: opens a row's text for editing (not owned; may be set later).
  explicit TFormTextStringGridExtra(QWidget* parent = nullptr, TFileLauncher* launcher = nullptr);
  void SetLauncher(TFileLauncher* launcher) { launcher_ = launcher; }

  void ClearLines();
  void Addlines(const TOtherFileDetailsList& details, UStringView caption);
  // Opens the current row's file (when the row was set up).
  void GridDoubleClick();

  QTableWidget* Grid() const { return grid_; }
  const std::vector<TLanguageRow>& Rows() const { return rows_; }
  const TMyFontInfoList& FavouriteFonts() const { return favourites_; }

 private:
  QTableWidget* grid_ = nullptr;
  std::vector<TLanguageRow> rows_;
  TMyFontInfoList favourites_;
  TFileLauncher* launcher_ = nullptr;
};
