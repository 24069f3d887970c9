// The program's start-up routine (main.cpp), callable from tests.
#pragma once

#include <memory>
#include <vector>

#include "platform/rtl/ustring.h"

class TConcSortForm;
class TFormLinzora;
class TFormStartWizardC;
class TQtControllerStandIn;

struct TStartupUnit {
  const char* name;
  void (*init)();
  void (*quit)();
};
// The units in initialisation order.
std::vector<TStartupUnit> ProgramUnits();
// Initialises every unit once (a second call does nothing); answers how many are up.
int StartProgramUnits();
// Tears them down in reverse order; answers the quit lines in the order written.
std::vector<UString> StopProgramUnits();

// The program's windows in their making order; the main window owns the dialogs.
struct TProgramWindows {
  ~TProgramWindows();
  std::unique_ptr<TQtControllerStandIn> controller;
  std::unique_ptr<TFormLinzora> main;
  TConcSortForm* sort = nullptr;
  TFormStartWizardC* wizard = nullptr;
};
// command_line: the parameters to use instead of the process's own (tests).
std::unique_ptr<TProgramWindows> MakeProgramWindows(const std::vector<UString>* command_line);
