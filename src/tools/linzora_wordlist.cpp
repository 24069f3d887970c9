// Plays the suite's word-list tool on the command line (wordlist_commands.h): word lists,
// corpus indexes, a word's contexts handed to the concordancer, and the analyses into files.
#include <iostream>
#include <string>
#include <vector>

#include "platform/runtime/vx_runtime.h"
#include "platform/runtime/vx_tools.h"
#include "platform/settings/settings_access.h"
#include "tools/wordlist_commands.h"

int main(int argc, char** argv) {
  current_tool_var = kToolWordLister;
  SetupVXbufSharing();
  const std::vector<std::string> args(argv + 1, argv + argc);
  return RunWordlistTool(args, std::cout, std::cerr);
}
