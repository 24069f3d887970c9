// What the concordancer does on its own once its window is up, decided from the command line
// alone: nothing (the user starts from the wizard), open a saved concordance, answer another
// tool's request file, or run a follow-up search another tool left in the store (switch F
// without, Y with its context word). A calling tool named on the line takes precedence; a name
// that is neither a file nor a tool is reported and nothing runs. Without a command line the last
// file used is reopened when the start-up options say so.
#pragma once

#include <cstdint>

#include "shell/services/command_line.h"

enum class TStartupActionKind : uint8_t {
  kNothing,
  kOpenDocument,
  kToolRequest,
  kFollowUp,
  kUnknownName,
};

struct TStartupAction {
  TStartupActionKind kind = TStartupActionKind::kNothing;
  bool with_context = false;  // follow-up with the context word
  uint8_t tool = 17;          // the calling tool of a request
  bool operator==(const TStartupAction&) const = default;
};

// parms as parsed; named_file_exists: the formatted parameters name an existing file, or, with no
// parameter at all, the start-up options reopen the last file used and it still exists.
TStartupAction DecideStartupAction(const TVXParamsFound& parms, bool any_parameter, bool named_file_exists);
