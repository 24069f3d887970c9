#include "shell/services/command_line.h"

#include "platform/rtl/files.h"
#include "platform/runtime/vx_runtime.h"
#include "platform/runtime/vx_tools.h"
#include "platform/settings/settings_access.h"

namespace {

bool IsSwitch(const UString& p) {
  if (p.size() != 2) return false;
  const char16_t first = p[0];
  if (first != u'-' && first != u'/' && first != u'\\') return false;
  return !(p == u"\\\\" || p == u"//");
}

void ApplySwitch(char16_t letter, uint16_t& flags) {
  switch (letter) {
    case u'C': flags |= kParmSwitchC; break;
    case u'K': flags |= kParmSwitchK; break;
    case u'W': flags |= kParmSwitchW; break;
    case u'I': flags |= kParmSwitchI; break;
    case u'G': flags |= kParmSwitchG; break;
    case u'F':
      flags |= kParmSwitchFOrY;
      flags &= static_cast<uint16_t>(~kParmSwitchY);
      break;
    case u'Y': flags |= kParmSwitchFOrY | kParmSwitchY; break;
    default: break;  // other letters (and lower case) are not switches of any tool
  }
}

void StartLogging(const UString& name, TVXParamsFound& out) {
  SetLogFilename(name);
  out.logfilename = GetLogFilename();
  // Stored, so that the log goes on after the settings are read again (on every settings change and
  // each time the window is activated); Settings > General switches it off.
  SetLogging(true);
  SetTheLogFilename(out.logfilename);
  out.parms_found |= kParmLog;
  global_keeping_log = true;
  AddToLogFile(u"---- new log section ----");
}

}  // namespace

void ParseCommandLine(const std::vector<UString>& params, TVXParamsFound& out) {
  out = TVXParamsFound{};
  for (size_t i = 0; i < params.size(); ++i) {
    const UString& p = params[i];
    if (p.empty()) continue;
    if (p == u"/log") {
      UString name;
      if (i + 1 < params.size()) {
        name = params[++i];
      } else {
        name = SystemTempFolder() + kDefaultLogName;
      }
      StartLogging(name, out);
      continue;
    }
    if (IsSwitch(p)) {
      ApplySwitch(p[1], out.parms_found);
      continue;
    }
    if (!(out.parms_found & kParmToolNamed)) {
      for (uint8_t tool = 0; tool <= 17; ++tool) {
        const UString short_name = GetShortToolFilename(tool);
        if (!short_name.empty() && AsciiLower(short_name) == AsciiLower(p)) {
          out.parms_found |= kParmToolNamed;
          out.tool_wanted = tool;
          break;
        }
      }
    }
    if (!out.formatted_params.empty()) out.formatted_params += u' ';
    out.formatted_params += p;
  }
}

UString DocumentNamedOnCommandLine(const std::vector<UString>& params, const TVXParamsFound& found) {
  if (!found.formatted_params.empty() && FileExists(found.formatted_params)) return found.formatted_params;
  for (size_t i = 0; i < params.size(); ++i) {
    if (params[i] == u"/log") {
      ++i;
      continue;
    }
    if (params[i].empty() || IsSwitch(params[i])) continue;
    if (FileExists(params[i])) return params[i];
  }
  return {};
}
