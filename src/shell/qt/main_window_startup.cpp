#include "shell/qt/main_window_startup.h"

TStartupAction DecideStartupAction(const TVXParamsFound& parms, bool any_parameter, bool named_file_exists) {
  TStartupAction a;
  if (!any_parameter) {
    // Without a command line the start-up options may name the last file used.
    if (named_file_exists) a.kind = TStartupActionKind::kOpenDocument;
    return a;
  }
  if (parms.tool_wanted != 17) {
    a.kind = TStartupActionKind::kToolRequest;
    a.tool = parms.tool_wanted;
    return a;
  }
  if (named_file_exists) {
    a.kind = TStartupActionKind::kOpenDocument;
    return a;
  }
  if (parms.parms_found & kParmSwitchFOrY) {
    a.kind = TStartupActionKind::kFollowUp;
    a.with_context = (parms.parms_found & kParmSwitchY) != 0;
    return a;
  }
  if (!parms.formatted_params.empty()) a.kind = TStartupActionKind::kUnknownName;
  return a;
}
