#include "platform/rtl/streams.h"
#include "platform/text/text_services.h"

bool ReadShortStringInCodePage(TStream& s, UString& out, int code_page) {
  uint8_t len = 0;
  if (!ReadU8(s, len)) return false;
  uint8_t buf[255];
  if (!s.ReadExact(buf, len)) return false;
  out = DecodeCodePage(buf, len, code_page);
  return true;
}
