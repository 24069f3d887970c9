// The tag handler a worker thread reads its texts with: the run's tag settings (taken once, before
// any worker starts) with every tag list loaded afresh, so that no worker shares a handler.
// A window's own handler is loaded the same way (ReloadTagHandler), so that a tag's number in a
// line means the same tag to the document as to the worker that read it.
#pragma once

#include <memory>

#include "model/reading/tag_handler.h"
#include "model/reading/text_reader.h"

std::unique_ptr<TTextTagHandler> MakeWorkerTagHandler(const TTextReadSnapshot& snapshot);

// Every list of `settings` loaded into the handler again, changed or not, with its language and
// code page.
void ReloadTagHandler(TTextTagHandler& handler, TTagsToTranslateList& translate, TTagReadSettings settings,
                      uint32_t lcid, uint16_t code_page);
