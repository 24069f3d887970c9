// The concordancer's start-up: the program's units initialised in table order (each once), the
// controller found or played in this process, the windows made in their order (main window,
// sort dialog, start wizard), then the event loop; at the end the units are torn down in reverse
// order, each writing its "quit" line to the log when logging is on.
//
// Tests call the same routine: StartProgramUnits, MakeProgramWindows, StopProgramUnits.
#include "shell/qt/main.h"

#include <QApplication>
#include <cstdlib>
#include <ctime>

#include "exception_report/capture/exception_capture.h"
#include "model/documents/work_derived.h"
#include "platform/rtl/files.h"
#include "platform/runtime/list_headings.h"
#include "platform/runtime/process_memory.h"
#include "platform/runtime/vx_runtime.h"
#include "platform/settings/settings_access.h"
#include "platform/settings/window_registry.h"
#include "shell/grid_tools/grid_cells.h"
#include "shell/qt/controller_stand_in.h"
#include "shell/qt/main_window.h"
#include "shell/qt/qt_application.h"
#include "shell/qt/qt_dialog_service.h"
#include "shell/qt/shell_application.h"
#include "shell/qt/text_chooser.h"
#include "shell/qt/window_messages.h"
#include "shell/services/progress.h"
#include "shell/services/suite_services.h"
#include "windows/sort_dialog.h"
#include "windows/start_wizard.h"

namespace {

int g_units_started = 0;

void InitSettingsStore() {
  current_tool_var = kToolConcordancer;
  SetupVXbufSharing();
  SetLogFilename(GetLogFilename());
}
// Reports of what escapes the program's own handling go to the user's folder of the store.
void InitExceptionCapture() {
  CurrentExcTrapOptions().SetOutputPath(GetUserReadWriteFolder());
  InstallExceptionCapture();
}
void InitProgress() { CreateGlobalProgress(); }
void QuitProgress() { FreeGlobalProgress(); }
void InitTempPath() { my_temp_path = IncludeTrailingPathDelimiter(SystemTempFolder()); }
void InitNumerics() { std::srand(static_cast<unsigned>(std::time(nullptr))); }
void Nothing() {}
// A list made without headings of its own shows its type's base headings.
void SetBaseHeadings(TDocumentList& list) {
  if (list.HeadingCount() == 0) list.SetHeadings(CopyOfBaseHeadings(list.ListType()));
}
void ApplyDefaultVisibility(TDocumentList& list) { ApplyDefaultColumnVisibilityToList(list); }
void InitGridHeadings() {
  TDocumentHooks hooks = DocumentHooks();
  hooks.set_base_headings = &SetBaseHeadings;
  hooks.apply_default_column_visibility = &ApplyDefaultVisibility;
  SetDocumentHooks(hooks);
}
void QuitGridHeadings() {
  TDocumentHooks hooks = DocumentHooks();
  hooks.set_base_headings = nullptr;
  hooks.apply_default_column_visibility = nullptr;
  SetDocumentHooks(hooks);
}

const TStartupUnit kUnits[] = {
    {"settings store", &InitSettingsStore, &Nothing},
    {"exception capture", &InitExceptionCapture, &Nothing},
    {"languages", &Nothing, &Nothing},
    {"inter-tool", &Nothing, &Nothing},
    {"progress", &InitProgress, &QuitProgress},
    {"data module", &Nothing, &Nothing},
    {"tool documents", &Nothing, &FinaliseWorkDerived},
    {"tag lists", &InitTempPath, &Nothing},
    {"pages", &Nothing, &Nothing},
    {"numerics", &InitNumerics, &Nothing},
    {"media window", &Nothing, &Nothing},
    {"grid headings", &InitGridHeadings, &QuitGridHeadings},
};

}  // namespace

std::vector<TStartupUnit> ProgramUnits() { return {std::begin(kUnits), std::end(kUnits)}; }

int StartProgramUnits() {
  if (g_units_started > 0) return g_units_started;
  KeepFreedMemoryInProcess();
  for (const TStartupUnit& u : kUnits) {
    u.init();
    ++g_units_started;
  }
  return g_units_started;
}

std::vector<UString> StopProgramUnits() {
  std::vector<UString> quits;
  for (int i = g_units_started - 1; i >= 0; --i) {
    kUnits[i].quit();
    const UString line = u"quit " + Utf8ToUtf16(kUnits[i].name);
    quits.push_back(line);
    if (global_keeping_log) AddToLogFile(line);
  }
  g_units_started = 0;
  return quits;
}

TProgramWindows::~TProgramWindows() = default;

std::unique_ptr<TProgramWindows> MakeProgramWindows(const std::vector<UString>* command_line) {
  auto w = std::make_unique<TProgramWindows>();
  // Without the suite's controller the program plays it: the chooser of texts, the progress
  // window, the codes the tool posts.
  if (GetShellWnd() == kNoWindow) {
    w->controller = std::make_unique<TQtControllerStandIn>();
    w->controller->Install();
    TQtControllerStandIn* c = w->controller.get();
    TProgramWindows* windows = w.get();
    w->controller->SetChooseTexts([c, windows] {
      // Over the window that asked (the start wizard registers itself as the tool's active child
      // before it asks): in front of it, and keeping it waiting, so that its OK cannot start a run
      // on the old choice while the new one is made. From the menu no child window asks.
      auto* asker = qobject_cast<QWidget*>(WindowOfId(GetActiveChildToolWindow(kToolConcordancer)));
      if (asker && !asker->isVisible()) asker = nullptr;
      auto* chooser = new TTextChooser(kToolConcordancer, asker);
      if (windows->main) chooser->SetFileDialogs(&windows->main->FileDialogs());
      chooser->setAttribute(Qt::WA_DeleteOnClose);
      c->setProperty("lz_chooser", QVariant::fromValue<QObject*>(chooser));
      chooser->open();
    });
    w->controller->SetFileDialogs([windows] { return windows->main ? &windows->main->FileDialogs() : nullptr; });
  }
  InstallMessageBridge();
  w->main = std::make_unique<TFormLinzora>();
  // Window sizes kept in a document are scaled between the screen they were taken on and this one.
  SetScreenPixelsPerInch(w->main->logicalDpiY());
  if (command_line) w->main->SetCommandLine(*command_line);
  w->sort = new TConcSortForm(w->main.get());
  w->wizard = new TFormStartWizardC(w->main.get());
  w->main->SetWindows(w->wizard, w->sort);
  return w;
}

#ifdef LINZORA_PROGRAM_MAIN
int main(int argc, char** argv) {
  TShellApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Linzora"));
  StartProgramUnits();
  SetUpQtApplication();
  InstallQtDialogService();
  std::unique_ptr<TProgramWindows> windows = MakeProgramWindows(nullptr);
  windows->main->show();
  const int rc = app.exec();
  windows.reset();
  UnregisterToolWindowAndQuit();
  StopProgramUnits();
  return rc;
}
#endif
