#include "windows/modify_source_texts_window.h"

#include <pwd.h>
#include <algorithm>
#include <cstdio>
#include <unistd.h>

#include <QApplication>
#include <QCheckBox>
#include <QDateTimeEdit>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "platform/rtl/datetime.h"
#include "platform/rtl/files.h"
#include "shell/qt/help_access.h"
#include "shell/qt/qt_application.h"
#include "windows/dialog_parts.h"

namespace {

constexpr int kModifyHelpContext = 4920;
constexpr int kNotesShown = 5;

QDateTime ToQDateTime(TDateTime t) {
  int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
  DecodeDateTime(t, y, mo, d, h, mi, s);
  return QDateTime(QDate(y, mo, d), QTime(h, mi, s));
}

TDateTime FromQDateTime(const QDateTime& q) {
  TDateTime t = 0;
  TryEncodeDateTime(q.date().year(), q.date().month(), q.date().day(), q.time().hour(), q.time().minute(), 0, t);
  return t;
}

QCheckBox* DateBox(QWidget* parent) {
  auto* b = new QCheckBox(QStringLiteral("add time && date stamp"), parent);
  b->setChecked(true);
  return b;
}

}  // namespace

UString StampShown(UStringView stamp) {
  int v[5] = {};
  const int widths[5] = {4, 2, 2, 2, 2};
  bool digits = stamp.size() == 12;
  size_t at = 0;
  for (int k = 0; k < 5 && digits; ++k)
    for (int i = 0; i < widths[k]; ++i, ++at) {
      if (stamp[at] < u'0' || stamp[at] > u'9') digits = false;
      else v[k] = v[k] * 10 + (stamp[at] - u'0');
    }
  TDateTime t = 0;
  if (!digits || !TryEncodeDateTime(v[0], v[1], v[2], v[3], v[4], 0, t))
    return stamp.empty() ? UString(u"(no date)") : UString(stamp) + u" (not a date)";
  char buf[24];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d", v[0], v[1], v[2], v[3], v[4]);
  return Latin1ToUtf16(buf);
}

UString UndoEntryRow(const TModificationLogEntry& e) {
  const UString initials = e.Field(1).empty() ? UString(u"-") : e.Field(1);
  const UString kind = e.Field(5);
  UString what;
  if (kind == u"SET") what = u"Set value \u201C" + e.Field(9) + u"\u201D inserted";
  else if (kind == u"SEARCHWORD") what = u"\u201C" + e.Field(7) + u"\u201D marked with \u201C" + e.Field(4) + u"\u201D";
  else what = kind.empty() ? UString(u"(no kind)") : kind;
  return StampShown(e.Field(2)) + u"   " + initials + u"   " + what + u" in " + ExtractFileName(e.Field(3)) +
         u" at character " + e.Field(6);
}

UString AccountInitials() {
  UString name;
  if (const passwd* pw = getpwuid(getuid()); pw) {
    std::string full = pw->pw_gecos ? pw->pw_gecos : "";
    full = full.substr(0, full.find(','));  // the other parts are rooms and telephones
    name = Utf8ToUtf16(full.empty() && pw->pw_name ? pw->pw_name : full);
  }
  UString initials;
  bool word_start = true;
  for (char16_t c : name) {
    const bool blank = c == u' ' || c == u'-' || c == u'.';
    if (!blank && word_start) initials += c;
    word_start = blank;
    if (initials.size() >= 4) break;
  }
  return initials;
}

TFormModifySourceTexts::TFormModifySourceTexts(QWidget* parent) : TVXDialogForm(parent) {
  setWindowTitle(QStringLiteral("Modify Source Texts"));
  // Log entries carry a whole path: room for them to be read without scrolling.
  setMinimumWidth(640);
  SetHelpContext(this, kModifyHelpContext);
  const QString initials = ToQString(AccountInitials());
  auto* column = new QVBoxLayout(this);
  pages_ = new QTabWidget(this);
  pages_->setObjectName(QStringLiteral("ElPageControl1"));
  column->addWidget(pages_);

  auto* set_page = new QWidget(pages_);
  auto* set_group = new QGroupBox(QStringLiteral("Insert Set value"), set_page);
  auto* set_form = new QFormLayout(set_group);
  set_initials_ = new QLineEdit(initials, set_group);
  set_initials_->setObjectName(QStringLiteral("ElEditInitialsSET"));
  set_form->addRow(QStringLiteral("your initials (optional)"), set_initials_);
  set_date_ = DateBox(set_group);
  set_form->addRow(set_date_);
  auto* set_ok = set_ok_ = new QPushButton(QStringLiteral("OK"), set_group);
  set_ok->setObjectName(QStringLiteral("ElPopupButtonSET"));
  set_form->addRow(set_ok);
  (new QVBoxLayout(set_page))->addWidget(set_group);
  pages_->addTab(set_page, QStringLiteral("Set"));

  auto* sw_page = new QWidget(pages_);
  auto* sw_group = new QGroupBox(QStringLiteral("Mark the search-word or phrase"), sw_page);
  auto* sw_form = new QFormLayout(sw_group);
  space_ = new QLineEdit(QStringLiteral("_"), sw_group);
  space_->setObjectName(QStringLiteral("ElEditSW"));
  space_->setMaxLength(1);
  sw_form->addRow(QStringLiteral("replace spaces with "), space_);
  sw_initials_ = new QLineEdit(initials, sw_group);
  sw_initials_->setObjectName(QStringLiteral("ElEditInitialsSW"));
  sw_form->addRow(QStringLiteral("your initials"), sw_initials_);
  sw_date_ = DateBox(sw_group);
  sw_form->addRow(sw_date_);
  auto* sw_ok = sw_ok_ = new QPushButton(QStringLiteral("OK"), sw_group);
  sw_ok->setObjectName(QStringLiteral("ElPopupButtonSW"));
  sw_form->addRow(sw_ok);
  (new QVBoxLayout(sw_page))->addWidget(sw_group);
  pages_->addTab(sw_page, QStringLiteral("Search-phrase"));

  auto* undo_page = new QWidget(pages_);
  auto* undo_layout = new QVBoxLayout(undo_page);
  undo_list_ = new QListWidget(undo_page);
  undo_list_->setObjectName(QStringLiteral("ElListBoxUndo"));
  undo_layout->addWidget(undo_list_);
  auto* undo_form = new QFormLayout;
  only_by_ = new QCheckBox(QStringLiteral("only by"), undo_page);
  undo_initials_ = new QLineEdit(initials, undo_page);
  undo_initials_->setObjectName(QStringLiteral("ElEditUndoInitials"));
  undo_form->addRow(only_by_, undo_initials_);
  at_ = new QCheckBox(QStringLiteral("at"), undo_page);
  moment_ = new QDateTimeEdit(ToQDateTime(Now()), undo_page);
  moment_->setDisplayFormat(QStringLiteral("yyyy-MM-dd hh:mm"));
  moment_->setCalendarPopup(true);
  undo_form->addRow(at_, moment_);
  stamp_ = new QLabel(ToQString(NowAsTimeStamp()), undo_page);
  stamp_->setObjectName(QStringLiteral("ElLabel4"));
  undo_form->addRow(QStringLiteral("time stamp"), stamp_);
  undo_layout->addLayout(undo_form);
  auto* undo_button = new QPushButton(QStringLiteral("Undo"), undo_page);
  undo_button->setObjectName(QStringLiteral("ElPopupButtonUndo"));
  undo_layout->addWidget(undo_button);
  pages_->addTab(undo_page, QStringLiteral("Undo"));

  // What a modification did, below the pages once it is done.
  report_summary_ = new QLabel(this);
  report_summary_->setObjectName(QStringLiteral("ElLabelReport"));
  report_summary_->setWordWrap(true);
  column->addWidget(report_summary_);
  report_list_ = new QListWidget(this);
  report_list_->setObjectName(QStringLiteral("ElListBoxReport"));
  column->addWidget(report_list_);
  report_summary_->hide();
  report_list_->hide();

  const TDialogButtons b = AddDialogButtons(this, column, true, kModifyHelpContext, QStringLiteral("Close"));
  connect(b.ok, &QPushButton::clicked, this, [this] { SetModalResult(mrCancel); });
  connect(b.cancel, &QPushButton::clicked, this, [this] { SetModalResult(mrCancel); });
  b.cancel->hide();
  connect(set_ok, &QPushButton::clicked, this, [this] { SetOKClick(); });
  connect(sw_ok, &QPushButton::clicked, this, [this] { SearchWordOKClick(); });
  connect(undo_button, &QPushButton::clicked, this, [this] { UndoClick(); });
  connect(only_by_, &QCheckBox::toggled, this, [this] { OnlyByClick(); });
  connect(at_, &QCheckBox::toggled, this, [this] { AtClick(); });
  connect(pages_, &QTabWidget::currentChanged, this, [this](int page) {
    if (page == 2) FillUndoList();
  });
}

void TFormModifySourceTexts::SetModification_Wanted(TModifySourceTexts value) {
  wanted_ = value;
  switch (value) {
    case TModifySourceTexts::mst_set: pages_->setCurrentIndex(0); break;
    case TModifySourceTexts::mst_search_word: pages_->setCurrentIndex(1); break;
    case TModifySourceTexts::mst_undo:
      if (pages_->currentIndex() == 2) FillUndoList();
      else pages_->setCurrentIndex(2);
      break;
    default: break;
  }
}

UString TFormModifySourceTexts::Initials() const {
  return TrimU(FromQString(wanted_ == TModifySourceTexts::mst_search_word ? sw_initials_->text()
                                                                          : set_initials_->text()));
}

bool TFormModifySourceTexts::DateStamp() const {
  return (wanted_ == TModifySourceTexts::mst_search_word ? sw_date_ : set_date_)->isChecked();
}

UString TFormModifySourceTexts::SpaceReplacement() const { return FromQString(space_->text()); }

void TFormModifySourceTexts::SetOKClick() {
  if (UString p = MarkupValueProblem(TrimU(FromQString(set_initials_->text())), u"The initials", false); !p.empty()) {
    ShowRefusal(p);
    return;
  }
  wanted_ = TModifySourceTexts::mst_set;
  ChoiceMade();
}

void TFormModifySourceTexts::SearchWordOKClick() {
  const UString joiner = FromQString(space_->text());
  if (joiner.size() != 1 || joiner[0] == u' ' || !MarkupValueProblem(joiner, u"", false).empty()) {
    ShowRefusal(u"Replace spaces with: give one character, not a blank, tab, quote or angle bracket");
    return;
  }
  if (UString p = MarkupValueProblem(TrimU(FromQString(sw_initials_->text())), u"The initials", false); !p.empty()) {
    ShowRefusal(p);
    return;
  }
  wanted_ = TModifySourceTexts::mst_search_word;
  ChoiceMade();
}

void TFormModifySourceTexts::ChoiceMade() {
  if (!carry_out_) {
    SetModalResult(mrOK);
    return;
  }
  const TModificationDone done = carry_out_();
  modified_ = true;
  // The lines now name the changed texts' new bytes: a second go would change them again.
  set_ok_->setEnabled(false);
  sw_ok_->setEnabled(false);
  ShowDone(done);
}

void TFormModifySourceTexts::ShowDone(const TModificationDone& done) {
  UString said = IntToUStr(std::max(done.made, 0)) + (done.made == 1 ? u" change made." : u" changes made.");
  if (!done.refused.empty())
    said += u" Not changed (" + IntToUStr(static_cast<int64_t>(done.refused.size())) + u"), and why:";
  report_summary_->setText(ToQString(said));
  report_summary_->show();
  report_list_->clear();
  for (const UString& r : done.refused) {
    auto* item = new QListWidgetItem(ToQString(r), report_list_);
    item->setToolTip(ToQString(r));
  }
  report_list_->setVisible(!done.refused.empty());
}

void TFormModifySourceTexts::FillUndoList() {
  undo_list_->clear();
  entries_.clear();
  TModificationLog log;
  UString error;
  if (!ReadModificationLog(ModificationLogFileName(), log, error)) {
    ShowRefusal(error);
    return;
  }
  entries_ = log.entries;
  for (const TModificationLogEntry& e : entries_) {
    auto* item = new QListWidgetItem(ToQString(UndoEntryRow(e)), undo_list_);
    // The record as the log holds it, for whoever needs the whole path or every field.
    item->setToolTip(ToQString(e.Field(3)));
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(Qt::Checked);
  }
  if (!log.latest_stamp.empty()) {
    stamp_->setText(ToQString(StampShown(log.latest_stamp)));
    moment_->setDateTime(ToQDateTime(TimeStampToDateTime(log.latest_stamp)));
  }
}

namespace {
void TickAs(QListWidget* list, const std::vector<bool>& ticks) {
  for (int i = 0; i < list->count(); ++i)
    list->item(i)->setCheckState(static_cast<size_t>(i) < ticks.size() && ticks[static_cast<size_t>(i)]
                                     ? Qt::Checked
                                     : Qt::Unchecked);
}
}  // namespace

void TFormModifySourceTexts::OnlyByClick() {
  TickAs(undo_list_, only_by_->isChecked() ? EntriesByInitials(entries_, FromQString(undo_initials_->text()))
                                           : std::vector<bool>());
}

void TFormModifySourceTexts::AtClick() {
  std::vector<bool> ticks;
  if (at_->isChecked()) {
    const UString stamp = DateTimeAsTimeStamp(FromQDateTime(moment_->dateTime()));
    stamp_->setText(ToQString(StampShown(stamp)));
    ticks = EntriesAtStamp(entries_, stamp);
  }
  TickAs(undo_list_, ticks);
}

void TFormModifySourceTexts::UndoClick() {
  undone_ = 0;
  std::vector<TModificationLogEntry> ticked;
  for (int i = 0; i < undo_list_->count() && static_cast<size_t>(i) < entries_.size(); ++i)
    if (undo_list_->item(i)->checkState() == Qt::Checked) ticked.push_back(entries_[static_cast<size_t>(i)]);
  if (ticked.empty()) return;
  const TUndoResult r = UndoListedModifications(ModificationLogFileName(), ticked);
  undone_ = r.undone;
  UString said = r.log_problem;
  for (size_t i = 0; i < r.notes.size() && i < kNotesShown; ++i) said += (said.empty() ? u"" : u"\n") + r.notes[i];
  if (r.notes.size() > kNotesShown) said += u"\n... and " + IntToUStr(static_cast<int64_t>(r.notes.size() - kNotesShown)) + u" more";
  if (!said.empty()) ShowRefusal(u"Not undone:\n" + said);
  if (undone_ > 0) {
    QApplication::beep();
    FillUndoList();
  }
}
