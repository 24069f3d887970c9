#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QLayout>
#include <QMenu>
#include <QTest>
#include <QTextBlock>
#include <fstream>

#include "platform/rtl/files.h"
#include "platform/runtime/vx_dialogs.h"
#include "platform/settings/settings_access.h"
#include "shell/files/saved_texts.h"
#include "shell/qt/source_text_view.h"
#include "shell/qt/vx_status_bar.h"
#include "support/temp_folder.h"
#include "window/test_tool_window.h"
#include "window/window_test_support.h"

namespace {

std::string Bytes(const UString& name) {
  std::ifstream in(ToFsPath(name), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

const char16_t kText[] =
    u"<text id=\"1\"><p>The cat sat on the mat.</p>\n<p>A second cat, and cats in a catalogue.</p>\n"
    u"<p>No more felines here.</p></text>";

class SourceTextTest : public ToolWindowTest {
 protected:
  void SetUp() override {
    ToolWindowTest::SetUp();
    window = std::make_unique<TTestToolForm>();
    window->show();
    window->WaitForStartup();
    viewer = new TSourceTextRichEdit(window.get());
    viewer->setWindowFlags(Qt::Window);
    viewer->resize(640, 360);
    viewer->SetSourceText(kText, {u"cat*"});
    window->SetSourceTextViewer(viewer);
    window->SetFileLauncher(&launcher);
  }
  void TearDown() override {
    window.reset();
    ToolWindowTest::TearDown();
  }
  QAction* MenuItem(int item) {
    for (QAction* a : window->SourceTextMenu()->actions())
      if (a->data().toInt() == item) return a;
    return nullptr;
  }
  std::unique_ptr<TTestToolForm> window;
  TSourceTextRichEdit* viewer = nullptr;
  class TNoLauncher : public TFileLauncher {
   public:
    bool ShowFile(UStringView) override { return true; }
    bool EditFile(UStringView) override { return true; }
  } launcher;
};

}  // namespace

// Four words begin with "cat"; next and previous walk them without wrapping round, and the
// status bar counts them.
TEST_F(SourceTextTest, NextAndPreviousHighlightWalkTheWords) {
  window->SourceTextCommand(TMainToolsForm::kSourceHighlight);
  EXPECT_EQ(viewer->HighlightCount(), 4);
  const char* expected[] = {"cat", "cat", "cats", "catalogue"};
  for (const char* word : expected) {
    window->SourceTextCommand(TMainToolsForm::kSourceNext);
    EXPECT_EQ(viewer->textCursor().selectedText(), QString::fromLatin1(word));
  }
  EXPECT_EQ(window->Status()->PanelText(kPanelEntries), QStringLiteral("4 hits"));
  EXPECT_EQ(window->Status()->PanelText(kPanelRow), QStringLiteral("4"));
  window->SourceTextCommand(TMainToolsForm::kSourceNext);  // none after the last
  EXPECT_EQ(viewer->CurrentHit(), 4);
  window->SourceTextCommand(TMainToolsForm::kSourcePrevious);
  EXPECT_EQ(viewer->CurrentHit(), 3);
  window->SourceTextCommand(TMainToolsForm::kSourceGreyTags);  // short: no question
  EXPECT_TRUE(dialogs.Asked().empty());
  EXPECT_EQ(viewer->CurrentHit(), 3);  // greying keeps the highlights
  viewer->show();
  QApplication::setActiveWindow(viewer);
  viewer->setFocus();
  const QImage shot = SaveScreenshot(*viewer, QStringLiteral("source_text_highlight"));
  EXPECT_GT(ColoursIn(shot), 10);
}

// Ctrl+N and Ctrl+P move between highlights inside the viewer and do not reach the menus.
TEST_F(SourceTextTest, CtrlNAndCtrlPBelongToTheViewer) {
  // The viewer inside the main window, where Ctrl+N is also "New...".
  auto* inside = new TSourceTextRichEdit(window->StartPanel());
  window->StartPanel()->layout()->addWidget(inside);
  inside->SetSourceText(kText, {u"cat*"});
  window->SetSourceTextViewer(inside);
  viewer = inside;
  viewer->HighlightKWs();
  inside->show();
  window->activateWindow();
  QApplication::setActiveWindow(window.get());
  viewer->setFocus();
  DeliverPendingEvents();
  ASSERT_EQ(QApplication::focusWidget(), viewer);
  const int new_asked = window->start_dialogs_shown + window->new_instances_asked;
  QTest::keyClick(viewer, Qt::Key_N, Qt::ControlModifier);
  QTest::keyClick(viewer, Qt::Key_N, Qt::ControlModifier);
  EXPECT_EQ(viewer->CurrentHit(), 2);
  QTest::keyClick(viewer, Qt::Key_P, Qt::ControlModifier);
  EXPECT_EQ(viewer->CurrentHit(), 1);
  EXPECT_EQ(window->start_dialogs_shown + window->new_instances_asked, new_asked);
}

TEST_F(SourceTextTest, GreyingALongTextAsksFirst) {
  struct Case {
    int length;
    bool asks;
  } cases[] = {{20000, false}, {20001, true}};
  for (const Case& c : cases) {
    UString text = u"<b>x</b>";
    text.resize(static_cast<size_t>(c.length), u'a');
    viewer->SetSourceText(text, {});
    dialogs.Clear();
    dialogs.Script({mrYes});
    window->SourceTextCommand(TMainToolsForm::kSourceGreyTags);
    EXPECT_EQ(dialogs.Asked().size(), c.asks ? 1u : 0u) << c.length;
    EXPECT_TRUE(viewer->MarkupGreyed());
    QTextCursor at(viewer->document());
    at.setPosition(1);
    EXPECT_EQ(at.charFormat().foreground().color(), QColor(0x90, 0x90, 0x90));
  }
}

TEST_F(SourceTextTest, HidingTheMarkupShowsTheTextAndTurnsTheItemRound) {
  window->SourceTextCommand(TMainToolsForm::kSourceHighlight);
  window->SourceTextCommand(TMainToolsForm::kSourceClearMarkup);
  EXPECT_FALSE(viewer->WithMarkup());
  EXPECT_FALSE(viewer->toPlainText().contains(QLatin1Char('<')));
  EXPECT_TRUE(viewer->toPlainText().startsWith(QStringLiteral("The cat sat")));
  EXPECT_EQ(viewer->HighlightCount(), 4);  // found again in the shown text
  EXPECT_EQ(MenuItem(TMainToolsForm::kSourceClearMarkup)->text(), QStringLiteral("Restore mark-up"));
  window->SourceTextCommand(TMainToolsForm::kSourceClearMarkup);
  EXPECT_TRUE(viewer->toPlainText().startsWith(QStringLiteral("<text")));
  EXPECT_EQ(MenuItem(TMainToolsForm::kSourceClearMarkup)->text(), QStringLiteral("Remove mark-up"));
}

// Saved as .txt the shown text in UTF-16; as .rtf with the highlights bold.
TEST_F(SourceTextTest, SaveAsTextOrRichTextAndCopy) {
  window->SourceTextCommand(TMainToolsForm::kSourceHighlight);
  window->SourceTextCommand(TMainToolsForm::kSourceClearMarkup);
  const UString txt = dir.Path() + u"source.txt";
  const UString rtf = dir.Path() + u"source.rtf";
  window->dialogs.answers = {txt, rtf};
  window->SourceTextCommand(TMainToolsForm::kSourceSave);
  window->SourceTextCommand(TMainToolsForm::kSourceSave);
  EXPECT_EQ(Bytes(txt), Utf16FileBytes(viewer->ShownText()));
  const std::string rich = Bytes(rtf);
  EXPECT_EQ(rich.rfind("{\\rtf1", 0), 0u);
  EXPECT_NE(rich.find("\\b \\cf1 cat\\b0 "), std::string::npos) << rich;
  window->SourceTextCommand(TMainToolsForm::kSourceCopy);
  EXPECT_EQ(QApplication::clipboard()->text(), ToQString(viewer->ShownText()));
}

TEST_F(SourceTextTest, PrintGoesIntoAPdfWithoutAPrinter) {
  const UString pdf = dir.Path() + u"source.pdf";
  window->dialogs.answers = {pdf};
  EXPECT_TRUE(window->PrintSourceText());
  EXPECT_GT(Bytes(pdf).size(), 500u);
  window->dialogs.answers = {};
  EXPECT_FALSE(window->PrintSourceText());  // cancelled
}

TEST_F(SourceTextTest, WithoutAViewerEveryItemDoesNothing) {
  window->SetSourceTextViewer(nullptr);
  for (int item = TMainToolsForm::kSourceSave; item <= TMainToolsForm::kSourceRefresh; ++item)
    window->SourceTextCommand(item);
  EXPECT_TRUE(dialogs.Asked().empty());
  EXPECT_EQ(window->dialogs.requests, 0);
}
