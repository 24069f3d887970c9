#include "concordance/run/text_processor.h"

#include <algorithm>
#include <exception>
#include <utility>

#include "model/reading/chosen_texts_handover.h"
#include "model/reading/tag_lists.h"
#include "model/reading/worker_tag_handler.h"
#include "platform/rtl/files.h"
#include "platform/rtl/temporary_names.h"
#include "platform/runtime/vx_resources.h"
#include "platform/runtime/vx_runtime.h"

namespace {

// Colours of a tag the handler's list does not know (hidden mark-up, a tag kept in the window).
constexpr TForeBackColoursArray kDefaultTagColours{0x00808080, 0x00FFFFFF};

// The concordance list's type for the reader.
constexpr TTessorineList kConcordanceList = 10;

// Characters a widening window holds beyond the line on each side.
constexpr int32_t kGrowMarginChars = 64;

}  // namespace

// --- the reader -----------------------------------------------------------------------------------

TLinzoraBufferProcessor::TLinzoraBufferProcessor(const TTextWorkerSetup& setup, TTextTagHandler* tags,
                                                 const TChosenFileDetailsFullRec& chosen, int32_t text_index,
                                                 TTextOutcome& outcome)
    : TBufferProcessor(
          nullptr, [](const TFileHandledRec&, bool) {}, [](bool) {}, tags, chosen, kConcordanceList,
          setup.run ? setup.run->Settings().text_settings.PrecomposedCharacters() : true, false, text_index == 0,
          setup.run),
      setup_(setup),
      outcome_(outcome),
      text_index_(text_index),
      items_(setup.search_items ? *setup.search_items : TSearchWordItems(setup.text_options)),
      engine_(true, true, setup.text_options),
      cutter_(std::clamp(setup.line_width, 1, kMaxLineWidth)) {
  // The committer counts the lines wanted per text: every pass here runs to the chunk's end.
  for (int32_t i = 0; i < items_.Count(); ++i) items_.GetPtr(i)->instances_to_find = 0;
  items_.ClearHits();
  engine_.SetItems(items_);
  const bool context = setup.context_items && setup.context_items->Count() > 0;
  const bool exclusion = setup.exclusion_items && setup.exclusion_items->Count() > 0;
  bool own_context = false;
  for (int32_t i = 0; i < items_.Count(); ++i) own_context = own_context || !items_.GetPtr(i)->context_words.empty();
  if (context || exclusion || own_context) {
    context_ = std::make_unique<TContextWordCheck>(setup.text_options, setup.context_items, setup.exclusion_items,
                                                   setup.context_left, setup.context_right);
    context_->SetContextStop(setup.context_stop);
  }
  // The span a line keeps: at least L5 to R5, and as far as the context and collocate horizons.
  const TLineSpanPair c = CollocSpan(setup.context_left, setup.context_right);
  const TLineSpanPair k = CollocSpan(setup.colloc_left, setup.colloc_right);
  span_.left = std::min<uint8_t>({kSpanFixedFirst, c.left, k.left});
  span_.right = std::max<uint8_t>({kSpanFixedLast, c.right, k.right});
  // Half a line after each cut, so a hit just before it gets its right context.
  const int32_t width = cutter_.Width();
  LookAheadWanted = std::min(kLookAheadCharsMax, width - width / 2 + 1);
  if (TLineTextArena* arena = setup.line_owner ? setup.line_owner->LineTextArena() : nullptr) {
    lease_.emplace(*arena);
    shared_.emplace(*arena);
    shared_wide_.emplace(*arena, sizeof(char16_t));
  }
  // Kinds are read around hits and at the chunk's end only: those are written when asked for.
  fKindsOnDemand = fTextOnDemand = true;
  // A request's item is looked for in its own texts only.
  if (setup.only_item >= 0 && setup.only_item < items_.Count()) items_.single_item = setup.only_item;
  engine_.SetJumpToSource([this] { return LowestJumpTo(); });
}

TLinzoraBufferProcessor::~TLinzoraBufferProcessor() = default;

void TLinzoraBufferProcessor::LogLine(UString text) {
  if (setup_.keeping_log) outcome_.log_lines.push_back(std::move(text));
}

bool TLinzoraBufferProcessor::SetupTheBuffer() {
  const bool ok = TBufferProcessor::SetupTheBuffer();
  engine_.ClearChunkTextStats();
  items_.ClearHits();
  text_stats_ = TSearchStatsRec{};
  for (auto& open : open_) open.clear();
  TellUnitEndsWanted();
  tail_text_.clear();
  tail_kinds_.clear();
  return ok;
}

void TLinzoraBufferProcessor::HandleTextStatsAtEndOfBuffer(int32_t buffer_number, int32_t buffer_count) {
  // A chunk passed over on the way to a jump position (prepared, not searched) still gives the
  // next one its left context.
  if (prepared_ && last_chunk_ != buffer_number && !FileHandledInfo.excluded && grow_line_ == nullptr &&
      Length() > 0)
    KeepTailForNextLine();
  prepared_ = false;
  if (Stream()) ReserveForTheRestOfTheText(Stream()->Last_chunk_ended_at, Stream()->fcomplete_file_size);
  if (setup_.chunk_done && Stream())
    setup_.chunk_done(text_index_, Stream()->Last_chunk_ended_at, Stream()->fcomplete_file_size, WordsOfText());
  if (!setup_.keeping_log) return;
  LogLine(u"End of buffer " + IntToUStr(buffer_number) + u" of " + IntToUStr(buffer_count) + u": hits so far = " +
          IntToUStr(static_cast<int64_t>(outcome_.lines.size())));
}

void TLinzoraBufferProcessor::ReserveForTheRestOfTheText(int64_t bytes_read, int64_t size) {
  // A frequent word in a large text makes hundreds of thousands of candidates: grown by doubling,
  // the list would be copied a score of times and its pages touched twice over. Once what is
  // left would not fit, room is made for as many lines as the text's rest is likely to give at
  // the rate so far (an eighth more), and so again should the rate rise.
  std::vector<TCandidateLine>& lines = outcome_.lines;
  if (lines.empty() || bytes_read <= 0 || bytes_read >= size) return;
  const double per_byte = static_cast<double>(lines.size()) / static_cast<double>(bytes_read);
  const size_t rest = static_cast<size_t>(per_byte * static_cast<double>(size - bytes_read));
  if (lines.capacity() - lines.size() >= rest) return;
  lines.reserve(std::max(lines.size() + rest + rest / 8 + 64, lines.capacity() + lines.capacity() / 4));
}

bool TLinzoraBufferProcessor::OKToProcess() {
  prepared_ = true;
  return TBufferProcessor::OKToProcess();
}

bool TLinzoraBufferProcessor::ProcessAChunkOfFile(int32_t chunk_index) {
  chunk_ = chunk_index;
  const uint8_t stop = StopState();
  stop_seen_ = std::max(stop_seen_, stop);
  if (stop >= kPanicStopNow) {
    LogLine(VXRes(TVXRes::VXPanicMode) + u"**** " + IntToUStr(stop) + u" = ");
    return false;
  }
  last_chunk_ = chunk_index;
  if (grow_line_) return GrowTheLine();

  // The text before the reader's carried characters, from the last chunk's tail.
  before_text_.clear();
  before_kinds_.clear();
  const size_t carried = static_cast<size_t>(std::max(0, ChunkStartIndex()));
  if (tail_text_.size() > carried) {
    before_text_.assign(tail_text_, 0, tail_text_.size() - carried);
    before_kinds_.assign(tail_kinds_.begin(), tail_kinds_.end() - static_cast<std::ptrdiff_t>(carried));
  }

  const TTagsFoundArray none{};
  engine_.SetArrayOfTagsFound(fTagHandler ? fTagHandler->TagsFound().data() : none.data());
  TChunkPositions pos{0,          ChunkStartIndex(), Length(), chunk_index, IsLastChunk(), ChunkStartInFile(),
                      FileSize(), &ByteMap()};
  if (const TFastPassResult* fast = FastPassFound()) {
    pos.word_masks = fast->word_masks.data();
    pos.marker_masks = fast->marker_masks.data();
    pos.marker_kind = kFastPassMarkerKind;
    if (fast->kinds_pending) {
      pos.ensure_kinds = [this](int32_t from, int32_t to) { EnsureKinds(from, to); };
      pos.ensure_text = [this](int32_t from, int32_t to) { EnsureText(from, to); };
      pos.plain_bytes = fNarrowNew;
    }
    // The window of the next line comes from memory, seldom from the cache: it is asked for
    // while the line before it is made.
    pos.next_hit = [this](int32_t position) {
      const TLineWindow window = LineWindowAt(position);
      if (!window.plain) return;
      TChunkView view = PlainChunkView();
      SetPlainRange(view, window);
      cutter_.Prefetch(view, position);
    };
  }
  words_before_chunk_ = text_stats_.words_in_chunk;
  last_window_ = TLineWindow{};
  plain_windows_.Reset();
  engine_.PrepareForConcordancing(
      fFullFilename, Text(), Kinds(), pos,
      [this](TSearchAndDoEngine& sender, TSearchFound_Rec& f) { return DoSearchFound(sender, f); },
      [this](TSearchAndDoEngine& sender, TSearchStatsRec& s) { DoWordCount(sender, s); });
  for (int32_t i = 0; i < items_.Count(); ++i) {
    // "Finish the text" (1) still makes this text's lines; only a stop now (2 or more) ends them.
    const uint8_t now = StopState();
    stop_seen_ = std::max(stop_seen_, now);
    if (now >= kPanicStopNow) break;
    if (items_.single_item >= 0 && items_.single_item != i) continue;
    engine_.SetCurrentItem(i);
    item_ = i;
    hit_in_pass_ = 0;
    engine_.ClearChunkTextStats();
    engine_.SearchAndDo(*items_.GetPtr(i), i);
  }
  engine_.CopyAChunkTextStats(text_stats_);
  KeepTailForNextLine();
  return stop_seen_ < kPanicStopNow;
}

bool TLinzoraBufferProcessor::GrowTheLine() {
  TConcordanceEntry& line = *grow_line_;
  TConcordanceLineData& d = line.Data();
  const int32_t n = Length() + LookAheadLength();
  // The hit is the first character at the line's byte: the map rises with the characters.
  int32_t lo = 0, hi = n;
  while (lo < hi) {
    const int32_t mid = lo + (hi - lo) / 2;
    if (ByteMap().FileByteOf(mid) < d.byte_position) lo = mid + 1;
    else hi = mid;
  }
  if (lo >= n || ByteMap().FileByteOf(lo) != d.byte_position) {
    grow_result_ = TGrowResult::HitNotFound;
    return false;
  }
  // The window must hold the whole line and a margin each side (the first and last few
  // characters of a window read from the middle may be classified without their neighbours),
  // unless it reaches the text's start or end, where the line stops too.
  const int32_t width = cutter_.Width();
  const int32_t hit_length = std::clamp(d.hit_characters, 0, n - lo);
  const bool from_start = Stream() && Stream()->fGetChunkFrom <= static_cast<int64_t>(FileSignatureBytes);
  if ((!from_start && lo < width / 2 + kGrowMarginChars) ||
      (!IsLastChunk() && n - lo < width - width / 2 + hit_length + kGrowMarginChars)) {
    grow_result_ = TGrowResult::WindowTooNarrow;
    return false;
  }
  EnsureKinds(0, n);
  const TChunkView chunk{Text(), Kinds(), n};
  if (!cutter_.Cut(chunk, TChunkView{nullptr, nullptr, 0}, lo, hit_length)) {
    grow_result_ = TGrowResult::HitNotFound;
    return false;
  }
  // A section or heading that began before the window is not known here: the one found when
  // the line was made stays unless the wider window shows a nearer one.
  const UString old_context(line.TagContext());
  const int32_t old_distance = line.TagContextDistance();
  const uint8_t old_ptrpos = line.TagContextSortPtrpos();
  const int32_t old_tag = line.TagNumber1Based();
  FillLineFromCut(line, items_.GetPtr(d.sw_number));
  if (!section_found_) {
    line.SetTagContext(old_context);
    line.SetTagContextDistance(old_distance);
    line.SetTagContextSortPtrpos(old_ptrpos);
    line.SetTagNumber1Based(old_tag);
  }
  grow_edges_ = {from_start && lo < width / 2, IsLastChunk() && n - lo < width - width / 2};
  grow_result_ = TGrowResult::Made;
  return true;
}

void TLinzoraBufferProcessor::KeepTailForNextLine() {
  // Enough for half a line before whatever the next chunk carries over.
  const int32_t keep = std::min(Length(), cutter_.Width() + kCarriedCharsMax);
  const int32_t from = Length() - keep;
  EnsureKinds(from, Length());
  tail_text_.assign(Text() + from, static_cast<size_t>(keep));
  tail_kinds_.assign(Kinds() + from, Kinds() + Length());
}

bool TLinzoraBufferProcessor::DoSearchFound(TSearchAndDoEngine&, TSearchFound_Rec& f) {
  const THitPlace place{text_index_, chunk_, item_, hit_in_pass_++};
  if (!SampledIn(setup_.sampling_seed, place, setup_.sampling_range)) return false;

  TChunkView chunk{Text(), Kinds(), Length() + LookAheadLength()};
  // The fast first pass judged the new characters and the look-ahead: no tag, and plain ASCII
  // where it says so.
  if (const TFastPassResult* fast = FastPassFound()) {
    // The cutter reads the text of the window of the line's width that starts half a width
    // before the hit, and the kinds of the words around the hit; it asks for any others. A
    // window holding a hidden tag is cut as the full road cuts it; in a chunk not all ASCII, a
    // window that is is the plain range.
    const TLineWindow window = LineWindowAt(f.hit_position);
    const int32_t from = window.from, to = window.to;
    if (window.plain) SetPlainRange(chunk, window);
    if (fast->kinds_pending) {
      if (!window.plain) {
        EnsureKinds(from, to);
      } else {
        // A one-byte cut reads the bytes themselves, and walks the words around the hit over the
        // pass's masks; any other cut asks for the kinds (and text).
        chunk = PlainChunkView();
        SetPlainRange(chunk, window);
        if (fNarrowNew == nullptr) EnsureText(from, to);
        chunk.flags_needed = [](void* owner, int32_t a, int32_t b) {
          static_cast<TLinzoraBufferProcessor*>(owner)->EnsureKinds(a, b);
        };
        chunk.owner = this;
      }
    }
  }
  const TChunkView before{before_text_.data(), before_kinds_.data(), static_cast<int32_t>(before_text_.size())};
  // Hits of one pass over a chunk come in text order: a window reaching past the last shared
  // line's begins with that line's last characters (see KeepNewLineText).
  if (shared_ && shared_chunk_ == chunk_ && shared_item_ == item_) cutter_.MarkInNextCut(shared_window_end_);
  if (!cutter_.Cut(chunk, before, f.hit_position, f.hit_length)) return false;
  const int32_t midpoint = cutter_.Midpoint();
  const int32_t hit_in_line = cutter_.HitLength();
  const int32_t count = cutter_.Length();

  const TSearch_word_format_rec* found_item = items_.GetPtr(f.item_index);
  if (found_item == nullptr) return false;
  const TSearch_word_format_rec& item = *found_item;
  if (context_) {
    const uint8_t* barriers = nullptr;
    if (context_->StopsAtBoundaries()) {
      // The boundaries between the search word and its context words, from the words the line
      // will keep (the span reaches the context horizons).
      cutter_.WordPositions(span_.left, span_.right, positions_, false);
      for (int p = 0; p < kSpanPositions; ++p)
        barriers_[p] = p >= span_.left && p <= span_.right ? positions_[p].barrier : 0;
      barriers = barriers_;
    }
    if (!context_->Passes(UStringView(cutter_.Text(), static_cast<size_t>(count)), midpoint, hit_in_line, item,
                          barriers))
      return false;
  }

  auto line = std::make_unique<TConcordanceEntry>(setup_.line_owner);
  TConcordanceLineData& d = line->Data();
  d.byte_position = ByteMap().FileByteOf(f.hit_position);
  d.hit_characters = f.hit_length;
  d.word_num = words_before_chunk_ + f.stats.words_in_chunk + 1;
  d.sw_number = f.item_index;
  d.percent_of_file = f.percent;
  d.has_percent = true;
  const TLineUnitStats stats(f.stats);
  line->SetUnitStats(stats);
  d.sw_contains_a_tag = item.sw_contains_a_tag;
  if (context_) {
    const TSearchFoundList& found = context_->ContextWordsFound();
    for (int32_t i = 0; i < found.Count(); ++i) {
      const TSearchFound_Rec& c = found.Get(i)->found;
      line->OtherContextWords().Add(
          TSortInfoRec{static_cast<int16_t>(c.hit_position - midpoint), static_cast<int16_t>(c.hit_length), 0, 0});
    }
  }
  FillLineFromCut(*line, &item);

  const bool jumping = LowestJumpTo() > 0;
  if (jumping) {
    // A line of a jump position stands alone: no word number, no units.
    line->SetUnitStats(TLineUnitStats{});
    d.word_num = 0;
    MoveToNextJumpPosition(d.byte_position);
  }
  outcome_.lines.push_back(TCandidateLine{std::move(line), chunk_, item_, place.hit});
  if (!jumping) NoteOpenUnits(static_cast<int32_t>(outcome_.lines.size()) - 1, stats);
  return true;
}

void TLinzoraBufferProcessor::MoveToNextJumpPosition(int64_t reached) {
  // A position named twice, or lying at or before the start of the hit just taken, is reached
  // already.
  int64_t next = TakeNextJumpPosition(fone_data_to_process);
  while (next > 0 && next <= reached) next = TakeNextJumpPosition(fone_data_to_process);
  SetLowestJumpTo(next);
  if (next <= 0) engine_.FoundEnough();
}

TChunkView TLinzoraBufferProcessor::PlainChunkView() const {
  TChunkView chunk{Text(), Kinds(), Length() + LookAheadLength()};
  const TFastPassResult* fast = FastPassFound();
  if (fast == nullptr) return chunk;
  if (fast->all_ascii) {
    chunk.plain_from = ChunkStartIndex();
    chunk.plain_to = chunk.count;
  }
  if (fast->kinds_pending) chunk.plain_bytes = fNarrowNew;
  chunk.masks = TChunkMasks{fast->word_masks.data(),   fast->marker_masks.data(), fast->punct_masks.data(),
                            fast->joined_masks.data(), fast->blanked_masks.data(), fast->first,
                            kFastPassMarkerKind};
  return chunk;
}

TLinzoraBufferProcessor::TLineWindow TLinzoraBufferProcessor::LineWindowAt(int32_t position) {
  if (last_window_.at == position) return last_window_;
  const TFastPassResult* fast = FastPassFound();
  TLineWindow& w = last_window_;
  w.at = position;
  w.from = std::max(0, position - cutter_.Width() / 2);
  w.to = std::min(Length() + LookAheadLength(), w.from + cutter_.Width());
  w.plain = fast != nullptr && plain_windows_.Plain(*fast, w.from, w.to);
  return w;
}

void TLinzoraBufferProcessor::SetPlainRange(TChunkView& view, const TLineWindow& window) const {
  const bool all = FastPassFound()->all_ascii;
  view.plain_from = all ? ChunkStartIndex() : std::max(window.from, ChunkStartIndex());
  view.plain_to = all ? view.count : window.to;
  if (view.plain_bytes != nullptr) view.plain_bytes += view.plain_from - ChunkStartIndex();
}

void TLinzoraBufferProcessor::FillLineFromCut(TConcordanceEntry& line, const TSearch_word_format_rec* item) {
  TConcordanceLineData& d = line.Data();
  const int32_t midpoint = cutter_.Midpoint();
  const int32_t count = cutter_.Length();
  d.midpoint = static_cast<int16_t>(midpoint);
  d.conc_line_chars = static_cast<int16_t>(std::min(count, cutter_.Width()));

  cutter_.WordPositions(span_.left, span_.right, positions_, false);  // only the span's are kept
  auto rec = [](const TLineWordPosition& p) {
    return TSortInfoRec{static_cast<int16_t>(p.start), static_cast<int16_t>(p.length), p.barrier,
                        static_cast<uint8_t>(std::min<uint16_t>(p.tag_number_1based, 255))};
  };
  for (int k = 0; k < kSpanFixedCount; ++k) line.SetFixedWord(k, rec(positions_[kSpanFixedFirst + k]));
  // A line remade for a new width replaces what it had.
  if (std::as_const(line).OtherLeftCollocs().Count() > 0) line.OtherLeftCollocs().Clear();
  if (std::as_const(line).OtherRightCollocs().Count() > 0) line.OtherRightCollocs().Clear();
  for (int p = span_.left; p < kSpanFixedFirst; ++p) line.OtherLeftCollocs().Add(rec(positions_[p]));
  for (int p = kSpanFixedLast + 1; p <= span_.right; ++p) line.OtherRightCollocs().Add(rec(positions_[p]));
  if (item && (item->options & kSwWantPositionInLine)) {
    const TSortInfoRec sw = line.FixedWord(kSpanSearchWord - kSpanFixedFirst);
    line.SetSwStarts(static_cast<int16_t>(midpoint + sw.start_position));
    line.SetSwFinishes(static_cast<int16_t>(midpoint + sw.start_position + sw.coll_length));
  }

  known_tag_met_ = false;
  if (line.HasTagPositions()) line.TagPositions().Clear();
  AddTagPositions(line);
  line.SetTagNumber1Based(FindSectionHeading(line, d.byte_position));
  if (line.HasTagPositions()) line.LinkWordsToTags();
  // A new line's text is written where its list will keep it; a line remade keeps its place.
  if (lease_ && !line.TextInArena()) KeepNewLineText(line);
  else line.SetText(cutter_.Line());
}

void TLinzoraBufferProcessor::KeepNewLineText(TConcordanceEntry& line) {
  // The cut gives the line a byte a character where its characters allow it.
  const TLineText text = cutter_.Line();
  // A line remade at another width keeps a text of its own.
  if (text.empty() || grow_line_ != nullptr) {
    line.SetText(*lease_, text);
    return;
  }
  // The cut found where the last shared line's window ended in this line, when the two windows
  // overlap: the characters up to there are those the last line ended with, where that line was
  // kept in the same form (lines of UTF-16 units share theirs apart from the one-byte lines).
  const bool wide = !text.OneByte();
  const size_t overlap = wide == shared_last_wide_ ? static_cast<size_t>(std::max(cutter_.MarkedPosition(), 0)) : 0;
  if (wide) {
    const auto* units = reinterpret_cast<const uint8_t*>(text.Units());
    const uint8_t* at = shared_wide_->Keep(units, text.size() * sizeof(char16_t), overlap * sizeof(char16_t));
    line.SetTextView(*lease_, TLineText(at, text.size(), TLineTextForm::kWide));
  } else {
    const uint8_t* at = shared_->Keep(text.Bytes(), text.size(), overlap);
    line.SetTextView(*lease_, TLineText(at, text.size(), text.Form()));
  }
  shared_chunk_ = chunk_;
  shared_item_ = item_;
  shared_window_end_ = cutter_.WindowEnd();
  shared_last_wide_ = wide;
}

void TLinzoraBufferProcessor::AddTagPositions(TConcordanceEntry& line) {
  std::vector<TLineTagPlace>& tags = line_tags_;  // kept between hits: no allocation per line
  cutter_.CollectTags(tags);
  if (tags.empty()) return;
  TTagPositionsList& list = line.TagPositions();
  list.Reserve(static_cast<size_t>(list.Count()) + tags.size());
  const int32_t known = fTagHandler ? static_cast<int32_t>(fTagHandler->ArrayOfTagfileTags.size()) : 0;
  for (const TLineTagPlace& t : tags) {
    TTagPositionRec r{};
    r.tag_position = static_cast<int16_t>(t.position);
    r.used_length = static_cast<int16_t>(t.tag_number_1based > 0 || t.flag == kScanFlagTagKept ? t.length : 0);
    r.tag_colours = kDefaultTagColours;
    r.tag_kind = t.flag;
    if (t.tag_number_1based > 0 && t.tag_number_1based <= known) {
      const TStoredTagRec& s = fTagHandler->ArrayOfTagfileTags[t.tag_number_1based - 1].FromSwapFile;
      r.tag_colours = TForeBackColoursArray{s.foreground_colour, s.background_colour};
      r.tagnumber_1Based = static_cast<int16_t>(t.tag_number_1based);
      known_tag_met_ = true;
    }
    list.Add(r);
  }
}

int32_t TLinzoraBufferProcessor::FindSectionHeading(TConcordanceEntry& line, int64_t byte_position) {
  TConcordanceLineData& d = line.Data();
  line.SetTagContextDistance(0);
  line.SetTagContextSortPtrpos(0);
  section_found_ = false;
  const TSectionStartsList* sections = SectionStarts();
  if (sections && sections->Count() > 0) {
    int32_t found = -1;
    for (int32_t i = 0; i < sections->Count(); ++i) {
      if (sections->Get(i).byte_position <= byte_position) found = i;
    }
    if (found < 0) return 0;
    const TSectionTagRec& s = sections->Get(found);
    line.SetTagContextDistance(static_cast<int32_t>(std::min<int64_t>(byte_position - s.byte_position, INT32_MAX)));
    line.SetTagContext(s.name);
    section_found_ = true;
    return 0;
  }
  if (!known_tag_met_ || !fTagHandler) return 0;
  const TTagPositionsList& tags = line.TagPositions();
  for (int32_t i = tags.Count() - 1; i >= 0; --i) {
    const TTagPositionRec r = tags.Record(i);
    if (r.tagnumber_1Based <= 0 || r.tag_position > d.midpoint) continue;
    if (r.tagnumber_1Based > static_cast<int32_t>(fTagHandler->ArrayOfTagfileTags.size())) continue;
    const TStoredTagRec& s = fTagHandler->ArrayOfTagfileTags[r.tagnumber_1Based - 1].FromSwapFile;
    line.SetTagContext(s.description.empty() ? s.tag : s.description);
    line.SetTagContextDistance(d.midpoint - r.tag_position);
    section_found_ = true;
    return r.tagnumber_1Based;
  }
  return 0;
}

void TLinzoraBufferProcessor::NoteOpenUnits(int32_t line_index, const TLineUnitStats& s) {
  for (int k = 0; k < kUnitKinds; ++k) {
    if (s.unit_length[k] <= 0 && s.unit_number[k] > 0) open_[k].push_back(line_index);
  }
  TellUnitEndsWanted();
}

void TLinzoraBufferProcessor::DoWordCount(TSearchAndDoEngine&, TSearchStatsRec& stats) {
  TextUnitsEnded(stats);
  TellUnitEndsWanted();
}

void TLinzoraBufferProcessor::TellUnitEndsWanted() {
  // Only the ends of units some line waits on are worth a call-back: a text of short sentences
  // has far more ends than lines.
  uint32_t kinds = 0;
  for (int k = 0; k < kUnitKinds; ++k)
    if (!open_[k].empty()) kinds |= 1u << k;
  engine_.SetUnitEndsWanted(kinds);
}

void TLinzoraBufferProcessor::TextUnitsEnded(const TSearchStatsRec& stats) {
  // Candidates lie in item order within a chunk, so a unit's lines need not be neighbours: every
  // open one is looked at. Each kind's open lines are in the order they were made, so the kinds
  // that end here are walked side by side and each line is visited once for all of them: a
  // text's last end closes every line's units at once, and its lines no longer fit the cache.
  int kinds[kUnitKinds];
  size_t at[kUnitKinds], kept[kUnitKinds];
  int ended = 0;
  for (int k = 0; k < kUnitKinds; ++k) {
    if (stats.unit_length[k] <= 0 || open_[k].empty()) continue;
    kinds[ended] = k;
    at[ended] = kept[ended] = 0;
    ++ended;
  }
  if (ended == 0) return;
  constexpr size_t kAhead = 8;  // lines whose records are fetched ahead of their visit
  for (;;) {
    int32_t line = INT32_MAX;
    for (int e = 0; e < ended; ++e) {
      const std::vector<int32_t>& open = open_[kinds[e]];
      if (at[e] < open.size()) line = std::min(line, open[at[e]]);
    }
    if (line == INT32_MAX) break;
    {
      const std::vector<int32_t>& open = open_[kinds[0]];
      if (at[0] + kAhead < open.size())
        outcome_.lines[static_cast<size_t>(open[at[0] + kAhead])].line->PrefetchUnits();
    }
    TCandidateLine& candidate = outcome_.lines[static_cast<size_t>(line)];
    // The line's units are set together: kinds that agree keep sharing their record.
    TLineUnitStats s = candidate.line->UnitStats();
    bool closed = false;
    for (int e = 0; e < ended; ++e) {
      const int kind = kinds[e];
      std::vector<int32_t>& open = open_[kind];
      if (at[e] >= open.size() || open[at[e]] != line) continue;
      ++at[e];
      if (s.unit_number[kind] == stats.unit_number[kind]) {
        s.unit_length[kind] = stats.unit_length[kind];
        candidate.unit_closed_in_chunk[kind] = chunk_;
        closed = true;
      } else if (s.unit_number[kind] > stats.unit_number[kind]) {
        open[kept[e]++] = line;
      }
      // A line of an earlier unit has no end to wait for any more.
    }
    if (closed) candidate.line->SetUnitStats(s);
  }
  for (int e = 0; e < ended; ++e) open_[kinds[e]].resize(kept[e]);
}

// --- one text ------------------------------------------------------------------------------------

TTextOutcome ReadTextForConcordance(const TTextWorkerSetup& setup, const TChosenFileDetailsFullRec& chosen,
                                    int32_t text_index, TStream* source) {
  TTextOutcome out;
  out.text_index = text_index;
  try {
    if (!setup.run || !setup.search_items) {
      out.failure = u"Concordance worker: text " + IntToUStr(text_index) + u" has no run or no search items";
      return out;
    }
    if (IsOurTemporaryName(chosen.rec.filename)) {
      out.failure = IncludeTrailingPathDelimiter(chosen.folder) + chosen.rec.filename + u" is a save's temporary file";
      return out;
    }
    std::unique_ptr<TTextTagHandler> tags =
        setup.make_tag_handler ? setup.make_tag_handler() : MakeWorkerTagHandler(setup.run->Settings());
    TLinzoraBufferProcessor p(setup, tags.get(), chosen, text_index, out);
    if (source) p.UseSourceStream(source);
    const bool set_up = p.SetupTheBuffer();
    // An empty text opens and holds nothing: read whole, no failure.
    const bool empty = !set_up && p.Stream() && p.Stream()->Source() && p.FileSize() <= 0;
    const bool read = set_up ? p.ReadAndProcess() : empty;
    out.words = p.WordsOfText();
    out.chunks = p.LastChunkSearched() + 1;
    out.handled = p.FileHandledInfo;
    out.stop_state = p.StopStateSeen();
    // The reader itself stops between chunks without handing the next one over.
    if (!read && set_up) out.stop_state = std::max(out.stop_state, p.StopStateNow());
    const bool stopped = out.stop_state >= kPanicStopNow;
    out.stopped_after_chunk = stopped ? p.LastChunkSearched() : -1;
    out.not_read = stopped && p.LastChunkSearched() < 0 && p.FileSize() > 0;
    // A text stopped on request was read as far as asked: no failure.
    out.read_ok = read || stopped;
    if (!out.read_ok) {
      out.failure = u"Could not read " + p.fFullFilename +
                    (set_up ? u" to its end as it was when its reading began: none of its lines is kept" : u"");
    }
  } catch (const std::exception& e) {
    out.read_ok = false;
    out.failure = u"Concordance worker, text " + IntToUStr(text_index) + u": " + Utf8ToUtf16(e.what());
  }
  return out;
}

// --- widening a line -----------------------------------------------------------------------------

TLineWindowReader MakeLineWindowReader(const TTextWorkerSetup& setup,
                                       std::function<TChosenFileDetailsFullRec(int32_t file_num)> text_of_file) {
  return [setup, text_of_file = std::move(text_of_file)](TConcordanceEntry& line, int32_t width,
                                                         std::array<bool, 2>& edges) -> bool {
    try {
      if (!setup.run || !setup.search_items || !text_of_file) return false;
      TChosenFileDetailsFullRec chosen = text_of_file(line.Data().filename_num_original);
      if (chosen.rec.filename.empty()) return false;
      // The window holds the line's own place: no jump position is looked for.
      chosen.rec.jumps.reset();
      // The run's settings, without its questions: the text was read for the line already, and
      // an answer would change only how the document stores it.
      TTextReadRun quiet(setup.run->Settings());
      TTextWorkerSetup wide = setup;
      wide.run = &quiet;
      wide.line_width = std::clamp(width, 1, kMaxLineWidth);
      wide.keeping_log = false;
      const int64_t hit = line.Data().byte_position;
      const int64_t hit_chars = std::max(line.Data().hit_characters, 0);
      const int32_t w = wide.line_width;
      // A header is cut from the text's first chunk only: a window that could see a header's
      // end starts where the text does, others do not look for one.
      const bool header = !setup.run->Settings().end_of_header.empty();
      // Mark-up is known by the text's first characters, which a window from the middle lacks.
      bool html = false;
      {
        TBufferProcessor probe(nullptr, nullptr, nullptr, nullptr, chosen, kConcordanceList, true, false, false,
                               &quiet);
        probe.fReadTheWholeFile = false;
        probe.StartReadingFrom = 0;
        probe.SpareBufferSize = 64;
        if (!probe.SetupTheBuffer()) return false;
        probe.ReadAndProcess();
        html = probe.FileHandledInfo.is_html != 0;
      }
      // Bytes a character may take: four in UTF-8 (far more where hidden mark-up or entities
      // stand). A window found too narrow is read again, four times as wide, until it holds the
      // line or the whole text.
      for (int64_t per_char = 4;; per_char *= 4) {
        const int64_t before = (int64_t{w / 2} + kGrowMarginChars + 1) * per_char;
        const int64_t after = (int64_t{w - w / 2} + hit_chars + kGrowMarginChars + 1) * per_char;
        int64_t start = std::max<int64_t>(0, hit - before);
        if (header && hit < kTextChunkBytes + before) start = 0;
        const int64_t bytes = std::min<int64_t>(hit - start + after, INT32_MAX - 16);
        TTextOutcome scratch;
        std::unique_ptr<TTextTagHandler> tags =
            wide.make_tag_handler ? wide.make_tag_handler() : MakeWorkerTagHandler(wide.run->Settings());
        TLinzoraBufferProcessor p(wide, tags.get(), chosen, 0, scratch);
        p.fReadTheWholeFile = false;
        p.StartReadingFrom = start;
        p.SpareBufferSize = static_cast<int32_t>(bytes + 2);
        p.SetLineToGrow(&line);
        if (!p.SetupTheBuffer()) return false;
        // The line exists: its text was chosen, whatever a window of it holds.
        p.fCheckingBetween = false;
        if (start > 0) {
          p.Cutting_Header = false;
          if (html) p.FileHandledInfo.is_html = p.FileHandledInfo.unicode_content = 1;
        }
        p.ReadAndProcess();
        const auto result = p.GrowResult();
        if (result == TLinzoraBufferProcessor::TGrowResult::Made) {
          edges = p.GrowEdges();
          return true;
        }
        const int64_t size = p.FileSize();
        if (result != TLinzoraBufferProcessor::TGrowResult::WindowTooNarrow || (start == 0 && start + bytes >= size) ||
            bytes >= INT32_MAX - 16)
          return false;
      }
    } catch (const std::exception&) {
      return false;
    }
  };
}
