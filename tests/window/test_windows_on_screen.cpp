// The windows the main window opens (word cloud, text viewer, Find Files, Delete If, Print
// Preview) open wholly on the screen of the main window, however large they would be.
#include <QPainter>
#include <QScreen>
#include <QTest>

#include "shell/main_window/controller_messages.h"
#include "shell/qt/print_preview.h"
#include "shell/qt/vx_grid.h"
#include "window/main_road_support.h"
#include "window/modal_answers.h"
#include "window/window_test_support.h"
#include "windows/conditions_window.h"
#include "windows/extra_details_window.h"
#include "windows/one_text_viewer.h"
#include "windows/word_cloud_options_dialog.h"
#include "windows/word_cloud_window.h"

namespace {

class WindowsOnScreen : public MainRoadTest {
 protected:
  // The screen's free area with the main window and the window drawn on it, for looking at.
  void SavePlacement(const QWidget& w, const char* name) {
    const QRect screen = Main().screen()->availableGeometry();
    QImage map(screen.size() / 2, QImage::Format_RGB32);
    map.fill(Qt::white);
    QPainter p(&map);
    p.scale(0.5, 0.5);
    p.translate(-screen.topLeft());
    p.setPen(QPen(Qt::darkGray, 4));
    p.drawRect(Main().frameGeometry());
    p.drawText(Main().frameGeometry().adjusted(10, 10, 0, 0), Qt::AlignLeft | Qt::AlignTop, QStringLiteral("main window"));
    p.setPen(QPen(Qt::blue, 6));
    p.drawRect(w.frameGeometry());
    p.drawText(w.frameGeometry().adjusted(10, 10, 0, 0), Qt::AlignLeft | Qt::AlignTop, QString::fromLatin1(name));
    p.end();
    map.save(ScreenshotFile(QStringLiteral("placed_") + QString::fromLatin1(name) + QStringLiteral(".png")));
  }
};

TEST_F(WindowsOnScreen, EachWindowOpensOnTheMainWindowsScreen) {
  ShowSampleRiverLines();
  ASSERT_NE(Main().Doc(), nullptr);
  struct Case {
    const char* name;
    std::function<QWidget*()> open;
  };
  const std::vector<Case> cases = {
      {"word_cloud",
       [this]() -> QWidget* {
         TurnTo("Collocates");
         ActOnNextModal([&](QDialog& d) {
           auto& options = static_cast<TFormWordCloudOptions&>(d);
           dialogs.Script({mrYes});
           options.ListBox()->setCurrentRow(15);
           options.AcceptChoice();
           options.SetModalResult(mrOK);
         });
         Main().HandleMenuCommand(179, u"");
         DeliverPendingEvents();
         return Main().WordCloudWindow();
       }},
      {"text_viewer",
       [this]() -> QWidget* {
         TurnTo("Concordance");
         TVX_Grid* grid = Main().ConcordanceGrid();
         emit grid->doubleClicked(grid->Model().index(0, 12));  // the line's file
         DeliverPendingEvents();
         return &Main().TextViewer();
       }},
      {"find_files",
       [this]() -> QWidget* {
         TurnTo("Concordance");
         Main().HandleMenuCommand(6, u"");
         DeliverPendingEvents();
         return Main().ExtraDetailsWindow();
       }},
      {"delete_if",
       [this]() -> QWidget* {
         TurnTo("Concordance");
         Main().HandleMenuCommand(85, u"");
         DeliverPendingEvents();
         return Main().ConditionsForm();
       }},
      {"print_preview",
       [this]() -> QWidget* {
         TurnTo("Concordance");
         Main().HandleMenuCommand(5, u"");
         DeliverPendingEvents();
         return Main().PrintPreview();
       }},
  };
  const QRect screen = Main().screen()->availableGeometry();
  for (const Case& c : cases) {
    QWidget* w = c.open();
    ASSERT_NE(w, nullptr) << c.name;
    ASSERT_TRUE(w->isVisible()) << c.name;
    QApplication::processEvents();
    EXPECT_TRUE(screen.contains(w->frameGeometry())) << c.name << ": " << w->frameGeometry().x() << ","
                                                     << w->frameGeometry().y() << " " << w->frameGeometry().width()
                                                     << "x" << w->frameGeometry().height() << " on "
                                                     << screen.width() << "x" << screen.height();
    SavePlacement(*w, c.name);
    SaveScreenshot(*w, QStringLiteral("placed_window_") + QString::fromLatin1(c.name));
    w->close();
  }
}

}  // namespace
