#include "model/reading/worker_tag_handler.h"

#include "model/reading/tag_lists.h"

std::unique_ptr<TTextTagHandler> MakeWorkerTagHandler(const TTextReadSnapshot& snapshot) {
  const auto lcid = static_cast<uint32_t>(snapshot.text_settings.LCID());
  const uint16_t code_page = snapshot.text_settings.WindowsCodePage();
  // A fresh handler has no list loaded: every list the settings use is read, changed or not.
  TTagReadSettings s = snapshot.tags;
  s.tags_modified = s.tags_exclude_modified = s.tags_translate_modified = true;
  auto handler = std::make_unique<TLinzoraTextTagHandler>(lcid, code_page, s);
  handler->UseReadSettings(s);
  TTagsToTranslateList translate(lcid, code_page);
  RefreshTagHandlerFromSettings(*handler, translate, s);
  handler->ClearBeforeMulti_fileProcessing();
  return handler;
}
