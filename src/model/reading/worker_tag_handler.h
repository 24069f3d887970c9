// The tag handler a worker thread reads its texts with: the run's tag settings (taken once, before
// any worker starts) with every tag list loaded afresh, so that no worker shares a handler.
#pragma once

#include <memory>

#include "model/reading/tag_handler.h"
#include "model/reading/text_reader.h"

std::unique_ptr<TTextTagHandler> MakeWorkerTagHandler(const TTextReadSnapshot& snapshot);
