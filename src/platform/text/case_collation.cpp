// Case mapping, case folding, composition and collation on ICU.
#include <unicode/coll.h>
#include <unicode/locid.h>
#include <unicode/uchar.h>
#include <unicode/unorm2.h>
#include <unicode/uset.h>
#include <unicode/ustring.h>

#include <climits>
#include <memory>
#include <mutex>
#include <unordered_map>

#include "platform/text/text_internal.h"
#include "platform/text/text_services.h"

namespace {

int32_t ClampedLength(size_t n) { return n > size_t(INT32_MAX) ? INT32_MAX : int32_t(n); }

// Turkish (0x1F) and Azerbaijani (0x2C) pair i with U+0130 and U+0131 with I.
bool IsTurkic(TLCID lcid) {
  const TLCID primary = lz_text_detail::ResolvedLCID(lcid) & 0x3FF;
  return primary == 0x1F || primary == 0x2C;
}

template <bool kUpper>
UString MapCase(UStringView s, TLCID lcid) {
  const bool turkic = IsTurkic(lcid);
  UString out(s);
  const size_t n = out.size();
  for (size_t i = 0; i < n; ++i) {
    const char16_t c = out[i];
    if (c < 0x80) {
      if (kUpper && c >= 'a' && c <= 'z')
        out[i] = (turkic && c == 'i') ? char16_t(0x0130) : char16_t(c - 32);
      else if (!kUpper && c >= 'A' && c <= 'Z')
        out[i] = (turkic && c == 'I') ? char16_t(0x0131) : char16_t(c + 32);
      continue;
    }
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < n && out[i + 1] >= 0xDC00 && out[i + 1] <= 0xDFFF) {
      const UChar32 cp = U16_GET_SUPPLEMENTARY(c, out[i + 1]);
      const UChar32 m = kUpper ? u_toupper(cp) : u_tolower(cp);
      if (m >= 0x10000) {
        out[i] = U16_LEAD(m);
        out[i + 1] = U16_TRAIL(m);
      }
      ++i;
      continue;
    }
    if (!kUpper && turkic && c == 0x0130) {
      out[i] = u'i';
      continue;
    }
    const UChar32 m = kUpper ? u_toupper(c) : u_tolower(c);
    if (m < 0x10000) out[i] = char16_t(m);
  }
  return out;
}

// Runs an ICU string function that writes into a buffer, growing the buffer once when the first
// guess was too small. On failure the input is given back unchanged.
template <typename F>
UString RunIcuStringFunction(UStringView s, F f) {
  UString out(s.size() + s.size() / 4 + 8, u'\0');
  UErrorCode err = U_ZERO_ERROR;
  int32_t len = f(out.data(), ClampedLength(out.size()), err);
  if (err == U_BUFFER_OVERFLOW_ERROR) {
    out.assign(size_t(len), u'\0');
    err = U_ZERO_ERROR;
    len = f(out.data(), ClampedLength(out.size()), err);
  }
  if (U_FAILURE(err)) return UString(s);
  out.resize(size_t(len));
  return out;
}

// --- collators ---

struct TCollatorCache {
  std::mutex lock;
  std::unordered_map<uint64_t, std::unique_ptr<icu::Collator>> collators;
};

std::unique_ptr<icu::Collator> MakeCollator(TLCID lcid, bool case_sensitive) {
  UErrorCode err = U_ZERO_ERROR;
  const std::string name = lz_text_detail::IcuLocaleOfLCID(lcid);  // "" is the root locale
  std::unique_ptr<icu::Collator> c(icu::Collator::createInstance(icu::Locale(name.c_str()), err));
  if (U_FAILURE(err) || !c) {
    err = U_ZERO_ERROR;
    c.reset(icu::Collator::createInstance(icu::Locale::getRoot(), err));
    if (U_FAILURE(err)) c.reset();
  }
  if (c) c->setStrength(case_sensitive ? icu::Collator::TERTIARY : icu::Collator::SECONDARY);
  return c;
}

// The collator of a language and case flag; nullptr only when ICU has no collation data at all.
// The last answer is remembered per thread, so a sort that compares millions of words with one
// collator takes no lock.
const icu::Collator* CollatorFor(TLCID lcid, bool case_sensitive) {
  const uint64_t key = (uint64_t(lcid) << 1) | (case_sensitive ? 1 : 0);
  thread_local uint64_t last_key = ~uint64_t(0);
  thread_local const icu::Collator* last = nullptr;
  if (key == last_key) return last;
  // Kept for the life of the process: collators are costly to make and few.
  static TCollatorCache* cache = new TCollatorCache;
  std::lock_guard<std::mutex> guard(cache->lock);
  auto it = cache->collators.find(key);
  if (it == cache->collators.end()) it = cache->collators.emplace(key, MakeCollator(lcid, case_sensitive)).first;
  last_key = key;
  last = it->second.get();
  return last;
}

int OrdinalCompare(UStringView a, UStringView b) {
  const int r = a.compare(b);
  return r < 0 ? -1 : (r > 0 ? 1 : 0);
}

}  // namespace

UString UpperCaseU(UStringView s, TLCID lcid) { return MapCase<true>(s, lcid); }
UString LowerCaseU(UStringView s, TLCID lcid) { return MapCase<false>(s, lcid); }

bool SameUnitFolded(char16_t a, char16_t b) {
  return a == b || u_foldCase(a, U_FOLD_CASE_DEFAULT) == u_foldCase(b, U_FOLD_CASE_DEFAULT);
}

UString FoldCaseU(UStringView s) {
  return RunIcuStringFunction(s, [&](char16_t* dest, int32_t cap, UErrorCode& err) {
    return u_strFoldCase(dest, cap, s.data(), ClampedLength(s.size()), U_FOLD_CASE_DEFAULT, &err);
  });
}

const std::vector<std::pair<char32_t, char32_t>>& CaseChangingRanges() {
  static const std::vector<std::pair<char32_t, char32_t>> ranges = [] {
    std::vector<std::pair<char32_t, char32_t>> r;
    // A fold other than the code point itself comes with a lower, upper or title case other than
    // it (Cherokee small letters fold to their capitals, which are their upper case). The set that
    // says whether folding changes a character is not taken: it is worked out through the
    // canonical decompositions and costs a millisecond to make.
    UErrorCode err = U_ZERO_ERROR;
    const USet* set = u_getBinaryPropertySet(UCHAR_CHANGES_WHEN_CASEMAPPED, &err);
    bool ok = U_SUCCESS(err) && set != nullptr;
    const int32_t n = ok ? uset_getRangeCount(set) : 0;
    for (int32_t i = 0; i < n && ok; ++i) {
      UChar32 first = 0, last = -1;
      err = U_ZERO_ERROR;
      ok = uset_getItem(set, i, &first, &last, nullptr, 0, &err) == 0 && U_SUCCESS(err) && first <= last;
      if (ok) r.emplace_back(static_cast<char32_t>(first), static_cast<char32_t>(last));
    }
    // Without the properties, every code point may change.
    if (!ok) r.assign(1, {char32_t{0}, char32_t{0x10FFFF}});
    return r;
  }();
  return ranges;
}

void ComposeNFCInto(UStringView s, UString& out) {
  UErrorCode err = U_ZERO_ERROR;
  const UNormalizer2* nfc = unorm2_getNFCInstance(&err);
  // Most corpus text is already composed: then it is only checked, not rebuilt.
  const int32_t len = ClampedLength(s.size());
  if (U_FAILURE(err) || (unorm2_spanQuickCheckYes(nfc, s.data(), len, &err) == len && U_SUCCESS(err))) {
    out.assign(s);
    return;
  }
  err = U_ZERO_ERROR;
  out.resize(std::max(out.capacity(), s.size() + s.size() / 4 + 8));
  int32_t got = unorm2_normalize(nfc, s.data(), len, out.data(), ClampedLength(out.size()), &err);
  if (err == U_BUFFER_OVERFLOW_ERROR) {
    out.resize(size_t(got));
    err = U_ZERO_ERROR;
    got = unorm2_normalize(nfc, s.data(), len, out.data(), ClampedLength(out.size()), &err);
  }
  if (U_FAILURE(err)) {
    out.assign(s);
    return;
  }
  out.resize(size_t(got));
}

UString ComposeNFC(UStringView s) {
  UString out;
  ComposeNFCInto(s, out);
  return out;
}

bool IsComposedNFC(UStringView s) {
  UErrorCode err = U_ZERO_ERROR;
  const UNormalizer2* nfc = unorm2_getNFCInstance(&err);
  if (U_FAILURE(err)) return true;
  const int32_t len = ClampedLength(s.size());
  return unorm2_spanQuickCheckYes(nfc, s.data(), len, &err) == len && U_SUCCESS(err);
}

bool KeptByComposition(char32_t c) {
  // Nothing composes with a character before it unless its quick check is "maybe", and nothing is
  // reordered among characters of class 0.
  auto kept = [](UChar32 x) {
    return u_getCombiningClass(x) == 0 && u_getIntPropertyValue(x, UCHAR_NFC_QUICK_CHECK) == UNORM_YES;
  };
  if (c < 0x300) return true;
  if (c >= 0x10000) return c <= 0x10FFFF && kept(static_cast<UChar32>(c));  // seldom: asked each time
  // One bit a unit from U+0300 on, asked once.
  static const std::vector<uint64_t> bits = [&kept] {
    std::vector<uint64_t> b((0x10000 - 0x300 + 63) / 64, 0);
    for (UChar32 x = 0x300; x < 0x10000; ++x)
      if ((x < 0xD800 || x > 0xDFFF) && kept(x)) b[static_cast<size_t>(x - 0x300) / 64] |= uint64_t{1} << ((x - 0x300) % 64);
    return b;
  }();
  const size_t i = static_cast<size_t>(c - 0x300);
  return ((bits[i / 64] >> (i % 64)) & 1) != 0;
}

int CompareStringsLocale(TLCID lcid, bool case_sensitive, UStringView a, UStringView b) {
  const icu::Collator* c = CollatorFor(lcid, case_sensitive);
  if (!c) return OrdinalCompare(a, b);
  UErrorCode err = U_ZERO_ERROR;
  const UCollationResult r = c->compare(a.data(), ClampedLength(a.size()), b.data(), ClampedLength(b.size()), err);
  if (U_FAILURE(err)) return OrdinalCompare(a, b);
  return r == UCOL_LESS ? -1 : (r == UCOL_GREATER ? 1 : 0);
}

std::string CollationSortKey(TLCID lcid, bool case_sensitive, UStringView s) {
  const icu::Collator* c = CollatorFor(lcid, case_sensitive);
  if (!c) {
    // Without collation data: code units, high byte first, so that memcmp keeps their order.
    std::string key;
    key.reserve(s.size() * 2);
    for (char16_t u : s) {
      key.push_back(char(u >> 8));
      key.push_back(char(u & 0xFF));
    }
    return key;
  }
  std::string key(s.size() * 3 + 16, '\0');
  const int32_t len = ClampedLength(s.size());
  int32_t need = c->getSortKey(s.data(), len, reinterpret_cast<uint8_t*>(key.data()), ClampedLength(key.size()));
  if (need > int32_t(key.size())) {
    key.assign(size_t(need), '\0');
    need = c->getSortKey(s.data(), len, reinterpret_cast<uint8_t*>(key.data()), ClampedLength(key.size()));
  }
  // The key ends in a zero byte and holds no other: dropping it keeps the order.
  key.resize(need > 0 ? size_t(need - 1) : 0);
  return key;
}
