#include "windows/batch_rules.h"

UString CleanedUpFilename(UStringView word) {
  UString out;
  for (char16_t c : word) {
    const bool bad = c < 0x20 || c == u'/' || c == u'\\' || c == u':' || c == u'*' || c == u'?' || c == u'"' ||
                     c == u'<' || c == u'>' || c == u'|' || c == u' ';
    out.push_back(bad ? u'_' : c);
  }
  return out.empty() ? UString(u"search_word") : out;
}

UString BatchReport(const TBatchOutcome& o) {
  UString s = IntToUStr(o.saved) + (o.saved == 1 ? u" result saved in " : u" results saved in ") + o.folder + u".";
  if (!o.stopped_at.empty())
    s += u" The batch stopped at \"" + o.stopped_at + u"\" (step " + IntToUStr(o.steps_done) + u" of " +
         IntToUStr(o.steps) + u"), which could not be made or saved.";
  else if (o.stopped_by_user)
    s += u" Stopped after " + IntToUStr(o.steps_done) + u" of " + IntToUStr(o.steps) + u" steps.";
  else if (o.saved < o.steps_done)
    s += u" " + IntToUStr(o.steps_done - o.saved) + u" found nothing to save.";
  return s;
}
