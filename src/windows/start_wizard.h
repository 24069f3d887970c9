// The start wizard: the texts, the search words (typed, from the history or from a file),
// context words with a span or an exact place, a context stop, exclusion words, lemma-list
// search and the kind of run. It keeps its own copy of the concordance settings, turns the boxes
// into the four item lists a run reads, keeps the three recent-word histories and, on OK, stores
// the settings and posts the run request (0x56F, lParam 10) to the main window.
//
// Made once at start-up; the main window hands it the chosen texts and activates it for each new
// concordance. A run reads SearchWordItems, the three other item lists and SWBatch, and asks for
// SaveHistoryLists once it has read them.
#pragma once

#include <QPointer>
#include <array>
#include <functional>

#include "platform/search/search_items.h"
#include "windows/wizard_base.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class TFileDialogs;
class TFileLauncher;
class QToolButton;
class QListWidget;
class QMenu;
class QPushButton;
class QRadioButton;
class QTabWidget;

class TFormStartWizardC : public TFormVXWizard {
  Q_OBJECT
 public:
  explicit TFormStartWizardC(QWidget* parent = nullptr);
  ~TFormStartWizardC() override;

  // Where OK posts the run request.
  void SetMainWindow(QObject* main_window) { main_window_ = main_window; }

  // --- what a run reads ---
  TSearchWordItems SearchWordItems;
  TContextWordItems fContextWordItems;
  TExclusionWordItems fExclusionWordItems;
  TTagContextWordItems fTagContextWordItems;
  bool SWBatch = false;
  TConcSettingsRec32 fchoices{};
  void SaveHistoryLists();
  bool HistorySaved() const { return fhistory_saved; }

  // --- the window's work, callable without clicks ---
  void RefreshWizardPages();
  // Stores the boxes into the settings copy and the item lists; false: nothing to search for.
  bool CheckAndStoreChoices();
  void ShowChosenItems(bool with_lemmas);
  // The other forms of each typed search word's lemma become search items too.
  void AddLemmaVariants();
  void ButtonOKClick();
  void ChooseTextsButtonClick();
  void ButtonSWsFromFileClick();
  // Opens the search-word file named in the file box in an editor. A name without a folder lies in
  // the user's read-write folder; a file not there yet is made empty so that the words can be
  // typed into it. An empty box, or no editor, is said; nothing else changes.
  void ButtonTagFileEditClick();
  void SetFileLauncher(TFileLauncher* launcher) { launcher_ = launcher; }
  // The file box's "..." button: names a search-word file in the box through a file dialog for
  // text files (the main window's file dialogs when given), starting at the file named there or
  // in the user's folder. Cancelling changes nothing.
  void ButtonSWsBrowseClick();
  void SetFileDialogs(std::function<TFileDialogs*()> dialogs) { file_dialogs_ = std::move(dialogs); }
  void ListboxContextSpanClick(QListWidget* sender);
  void AddAnySingleCharsToPopupMenu();
  void PasteCharacter(char32_t c);
  void LoadOrSaveHistoryLists(bool save);

  // --- parts ---
  QComboBox* SearchBox() const { return search_box_; }
  QComboBox* ContextBox() const { return context_box_; }
  QCheckBox* LemmaCheck() const { return lemma_check_; }
  QComboBox* ExclusionBox() const { return exclusion_box_; }
  QListWidget* SpanLeft() const { return span_left_; }
  QListWidget* SpanRight() const { return span_right_; }
  QListWidget* SpanExact() const { return span_exact_; }
  QRadioButton* SpanRadio() const { return radio_span_; }
  QRadioButton* ExactRadio() const { return radio_exact_; }
  QRadioButton* OneRadio() const { return radio_one_; }
  QRadioButton* TextBatchRadio() const { return radio_text_batch_; }
  QRadioButton* SWBatchRadio() const { return radio_sw_batch_; }
  QComboBox* StopCombo() const { return stop_combo_; }
  QListWidget* ChosenList() const { return chosen_list_; }
  QPushButton* OKButton() const { return ok_button_; }
  QPushButton* ChooseTextsButton() const { return choose_button_; }
  QPushButton* LoadButton() const { return load_button_; }
  QPushButton* EditButton() const { return edit_button_; }
  QToolButton* BrowseButton() const { return browse_button_; }
  QLineEdit* FileNameBox() const { return file_edit_; }
  QLabel* TextsLabel() const { return texts_label_; }
  QLabel* OneLabel() const { return one_label_; }
  QLabel* TextBatchLabel() const { return text_batch_label_; }
  QTabWidget* Pager() const { return pager_; }
  QMenu* WordMenu() const { return word_menu_; }
  const TPasteCharacterItems& PasteItems() const { return paste_items_; }

 protected:
  void FormShow() override;
  void FormActivate() override;

 private:
  void BuildWindow();
  void FillItemsFromBox(TBaseSearchItems& list, QComboBox* box);
  void CheckSpecialCharacters(QComboBox* box);
  void EditChange(QComboBox* box);
  void RebuildPasteMenu();
  QComboBox* WordBox(const QString& name);
  // The radio buttons and the exact list as the stored choices place the context word.
  void ShowStoredContextPlace();

  QPointer<QObject> main_window_;
  bool fhistory_saved = false;
  bool FPopupActive = false;
  bool typed_since_show_ = false;
  bool context_typed_since_show_ = false;
  bool placed_since_show_ = false;  // a span or an exact place chosen since the window was shown
  std::array<bool, 3> modified_{};
  TPasteCharacterItems paste_items_;

  QTabWidget* pager_ = nullptr;
  QLabel* texts_label_ = nullptr;
  QPushButton* choose_button_ = nullptr;
  QComboBox* search_box_ = nullptr;
  QLineEdit* file_edit_ = nullptr;
  QPushButton* load_button_ = nullptr;
  QPushButton* edit_button_ = nullptr;
  TFileLauncher* launcher_ = nullptr;
  QToolButton* browse_button_ = nullptr;
  std::function<TFileDialogs*()> file_dialogs_;
  QComboBox* context_box_ = nullptr;
  QListWidget* span_left_ = nullptr;
  QListWidget* span_right_ = nullptr;
  QListWidget* span_exact_ = nullptr;
  QRadioButton* radio_span_ = nullptr;
  QRadioButton* radio_exact_ = nullptr;
  QComboBox* stop_combo_ = nullptr;
  QComboBox* exclusion_box_ = nullptr;
  QCheckBox* lemma_check_ = nullptr;
  QRadioButton* radio_one_ = nullptr;
  QRadioButton* radio_text_batch_ = nullptr;
  QRadioButton* radio_sw_batch_ = nullptr;
  QLabel* one_label_ = nullptr;
  QLabel* text_batch_label_ = nullptr;
  QLabel* footer_label_ = nullptr;
  QListWidget* chosen_list_ = nullptr;
  QPushButton* ok_button_ = nullptr;
  QMenu* word_menu_ = nullptr;
};
