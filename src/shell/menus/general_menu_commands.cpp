#include "shell/menus/general_menu_commands.h"

#include "exception_report/capture/exception_capture.h"
#include "platform/runtime/vx_runtime.h"
#include "platform/settings/settings_access.h"
#include "shell/main_window/controller_messages.h"
#include "shell/services/suite_services.h"

namespace {

using E = TGeneralEffect;

constexpr TGeneralMenuCommand kCommands[] = {
    {2, E::SaveTextPage},   {3, E::Open},           {12, E::DeleteGuard},  {26, E::Close},
    {46, E::Ruler},         {56, E::Crash},         {60, E::PostCode},     {61, E::PostCode},
    {62, E::PostCode},      {63, E::PostCode},      {64, E::PostCode},     {65, E::PostCode},
    {66, E::PostCode},      {67, E::PostCode},      {69, E::PostCode},      {71, E::PostCode},     {72, E::PostCode},
    {80, E::Bars},          {81, E::Bars},          {84, E::PostCode},     {110, E::PostCode},
    {111, E::PostCode},     {144, E::HelpContents}, {145, E::PostCode},    {219, E::TagDisplay},
    {220, E::TagDisplay},   {221, E::TagDisplay},   {222, E::CheckOnly},   {223, E::TagDisplay},
    {701, E::LanguageConfirmed},
};

constexpr int kTagDisplayTags[] = {219, 220, 221, 222, 223};

}  // namespace

std::span<const TGeneralMenuCommand> GeneralMenuCommands() { return kCommands; }

std::optional<TGeneralEffect> GeneralEffectOfTag(int tag) {
  for (const TGeneralMenuCommand& c : GeneralMenuCommands())
    if (c.tag == tag) return c.effect;
  return std::nullopt;
}

bool HandleGeneralMenuCommand(int tag, TGeneralMenuWindow& window) {
  const auto effect = GeneralEffectOfTag(tag);
  if (!effect) return false;
  switch (*effect) {
    case E::SaveTextPage: return window.SaveTextPageLines();
    case E::Open: window.OpenWithDialog(); return true;
    case E::DeleteGuard: return !window.MainFormIsActive();
    case E::Close: window.CloseDataFromMenu(); return true;
    case E::Ruler: window.ApplyRulerToCurrentGrid(); return true;
    case E::Crash: CauseACrash();
    case E::PostCode: PostToController(ControllerCodeOfMenuTag(tag)); return true;
    case E::Bars: window.SetToolbarAndStatusBarVisibility(); return true;
    case E::HelpContents: window.ShowHelpContext(ToolHelpContext(current_tool_var)); return true;
    case E::TagDisplay:
    case E::CheckOnly: {
      // One tag display at a time: the chosen item checked, the others not.
      for (int t : kTagDisplayTags) SetMenuItemChecked(t, t == tag);
      if (*effect == E::TagDisplay) window.SetDocumentTagDisplay(static_cast<uint8_t>(TagDisplayOfMenuTag(tag)));
      window.RefreshChecksAndGrid();
      return true;
    }
    case E::LanguageConfirmed: SetLanguageChangeFlag(true); return true;
  }
  return false;
}
