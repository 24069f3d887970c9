#include "model/lists/grid_headings.h"

#include <algorithm>
#include <cmath>
#include <charconv>
#include <string>

#include "platform/rtl/files.h"
#include "platform/rtl/streams.h"
#include "platform/text/text_services.h"

namespace {

constexpr uint32_t kHeadingsSignature = 0x4847'5A4C;  // "LZGH"
constexpr uint16_t kHeadingsFormat = 1;
constexpr int32_t kMostHeadings = 100000;

TGrid_head32 MakeOwnHeading(TVXBaseDataClass& list, int column) {
  TGrid_head32 h;
  h.column_number = static_cast<int16_t>(column);
  TGrid_data_rec cell;
  list.DrawgridDataRec(column, 0, cell, 0);
  h.heading = cell.text;
  h.visible = true;
  h.alignment = column == 0 ? kAlignRight : kAlignLeft;
  if (list.Count() > 0) {
    list.DrawgridDataRec(column, 1, cell, 0);
    // A number may come with its text already written out.
    h.numeric = cell.has_number;
  }
  if (h.numeric) {
    h.alignment = kAlignRight;
    h.decimals = cell.decimals > 0 ? cell.decimals : (cell.number.is_real ? 2 : 0);
  } else {
    h.case_allowed = column == 0 ? 0 : 1;
  }
  return h;
}

}  // namespace

void EnsureGridHeadings(TVXBaseDataClass& list, bool probe) {
  TGrid_header_array& heads = list.grid_headings;
  const int own = list.HeadingCount();
  // Records of columns that went (own columns past the count, added columns deleted).
  std::erase_if(heads, [&](const TGrid_head32& h) {
    const int c = h.column_number;
    return TVXBaseDataClass::IsAddedColumnNumber(c) ? list.AddedColumn(c) == nullptr : (c < 0 || c >= own);
  });
  std::vector<bool> present(static_cast<size_t>(std::max(own, 0)), false);
  for (const TGrid_head32& h : heads)
    if (!TVXBaseDataClass::IsAddedColumnNumber(h.column_number)) present[static_cast<size_t>(h.column_number)] = true;
  for (int c = 0; c < own; ++c) {
    if (present[static_cast<size_t>(c)]) continue;
    TGrid_head32 h = MakeOwnHeading(list, c);
    // Column 0 stays first; a new own column goes after the own columns before it.
    size_t at = heads.size();
    for (size_t i = 0; i < heads.size(); ++i)
      if (!TVXBaseDataClass::IsAddedColumnNumber(heads[i].column_number) && heads[i].column_number > c) {
        at = i;
        break;
      }
    heads.insert(heads.begin() + static_cast<std::ptrdiff_t>(at), std::move(h));
  }
  // A list that had no rows when its layout was made: its number columns known now.
  if (probe && list.Count() > 0)
    for (TGrid_head32& h : heads) {
      if (h.numeric || h.case_allowed == 0 || TVXBaseDataClass::IsAddedColumnNumber(h.column_number)) continue;
      TGrid_data_rec cell;
      list.DrawgridDataRec(h.column_number, 1, cell, 0);
      if (cell.has_number && h.column_number > 0) {
        h.numeric = true;
        h.case_allowed = 0;
        h.alignment = kAlignRight;
        h.decimals = cell.decimals > 0 ? cell.decimals : (cell.number.is_real ? 2 : 0);
      }
    }
}

std::vector<int> VisibleListColumns(const TGrid_header_array& heads) {
  std::vector<int> out;
  out.reserve(heads.size());
  for (const TGrid_head32& h : heads)
    if (h.visible && h.column_number != 0) out.push_back(h.column_number);
  return out;
}

int Original_Column(const TGrid_header_array& heads, int display_column) {
  if (display_column == 0) return 0;
  if (display_column < 0) return -1;
  int n = 0;
  for (const TGrid_head32& h : heads)
    if (h.visible && h.column_number != 0 && ++n == display_column) return h.column_number;
  return -1;
}

int CurrentColumnNumber(const TGrid_header_array& heads, int list_column) {
  if (list_column == 0) return 0;
  int n = 0;
  for (const TGrid_head32& h : heads) {
    if (!h.visible || h.column_number == 0) continue;
    ++n;
    if (h.column_number == list_column) return n;
  }
  return -1;
}

int HeadingIndexOfColumn(const TGrid_header_array& heads, int list_column) {
  for (size_t i = 0; i < heads.size(); ++i)
    if (heads[i].column_number == list_column) return static_cast<int>(i);
  return -1;
}

UString GetDatum(const TGrid_header_array& heads, int list_column) {
  const int i = HeadingIndexOfColumn(heads, list_column);
  return i < 0 ? UString() : heads[static_cast<size_t>(i)].heading;
}

void ExchangeTwoHeadings(TGrid_header_array& heads, int a, int b) {
  const int n = static_cast<int>(heads.size());
  if (a < 0 || b < 0 || a >= n || b >= n || a == b) return;
  std::swap(heads[static_cast<size_t>(a)], heads[static_cast<size_t>(b)]);
}

UString ApplyLetterCase(UStringView text, uint8_t letter_case) {
  switch (letter_case) {
    case kCaseUpper: return UpperCaseU(text);
    case kCaseLower: return LowerCaseU(text);
    case kCaseTitle: {
      UString out = LowerCaseU(text);
      bool start = true;
      for (size_t i = 0; i < out.size(); ++i) {
        const char16_t ch = out[i];
        const bool letter = (CharKindOf(ch) & (C1_ALPHA | C1_DIGIT)) != 0;
        if (letter && start) {
          const UString up = UpperCaseU(UStringView(&out[i], 1));
          if (up.size() == 1) out[i] = up[0];
        }
        start = !letter && ch != u'\'';
      }
      return out;
    }
    default: return UString(text);
  }
}

std::vector<int> LaidOutColumns(const TVXBaseDataClass& list, int own_columns) {
  const TGrid_header_array& heads = list.grid_headings;
  const int own = own_columns < 0 ? list.HeadingCount() : own_columns;
  std::vector<int> out;
  std::vector<bool> seen(static_cast<size_t>(std::max(own, 0)), false);
  auto take = [&](int c) {
    if (TVXBaseDataClass::IsAddedColumnNumber(c)) {
      if (list.AddedColumn(c) == nullptr || std::find(out.begin(), out.end(), c) != out.end()) return;
    } else {
      if (c < 0 || c >= own || seen[static_cast<size_t>(c)]) return;
      seen[static_cast<size_t>(c)] = true;
    }
    out.push_back(c);
  };
  if (heads.empty()) {
    for (int c = 0; c < own; ++c)
      if (list.HeadingSettings(c).visible) take(c);
    for (const auto& a : list.AddedColumns()) take(a.column_number);
    return out;
  }
  // The row numbers come first wherever their record stands.
  const int zero = HeadingIndexOfColumn(heads, 0);
  if (zero < 0 || heads[static_cast<size_t>(zero)].visible) take(0);
  for (const TGrid_head32& h : heads)
    if (h.visible) take(h.column_number);
  for (int c = 1; c < own; ++c)
    if (HeadingIndexOfColumn(heads, c) < 0) take(c);
  for (const auto& a : list.AddedColumns())
    if (HeadingIndexOfColumn(heads, a.column_number) < 0) take(a.column_number);
  return out;
}

void ApplyHeadingToCell(const TGrid_head32& head, TGrid_data_rec& cell) {
  if (cell.row == 0) return;
  cell.alignment = head.alignment;
  cell.typeface = head.typeface;
  if (head.own_colour && head.background >= 0 && head.background <= 0xFFFFFF && !cell.has_colour) {
    cell.has_colour = true;
    cell.colour = static_cast<uint32_t>(head.background);
  }
  ApplyHeadingToValue(head, cell);
}

void ApplyHeadingToValue(const TGrid_head32& head, TGrid_data_rec& cell) {
  if (cell.row == 0) return;
  if (cell.has_number && head.numeric) {
    if (std::isfinite(cell.number.value) && cell.number.value < head.threshold) {
      cell.has_number = cell.has_text = false;
      cell.text.clear();
      return;
    }
    // The number is written with the column's decimals, not as the list wrote it.
    cell.has_text = false;
    cell.decimals = std::min(head.decimals, kMaxColumnDecimals);
    if (head.decimals > 0) cell.number.is_real = true;
  }
  if (cell.has_text && head.case_allowed && head.letter_case != kCaseSource && cell.kind != kCellConcordanceLine)
    cell.text = ApplyLetterCase(cell.text, head.letter_case);
}

UString CustomisedHeadingsFileName(UStringView user_folder, TTessorineList list_type) {
  return IncludeTrailingPathDelimiter(user_folder) + list_type_as_string(list_type) + u" customised.dat";
}

bool SaveHeadingsToStream(TStream& s, TTessorineList list_type, const TGrid_header_array& heads) {
  bool ok = WriteU32(s, kHeadingsSignature) && WriteU16(s, kHeadingsFormat) && WriteU16(s, 0) &&
            WriteU8(s, static_cast<uint8_t>(list_type)) && WriteI32(s, static_cast<int32_t>(heads.size()));
  for (const TGrid_head32& h : heads) {
    if (!ok) break;
    ok = WriteU8(s, h.numeric ? 1 : 0) && WriteU8(s, h.number_kind) && WriteU8(s, h.column_kind) &&
         WriteI32(s, h.decimals) && WriteI32(s, h.foreground) && WriteI32(s, h.background) && WriteI32(s, h.width) &&
         WriteU8(s, h.visible ? 1 : 0) && WriteU8(s, h.alignment) && WriteU8(s, h.typeface) &&
         WriteF32(s, h.threshold) && WriteU8(s, h.case_allowed) && WriteU8(s, h.added) && WriteU8(s, h.letter_case) &&
         WriteU16(s, static_cast<uint16_t>(h.column_number)) && WriteU8(s, h.heading_edited) &&
         WriteU8(s, h.own_colour) && WriteU8(s, h.set_column) && WriteAString(s, h.heading);
  }
  return ok;
}

bool ReadHeadingsFromStream(TStream& s, TTessorineList list_type, TGrid_header_array& heads, UString& message) {
  uint32_t signature = 0;
  uint16_t format = 0, spare = 0;
  uint8_t type = 0;
  int32_t n = 0;
  if (!ReadU32(s, signature) || signature != kHeadingsSignature) {
    message = u"not a column layout";
    return false;
  }
  if (!ReadU16(s, format) || format != kHeadingsFormat || !ReadU16(s, spare)) {
    message = u"column layout of an unknown format";
    return false;
  }
  if (!ReadU8(s, type) || type != static_cast<uint8_t>(list_type)) {
    message = u"the layout of another kind of list";
    return false;
  }
  // The smallest record takes 35 bytes.
  if (!ReadCount(s, n, 35) || n > kMostHeadings) {
    message = u"record count damaged";
    return false;
  }
  TGrid_header_array read(static_cast<size_t>(n));
  for (int32_t i = 0; i < n; ++i) {
    TGrid_head32& h = read[static_cast<size_t>(i)];
    uint8_t numeric = 0, visible = 0;
    uint16_t number = 0;
    const bool ok = ReadU8(s, numeric) && ReadU8(s, h.number_kind) && ReadU8(s, h.column_kind) &&
                    ReadI32(s, h.decimals) && ReadI32(s, h.foreground) && ReadI32(s, h.background) &&
                    ReadI32(s, h.width) && ReadU8(s, visible) && ReadU8(s, h.alignment) && ReadU8(s, h.typeface) &&
                    ReadF32(s, h.threshold) && ReadU8(s, h.case_allowed) && ReadU8(s, h.added) &&
                    ReadU8(s, h.letter_case) && ReadU16(s, number) && ReadU8(s, h.heading_edited) &&
                    ReadU8(s, h.own_colour) && ReadU8(s, h.set_column) && ReadAString(s, h.heading);
    if (!ok) {
      message = u"record " + IntToUStr(i + 1) + u" cut short at byte " + IntToUStr(s.Position());
      return false;
    }
    h.numeric = numeric != 0;
    h.visible = visible != 0;
    h.column_number = static_cast<int16_t>(number);
    h.decimals = std::clamp(h.decimals, 0, kMaxColumnDecimals);
    if (h.column_number < 0 || h.alignment > kAlignLeft2 || h.letter_case > kCaseSource || h.width < 0) {
      message = u"record " + IntToUStr(i + 1) + u" holds values out of range";
      return false;
    }
  }
  heads = std::move(read);
  return true;
}

bool SaveHeadingsAsCustomised(UStringView file_name, TTessorineList list_type, const TGrid_header_array& heads,
                              UString* error) {
  return SafeSaveToFile(file_name, [&](TStream& s) { return SaveHeadingsToStream(s, list_type, heads); }, error);
}

bool ReadCustomisedHeadings(UStringView file_name, TTessorineList list_type, TGrid_header_array& heads,
                            UString& message) {
  TMemoryStream m;
  if (!m.LoadFromFile(UString(file_name))) {
    message = UString(file_name) + u": cannot be read";
    return false;
  }
  UString why;
  if (!ReadHeadingsFromStream(m, list_type, heads, why)) {
    message = UString(file_name) + u": " + why;
    return false;
  }
  return true;
}

void MergeCustomisedHeadings(TVXBaseDataClass& list, const TGrid_header_array& saved, TGrid_header_array& added) {
  EnsureGridHeadings(list);
  TGrid_header_array& heads = list.grid_headings;
  TGrid_header_array out;
  std::vector<bool> used(heads.size(), false);
  added.clear();
  for (const TGrid_head32& s : saved) {
    if (s.added) {
      added.push_back(s);
      continue;
    }
    const int i = HeadingIndexOfColumn(heads, s.column_number);
    if (i < 0 || used[static_cast<size_t>(i)] || TVXBaseDataClass::IsAddedColumnNumber(s.column_number)) continue;
    used[static_cast<size_t>(i)] = true;
    TGrid_head32 h = s;
    // What the column holds is the list's business, not the file's.
    h.numeric = heads[static_cast<size_t>(i)].numeric;
    if (!h.heading_edited) h.heading = heads[static_cast<size_t>(i)].heading;
    out.push_back(std::move(h));
  }
  for (size_t i = 0; i < heads.size(); ++i)
    if (!used[i]) out.push_back(heads[i]);
  // The row numbers stay first.
  const int zero = HeadingIndexOfColumn(out, 0);
  if (zero > 0) std::rotate(out.begin(), out.begin() + zero, out.begin() + zero + 1);
  heads = std::move(out);
}

bool ParseDecimalNumber(UStringView text, double& value) {
  const UString t = TrimU(text);
  if (t.empty() || t.size() > 64) return false;
  std::string a;
  for (char16_t ch : t) {
    if (ch == u',') ch = u'.';
    if (!((ch >= u'0' && ch <= u'9') || ch == u'.' || ch == u'-' || ch == u'+' || ch == u'e' || ch == u'E')) return false;
    a.push_back(static_cast<char>(ch));
  }
  // Not strtod: the program's locale must not change what a typed number means.
  const char* first = a.data();
  if (*first == '+') ++first;
  double v = 0;
  const auto [end, ec] = std::from_chars(first, a.data() + a.size(), v);
  if (ec != std::errc() || end != a.data() + a.size() || !std::isfinite(v)) return false;
  value = v;
  return true;
}
