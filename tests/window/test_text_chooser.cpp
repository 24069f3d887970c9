#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/time.h>
#include <unistd.h>

#include <algorithm>

#include <QApplication>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QTest>

#include "model/chosen_texts_test_support.h"
#include "platform/rtl/files.h"
#include "platform/runtime/vx_dialogs.h"
#include "platform/settings/settings_access.h"
#include "platform/settings/window_registry.h"
#include "shell/main_window/controller_messages.h"
#include "shell/qt/controller_stand_in.h"
#include "shell/qt/text_chooser.h"
#include "shell/qt/window_messages.h"
#include "shell/services/suite_services.h"
#include "support/temp_folder.h"
#include "window/window_test_support.h"

namespace {

class TCodeWindow : public QWidget {
 public:
  bool event(QEvent* e) override {
    if (e->type() != TWindowMessageEvent::EventType()) return QWidget::event(e);
    codes.push_back(CodeOfWParam(static_cast<TWindowMessageEvent*>(e)->wparam));
    return true;
  }
  std::vector<uint16_t> codes;
};

}  // namespace

// Settings > Choose texts with no controller program: the stand-in opens the tool's chooser.
TEST(TextChooser, ChosenTextsReachTheStoreAndTheTool) {
  TempFolder dir;
  setenv("LINZORA_CONFIG_DIR", Utf16ToUtf8(dir.Path() + u"config").c_str(), 1);
  ResetSettingsStoreForTests();
  ResetWindowRegister();
  THeadlessDialogService dialogs;
  SetDialogService(&dialogs);
  TCodeWindow tool;
  TQtControllerStandIn stand_in;
  stand_in.Install();
  InstallMessageBridge();
  RegisterToolWindow(WindowIdOf(&tool));
  TTextChooser* chooser = nullptr;
  stand_in.SetChooseTexts([&] {
    chooser = new TTextChooser(kToolConcordancer);
    chooser->show();
  });

  PostToController(ControllerCodeOfMenuTag(69));
  QApplication::processEvents();
  ASSERT_NE(chooser, nullptr);

  // A long folder keeps its last parts in view, a long name its start and its end.
  const UString corpus = dir.Path() + u"letters and diaries collected over many years by the society/corpus/";
  chooser->AddFiles({dir.Write(u"letters and diaries collected over many years by the society/corpus/letters.txt",
                               "Dear sir"),
                     dir.Write(u"letters and diaries collected over many years by the society/corpus/"
                               u"diary of a country parson, volume one, 1758 to 1761.txt",
                               "Monday, caf\xC3\xA9")});
  dir.Write(u"letters and diaries collected over many years by the society/corpus/novels/ch1.txt", "It was");
  dir.Write(u"letters and diaries collected over many years by the society/corpus/novels/ch2.txt", "a dark");
  chooser->AddFolder(corpus + u"novels");
  const UString zip = MakeZip(corpus + u"press.zip", {{u"2001/jan.txt", "news"}, {u"2001/feb.txt", "more"}, {u"notes.txt", "n"}});
  chooser->AddZipMembers(zip, {u"2001/jan.txt", u"2001/feb.txt", u"../escape.txt"});
  ASSERT_EQ(dialogs.Asked().size(), 1u);  // the escaping member, refused and shown
  EXPECT_NE(dialogs.Asked()[0].text.find(u"leaves its folder"), UString::npos);
  EXPECT_EQ(chooser->Choice().Count(), 6);
  // The Kind column says what each text is.
  QStringList kinds;
  for (int row = 0; row < 6; ++row) kinds << chooser->Grid()->model()->index(row, 4).data().toString();
  kinds.sort();
  EXPECT_EQ(kinds, (QStringList{"UTF-8", "plain text (8-bit)", "plain text (8-bit)", "plain text (8-bit)",
                                "plain text (8-bit), zip member", "plain text (8-bit), zip member"}));
  QApplication::processEvents();
  const QImage shot = SaveScreenshot(*chooser, QStringLiteral("text_chooser"));
  EXPECT_GT(ColoursIn(shot), 10);
  EXPECT_GT(InkPixelsIn(shot, chooser->Grid()->geometry().adjusted(0, 30, 0, -100)), 100);
  // The folder's text reaches the right end of its cell: its start was cut, not its end.
  QRect folder_cell = chooser->Grid()->visualRect(chooser->Grid()->model()->index(0, 1));
  folder_cell.translate(chooser->Grid()->viewport()->mapTo(chooser, QPoint(0, 0)));
  EXPECT_GT(InkPixelsIn(shot, folder_cell.adjusted(folder_cell.width() * 2 / 3, 2, -2, -2)), 40);

  chooser->accept();
  UString file;
  int32_t count = 0;
  ASSERT_TRUE(GetChosenTextFiles(file, count));
  EXPECT_EQ(count, 6);
  EXPECT_TRUE(tool.codes.empty());  // posted: arrives once the loop runs
  QApplication::processEvents();
  EXPECT_EQ(tool.codes, std::vector<uint16_t>{kCodeTextsChosen});

  delete chooser;
  stand_in.Uninstall();
  SetOwnWindowPostHook(nullptr);
  global_own_HWnd = kNoWindow;
  SetDialogService(nullptr);
  ResetWindowRegister();
  unsetenv("LINZORA_CONFIG_DIR");
  ResetSettingsStoreForTests();
}

// A long name is shown whole where the window has room for it.
TEST(TextChooser, NamesAreShownWholeWhereTheWindowHasRoom) {
  TempFolder dir;
  setenv("LINZORA_CONFIG_DIR", Utf16ToUtf8(dir.Path() + u"config").c_str(), 1);
  ResetSettingsStoreForTests();
  TTextChooser chooser(kToolConcordancer);
  chooser.resize(1100, 500);
  chooser.show();
  DeliverPendingEvents();
  chooser.AddFiles({dir.Write(u"1790_george_washington_n.txt", "x"), dir.Write(u"a.txt", "y")});
  DeliverPendingEvents();
  const QString name = QStringLiteral("1790_george_washington_n.txt");
  EXPECT_GT(chooser.Grid()->columnWidth(0), chooser.Grid()->fontMetrics().horizontalAdvance(name));
  chooser.reject();
  unsetenv("LINZORA_CONFIG_DIR");
  ResetSettingsStoreForTests();
}

// A click on the heading of the names, sizes or dates sorts the texts by it, a second click the
// other way round; the kind is no key. OK hands the texts over in the order shown.
TEST(TextChooser, AHeadingsClickSortsTheTexts) {
  TempFolder dir;
  setenv("LINZORA_CONFIG_DIR", Utf16ToUtf8(dir.Path() + u"config").c_str(), 1);
  ResetSettingsStoreForTests();
  TakeOwnWindowMessages();
  struct Text {
    const char16_t* name;
    size_t bytes;
    int year;
  } const texts[] = {{u"b_middle.txt", 40, 2005}, {u"a_biggest.txt", 300, 2010}, {u"c_smallest.txt", 5, 1999}};
  std::vector<UString> names;
  for (const Text& t : texts) {
    names.push_back(dir.Write(t.name, std::string(t.bytes, 'w')));
    std::tm when{};
    when.tm_year = t.year - 1900;
    when.tm_mday = 1;
    const timeval times[2] = {{timegm(&when), 0}, {timegm(&when), 0}};
    ASSERT_EQ(::utimes(Utf16ToUtf8(names.back()).c_str(), times), 0);
  }
  TTextChooser chooser(kToolConcordancer);
  chooser.resize(900, 400);
  chooser.show();
  chooser.AddFiles(names);
  ASSERT_EQ(chooser.Choice().Count(), 3);
  QHeaderView* heading = chooser.Grid()->horizontalHeader();
  auto click = [&](int column) {
    QTest::mouseClick(heading->viewport(), Qt::LeftButton, {},
                      QPoint(heading->sectionViewportPosition(column) + heading->sectionSize(column) / 2,
                             heading->height() / 2));
    QApplication::processEvents();
  };
  auto shown = [&] {
    QStringList order;
    for (int row = 0; row < 3; ++row) order << chooser.Grid()->model()->index(row, 0).data().toString();
    return order.join(QLatin1Char(' ')).toStdString();
  };
  const struct {
    int column;
    const char* order;
  } clicks[] = {
      {0, "a_biggest.txt b_middle.txt c_smallest.txt"},  // names
      {0, "c_smallest.txt b_middle.txt a_biggest.txt"},  // names, the other way round
      {2, "c_smallest.txt b_middle.txt a_biggest.txt"},  // sizes
      {3, "c_smallest.txt b_middle.txt a_biggest.txt"},  // dates
      {3, "a_biggest.txt b_middle.txt c_smallest.txt"},  // dates, newest first
      {4, "a_biggest.txt b_middle.txt c_smallest.txt"},  // the kind: no key, nothing moves
  };
  for (const auto& c : clicks) {
    click(c.column);
    EXPECT_EQ(shown(), c.order) << "column " << c.column;
  }
  EXPECT_EQ(heading->sortIndicatorSection(), -1);  // the kind shows no order
  SaveScreenshot(chooser, QStringLiteral("text_chooser_sorted"));

  chooser.accept();
  TVXFileDetails handed(false, kToolConcordancer);
  ASSERT_TRUE(handed.LoadedChosenFromTempFile());
  ASSERT_EQ(handed.FileCount(), 3);
  EXPECT_EQ(handed.GetFullFileDetails(0).rec.filename, u"a_biggest.txt");
  EXPECT_EQ(handed.GetFullFileDetails(2).rec.filename, u"c_smallest.txt");
  TakeOwnWindowMessages();
  unsetenv("LINZORA_CONFIG_DIR");
  ResetSettingsStoreForTests();
}

TEST(TextChooser, CancelChangesNothing) {
  TempFolder dir;
  setenv("LINZORA_CONFIG_DIR", Utf16ToUtf8(dir.Path() + u"config").c_str(), 1);
  ResetSettingsStoreForTests();
  TakeOwnWindowMessages();
  TTextChooser chooser(kToolConcordancer);
  chooser.AddFiles({dir.Write(u"a.txt", "x")});
  chooser.reject();
  UString file;
  int32_t count = 0;
  EXPECT_FALSE(GetChosenTextFiles(file, count));
  EXPECT_TRUE(TakeOwnWindowMessages().empty());
  unsetenv("LINZORA_CONFIG_DIR");
  ResetSettingsStoreForTests();
}

namespace {
// Files made with plain system calls: 100,000 of them take a moment, not minutes.
void MakeManyTexts(const UString& folder, int count) {
  ASSERT_TRUE(ForceDirectories(folder));
  const std::string base = Utf16ToUtf8(IncludeTrailingPathDelimiter(folder));
  for (int i = 0; i < count; ++i) {
    const std::string name = base + "text" + std::to_string(100000 + i) + ".txt";
    const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0) << name;
    ASSERT_EQ(::write(fd, "words", 5), 5);
    ::close(fd);
  }
}
}  // namespace

TEST(TextChooser, AHundredThousandTextsListWithProgressAndStop) {
  TempFolder dir;
  THeadlessDialogService dialogs;
  SetDialogService(&dialogs);
  constexpr int kTexts = 100000;
  // Two sub-folders, so the walk also tells where it is.
  MakeManyTexts(dir.Path() + u"corpus/a", kTexts / 2);
  MakeManyTexts(dir.Path() + u"corpus/b", kTexts / 2);
  TTextChooser chooser(kToolConcordancer);
  chooser.SetProgressInterval(1);
  chooser.show();
  auto* buttons = chooser.findChild<QDialogButtonBox*>();
  ASSERT_NE(buttons, nullptr);

  std::vector<int> seen;
  bool idle_controls_enabled = true;
  bool stop_enabled = false;
  const auto connection = QObject::connect(&chooser, &TTextChooser::Collecting, [&](int n) {
    seen.push_back(n);
    EXPECT_EQ(chooser.Grid()->model()->rowCount(), std::min(n, 1000));  // the first rows show at once
    idle_controls_enabled = idle_controls_enabled && buttons->isEnabled();
    stop_enabled = chooser.StopButton()->isEnabled();
    if (n >= 2000 && chooser.StopButton()->isEnabled()) {
      const QImage shot = SaveScreenshot(chooser, QStringLiteral("text_chooser_collecting"));
      EXPECT_GT(InkPixelsIn(shot, chooser.Status()->geometry()), 50);
      EXPECT_GT(InkPixelsIn(shot, chooser.Grid()->geometry().adjusted(0, 30, 0, -30)), 100);
      chooser.reject();  // Escape: stops the walk, the dialog stays
    }
  });
  chooser.AddFolder(dir.Path() + u"corpus");
  ASSERT_GE(seen.size(), 2u);
  EXPECT_FALSE(idle_controls_enabled);
  EXPECT_TRUE(stop_enabled);
  EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
  const int kept = chooser.Choice().Count();
  EXPECT_GT(kept, 0);
  EXPECT_LT(kept, kTexts);
  EXPECT_TRUE(chooser.isVisible());
  EXPECT_TRUE(buttons->isEnabled());
  EXPECT_FALSE(chooser.StopButton()->isEnabled());
  EXPECT_EQ(chooser.Grid()->model()->rowCount(), kept);
  EXPECT_TRUE(chooser.Status()->text().startsWith(QStringLiteral("stopped")));
  EXPECT_TRUE(dialogs.Asked().empty());

  QObject::disconnect(connection);
  seen.clear();
  QObject::connect(&chooser, &TTextChooser::Collecting, [&](int n) { seen.push_back(n); });
  chooser.ClearAll();
  chooser.AddFolder(dir.Path() + u"corpus");
  EXPECT_GT(seen.size(), 1u);
  ASSERT_EQ(chooser.Choice().Count(), kTexts);
  EXPECT_EQ(chooser.Grid()->model()->rowCount(), kTexts);
  EXPECT_EQ(chooser.Status()->text(), QStringLiteral("100,000 texts"));
  chooser.Grid()->scrollToBottom();
  QApplication::processEvents();
  const QModelIndex last = chooser.Grid()->model()->index(kTexts - 1, 4);
  EXPECT_EQ(last.data().toString(), QStringLiteral("plain text (8-bit)"));
  const QImage shot = SaveScreenshot(chooser, QStringLiteral("text_chooser_100000"));
  EXPECT_GT(InkPixelsIn(shot, chooser.Grid()->geometry().adjusted(0, 30, 0, -30)), 100);
  SetDialogService(nullptr);
}
