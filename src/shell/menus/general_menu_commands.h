// The menu commands every tool handles alike, as one table: the main window's command handler
// asks HandleGeneralMenuCommand first and handles a tag itself only when this answers false.
//
// What a command does lies either here (codes posted to the controller, check marks in the
// store, the language confirmation, the crash on request) or in the window, through
// TGeneralMenuWindow. Delete (12) is swallowed while another form of the tool is active, so
// the key never deletes rows of a grid the user is not looking at; with the main window
// active it is left to the window. Plain Text (2) is handled only for the text page of a
// document; on other pages it is left to the window as well.
//
// The settings commands post their code and nothing more: without a controller program the
// dialogs are the tool's own, so the window is not sent to the back.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

enum class TGeneralEffect : uint8_t {
  SaveTextPage,       // 2
  Open,               // 3
  DeleteGuard,        // 12
  Close,              // 26
  Ruler,              // 46
  Crash,              // 56
  PostCode,           // 60-66, 69, 71, 72, 84, 110, 111, 145
  Bars,               // 80, 81
  HelpContents,       // 144
  TagDisplay,         // 219-221, 223
  CheckOnly,          // 222
  LanguageConfirmed,  // 701
};

struct TGeneralMenuCommand {
  int tag;
  TGeneralEffect effect;
};

// The whole table, in tag order.
std::span<const TGeneralMenuCommand> GeneralMenuCommands();
std::optional<TGeneralEffect> GeneralEffectOfTag(int tag);

// The window side of the common commands.
class TGeneralMenuWindow {
 public:
  virtual ~TGeneralMenuWindow() = default;
  // Saves the lines of the text page's memo (a document open, the current page the text page);
  // false when there is no such page, so the window handles the tag itself.
  virtual bool SaveTextPageLines() = 0;
  // Answers whether a document was opened.
  virtual bool OpenWithDialog() = 0;
  virtual bool MainFormIsActive() const = 0;
  // Closes the document, with the question about unsaved results, while the closing flag is set.
  virtual void CloseDataFromMenu() = 0;
  // The current grid's ruler from the store's check of "Ruler", then the grid repainted.
  virtual void ApplyRulerToCurrentGrid() = 0;
  // The status bar and the tool bar shown or hidden as the store's checks of 80 and 81 say.
  virtual void SetToolbarAndStatusBarVisibility() = 0;
  virtual void ShowHelpContext(int context) = 0;
  // The document's tag display (0 hidden, 1 prefix, 2 suffix, 3 words hidden), when one is open.
  virtual void SetDocumentTagDisplay(uint8_t display) = 0;
  // The menus show the store's check marks again and the current grid is repainted.
  virtual void RefreshChecksAndGrid() = 0;
};

// True when the tag is one of the common commands and was handled; Cause a Crash (56) throws
// ECauseACrash, which the exception report takes.
bool HandleGeneralMenuCommand(int tag, TGeneralMenuWindow& window);
