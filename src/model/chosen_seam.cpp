#include "model/chosen_seam.h"

#include <cstdio>
#include <cstring>

#include "platform/rtl/files.h"

namespace chosen_seam {

namespace {
constexpr int kTools = 18;
constexpr int kLists = 48;
}  // namespace

int32_t ToolSignature(uint8_t tool) {
  if (tool >= kTools) return 0;
  return 0x54530700 + tool;
}

std::string ListSignature(uint8_t list_type) {
  if (list_type >= kLists) return {};
  char buf[32];
  std::snprintf(buf, sizeof buf, "TESSORINE LIST %02d", list_type);
  return buf;
}

bool DiskFileType(const uint8_t* field, uint8_t& list_type) {
  const uint8_t n = field[0];
  if (n > 40) return false;
  const std::string text(reinterpret_cast<const char*>(field + 1), n);
  for (int t = 0; t < kLists; ++t) {
    if (ListSignature(static_cast<uint8_t>(t)) == text) {
      list_type = static_cast<uint8_t>(t);
      return true;
    }
  }
  return false;
}

UString ToolName(uint8_t tool) {
  if (tool == 1) return u"Linzora";
  if (tool >= kTools) return {};
  return u"Tool " + IntToUStr(tool);
}

UString TempFolder() { return SystemTempFolder(); }

UString ResText(Text id) {
  switch (id) {
    case Text::TheseFiles: return u"these files: %s";
    case Text::NManyTextFilesLoadedFrom: return u"%d text files loaded from %s";
    case Text::XTextFiles: return u"%d text files (%s)";
    case Text::Filename: return u"File";
    case Text::Date: return u"Date";
    case Text::Size: return u"Size";
    case Text::Unicode: return u"Unicode";
    case Text::Wanted: return u"Wanted";
    case Text::Words: return u"Words";
  }
  return {};
}

UString ResFmt(Text id, std::initializer_list<UStringView> args) { return UFormat(ResText(id), args); }

}  // namespace chosen_seam
