// The command line of a list tool: a document to open, a sibling tool's name, one-letter switches
// and "/log" with an optional log file. Parsing records what was found; what a switch means is the
// main window's business. "/log" takes effect at once (logging on, a new log section) and is kept in
// the settings store, as Settings > General keeps it.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/rtl/ustring.h"

// Flags of TVXParamsFound::parms_found.
inline constexpr uint16_t kParmLog = 0x0001;
inline constexpr uint16_t kParmToolNamed = 0x0004;
inline constexpr uint16_t kParmSwitchC = 0x0008;
inline constexpr uint16_t kParmSwitchK = 0x0010;
inline constexpr uint16_t kParmSwitchW = 0x0020;
inline constexpr uint16_t kParmSwitchI = 0x0040;
inline constexpr uint16_t kParmSwitchG = 0x0080;
inline constexpr uint16_t kParmSwitchFOrY = 0x0100;
inline constexpr uint16_t kParmSwitchY = 0x0200;

// The log file used by "/log" given without a name, inside the system's temporary folder.
inline constexpr char16_t kDefaultLogName[] = u"VXlog.txt";

struct TVXParamsFound {
  // Every parameter that is neither "/log" (with its name) nor a switch, in order, joined by " ".
  UString formatted_params;
  UString logfilename;
  uint16_t parms_found = 0;
  uint8_t tool_wanted = 17;
};

// Parses params (argv without the program's own name). Empty parameters are skipped.
void ParseCommandLine(const std::vector<UString>& params, TVXParamsFound& out);

// The document a command line names: the joined parameters when they name an existing file
// (a path with blanks split by the caller's shell), else the first single parameter that does;
// "" when none does.
UString DocumentNamedOnCommandLine(const std::vector<UString>& params, const TVXParamsFound& found);
