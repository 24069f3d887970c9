#include <gtest/gtest.h>

#include <QApplication>
#include <QTableView>

#include "model/chosen_texts_test_support.h"
#include "platform/runtime/vx_dialogs.h"
#include "platform/settings/settings_access.h"
#include "platform/settings/window_registry.h"
#include "shell/controller_messages.h"
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

  const UString corpus = dir.Path() + u"corpus/";
  chooser->AddFiles({dir.Write(u"corpus/letters.txt", "Dear sir"), dir.Write(u"corpus/diary.txt", "Monday")});
  dir.Write(u"corpus/novels/ch1.txt", "It was");
  dir.Write(u"corpus/novels/ch2.txt", "a dark");
  chooser->AddFolder(corpus + u"novels");
  const UString zip = MakeZip(corpus + u"press.zip", {{u"2001/jan.txt", "news"}, {u"2001/feb.txt", "more"}, {u"notes.txt", "n"}});
  chooser->AddZipMembers(zip, {u"2001/jan.txt", u"2001/feb.txt", u"../escape.txt"});
  ASSERT_EQ(dialogs.Asked().size(), 1u);  // the escaping member, refused and shown
  EXPECT_NE(dialogs.Asked()[0].text.find(u"leaves its folder"), UString::npos);
  EXPECT_EQ(chooser->Choice().Count(), 6);
  QApplication::processEvents();
  const QImage shot = SaveScreenshot(*chooser, QStringLiteral("text_chooser"));
  EXPECT_GT(ColoursIn(shot), 10);
  EXPECT_GT(InkPixelsIn(shot, chooser->Grid()->geometry().adjusted(0, 30, 0, -100)), 100);

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
