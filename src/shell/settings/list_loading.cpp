#include "shell/settings/list_loading.h"

#include "platform/lemmatiser/lemmatiser.h"
#include "platform/rtl/files.h"
#include "platform/runtime/vx_resources.h"
#include "platform/runtime/vx_runtime.h"
#include "platform/settings/settings_access.h"
#include "shell/services/progress.h"
#include "shell/services/suite_services.h"
#include "shell/menus/tool_pages.h"

namespace {

TOneToolWindowList* g_pages = nullptr;
int g_loading_kind = 0;
UString g_loading_file;

constexpr int kKinds = 4;

TProgressClass* Progress() { return GlobalProgress(); }

}  // namespace

void SetListLoadingPages(TOneToolWindowList* pages) { g_pages = pages; }

void ListLoadSetNLines(int32_t n) {
  if (g_pages) g_pages->SetNLines(n);
  if (TProgressClass* p = Progress()) {
    p->ClearBarsOnly();
    p->ProgressLongMessage(VXResFmt(TVXRes::VXLoadingX, {g_loading_file}));
  }
  MyYieldProcess();
}

void ListLoadShowProgress(int32_t line) {
  MyYieldProcess();
  if (global_panic_state != kPanicNone) {
    CancelOne(current_tool_var, g_loading_kind);
    return;
  }
  TProgressClass* p = Progress();
  if (p && g_pages) p->ThisPercent(g_pages->PercentOfLine(line));
}

bool LoadALemmaMatchOrStopList(int kind) {
  if (kind < 0 || kind >= kKinds) return false;
  const UString file = GetLemmaMatchStopFilename(current_tool_var, static_cast<uint8_t>(kind));
  bool loaded = false;
  UString why;
  if (!file.empty()) {
    g_loading_kind = kind;
    g_loading_file = file;
    TLemmatiserLoadOptions options;
    options.set_n_lines = &ListLoadSetNLines;
    options.show_progress = &ListLoadShowProgress;
    loaded = LoadedOne(current_tool_var, kind, file, options, &why);
  }
  if (loaded) Global_stopLemmaMatchLoaded[kind] = true;
  const UString said =
      VXRes(loaded ? TVXRes::VXListIsLoaded : TVXRes::VXListIsntLoaded) + (why.empty() ? UString() : u": " + why);
  if (TProgressClass* p = Progress()) {
    p->ThisPercent(0);
    p->ProgressLongMessage(said);
  }
  if (global_keeping_log) AddToLogFile(said + u" " + file);
  return loaded;
}

void LoadOrClearListNow(int kind, bool load) {
  if (kind < 0 || kind >= kKinds) return;
  if (load) {
    LoadALemmaMatchOrStopList(kind);
    return;
  }
  ClearOne(current_tool_var, kind);
  Global_stopLemmaMatchLoaded[kind] = false;
}

void LoadWantedLists() {
  for (int kind = 0; kind < kKinds; ++kind) {
    const auto k = static_cast<uint8_t>(kind);
    if (!GetLemmaMatchStopWanted(current_tool_var, k)) {
      if (Global_stopLemmaMatchLoaded[kind]) {
        ClearOne(current_tool_var, kind);
        Global_stopLemmaMatchLoaded[kind] = false;
      }
      continue;
    }
    const UString file = GetLemmaMatchStopFilename(current_tool_var, k);
    if (!file.empty() && FileExists(file) && !Global_stopLemmaMatchLoaded[kind]) LoadALemmaMatchOrStopList(kind);
  }
}
