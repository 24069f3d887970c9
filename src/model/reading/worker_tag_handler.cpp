#include "model/reading/worker_tag_handler.h"

#include "model/reading/tag_lists.h"

void ReloadTagHandler(TTextTagHandler& handler, TTagsToTranslateList& translate, TTagReadSettings settings,
                      uint32_t lcid, uint16_t code_page) {
  handler.fLCID = translate.fLCID = lcid;
  handler.fCodepage = translate.fCodepage = code_page;
  // A list the store calls unchanged may still be new to this handler: each is read.
  settings.tags_modified = settings.tags_exclude_modified = settings.tags_translate_modified = true;
  handler.UseReadSettings(settings);
  RefreshTagHandlerFromSettings(handler, translate, settings);
}

std::unique_ptr<TTextTagHandler> MakeWorkerTagHandler(const TTextReadSnapshot& snapshot) {
  const auto lcid = static_cast<uint32_t>(snapshot.text_settings.LCID());
  const uint16_t code_page = snapshot.text_settings.WindowsCodePage();
  auto handler = std::make_unique<TLinzoraTextTagHandler>(lcid, code_page, snapshot.tags);
  TTagsToTranslateList translate(lcid, code_page);
  ReloadTagHandler(*handler, translate, snapshot.tags, lcid, code_page);
  handler->ClearBeforeMulti_fileProcessing();
  return handler;
}
