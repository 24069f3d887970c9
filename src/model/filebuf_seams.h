// The text reader's calls into the tool document, in one place. Stand-ins until the tool
// document is in: the text settings come from the settings store.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/rtl/streams.h"
#include "platform/search/chunk_byte_map.h"
#include "platform/settings/settings_records.h"
#include "platform/settings/vxbuf.h"
#include "platform/text/text_services.h"

class TTessorineholder;

namespace seam {

inline TTextsett_rec32 DocTextSettings(TTessorineholder*) { return GetTextSettings(); }
inline int DocCodePage(TTessorineholder*, const TTextsett_rec32& ts) { return ts.WindowsCodePage(); }
inline void DocSetUnicodeContent(TTessorineholder*, bool) {}

}  // namespace seam
