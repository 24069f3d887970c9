#include "windows/extra_text_grid_window.h"

#include <QHeaderView>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QVBoxLayout>

#include "model/reading/text_languages.h"
#include "platform/rtl/files.h"
#include "platform/settings/settings_access.h"
#include "shell/files/saved_texts.h"
#include "shell/qt/qt_application.h"

namespace {

constexpr int kRoleRightToLeft = Qt::UserRole + 1;

// A row's text drawn in its own direction: a right-to-left language from the right.
class TDirectionDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

 protected:
  void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
    QStyledItemDelegate::initStyleOption(option, index);
    if (index.data(kRoleRightToLeft).toBool()) {
      option->direction = Qt::RightToLeft;
      option->displayAlignment = Qt::AlignAbsolute | Qt::AlignRight | Qt::AlignVCenter;
      option->text = RightToLeftRowAsDrawn(option->text);
    }
  }
};

}  // namespace

QString RightToLeftRowAsDrawn(const QString& text) {
  const qsizetype tab = text.indexOf(QLatin1Char('\t'));
  if (tab <= 0) return text;
  return QChar(0x2066) + text.left(tab) + QChar(0x2069) + text.mid(tab);  // left-to-right isolate
}

TFormTextStringGridExtra::TFormTextStringGridExtra(QWidget* parent, TFileLauncher* launcher)
    : TVXStylableForm<QWidget>(parent, Qt::Window), launcher_(launcher) {
  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(0, 0, 0, 0);
  grid_ = new QTableWidget(this);
  grid_->setObjectName(QStringLiteral("TextStringGridVirtual1"));
  grid_->setColumnCount(2);
  grid_->setColumnHidden(0, true);
  grid_->horizontalHeader()->hide();
  grid_->verticalHeader()->hide();
  grid_->horizontalHeader()->setStretchLastSection(true);
  grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  grid_->setWordWrap(true);
  grid_->setItemDelegateForColumn(1, new TDirectionDelegate(grid_));
  grid_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  column->addWidget(grid_);
  connect(grid_, &QTableWidget::cellDoubleClicked, this, [this] { GridDoubleClick(); });

  // The user's languages, each with its own font.
  TLinguaTessor languages;
  const UString file = IncludeTrailingPathDelimiter(GetUserReadWriteFolder()) + u"VX7_language_choices.ini";
  if (FileExists(file) && languages.LoadedFromFile(file)) FillFavouriteFonts(languages, GetTextSettings().FontName(), favourites_);
  resize(760, 300);
}

void TFormTextStringGridExtra::ClearLines() {
  rows_.clear();
  grid_->setRowCount(0);
}

void TFormTextStringGridExtra::Addlines(const TOtherFileDetailsList& details, UStringView caption) {
  setWindowTitle(ToQString(caption));
  const UString default_font = GetTextSettings().FontName();
  rows_.clear();
  for (int32_t i = 0; i < details.Count(); ++i) {
    TOtherFilename_Details_Rec d;
    if (!details.GetOne(i, d)) continue;
    rows_.push_back(LanguageRowOf(d.aline, d.source_file, favourites_, default_font));
  }
  grid_->setRowCount(static_cast<int>(rows_.size()));
  for (int r = 0; r < static_cast<int>(rows_.size()); ++r) {
    const TLanguageRow& row = rows_[static_cast<size_t>(r)];
    grid_->setItem(r, 0, new QTableWidgetItem(ToQString(row.source_file)));
    auto* item = new QTableWidgetItem(ToQString(row.text));
    QFont f = grid_->font();
    if (!row.font_name.empty()) f.setFamily(ToQString(row.font_name));
    item->setFont(f);
    item->setData(kRoleRightToLeft, row.right_to_left);
    item->setToolTip(ToQString(row.source_file));
    grid_->setItem(r, 1, item);
  }
  grid_->resizeRowsToContents();
}

void TFormTextStringGridExtra::GridDoubleClick() {
  const int r = grid_->currentRow();
  if (r < 0 || r >= static_cast<int>(rows_.size()) || !launcher_) return;
  launcher_->EditFile(rows_[static_cast<size_t>(r)].source_file);
}
