#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QTest>
#include <QTimer>

#include "shell/qt/qt_dialog_service.h"
#include "window/window_test_support.h"

namespace {

TVXQuestion Question(uint8_t buttons, int safe, int help = 0) {
  TVXQuestion q;
  q.kind = TVXDialogKind::Question;
  q.caption = u"Linzora";
  q.text = u"Save the changes to \u00e9t\u00e9.cnc before closing?";
  q.buttons = buttons;
  q.default_answer = safe;
  q.help_context = help;
  return q;
}

// Presses a button (by its standard kind) or a key once the box runs its loop.
void PressLater(QMessageBox& box, QMessageBox::StandardButton which) {
  QTimer::singleShot(0, &box, [&box, which] { box.button(which)->click(); });
}
void KeyLater(QMessageBox& box, Qt::Key key) {
  QTimer::singleShot(0, &box, [&box, key] { QTest::keyClick(&box, key); });
}

}  // namespace

TEST(QtDialogService, EachButtonAnswersItsResult) {
  struct Case { uint8_t buttons; QMessageBox::StandardButton press; int answer; };
  const Case cases[] = {
      {kBtnOK, QMessageBox::Ok, mrOK},
      {kBtnOKCancel, QMessageBox::Cancel, mrCancel},
      {kBtnYesNo, QMessageBox::Yes, mrYes},
      {kBtnYesNoCancel, QMessageBox::No, mrNo},
      {kBtnYesNoAll, QMessageBox::YesToAll, mrYesToAll},
      {kBtnYesNoAll, QMessageBox::NoToAll, mrNoToAll},
  };
  for (const Case& c : cases) {
    TQtDialogService s;
    s.SetBeforeShow([&](QMessageBox& box) { PressLater(box, c.press); });
    EXPECT_EQ(s.Ask(Question(c.buttons, mrCancel)), c.answer);
  }
}

TEST(QtDialogService, EscapeGivesTheSafeDefault) {
  struct Case { uint8_t buttons; int safe; };
  for (Case c : {Case{kBtnYesNo, mrNo}, Case{kBtnYesNoCancel, mrCancel}, Case{kBtnOK, mrOK}, Case{kBtnYesNoAll, mrNoToAll}}) {
    TQtDialogService s;
    s.SetBeforeShow([](QMessageBox& box) { KeyLater(box, Qt::Key_Escape); });
    EXPECT_EQ(s.Ask(Question(c.buttons, c.safe)), c.safe);
  }
}

TEST(QtDialogService, HelpOpensTheContextAndAsksAgain) {
  TQtDialogService s;
  std::vector<int> opened;
  s.SetHelpOpener([&](int context) { opened.push_back(context); });
  int shown = 0;
  QImage shot;
  s.SetBeforeShow([&](QMessageBox& box) {
    if (shown++ == 0) {
      PressLater(box, QMessageBox::Help);
    } else {
      QTimer::singleShot(0, &box, [&box, &shot] {
        shot = SaveScreenshot(box, QStringLiteral("question_dialog"));
        box.button(QMessageBox::Yes)->click();
      });
    }
  });
  EXPECT_EQ(s.Ask(Question(kBtnYesNoCancel, mrCancel, 5690)), mrYes);
  EXPECT_EQ(opened, std::vector<int>{5690});
  EXPECT_GT(ColoursIn(shot), 10);
}
