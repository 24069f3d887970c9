#include "shell/qt/main_window_grid_tweaks.h"

#include <algorithm>

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
    if (kind == 3 && m.tag_length > 0 && KnownTagColour(m.tag_number, tag_colours)) {
      // The tag itself becomes a span of its own colour; every one is kept, not only the last.
      flush_pending();
      pending = TMarkSpan{pos, pos + m.tag_length, -1, m.tag_number};
      pos += m.tag_length;
      tag_length = 0;
      record = 3;
    }
    const bool tags = tags_coloured || m.force_tag;
    const bool words = words_coloured && !m.force_tag;
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

void TweakConcordanceTagCell(TGrid_data_rec& cell, const std::vector<TTagColour>& tag_colours, bool text_output,
                             uint8_t main_sort_key, int32_t highlight_count) {
  if (text_output && main_sort_key == 28 && cell.text.empty()) {
    if (highlight_count > 0) cell.text = IntToUStr(highlight_count);
    return;
  }
  const int32_t i = cell.tag_number_1based;
  if (i > 0 && i <= static_cast<int32_t>(tag_colours.size())) {
    cell.has_colour = true;
    cell.colour = tag_colours[static_cast<size_t>(i - 1)].background;
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

bool FileNameDisplayFlag(uint8_t file_status) { return file_status == 0; }

int LoadedPercent(int64_t loaded, int64_t length) {
  if (length <= 0) return 0;
  return static_cast<int>(std::clamp<int64_t>(loaded * 100 / length, 0, 100));
}

void CentreConcordanceCell(TGrid_data_rec& cell, int each_side) {
  if (!cell.has_text || cell.centre_length <= 0 || each_side <= 0) return;
  const int32_t size = static_cast<int32_t>(cell.text.size());
  const int32_t centre = std::clamp(cell.centre_start, 0, size);
  int32_t from = centre - each_side;
  int32_t pad = 0;
  if (from < 0) {
    pad = -from;
    from = 0;
  }
  const int32_t to = std::min(size, centre + cell.centre_length + each_side);
  cell.text = UString(static_cast<size_t>(pad), u' ') + cell.text.substr(static_cast<size_t>(from), static_cast<size_t>(to - from));
  const int32_t shift = pad - from;
  cell.centre_start += shift;
  for (auto& s : cell.spans) s.start += shift;
  for (auto& p : cell.pieces) p.start += shift;
}
