// A user word filter for the tests: drops "DROP", turns "CATS" into "CAT" and "OLD" into "NEW",
// throws on "THROW", and keeps every other word as it is.
#include <cstdint>
#include <stdexcept>
#include <string>

namespace {
thread_local std::u16string g_answer;
}  // namespace

extern "C" const char16_t* WordlistChangeWord(const char16_t* word, uint32_t, int32_t) {
  const std::u16string w(word);
  if (w == u"DROP") return nullptr;
  if (w == u"THROW") throw std::runtime_error("filter failed");
  if (w == u"CATS") g_answer = u"CAT";
  else if (w == u"OLD") g_answer = u"NEW";
  else g_answer = w;
  return g_answer.c_str();
}
