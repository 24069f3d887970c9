#include "wordlist/wordlist_counting.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <map>
#include <mutex>

#include <emmintrin.h>

#include "model/reading/worker_tag_handler.h"
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
  // A judged chunk is counted from the pass's masks and text: its kinds are made where read.
  fKindsOnDemand = true;
  // Cutting lower-case words rewrites the kinds, which the fast pass's masks do not see.
  plain_ = setup_.tag_treatment == 0 && setup_.stop_words.empty() && !setup_.cut_lower_case;
  ascii_case_by_bit_ = true;
  for (char16_t c = 0; c < 128 && !setup_.case_sensitive; ++c)
    if (upper_[c] != ((c >= u'a' && c <= u'z') ? c - 0x20 : c)) ascii_case_by_bit_ = false;
  const int32_t most_units[3] = {TAsciiWordTable::kMostUnits, TAsciiLongWordTable::kMostUnits,
                                 TAsciiLongerWordTable::kMostUnits};
  for (int k = 0; k < 3; ++k) {
    cell_min_[k] = std::max<int32_t>(k == 0 ? 1 : most_units[k - 1] + 1, setup_.min_length);
    cell_max_[k] = most_units[k];
    if (setup_.max_length > 0 && !setup_.exact_word_length) cell_max_[k] = std::min(cell_max_[k], setup_.max_length);
  }
  if (setup_.max_length > 0 && !setup_.exact_word_length) {
    cut_from_ = setup_.max_length;
    for (int k = 0; k < 3; ++k)
      if (cut_from_ >= setup_.min_length && cut_from_ <= most_units[k] && cut_into_ < 0) cut_into_ = k;
  }
  uint32_t slots = 256;
  while (slots < kRecentWords && static_cast<int64_t>(slots) * 32 < chosen.rec.size) slots *= 2;
  recent_.resize(slots);
  recent_mask_ = slots - 1;
  slots = 16;
  while (slots < kLongRecentWords && static_cast<int64_t>(slots) * 2048 < chosen.rec.size) slots *= 2;
  long_recent_.resize(slots);
  long_recent_mask_ = slots - 1;
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
  // A chunk the pass judged is counted from its masks, whatever units it holds: a word with a
  // unit beyond ASCII takes no cell, and has its kinds made and its form found alone.
  if (fast != nullptr && ascii_case_by_bit_ && plain_ && !setup_.keep_tokens) {
    CountFastChunk(*fast);
    return true;
  }
  const bool ascii_chunk = fast != nullptr && fast->all_ascii && ascii_case_by_bit_;
  EnsureKinds(0, Length() + LookAheadLength());
  // The pass's word masks know nothing of lower-case words cut from the kinds.
  const bool masks_hold_words = fast != nullptr && !setup_.cut_lower_case;
  const TScanGivenMasks masks{masks_hold_words ? fast->word_masks.data() : nullptr,
                              fast ? fast->marker_masks.data() : nullptr};
  // The hash only picks a word's recent slot, and the words of an ASCII chunk take cells instead;
  // a plain list without tokens hashes only the words no cell takes, as it counts them.
  const bool counted_by_cells = plain_ && !setup_.keep_tokens;
  const bool hashed = plain_ && !ascii_chunk && !counted_by_cells;
  ScanChunk(Text(), Kinds(), gap_from_, Length(), fold_, words_, events_, units_, IsLastChunk(), hashed, nullptr,
            &masks);
  if (counted_by_cells) {
    // A unit's close and a word's count touch different tallies: the two need not interleave.
    for (const TUnitEvent& e : events_)
      for (int k = 0; k < kUnitKinds; ++k)
        if ((e.ended_mask >> k) & 1u) CloseUnit(k, e.length[k]);
    CountPlainWords([this](auto&& found) {
      for (const TScanWord& w : words_) found(w);
    });
    return true;
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
    if (hashed && w + 6 < words_.size()) PrefetchRecent(words_[w + 6]);
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

int32_t TWordlistBufferProcessor::DivisionAt(int32_t start) {
  if (chunk_in_division_) return division_;
  if (setup_.divisions <= 0 || place_.list_bytes <= 0) return -1;
  // Bytes only grow within a text: the section changes when its end is passed.
  const int64_t byte = place_.offset + FileByteOf(start);
  if (byte >= division_end_ || division_ < 0) {
    division_ = CorrectDivision(byte, place_.list_bytes, setup_.divisions);
    division_end_ =
        division_ + 1 < setup_.divisions ? place_.list_bytes * (division_ + 1) / setup_.divisions : INT64_MAX;
  }
  return division_;
}

void TWordlistBufferProcessor::CountedAt(int32_t key, int32_t division) {
  // The mark is the ratio block (from 1) the key was last counted in.
  int32_t& mark = out_.counter.Mark(key);
  if (mark == kKeyInCell) {  // a form some word keeps unchanged, counted in its cell
    const UStringView word = out_.counter.WordOf(key);
    WithCellsFor(word.size(), [&](auto& cells) {
      typename std::remove_reference_t<decltype(cells)>::TForm form{};
      cells.FormOf(word.data(), static_cast<int32_t>(word.size()), 0, false, false, form);
      CountInCell(cells, *cells.Find(form), division);
    });
    return;
  }
  out_.counter.AddAt(key, division);
  if (mark != block_ + 1) {
    mark = block_ + 1;
    ++block_types_;
  }
}

template <class Cells>
bool TWordlistBufferProcessor::CellForm(const Cells& cells, int32_t start, int32_t span,
                                        typename Cells::TForm& form) const {
  constexpr int size = SizeOfCells<Cells>();
  const char16_t* at = Text() + start;
  const bool upper = !setup_.case_sensitive, no_digits = !setup_.numbers_kept;
  if (span <= cut_from_)
    return span >= cell_min_[size] && span <= cell_max_[size] &&
           cells.FormOf(at, span, Length() + LookAheadLength() - start, upper, no_digits, form);
  if (cut_into_ != size) return false;
  // The units cut off change nothing counted unless one is beyond ASCII (the length in code
  // points, a letter's case) or a digit that makes the word "#".
  const int32_t kept = cut_from_ - 1;
  for (int32_t i = kept; i < span; ++i) {
    const char16_t c = at[i];
    if (c == 0 || c >= 0x80 || (no_digits && c >= u'0' && c <= u'9')) return false;
  }
  char16_t units[Cells::kMostUnits] = {};
  std::copy(at, at + kept, units);
  units[kept] = u'+';
  return cells.FormOf(units, cut_from_, Cells::kMostUnits, upper, no_digits, form);
}

template <class Cells>
typename Cells::TCell& TWordlistBufferProcessor::CellFor(Cells& cells, const typename Cells::TForm& form) {
  if (typename Cells::TCell* cell = cells.Find(form)) return *cell;
  alignas(16) uint8_t bytes[Cells::kMostUnits];
  for (int v = 0; v < Cells::kVectors; ++v) _mm_store_si128(reinterpret_cast<__m128i*>(bytes + 16 * v), form.bytes[v]);
  char16_t units[Cells::kMostUnits];
  std::copy(bytes, bytes + form.length, units);
  const int32_t key = out_.counter.Find(UStringView(units, static_cast<size_t>(form.length)), {}, true);
  // A key counted before under another form (a number made "#") brings its mark along.
  int32_t& mark = out_.counter.Mark(key);
  typename Cells::TCell& cell = cells.Insert(form, key, mark);
  mark = kKeyInCell;
  return cell;
}

template <class Cells>
__attribute__((always_inline)) inline void TWordlistBufferProcessor::AddPending(Cells& cells,
                                                                                 typename Cells::TCell& cell,
                                                                                 int32_t division) {
  if (cell.pending++ == 0) {
    cells.NoteCounted(cell);
  } else if (cell.pending >= (1u << 30)) [[unlikely]] {  // far from where a count saturates
    out_.counter.AddCount(cell.key, division, static_cast<int32_t>(cell.pending));
    cell.pending = 0;
  }
}

template <class Cells>
__attribute__((always_inline)) inline void TWordlistBufferProcessor::CountInCell(Cells& cells,
                                                                                  typename Cells::TCell& cell,
                                                                                  int32_t division) {
  if (division != cells_division_) [[unlikely]] {
    FlushCells();
    cells_division_ = division;
  }
  AddPending(cells, cell, division);
  // Without a branch: whether a word is new to its ratio block is as good as random on a text
  // of many rare words, and a mispredicted branch cost more than the rest of the count.
  block_types_ += cell.mark != block_ + 1;
  cell.mark = block_ + 1;
}

void TWordlistBufferProcessor::FlushCells() {
  auto hand_over = [this](int32_t key, uint32_t n) {
    out_.counter.AddCount(key, cells_division_, static_cast<int32_t>(n));
  };
  cells_.Flush(hand_over);
  long_cells_.Flush(hand_over);
  longer_cells_.Flush(hand_over);
}

template <class Cells>
__attribute__((always_inline)) inline int32_t TWordlistBufferProcessor::CountCellWord(
    Cells& cells, const typename Cells::TForm& form, int32_t division) {
  ++out_.running_words;
  ++block_words_;
  // Lengths of 1 to 50 are counted apart (the statistics keep no more).
  if (Cells::kMostUnits <= 50 || form.length <= 50) ++out_.stats.data.word_lengths[form.length];
  typename Cells::TCell* cell = cells.Find(form);
  if (cell == nullptr) [[unlikely]]
    cell = &CellFor(cells, form);
  CountInCell(cells, *cell, division);
  if (block_words_ >= setup_.ratio_basis) [[unlikely]]
    CloseRatioBlock();
  return cell->key;
}

template <class Walk>
void TWordlistBufferProcessor::CountPlainWords(Walk&& walk) {
  const char16_t* text = Text();
  const int32_t begin = gap_from_, readable = Length() + LookAheadLength();
  const bool upper = !setup_.case_sensitive, no_digits = !setup_.numbers_kept;
  // Most chunks lie in one dispersion section (a short text's only chunk too): the section is
  // then found once.
  const int32_t chunk_division = DivisionAt(begin);
  const bool one_division = chunk_in_division_ || setup_.divisions <= 0 || place_.list_bytes <= 0 ||
                            place_.offset + ChunkEndInFile() < division_end_;
  // Each word's cell is fetched while the words a little before it are counted: the words wait
  // in a ring, each counted once kAhead more are found.
  constexpr uint32_t kRing = 32, kAhead = 24;
  static_assert(kAhead < kRing);
  TFoundWord ring[kRing];
  TLongForm long_forms[kRing];
  uint32_t found = 0, counted = 0;
  // Within one section a word of a cell is counted here, with the running tallies in locals:
  // they are written back before anything else reads them (another word's count, a ratio
  // block's close, the chunk's end).
  if (one_division && chunk_division != cells_division_) {
    FlushCells();
    cells_division_ = chunk_division;
  }
  int32_t running = 0, block_words = 0, block_types = 0, mark_now = 0;
  auto load = [&]() {
    running = out_.running_words;
    block_words = block_words_;
    block_types = block_types_;
    mark_now = block_ + 1;
  };
  auto store = [&]() {
    out_.running_words = running;
    block_words_ = block_words;
    block_types_ = block_types;
  };
  load();
  const int32_t basis = setup_.ratio_basis;
  int32_t* const lengths = out_.stats.data.word_lengths;
  auto count_oldest = [&]() __attribute__((always_inline)) {
    const TFoundWord& w = ring[counted++ % kRing];
    if (w.cell == TFoundWord::kShortCell && one_division) [[likely]] {
      ++running;
      ++lengths[w.form.length];
      TAsciiWordTable::TCell* cell = cells_.Find(w.form);
      if (cell == nullptr) [[unlikely]]
        cell = &CellFor(cells_, w.form);
      AddPending(cells_, *cell, chunk_division);
      block_types += cell->mark != mark_now;  // as in CountInCell
      cell->mark = mark_now;
      if (++block_words >= basis) [[unlikely]] {
        store();
        CloseRatioBlock();
        load();
      }
      return;
    }
    store();
    CountFoundWord(w, long_forms[(counted - 1) % kRing], one_division ? chunk_division : kSectionOfItsPlace);
    load();
  };
  const bool cells = ascii_case_by_bit_;
  walk([&](const TScanWord& word) __attribute__((always_inline)) {
    TFoundWord& w = ring[found++ % kRing];
    w.word = word;
    if (cells && (word.flags & kWordSkipsChars) == 0 && word.span >= cell_min_[0] && word.span <= cell_max_[0] &&
        TAsciiWordTable::FormOf(text + word.start, word.span, readable - word.start, upper, no_digits, w.form))
        [[likely]] {
      w.cell = TFoundWord::kShortCell;
      cells_.Prefetch(w.form);
    } else {
      PlaceFoundWord(w, long_forms[(found - 1) % kRing]);
    }
    if (found - counted > kAhead) count_oldest();
  });
  while (counted < found) count_oldest();
  store();
}

__attribute__((noinline)) void TWordlistBufferProcessor::PlaceFoundWord(TFoundWord& w, TLongForm& longer) {
  const TScanWord& word = w.word;
  auto in_cells = [&](auto& cells, auto& form, uint8_t kind) {
    if (!CellForm(cells, word.start, word.span, form)) return false;
    w.cell = kind;
    cells.Prefetch(form);
    return true;
  };
  // Longer words, and words cut to a length the short cells hold.
  if (ascii_case_by_bit_ && (word.flags & kWordSkipsChars) == 0 && word.span > cell_max_[0] &&
      (in_cells(cells_, w.form, TFoundWord::kShortCell) ||
       in_cells(long_cells_, longer.long_form, TFoundWord::kLongCell) ||
       in_cells(longer_cells_, longer.longer_form, TFoundWord::kLongerCell)))
    return;
  w.cell = TFoundWord::kNoCell;
  HashAndPrefetch(w.word);
}

__attribute__((noinline)) void TWordlistBufferProcessor::CountFoundWord(const TFoundWord& w, const TLongForm& longer,
                                                                         int32_t division) {
  auto section = [&]() { return division != kSectionOfItsPlace ? division : DivisionAt(w.word.start); };
  switch (w.cell) {
    case TFoundWord::kShortCell: CountCellWord(cells_, w.form, section()); break;
    case TFoundWord::kLongCell: CountCellWord(long_cells_, longer.long_form, section()); break;
    case TFoundWord::kLongerCell: CountCellWord(longer_cells_, longer.longer_form, section()); break;
    default: CountWord(w.word); break;
  }
}

void TWordlistBufferProcessor::CountFastChunk(const TFastPassResult& fast) {
  const int32_t begin = gap_from_, n = Length();
  // Units close at sentence ends (the only markers the pass marks), measured in the words
  // scanned, counted or not, as the scan measures them.
  int32_t words = 0;
  int32_t sentence_start = -units_.open_words[0];
  auto below = [](int b) { return b >= 64 ? ~uint64_t{0} : (uint64_t{1} << b) - 1; };
  CountPlainWords([&](auto&& found) __attribute__((always_inline)) {
    auto found_word = [&](int32_t start, int32_t span) __attribute__((always_inline)) {
      found(TScanWord{start, span, 0, 0});
    };
    bool in_word = false;
    int32_t start = 0;
    for (int32_t base = begin; base < n; base += 64) {
      const int32_t m = std::min<int32_t>(64, n - base);
      const size_t b = static_cast<size_t>(base - begin) / 64;
      const uint64_t wm = fast.word_masks[b] & below(m);
      const uint64_t before = (wm << 1) | (in_word ? 1u : 0u);
      uint64_t starts = wm & ~before;
      uint64_t ends = ~wm & before;  // a word ending at m < 64 ends in this block
      for (uint64_t mk = fast.marker_masks[b] & below(m); mk != 0; mk &= mk - 1) {
        const int32_t boundary = words + std::popcount(ends & below(std::countr_zero(mk) + 1));
        if (boundary > sentence_start) {
          CloseUnit(0, boundary - sentence_start);
          ++units_.number[0];
          sentence_start = boundary;
        }
      }
      if (in_word && ends != 0) {
        found_word(start, base + std::countr_zero(ends) - start);
        ends &= ends - 1;
        in_word = false;
        ++words;
      }
      while (starts != 0) {
        const int s = std::countr_zero(starts);
        starts &= starts - 1;
        if (ends == 0) {  // runs on into the next block
          in_word = true;
          start = base + s;
          break;
        }
        const int e = std::countr_zero(ends);
        ends &= ends - 1;
        found_word(base + s, e - s);
        ++words;
      }
    }
    if (in_word) {
      found_word(start, n - start);
      ++words;
    }
  });
  // The other units run on: no marker of theirs lies in such a chunk.
  for (int k = 1; k < kUnitKinds; ++k) units_.open_words[k] += words;
  units_.open_words[0] = words - sentence_start;
  if (IsLastChunk()) {
    for (int k = 0; k < kUnitKinds; ++k) {
      CloseUnit(k, units_.open_words[k]);
      units_.open_words[k] = 0;
    }
  }
}

__attribute__((noinline)) void TWordlistBufferProcessor::HashAndPrefetch(TScanWord& w) {
  EnsureKinds(w.start, w.start + w.span);
  w.hash = ScanWordHash(Text(), Kinds(), Length() + LookAheadLength(), fold_, w);
  PrefetchRecent(w);
}

void TWordlistBufferProcessor::PrefetchRecent(const TScanWord& w) const {
  if (w.span <= static_cast<int32_t>(kRecentUnits))
    __builtin_prefetch(&recent_[RecentHash(w) & recent_mask_]);
  else
    __builtin_prefetch(&long_recent_[RecentHash(w) & long_recent_mask_]);
}

bool TWordlistBufferProcessor::CountedFromCache(const TScanWord& w, int32_t& key) {
  // The table is picked by the span, which a word's units never exceed.
  if (w.span <= static_cast<int32_t>(kRecentUnits)) return CountedAs(w, recent_[RecentHash(w) & recent_mask_], key);
  return CountedAs(w, long_recent_[RecentHash(w) & long_recent_mask_], key);
}

void TWordlistBufferProcessor::RememberWord(const TScanWord& w, int32_t key, int32_t length) {
  auto keep = [&](auto& recent) {
    recent.key = key;
    recent.length = static_cast<uint16_t>(form_.size());
    recent.counted_length = static_cast<uint16_t>(length);
    std::copy(form_.begin(), form_.end(), recent.form);
  };
  if (w.span <= static_cast<int32_t>(kRecentUnits))
    keep(recent_[RecentHash(w) & recent_mask_]);
  else if (form_.size() <= kLongRecentUnits)
    keep(long_recent_[RecentHash(w) & long_recent_mask_]);
}

template <class Slot>
bool TWordlistBufferProcessor::CountedAs(const TScanWord& w, const Slot& recent, int32_t& key) {
  key = recent.key;
  if (key < 0) return false;
  const char16_t* text = Text();
  const char16_t* map = setup_.case_sensitive ? nullptr : upper_;
  const size_t known = recent.length;
  if ((w.flags & kWordSkipsChars) == 0) {
    // Every character of the span is one of the word's.
    if (static_cast<size_t>(w.span) != known) return false;
    const char16_t* at = text + w.start;
    if (map) {
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
  // The same characters as a word counted before, unchanged or cut (no number made "#", not too
  // short, no surrogates): counted the same way.
  ++out_.running_words;
  ++block_words_;
  if (recent.counted_length <= 50) ++out_.stats.data.word_lengths[recent.counted_length];
  CountedAt(key, DivisionAt(w.start));
  if (block_words_ >= setup_.ratio_basis) CloseRatioBlock();
  return true;
}

int32_t TWordlistBufferProcessor::CountWord(const TScanWord& w) {
  // Only when the word alone is counted, unchanged, and no stop list applies: a word of ASCII
  // units takes its counted form from them, and its cell; a word seen lately is found by the
  // scanner's hash without making its form.
  const bool plain = plain_;
  const int32_t cell_units = std::min(w.span, cut_from_);  // its counted form's, if ASCII
  if (plain && ascii_case_by_bit_ && (w.flags & kWordSkipsChars) == 0 &&
      cell_units <= TAsciiLongerWordTable::kMostUnits) {
    const int32_t key = WithCellsFor(static_cast<size_t>(cell_units), [&](auto& cells) {
      typename std::remove_reference_t<decltype(cells)>::TForm form;
      return CellForm(cells, w.start, w.span, form) ? CountCellWord(cells, form, DivisionAt(w.start)) : -1;
    });
    if (key >= 0) return key;
  }
  EnsureKinds(w.start, w.start + w.span);
  int32_t cached = -1;
  if (plain && CountedFromCache(w, cached)) return cached;
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
  // What is counted: the form, "#" for a number, or the form cut short (form_ keeps the units).
  UStringView counted_form = form_;
  const bool number = has_digit && !setup_.numbers_kept;
  if (number) {
    counted_form = u"#";
    unchanged = false;
  }
  if (setup_.max_length > 0 && length > setup_.max_length && !setup_.exact_word_length) {
    // A number longer than the longest length is "#" all the same; its length is taken as a cut
    // word's.
    if (!number) {
      cut_.assign(FirstCodePoints(counted_form, setup_.max_length - 1));
      cut_.push_back(u'+');
      counted_form = cut_;
    }
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
    out_.tag_numbers.try_emplace(tag_, static_cast<int32_t>(t & 0x07FF));
  }
  UStringView key_word = counted_form, key_tag;
  switch (setup_.tag_treatment) {
    case 1: key_tag = tag_; break;
    case 2: key_word = tag_; break;
    case 3: key_tag = tag_; break;
    default: break;
  }
  const bool counted = !((setup_.tag_treatment == 2 || setup_.tag_treatment == 3) && tag_.empty());
  int32_t key = -1;
  const int32_t units = static_cast<int32_t>(form_.size());
  if (counted && plain && unchanged && units <= TAsciiLongerWordTable::kMostUnits) {
    // An ASCII form counted whole (its letters joined across a tag or an invisible character,
    // or upper-cased by the table): its cell, as for a word of the same form anywhere else.
    key = WithCellsFor(form_.size(), [&](auto& cells) {
      typename std::remove_reference_t<decltype(cells)>::TForm form;
      if (!cells.FormOf(form_.data(), units, 0, false, false, form)) return -1;
      auto& cell = CellFor(cells, form);
      CountInCell(cells, cell, DivisionAt(w.start));
      return cell.key;
    });
  }
  if (key < 0 && counted) {
    key = out_.counter.Find(key_word, key_tag, true);
    CountedAt(key, DivisionAt(w.start));
    // Only units without surrogates are kept, so a kept form never holds one.
    if (plain && !pairs && !number) RememberWord(w, key, length);
  }
  if (block_words_ >= setup_.ratio_basis) CloseRatioBlock();
  return key;
}

void TWordlistBufferProcessor::FinishText() {
  if (finished_) return;
  finished_ = true;
  FlushCells();
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
