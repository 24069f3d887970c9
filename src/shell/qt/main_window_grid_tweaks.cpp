#include "shell/qt/main_window_grid_tweaks.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "model/export/export_cells.h"
#include "platform/runtime/vx_resources.h"

namespace {

bool KnownTagColour(int32_t tag_number, const std::vector<TTagColour>& colours) {
  return tag_number >= 1 && tag_number <= static_cast<int32_t>(colours.size()) &&
         !colours[static_cast<size_t>(tag_number - 1)].no_colour;
}

int32_t RecordOfKind(uint8_t kind) {
  switch (kind) {
    case 1: return 7;
    case 2:
    case 3: return 3;
    case 4: return 4;
    case 5: return 5;
    case 6: return 6;
    default: return 0;
  }
}

}  // namespace

std::vector<TMarkSpan> ColouredMarkSpans(const std::vector<TLineMark>& marks, bool tags_coloured, bool words_coloured,
                                         const std::vector<TTagColour>& tag_colours, bool no_spans) {
  std::vector<TMarkSpan> spans;
  if (no_spans) return spans;
  TMarkSpan pending{-1, -1, -1, 0};
  auto flush_pending = [&] {
    if (pending.start >= 0 && pending.start < pending.end) spans.push_back(pending);
    pending = TMarkSpan{-1, -1, -1, 0};
  };
  for (const TLineMark& m : marks) {
    int32_t pos = m.position - 1;
    int32_t record = 0;
    int32_t tag_number = 0;
    uint8_t kind = m.kind;
    if (kind == 4 && m.first_char == u'2') kind = 3;
    if (kind == 0) {
      if (KnownTagColour(m.tag_number, tag_colours)) {
        record = -1;
        tag_number = m.tag_number;
      } else {
        record = 2;
      }
    } else {
      record = RecordOfKind(kind);
    }
    int32_t tag_length = m.tag_length;
    const bool tags = tags_coloured || m.force_tag;
    const bool words = words_coloured && !m.force_tag;
    if (kind == 3 && m.tag_length > 0 && KnownTagColour(m.tag_number, tag_colours)) {
      // The tag itself becomes a span of its own colour when tags are coloured (like a tag on
      // its own); every one is kept, not only the last.
      flush_pending();
      if (tags) pending = TMarkSpan{pos, pos + m.tag_length, -1, m.tag_number};
      pos += m.tag_length;
      tag_length = 0;
      record = 3;
    }
    int32_t start = pos, end = pos;
    if (tags && !m.hidden) end = pos + tag_length;
    if (words) {
      if (!tags) start = pos + tag_length;
      end = pos + tag_length + m.word_length;
    }
    if (start < end && (!m.hidden || tags || words)) spans.push_back({start, end, record, tag_number});
  }
  flush_pending();
  std::stable_sort(spans.begin(), spans.end(), [](const TMarkSpan& a, const TMarkSpan& b) { return a.start < b.start; });
  return spans;
}

uint8_t MarkKindOfSide(uint8_t side) {
  if (side == 1) return 5;
  if (side == 2) return 6;
  return 4;
}

std::vector<TLineMark> LineMarksOfCell(const TGrid_data_rec& cell, bool tags_as_suffixes, bool tags_hidden) {
  std::vector<TLineMark> marks;
  const std::vector<TGridColouredPiece>& pieces = cell.pieces;
  const int32_t hit_from = cell.centre_start, hit_to = cell.centre_start + cell.centre_length;
  for (size_t i = 0; i < pieces.size(); ++i) {
    const TGridColouredPiece& p = pieces[i];
    if (p.length <= 0) continue;
    TLineMark m;
    m.position = p.start + 1;
    if (p.is_tag) {
      const bool next_is_its_word = !tags_as_suffixes && i + 1 < pieces.size() && !pieces[i + 1].is_tag &&
                                    !pieces[i + 1].highlighted && pieces[i + 1].start == p.start + p.length &&
                                    pieces[i + 1].length > 0;
      if (!next_is_its_word) {
        m.kind = 0;
        m.tag_length = p.length;
        m.tag_number = p.tag_number_1based;
        m.force_tag = p.start >= hit_from && p.start < hit_to;
        marks.push_back(m);
        continue;
      }
      // The word after it carries it.
      const TGridColouredPiece& w = pieces[++i];
      m.kind = 3;
      m.tag_length = p.length;
      m.word_length = w.length;
      m.tag_number = p.tag_number_1based;
      m.first_char = static_cast<char16_t>(w.span_pos);
      marks.push_back(m);
      continue;
    }
    m.word_length = p.length;
    m.first_char = static_cast<char16_t>(p.span_pos);
    if (p.highlighted) {
      m.kind = 1;
    } else if (p.tag_number_1based > 0) {
      m.kind = 2;
      m.tag_number = p.tag_number_1based;
      m.hidden = tags_hidden;
    } else {
      const uint8_t side = p.span_pos < 50 ? 1 : p.span_pos > 50 ? 2 : 0;
      m.kind = MarkKindOfSide(side);
    }
    marks.push_back(m);
  }
  return marks;
}

void PutMarkSpansInCell(TGrid_data_rec& cell, const std::vector<TMarkSpan>& spans,
                        const std::vector<TTagColour>& tag_colours,
                        const std::function<TWordHandlingColourRec(int32_t)>& record) {
  // Each record is asked of the store once a cell.
  std::vector<std::pair<int32_t, TWordHandlingColourRec>> asked;
  auto record_of = [&](int32_t i) -> const TWordHandlingColourRec& {
    for (const auto& [n, r] : asked)
      if (n == i) return r;
    asked.emplace_back(i, record(i));
    return asked.back().second;
  };
  const size_t first = cell.spans.size();
  for (const TMarkSpan& s : spans) {
    TGrid_data_rec::TColouredSpan c;
    c.start = s.start;
    c.length = s.end - s.start;
    if (s.colour_record < 0 && KnownTagColour(s.tag_number, tag_colours)) {
      const TTagColour& t = tag_colours[static_cast<size_t>(s.tag_number - 1)];
      c.fore = t.text & 0xFFFFFF;
      c.back = t.background & 0xFFFFFF;
      ++cell.tag_mark_spans;
    } else {
      const TWordHandlingColourRec& r = record_of(std::max(s.colour_record, 0));
      c.fore = static_cast<uint32_t>(r.Foreground()) & 0xFFFFFF;
      const int32_t back = r.Background();
      c.back = back >= 0 && back <= 0xFFFFFF ? static_cast<uint32_t>(back) : 0xFFFFFFFF;
      c.bold = (r.Typeface() & 1) != 0;
    }
    cell.spans.push_back(c);
    ++cell.mark_spans;
  }
  std::stable_sort(cell.spans.begin() + static_cast<std::ptrdiff_t>(first), cell.spans.end(),
                   [](const auto& a, const auto& b) { return a.start < b.start; });
}

void TweakConcordanceTagCell(TGrid_data_rec& cell, const std::vector<TTagColour>& tag_colours, bool text_output,
                             uint8_t main_sort_key, int32_t highlight_count) {
  if (text_output && main_sort_key == 28 && cell.text.empty()) {
    if (highlight_count > 0) cell.text = IntToUStr(highlight_count);
    return;
  }
  const int32_t i = cell.tag_number_1based;
  if (i > 0 && i <= static_cast<int32_t>(tag_colours.size())) {
    // The text, not the cell, takes the tag's second colour.
    cell.has_text_colour = true;
    cell.text_colour = tag_colours[static_cast<size_t>(i - 1)].background;
  }
}

void TweakCollocateCell(TGrid_data_rec& cell, int column, bool show_uncomputed, bool text_output) {
  if (!cell.has_number || cell.number.value != 0.0) return;
  if (column >= 3 && column <= 13 && !show_uncomputed) {
    cell.has_number = false;
    cell.has_text = true;
    cell.text = text_output ? UString(u"not yet computed") : UString(u"n/a");
  }
}

UString PlotCellText(const TGrid_data_rec& cell) { return PlotPositionsText(cell); }

void TweakPlotCell(TGrid_data_rec& cell, bool text_output) {
  if (!text_output || cell.col != 6 || cell.row < 1) return;
  cell.text = PlotCellText(cell);
  cell.has_text = true;
}

UString GroupedThousands(int64_t n) {
  const uint64_t magnitude = n < 0 ? 0 - static_cast<uint64_t>(n) : static_cast<uint64_t>(n);
  const std::string ascii = std::to_string(magnitude);
  const UString digits(ascii.begin(), ascii.end());
  UString out;
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out += u',';
    out += digits[i];
  }
  return n < 0 ? u"-" + out : out;
}

void TweakPatternsCell(TGrid_data_rec& cell, bool text_output) {
  if (!text_output || cell.col < 1 || cell.row < 1 || !cell.has_text || !cell.has_number) return;
  if (!std::isfinite(cell.number.value)) return;
  cell.text += u" " + VXRes(TVXRes::VXFrequency) + u": " + GroupedThousands(std::llround(cell.number.value));
  // The frequency now stands in the text; the number is not written a second time.
  cell.has_number = false;
}

bool SentenceIncomplete(uint8_t display_options, bool found_both_ends) {
  return (display_options & TConcSettingsRec32::kDisplaySentenceOnly) != 0 && !found_both_ends;
}

bool FileNameDisplayFlag(uint8_t file_status) { return file_status == 0; }

int LoadedPercent(int64_t loaded, int64_t length) {
  if (length <= 0) return 0;
  return static_cast<int>(std::clamp<int64_t>(loaded * 100 / length, 0, 100));
}

void CentreConcordanceCell(TGrid_data_rec& cell, int each_side, int shift) {
  if (!cell.has_text || cell.centre_length <= 0 || each_side <= 0) return;
  const int32_t size = static_cast<int32_t>(cell.text.size());
  const int32_t centre = std::clamp(cell.centre_start, 0, size);
  const int32_t before = std::max(0, each_side + shift), after = std::max(0, each_side - shift);
  int32_t from = centre - before;
  int32_t pad = 0;
  if (from < 0) {
    pad = -from;
    from = 0;
  }
  const int32_t to = std::min(size, centre + cell.centre_length + after);
  cell.text = UString(static_cast<size_t>(pad), u' ') + cell.text.substr(static_cast<size_t>(from), static_cast<size_t>(to - from));
  const int32_t moved = pad - from;
  cell.centre_start += moved;
  for (auto& s : cell.spans) s.start += moved;
  for (auto& p : cell.pieces) p.start += moved;
}

std::vector<UString> WrapHintLines(UStringView text, int max_width, const std::function<int(UStringView)>& width_of) {
  std::vector<UString> lines;
  UString line;
  auto fits = [&](UStringView s) { return width_of(s) <= max_width; };
  size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && text[i] == u' ') ++i;
    size_t end = i;
    while (end < text.size() && text[end] != u' ') ++end;
    if (end == i) break;
    UString word(text.substr(i, end - i));
    i = end;
    const UString joined = line.empty() ? word : line + u' ' + word;
    if (fits(joined)) {
      line = joined;
      continue;
    }
    if (!line.empty()) lines.push_back(std::move(line));
    line.clear();
    // A word wider than a line on its own is cut between characters.
    while (!fits(word)) {
      size_t take = 0;
      while (take < word.size()) {
        size_t next = take + 1;
        if (next < word.size() && (word[take] & 0xFC00) == 0xD800 && (word[next] & 0xFC00) == 0xDC00) ++next;
        if (take > 0 && !fits(UStringView(word).substr(0, next))) break;
        take = next;
      }
      lines.push_back(word.substr(0, take));
      word.erase(0, take);
    }
    line = std::move(word);
  }
  if (!line.empty()) lines.push_back(std::move(line));
  return lines;
}
