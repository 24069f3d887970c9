// Settings > Customise through the program's Settings menu: commands put on the lists' right-click
// menu appear there and run, and a shortcut given reaches the menu bar's item.
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDesktopServices>
#include <QMenu>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>

#include "platform/runtime/vx_tools.h"
#include "shell/menus/menu_store.h"
#include "shell/qt/customise_dialog.h"
#include "shell/qt/page_list.h"
#include "shell/qt/vx_grid.h"
#include "window/settings_dialog_road.h"

namespace {

constexpr int kCustomiseMenuItem = 71;
constexpr int kTagZap = 11, kTagCollocates = 34;

class CustomiseRoad : public SettingsDialogRoad {
 protected:
  void SetUp() override {
    SettingsDialogRoad::SetUp();
    Start();
    HandOverTexts(WriteRiverTexts(dir, 2, 3));
    ASSERT_EQ(LinesFor(u"river"), 6);
  }
  int ThroughTheMenu(const std::function<void(TCustomiseDialog&)>& fill) {
    return SettingsDialogRoad::ThroughTheMenu<TCustomiseDialog>(kCustomiseMenuItem, fill);
  }
  // Right-clicks the concordance grid as a user does; `use` gets the menu that pops up (nullptr
  // when none does) while it is open. The menu is closed afterwards.
  void RightClickGrid(const std::function<void(QMenu*)>& use) {
    TVX_Grid* grid = Main().ConcordanceGrid();
    const QPoint at = grid->viewport()->rect().center();
    bool seen = false;
    QTimer::singleShot(50, [&] {
      auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
      seen = true;
      use(menu);
      if (menu && menu->isVisible()) menu->close();
    });
    QContextMenuEvent click(QContextMenuEvent::Mouse, at, grid->viewport()->mapToGlobal(at));
    QApplication::sendEvent(grid->viewport(), &click);
    WaitUntil([&] { return seen; });
    if (!seen) use(nullptr);
  }
  static QStringList Captions(QMenu* menu) {
    QStringList out;
    if (menu)
      for (QAction* a : menu->actions())
        if (a->isVisible() && !a->isSeparator()) out << a->text().remove(QLatin1Char('&'));
    return out;
  }
};

}  // namespace

TEST_F(CustomiseRoad, ChosenCommandsAreOnTheRightClickMenuAndShortcutsOnTheMenu) {
  // Before any choice the menu holds the default commands.
  RightClickGrid([](QMenu* menu) {
    const QStringList captions = Captions(menu);
    EXPECT_TRUE(captions.contains(QStringLiteral("Copy"))) << captions.join(',').toStdString();
    EXPECT_FALSE(captions.contains(QStringLiteral("Zap"))) << captions.join(',').toStdString();
  });

  ASSERT_EQ(ThroughTheMenu([](TCustomiseDialog& d) {
              const int zap = d.RowOfTag(kTagZap), collocates = d.RowOfTag(kTagCollocates);
              ASSERT_GE(zap, 0);
              ASSERT_GE(collocates, 0);
              for (int r = 0; r < d.Commands()->rowCount(); ++r) d.Commands()->item(r, 0)->setCheckState(Qt::Unchecked);
              d.Commands()->item(zap, 0)->setCheckState(Qt::Checked);
              d.Commands()->item(collocates, 0)->setCheckState(Qt::Checked);
              d.Commands()->item(zap, 1)->setText(QStringLiteral("Ctrl+Alt+Z"));
              d.Commands()->scrollToItem(d.Commands()->item(collocates, 0));
              d.show();
              SettingsShot(d, "customise");
              d.accept();
            }),
            int(QDialog::Accepted));
  EXPECT_EQ(Main().Menus()->ActionOfTag(kTagZap)->shortcut(), QKeySequence(QStringLiteral("Ctrl+Alt+Z")));

  // The right-click menu holds the two commands (and reading the row aloud, always last); its
  // Collocates item computes them again.
  const int notes = Main().Doc()->fNotes.Count();
  RightClickGrid([&](QMenu* menu) {
    ASSERT_NE(menu, nullptr);
    SettingsShot(*menu, "customise_right_click");
    const QStringList captions = Captions(menu);
    EXPECT_TRUE(captions.contains(QStringLiteral("Zap"))) << captions.join(',').toStdString();
    EXPECT_TRUE(captions.contains(QStringLiteral("Collocates"))) << captions.join(',').toStdString();
    EXPECT_FALSE(captions.contains(QStringLiteral("Copy"))) << captions.join(',').toStdString();
    for (QAction* a : menu->actions())
      if (a->text().remove(QLatin1Char('&')) == QStringLiteral("Collocates")) {
        menu->close();
        a->trigger();
        break;
      }
  });
  EXPECT_TRUE(WaitUntil([&] { return Main().Doc()->fNotes.Count() > notes; }));

  // The dialog opens on what is stored.
  ThroughTheMenu([](TCustomiseDialog& d) {
    EXPECT_EQ(d.Commands()->item(d.RowOfTag(kTagZap), 0)->checkState(), Qt::Checked);
    EXPECT_EQ(d.Commands()->item(d.RowOfTag(kTagZap), 1)->text(), QStringLiteral("Ctrl+Alt+Z"));
    d.reject();
  });
}

// "Align" belongs to lists no page of this program shows: it cannot be ticked for the right-click
// menu, where it would never appear (the dialog says why); the commands the pages offer can be.
TEST_F(CustomiseRoad, ACommandNoListOffersCannotBeTickedForTheRightClickMenu) {
  constexpr int kTagAlign = 130;
  ThroughTheMenu([](TCustomiseDialog& d) {
    const int align = d.RowOfTag(kTagAlign), zap = d.RowOfTag(kTagZap);
    ASSERT_GE(align, 0);
    ASSERT_GE(zap, 0);
    QTableWidgetItem* item = d.Commands()->item(align, 0);
    EXPECT_EQ(item->text(), QStringLiteral("Align"));
    EXPECT_FALSE(item->flags() & Qt::ItemIsUserCheckable);
    EXPECT_FALSE(item->flags() & Qt::ItemIsEnabled);
    EXPECT_TRUE(item->toolTip().contains(QStringLiteral("No list of this program")));
    EXPECT_TRUE(d.Commands()->item(zap, 0)->flags() & Qt::ItemIsUserCheckable);
    d.Commands()->scrollToItem(item);
    d.show();
    SettingsShot(d, "customise_align");
    d.reject();
  });
}

TEST_F(CustomiseRoad, CancelAndRefusedChoicesChangeNothing) {
  const auto shortcuts = GetMenuCurrentShortcuts();
  ThroughTheMenu([](TCustomiseDialog& d) {
    d.Commands()->item(d.RowOfTag(kTagZap), 0)->setCheckState(Qt::Checked);
    d.Commands()->item(d.RowOfTag(kTagZap), 1)->setText(QStringLiteral("Ctrl+Alt+Z"));
    d.reject();
  });
  dialogs.Clear();
  ThroughTheMenu([](TCustomiseDialog& d) {
    d.Commands()->item(d.RowOfTag(kTagZap), 0)->setCheckState(Qt::Checked);
    d.Commands()->item(d.RowOfTag(kTagZap), 1)->setText(QStringLiteral("Ctrl+C"));
    d.accept();  // refused: Copy has it; the dialog stays open
    EXPECT_EQ(d.result(), int(QDialog::Rejected));
    d.reject();
  });
  ASSERT_EQ(dialogs.Asked().size(), 1u);
  EXPECT_NE(dialogs.Asked()[0].text.find(u"Zap, shortcut: Ctrl+C is also the shortcut of Copy"), UString::npos);
  EXPECT_EQ(GetMenuCurrentShortcuts(), shortcuts);
  EXPECT_FALSE(GetPopupMenuTagInUse(kTagZap));
  RightClickGrid([](QMenu* menu) { EXPECT_FALSE(Captions(menu).contains(QStringLiteral("Zap"))); });
}

namespace {

// The desktop's opener of help pages as the test sees it: every page asked for.
class HelpPagesAsked : public QObject {
  Q_OBJECT
 public:
  HelpPagesAsked() { QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "Open"); }
  ~HelpPagesAsked() override { QDesktopServices::unsetUrlHandler(QStringLiteral("file")); }
  Q_INVOKABLE void Open(const QUrl& url) { pages.push_back(url.toString()); }
  QStringList pages;
};

constexpr int kHelpMenuItem = 144;

}  // namespace

// The way help is reached, chosen under Customise, is the way Help > Help then takes.
TEST_F(CustomiseRoad, HelpOpensAsChosen) {
  HelpPagesAsked asked;
  // Help pages installed where the program looks for them.
  dir.Write(u"help/index.html", "<html></html>");
  SetTessorineHelpURL(u"file://" + dir.Path() + u"help/");
  struct TUrlBack {
    ~TUrlBack() { SetTessorineHelpURL(u""); }
  } url_back;
  ASSERT_EQ(ThroughTheMenu([](TCustomiseDialog& d) {
              EXPECT_EQ(d.HelpAccess()->currentIndex(), 1);  // as stored: the pages in the browser
              d.HelpAccess()->setCurrentIndex(2);
              d.accept();
            }),
            int(QDialog::Accepted));
  EXPECT_EQ(GetVXHelpAccessMode(), 2);
  Main().Menus()->ActionOfTag(kHelpMenuItem)->trigger();
  EXPECT_TRUE(asked.pages.isEmpty());
  ThroughTheMenu([](TCustomiseDialog& d) {
    EXPECT_EQ(d.HelpAccess()->currentIndex(), 2);
    d.HelpAccess()->setCurrentIndex(0);
    d.accept();
  });
  Main().Menus()->ActionOfTag(kHelpMenuItem)->trigger();
  ASSERT_EQ(asked.pages.size(), 1);
  EXPECT_TRUE(asked.pages[0].contains(QStringLiteral("index.html?contextid="))) << asked.pages[0].toStdString();
  // Cancel keeps the way chosen.
  ThroughTheMenu([](TCustomiseDialog& d) {
    d.HelpAccess()->setCurrentIndex(2);
    d.reject();
  });
  EXPECT_EQ(GetVXHelpAccessMode(), 0);
}

#include "test_customise_dialog.moc"
