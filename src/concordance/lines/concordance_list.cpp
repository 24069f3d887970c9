#include "concordance/lines/concordance_list.h"

#include <algorithm>
#include <cmath>
#include <span>
#include <string>
#include <thread>
#include <unordered_map>

#include "concordance/lines/duplicate_classes.h"
#include "concordance/lines/ranked_sort.h"
#include "concordance/document/source_files.h"
#include "platform/rtl/files.h"
#include "platform/rtl/streams.h"
#include "platform/runtime/parallel_for.h"
#include "platform/runtime/vx_resources.h"
#include "platform/runtime/vx_runtime.h"

namespace {

constexpr uint32_t kMergedListFlag = 1u << 16;
constexpr uint32_t kCmpIgnoreCase = 1;

// Every sort key a line gives, for one level.
struct TLevelKeys {
  TRankedKeyKind kind = TRankedKeyKind::kInt64;
  bool collated = false;  // string levels: locale collation, else code units
  bool case_sensitive = false;
  std::vector<UString> owned;  // strings a line does not hold itself (one a source text)
  std::vector<std::vector<char16_t>> widened;  // pieces of lines kept a byte a character, as UTF-16
  std::vector<UStringView> strings;
  std::vector<double> doubles;
  std::vector<int64_t> ints;
};

TLineText Piece(TLineText text, int32_t start, int32_t length) {
  if (length <= 0 || start < 0 || start >= static_cast<int32_t>(text.size())) return {};
  return text.substr(static_cast<size_t>(start),
                     static_cast<size_t>(std::min<int64_t>(length, static_cast<int64_t>(text.size()) - start)));
}

bool KeyIsWord(int32_t key) { return key >= kConcSortFirstWord && key <= kConcSortLastWord; }

}  // namespace

// --- values the sorts and columns share ---------------------------------------------------------

std::pair<int32_t, int32_t> SpanWordExtent(const TConcordanceEntry& line, int span_position) {
  const TSortInfoRec r = WordAtSpanPosition(line, span_position);
  if (r.coll_length <= 0) return {0, 0};
  const int64_t start = int64_t(line.Data().midpoint) + r.start_position;
  const int64_t size = static_cast<int64_t>(line.Text().size());
  if (start < 0 || start >= size) return {0, 0};
  return {static_cast<int32_t>(start), static_cast<int32_t>(std::min<int64_t>(r.coll_length, size - start))};
}

float UnitPercentOfLine(const TConcordanceEntry& line, int kind) {
  if (kind < 0 || kind >= kUnitKinds) return kMissingValue;
  const TLineUnitStats units = line.UnitStats();
  int64_t p = units.unit_position[kind];
  int64_t n = units.unit_length[kind];
  if (p >= 2) --p;
  if (n >= 2) --n;
  return IntegerAsPercent(p, n);
}

int64_t LinesWantedInAll(int32_t search_words, int32_t wanted_per_word) {
  // Both are whole numbers, so the product is exact and needs no rounding.
  return int64_t(search_words) * int64_t(wanted_per_word);
}

// --- the list --------------------------------------------------------------------------------

TConcordanceList::TConcordanceList(TVXBaseHolder* holder, TConcordanceListDocument* document)
    : TVXBaseLemmaMatchCapableList(holder, &MakeEntry, kGridConcordance, kListConcordance, kConcordanceListNumber),
      document_(document ? document : &default_document_) {
  ClearHighlightRec();
  colloc_horizons = CollocSpan(document_->LeftHorizon(), document_->RightHorizon());
  fcurrentsort_span = kSpanCentre;
  SetSortSettingsToDefault(true);
}

TConcordanceList::~TConcordanceList() {
  // The lines ask their owner questions while they go; they must go while it still answers.
  SetListBusy(kBusyNone);
  Clear();
}

TVXBaseListObject* TConcordanceList::MakeEntry(TVXBaseDataClass& list) {
  auto* self = dynamic_cast<TConcordanceList*>(&list);
  auto* line = new TConcordanceEntry(self, &list, list.Holder());
  // Made for this list (a line read, a blank added): its text goes straight into the arena.
  line->MoveTextToOwner();
  return line;
}

std::unique_ptr<TConcordanceEntry> TConcordanceList::NewLine() {
  return std::make_unique<TConcordanceEntry>(this, this, Holder());
}


int TConcordanceList::Add(TVXBaseListObject* entry) {
  auto* line = AsConcordanceLine(entry);
  const int index = TVXBaseLemmaMatchCapableList::Add(entry);
  if (index >= 0 && line) {
    fFattest_hit = std::max(fFattest_hit, line->HitWidthInLine());
    if (line->Owner() == this) line->MoveTextToOwner();
  }
  return index;
}

void TConcordanceList::Remove(int index) {
  if (index >= 0 && index == last_LinzoraEntry) last_LinzoraEntry = -1;
  TVXBaseLemmaMatchCapableList::Remove(index);
}

UString TConcordanceList::ALineAsTextOnly(UStringView text) {
  const int32_t n = ConcCharactersToExport(false, static_cast<int32_t>(text.size()));
  if (n <= 0) return UString();
  return UString(text.substr(0, std::min<size_t>(text.size(), static_cast<size_t>(n))));
}

std::vector<UString> TConcordanceList::SearchWordsAsStringlist() { return document_->TypedSearchWords(); }

std::vector<UString> TConcordanceList::DetailsOfCurrentSettings() {
  std::vector<UString> lines = TVXBaseLemmaMatchCapableList::DetailsOfCurrentSettings();
  UString all;
  for (const UString& w : document_->TypedSearchWords()) {
    if (!all.empty()) all += u", ";
    all += w;
  }
  lines.push_back(VXRes(TVXRes::VXSearchWord) + u": " + all);
  return lines;
}

int TConcordanceList::Find_Word(UStringView word) {
  const TLCID lcid = document_->Locale();
  TLineTextWide wide;
  for (int i = 0; i < Count(); ++i)
    if (const TConcordanceEntry* line = Line(i); line && CompareStringsLocale(lcid, false, word, wide.Assign(line->Text())) == 0)
      return i;
  return -1;
}

// --- limits ----------------------------------------------------------------------------------

int64_t TConcordanceList::LineLimit() const {
  const int32_t wanted = document_->LinesWantedPerWord();
  if (wanted <= 0) return -1;
  return LinesWantedInAll(std::max(fsearch_words_to_seek, 1), wanted);
}

bool TConcordanceList::LimitReached() const {
  const int64_t limit = LineLimit();
  return limit >= 0 && int64_t(Count()) >= limit;
}

void TConcordanceList::PrepareSearchItemCounters(int32_t items) {
  sws_found_counter.assign(static_cast<size_t>(std::max(items, 1)), 0);
  fsearch_words_to_seek = std::max(items, 1);
  sw_limit_reached = false;
}

// --- highlights ------------------------------------------------------------------------------

void TConcordanceList::ClearHighlightRec() { HighlightRec = TConcordanceHighlightRec(); }

void TConcordanceList::ClearHighlightCollocFreqs() {
  for (int i = 0; i < Count(); ++i)
    if (TConcordanceEntry* line = Line(i)) line->ZeroHighlight();
}

int32_t TConcordanceList::HighlightCollocFreqOfLine(int index) const {
  const TConcordanceEntry* line = Line(index);
  return line ? line->Highlight().Highlight_number : 0;
}

int32_t TConcordanceList::HighlightCount(TConcordanceEntry& line) {
  if (line.Highlight().Highlight_number >= 0) return line.Highlight().Highlight_number;
  THighlightNumAndPos& h = line.EditHighlight();
  h.Highlight_number = 0;
  const bool case_sensitive = CaseSensitiveLevel(current_sort_level_);
  const TLCID lcid = document_->Locale();
  auto count_at = [&](int pos) {
    const auto [start, length] = SpanWordExtent(line, pos);
    if (length <= 0 || HighlightRec.colloc_w.empty()) return;
    const TLineTextWide word(Piece(line.Text(), start, length));
    if (CompareStringsLocale(lcid, case_sensitive, word, HighlightRec.colloc_w) == 0) {
      ++h.Highlight_number;
      h.Include(pos);
    }
  };
  if (HighlightRec.span_pos == kHighlightEverySpan) {
    count_at(kSpanCentre);
    if (!HighlightRec.only_right)
      for (int p = colloc_horizons.left; p < kSpanCentre; ++p) count_at(p);
    if (!HighlightRec.only_left)
      for (int p = kSpanCentre + 1; p <= colloc_horizons.right; ++p) count_at(p);
  } else if (HighlightRec.span_pos > 0) {
    count_at(HighlightRec.span_pos);
  }
  return h.Highlight_number;
}

void TConcordanceList::ChangeTagColours(const std::vector<TForeBackColoursArray>& colours) {
  document_->NoteTagColoursChanged();
  for (int i = 0; i < Count(); ++i)
    if (TConcordanceEntry* line = Line(i); line && line->HasTagPositions())
      line->TagPositions().ChangeColoursTo(colours);
}

bool TConcordanceList::AnyUnknownAverageWordFrequency() const {
  for (int i = 0; i < Count(); ++i)
    if (const TConcordanceEntry* line = Line(i); line && line->OtherContextWords().Count() == 0) return true;
  return false;
}

UString TConcordanceList::WordAtSpan(const TConcordanceEntry& line, int span_position) const {
  const auto [start, length] = SpanWordExtent(line, span_position);
  return Piece(line.Text(), start, length).ToUString();
}

// --- sorting ---------------------------------------------------------------------------------

bool TConcordanceList::CaseSensitiveLevel(int level) const {
  return (fSpecialCmpFlags[static_cast<size_t>(ClampLevel(level))] & kCmpIgnoreCase) == 0;
}

void TConcordanceList::TryToSetCaseSensitivity(int level) {
  const int l = ClampLevel(level);
  const bool sensitive = document_->CaseSensitiveSort(l);
  fSpecialCmpFlags[static_cast<size_t>(l)] = sensitive ? 0 : kCmpIgnoreCase;
  SetSortCaseSensitive(l, sensitive);
}

namespace {
// The list sorts through ranked keys; a level with a key still needs a comparer so that the base
// counts it as set (and never takes the list for alphabetically sorted).
int RankedKeyLevel(TVXBaseDataClass&, int, TVXBaseListObject&) { return 0; }
}  // namespace

void TConcordanceList::Set1Sort(int level, int32_t key) {
  const int l = ClampLevel(level);
  TVXBaseLemmaMatchCapableList::Set1Sort(l, key);
  document_->RememberSortKey(l, key);
  const int32_t k = key < 0 ? -1 : (key & 0x7F);
  if (k < 0 || k >= kConcSortKeyCount) {
    SetSortComparer(l, nullptr);
    return;
  }
  SetSortComparer(l, &RankedKeyLevel);
  if (KeyIsWord(k) || k == kConcSortSet || k == kConcSortHighlight) TryToSetCaseSensitivity(l);
  if (KeyIsWord(k) && l == 0) fcurrentsort_span = static_cast<uint8_t>(SortSpanFromSort(k));
}

void TConcordanceList::Set2Sorts(int32_t key1, int32_t key2) {
  Set1Sort(0, key1);
  Set1Sort(1, key2);
  SetSortsChanged(true);
}

void TConcordanceList::SetThreeSorts(int32_t key1, int32_t key2, int32_t key3) {
  Set1Sort(0, key1);
  Set1Sort(1, key2);
  Set1Sort(2, key3);
  SetSortsChanged(true);
}

void TConcordanceList::SetSortDirections() {
  for (int l = 0; l < 3; ++l) {
    const int32_t k = SortLevel(l).key;
    SetSortAscending(l, k < kConcSortSet || k == kConcSortHighlight || k == kConcSortWholeLine);
  }
}

void TConcordanceList::EnsureAlphabeticalAscendingSort() {
  Set2Sorts(kConcSortFile, kConcSortWordNumber);
  SetSortAscending(0, true);
  SetSortAscending(1, true);
}

bool TConcordanceList::SortAlphabeticallyAscending() {
  Set2Sorts(kConcSortSearchWord, kConcSortL1);
  SetSortAscending(0, true);
  return CompleteResort();
}

void TConcordanceList::SetSortSettingsToDefault(bool clearing) {
  TVXBaseLemmaMatchCapableList::SetSortSettingsToDefault(clearing);
  Set1Sort(0, kConcSortFile);
  Set1Sort(1, kSortNone);
  Set1Sort(2, kSortNone);
  SetSortAscending(0, true);
}

bool TConcordanceList::CompleteResort() { return DoASort(3, 0, Count() - 1); }

bool TConcordanceList::CompleteResort(TLCID lcid) {
  document_->SetLocale(lcid);
  return CompleteResort();
}

float TConcordanceList::LineNumber(const TConcordanceEntry& line, int key) const {
  const TConcordanceLineData& d = line.Data();
  switch (key) {
    case kConcSortTagDistance: return static_cast<float>(line.TagContextDistance());
    case kConcSortPercentOfFile: return d.percent_of_file;
    case kConcSortWordNumber: return static_cast<float>(d.word_num);
    default: break;
  }
  if (key >= kConcSortSentence && key < kConcSortMeanRank) {
    const int kind = (key - kConcSortSentence) / 2;
    if ((key - kConcSortSentence) % 2 == 0) return static_cast<float>(line.UnitNumber(kind));
    return UnitPercentOfLine(line, kind);
  }
  return kMissingValue;
}

namespace {
constexpr size_t kLinesForThreadedSort = 20000;

// The lines' keys are made a stretch of lines per worker; a stretch smaller than this is not
// worth a thread.
constexpr size_t kLinesPerKeyStretch = 8192;

// The key of a level that only reads its line (no lazy record, no document question) may be
// made on several threads at once.
bool KeyReadsOnlyItsLine(int32_t k) {
  return k != kConcSortFile && k != kConcSortDate && k != kConcSortMeanRank && k != kConcSortHighlight;
}
}  // namespace

int TConcordanceList::SortThreads(size_t lines) const {
  if (sort_workers_ > 0) return sort_workers_;
  return lines >= kLinesForThreadedSort ? static_cast<int>(std::clamp(std::thread::hardware_concurrency(), 1u, 4u)) : 1;
}

bool TConcordanceList::DoASort(int levels, int first, int last) {
  if (ListBusy() != kBusyNone) return RefuseWhileBusy("sort");
  const size_t count = static_cast<size_t>(std::max(Count(), 0));
  const int threads = SortThreads(count);
  // Each line is cleared of its count and told from an empty slot side by side: the lines of a
  // run made on many workers lie far apart in memory, and one thread visiting each in turn
  // waits on every one.
  std::vector<TConcordanceEntry*> line_at(count);
  ParallelFor(threads, count, [&](size_t b, size_t e) {
    for (size_t i = b; i < e; ++i)
      if ((line_at[i] = AsConcordanceLine(entries_[i]))) line_at[i]->ZeroHighlight();
  }, kLinesPerKeyStretch);
  DoProgressPercent(0);
  first = std::max(first, 0);
  last = std::min(last, Count() - 1);
  levels = std::clamp(levels, 1, 3);
  if (last - first < 1) return true;

  // Empty slots go after the lines.
  std::vector<TConcordanceEntry*> lines;
  std::vector<TVXBaseListObject*> others;
  lines.reserve(static_cast<size_t>(last - first + 1));
  for (int i = first; i <= last; ++i) {
    if (TConcordanceEntry* line = line_at[static_cast<size_t>(i)])
      lines.push_back(line);
    else
      others.push_back(entries_[static_cast<size_t>(i)]);
  }
  const size_t n = lines.size();
  const TLCID lcid = document_->Locale();

  std::vector<TLevelKeys> keys;
  std::vector<TRankedSortLevel> ranked;
  std::vector<std::pair<int32_t, bool>> levels_taken;  // (key, case sensitive) of each level kept
  keys.reserve(3);
  try {
    for (int l = 0; l < levels; ++l) {
      const TSortLevel& level = SortLevel(l);
      if (!level.comparer || level.key < 0) continue;
      const int32_t k = level.key & 0x7F;
      if (k >= kConcSortKeyCount) continue;
      const bool cs = CaseSensitiveLevel(l);
      // A level that repeats an earlier one's key under the same case rule finds only ties
      // among that level's ties, whatever its direction: it cannot change the order.
      if (k != kConcSortHighlight &&
          std::find(levels_taken.begin(), levels_taken.end(), std::make_pair(k, cs)) != levels_taken.end())
        continue;
      levels_taken.emplace_back(k, cs);
      keys.emplace_back();
      TLevelKeys& lk = keys.back();
      // value_of(line) for every line, on the sort's threads when the key only reads its line.
      auto each_line = [&](auto&& fill) {
        ParallelFor(KeyReadsOnlyItsLine(k) ? threads : 1, n, fill, kLinesPerKeyStretch);
      };
      auto strings_from = [&](auto&& view_of, bool collated, bool case_sensitive) {
        lk.kind = TRankedKeyKind::kString;
        lk.collated = collated;
        lk.case_sensitive = case_sensitive;
        lk.strings.resize(n);
        each_line([&](size_t b, size_t e) {
          for (size_t j = b; j < e; ++j) lk.strings[j] = view_of(*lines[j]);
        });
      };
      // Pieces of the lines' texts: those kept a byte a character are widened, a block a stretch.
      auto line_pieces = [&](auto&& piece_of, bool collated, bool case_sensitive) {
        lk.kind = TRankedKeyKind::kString;
        lk.collated = collated;
        lk.case_sensitive = case_sensitive;
        lk.strings.resize(n);
        const size_t stretches = ParallelPieces(threads, n, kLinesPerKeyStretch);
        lk.widened.resize(stretches);
        ParallelForPieces(threads, n, [&](size_t piece, size_t b, size_t e) {
          size_t units = 0;
          for (size_t j = b; j < e; ++j)
            if (const TLineText p = piece_of(*lines[j]); p.OneByte()) units += p.size();
          std::vector<char16_t>& block = lk.widened[piece];
          block.resize(units);
          char16_t* at = block.data();
          for (size_t j = b; j < e; ++j) {
            const TLineText p = piece_of(*lines[j]);
            if (!p.OneByte()) {
              lk.strings[j] = UStringView(p.Units(), p.size());
              continue;
            }
            p.CopyTo(at);
            lk.strings[j] = UStringView(at, p.size());
            at += p.size();
          }
        }, kLinesPerKeyStretch);
      };
      // One string a source text, asked once for each text the lines come from.
      auto per_text_strings = [&](auto&& text_of, bool case_sensitive) {
        lk.kind = TRankedKeyKind::kString;
        lk.collated = true;
        lk.case_sensitive = case_sensitive;
        lk.strings.resize(n);
        // The lines' file numbers are read on the workers; each number's text is asked once, here.
        std::vector<int32_t> file_of(n);
        ParallelFor(threads, n, [&](size_t b, size_t e) {
          for (size_t j = b; j < e; ++j) file_of[j] = lines[j]->Data().filename_num_original;
        }, kLinesPerKeyStretch);
        std::unordered_map<int32_t, size_t> slot_of;
        std::vector<size_t> slot(n);
        for (size_t j = 0; j < n; ++j) {
          if (j > 0 && file_of[j] == file_of[j - 1]) {
            slot[j] = slot[j - 1];
            continue;
          }
          auto [it, added] = slot_of.try_emplace(file_of[j], lk.owned.size());
          if (added) lk.owned.push_back(text_of(file_of[j]));
          slot[j] = it->second;
        }
        for (size_t j = 0; j < n; ++j) lk.strings[j] = lk.owned[slot[j]];
      };
      auto ints_from = [&](auto&& value_of) {
        lk.kind = TRankedKeyKind::kInt64;
        lk.ints.resize(n);
        each_line([&](size_t b, size_t e) {
          for (size_t j = b; j < e; ++j) lk.ints[j] = value_of(*lines[j]);
        });
      };
      auto doubles_from = [&](auto&& value_of) {
        lk.kind = TRankedKeyKind::kDouble;
        lk.doubles.resize(n);
        each_line([&](size_t b, size_t e) {
          for (size_t j = b; j < e; ++j) lk.doubles[j] = value_of(*lines[j]);
        });
      };
      if (KeyIsWord(k)) {
        const int span = SortSpanFromSort(k);
        line_pieces(
            [span](const TConcordanceEntry& line) {
              const auto [start, length] = SpanWordExtent(line, span);
              return Piece(line.Text(), start, length);
            },
            true, cs);
      } else if (k == kConcSortContextWord) {
        line_pieces(
            [](const TConcordanceEntry& line) {
              if (line.OtherContextWords().Count() == 0) return TLineText();
              const TSortInfoRec r = line.OtherContextWords().Record(0);
              return Piece(line.Text(), int32_t(line.Data().midpoint) + r.start_position, r.coll_length);
            },
            false, true);
      } else if (k == kConcSortSet) {
        strings_from([](const TConcordanceEntry& line) { return line.SetText(); }, true, cs);
      } else if (k == kConcSortFile) {
        per_text_strings([this](int32_t file) { return SourceFileName(file); }, false);
      } else if (k == kConcSortDate) {
        std::unordered_map<int32_t, double> date_of;
        doubles_from([&](const TConcordanceEntry& line) {
          const int32_t file = line.Data().filename_num_original;
          auto [it, added] = date_of.try_emplace(file, 0.0);
          if (added) it->second = SourceFileDate(file);
          return it->second;
        });
      } else if (k == kConcSortTagContext) {
        strings_from([](const TConcordanceEntry& line) { return line.TagContext(); }, true, false);
      } else if (k == kConcSortTagDistance || k == kConcSortWordNumber) {
        ints_from([this, k](const TConcordanceEntry& line) { return static_cast<int64_t>(LineNumber(line, k)); });
      } else if (k == kConcSortPercentOfFile || (k > kConcSortSentence && k < kConcSortMeanRank && (k - kConcSortSentence) % 2 == 1)) {
        doubles_from([this, k](const TConcordanceEntry& line) { return static_cast<double>(LineNumber(line, k)); });
      } else if (k >= kConcSortSentence && k < kConcSortMeanRank) {
        const int kind = (k - kConcSortSentence) / 2;
        ints_from([kind](const TConcordanceEntry& line) { return int64_t(line.UnitNumber(kind)); });
      } else if (k == kConcSortMeanRank) {
        ints_from([](const TConcordanceEntry& line) { return int64_t(line.MeanWordRank()); });
      } else if (k == kConcSortHighlight) {
        current_sort_level_ = l;
        ints_from([this](const TConcordanceEntry& line) {
          return int64_t(HighlightCount(const_cast<TConcordanceEntry&>(line)));
        });
      } else if (k == kConcSortWholeLine) {
        line_pieces([](const TConcordanceEntry& line) { return line.Text(); }, true, false);
      } else {  // kConcSortBytePosition
        ints_from([](const TConcordanceEntry& line) { return line.Data().byte_position; });
      }
      const bool asc = level.ascending;
      switch (lk.kind) {
        case TRankedKeyKind::kString:
          ranked.push_back(lk.collated ? TRankedSortLevel::Strings(lk.strings, lcid, lk.case_sensitive, asc)
                                       : TRankedSortLevel::OrdinalStrings(lk.strings, asc));
          break;
        case TRankedKeyKind::kDouble: ranked.push_back(TRankedSortLevel::Numbers(std::span<const double>(lk.doubles), asc)); break;
        default: ranked.push_back(TRankedSortLevel::Numbers(std::span<const int64_t>(lk.ints), asc)); break;
      }
    }
  } catch (const std::exception& e) {
    AddToLogFile(Utf8ToUtf16(std::string("concordance sort: keys could not be made: ") + e.what()));
    return false;
  }

  std::vector<uint32_t> order;
  SetListBusy(kBusySorting);
  // The ranking is the same on any number of threads.
  const TRankedSortResult r = RankedSort(ranked, n, order, threads);
  SetListBusy(kBusyNone);
  if (!r.ok) {
    AddToLogFile(Utf8ToUtf16("concordance sort refused: " + r.message));
    return false;
  }
  size_t at = static_cast<size_t>(first);
  for (uint32_t j : order) entries_[at++] = lines[j];
  for (TVXBaseListObject* e : others) entries_[at++] = e;
  last_LinzoraEntry = -1;
  DoProgressPercent(0);
  return true;
}

int32_t TConcordanceList::HeaderColumnToSortNeeded(int level, int column) {
  if (column == PredefinedSetColumnNumber()) return kConcSortSet;
  if (level <= 0) {
    if (column == 1 || column == 14) return kConcSortFirstWord;
    if (column == 3) return kConcSortTagContext;
    if (column == 4) return kConcSortWordNumber;
    if (column >= 5 && column <= 12) return kConcSortSentence + (column - 5);
    if (column == 13) return kConcSortFile;
    if (column == 15) return kConcSortPercentOfFile;
  } else {
    switch (column) {
      case 1: case 14: return kConcSortFirstWord;
      case 3: case 15: return kConcSortPercentOfFile;
      case 4: case 13: return kConcSortWordNumber;
      case 5: return 20;
      case 6: return 19;
      case 7: return 22;
      case 8: return 21;
      case 9: return 24;
      case 10: return 23;
      case 11: return 26;
      case 12: return 25;
      default: break;
    }
  }
  return TVXBaseLemmaMatchCapableList::HeaderColumnToSortNeeded(level, column);
}

namespace {
// A line read from a stream carries no flag for unit statistics: none of them set means none.
bool HasStructureData(const TConcordanceEntry& line) {
  const TLineUnitStats units = line.UnitStats();
  for (int k = 0; k < kUnitKinds; ++k)
    if (units.unit_number[k] != 0 || units.unit_length[k] != 0 || units.unit_position[k] != 0) return true;
  return false;
}
}  // namespace

float TConcordanceList::NumericalData(const TConcordanceEntry& line, int column) const {
  const TConcordanceLineData& d = line.Data();
  if (column >= 5 && column <= 12) {
    if (!HasStructureData(line)) return kMissingValue;
    const int kind = (column - 5) / 2;
    if ((column - 5) % 2 == 0) return static_cast<float>(line.UnitNumber(kind));
    const float p = UnitPercentOfLine(line, kind);
    if (p == kMissingValue || !document_->UnitPercentPerMillion()) return p;
    return p * 10000.0f;
  }
  if (column == 4) return static_cast<float>(d.word_num);
  if (column == 15) return d.percent_of_file;
  return kMissingValue;
}

void TConcordanceList::NumericalData(int column, int index, TNumberDisplayAndSinglesRec& result) {
  TVXBaseLemmaMatchCapableList::NumericalData(column, index, result);
  const TConcordanceEntry* line = Line(index);
  if (column == 0) {
    result.value = static_cast<float>(index + 1);
    return;
  }
  if (!line || column > 15) return;
  if (column == 4 || column == 15 || (column >= 5 && column <= 12)) {
    result.value = NumericalData(*line, column);
    const bool share = column == 15 || (column >= 6 && column <= 12 && column % 2 == 0);
    result.kind = !share ? 0 : ((column != 15 && document_->UnitPercentPerMillion()) ? 3 : 2);
    result.is_real = share;
  }
}

// --- stop words, merging, duplicates ------------------------------------------------------------

void TConcordanceList::RemoveStopWord(UStringView word, int32_t total, int32_t index, bool, bool, bool) {
  DoProgressPercent(total > 0 ? static_cast<int32_t>(int64_t(index) * 100 / total) : 0);
  const TLCID lcid = document_->Locale();
  for (int i = 0; i < Count(); ++i) {
    const TConcordanceEntry* line = Line(i);
    if (!line || GetDeleted(i)) continue;
    const auto [start, length] = SpanWordExtent(*line, kSpanCentre);
    if (length <= 0) continue;
    if (CompareStringsLocale(lcid, false, TLineTextWide(Piece(line->Text(), start, length)), word) == 0 &&
        DeleteOne(i, true))
      ++stoplist_tokens;
  }
}

bool TConcordanceList::MergeWith(TVXBaseLemmaMatchCapableList* other) {
  auto* incoming = dynamic_cast<TConcordanceList*>(other);
  if (!incoming || incoming == this) return false;
  if (ListBusy() != kBusyNone || incoming->ListBusy() != kBusyNone) return RefuseWhileBusy("merge");
  if (!DonePreMergeChecks(*incoming)) return false;
  SetListFlags(ListFlags() | kMergedListFlag);
  for (int i = 0; i < incoming->Count(); ++i) {
    TConcordanceEntry* line = incoming->Line(i);
    if (!line) continue;
    // Wrapping keeps a garbled number from overflowing; the document renumbers them anyway.
    line->Data().sw_number = static_cast<int32_t>(static_cast<uint32_t>(line->Data().sw_number) + kMergedLineOffset);
    line->Data().filename_num_original =
        static_cast<int32_t>(static_cast<uint32_t>(line->Data().filename_num_original) + kMergedLineOffset);
    line->SetOwner(this);
    // Lines joined under this one leave with it: their texts must leave the other list too.
    for (TVXBaseListObject* joined : line->JoinedEntries())
      if (auto* j = dynamic_cast<TConcordanceEntry*>(joined); j && j->Owner() == incoming) j->SetOwner(this);
  }
  fFattest_hit = std::max(fFattest_hit, incoming->fFattest_hit);
  return TVXBaseLemmaMatchCapableList::MergeWith(incoming);
}

void TConcordanceList::RemoveDuplicates(TDuplicatesResult& result, const TDuplicatesProgress& progress) {
  result = TDuplicatesResult();
  if (ListBusy() != kBusyNone) {
    RefuseWhileBusy("remove duplicates");
    return;
  }
  SortAlphabeticallyAscending();
  // Two lines are duplicates only when their midpoints and the windows they compare are equal,
  // so hashing both puts every pair in one class, wherever the sort left them. Only lines of one
  // hash are ever compared, and then only with the first line of each class.
  const int n = Count();
  TDuplicateClasses classes(static_cast<size_t>(std::max(n, 0)));
  TLineTextWide wide;
  for (int i = 0; i < n; ++i) {
    const TConcordanceEntry* line = Line(i);
    if (!line || GetDeleted(i)) continue;
    if (progress && n >= 100 && i % (n / 100) == 0) progress(static_cast<int32_t>(int64_t(i) * 100 / n), true);
    const int32_t mid = line->Data().midpoint;
    const size_t start = static_cast<size_t>(std::max(0, mid - 250));
    const TLineText text = line->Text();
    // A long line compares its window, a short one its whole text: the marker keeps the two
    // kinds apart, as the comparison does. The hash is of the characters, whatever form keeps them.
    const bool windowed = text.size() >= start + 500;
    const UStringView key = wide.Assign(windowed ? text.substr(start, 500) : text);
    const uint32_t group_mid = static_cast<uint32_t>(windowed ? mid : -1 - mid);
    const uint64_t hash = std::hash<UStringView>()(key) ^ (uint64_t{group_mid} * 0xC2B2AE3D27D4EB4Full);
    const int32_t first = classes.FirstEqual(i, hash, [&](int32_t earlier) { return line->IsDuplicateOf(*Get(earlier)); });
    if (first < 0) continue;
    if (SetDeleted(i, true)) {
      ++result.deleted;
      if (result.first_index < 0) result.first_index = first;
    }
  }
}

// --- the source files ------------------------------------------------------------------------

TLinzoraFilenameEntry* TConcordanceList::SourceRow(int32_t file_num) const {
  TLinzoraFilenamelist* files = document_->SourceFiles();
  if (!files || file_num < 1) return nullptr;
  return files->Row(file_num - 1, true);
}

bool TConcordanceList::TakesFileNumber(int32_t file_num) const {
  return file_num >= 1 && (!document_->SourceFiles() || SourceRow(file_num));
}

void TConcordanceList::RebuildFilenameFilenumbersFromConcLines(TLinzoraFilenamelist* files) {
  if (!files || files->HasOriginalNumbers()) return;
  for (int i = 0; i < Count(); ++i) {
    const TConcordanceEntry* line = Line(i);
    if (!line) continue;
    const int32_t index = line->SourceTextIndex();
    if (index >= 0 && index < files->Count()) files->SetOriginalFilenumber(index);
  }
  files->EnsureOrderTableAllocated();
}

int32_t TConcordanceList::SourceFileCount() const {
  TLinzoraFilenamelist* files = document_->SourceFiles();
  return files ? files->Count() : 0;
}

UString TConcordanceList::SourceFileName(int32_t file_num) const {
  const TLinzoraFilenameEntry* row = SourceRow(file_num);
  return row ? row->fdata.full_filename : UString();
}

int64_t TConcordanceList::SourceFileByteSize(int32_t file_num) const {
  const TLinzoraFilenameEntry* row = SourceRow(file_num);
  return row ? row->fdata.other_data.file_size : 0;
}

double TConcordanceList::SourceFileDate(int32_t file_num) const {
  const TLinzoraFilenameEntry* row = SourceRow(file_num);
  return row ? row->fdata.other_data.TextualDateAndTime : 0.0;
}

void TConcordanceList::TakeSourceFileDetails(int32_t file_num, int64_t byte_size, double date) {
  TLinzoraFilenameEntry* row = SourceRow(file_num);
  if (!row) return;
  if (row->fdata.other_data.file_size == 0) row->fdata.other_data.file_size = byte_size;
  if (row->fdata.other_data.TextualDateAndTime == 0.0) row->fdata.other_data.TextualDateAndTime = date;
}

// --- what a line asks ------------------------------------------------------------------------

int32_t TConcordanceList::StreamVersion() const { return GetVersionNumber(); }
bool TConcordanceList::Unicode() const { return Holder() ? Holder()->Unicode() : true; }
void TConcordanceList::SetUnicode(bool unicode) {
  if (Holder()) Holder()->SetUnicode(unicode);
}
int TConcordanceList::CodePage() const { return Holder() ? Holder()->CodePage() : 1252; }
bool TConcordanceList::OldRecordsMode() const { return old_records_mode_ || document_->OldRecordsMode(); }
void TConcordanceList::SetOldRecordsMode() {
  old_records_mode_ = true;
  document_->SetOldRecordsMode();
}
const std::vector<uint8_t>* TConcordanceList::SearchWordTagTable() const { return document_->SearchWordTagTable(); }
bool TConcordanceList::TextsInPlace() const { return document_->TextsInPlace(); }
bool TConcordanceList::ShowFullFilenames() const { return document_->ShowFullFilenames(); }
int TConcordanceList::ColumnKind(int column) const { return document_->ColumnKind(column); }
TLCID TConcordanceList::Locale() const { return document_->Locale(); }
bool TConcordanceList::HasReferenceList() const { return document_->HasReferenceList(); }
int32_t TConcordanceList::ReferenceListCount() const { return document_->ReferenceListCount(); }
int32_t TConcordanceList::ReferenceRank(UStringView word) const { return document_->ReferenceRank(word); }

// --- stream ----------------------------------------------------------------------------------

bool TConcordanceList::SaveToStream(TStream& s) {
  if (ListBusy() != kBusyNone) return RefuseWhileBusy("save the list");
  const int32_t before = GetVersionNumber();
  SetVersionNumber(std::max(kConcordanceListVersion, before));
  if (!TVXBaseLemmaMatchCapableList::SaveToStream(s)) return false;
  if (s.Write(fSpare_colours.data(), kSpareColoursBytes) != kSpareColoursBytes) {
    AddToLogFile("concordance list: the 192-byte block after the lines could not be written");
    return false;
  }
  return true;
}

bool TConcordanceList::ReadFromStream(TStream& s) {
  if (ListBusy() != kBusyNone) return RefuseWhileBusy("read the list");
  old_records_mode_ = false;
  Dud_CNC_Filenames_found = false;
  fHasTagFileData = false;
  if (!TVXBaseLemmaMatchCapableList::ReadFromStream(s)) {
    AddToLogFile(Utf8ToUtf16("concordance list: reading stopped at byte " + std::to_string(s.Position()) +
                             " after " + std::to_string(Count()) + " lines"));
    return false;
  }
  if (!OldRecordsMode()) {
    std::array<uint8_t, kSpareColoursBytes> block{};
    if (s.Read(block.data(), kSpareColoursBytes) != kSpareColoursBytes) {
      AddToLogFile(Utf8ToUtf16("concordance list: the 192-byte block after the lines is cut short at byte " +
                               std::to_string(s.Position())));
      return false;
    }
    fSpare_colours = block;
  }
  fFattest_hit = 0;
  for (int i = 0; i < Count(); ++i)
    if (const TConcordanceEntry* line = Line(i)) fFattest_hit = std::max(fFattest_hit, line->HitWidthInLine());
  const TConcordanceEntry* first = Line(0);
  if (first && !first->Data().has_percent) {
    for (int i = 0; i < Count(); ++i) {
      TConcordanceEntry* line = Line(i);
      if (!line) continue;
      const TLinzoraFilenameEntry* row = SourceRow(line->Data().filename_num_original);
      const int32_t words = row ? row->fdata.head.words_in_source_file : 0;
      line->Data().percent_of_file =
          words < 1 ? 0.01f : static_cast<float>(double(line->Data().word_num) * 100.0 / double(words));
      line->Data().has_percent = true;
    }
  }
  RebuildFilenameFilenumbersFromConcLines(document_->SourceFiles());
  return true;
}

// --- one line, and widening it ------------------------------------------------------------------

bool TConcordanceList::LinzoraData(int index, bool widen, TLinzoraEntryRecBase& result) {
  TConcordanceEntry* line = Line(index);
  if (!line) return false;
  bool ok = true;
  if (widen && line->Data().conc_line_chars < 5000) {
    ok = false;
    const int32_t file_num = line->Data().filename_num_original;
    TLinzoraFilenamelist* files = document_->SourceFiles();
    const UString name = SourceFileName(file_num);
    if (ListBusy() != kBusyNone) {
      RefuseWhileBusy("widen a line");
    } else if (!files || !SourceRow(file_num)) {
      AddToLogFile("concordance list: a line to widen names no source text");
    } else if (files->GetFileStatus(file_num - 1, true) >= kFileMissing || name.empty() ||
               GetFileStatusOfAFile(name, true) != kFilePresent) {
      files->SetFileStatus(file_num - 1, true, kFileMissing);
    } else {
      SetListBusy(kBusyReading);
      files->SetFileStatus(file_num - 1, true, kFilePresent);
      const int32_t width = line->Data().conc_line_chars + 2000;
      std::array<bool, 2> at_edge{false, false};
      try {
        ok = window_reader ? window_reader(*line, width, at_edge) : false;
      } catch (...) {
        ok = false;
      }
      if (ok) {  // the reader remade the line, its character count with it
        fAtFileEdge[0] = at_edge[0];
        fAtFileEdge[1] = at_edge[1];
      } else {
        AddToLogFile(u"concordance list: the text of a widened line could not be re-read: " + name);
      }
      SetListBusy(kBusyNone);
    }
  }
  result = line->StreamBase();
  last_LinzoraEntryRec = result;
  last_LinzoraEntry = index;
  return ok;
}
