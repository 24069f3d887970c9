// A user line filter for the tests: keeps lines holding "keep", throws on lines holding "throw",
// and notes the arguments of its last call.
#include <cstdint>
#include <stdexcept>
#include <string>

namespace {
uint32_t g_last[5];
std::u16string g_last_file;
}  // namespace

extern "C" int32_t HandleConcordanceLine(const void* line, uint32_t midpoint, uint32_t hit_characters,
                                         uint32_t byte_position, uint32_t lcid, uint32_t utf16,
                                         const char16_t* file) {
  g_last[0] = midpoint;
  g_last[1] = hit_characters;
  g_last[2] = byte_position;
  g_last[3] = lcid;
  g_last[4] = utf16;
  g_last_file = file;
  const std::u16string text(static_cast<const char16_t*>(line));
  if (text.find(u"throw") != std::u16string::npos) throw std::runtime_error("filter failed");
  return text.find(u"keep") != std::u16string::npos ? 1 : 0;
}

extern "C" const uint32_t* LastArguments() { return g_last; }
extern "C" const char16_t* LastFile() { return g_last_file.c_str(); }
