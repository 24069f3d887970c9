#include "windows/start_wizard.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include "model/documents/work_base.h"
#include "platform/lemmatiser/lemmatiser.h"
#include "platform/rtl/files.h"
#include "platform/runtime/vx_dialogs.h"
#include "platform/runtime/vx_runtime.h"
#include "platform/runtime/vx_tools.h"
#include "platform/settings/settings_access.h"
#include "platform/settings/window_registry.h"
#include "shell/files/file_dialogs.h"
#include "shell/files/saved_texts.h"
#include "shell/qt/help_access.h"
#include "shell/qt/qt_application.h"
#include "shell/qt/window_messages.h"
#include "shell/services/progress.h"
#include "shell/settings/list_loading.h"
#include "shell/services/suite_services.h"

namespace {

constexpr uint16_t kCodeChooseTexts = 1240;
constexpr int kWizardHelpContext = 2070;
constexpr int kPageTexts = 0, kPageSearchWord = 1;

TSearchTextOptions CurrentTextOptions() { return SearchTextOptionsFromTextSettings(GetTextSettings()); }

UString BoxText(const QComboBox* box) { return FromQString(box->currentText()); }

std::vector<UString> BoxItems(const QComboBox* box) {
  std::vector<UString> out;
  for (int i = 0; i < box->count(); ++i) out.push_back(FromQString(box->itemText(i)));
  return out;
}

void SetBoxItems(QComboBox* box, const std::vector<UString>& items) {
  const QString text = box->currentText();
  box->clear();
  for (const UString& s : items) box->addItem(ToQString(s));
  box->setCurrentText(text);
}

// Trims blanks only (tabs and line ends are the user's).
UString TrimSpaces(UStringView s) {
  size_t a = 0, b = s.size();
  while (a < b && s[a] == u' ') ++a;
  while (b > a && s[b - 1] == u' ') --b;
  return UString(s.substr(a, b - a));
}

}  // namespace

TFormStartWizardC::TFormStartWizardC(QWidget* parent)
    : TFormVXWizard(parent),
      SearchWordItems(CurrentTextOptions()),
      fContextWordItems(CurrentTextOptions()),
      fExclusionWordItems(CurrentTextOptions()),
      fTagContextWordItems(CurrentTextOptions()) {
  setWindowTitle(QStringLiteral("Getting Started..."));
  setObjectName(QStringLiteral("FormStartWizardC"));
  BuildWindow();
  SetupKeyboardAndControls(*this);
  fchoices = GetConcSaveRec();
  LoadOrSaveHistoryLists(false);
  fhistory_saved = false;
  if (search_box_->count() > 0) {
    SetConcSaveRecSearchword(BoxText(search_box_) .empty() ? FromQString(search_box_->itemText(0)) : BoxText(search_box_));
    fchoices.SetSearchWord(GetConcSaveRec().SearchWord());
  }
  lemma_check_->setChecked(fchoices.LemmaListSearch());
  search_box_->setCurrentText(ToQString(fchoices.SearchWord()));
  file_edit_->setText(ToQString(GetConcordanceSWFilename()));
  if (!fchoices.ContextWord().empty()) context_box_->addItem(ToQString(fchoices.ContextWord()));
  if (!fchoices.ExclusionWord().empty()) exclusion_box_->addItem(ToQString(fchoices.ExclusionWord()));
  context_box_->setCurrentText(QString());
  exclusion_box_->setCurrentText(QString());
  pager_->setCurrentIndex(kPageTexts);
  modified_.fill(true);
}

TFormStartWizardC::~TFormStartWizardC() {
  if (!fhistory_saved) SaveHistoryLists();
}

QComboBox* TFormStartWizardC::WordBox(const QString& name) {
  auto* box = new QComboBox(this);
  box->setEditable(true);
  box->setInsertPolicy(QComboBox::NoInsert);
  box->setObjectName(name);
  box->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(box, &QComboBox::customContextMenuRequested, this, [this, box](const QPoint& p) {
    FPopupActive = true;
    box->setFocus();
    word_menu_->exec(box->mapToGlobal(p));
    FPopupActive = false;
  });
  connect(box, &QComboBox::editTextChanged, this, [this, box] { EditChange(box); });
  connect(box->lineEdit(), &QLineEdit::editingFinished, this, [this] { CheckAndStoreChoices(); });
  return box;
}

void TFormStartWizardC::BuildWindow() {
  resize(640, 420);
  auto* column = new QVBoxLayout(this);
  pager_ = new QTabWidget(this);
  SetHelpContext(pager_, kWizardHelpContext);
  column->addWidget(pager_, 1);

  // Texts
  auto* texts = new QWidget(pager_);
  auto* tl = new QVBoxLayout(texts);
  texts_label_ = new QLabel(texts);
  texts_label_->setWordWrap(true);
  choose_button_ = new QPushButton(QStringLiteral("Choose Text Files"), texts);
  connect(choose_button_, &QPushButton::clicked, this, [this] { ChooseTextsButtonClick(); });
  tl->addWidget(texts_label_);
  tl->addWidget(choose_button_);
  tl->addStretch();
  SetHelpContext(texts, 1240);
  pager_->addTab(texts, QStringLiteral("Texts"));

  // Search Word
  auto* sw = new QWidget(pager_);
  auto* sl = new QVBoxLayout(sw);
  search_box_ = WordBox(QStringLiteral("ElComboBoxSWs"));
  sl->addWidget(search_box_);
  auto* file_group = new QGroupBox(QStringLiteral("or get search-words from a file"), sw);
  auto* fl = new QHBoxLayout(file_group);
  file_edit_ = new QLineEdit(file_group);
  file_edit_->setProperty(kFileNameBoxProperty, 0);
  browse_button_ = new QToolButton(file_group);
  browse_button_->setText(QStringLiteral("..."));
  browse_button_->setToolTip(QStringLiteral("choose a search-word file"));
  connect(browse_button_, &QToolButton::clicked, this, [this] { ButtonSWsBrowseClick(); });
  load_button_ = new QPushButton(QStringLiteral("Load"), file_group);
  connect(load_button_, &QPushButton::clicked, this, [this] { ButtonSWsFromFileClick(); });
  edit_button_ = new QPushButton(QStringLiteral("Edit"), file_group);
  edit_button_->setToolTip(QStringLiteral("press to Edit"));
  connect(edit_button_, &QPushButton::clicked, this, [this] { ButtonTagFileEditClick(); });
  fl->addWidget(file_edit_, 1);
  fl->addWidget(browse_button_);
  fl->addWidget(load_button_);
  fl->addWidget(edit_button_);
  sl->addWidget(file_group);
  auto* examples = new QPlainTextEdit(sw);
  examples->setReadOnly(true);
  examples->setPlainText(QStringLiteral(
      "book*\tevery word beginning with book\nold man\ta phrase\n==New==\texact case\nParis/Moscow/New York\talternatives"));
  sl->addWidget(examples, 1);
  SetHelpContext(sw, kWizardHelpContext);
  SetHelpContext(file_group, 2110);
  pager_->addTab(sw, QStringLiteral("Search Word"));

  // Advanced
  auto* adv = new QWidget(pager_);
  auto* al = new QGridLayout(adv);
  auto* ctx_group = new QGroupBox(QStringLiteral("context word(s) && context search horizons"), adv);
  auto* cl = new QGridLayout(ctx_group);
  context_box_ = WordBox(QStringLiteral("EditContextWord"));
  cl->addWidget(context_box_, 0, 0, 1, 3);
  span_left_ = new QListWidget(ctx_group);
  span_left_->setToolTip(QStringLiteral("max. 25 to left of search word"));
  for (const UString& s : LeftSpanCaptions()) span_left_->addItem(ToQString(s));
  span_right_ = new QListWidget(ctx_group);
  span_right_->setToolTip(QStringLiteral("max. 25 to right of search word"));
  for (const UString& s : RightSpanCaptions()) span_right_->addItem(ToQString(s));
  span_exact_ = new QListWidget(ctx_group);
  span_exact_->setToolTip(QStringLiteral("one position only"));
  for (const TExactSpanEntry& e : ExactSpanEntries()) {
    auto* item = new QListWidgetItem(ToQString(ConcordanceSpanStr(e.span_type)), span_exact_);
    item->setData(Qt::UserRole, e.number);
  }
  span_exact_->setCurrentRow(ExactListStartIndex());
  for (QListWidget* l : {span_left_, span_right_, span_exact_})
    connect(l, &QListWidget::itemClicked, this, [this, l] { ListboxContextSpanClick(l); });
  radio_span_ = new QRadioButton(QStringLiteral("a span"), ctx_group);
  radio_exact_ = new QRadioButton(QStringLiteral("exact"), ctx_group);
  for (QRadioButton* radio : {radio_span_, radio_exact_})
    connect(radio, &QRadioButton::clicked, this, [this] {
      placed_since_show_ = true;
      CheckAndStoreChoices();
    });
  cl->addWidget(radio_span_, 1, 0);
  cl->addWidget(radio_exact_, 1, 2);
  cl->addWidget(span_left_, 2, 0);
  cl->addWidget(span_right_, 2, 1);
  cl->addWidget(span_exact_, 2, 2);
  stop_combo_ = new QComboBox(ctx_group);
  stop_combo_->setToolTip(QStringLiteral("context word blocker"));
  for (const char* s : {"no limits", "stop at punctuation break", "stop at sentence break", "stop at paragraph break",
                        "stop at heading break", "stop at section break", "stop at end of text"})
    stop_combo_->addItem(QString::fromLatin1(s));
  cl->addWidget(stop_combo_, 3, 0, 1, 3);
  al->addWidget(ctx_group, 0, 0, 1, 2);
  auto* excl_group = new QGroupBox(QStringLiteral("exclude if search is or context contains:"), adv);
  auto* el = new QVBoxLayout(excl_group);
  exclusion_box_ = WordBox(QStringLiteral("EditExcluded"));
  exclusion_box_->setToolTip(QStringLiteral("exclusion covers both search-word and its context"));
  el->addWidget(exclusion_box_);
  al->addWidget(excl_group, 1, 0);
  auto* lemma_group = new QGroupBox(QStringLiteral("lemma handling"), adv);
  auto* ll = new QVBoxLayout(lemma_group);
  lemma_check_ = new QCheckBox(QStringLiteral("lemma list search"), lemma_group);
  ll->addWidget(lemma_check_);
  al->addWidget(lemma_group, 1, 1);
  SetHelpContext(adv, kWizardHelpContext);
  pager_->addTab(adv, QStringLiteral("Advanced"));

  // Batch
  auto* batch = new QWidget(pager_);
  auto* bl = new QGridLayout(batch);
  radio_one_ = new QRadioButton(QStringLiteral("One"), batch);
  radio_one_->setChecked(true);
  radio_text_batch_ = new QRadioButton(QStringLiteral("Text Batch"), batch);
  radio_sw_batch_ = new QRadioButton(QStringLiteral("SW Batch"), batch);
  one_label_ = new QLabel(batch);
  text_batch_label_ = new QLabel(QStringLiteral("one concordance per text, saved in a batch folder"), batch);
  auto* sw_label = new QLabel(QStringLiteral("one concordance per search word, saved in a batch folder"), batch);
  bl->addWidget(radio_one_, 0, 0);
  bl->addWidget(one_label_, 0, 1);
  bl->addWidget(radio_text_batch_, 1, 0);
  bl->addWidget(text_batch_label_, 1, 1);
  bl->addWidget(radio_sw_batch_, 2, 0);
  bl->addWidget(sw_label, 2, 1);
  bl->setRowStretch(3, 1);
  SetHelpContext(batch, 2730);
  pager_->addTab(batch, QStringLiteral("Batch"));
  connect(pager_, &QTabWidget::currentChanged, this, [this] { CheckAndStoreChoices(); });

  chosen_list_ = new QListWidget(this);
  chosen_list_->setMaximumHeight(90);
  column->addWidget(chosen_list_);
  auto* buttons = new QHBoxLayout;
  auto* help = new QPushButton(QStringLiteral("Help"), this);
  connect(help, &QPushButton::clicked, this, [this] { AskOwnerForHelp(this, kWizardHelpContext); });
  ok_button_ = new QPushButton(QStringLiteral("OK"), this);
  ok_button_->setDefault(true);
  connect(ok_button_, &QPushButton::clicked, this, [this] { ButtonOKClick(); });
  buttons->addWidget(help);
  footer_label_ = new QLabel(this);
  buttons->addWidget(footer_label_, 1);
  buttons->addWidget(ok_button_);
  column->addLayout(buttons);

  word_menu_ = new QMenu(this);
  RebuildPasteMenu();
}

// --- showing -------------------------------------------------------------------------------------

void TFormStartWizardC::FormShow() {
  TFormVXWizard::FormShow();
  typed_since_show_ = false;
  context_typed_since_show_ = false;
  placed_since_show_ = false;
  radio_span_->setChecked(true);
  RefreshWizardPages();
  ShowChosenItems(false);
}

void TFormStartWizardC::FormActivate() {
  TFormVXWizard::FormActivate();
  RefreshWizardPages();
}

void TFormStartWizardC::RefreshWizardPages() {
  if (!fChosenFiles) return;
  fhistory_saved = false;
  AddAnySingleCharsToPopupMenu();
  const TConcSettingsRec32 mine = fchoices;
  fchoices = GetConcSaveRec();
  // The window shows what was run: the context word and its place as stored, an exact place as
  // exact; what the user chose since the window was shown stays until OK.
  if (placed_since_show_) {
    fchoices.SetExactContextPosition(mine.ExactContextPosition());
    fchoices.SetContextHorizons(mine.ContextHorizons());
  } else {
    ShowStoredContextPlace();
  }
  if (!context_typed_since_show_) {
    const QSignalBlocker block(context_box_);
    context_box_->setCurrentText(fchoices.ContextWordsWanted() ? ToQString(fchoices.ContextWord()) : QString());
  }
  UString sw = fchoices.SearchWord();
  if (sw.empty() && search_box_->count() > 0) sw = FromQString(search_box_->itemText(0));
  // What the user typed since the window was shown stays: an activation only refreshes the rest.
  if (!typed_since_show_) {
    const QSignalBlocker block(search_box_);
    search_box_->setCurrentText(ToQString(sw));
  }
  span_left_->setCurrentRow(std::clamp<int>(fchoices.ContextHorizonLeft(), 0, span_left_->count() - 1));
  span_right_->setCurrentRow(std::clamp<int>(fchoices.ContextHorizonRight(), 0, span_right_->count() - 1));
  stop_combo_->setCurrentIndex(std::clamp<int>(fchoices.ContextStop(), 0, stop_combo_->count() - 1));
  ok_button_->setEnabled(false);
  one_label_->setEnabled(false);
  text_batch_label_->setEnabled(false);
  radio_text_batch_->setEnabled(false);
  texts_label_->setEnabled(true);
  choose_button_->setEnabled(true);
  const int n = fChosenFiles->FileCount();
  footer_label_->setText(n == 0 ? QString() : QStringLiteral("%1 text%2 chosen").arg(n).arg(n == 1 ? "" : "s"));
  if (n == 0) {
    texts_label_->setText(QStringLiteral("Choose the texts for your concordance."));
    choose_button_->setText(QStringLiteral("Choose Texts Now"));
    pager_->setCurrentIndex(kPageTexts);
    return;
  }
  pager_->setCurrentIndex(kPageSearchWord);
  ok_button_->setEnabled(true);
  one_label_->setEnabled(true);
  const QString s = QStringLiteral("You have %1 text%2 chosen.").arg(n).arg(n == 1 ? "" : "s");
  if (n > 1) {
    text_batch_label_->setEnabled(true);
    radio_text_batch_->setEnabled(true);
    one_label_->setText(QStringLiteral("You can make a concordance."));
    texts_label_->setText(s);
  } else {
    const QString name = ToQString(fChosenFiles->GetFullFileDetails(0).rec.filename);
    texts_label_->setText(s + QStringLiteral(" (") + name + QStringLiteral(")"));
    one_label_->setText(QStringLiteral("make a concordance of %1").arg(name));
  }
  choose_button_->setText(QStringLiteral("Change Selection"));
}

void TFormStartWizardC::ShowStoredContextPlace() {
  // Without a context word a place means nothing: the span shows.
  const int exact = fchoices.ContextWordsWanted() ? ExactListIndexOfPosition(fchoices.ExactContextPosition()) : -1;
  if (exact >= 0) {
    radio_exact_->setChecked(true);
    span_exact_->setCurrentRow(exact);
  } else {
    radio_span_->setChecked(true);
  }
}

// --- the boxes -----------------------------------------------------------------------------------

void TFormStartWizardC::EditChange(QComboBox* box) {
  UString text = BoxText(box);
  if (DeadKeysLoaded() && GetDeadKeyListCustomised()) {
    const UString applied = UserDeadKeys().Applied(text);
    if (applied != text) {
      const QSignalBlocker block(box);
      box->setCurrentText(ToQString(applied));
      text = applied;
    }
  }
  if (box == search_box_) {
    modified_[0] = true;
    typed_since_show_ = true;
    SetConcSaveRecSearchword(text);
  } else if (box == context_box_) {
    modified_[1] = true;
    context_typed_since_show_ = true;
    SetConcSaveRecContextword(text);
  } else {
    modified_[2] = true;
    SetConcSaveRecExclusionword(text);
  }
  ShowChosenItems(box == search_box_);
}

void TFormStartWizardC::CheckSpecialCharacters(QComboBox* box) {
  const int i = box == search_box_ ? 0 : box == context_box_ ? 1 : 2;
  if (!box->isEnabled() || !modified_[i]) return;
  modified_[i] = false;
  const UString text = BoxText(box);
  if (!Already_Used || !ContainsASpecialCharacter(text)) return;
  if (VXDialog(TVXDialog::ChangeTagOpenMarks, {text}) != mrYes) {
    UString padded = text;
    PadSpecialCharactersWithSpaces(padded);
    const QSignalBlocker block(box);
    box->setCurrentText(ToQString(padded));
  }
}

void TFormStartWizardC::FillItemsFromBox(TBaseSearchItems& list, QComboBox* box) {
  list.Clear();
  const UString text = BoxText(box);
  if (text.empty()) return;
  if (global_keeping_log) AddToLogFile(text + u": " + FromQString(box->objectName()));
  list.InsertSearchWordsAtTop(text);
}

bool TFormStartWizardC::CheckAndStoreChoices() {
  const bool from_file = !search_box_->isEnabled() && SearchWordItems.Count() > 0;
  if (!from_file) SearchWordItems.Clear();
  for (QComboBox* box : {exclusion_box_, context_box_, search_box_}) {
    const QSignalBlocker block(box);
    box->setCurrentText(ToQString(TrimSpaces(BoxText(box))));
  }
  for (QComboBox* box : {search_box_, context_box_, exclusion_box_}) CheckSpecialCharacters(box);
  fchoices.SetLemmaListSearch(lemma_check_->isChecked());
  fchoices.SetSearchWord(BoxText(search_box_));
  fchoices.SetExclusionWord(BoxText(exclusion_box_));
  fchoices.SetContextWord(BoxText(context_box_));
  const bool result = !BoxText(search_box_).empty() || from_file;
  if (result) {
    if (search_box_->isEnabled()) FillItemsFromBox(SearchWordItems, search_box_);
    fchoices.SetContextWordsWanted(!BoxText(context_box_).empty());
    if (fchoices.ContextWordsWanted()) {
      if (stop_combo_->currentIndex() >= 0) fchoices.SetContextStop(static_cast<uint8_t>(stop_combo_->currentIndex()));
      FillItemsFromBox(fContextWordItems, context_box_);
      // The run reads the position from the list, not from the record.
      fContextWordItems.exact_position = fchoices.ExactContextPosition() != 0;
      fContextWordItems.required_distance = fchoices.ExactContextPosition();
    } else {
      fContextWordItems.Clear();
    }
    fchoices.SetExclusionWordsWanted(!BoxText(exclusion_box_).empty());
    if (fchoices.ExclusionWordsWanted()) FillItemsFromBox(fExclusionWordItems, exclusion_box_);
    else fExclusionWordItems.Clear();
    ShowChosenItems(true);
  }
  return result;
}

void TFormStartWizardC::AddLemmaVariants() {
  // The progress window, over the main window, shows the list loading and then each word looked up.
  TProgressClass* progress = GlobalProgress();
  if (progress) {
    const QWidget* main = qobject_cast<QWidget*>(main_window_.data());
    const QRect r = main ? main->frameGeometry() : frameGeometry();
    progress->ClearAllAndShow(TPoint{r.center().x(), r.center().y()}, kWhereLocal);
  }
  if (!Global_stopLemmaMatchLoaded[0] && !LoadALemmaMatchOrStopList(0)) {
    if (progress) progress->Hide();
    return;
  }
  const UString typed = BoxText(search_box_);
  std::vector<UString> pieces;
  const int count = SearchWordItems.Count();
  for (int i = 0; i < count; ++i) {
    const UString& word = SearchWordItems.GetPtr(i)->sw;
    if (progress) {
      progress->ProgressShortMessageOutOf(word, i + 1, count);
      progress->OverallPercent((i + 1) * 100 / count);
    }
    if (word.empty() || typed.find(word) == UString::npos) continue;
    const UString variants = LemmaVariantsOf(kToolConcordancer, word, u"\t");
    size_t at = 0;
    while (at <= variants.size()) {
      const size_t tab = variants.find(u'\t', at);
      const UString piece = variants.substr(at, tab == UString::npos ? UString::npos : tab - at);
      if (!piece.empty()) pieces.push_back(piece);
      if (tab == UString::npos) break;
      at = tab + 1;
    }
  }
  for (const UString& piece : pieces)
    if (SearchWordItems.TypeInIndexOf(piece) < 0) SearchWordItems.AddedSearchWords(piece);
  if (progress) progress->Hide();
}

void TFormStartWizardC::ShowChosenItems(bool with_lemmas) {
  if (with_lemmas && lemma_check_->isChecked() && GetLemmaMatchStopWanted(kToolConcordancer, 0)) AddLemmaVariants();
  chosen_list_->clear();
  TSearchWordItems search(CurrentTextOptions());
  if (search_box_->isEnabled()) search.InsertSearchWordsAtTop(BoxText(search_box_));
  // The items themselves once they hold more than the box (words from a file, lemma variants).
  const bool own_items = !search_box_->isEnabled() || SearchWordItems.Count() > search.Count();
  const TBaseSearchItems& shown_search = own_items ? static_cast<const TBaseSearchItems&>(SearchWordItems) : search;
  TContextWordItems context(CurrentTextOptions());
  TExclusionWordItems exclusion(CurrentTextOptions());
  if (!BoxText(search_box_).empty() || !search_box_->isEnabled()) {
    if (!BoxText(context_box_).empty()) context.InsertSearchWordsAtTop(BoxText(context_box_));
    if (!BoxText(exclusion_box_).empty()) exclusion.InsertSearchWordsAtTop(BoxText(exclusion_box_));
  }
  const bool exact = radio_exact_->isChecked();
  const UString caption = exact && span_exact_->currentItem() ? FromQString(span_exact_->currentItem()->text()) : UString();
  for (const UString& line : ChosenItemsLines(shown_search, context, exclusion, exact, caption,
                                              fchoices.ContextHorizonLeft(), fchoices.ContextHorizonRight()))
    chosen_list_->addItem(ToQString(line));
}

void TFormStartWizardC::ListboxContextSpanClick(QListWidget* sender) {
  placed_since_show_ = true;
  if (sender == span_exact_) {
    radio_exact_->setChecked(true);
    if (QListWidgetItem* item = span_exact_->currentItem())
      ApplyExactPosition(fchoices, 500 - item->data(Qt::UserRole).toInt());
  } else {
    radio_span_->setChecked(true);
    if (sender->currentRow() >= 0) {
      if (sender == span_left_) fchoices.SetContextHorizonLeft(static_cast<int16_t>(sender->currentRow()));
      else fchoices.SetContextHorizonRight(static_cast<int16_t>(sender->currentRow()));
    }
  }
  CheckAndStoreChoices();
}

// --- buttons -------------------------------------------------------------------------------------

void TFormStartWizardC::ButtonOKClick() {
  SWBatch = false;
  if (!CheckAndStoreChoices()) {
    VXDialog(TVXDialog::InformationMessage,
             {TSearchInputCheck{TSearchInputProblem::kNothingToSearchFor, {}}.Message()});
    return;
  }
  if (search_box_->isEnabled()) {
    const TSearchInputCheck check = CheckSearchInput(BoxText(search_box_));
    if (check.problem != TSearchInputProblem::kNone) {
      VXDialog(TVXDialog::InformationMessage, {check.Message()});
      return;
    }
  }
  if (radio_span_->isChecked()) {
    ClearExactPosition(fchoices);
    fContextWordItems.exact_position = false;
    fContextWordItems.required_distance = 0;
  }
  SetConcSaveRec(fchoices);
  const TRunChoice choice = radio_text_batch_->isChecked() ? TRunChoice::kTextBatch
                            : radio_one_->isChecked()      ? TRunChoice::kOne
                                                           : TRunChoice::kSearchWordBatch;
  const TRunRequestMessage m = RunRequestFor(choice);
  SWBatch = m.sw_batch;
  if (main_window_) PostWindowMessage(main_window_.data(), m.msg, m.wparam, m.lparam);
  SetModalResult(mrOK);
}

void TFormStartWizardC::ChooseTextsButtonClick() {
  // The chooser opens on the choice this window shows, handed over first; a window without texts
  // says so, and the chooser opens empty rather than on whatever was handed over last.
  if (fChosenFiles && fChosenFiles->FileCount() > 0 && fChosenFiles->SavedToTempFile())
    SetChosenTextFiles(true, fChosenFiles->TempFilename(), fChosenFiles->FileCount());
  else
    SetChosenTextFiles(false, u"", 0);
  SetActiveChildToolWindow(kToolConcordancer, WindowIdOf(this));
  PostToController(kCodeChooseTexts);
}

void TFormStartWizardC::ButtonSWsFromFileClick() {
  if (load_button_->text().startsWith(QStringLiteral("Clear"))) {
    load_button_->setText(QStringLiteral("Load"));
    search_box_->setEnabled(true);
    SearchWordItems.Clear();
    return;
  }
  const UString name = FromQString(file_edit_->text());
  if (name.empty()) return;
  if (!FileExists(name)) {
    VXDialog(TVXDialog::FailedToFind, {name});
    return;
  }
  SearchWordItems.Clear();
  chosen_list_->clear();
  if (SearchWordItems.LoadFromFile(name, fchoices.WantedPerSearchWord())) {
    for (int i = 0; i < SearchWordItems.Count(); ++i) chosen_list_->addItem(ToQString(SearchWordItems.GetPtr(i)->sw));
    search_box_->setEnabled(false);
    SetConcordanceSWFilename(name);
    load_button_->setText(QStringLiteral("Clear %1").arg(SearchWordItems.Count()));
  }
}

void TFormStartWizardC::ButtonSWsBrowseClick() {
  TFileDialogRequest r;
  r.filter = u"Text files (*.txt);;All files (*)";
  const UString named = TrimU(FromQString(file_edit_->text()));
  const UString folder = ExtractFilePath(named);
  r.folder = IncludeTrailingPathDelimiter(folder.empty() ? GetUserReadWriteFolder() : folder);
  r.file_name = ExtractFileName(named);
  UString chosen;
  if (TFileDialogs* dialogs = file_dialogs_ ? file_dialogs_() : nullptr) {
    if (!dialogs->ChooseFileToOpen(r, chosen)) return;
  } else {
    // The box's own choice of the program's dialogs or the desktop's.
    const bool desktop = file_edit_->property(kFileNameBoxProperty).toInt() == 1;
    const QFileDialog::Options kind = desktop ? QFileDialog::Options() : QFileDialog::DontUseNativeDialog;
    chosen = FromQString(QFileDialog::getOpenFileName(this, QStringLiteral("Search-word file"),
                                                      ToQString(r.folder + r.file_name), ToQString(r.filter), nullptr, kind));
    if (chosen.empty()) return;
  }
  file_edit_->setText(ToQString(chosen));
}

void TFormStartWizardC::ButtonTagFileEditClick() {
  UString name = TrimU(FromQString(file_edit_->text()));
  if (name.empty()) {
    VXDialog(TVXDialog::InformationMessage, {u"Type the name of a search-word file first, then press Edit."});
    return;
  }
  if (name.find(u'/') == UString::npos) name = IncludeTrailingPathDelimiter(GetUserReadWriteFolder()) + name;
  if (!FileExists(name) && !SaveBytesOrSay(name, Utf16FileBytes(u""))) return;
  file_edit_->setText(ToQString(name));
  if (!launcher_ || !launcher_->EditFile(name))
    VXDialog(TVXDialog::InformationMessage, {u"No editor could be started for " + name + u"."});
}

// --- history -------------------------------------------------------------------------------------

void TFormStartWizardC::SaveHistoryLists() {
  fhistory_saved = true;
  LoadOrSaveHistoryLists(true);
}

void TFormStartWizardC::LoadOrSaveHistoryLists(bool save) {
  const std::array<QComboBox*, kHistoryFiles> boxes{search_box_, context_box_, exclusion_box_};
  const UString folder = GetUserReadWriteFolder();
  for (int i = 0; i < kHistoryFiles; ++i) {
    QComboBox* box = boxes[static_cast<size_t>(i)];
    std::vector<UString> items = BoxItems(box);
    AddTypedToHistory(items, BoxText(box));
    SetBoxItems(box, items);
    const UString file = folder + HistoryFileName(i);
    if (save) {
      if (!SaveHistoryFile(file, items)) VXDialog(TVXDialog::FailedToSave, {file});
    } else if (auto loaded = LoadHistoryFile(file)) {
      SetBoxItems(box, *loaded);
    }
  }
}

// --- paste characters ----------------------------------------------------------------------------

void TFormStartWizardC::AddAnySingleCharsToPopupMenu() {
  const char32_t c = GetTempOne32char();
  if (c == 0 || FPopupActive) return;
  if (paste_items_.Offer(c)) RebuildPasteMenu();
}

void TFormStartWizardC::RebuildPasteMenu() {
  word_menu_->clear();
  for (char32_t c : paste_items_.items) {
    QAction* a = word_menu_->addAction(ToQString(TPasteCharacterItems::Caption(c)));
    a->setData(static_cast<uint>(c));
    connect(a, &QAction::triggered, this, [this, c] { PasteCharacter(c); });
  }
  QAction* paste = word_menu_->addAction(QStringLiteral("Paste"));
  connect(paste, &QAction::triggered, this, [] {
    if (auto* edit = qobject_cast<QLineEdit*>(QApplication::focusWidget())) edit->paste();
  });
}

void TFormStartWizardC::PasteCharacter(char32_t c) {
  QWidget* focus = QApplication::focusWidget();
  auto* edit = qobject_cast<QLineEdit*>(focus);
  if (!edit)
    if (auto* box = qobject_cast<QComboBox*>(focus)) edit = box->lineEdit();
  if (edit) edit->insert(ToQString(TPasteCharacterItems::AsText(c)));
}
