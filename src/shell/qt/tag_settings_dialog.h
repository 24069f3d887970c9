// The Tags settings dialog of the in-process controller stand-in: the characters of mark-up and
// the longest tag, the tags to keep, the spans to
// exclude and the entities to translate, the markers that end a header and mark sentences,
// paragraphs, headings and sections, the strings that choose texts, and the parts of texts read
// alone. Each of the three lists can be filled from a tag file the user keeps (its Load button):
// the file's entries replace the list's lines, read by the list's own rules with their warnings;
// a file that gives nothing is named in a message and the list stays. It shows what is stored
// when it opens; OK hands the fields to tag_settings_rules.h, and
// a field it refuses is named in a message while the dialog stays open with everything typed.
#pragma once

#include <QDialog>
#include <array>

#include "shell/settings/tag_settings_rules.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class TFileDialogs;
class QSpinBox;
class QTableWidget;
class QTabWidget;

class TTagSettingsDialog : public QDialog {
  Q_OBJECT
 public:
  explicit TTagSettingsDialog(QWidget* parent = nullptr);
  QTabWidget* Tabs() const { return tabs_; }
  QLineEdit* MarkupBox() const { return markup_; }
  QPlainTextEdit* KeepBox() const { return keep_; }
  QPlainTextEdit* ExcludeBox() const { return exclude_; }
  QLineEdit* HeaderBox() const { return header_; }
  QLineEdit* MarkerBox(int i) const { return markers_[static_cast<size_t>(i)]; }
  QCheckBox* SelectTexts() const { return select_texts_; }
  QPlainTextEdit* TextsWithBox() const { return texts_with_; }
  QCheckBox* PartsOnly() const { return parts_only_; }
  QSpinBox* CutLineStart() const { return cut_line_start_; }
  QComboBox* TagTreatment() const { return tag_treatment_; }
  // Rows are pairs: column 0 the start, 1 the end, 2 ticked when the stretch is cut.
  QTableWidget* PartsTable() const { return parts_; }
  QPlainTextEdit* EntitiesBox() const { return entities_; }
  QPushButton* LoadButton(TTagFileList list) const { return load_[static_cast<size_t>(list)]; }
  // Where Load asks for the tag file (the main window's file dialogs; the desktop's when none).
  void SetFileDialogs(TFileDialogs* dialogs) { file_dialogs_ = dialogs; }
  // Load's work once the file is named.
  void LoadTagFile(TTagFileList list, const UString& filename);
  // The fields as the rules take them.
  TTagSettingsChoice Choice() const;
  void accept() override;

 private:
  void Show(const TTagSettingsChoice& c);
  QTabWidget* tabs_ = nullptr;
  QLineEdit* markup_ = nullptr;
  QSpinBox* longest_tag_ = nullptr;
  QPlainTextEdit* keep_ = nullptr;
  QPlainTextEdit* exclude_ = nullptr;
  QPlainTextEdit* entities_ = nullptr;
  QLineEdit* header_ = nullptr;
  std::array<QLineEdit*, kTextMarkerKinds> markers_{};
  QCheckBox* select_texts_ = nullptr;
  QPlainTextEdit* texts_with_ = nullptr;
  QPlainTextEdit* texts_without_ = nullptr;
  QCheckBox* parts_only_ = nullptr;
  QSpinBox* cut_line_start_ = nullptr;
  QTableWidget* parts_ = nullptr;
  QComboBox* tag_treatment_ = nullptr;
  std::array<QPushButton*, 3> load_{};
  TFileDialogs* file_dialogs_ = nullptr;
  std::vector<TTagColours> keep_colours_;
  std::vector<UString> keep_anyway_;
};
