// Helpers of the main-road window tests: the program's own start-up with a private settings
// folder and scripted questions, waiting for the loop, and the engine's own view of a search.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <functional>

#include "model/reading/tag_lists.h"
#include "platform/lemmatiser/lemmatiser.h"
#include "platform/rtl/files.h"
#include "platform/runtime/vx_dialogs.h"
#include "platform/runtime/vx_runtime.h"
#include "platform/settings/settings_access.h"
#include "shell/qt/main.h"
#include "shell/qt/controller_stand_in.h"
#include "shell/qt/main_window.h"
#include "shell/qt/page_list.h"
#include "shell/qt/qt_application.h"
#include "shell/qt/text_chooser.h"
#include "shell/services/suite_services.h"
#include "support/temp_folder.h"
#include "windows/start_wizard.h"
#include "window/window_test_support.h"

// Each test: its own settings folder, the program's units, headless questions.
class MainRoadTest : public testing::Test {
 protected:
  void SetUp() override {
    setenv("LINZORA_CONFIG_DIR", Utf16ToUtf8(dir.Path() + u"config").c_str(), 1);
    // Hand-over files of the temporary folder are this test's alone (tests run side by side).
    setenv("TMPDIR", Utf16ToUtf8(dir.Path()).c_str(), 1);
    ResetSettingsStoreForTests();
    StartProgramUnits();
    SetDialogService(&dialogs);
    global_panic_state = kPanicNone;
  }
  void TearDown() override {
    windows.reset();
    SetDialogService(nullptr);
    StopProgramUnits();
    unsetenv("LINZORA_CONFIG_DIR");
    unsetenv("TMPDIR");
    ResetSettingsStoreForTests();
  }
  // The program's windows, started with the given parameters ({u""}: none).
  TFormLinzora& Start(std::vector<UString> params = {u""}) {
    windows.reset();
    windows = MakeProgramWindows(&params);
    windows->main->show();
    EXPECT_TRUE(WaitUntil([this] { return windows->main->StartupDone() && !windows->main->RunActive(); }));
    return *windows->main;
  }
  TFormLinzora& Main() { return *windows->main; }
  TFormStartWizardC& Wizard() { return *windows->wizard; }
  // A lemma list ("flow -> flows, flowed, flowing", written into `lists`) switched on, and the
  // start wizard shown searching for "flowed" with its lemma forms.
  void WizardSearchingFlowedWithALemmaList(TempFolder& lists) {
    TLemmaMatchStopSettingsRec rec = GetLemmaMatchStopSettings(kToolConcordancer, 0);
    rec.SetActivated(true);
    rec.SetFileName(lists.Write(u"lemmas.txt", "flow -> flows, flowed, flowing\n"));
    SetLemmaMatchStopSettings(kToolConcordancer, 0, rec);
    Global_stopLemmaMatchLoaded[0] = false;
    Main().ShowStartDialog();
    Wizard().SearchBox()->setCurrentText(QStringLiteral("flowed"));
    Wizard().LemmaCheck()->setChecked(true);
  }
  std::vector<TVXDialog> Asked() const {
    std::vector<TVXDialog> ids;
    for (const TVXQuestion& q : dialogs.Asked()) ids.push_back(q.id);
    return ids;
  }
  bool WasAsked(TVXDialog id) const {
    for (const TVXQuestion& q : dialogs.Asked())
      if (q.id == id) return true;
    return false;
  }
  UString AllQuestionText() const {
    UString s;
    for (const TVXQuestion& q : dialogs.Asked()) s += q.text + u"\n";
    return s;
  }
  // Chosen texts handed to the window as the chooser does (the store's hand-over).
  void HandOverTexts(const std::vector<UString>& names) {
    TVXFileDetails texts(false, kToolConcordancer);
    for (const UString& n : names) texts.ToolAddAFile(n);
    ASSERT_TRUE(texts.SavedToTempFile());
    SetChosenTextFiles(true, texts.TempFilename(), texts.FileCount());
    ASSERT_TRUE(Main().LoadChosenTextsFromStore());
  }
  // Texts chosen as a user chooses them: the wizard (opened when hidden), its Choose texts button,
  // the chooser the controller opens, its folders and zip members (archive, member), OK. Answers
  // how many texts the window then holds (0 when the road broke).
  int ChooseTextsThroughWizard(const std::vector<UString>& folders,
                               const std::vector<std::pair<UString, UString>>& zip_members = {}) {
    if (!Wizard().isVisible()) Main().ShowStartDialog();
    if (!WaitUntil([this] { return Wizard().isVisible(); })) return 0;
    windows->controller->setProperty("lz_chooser", QVariant());  // a chooser closed before is gone
    Wizard().ChooseTextsButtonClick();
    TTextChooser* chooser = nullptr;
    if (!WaitUntil([&] {
          chooser = qobject_cast<TTextChooser*>(windows->controller->property("lz_chooser").value<QObject*>());
          return chooser != nullptr;
        }))
      return 0;
    for (const UString& f : folders) chooser->AddFolder(f);
    for (const auto& [zip, member] : zip_members) chooser->AddZipMembers(zip, {member});
    const int chosen = chooser->Choice().Count();
    chooser->accept();
    WaitUntil([&] { return Main().ChosenTexts.FileCount() == chosen; });
    return Main().ChosenTexts.FileCount();
  }
  // Shows the wizard and presses its Choose Texts button: the controller's chooser that opens
  // (nullptr when none did).
  TTextChooser* OpenChooserFromWizard() {
    Main().ShowStartDialog();
    EXPECT_TRUE(WaitUntil([this] { return Wizard().isVisible(); }));
    windows->controller->setProperty("lz_chooser", QVariant());  // a chooser closed before is gone
    Wizard().ChooseTextsButtonClick();
    QObject* chooser = nullptr;
    EXPECT_TRUE(WaitUntil([&] {
      chooser = windows->controller->property("lz_chooser").value<QObject*>();
      return chooser != nullptr;
    }));
    return qobject_cast<TTextChooser*>(chooser);
  }
  // Types the search words into the wizard and presses OK; waits for the run to end.
  void RunFromWizard(UStringView words) {
    Main().ShowStartDialog();
    Wizard().SearchBox()->setCurrentText(ToQString(words));
    Wizard().ButtonOKClick();
    DeliverPendingEvents();
    WaitUntil([this] { return !Main().RunActive(); });
  }
  // `texts` texts in the folder, each `sentences` times a sentence of 11 words with "river" in it.
  static std::vector<UString> WriteRiverTexts(TempFolder& folder, int texts, int sentences) {
    std::string body;
    for (int i = 0; i < sentences; ++i) body += "The river flows past the old mill and under the bridge. ";
    std::vector<UString> names;
    for (int i = 0; i < texts; ++i) names.push_back(folder.Write(u"text" + IntToUStr(i) + u".txt", body));
    return names;
  }
  // The tag file the user chose in the tag settings (written as tags.txt): its tags become the
  // tags to keep.
  void UseTagFile(std::string_view lines) {
    const UString tag_file = dir.Write(u"tags.txt", lines);
    TTagsToKeepList tags(0x0409, 1252);
    ASSERT_TRUE(tags.ReadFromUserSpecifiedFile(tag_file));
    ASSERT_TRUE(tags.SavedToTempfile());
    SetTagsWanted(tags.Count());
    SetTagModified(true);
  }
  // Turns to the page with this caption and answers its grid (nullptr when there is none).
  TVX_Grid* TurnTo(const char* caption) {
    QTabWidget* tabs = Main().Pages()->Tabs();
    for (int t = 0; t < tabs->count(); ++t)
      if (tabs->tabText(t) == QString::fromLatin1(caption)) {
        tabs->setCurrentIndex(t);
        return Main().Pages()->GridOfTab(t);
      }
    return nullptr;
  }
  // The window showing the lines of "river" in three sample texts.
  void ShowSampleRiverLines() {
    Start();
    const UString samples = Utf8ToUtf16(LINZORA_SAMPLES_DIR) + u"/";
    HandOverTexts({samples + u"river_spring.txt", samples + u"bridge_walk.txt", samples + u"hallam_mill.txt"});
    RunFromWizard(u"river");
  }
  TempFolder dir;
  THeadlessDialogService dialogs;
  std::unique_ptr<TProgramWindows> windows;
};
