// The menu bar a new user meets: a window made as `main` makes it, from an empty settings folder,
// showing a concordance. Each command the README sends the user to is on that page's menus,
// visible and enabled, where the README says it is.
#include <QFile>
#include <QMenu>
#include <QMenuBar>

#include "platform/runtime/vx_tools.h"
#include "shell/qt/shell_menu_bar.h"
#include "window/main_road_support.h"

namespace {

QString Plain(QString caption) { return caption.remove(QLatin1Char('&')); }

// The visible action captioned `path[i]` at each level of the menu bar (nullptr when any level is
// missing or hidden).
QAction* VisibleItem(QMenuBar* bar, const std::vector<QString>& path) {
  QList<QAction*> level = bar->actions();
  QAction* found = nullptr;
  for (const QString& caption : path) {
    found = nullptr;
    for (QAction* a : level)
      if (a->isVisible() && Plain(a->text()) == caption) found = a;
    if (!found) return nullptr;
    if (found->menu()) level = found->menu()->actions();
  }
  return found;
}

QString Readme() {
  QFile f(QStringLiteral(LINZORA_SAMPLES_DIR "/../README.md"));
  if (!f.open(QIODevice::ReadOnly)) return {};
  return QString::fromUtf8(f.readAll()).simplified();
}

class MenusAsDescribed : public MainRoadTest {};

TEST_F(MenusAsDescribed, TheReadmesCommandsAreOnTheConcordancePage) {
  struct Case {
    std::vector<QString> path;  // top menu, (sub-menu,) item
    const char* readme;         // how the README names it
  };
  const std::vector<Case> cases = {
      {{"File", "Page Setup"}, "File > Page Setup"},
      {{"File", "Print..."}, "File > Print"},
      {{"File", "Print Preview"}, "Print Preview"},
      {{"Settings", "Index"}, "Customise (the right-click menus, shortcuts and how help opens) and Index"},
      {{"Settings", "Font"}, "Font (with precomposed characters)"},
      {{"Settings", "Language"}, "Language"},
      {{"View", "Tag display", "tags hidden"}, "View > Tag display"},
      {{"View", "Tag display", "tags as prefix"}, "View > Tag display"},
      {{"View", "Tag display", "tags as suffix"}, "View > Tag display"},
      {{"View", "tags coloured"}, "\"tags coloured\""},
      {{"View", "words coloured"}, "\"words coloured\""},
  };
  ShowSampleRiverLines();
  ASSERT_NE(TurnTo("Concordance"), nullptr);
  QApplication::processEvents();
  const QString readme = Readme();
  ASSERT_FALSE(readme.isEmpty());
  for (const Case& c : cases) {
    QAction* a = VisibleItem(Main().menuBar(), c.path);
    const QString where = c.path.front() + QStringLiteral(" > ") + c.path.back();
    EXPECT_NE(a, nullptr) << where.toStdString() << " is not on the concordance page's menus";
    if (a) {
      EXPECT_TRUE(a->isEnabled()) << where.toStdString();
    }
    EXPECT_TRUE(readme.contains(QString::fromUtf8(c.readme))) << c.readme << " is not in the README";
  }
}

}  // namespace

// Help without installed help pages: Help > Tessorine Help and F1 each say which file is missing.
TEST_F(MenusAsDescribed, HelpWithoutHelpPagesSaysSo) {
  SetTessorineHelpURL(u"file://" + dir.Path() + u"no_help/");
  struct TUrlBack {
    ~TUrlBack() { SetTessorineHelpURL(u""); }
  } url_back;
  Start();
  struct Case {
    const char* what;
    std::function<void()> ask;
  };
  const std::vector<Case> cases = {
      {"Help menu", [&] { Main().Menus()->ActionOfTag(144)->trigger(); }},
      {"F1", [&] { QTest::keyClick(&Main(), Qt::Key_F1); }},
  };
  for (const Case& c : cases) {
    dialogs.Clear();
    c.ask();
    WaitUntil([&] { return !dialogs.Asked().empty(); });
    ASSERT_EQ(dialogs.Asked().size(), 1u) << c.what;
    const UString said = dialogs.Asked()[0].text;
    EXPECT_NE(said.find(u"not installed"), UString::npos) << c.what << ": " << Utf16ToUtf8(said);
    EXPECT_NE(said.find(dir.Path() + u"no_help/index.html"), UString::npos) << c.what << ": " << Utf16ToUtf8(said);
  }
}
