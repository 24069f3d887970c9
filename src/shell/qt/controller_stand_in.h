// The controller played in this process, for a tool started on its own (the normal case): it is
// registered as the controller's window, so the tool finds a controller at once, and it takes
// the codes the tool posts. Progress codes (6100-6113) drive its progress window; 1240 opens the
// tool's own chooser of texts; 4602 starts a second instance; 951 shows About; 110 and 111 tile
// the program's open main windows, those of its other processes too (side by side, or one above
// the other). The settings
// commands Font, Folders, Tags, Colours, Customise, Index, the tool's own settings and the lemma,
// match and stop lists open small dialogs of their own (then the tool is told: 233 to re-read
// the settings, 234-241 to load or clear lists); Language opens the language chooser, whose
// choice (1230 with a value) is stored and confirmed with 701. Anything else is logged. Every
// code is handled from the event loop, never during the post.
#pragma once

#include <QObject>
#include <functional>
#include <vector>

#include "platform/rtl/ustring.h"
#include "shell/main_window/window_tiling.h"
#include "shell/services/suite_services.h"

class QDialog;
class QWidget;
class TFileDialogs;
class TProgressWindow;

class TQtControllerStandIn : public QObject, public TControllerLink {
  Q_OBJECT
 public:
  explicit TQtControllerStandIn(QObject* parent = nullptr);
  ~TQtControllerStandIn() override;
  // Registers as the controller's window and becomes the link (Uninstall undoes both).
  void Install();
  void Uninstall();

  bool Connected() const override { return true; }
  bool PlayedInProcess() const override { return true; }
  bool Post(const TPostedMessage& message) override;

  TProgressWindow& ProgressWindow();
  // What 1240 opens (by default the chooser of texts, made by the window layer).
  void SetChooseTexts(std::function<void()> open) { choose_texts_ = std::move(open); }
  // How a second instance of the tool is started (by default a new process of this program with
  // the parameters the code calls for): 4602, 50 and 155 (SecondInstanceParameters).
  void SetStartSecondInstance(std::function<void(const std::vector<UString>& parameters)> start) {
    start_instance_ = std::move(start);
  }
  void SetStartSecondInstance(std::function<void()> start) {
    start_instance_ = [start = std::move(start)](const std::vector<UString>&) { start(); };
  }
  // Where a settings dialog asks for a file (the tool's main window's file dialogs).
  void SetFileDialogs(std::function<TFileDialogs*()> dialogs) { file_dialogs_ = std::move(dialogs); }
  // How the settings dialogs are run (modally, by default); answers the dialog's result.
  void SetDialogRunner(std::function<int(QDialog&)> run) { run_dialog_ = std::move(run); }
  const std::vector<uint16_t>& CodesReceived() const { return received_; }
  int64_t LastLanguage() const { return language_; }

 protected:
  bool event(QEvent* e) override;

 private:
  void Handle(uint32_t msg, uint16_t code, int64_t lparam);
  // Windows > Tile: the program's open main windows, in every process, over the screen's work area.
  void TileMainWindows(TTiling tiling);
  // False for codes that are not settings commands.
  bool HandleSettingsCommand(uint32_t msg, uint16_t code, int64_t lparam);
  int Run(QDialog& dialog);
  std::function<int(QDialog&)> run_dialog_;
  std::function<TFileDialogs*()> file_dialogs_;
  TProgressWindow* progress_ = nullptr;
  std::function<void()> choose_texts_;
  std::function<void(const std::vector<UString>&)> start_instance_;
  std::vector<uint16_t> received_;
  int64_t language_ = -1;
  TWindowId id_ = kNoWindow;
};
