#include "model/reading/html_entities.h"

#include <atomic>
#include <cstring>

#include "platform/rtl/files.h"
#include "platform/rtl/streams.h"
#include "platform/text/text_files.h"
#include "platform/text/text_services.h"

namespace {

// A user list is a small hand-written file; anything larger is not one.
constexpr int64_t kMaxListBytes = 64LL * 1024 * 1024;

constexpr char32_t kMaxCodePoint = 0x10FFFF;

bool IsSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDFFF; }
bool IsValidCodePoint(char32_t c) { return c >= 1 && c <= kMaxCodePoint && !IsSurrogate(c); }


// --- numbers ---------------------------------------------------------------------------------

int HexDigit(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

// An integer as the runtime reads one: decimal with an optional sign, or hexadecimal after "$"
// or "0x". is_number tells whether the text is one; the value saturates above the code range.
int64_t ParseListNumber(const UString& v, bool& is_number) {
  is_number = false;
  size_t i = 0;
  bool negative = false;
  if (i < v.size() && (v[i] == u'+' || v[i] == u'-')) negative = v[i++] == u'-';
  int base = 10;
  if (i < v.size() && v[i] == u'$') base = 16, ++i;
  else if (i + 1 < v.size() && v[i] == u'0' && (v[i + 1] == u'x' || v[i + 1] == u'X')) base = 16, i += 2;
  if (i == v.size()) return 0;
  int64_t value = 0;
  for (; i < v.size(); ++i) {
    const int d = HexDigit(v[i]);
    if (d < 0 || d >= base) return 0;
    value = value * base + d;
    if (value > kMaxCodePoint) value = kMaxCodePoint + 1;  // out of range, however long the run
  }
  is_number = true;
  return negative ? -value : value;
}

// Writes a code point as one or two UTF-16 units; the number written.
size_t PutCodePoint(char16_t* out, char32_t c) {
  if (c <= 0xFFFF) {
    out[0] = static_cast<char16_t>(c);
    return 1;
  }
  c -= 0x10000;
  out[0] = static_cast<char16_t>(0xD800 + (c >> 10));
  out[1] = static_cast<char16_t>(0xDC00 + (c & 0x3FF));
  return 2;
}

char16_t FoldChar(char16_t c) {
  if (c >= u'A' && c <= u'Z') return static_cast<char16_t>(c + 32);
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return static_cast<char16_t>(c + 32);
  return c;
}

UString TwoHex(unsigned v) {
  static const char16_t digits[] = u"0123456789ABCDEF";
  return UString{digits[(v >> 4) & 0xF], digits[v & 0xF]};
}

}  // namespace

// --- TSimpleUserTextFileReader -------------------------------------------------------------------

bool TSimpleUserTextFileReader::LoadedFromFile(UStringView filename) {
  if (filename.empty() || !FileExists(filename)) return false;
  auto f = TFileStream::Open(UString(filename), TFileMode::OpenRead);
  if (!f) return false;
  return LoadedFromStream(*f);
}

bool TSimpleUserTextFileReader::LoadedFromStream(TStream& stream) {
  const int64_t left = stream.BytesLeft();
  if (left < 2 || left > kMaxListBytes) return false;
  std::vector<uint8_t> bytes(static_cast<size_t>(left));
  if (!stream.ReadExact(bytes.data(), left)) return false;

  UString text;
  const bool wide = IsUtf16Kind(DecodeTextBytes(bytes.data(), bytes.size(), text));

  // UTF-16 lists also end an entry (and a comment) at a vertical tab or a parenthesis.
  auto ends_line = [wide](char16_t c) {
    return c == 0 || c == u'\n' || c == u'\f' || c == u'\r' ||
           (wide && (c == u'\v' || c == u'(' || c == u')'));
  };
  auto ends_entry = [&](char16_t c) { return c == u',' || ends_line(c); };

  const size_t n = text.size();
  size_t i = 0;
  while (i < n) {
    size_t j = i;
    while (j < n && !ends_entry(text[j])) ++j;
    const UString entry = TrimU(UStringView(text).substr(i, j - i));
    if (!entry.empty() && entry[0] == u';') {
      while (j < n && !ends_line(text[j])) ++j;  // a comment runs to the end of its line
    } else if (!entry.empty()) {
      AddIfFormatOK(entry);
    }
    if (j < n) j += (text[j] == u'\r' && j + 1 < n && text[j + 1] == u'\n') ? 2 : 1;
    i = j;
  }
  return true;
}

// --- TEntityRecList ------------------------------------------------------------------------------

void TEntityRecList::Clear() {
  items_.clear();
  longest_ = 0;
}

void TEntityRecList::LoadUpDefaults() {
  AddIfFormatOK(u"&gt; 62");
  AddIfFormatOK(u"&lt; 60");
  AddIfFormatOK(u"&ast; 42");
}

bool TEntityRecList::LoadedFromFile(UStringView filename) {
  Clear();
  LoadUpDefaults();
  return TSimpleUserTextFileReader::LoadedFromFile(filename);
}

void TEntityRecList::AddIfFormatOK(const UString& s) {
  // Entity and value are split at the first tab, or else at the first blank.
  size_t p = s.find(u'\t');
  if (p == UString::npos || p == 0) p = s.find(u' ');
  if (p == UString::npos || p == 0 || s.empty() || s[0] != u'&') return;
  const UString human = TrimU(UStringView(s).substr(0, p));
  const UString value = TrimU(UStringView(s).substr(p + 1));
  if (value.empty()) return;
  bool is_number = false;
  const int64_t number = ParseListNumber(value, is_number);
  char32_t code = 0;
  if (is_number) {
    code = (number < 1 || number > kMaxCodePoint) ? 0 : static_cast<char32_t>(number);
  } else {
    code = value[0];  // the character itself
    if (code >= 0xD800 && code <= 0xDBFF && value.size() > 1 && value[1] >= 0xDC00 && value[1] <= 0xDFFF)
      code = 0x10000 + ((code - 0xD800) << 10) + (value[1] - 0xDC00);
  }
  if (!IsValidCodePoint(code)) return;
  auto h = std::make_unique<TEntityRecHolder>();
  h->rec.char_num = static_cast<int32_t>(code);
  h->rec.len = static_cast<int32_t>(human.size());
  h->rec.human = human;
  if (human.size() > longest_) longest_ = human.size();
  items_.push_back(std::move(h));
}

char32_t TEntityRecList::Lookup(const char16_t* name, size_t n) const {
  char32_t folded_match = 0;
  for (auto it = items_.rbegin(); it != items_.rend(); ++it) {
    const TEntity_rec& r = (*it)->rec;
    if (r.human.size() != n) continue;
    if (std::memcmp(r.human.data(), name, n * sizeof(char16_t)) == 0) return static_cast<char32_t>(r.char_num);
    if (folded_match == 0) {
      size_t k = 0;
      while (k < n && FoldChar(r.human[k]) == FoldChar(name[k])) ++k;
      if (k == n) folded_match = static_cast<char32_t>(r.char_num);
    }
  }
  return folded_match;
}

namespace {
std::atomic<bool> s_entity_table_loaded{false};
}  // namespace

TEntityRecList& GlobalEntityRecList() {
  // Made with its defaults on first use; a function-local static is made once, whichever
  // thread asks first.
  static TEntityRecList list = [] {
    TEntityRecList l;
    l.LoadUpDefaults();
    return l;
  }();
  return list;
}

const TEntityRecList& EntityTable() { return GlobalEntityRecList(); }

bool LoadEntityTable(UStringView filename) {
  const bool ok = GlobalEntityRecList().LoadedFromFile(filename);
  s_entity_table_loaded.store(true, std::memory_order_release);
  return ok;
}

bool EntityTableLoaded() { return s_entity_table_loaded.load(std::memory_order_acquire); }

// --- unit routines -------------------------------------------------------------------------------

size_t DecodeHtmlEntitiesInPlace(char16_t* buffer, size_t length, const TEntityRecList& entities, uint32_t* positions) {
  // Each kept or decoded character takes the position of the first character it came from.
  auto move_pos = [positions](size_t w, size_t units, size_t r) {
    if (positions)
      for (size_t u = 0; u < units; ++u) positions[w + u] = positions[r];
  };
  size_t r = 0, w = 0;
  const size_t longest = entities.LongestEntity();
  while (r < length) {
    if (buffer[r] != u'&') {
      move_pos(w, 1, r);
      buffer[w++] = buffer[r++];
      continue;
    }
    if (r + 1 < length && buffer[r + 1] == u'#') {
      size_t k = r + 2;
      const bool hex = k < length && (buffer[k] == u'x' || buffer[k] == u'X');
      if (hex) ++k;
      const size_t first_digit = k;
      char32_t value = 0;
      for (; k < length; ++k) {
        const int d = HexDigit(buffer[k]);
        if (d < 0 || (!hex && d > 9)) break;
        value = value * (hex ? 16 : 10) + static_cast<char32_t>(d);
        if (value > kMaxCodePoint) value = kMaxCodePoint + 1;  // stays invalid, however long the run
      }
      if (k > first_digit && IsValidCodePoint(value)) {
        if (k < length && buffer[k] == u';') ++k;
        const size_t r0 = r;
        const size_t units = PutCodePoint(buffer + w, value);  // "&#N" is 3 or more units, a pair 2
        move_pos(w, units, r0);
        w += units;
        r = k;
        continue;
      }
      move_pos(w, 1, r);
      buffer[w++] = buffer[r++];  // not an entity: the "&" stays, the rest follows as it is
      continue;
    }
    // A name runs to its first ";" or blank, which belongs to it, or to the end of the text.
    size_t k = r + 1;
    while (k < length && k - r <= longest && buffer[k] != u';' && buffer[k] != u' ' && buffer[k] != 0) ++k;
    size_t end = 0;
    if (k < length && (buffer[k] == u';' || buffer[k] == u' ')) end = k + 1;
    else if (k >= length || buffer[k] == 0) end = k;
    if (end > r && end - r <= longest) {
      const char32_t c = entities.Lookup(buffer + r, end - r);
      if (c != 0 && w + (c > 0xFFFF ? 2 : 1) <= end) {
        const size_t units = PutCodePoint(buffer + w, c);
        move_pos(w, units, r);
        w += units;
        r = end;
        continue;
      }
    }
    move_pos(w, 1, r);
    buffer[w++] = buffer[r++];
  }
  if (w < length) buffer[w] = 0;
  return w;
}

size_t DecodeHtmlEntitiesInPlace(char16_t* buffer, size_t length) {
  return DecodeHtmlEntitiesInPlace(buffer, length, GlobalEntityRecList());
}

size_t DecodeHtmlEntitiesInPlace(char16_t* buffer) {
  size_t n = 0;
  while (buffer[n] != 0) ++n;
  const size_t w = DecodeHtmlEntitiesInPlace(buffer, n, GlobalEntityRecList());
  buffer[w] = 0;
  return w;
}

UString HtmlEscaped(UStringView s) {
  UString out;
  out.reserve(s.size() + s.size() / 8);
  for (char16_t c : s) {
    switch (c) {
      case u'>': out += u"&gt;"; break;
      case u'<': out += u"&lt;"; break;
      case u'&': out += u"&amp;"; break;
      case u'"': out += u"&quot;"; break;
      default:
        if (c == u'\\' || (c >= 160 && c <= 255)) out += u"&#" + IntToUStr(c) + u";";
        else out.push_back(c);
    }
  }
  return out;
}

UString TagsInHtmlColour(UStringView s, uint32_t colour) {
  const UString rgb = TwoHex(colour & 0xFF) + TwoHex((colour >> 8) & 0xFF) + TwoHex((colour >> 16) & 0xFF);
  UString out;
  size_t pos = 0;
  for (;;) {
    const size_t lt = s.find(u'<', pos);
    if (lt == UStringView::npos) break;
    const size_t gt = s.find(u'>', lt + 1);
    if (gt == UStringView::npos) break;
    out.append(s.substr(pos, lt - pos));
    out += u"<font color = \"#" + rgb + u"\">&lt;" + HtmlEscaped(s.substr(lt + 1, gt - lt - 1)) + u"&gt;</font>";
    pos = gt + 1;
  }
  out.append(s.substr(pos));
  return out;
}
