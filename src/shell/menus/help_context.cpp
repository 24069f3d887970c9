#include "shell/menus/help_context.h"

#include "shell/menus/menu_store.h"

int BestHelpContext(int context, const std::vector<int>& contexts) {
  if (context > kGeneralHelpContext) return context;
  if (contexts.empty()) return kGeneralHelpContext;
  for (int c : contexts)
    if (c > kGeneralHelpContext) return c;
  return contexts.back();
}

bool HandleAHelpFileChoice(int context, void (*open_page)(int context)) {
  switch (GetVXHelpAccessMode()) {
    case 0:
      // This program's own help is the help web page too.
      if (open_page) open_page(context);
      return true;
    case 1:
      if (open_page) open_page(context);
      return false;
    default: return false;
  }
}
