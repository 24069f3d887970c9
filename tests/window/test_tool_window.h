// A list tool for the window tests, made the way the program's own main window is: a tool
// document with a per-text statistics list and notes, shown on a grid page and a notes page, opened
// from and saved to real files; its start-up opens the document the command line names.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QPlainTextEdit>
#include <QTest>
#include <QTimer>
#include <deque>
#include <memory>

#include "model/reading/text_statistics.h"
#include "platform/runtime/list_headings.h"
#include "model/documents/work_derived.h"
#include "platform/rtl/streams.h"
#include "platform/settings/settings_access.h"
#include "shell/files/file_dialogs.h"
#include "shell/qt/main_tools_form.h"
#include "shell/qt/page_list.h"
#include "shell/qt/qt_application.h"
#include "shell/qt/shell_menu_bar.h"
#include "shell/qt/vx_grid.h"
#include "support/temp_folder.h"
#include "window/window_test_support.h"

inline constexpr uint8_t kTestTool = 1;

class TTestToolDocument : public TTessorineholder {
 public:
  TTestToolDocument()
      : TTessorineholder(GetTextSettings(), nullptr, nullptr, nullptr, false, false, nullptr, nullptr),
        stats(std::make_unique<TVXStatsList>(this)) {
    ListKind = kListConcordance;
  }
  bool SaveToStream(TStream& s) override {
    if (fail_save) return false;
    return TTessorineholder::SaveToStream(s) && stats->SaveToStream(s) && fNotes.SaveToStream(s);
  }
  bool ReadWholeFromStream(TStream& s) override {
    return TTessorineholder::ReadWholeFromStream(s) && stats->ReadFromStream(s) && fNotes.ReadFromStream(s);
  }
  bool MergeWith(TTessorineholder& other, UStringView caption) override {
    auto* o = dynamic_cast<TTestToolDocument*>(&other);
    if (!o || !stats->MergeWith(o->stats.get())) return false;
    return TTessorineholder::MergeWith(other, caption);
  }
  void AddText(UStringView full_name, int32_t words) {
    TOne_text_stats_rec r;
    r.name = UString(full_name);
    r.data.running_words = words;
    r.data.groups[0].count = words;
    r.data.ratio_basis = 1000;
    stats->Add(new TStatsEntry(r, false, stats.get()));
  }

  std::unique_ptr<TVXStatsList> stats;
  bool fail_save = false;
};

// Files chosen as a user would; an empty answer cancels. Every request is kept.
class TScriptedFileDialogs : public TFileDialogs {
 public:
  bool ChooseFileToOpen(const TFileDialogRequest& r, UString& chosen) override { return Next(r, chosen); }
  bool ChooseFileToSave(const TFileDialogRequest& r, UString& chosen) override {
    ++save_requests;
    return Next(r, chosen);
  }
  std::deque<UString> answers;
  int requests = 0;
  int save_requests = 0;

 private:
  bool Next(const TFileDialogRequest&, UString& chosen) {
    ++requests;
    if (answers.empty()) return false;
    chosen = answers.front();
    answers.pop_front();
    return !chosen.empty();
  }
};

// A window's file dialogs answered by the test while this lives (the window's own again after);
// any other modal dialog that opens meanwhile is closed unanswered after two seconds rather than
// waited for, so that a road that would not ask these fails instead of hanging.
class TAnsweredFileDialogs : public TScriptedFileDialogs {
 public:
  explicit TAnsweredFileDialogs(TMainToolsForm& window) : window_(window), own_(&window.FileDialogs()) {
    window.SetFileDialogs(this);
    QObject::connect(&unanswered_, &QTimer::timeout, [] {
      if (QWidget* modal = QApplication::activeModalWidget()) modal->close();
    });
    unanswered_.start(2000);
  }
  ~TAnsweredFileDialogs() override { window_.SetFileDialogs(own_); }

 private:
  TMainToolsForm& window_;
  TFileDialogs* own_;
  QTimer unanswered_;
};

class TTestToolForm : public TMainToolsForm {
 public:
  TTestToolForm() : TMainToolsForm(kTestTool) { SetFileDialogs(&dialogs); }

  std::unique_ptr<TTessorineholder> CreateTheHolderWithCallbacks(TTessorineList list_type) override {
    TMainToolsForm::CreateTheHolderWithCallbacks(list_type);
    auto doc = std::make_unique<TTestToolDocument>();
    doc->fail_save = next_documents_fail_save;
    return doc;
  }
  void ShowDocumentPages() override {
    auto* doc = Document();
    if (!doc) return;
    stats_grid = new TVX_Grid;
    doc->stats->SetHeadings({u"N", u"Text file", u"Bytes", u"Tokens", u"Types", u"Sentences"});
    stats_grid->SetList(doc->stats.get(), kListStatistics, 0);
    Pages()->AddGridPage(QStringLiteral("Statistics"), stats_grid, kListStatistics, doc->stats.get());
    auto* notes = new QPlainTextEdit;
    QString text;
    for (int i = 0; i < doc->fNotes.Count(); ++i) text += (i ? QStringLiteral("\n") : QString()) + ToQString(doc->fNotes[i]);
    notes->setPlainText(text);
    SetNotesControl(notes);
    Pages()->AddMemoPage(QStringLiteral("Notes"), notes, 26);
  }
  void HandleStartupParameters() override {
    TMainToolsForm::HandleStartupParameters();
    if (!StartupDocument().empty()) OpenAFile();
  }
  TTestToolDocument* Document() const { return dynamic_cast<TTestToolDocument*>(Data()); }
  // Runs the loop until the start-up steps are done.
  void WaitForStartup() {
    WaitUntil([this] { return StartupDone(); });
  }

  TScriptedFileDialogs dialogs;
  TVX_Grid* stats_grid = nullptr;
  bool next_documents_fail_save = false;
};

// A saved document of the test tool with n texts and one note line.
inline bool WriteTestDocument(const UString& name, int n, UStringView note = u"run of the test tool",
                              uint8_t as_tool = kTestTool, TTessorineList list_kind = kListConcordance,
                              UStringView folder = u"/corpus/") {
  const uint8_t was = current_tool_var;
  current_tool_var = as_tool;
  TTestToolDocument doc;
  doc.ListKind = list_kind;
  for (int i = 0; i < n; ++i) doc.AddText(UString(folder) + u"text" + IntToUStr(i) + u".txt", 100 + i);
  doc.fNotes.Add(note);
  const bool ok = doc.SaveToFile(name, 600, 800, 96);
  current_tool_var = was;
  return ok;
}

// Each test has its own settings folder, the headless questions and a folder for its files; it
// starts as the test tool.
class ToolWindowTest : public testing::Test {
 protected:
  void SetUp() override {
    setenv("LINZORA_CONFIG_DIR", Utf16ToUtf8(dir.Path() + u"config").c_str(), 1);
    ResetSettingsStoreForTests();
    SetDialogService(&dialogs);
    current_tool_var = kTestTool;
  }
  void TearDown() override {
    SetDialogService(nullptr);
    unsetenv("LINZORA_CONFIG_DIR");
    ResetSettingsStoreForTests();
  }
  TempFolder dir;
  THeadlessDialogService dialogs;
};
