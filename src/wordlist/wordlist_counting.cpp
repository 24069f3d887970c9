#include "wordlist/wordlist_counting.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <mutex>

#include <emmintrin.h>

#include "model/worker_tag_handler.h"
#include "platform/rtl/files.h"
#include "platform/rtl/temporary_names.h"
#include "platform/runtime/vx_maths.h"
#include "platform/runtime/vx_runtime.h"
#include "platform/search/search_chars.h"
#include "platform/settings/settings_access.h"
#include "platform/text/text_services.h"
#include "wordlist/word_list.h"
#include "wordlist/wordlist_indexer_streams.h"

namespace {

bool IsTagKind(uint16_t k) { return k > kKindHidden && k < kKindMarkerFlag; }
bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c < 0xDC00; }
bool IsLowSurrogate(char16_t c) { return c >= 0xDC00 && c < 0xE000; }

// One unit for one upper case of every unit of the basic plane, per locale kind (Turkish and
// Azeri map i and ı their own way); surrogates map to themselves and are upper-cased in pairs.
const char16_t* UpperTableFor(uint32_t lcid) {
  static std::mutex lock;
  static std::map<uint32_t, std::unique_ptr<char16_t[]>> tables;
  const uint32_t primary = lcid & 0x3FF;
  const uint32_t key = (primary == 0x1F || primary == 0x2C) ? primary : 0;
  std::lock_guard<std::mutex> guard(lock);
  auto& t = tables[key];
  if (!t) {
    t = std::make_unique<char16_t[]>(65536);
    UString all(65536, u' ');
    for (uint32_t c = 0; c < 65536; ++c) all[c] = (c >= 0xD800 && c < 0xE000) ? u' ' : static_cast<char16_t>(c);
    const UString upper = UpperCaseU(all, key == 0 ? kLCID_EnglishUS : static_cast<TLCID>(lcid));
    for (uint32_t c = 0; c < 65536; ++c) {
      const bool surrogate = c >= 0xD800 && c < 0xE000;
      t[c] = (surrogate || upper.size() != all.size()) ? static_cast<char16_t>(c) : upper[c];
    }
  }
  return t.get();
}

void UpperInPlace(UString& s, const char16_t* upper, uint32_t lcid) {
  bool pairs = false;
  for (char16_t& c : s) {
    if (IsHighSurrogate(c)) pairs = true;
    c = upper[c];
  }
  if (pairs) s = UpperCaseU(s, static_cast<TLCID>(lcid));  // one code point for one: the length stays
}

int32_t CodePoints(UStringView s) {
  int32_t n = 0;
  for (char16_t c : s) n += IsLowSurrogate(c) ? 0 : 1;
  return n;
}

// The first `points` code points of s.
UStringView FirstCodePoints(UStringView s, int32_t points) {
  size_t i = 0;
  for (int32_t p = 0; i < s.size() && p < points; ++p) i += (IsHighSurrogate(s[i]) && i + 1 < s.size()) ? 2 : 1;
  return s.substr(0, i);
}

void Welford(int64_t& n, double& mean, double& ssd, double x) {
  const double nd = static_cast<double>(n);
  ssd += (x - mean) * (x - mean) * nd / (nd + 1);
  mean = (nd * mean + x) / (nd + 1);
  ++n;
}

TText_stats_rec AsStatsGroup(int64_t n, double mean, double ssd) {
  TText_stats_rec g{};
  g.count = static_cast<int32_t>(std::min<int64_t>(n, INT32_MAX));
  g.mean = n > 0 ? static_cast<float>(mean) : 0.0f;
  g.sd = n > 1 ? static_cast<float>(std::sqrt(ssd / static_cast<double>(n - 1))) : 0.0f;
  return g;
}

}  // namespace

UString CountedForm(UStringView word, bool case_sensitive, uint32_t lcid) {
  UString s(word);
  if (!case_sensitive) UpperInPlace(s, UpperTableFor(lcid), lcid);
  return s;
}

TWordCountSetup MakeWordCountSetup(TTextReadRun* run, const TTextsett_rec32& text_settings,
                                   const TWordlist_settings_rec& list_settings, const std::vector<UString>& stop_words) {
  TWordCountSetup s;
  s.run = run;
  s.case_sensitive = list_settings.CaseSensitive();
  s.numbers_kept = list_settings.NumbersIncluded();
  s.min_length = std::max<int32_t>(1, list_settings.MinWordLength());
  s.max_length = list_settings.MaxWordLength();
  s.ratio_basis = list_settings.RatioBasis() > 0 ? list_settings.RatioBasis() : 1000;
  s.tag_treatment = std::min<uint8_t>(text_settings.TagTreatment(), 3);
  s.lcid = static_cast<uint32_t>(text_settings.LCID());
  s.exact_word_length = GetExactWordLength();
  s.cut_lower_case = GetCutLowCase();
  s.divisions = GetWordListDispersionDivisions();
  for (const UString& w : stop_words) s.stop_words.insert(CountedForm(w, s.case_sensitive, s.lcid));
  return s;
}

// --- the processor ---------------------------------------------------------------------------------

namespace {

// The hash of an ASCII word of a chunk, its units folded by `fold` (capitals and small letters one
// bit apart), four units at a time; `readable` units may be read from `at` (at least span).
uint32_t AsciiWordHash(const char16_t* at, int32_t span, int32_t readable, uint64_t fold) {
  uint64_t h = static_cast<uint64_t>(span) * 0x9E3779B97F4A7C15ull;
  int32_t i = 0;
  for (; i + 4 <= span; i += 4) {
    uint64_t x;
    std::memcpy(&x, at + i, 8);
    h = (h ^ (x & fold)) * 0xFF51AFD7ED558CCDull;
    h ^= h >> 29;
  }
  if (i < span) {
    uint64_t x = 0;
    if (i + 4 <= readable) {  // the units after the word are read and masked off
      std::memcpy(&x, at + i, 8);
      x &= (uint64_t{1} << (16 * (span - i))) - 1;
    } else {
      for (int32_t k = span - 1; k >= i; --k) x = x << 16 | at[k];
    }
    h = (h ^ (x & fold)) * 0xFF51AFD7ED558CCDull;
    h ^= h >> 29;
  }
  return static_cast<uint32_t>(h ^ (h >> 32));
}

// Whether the first n (at most 8) units at `at`, in capitals when `upper`, are form[0, n); eight
// units may be read at each.
bool SameAsciiForm(const char16_t* at, const char16_t* form, size_t n, bool upper) {
  __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
  if (upper) {
    const __m128i small = _mm_and_si128(_mm_cmpgt_epi16(v, _mm_set1_epi16(u'a' - 1)), _mm_cmplt_epi16(v, _mm_set1_epi16(u'z' + 1)));
    v = _mm_sub_epi16(v, _mm_and_si128(small, _mm_set1_epi16(0x20)));
  }
  const unsigned same = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi16(v, _mm_loadu_si128(reinterpret_cast<const __m128i*>(form)))));
  const unsigned wanted = (1u << (2 * n)) - 1;
  return (same & wanted) == wanted;
}

}  // namespace

TWordlistBufferProcessor::TWordlistBufferProcessor(const TWordCountSetup& setup, TTextTagHandler* tags,
                                                   const TChosenFileDetailsFullRec& chosen, int32_t text_index,
                                                   TTextPlace place, TTextWordCounts& out)
    : TBufferProcessor(
          nullptr, [](const TFileHandledRec&, bool) {}, [](bool) {}, tags, chosen, kListWordlist,
          setup.run ? setup.run->Settings().text_settings.PrecomposedCharacters() : true, false, text_index == 0,
          setup.run),
      setup_(setup),
      out_(out),
      place_(place),
      upper_(UpperTableFor(setup.lcid)),
      fold_(FoldTableFor(setup.lcid)) {
  LookAheadWanted = 0;
  ascii_case_by_bit_ = true;
  for (char16_t c = 0; c < 128 && !setup_.case_sensitive; ++c)
    if (upper_[c] != ((c >= u'a' && c <= u'z') ? c - 0x20 : c)) ascii_case_by_bit_ = false;
  uint32_t slots = 256;
  while (slots < kRecentWords && static_cast<int64_t>(slots) * 16 < chosen.rec.size) slots *= 2;
  recent_.resize(slots);
  recent_mask_ = slots - 1;
  out_.stats.Zero();
  out_.stats.data.ratio_basis = setup.ratio_basis;
  out_.stats.data.text_number = text_index + 1;
  out_.stats.name = IncludeTrailingPathDelimiter(chosen.folder) + chosen.rec.filename;
}

bool TWordlistBufferProcessor::SetupTheBuffer() {
  const bool ok = TBufferProcessor::SetupTheBuffer();
  units_ = TUnitState{};
  return ok;
}

void TWordlistBufferProcessor::CloseUnit(int kind, int32_t length) {
  if (length <= 0) return;
  TRunning& u = unit_[kind];
  Welford(u.n, u.mean, u.ssd, length);
}

void TWordlistBufferProcessor::CloseRatioBlock() {
  TRunning& r = unit_[4];
  Welford(r.n, r.mean, r.ssd, block_types_);
  block_words_ = 0;
  block_types_ = 0;
  ++block_;
}

bool TWordlistBufferProcessor::ProcessAChunkOfFile(int32_t chunk_index) {
  if (StopState() >= kPanicStopNow) {
    out_.stop_state = std::max<uint8_t>(out_.stop_state, StopState());
    return false;
  }
  if (setup_.cut_lower_case) CutLowerCaseWords();
  words_.clear();
  if (chunk_index <= 0) units_ = TUnitState{};
  // Bytes only grow within a text: a chunk that ends before the current section's end lies in it.
  chunk_in_division_ = division_ >= 0 && place_.offset + ChunkEndInFile() < division_end_;
  gap_from_ = std::max(0, ChunkStartIndex());
  const TFastPassResult* fast = FastPassFound();
  const TScanGivenMasks masks{fast ? fast->word_masks.data() : nullptr, fast ? fast->marker_masks.data() : nullptr};
  // The hash only picks a word's recent slot: a chunk of ASCII words takes a quicker one.
  ascii_chunk_ = fast != nullptr && ascii_case_by_bit_;
  ScanChunk(Text(), Kinds(), gap_from_, Length(), fold_, words_, events_, units_, IsLastChunk(),
            !ascii_chunk_, nullptr, &masks);
  if (ascii_chunk_) {
    const uint64_t fold = setup_.case_sensitive ? ~uint64_t{0} : 0xFFDFFFDFFFDFFFDFull;
    const int32_t readable = Length() + LookAheadLength();
    for (TScanWord& w : words_) w.hash = AsciiWordHash(Text() + w.start, w.span, readable - w.start, fold);
  }
  size_t next_event = 0;
  if (setup_.keep_tokens) out_.tokens.reserve(out_.tokens.size() + words_.size());
  for (size_t w = 0; w <= words_.size(); ++w) {
    // Units that end before word w (boundary = words of the chunk before the end).
    while (next_event < events_.size() && events_[next_event].boundary <= static_cast<int32_t>(w)) {
      const TUnitEvent& e = events_[next_event++];
      for (int k = 0; k < kUnitKinds; ++k) {
        if ((e.ended_mask >> k) & 1u) CloseUnit(k, e.length[k]);
      }
    }
    if (w >= words_.size()) continue;
    // The recent-word slot of a word a little ahead is fetched while this one is counted.
    if (w + 6 < words_.size()) __builtin_prefetch(&recent_[RecentSlot(words_[w + 6])]);
    const int32_t key = CountWord(words_[w]);
    if (setup_.keep_tokens) NoteToken(w, key);
  }
  if (!setup_.keep_tokens) return true;
  // Markers after the chunk's last word belong to its last token.
  if (!out_.tokens.empty()) out_.tokens.back().key_and_marks |= MarkersIn(gap_from_, Length()) << 28;
  if (setup_.hand_over_tokens && out_.tokens.size() > 1 && !setup_.hand_over_tokens(out_)) return false;
  return true;
}

uint32_t TWordlistBufferProcessor::MarkersIn(int32_t from, int32_t to) const {
  const uint16_t* kinds = Kinds();
  uint32_t marks = 0;
  for (int32_t i = from; i < to; ++i) {
    const int marker = static_cast<int>(kinds[i]) - kKindMarkerBase;
    if (marker >= kMarkerSentenceStart && marker <= kMarkerSectionEnd)
      marks |= marker <= kMarkerSentenceEnd ? kMarkSentenceEnd : kMarkUnitEnd;
  }
  return marks;
}

void TWordlistBufferProcessor::NoteToken(size_t w, int32_t key) {
  const TScanWord& word = words_[w];
  // Markers lie only where the scanner saw one before a word, or before the chunk's first word.
  if (!out_.tokens.empty() && (w == 0 || (word.flags & kWordAfterMarker) != 0))
    out_.tokens.back().key_and_marks |= MarkersIn(gap_from_, word.start) << 28;
  const int32_t end = word.start + word.span;
  gap_from_ = end;
  if (key < 0) return;
  if (static_cast<uint32_t>(key) > kTokenTypeMask) {
    out_.failure = u"more different words in one text than an index takes";
    return;
  }
  uint32_t marks = 0;
  if (end < Length()) {
    const uint16_t k = Kinds()[end];
    // A full stop found to end a sentence is a marker, but still the punctuation after the word;
    // a marker made of a tag is not.
    const bool punct = k < kKindHidden ? (k & C1_PUNCT) != 0
                       : k >= kKindMarkerFlag ? IsSentencePunctuation(Text()[end])
                                              : false;
    if (punct) marks |= kMarkPunctuation;
  }
  out_.tokens.push_back(TCountedToken{static_cast<uint32_t>(key) | (marks << 28),
                                      static_cast<uint32_t>(FileByteOf(word.start))});
}

int32_t TWordlistBufferProcessor::DivisionOf(const TScanWord& w) {
  if (chunk_in_division_) return division_;
  if (setup_.divisions <= 0 || place_.list_bytes <= 0) return -1;
  // Bytes only grow within a text: the section changes when its end is passed.
  const int64_t byte = place_.offset + FileByteOf(w.start);
  if (byte >= division_end_ || division_ < 0) {
    division_ = CorrectDivision(byte, place_.list_bytes, setup_.divisions);
    division_end_ =
        division_ + 1 < setup_.divisions ? place_.list_bytes * (division_ + 1) / setup_.divisions : INT64_MAX;
  }
  return division_;
}

void TWordlistBufferProcessor::CountedAt(int32_t key, int32_t division) {
  out_.counter.AddAt(key, division);
  // The mark is the ratio block (from 1) the key was last counted in.
  int32_t& mark = out_.counter.Mark(key);
  if (mark != block_ + 1) {
    mark = block_ + 1;
    ++block_types_;
  }
}

bool TWordlistBufferProcessor::CountedFromCache(const TScanWord& w, uint32_t slot, int32_t& key) {
  const TRecent& recent = recent_[slot];
  key = recent.key;
  if (key < 0) return false;
  const char16_t* text = Text();
  const char16_t* map = setup_.case_sensitive ? nullptr : upper_;
  const size_t known = recent.length;
  if ((w.flags & kWordSkipsChars) == 0) {
    // Every character of the span is one of the word's.
    if (static_cast<size_t>(w.span) != known) return false;
    const char16_t* at = text + w.start;
    if (ascii_chunk_ && known <= 8 && w.start + 8 <= Length() + LookAheadLength()) {
      if (!SameAsciiForm(at, recent.form, known, map != nullptr)) return false;
    } else if (map) {
      for (size_t i = 0; i < known; ++i)
        if (map[at[i]] != recent.form[i]) return false;
    } else if (!std::equal(at, at + known, recent.form)) {
      return false;
    }
  } else {
    const uint16_t* kinds = Kinds();
    size_t n = 0;
    for (int32_t i = w.start, end = w.start + w.span; i < end; ++i) {
      const uint16_t k = kinds[i];
      if (k >= kKindHidden || k == kKindInvisibleInWord) continue;
      const char16_t c = map ? map[text[i]] : text[i];
      if (n >= known || recent.form[n] != c) return false;
      ++n;
    }
    if (n != known) return false;
  }
  // The same characters as a word counted unchanged (no number made "#", not cut, not too short,
  // no surrogates): counted the same way, one unit a code point.
  ++out_.running_words;
  ++block_words_;
  ++out_.stats.data.word_lengths[known];
  CountedAt(key, DivisionOf(w));
  if (block_words_ >= setup_.ratio_basis) CloseRatioBlock();
  return true;
}

int32_t TWordlistBufferProcessor::CountWord(const TScanWord& w) {
  // Words seen lately are found by the scanner's hash without making their form: only when the
  // word alone is counted, unchanged, and no stop list applies.
  const bool plain = setup_.tag_treatment == 0 && setup_.stop_words.empty();
  const uint32_t slot = RecentSlot(w);
  int32_t cached = -1;
  if (plain && CountedFromCache(w, slot, cached)) return cached;
  const char16_t* text = Text();
  const uint16_t* kinds = Kinds();
  bool has_digit = false, pairs = false;
  const int32_t end = w.start + w.span;
  form_.resize(static_cast<size_t>(w.span));
  char16_t* out = form_.data();
  size_t n = 0;
  const char16_t* map = setup_.case_sensitive ? nullptr : upper_;
  for (int32_t i = w.start; i < end; ++i) {
    const uint16_t k = kinds[i];
    if (k >= kKindHidden || k == kKindInvisibleInWord) continue;  // tag characters, passed-over marks
    has_digit |= (k & kKindDigit) != 0;
    const char16_t c = text[i];
    pairs |= IsHighSurrogate(c);
    out[n++] = map ? map[c] : c;
  }
  form_.resize(n);
  if (pairs && map) {  // letters beyond the basic plane: upper-cased as code points
    UString raw;
    for (int32_t i = w.start; i < end; ++i)
      if (kinds[i] < kKindHidden && kinds[i] != kKindInvisibleInWord) raw.push_back(text[i]);
    form_ = UpperCaseU(raw, static_cast<TLCID>(setup_.lcid));
  }
  ++out_.running_words;
  if (!setup_.stop_words.empty() && setup_.stop_words.count(form_) != 0) return -1;
  ++block_words_;  // the word that fills a block is counted in it: the block closes after it
  int32_t length = CodePoints(form_);
  bool unchanged = !pairs;
  if (has_digit && !setup_.numbers_kept) {
    form_ = u"#";
    unchanged = false;
  }
  if (setup_.max_length > 0 && length > setup_.max_length && !setup_.exact_word_length) {
    form_ = UString(FirstCodePoints(form_, setup_.max_length - 1)) + u"+";
    length = setup_.max_length;
    unchanged = false;
  }
  if (length < setup_.min_length) {
    --out_.running_words;
    if (block_words_ >= setup_.ratio_basis) CloseRatioBlock();
    return -1;
  }
  if (length <= 50) ++out_.stats.data.word_lengths[length];
  // The kept tag right before the word (tag characters run up to its first letter).
  tag_.clear();
  if (setup_.tag_treatment != 0 && w.start > 0 && IsTagKind(kinds[w.start - 1])) {
    const uint16_t t = kinds[w.start - 1];
    int32_t b = w.start - 1;
    while (b > 0 && kinds[b - 1] == t && text[b] != u'<') --b;
    tag_.assign(text + b, text + w.start);
  }
  UStringView key_word = form_, key_tag;
  switch (setup_.tag_treatment) {
    case 1: key_tag = tag_; break;
    case 2: key_word = tag_; break;
    case 3: key_tag = tag_; break;
    default: break;
  }
  const bool counted = !((setup_.tag_treatment == 2 || setup_.tag_treatment == 3) && tag_.empty());
  int32_t key = -1;
  if (counted) {
    key = out_.counter.Find(key_word, key_tag, true);
    CountedAt(key, DivisionOf(w));
    if (plain && unchanged && form_.size() <= kRecentUnits) {
      // Only a form without surrogates is kept (unchanged), so a cached form never holds one.
      TRecent& recent = recent_[slot];
      recent.key = key;
      recent.length = static_cast<uint16_t>(form_.size());
      std::copy(form_.begin(), form_.end(), recent.form);
    }
  }
  if (block_words_ >= setup_.ratio_basis) CloseRatioBlock();
  return key;
}

void TWordlistBufferProcessor::FinishText() {
  if (finished_) return;
  finished_ = true;
  TOne_text_stats_data& d = out_.stats.data;
  for (int k = 0; k < kUnitKinds; ++k) d.groups[k + 1] = AsStatsGroup(unit_[k].n, unit_[k].mean, unit_[k].ssd);
  d.ratio = AsStatsGroup(unit_[4].n, unit_[4].mean, unit_[4].ssd);
  d.running_words = out_.running_words;
  d.types = out_.counter.Types();
  d.size_count = static_cast<int32_t>(std::min<int64_t>(FileSize(), INT32_MAX));
  float mean = 0, sd = 0;
  MeanAndSDWordLength(out_.stats, mean, sd);
  d.groups[0].count = out_.running_words;
  d.groups[0].mean = mean;
  d.groups[0].sd = sd;
}

TTextWordCounts CountTextWords(const TWordCountSetup& setup, const TChosenFileDetailsFullRec& chosen, int32_t text_index,
                               TTextPlace place) {
  TTextWordCounts out;
  out.text_index = text_index;
  out.counter = TWordCounter(setup.divisions);
  try {
    if (!setup.run) {
      out.failure = u"Word list: text " + IntToUStr(text_index) + u" has no run";
      return out;
    }
    if (IsOurTemporaryName(chosen.rec.filename)) {
      out.failure = IncludeTrailingPathDelimiter(chosen.folder) + chosen.rec.filename + u" is a save's temporary file";
      return out;
    }
    std::unique_ptr<TTextTagHandler> tags =
        setup.make_tag_handler ? setup.make_tag_handler() : MakeWorkerTagHandler(setup.run->Settings());
    TWordlistBufferProcessor p(setup, tags.get(), chosen, text_index, place, out);
    out.set_up = p.SetupTheBuffer();
    const bool empty = !out.set_up && p.Stream() && p.Stream()->Source() && p.FileSize() <= 0;
    const bool read = out.set_up ? p.ReadAndProcess() : empty;
    p.FinishText();
    if (setup.keep_tokens && p.SectionStarts()) {
      const TSectionStartsList& found = *p.SectionStarts();
      for (int32_t i = 0; i < found.Count(); ++i)
        out.sections.Add(found.Get(i).byte_position, found.Get(i).name, found.Get(i).first_word);
    }
    out.handled = p.FileHandledInfo;
    out.convert_asked = p.PleaseConvertTheFileToUnicode;
    if (!read && out.set_up) out.stop_state = std::max(out.stop_state, p.StopStateNow());
    out.read_ok = read || out.stop_state >= kPanicStopNow;
    if (!out.read_ok) out.failure = u"Could not read " + p.fFullFilename + (out.set_up ? u" to its end" : u"");
  } catch (const std::exception& e) {
    out.read_ok = false;
    out.failure = u"Word list, text " + IntToUStr(text_index) + u": " + Utf8ToUtf16(e.what());
  }
  return out;
}
