#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QStatusBar>
#include <functional>
#include <optional>

#include "exception_report/capture/exception_capture.h"
#include "platform/rtl/files.h"
#include "platform/runtime/vx_dialogs.h"
#include "platform/settings/settings_access.h"
#include "platform/settings/window_registry.h"
#include "shell/main_window/controller_messages.h"
#include "shell/menus/general_menu_commands.h"
#include "shell/qt/form_base.h"
#include "shell/qt/page_list.h"
#include "shell/qt/shell_menu_bar.h"
#include "shell/qt/vx_status_bar.h"
#include "shell/services/suite_services.h"
#include "window/test_tool_window.h"

namespace {

// The test tool with a text page (list type 27) after its pages, and help and closing recorded.
class TCommandsForm : public TTestToolForm {
 public:
  void ShowDocumentPages() override {
    TTestToolForm::ShowDocumentPages();
    if (!Document()) return;
    text_page = new QPlainTextEdit;
    text_page->setPlainText(QStringLiteral("first line\nsecond line"));
    Pages()->AddMemoPage(QStringLiteral("Text"), text_page, 27);
  }
  void ShowHelpContext(int context) override { help.push_back(context); }
  void CloseCurrentData() override {
    flag_while_closing = ClosingFlag();
    TTestToolForm::CloseCurrentData();
  }
  bool OpenWithDialog() override {
    ++opens;
    return TTestToolForm::OpenWithDialog();
  }
  QPlainTextEdit* text_page = nullptr;
  std::vector<int> help;
  std::optional<bool> flag_while_closing;
  int opens = 0;
};

class GeneralMenuCommandsTest : public ToolWindowTest {
 protected:
  void SetUp() override {
    ToolWindowTest::SetUp();
    ResetWindowRegister();
    SetControllerLink(&link);
    RegisterToolWindow(100);
    SetNewWnd(kToolController, 200);
    ASSERT_TRUE(WriteTestDocument(doc, 3));
    w = std::make_unique<TCommandsForm>();
    w->SetCommandLine({doc});
    w->show();
    w->WaitForStartup();
    ASSERT_NE(w->Document(), nullptr);
    link.Clear();
  }
  void TearDown() override {
    w.reset();
    SetControllerLink(nullptr);
    ResetWindowRegister();
    SetLanguageChangeFlag(false);
    ToolWindowTest::TearDown();
  }
  std::vector<int> Posted() {
    std::vector<int> codes;
    for (const auto& m : link.Posted())
      // Whether a document is shown (4600, 4601) follows every caption change; not counted here.
      if (m.msg == kMsgToolCode && CodeOfWParam(m.wparam) != 4600 && CodeOfWParam(m.wparam) != 4601)
        codes.push_back(CodeOfWParam(m.wparam));
    return codes;
  }

 public:
  // A click on a check item: the item's check changes first, then the command runs.
  void Click(int tag, bool checked) {
    if (QAction* a = w->Menus()->ActionOfTag(tag)) {
      a->setCheckable(true);
      a->setChecked(checked);
    } else {
      SetMenuItemChecked(tag, checked);
    }
    w->HandleMenuCommand(tag, u"");
  }

  // The table's cases reach these through the fixture.
 public:
  using ToolWindowTest::dialogs;
  using ToolWindowTest::dir;
  UString doc = dir.Path() + u"doc.cnc";
  TQueuedControllerLink link;
  std::unique_ptr<TCommandsForm> w;
};

}  // namespace

// Each common command, run through the main window's command handler, has its effect.
TEST_F(GeneralMenuCommandsTest, EachCommonTagDoesItsEffect) {
  using F = GeneralMenuCommandsTest;
  struct Case {
    int tag;
    std::vector<int> posted;  // codes the controller gets
    std::function<void(F&)> run;    // nullptr: the command is run without a click
    std::function<void(F&)> check;
  };
  const Case cases[] = {
      {2, {},
       [](F& f) {
         f.w->Pages()->Tabs()->setCurrentIndex(2);
         f.w->dialogs.answers.push_back(f.dir.Path() + u"text page.txt");
         f.w->HandleMenuCommand(2, u"");
       },
       [](F& f) {
         EXPECT_TRUE(FileExists(f.dir.Path() + u"text page.txt"));
         ASSERT_FALSE(f.dialogs.Asked().empty());
         EXPECT_EQ(f.dialogs.Asked().back().id, TVXDialog::SavedOK);
       }},
      {3, {}, nullptr, [](F& f) {
         EXPECT_EQ(f.w->opens, 1);
         EXPECT_EQ(f.w->dialogs.requests, 1);
       }},
      {26, {}, nullptr, [](F& f) {
         EXPECT_EQ(f.w->Document(), nullptr);
         EXPECT_EQ(f.w->flag_while_closing, true);
         EXPECT_FALSE(ClosingFlag());
       }},
      {46, {}, [](F& f) { f.Click(46, true); }, [](F& f) { EXPECT_TRUE(f.w->stats_grid->RulerShown()); }},
      {60, {1260}, nullptr, nullptr},
      {61, {1130}, nullptr, nullptr},
      {62, {1230}, nullptr, nullptr},
      {63, {1600}, nullptr, nullptr},
      {64, {1790}, nullptr, nullptr},
      {65, {1460}, nullptr, nullptr},
      {66, {66}, nullptr, nullptr},
      {69, {1240}, nullptr, nullptr},
      {71, {4440}, nullptr, nullptr},
      {72, {72}, nullptr, nullptr},
      {80, {}, [](F& f) { f.Click(80, false); }, [](F& f) {
         EXPECT_TRUE(f.w->Status()->isHidden());
         EXPECT_FALSE(f.w->ToolbarPanel()->isHidden());
       }},
      {81, {}, [](F& f) { f.Click(81, false); }, [](F& f) {
         EXPECT_TRUE(f.w->ToolbarPanel()->isHidden());
         EXPECT_FALSE(f.w->Status()->isHidden());
       }},
      {84, {84}, nullptr, nullptr},
      {110, {110}, nullptr, nullptr},
      {111, {111}, nullptr, nullptr},
      {144, {}, nullptr, [](F& f) { EXPECT_EQ(f.w->help, std::vector<int>{1910}); }},
      {145, {951}, nullptr, nullptr},
      {219, {}, nullptr, [](F& f) { EXPECT_EQ(f.w->Document()->TagDisplay, 0); }},
      {220, {}, nullptr, [](F& f) { EXPECT_EQ(f.w->Document()->TagDisplay, 1); }},
      {221, {}, nullptr, [](F& f) { EXPECT_EQ(f.w->Document()->TagDisplay, 2); }},
      {222, {}, nullptr, [](F& f) { EXPECT_EQ(f.w->Document()->TagDisplay, 9); }},
      {223, {}, nullptr, [](F& f) { EXPECT_EQ(f.w->Document()->TagDisplay, 3); }},
      {701, {}, nullptr, [](F& f) { EXPECT_TRUE(LanguageChangeFlag()); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.tag);
    // Every case starts from a freshly loaded document and the same checks (the store's file
    // outlives the window).
    TearDown();
    SetUp();
    dialogs.Clear();
    w->Document()->TagDisplay = 9;
    for (int t : {46, 219, 220, 221, 222, 223}) SetMenuItemChecked(t, false);
    for (int t : {80, 81}) SetMenuItemChecked(t, true);
    w->SetToolbarAndStatusBarVisibility();
    EXPECT_TRUE(GeneralEffectOfTag(c.tag).has_value());
    if (c.run) c.run(*this);
    else w->HandleMenuCommand(c.tag, u"");
    EXPECT_EQ(Posted(), c.posted);
    if (c.check) c.check(*this);
    if (c.tag >= 219 && c.tag <= 223) {
      for (int t : {219, 220, 221, 222, 223}) EXPECT_EQ(GetMenuItemChecked(t), t == c.tag) << t;
    }
  }
}

TEST_F(GeneralMenuCommandsTest, CauseACrashTakesTheCrashRoad) {
  EXPECT_THROW(w->HandleMenuCommand(56, u""), ECauseACrash);
  EXPECT_NE(w->Document(), nullptr);
}

// Delete reaches the grid only while the main window is the active one.
TEST_F(GeneralMenuCommandsTest, DeleteIsLeftToTheGridOnlyFromTheMainWindow) {
  QApplication::setActiveWindow(w.get());
  EXPECT_FALSE(HandleGeneralMenuCommand(12, *w));
  QDialog other;
  other.show();
  QApplication::setActiveWindow(&other);
  ASSERT_EQ(QApplication::activeWindow(), &other);
  EXPECT_TRUE(HandleGeneralMenuCommand(12, *w));
  w->stats_grid->selectRow(0);
  w->HandleMenuCommand(12, u"");
  for (int i = 0; i < w->Document()->stats->Count(); ++i)
    EXPECT_FALSE(w->Document()->stats->GetDeleted(i)) << "swallowed while another window is active";
}

// Plain Text on a grid page is the window's own command (the list exported as text).
TEST_F(GeneralMenuCommandsTest, PlainTextOffTheTextPageIsLeftToTheWindow) {
  w->Pages()->Tabs()->setCurrentIndex(0);
  EXPECT_FALSE(HandleGeneralMenuCommand(2, *w));
  w->Pages()->Tabs()->setCurrentIndex(1);
  EXPECT_FALSE(HandleGeneralMenuCommand(2, *w));
  EXPECT_FALSE(HandleGeneralMenuCommand(13, *w));
  EXPECT_TRUE(Posted().empty());
}
