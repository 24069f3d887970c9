// The concordance list's grid cells: what each column shows of a line, and how a line's text is
// prepared for showing (characters restored, cut around the midpoint, the search word padded,
// tags hidden or replaced, a sentence or the tagged stretch alone, markers) with the coloured
// pieces a grid paints. Drawing reads the line and never changes it: every position is worked
// on in a copy.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "concordance/lines/character_scans.h"
#include "concordance/lines/concordance_list.h"
#include "platform/rtl/datetime.h"
#include "platform/runtime/vx_resources.h"
#include "platform/settings/settings_access.h"
#include "platform/text/text_services.h"

namespace {

constexpr char16_t kEllipsis = u'\u2026';

bool IsLetter(char16_t c) { return (CharKindOf(c) & C1_ALPHA) != 0; }

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

bool IsUpper(char16_t c) { return IsLetter(c) && (CharKindOf(c) & C1_UPPER) != 0; }

// A stretch of the shown text followed through every edit.
struct TExtent {
  int32_t start = 0;
  int32_t length = 0;
};

// A line keeps a blank and the angle brackets of text (not mark-up) as stand-ins; shown, they are
// themselves again.
char16_t Restored(char16_t c) {
  if (c == 0x01) return u' ';
  if (c == 0x19) return u'<';
  if (c == 0x18) return u'>';
  return c;
}

// How a position moves when text [from, to) is replaced by n characters: starts at or after `to`
// move with the text behind them (an insertion pushes a start at its place along); ends move
// only when beyond `to`; what lay inside the replaced stretch ends up at most at its new end.
struct TTextEdit {
  int32_t from = 0;
  int32_t to = 0;
  int32_t n = 0;

  int32_t Position(int32_t p, bool is_end) const {
    if (is_end ? p > to : p >= to) return p + n - (to - from);
    return std::min(p, from + n);
  }
  void Apply(TExtent& e) const {
    const int32_t end = Position(e.start + e.length, true);
    e.start = Position(e.start, false);
    e.length = std::max(0, end - e.start);
  }
};

// Keeps a stretch inside a text of `size` characters.
void ClipExtent(TExtent& e, int32_t size) {
  const int32_t end = static_cast<int32_t>(std::clamp<int64_t>(int64_t{e.start} + e.length, 0, size));
  e.start = std::clamp(e.start, 0, size);
  e.length = std::max(0, end - e.start);
}

// The shown text and every position that must follow its edits.
class TLayout {
 public:
  UString text;
  int32_t midpoint = 0;
  TExtent sw;
  TExtent words[kSpanHighest + 1];
  std::vector<TExtent> tags;  // by the line's tag index
  int32_t context_word = -1;  // the first context word's start; -1 none
  std::vector<TSortAndTagMergedRec> pieces;

  // Replaces text [from, to) with `with`; every position follows as TTextEdit says.
  void Edit(int32_t from, int32_t to, UStringView with) {
    from = std::clamp(from, 0, Size());
    to = std::clamp(to, from, Size());
    text.replace(static_cast<size_t>(from), static_cast<size_t>(to - from), with);
    const TTextEdit edit{from, to, static_cast<int32_t>(with.size())};
    midpoint = edit.Position(midpoint, false);
    edit.Apply(sw);
    for (auto& w : words) edit.Apply(w);
    for (auto& t : tags) edit.Apply(t);
    if (context_word >= 0) context_word = edit.Position(context_word, false);
    for (auto& r : pieces) {
      TExtent e{r.start, r.length};
      edit.Apply(e);
      r.start = e.start;
      r.length = e.length;
    }
  }

  int32_t Size() const { return static_cast<int32_t>(text.size()); }

  // Keeps every position inside the text.
  void Clip() {
    const int32_t size = Size();
    auto clip = [size](TExtent& e) { ClipExtent(e, size); };
    midpoint = std::clamp(midpoint, 0, size);
    clip(sw);
    for (auto& w : words) clip(w);
    for (auto& t : tags) clip(t);
    for (auto& r : pieces) {
      TExtent e{r.start, r.length};
      clip(e);
      r.start = e.start;
      r.length = e.length;
    }
    std::erase_if(pieces, [](const TSortAndTagMergedRec& r) { return r.length <= 0; });
  }
};

// Where a tag starting at `start` ends: just after the next ">", or `used` characters on when
// the text holds no "<" there.
int32_t TagEnd(UStringView text, int32_t start, int32_t used) {
  if (start < 0 || start >= static_cast<int32_t>(text.size())) return start;
  if (text[static_cast<size_t>(start)] == u'<') {
    const size_t close = text.find(u'>', static_cast<size_t>(start));
    if (close != UStringView::npos) return static_cast<int32_t>(close) + 1;
  }
  return std::min<int32_t>(start + std::max<int32_t>(used, 0), static_cast<int32_t>(text.size()));
}

// A tag's kind as the scan flagged it. Documents that did not record it give what can be told
// from the rest: a numbered tag is that kept tag, a shown one without a number was kept inside
// the window, one of no length was hidden.
uint16_t TagKindOf(const TTagPositionRec& r) {
  if (r.tag_kind == kScanFlagTagKept || (r.tag_kind >= kScanFlagHidden && !ScanIsMarker(r.tag_kind)))
    return r.tag_kind;
  if (r.tagnumber_1Based > 0) return static_cast<uint16_t>(kScanFlagHidden + r.tagnumber_1Based);
  return r.used_length > 0 ? kScanFlagTagKept : kScanFlagHidden;
}

UString FormatReal(float value, int decimals) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*f", decimals, static_cast<double>(value));
  return Utf8ToUtf16(buf);
}

}  // namespace

// --- views ------------------------------------------------------------------------------------

int32_t SentenceOnlyView(UString& text, int32_t midpoint, const std::vector<bool>& tag_chars, UStringView marker,
                         bool& found_both) {
  const int32_t size = static_cast<int32_t>(text.size());
  midpoint = std::clamp(midpoint, 0, size);
  auto is_tag = [&](int32_t i) { return i >= 0 && static_cast<size_t>(i) < tag_chars.size() && tag_chars[i]; };
  int32_t start = -1;
  bool end_found = false;
  if (!marker.empty()) {
    const UString m(marker.substr(0, 100));
    const int32_t len = static_cast<int32_t>(m.size());
    if (midpoint >= len) {
      const size_t at = text.rfind(m, static_cast<size_t>(midpoint - len));
      if (at != UString::npos) {
        std::fill(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(at), u' ');
        start = static_cast<int32_t>(at) + len + 1;
      }
    }
    const size_t after = text.find(m, static_cast<size_t>(midpoint));
    if (after != UString::npos) {
      text.resize(after + m.size());
      end_found = true;
    }
  } else {
    // The upper-case letter that opens the next sentence after a boundary at i; -1 when i is no
    // boundary.
    auto next_capital = [&](int32_t i) -> int32_t {
      const char16_t c = text[static_cast<size_t>(i)];
      if ((c != u'.' && c != u'!' && c != u'?') || is_tag(i)) return -1;
      if (i + 1 < size && IsDigit(text[static_cast<size_t>(i + 1)])) return -1;
      for (int32_t k = i + 1; k < size; ++k) {
        if (is_tag(k) || !IsLetter(text[static_cast<size_t>(k)])) continue;
        return IsUpper(text[static_cast<size_t>(k)]) ? k : -1;
      }
      return -1;
    };
    for (int32_t i = midpoint - 1; i >= 0; --i) {
      if (next_capital(i) < 0) continue;
      std::fill(text.begin(), text.begin() + i + 1, u' ');
      start = i + 2;
      break;
    }
    for (int32_t i = midpoint; i < size; ++i) {
      const int32_t capital = next_capital(i);
      if (capital < 0) continue;
      text.resize(static_cast<size_t>(capital));
      end_found = true;
      break;
    }
  }
  found_both = start > 0 && end_found;
  return start;
}

void TagsOnlyView(UString& text, int32_t sw_start, int32_t hit_width, UStringView on, UStringView off) {
  if (on.empty() || off.empty()) return;
  const int32_t size = static_cast<int32_t>(text.size());
  sw_start = std::clamp(sw_start, 0, size);
  const int32_t sw_end = std::clamp(sw_start + std::max(hit_width, 0), sw_start, size);
  if (static_cast<int32_t>(on.size()) > sw_start) return;
  const size_t open = text.rfind(on, static_cast<size_t>(sw_start) - on.size());
  const size_t close = text.find(off, static_cast<size_t>(sw_end));
  if (open == UString::npos || close == UString::npos) return;
  auto hide = [&text](size_t from, size_t to) {
    for (size_t i = from; i < to; ++i)
      if (text[i] > u' ') text[i] = kEllipsis;
  };
  hide(0, open);
  hide(close + off.size(), text.size());
}

// --- the shown line -----------------------------------------------------------------------------

TConcLineDisplay TConcordanceList::DisplayLine(const TConcordanceEntry& line) {
  TConcordanceListDocument& doc = *document_;
  const TConcordanceLineData& d = line.Data();
  TLayout l;
  l.text = line.Text().ToUString();
  for (char16_t& c : l.text) c = Restored(c);
  l.midpoint = d.midpoint;
  l.sw = {line.SearchWordStart(), line.HitWidthInLine()};
  for (int p = kSpanLowest; p <= kSpanHighest; ++p) {
    const TSortInfoRec r = WordAtSpanPosition(line, p);
    if (r.coll_length > 0) l.words[p] = {d.midpoint + r.start_position, r.coll_length};
  }
  const TTagPositionsList& tags = line.TagPositions();
  for (int32_t i = 0; i < tags.Count(); ++i) {
    const TTagPositionRec r = tags.Record(i);
    l.tags.push_back({r.tag_position, TagEnd(l.text, r.tag_position, r.used_length) - r.tag_position});
  }
  if (line.OtherContextWords().Count() > 0) {
    l.context_word = d.midpoint + line.OtherContextWords().Record(0).start_position;
    if (l.context_word < 0 || l.context_word >= l.Size()) l.context_word = -1;
  }
  // Tags of a hidden kind leave the line before it is cut to length, so that the text shown
  // around the search word is text; last first, so that earlier tags keep their places.
  const bool hide_file_tags = doc.HideTagFileTags(), hide_undefined = doc.HideUndefinedTags();
  if (hide_file_tags || hide_undefined)
    for (int32_t i = tags.Count(); i-- > 0;) {
      TExtent& t = l.tags[static_cast<size_t>(i)];
      if (t.length <= 0 || (tags.Record(i).tagnumber_1Based > 0 ? !hide_file_tags : !hide_undefined)) continue;
      const int32_t from = t.start, to = t.start + t.length;
      l.Edit(from, to, UStringView());
      t.length = 0;
    }

  // Words hidden: the word a tag of the tag file belongs to (the next run of letters and digits,
  // blanks between allowed, another tag not) leaves the line and its tag stands in its place. The
  // search word stays: the line is about it. Last first, so that earlier tags keep their places.
  if (doc.WordsHidden())
    for (int32_t i = tags.Count(); i-- > 0;) {
      const TExtent t = l.tags[static_cast<size_t>(i)];
      if (t.length <= 0 || tags.Record(i).tagnumber_1Based <= 0) continue;
      int32_t from = t.start + t.length;
      while (from < l.Size() && l.text[static_cast<size_t>(from)] == u' ') ++from;
      int32_t to = from;
      while (to < l.Size() && (IsLetter(l.text[static_cast<size_t>(to)]) || IsDigit(l.text[static_cast<size_t>(to)]))) ++to;
      if (to == from || (from < l.sw.start + l.sw.length && to > l.sw.start)) continue;
      l.Edit(from, to, UStringView());
    }

  // Cut to the length the list shows, around the midpoint.
  const int32_t shown = doc.ShownLineLength();
  if (shown > 0 && l.Size() > shown) {
    const int32_t from = std::clamp(l.midpoint - shown / 2, 0, l.Size() - shown);
    if (l.context_word < from || l.context_word >= from + shown) l.context_word = -1;
    l.Edit(from + shown, l.Size(), UStringView());
    l.Edit(0, from, UStringView());
  }
  l.Clip();
  TConcLineDisplay out;
  out.raw = l.text;

  // Padding after the search word lines up the right contexts of hits of other widths.
  const int32_t fattest = std::min(fFattest_hit, kMaxLineWidth);
  if (doc.SearchWordPadding() && fattest > l.sw.length) {
    const int32_t at = l.sw.start + l.sw.length;
    l.Edit(at, at, UString(static_cast<size_t>(fattest - l.sw.length), u' '));
  }

  // Coloured pieces.
  const THighlightNumAndPos& highlight = line.Highlight();
  for (int p = kSpanLowest; p <= kSpanHighest; ++p) {
    if (p == kSpanCentre || l.words[p].length <= 0) continue;
    const bool in_horizons = p >= kSpanFixedFirst && p <= kSpanFixedLast && p >= colloc_horizons.left &&
                             p <= colloc_horizons.right;
    if (!in_horizons && !highlight.Has(p)) continue;
    TSortAndTagMergedRec r;
    r.start = l.words[p].start;
    r.length = l.words[p].length;
    r.highlighted = highlight.Has(p);
    r.span_pos = static_cast<uint8_t>(p);
    l.pieces.push_back(r);
  }
  TSortAndTagMergedRec centre;
  centre.start = l.sw.start;
  centre.length = l.sw.length;
  centre.span_pos = kSpanCentre;
  centre.highlighted = highlight.Has(kSpanCentre);
  if (d.sw_contains_a_tag) {
    // A search word holding mark-up is coloured to the end of the tag it opens.
    for (const TExtent& t : l.tags)
      if (t.start >= centre.start && t.start < centre.start + centre.length)
        centre.length = std::max(centre.length, t.start + t.length - centre.start);
  }
  l.pieces.push_back(centre);
  const int32_t distance = doc.TagColouringDistance();
  for (int32_t i = 0; i < static_cast<int32_t>(l.tags.size()); ++i) {
    const TExtent& t = l.tags[static_cast<size_t>(i)];
    if (t.length <= 0) continue;
    const int32_t sw_end = l.sw.start + l.sw.length;
    const int32_t gap = t.start >= sw_end ? t.start - sw_end
                        : (t.start + t.length <= l.sw.start ? l.sw.start - (t.start + t.length) : 0);
    if (gap > distance) continue;
    TSortAndTagMergedRec r;
    r.start = t.start;
    r.length = t.length;
    r.is_tag = true;
    const TTagPositionRec stored = tags.Record(i);
    r.tag_number_1based = stored.tagnumber_1Based;
    r.tag_kind = TagKindOf(stored);
    l.pieces.push_back(r);
  }
  {
    TSortAndTagMergedList merged;
    for (const auto& r : l.pieces) merged.Add(r);
    merged.SortStringPosition();
    merged.HandleAnyOverlaps();
    l.pieces = merged.Items();
  }

  // A tag colours the word it belongs to: the next word, or the one before when tags follow
  // their words; the nearest tag wins. A word of the text between them that has no piece of its
  // own is the one the tag belongs to, so the piece beyond it takes nothing.
  const bool suffixes = doc.TagsAsSuffixes();
  // With the words hidden, a tag's own word is gone (the search word apart): the next word shown
  // is another's.
  const bool words_hidden = doc.WordsHidden();
  const int32_t n_pieces = static_cast<int32_t>(l.pieces.size());
  auto word_between = [&l](int32_t from, int32_t to) {
    for (int32_t k = std::max(from, 0); k < std::min(to, l.Size()); ++k)
      if (IsLetter(l.text[static_cast<size_t>(k)]) || IsDigit(l.text[static_cast<size_t>(k)])) return true;
    return false;
  };
  for (int32_t j = 0; j < n_pieces; ++j) {
    const int32_t i = suffixes ? j : n_pieces - 1 - j;
    const TSortAndTagMergedRec& tag = l.pieces[static_cast<size_t>(i)];
    if (!tag.is_tag || tag.tag_number_1based <= 0) continue;
    const int32_t step = suffixes ? -1 : 1;
    // Tags in between are passed over; only what is outside pieces counts.
    int32_t edge = suffixes ? tag.start : tag.start + tag.length;
    for (int32_t k = i + step; k >= 0 && k < n_pieces; k += step) {
      TSortAndTagMergedRec& w = l.pieces[static_cast<size_t>(k)];
      const bool apart = suffixes ? word_between(w.start + w.length, edge) : word_between(edge, w.start);
      if (apart) break;
      if (w.is_tag) {
        edge = suffixes ? w.start : w.start + w.length;
        continue;
      }
      if (words_hidden && w.span_pos != kSpanCentre) break;
      if (w.tag_number_1based == 0) w.tag_number_1based = tag.tag_number_1based;
      break;
    }
  }

  // Tags hidden or replaced by their display strings, last first so that the earlier pieces
  // keep their places until their turn.
  const bool hide = doc.HideTags();
  for (size_t i = l.pieces.size(); i-- > 0;) {
    const TSortAndTagMergedRec r = l.pieces[i];
    if (!r.is_tag || r.length <= 0) continue;
    if (hide) {
      l.Edit(r.start, r.start + r.length, UStringView());
      continue;
    }
    UString display;
    if (r.tag_number_1based <= 0 || !doc.VisibleTagDisplay(r.tag_number_1based, display)) continue;
    l.Edit(r.start, r.start + r.length, display);
  }
  l.Clip();

  // The views.
  const int view = doc.LineView();
  if (view == kLineViewSentence) {
    std::vector<bool> tag_chars(static_cast<size_t>(l.Size()), false);
    for (const auto& r : l.pieces)
      if (r.is_tag)
        for (int32_t k = r.start; k < r.start + r.length; ++k) tag_chars[static_cast<size_t>(k)] = true;
    out.sentence_start = SentenceOnlyView(l.text, l.midpoint, tag_chars, doc.SentenceEndMarker(), out.found_both_ends);
    l.Clip();
  } else if (view == kLineViewTags) {
    TagsOnlyView(l.text, l.sw.start, l.sw.length, tag_string_only_on, tag_string_only_off);
  }

  // Markers.
  if (doc.TextMarkersOn()) {
    if (l.context_word >= 0 && l.context_word <= l.Size()) {
      const int32_t at = l.context_word;
      l.Edit(at, at, GetConc_Context_W_TXT_Marker());
    }
    const int32_t at = l.sw.start;
    l.Edit(at, at, GetConc_SW_TXT_Marker());
  }

  // Trailing blanks go; one space ends the line.
  const size_t last = l.text.find_last_not_of(u' ');
  l.text.resize(last == UString::npos ? 0 : last + 1);
  l.Clip();
  l.text += u' ';

  SortAndTagPosList.Clear();
  for (const auto& r : l.pieces) SortAndTagPosList.Add(r);
  out.text = std::move(l.text);
  out.midpoint = l.midpoint;
  out.sw_start = l.sw.start;
  out.hit_width = l.sw.length;
  return out;
}

int32_t TConcordanceList::SentenceOnly(TConcordanceEntry& line, UString& text, int32_t midpoint) {
  std::vector<bool> tag_chars(text.size(), false);
  for (const auto& r : SortAndTagPosList.Items())
    if (r.is_tag)
      for (int32_t k = r.start; k < r.start + r.length && static_cast<size_t>(k) < text.size(); ++k)
        tag_chars[static_cast<size_t>(k)] = true;
  bool both = false;
  const int32_t start = SentenceOnlyView(text, midpoint, tag_chars, document_->SentenceEndMarker(), both);
  line.SetFoundBothEndsOfSentence(both);
  return start;
}

// --- grid cells -----------------------------------------------------------------------------------

void TConcordanceList::TopRowDataRec(int col, TGrid_data_rec& cell) {
  TVXBaseLemmaMatchCapableList::TopRowDataRec(col, cell);
  if (cell.has_text || col < 0 || col > 15) return;
  auto percent = [](TVXRes unit) { return VXRes(unit) + u" %"; };
  switch (col) {
    case 0: cell.text = VXRes(TVXRes::VXN); break;
    case 1: cell.text = VXRes(TVXRes::VXConcordance); break;
    case 2: cell.text = VXRes(TVXRes::VXSet); break;
    case 3: cell.text = VXRes(TVXRes::VXTags); break;
    case 4: cell.text = VXRes(TVXRes::VXWord); break;
    case 5: cell.text = VXRes(TVXRes::VXSentence); break;
    case 6: cell.text = percent(TVXRes::VXSentence); break;
    case 7: cell.text = VXRes(TVXRes::VXParagraph); break;
    case 8: cell.text = percent(TVXRes::VXParagraph); break;
    case 9: cell.text = VXRes(TVXRes::VXHeading); break;
    case 10: cell.text = percent(TVXRes::VXHeading); break;
    case 11: cell.text = VXRes(TVXRes::VXSection); break;
    case 12: cell.text = percent(TVXRes::VXSection); break;
    case 13: cell.text = VXRes(TVXRes::VXFilename); break;
    case 14: cell.text = VXRes(TVXRes::VXDate); break;
    case 15: cell.text = u"% " + VXRes(TVXRes::VXFilename); break;
    default: break;
  }
  cell.has_text = !cell.text.empty();
}

void TConcordanceList::CellTextForSearch(int column, int index, TGrid_data_rec& scratch, UString& out) {
  const TConcordanceEntry* line = column == 1 ? Line(index) : nullptr;
  if (!line) {
    TVXBaseLemmaMatchCapableList::CellTextForSearch(column, index, scratch, out);
    return;
  }
  line->Text().AssignTo(out);
}

void TConcordanceList::DrawgridDataRec(int col, int row, TGrid_data_rec& cell, int kind_of_display) {
  TVXBaseLemmaMatchCapableList::DrawgridDataRec(col, row, cell, kind_of_display);
  if (row <= 0 || col <= 0 || col > 15) return;
  const int index = row - 1;
  TConcordanceEntry* line = Line(index);
  if (!line) return;
  TLinzoraEntryRecBase rec{};
  const bool reread = releia_arquivo;
  releia_arquivo = false;
  LinzoraData(index, reread, rec);
  SortAndTagPosList.Clear();
  cell.text.clear();
  cell.has_text = false;
  cell.has_number = false;
  cell.number = TNumberDisplayAndSinglesRec();
  switch (col) {
    case 1: {
      TConcLineDisplay shown = DisplayLine(*line);
      if (document_->LineView() == kLineViewSentence) {
        line->SetFoundBothEndsOfSentence(shown.found_both_ends);
        if (shown.sentence_start > 1) cell.start_position = shown.sentence_start;
      }
      cell.kind = kCellConcordanceLine;
      cell.str_value = std::move(shown.raw);
      cell.text = std::move(shown.text);
      cell.sw_start = shown.sw_start + 1;
      cell.hit_width = line->HitWidthInLine();
      cell.centre_start = shown.sw_start;
      cell.centre_length = shown.hit_width;
      for (const auto& r : SortAndTagPosList.Items()) {
        TGridColouredPiece p;
        p.start = r.start;
        p.length = r.length;
        p.is_tag = r.is_tag;
        p.highlighted = r.highlighted;
        p.span_pos = r.span_pos;
        p.tag_kind = r.tag_kind;
        p.tag_number_1based = r.tag_number_1based;
        cell.pieces.push_back(p);
      }
      break;
    }
    case 2: cell.text = UString(line->SetText()); break;
    case 3:
      cell.text = UString(line->TagContext());
      if (!cell.text.empty()) cell.tag_number_1based = line->TagNumber1Based();
      break;
    case 13:
      if (!document_->HideFilenames()) cell.text = line->WordOfKind(13, 13);
      break;
    case 14: {
      const double julian = SourceFileDate(line->Data().filename_num_original);
      if (julian != 0) {
        cell.date = julian;
        cell.text = DateTimeToUStr(JulianToDateTimeRemovingConst(julian));
      }
      break;
    }
    default: {
      NumericalData(col, index, cell.number);
      cell.has_number = cell.number.value != kMissingValue && !std::isnan(cell.number.value);
      if (!cell.has_number) break;
      cell.export_kind = 1;
      if (cell.number.kind == 0) {
        cell.text = IntToUStr(static_cast<int64_t>(cell.number.value));
        break;
      }
      cell.decimals = 2;
      cell.text = FormatReal(cell.number.value, cell.decimals);
      if (GetShouldColourPercentages()) {
        const float percent = cell.number.kind == 3 ? cell.number.value / 10000.0f : cell.number.value;
        cell.has_colour = true;
        cell.colour = GetAPercentageColour(static_cast<int32_t>(std::lround(percent)));
      }
      break;
    }
  }
  cell.has_text = !cell.text.empty();
}

namespace {

// The search word of a line without mark-up as the whole-line view without markers draws it:
// the same cut around the midpoint, padding and trimming of trailing blanks as DisplayLine,
// followed on the search word alone, since with no tags the search word's coloured piece is its
// own extent. work is scratch space kept between lines. False: the line needs the display road.
bool PlainSearchWordAsShown(const TConcordanceEntry& line, const TConcordanceListDocument& doc, int32_t fattest_hit,
                            UString& work, UString& centre) {
  if (line.TagPositions().Count() > 0) return false;
  const TConcordanceLineData& d = line.Data();
  const TLineText text = line.Text();
  int32_t size = static_cast<int32_t>(text.size());
  int32_t from = 0;
  TExtent sw{line.SearchWordStart(), line.HitWidthInLine()};
  const int32_t shown = doc.ShownLineLength();
  if (shown > 0 && size > shown) {
    from = std::clamp(int32_t{d.midpoint} - shown / 2, 0, size - shown);
    TTextEdit{from + shown, size, 0}.Apply(sw);
    TTextEdit{0, from, 0}.Apply(sw);
    size = shown;
  }
  ClipExtent(sw, size);
  text.substr(static_cast<size_t>(from), static_cast<size_t>(size)).AssignTo(work);
  const int32_t fattest = std::min(fattest_hit, kMaxLineWidth);
  if (doc.SearchWordPadding() && fattest > sw.length) {
    const int32_t at = sw.start + sw.length;
    const int32_t n = fattest - sw.length;
    work.insert(static_cast<size_t>(at), static_cast<size_t>(n), u' ');
    TTextEdit{at, at, n}.Apply(sw);
  }
  // Trailing blanks go and one space ends the line; a stand-in blank counts as one.
  size_t last = work.size();
  while (last > 0 && Restored(work[last - 1]) == u' ') --last;
  work.resize(last);
  ClipExtent(sw, static_cast<int32_t>(last));
  work += u' ';
  const size_t at = static_cast<size_t>(std::clamp<int32_t>(sw.start, 0, static_cast<int32_t>(work.size())));
  centre.assign(work, at, static_cast<size_t>(line.HitWidthInLine()));
  for (char16_t& c : centre) c = Restored(c);
  return true;
}

}  // namespace

void TConcordanceList::CopySearchWordHitsToSetColumn() {
  // Markers and the sentence and tag views move or blank the search word: those take the
  // display road for every line.
  const bool plain_view = document_->LineView() == kLineViewWhole && !document_->TextMarkersOn();
  // The last line drawn leaves its record and coloured pieces behind, as a grid expects.
  int last = Count() - 1;
  while (last >= 0 && !Line(last)) --last;
  UString work;
  UString centre;
  for (int i = 0; i <= last; ++i) {
    TConcordanceEntry* line = Line(i);
    if (!line) continue;
    // A line waiting to be widened is re-read on its way through the drawing.
    if (plain_view && i != last && !releia_arquivo &&
        PlainSearchWordAsShown(*line, *document_, fFattest_hit, work, centre)) {
      line->SetAWordAsString(PredefinedSetColumnNumber(), centre);
      continue;
    }
    TGrid_data_rec drawn;
    DrawgridDataRec(1, i + 1, drawn, 0);
    TConcLineCell cell;
    cell.text = drawn.text;
    cell.sw_start_1based = drawn.sw_start;
    cell.hit_width = drawn.hit_width;
    const TThreeSectionsOFConcLine parts = ConcLinein3Sections(cell, &SortAndTagPosList, 0);
    line->SetAWordAsString(PredefinedSetColumnNumber(), parts.centre);
  }
}
