#include "model/export/export_cells.h"

#include <unicode/uchar.h>

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdio>

#include "platform/rtl/datetime.h"
#include "platform/settings/settings_access.h"
#include "platform/settings/settings_records.h"

namespace {

bool IsHigh(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLow(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }
bool IsAsciiLetter(char16_t c) { return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z'); }

bool KeptInName(char16_t c) {
  return IsAsciiLetter(c) || c == u'_' || (c >= 192 && c <= 214) || (c >= 216 && c <= 246) ||
         (c >= 248 && c <= 767) || (c >= 880 && c <= 893) || (c >= 895 && c <= 8191);
}

int HexDigit(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

}  // namespace

TExportStyleColours ExportStyleColours() {
  TExportStyleColours style;
  // The search word in the colour the lines take for it in the current style (Settings > Colours
  // sets it); the rest stays dark on white, as paper and a sheet show it whatever the style.
  const TWordHandlingColourRec search_word =
      GetWordHandling4ColourRecAndTypeface(GetGlobalStyleNumber(), kSearchWordColourRecord);
  if (IsOKColour(search_word.Foreground())) style.search_word = search_word.Foreground() & 0xFFFFFF;
  // The font of the texts' settings (Settings > Font), at a size a document can show.
  const TTextsett_rec32 text = GetTextSettings();
  if (!TrimU(text.FontName()).empty()) style.font_name = TrimU(text.FontName());
  if (text.FontSize() >= kExportMinFontPoints && text.FontSize() <= kExportMaxFontPoints) style.font_size = text.FontSize();
  return style;
}

UString TitleCasedString(UStringView s) {
  UString out(s);
  bool word_start = true;
  for (char16_t& c : out) {
    if (word_start && !IsHigh(c) && !IsLow(c)) c = static_cast<char16_t>(u_toupper(c));
    word_start = c == u' ' || c == u'-' || c == u'(' || c == u'[' || c == u'\t';
  }
  return out;
}

UString BracketedWith(UStringView s, UStringView open, UStringView close) {
  return UString(open) + UString(s) + UString(close);
}

void AddToListWithSeparatorIfNeeded(UString& line, UStringView text, UStringView separator) {
  if (!line.empty() && !text.empty()) line += separator;
  line += text;
}

UString FormattedWithDecimals(double value, int32_t decimals) {
  decimals = std::clamp(decimals, 0, kMaxColumnDecimals);
  if (!std::isfinite(value)) return u"??";
  char buf[400];
  std::snprintf(buf, sizeof buf, "%.*f", decimals, value);
  return Latin1ToUtf16(buf);
}

UString JulianToStringRemovingConst(double julian) {
  if (!std::isfinite(julian)) return u"??";
  return DateTimeToUStr(JulianToDateTimeRemovingConst(julian));
}

UString TessorineControllerCaption() { return u"Tessorine Tools"; }

UString NumberKindHeadingText(uint8_t kind) {
  switch (kind) {
    case 2: return u"%";
    case 3: return u"per 1,000,000";
    case 4: return u"ratio";
    default: return UString();
  }
}

UString ColourAsHex(int32_t bgr) {
  if (!IsOKColour(bgr)) bgr = ExportStyleColours().base_text;
  char buf[8];
  std::snprintf(buf, sizeof buf, "%06X", BgrToRgb(static_cast<uint32_t>(bgr)) & 0xFFFFFFu);
  return Latin1ToUtf16(buf);
}

UString XMLElementName(UStringView heading, int32_t number) {
  UString name;
  for (char16_t c : heading) {
    if (c == u'#')
      name += u"num";
    else if (c == u'%')
      name += u"percent";
    else
      name += KeptInName(c) ? c : u'_';
  }
  if (number > 0) name += IntToUStr(number);
  if (name.empty() || !(KeptInName(name[0]))) name.insert(name.begin(), u'_');
  return name;
}

namespace {
// s for XML: with escape_markup & < > " become entities; either way characters XML 1.0 cannot
// carry (C0 controls but tab, LF, CR; lone surrogates; U+FFFE, U+FFFF) become U+FFFD.
void AppendXmlText(UString& out, UStringView s, bool escape_markup) {
  for (size_t i = 0; i < s.size(); ++i) {
    const char16_t c = s[i];
    if (escape_markup) {
      switch (c) {
        case u'&': out += u"&amp;"; continue;
        case u'<': out += u"&lt;"; continue;
        case u'>': out += u"&gt;"; continue;
        case u'"': out += u"&quot;"; continue;
        default: break;
      }
    }
    if (IsHigh(c) && i + 1 < s.size() && IsLow(s[i + 1])) {
      out += c;
      out += s[++i];
      continue;
    }
    const bool forbidden = (c < 0x20 && c != u'\t' && c != u'\n' && c != u'\r') || IsHigh(c) || IsLow(c) ||
                           c == 0xFFFE || c == 0xFFFF;
    out += forbidden ? char16_t(0xFFFD) : c;
  }
}
}  // namespace

UString XmlEscaped(UStringView s) {
  UString out;
  out.reserve(s.size() + s.size() / 8);
  AppendXmlText(out, s, true);
  return out;
}

UString HeadingWithNumberDisplay(UStringView heading, uint8_t kind) {
  size_t cut = heading.find(u'%');
  for (size_t i = 0; i + 4 <= heading.size() && i < cut; ++i) {
    const bool word_start = i == 0 || !u_isalnum(heading[i - 1]);
    if (word_start && (heading[i] == u'p' || heading[i] == u'P') && (heading[i + 1] == u'e' || heading[i + 1] == u'E') &&
        (heading[i + 2] == u'r' || heading[i + 2] == u'R') && heading[i + 3] == u' ') {
      cut = i;
      break;
    }
  }
  if (cut == UStringView::npos) return TitleCasedString(heading);
  return TitleCasedString(UString(heading.substr(0, cut)) + NumberKindHeadingText(kind));
}

void FormatCellForExport(TGrid_data_rec& cell) {
  if (!cell.make_text_from_number) return;
  if (cell.date != 0.0 || std::isnan(cell.date)) {
    cell.text = std::isfinite(cell.date) ? JulianToStringRemovingConst(cell.date) : UString(u"??");
  } else if (cell.number.kind == 0) {
    cell.text = std::isfinite(cell.number.value) ? IntToUStr(std::llround(cell.number.value)) : UString(u"??");
  } else {
    cell.text = FormattedWithDecimals(cell.number.value, cell.decimals);
  }
  cell.has_text = true;
}

namespace {
constexpr int32_t kMostShownDecimals = 12;
}  // namespace

int32_t CellShownDecimals(const TGrid_data_rec& cell) {
  // A text made from the number used the cell's decimals (none for a whole number).
  if (cell.has_text) return cell.number.kind == 0 ? 0 : std::clamp(cell.decimals, 0, kMostShownDecimals);
  if (!cell.number.is_real && cell.decimals == 0) return 0;
  return cell.decimals > 0 ? std::min(cell.decimals, kMostShownDecimals) : 2;
}

UString CellNumberAsShown(const TGrid_data_rec& cell) {
  if (!cell.has_number || !std::isfinite(cell.number.value)) return UString();
  const int32_t decimals = CellShownDecimals(cell);
  if (decimals == 0 && std::fabs(cell.number.value) < 9.0e18) return IntToUStr(std::llround(cell.number.value));
  return FormattedWithDecimals(cell.number.value, decimals);
}

UString GroupedNumberText(UStringView shown) {
  UString separator = UserThousandsSeparator();
  if (separator.empty() || separator == u".") separator = u",";
  const size_t sign = !shown.empty() && shown[0] == u'-' ? 1 : 0;
  size_t end = shown.find(u'.');
  if (end == UStringView::npos) end = shown.size();
  for (size_t i = sign; i < end; ++i)
    if (shown[i] < u'0' || shown[i] > u'9') return UString(shown);  // not a plain number
  UString out(shown.substr(0, sign));
  const size_t digits = end - sign;
  for (size_t i = 0; i < digits; ++i) {
    if (i > 0 && (digits - i) % 3 == 0) out += separator;
    out.push_back(shown[sign + i]);
  }
  out.append(shown.substr(end));
  return out;
}

UString CellTextAsShown(const TGrid_data_rec& cell) {
  if (cell.has_text) return RelevantAffixesOfStringData(cell);
  return CellNumberAsShown(cell);
}

double CellValueToStore(const TGrid_data_rec& cell) {
  const float v = cell.number.value;
  if (!std::isfinite(v)) return v;
  // The shortest decimal that reads back as the same float: every digit the value has, and none
  // of a float's binary tail.
  char buf[64];
  const auto written = std::to_chars(buf, buf + sizeof buf, v);
  double out = v;
  if (written.ec == std::errc()) std::from_chars(buf, written.ptr, out);
  return out;
}

UString PlotPositionsText(const TGrid_data_rec& cell) {
  UString text;
  const std::vector<TV2GeneralPlotDataRec>& hits = cell.plot_hits.Plots();
  for (size_t i = 0; i < hits.size(); ++i) {
    if (i > 0) text += u"; ";
    text += IntToUStr(hits[i].position);
    if (!hits[i].context.empty()) text += u" (" + hits[i].context + u")";
  }
  return text;
}

int32_t CellCentreStart(const TGrid_data_rec& cell) {
  for (const TGridColouredPiece& p : cell.pieces)
    if (!p.is_tag && p.span_pos == 50 && p.length > 0) return p.start;
  return cell.sw_start > 0 ? cell.sw_start - 1 : cell.centre_start;
}

int32_t ConcCharactersToExport(int32_t setting, bool flag, int32_t default_characters) {
  return setting != 0 || flag ? setting : default_characters;
}

int32_t ConcCharactersToExport(bool flag, int32_t default_characters) {
  return ConcCharactersToExport(GetConcCharactersForTextOnly(), flag, default_characters);
}

TCellSectionViews ConcLineSectionViews(UStringView text, int32_t centre_start, int32_t centre_length,
                                       int32_t start_position, int32_t export_setting) {
  const int64_t size = static_cast<int64_t>(text.size());
  const int64_t start = std::clamp<int64_t>(centre_start, 0, size);
  const int64_t length = std::clamp<int64_t>(centre_length, 0, size - start);
  TCellSectionViews s{text.substr(0, static_cast<size_t>(start)),
                      text.substr(static_cast<size_t>(start), static_cast<size_t>(length)),
                      text.substr(static_cast<size_t>(start + length))};
  auto blank = [](char16_t c) { return c == u' ' || c == u'\t'; };
  if (start_position > 1) {
    s.left.remove_prefix(std::min(static_cast<size_t>(start_position - 1), s.left.size()));
    while (!s.left.empty() && blank(s.left.front())) s.left.remove_prefix(1);
    while (!s.right.empty() && blank(s.right.back())) s.right.remove_suffix(1);
    return s;
  }
  const auto doubled = [](size_t n) { return static_cast<int32_t>(std::min<int64_t>(2 * int64_t(n), INT32_MAX)); };
  const int64_t left_n = ConcCharactersToExport(export_setting, false, doubled(s.left.size())) / 2;
  const int64_t right_n = ConcCharactersToExport(export_setting, false, doubled(s.right.size())) / 2;
  // Cuts never split a surrogate pair.
  if (const size_t n = static_cast<size_t>(std::max<int64_t>(left_n, 0)); s.left.size() > n) {
    size_t from = s.left.size() - n;
    if (IsLow(s.left[from])) ++from;
    s.left.remove_prefix(from);
  }
  if (size_t n = static_cast<size_t>(std::max<int64_t>(right_n, 0)); s.right.size() > n) {
    if (n > 0 && IsHigh(s.right[n - 1])) --n;
    s.right = s.right.substr(0, n);
  }
  return s;
}

TCellSectionViews ConcLineSectionViews(const TGrid_data_rec& cell, int32_t export_setting) {
  const int32_t length = cell.centre_length > 0 ? cell.centre_length : cell.hit_width;
  return ConcLineSectionViews(cell.text, CellCentreStart(cell), length, cell.start_position, export_setting);
}

TCellSections ConcLinein3Sections(const TGrid_data_rec& cell, int32_t export_setting) {
  const TCellSectionViews v = ConcLineSectionViews(cell, export_setting);
  return TCellSections{UString(v.left), UString(v.centre), UString(v.right)};
}

bool HasTimelineColumns(const TGrid_data_rec& cell) {
  return cell.export_kind == kExportKindTimeLine &&
         (!cell.timeline_segments.empty() || !cell.timeline_date_headings.empty());
}

UString TimelineColumnsText(const TGrid_data_rec& cell) {
  UString out;
  if (!HasTimelineColumns(cell)) return out;
  // A row's cell carries its periods' hits (and their headings); the heading row's only the
  // headings.
  const bool row = !cell.timeline_segments.empty();
  const size_t n = row ? cell.timeline_segments.size() : cell.timeline_date_headings.size();
  for (size_t i = 0; i < n; ++i) {
    if (i > 0) out += u'\t';
    out += row ? IntToUStr(cell.timeline_segments[i].first) : cell.timeline_date_headings[i];
  }
  return out;
}

void AppendCellAsTXT(TGrid_data_rec& cell, int32_t export_setting, UString& out, bool grouped) {
  if (HasTimelineColumns(cell)) {
    out += TimelineColumnsText(cell);
    return;
  }
  FormatCellForExport(cell);
  // A text that is the cell's number as shown (not a date) is a number too.
  if (grouped && cell.has_text && cell.has_number && cell.date == 0.0 && cell.kind != kCellConcordanceLine &&
      std::isfinite(cell.number.value) &&
      (cell.text == CellNumberAsShown(cell) || cell.text == IntToUStr(std::llround(cell.number.value)))) {
    out.append(cell.prefix).append(GroupedNumberText(cell.text)).append(cell.suffix);
    return;
  }
  if (cell.kind == kCellConcordanceLine) {
    const TCellSectionViews s = ConcLineSectionViews(cell, export_setting);
    out.append(s.left).append(s.centre).append(s.right);
    return;
  }
  if (cell.has_text) {
    out.append(cell.prefix).append(cell.text).append(cell.suffix);
  } else if (cell.export_kind == kExportKindPlotPositions) {
    out += PlotPositionsText(cell);
  } else {
    out += grouped ? GroupedNumberText(CellNumberAsShown(cell)) : CellNumberAsShown(cell);
  }
}

UString CellTextForExport(TGrid_data_rec& cell, bool grouped) {
  UString out;
  AppendCellAsTXT(cell, 0, out, grouped);
  return out;
}

UString DoExportaCellToTXT(TGrid_data_rec& cell, int32_t export_setting) {
  UString out;
  AppendCellAsTXT(cell, export_setting, out);
  return out;
}

UString DoExportaCellToXML(const TGrid_data_rec& cell, UStringView heading, int32_t column) {
  const UString name = XMLElementName(heading, column);
  if (HasTimelineColumns(cell) && !cell.timeline_segments.empty()) {
    UString out = u"<" + name + u">";
    for (size_t i = 0; i < cell.timeline_segments.size(); ++i) {
      const UString date = i < cell.timeline_date_headings.size() ? cell.timeline_date_headings[i] : IntToUStr(int64_t(i) + 1);
      out += u"<period date=\"" + XmlEscaped(date) + u"\">" + IntToUStr(cell.timeline_segments[i].first) + u"</period>";
    }
    return out + u"</" + name + u">";
  }
  TGrid_data_rec shown = cell;
  return u"<" + name + u">" + XmlEscaped(CellTextForExport(shown)) + u"</" + name + u">";
}

std::vector<TColouredSegment> DataStringSegments(const TGrid_data_rec& cell) {
  const TExportStyleColours style = ExportStyleColours();
  std::vector<TColouredSegment> out;
  if (!cell.prefix.empty()) out.push_back({cell.prefix, style.affix});
  if (!cell.text.empty()) out.push_back({cell.text, cell.has_colour ? int32_t(cell.colour) : style.base_text});
  if (!cell.suffix.empty()) out.push_back({cell.suffix, style.affix});
  return out;
}

UString ColouredSegmentsAsHTML(const TGrid_data_rec& cell) {
  UString html;
  for (const TColouredSegment& s : DataStringSegments(cell))
    html += u"<font color = \"#" + ColourAsHex(s.colour) + u"\">" + XmlEscaped(s.text) + u"</font>";
  return html;
}

UString ConcLineAsHTML(const TCellSections& sections, int32_t search_word_colour) {
  // No blank of its own beside the search word: the sections keep the line's blanks, and a cell
  // holds the line as the grid shows it.
  return XmlEscaped(sections.left) + u"<b><font color = \"#" + ColourAsHex(search_word_colour) + u"\">" +
         XmlEscaped(sections.centre) + u"</font></b>" + XmlEscaped(sections.right);
}

int32_t ConcLineRunColour(int32_t search_word_colour) {
  const std::vector<TSpreadsheetRun> runs = HtmlCellToRuns(ConcLineAsHTML({u"", u"x", u""}, search_word_colour));
  for (const TSpreadsheetRun& r : runs)
    if (r.bold) return r.colour;
  return -1;
}


void ConcLineRuns(const TCellSectionViews& sections, int32_t run_colour, std::vector<TSpreadsheetRun>& runs) {
  // Left, the centre bold in its colour, right; empty runs left out and neighbours of one style
  // joined, as the HTML route does.
  size_t used = 0;
  auto put = [&](UStringView a, UStringView b, int32_t colour, bool bold) {
    if (a.empty() && b.empty()) return;
    if (used > 0 && runs[used - 1].colour == colour && runs[used - 1].bold == bold) {
      AppendXmlText(runs[used - 1].text, a, false);
      AppendXmlText(runs[used - 1].text, b, false);
      return;
    }
    if (runs.size() <= used) runs.emplace_back();
    TSpreadsheetRun& r = runs[used++];
    r.text.clear();
    AppendXmlText(r.text, a, false);
    AppendXmlText(r.text, b, false);
    r.colour = colour;
    r.bold = bold;
  };
  put(sections.left, u"", -1, false);
  put(sections.centre, u"", run_colour, true);
  put(u"", sections.right, -1, false);
  runs.resize(used);
}

std::vector<TSpreadsheetRun> HtmlCellToRuns(UStringView html) {
  std::vector<TSpreadsheetRun> runs;
  std::vector<int32_t> colours;
  int bold = 0;
  TSpreadsheetRun current;
  auto flush = [&] {
    if (current.text.empty()) return;
    if (!runs.empty() && runs.back().colour == current.colour && runs.back().bold == current.bold)
      runs.back().text += current.text;
    else
      runs.push_back(current);
    current.text.clear();
  };
  auto restyle = [&] {
    flush();
    current.colour = colours.empty() ? -1 : colours.back();
    current.bold = bold > 0;
  };
  static constexpr UStringView kFontOpen = u"<font color = \"#";
  size_t i = 0;
  while (i < html.size()) {
    const UStringView rest = html.substr(i);
    if (rest.starts_with(u"<b>")) {
      ++bold;
      restyle();
      i += 3;
    } else if (rest.starts_with(u"</b>")) {
      bold = std::max(bold - 1, 0);
      restyle();
      i += 4;
    } else if (rest.starts_with(kFontOpen) && rest.size() >= kFontOpen.size() + 8 &&
               rest.substr(kFontOpen.size() + 6, 2) == u"\">") {
      uint32_t rgb = 0;
      bool ok = true;
      for (size_t k = 0; k < 6; ++k) {
        const int d = HexDigit(rest[kFontOpen.size() + k]);
        ok = ok && d >= 0;
        rgb = rgb * 16 + static_cast<uint32_t>(std::max(d, 0));
      }
      if (!ok) {
        current.text += html[i++];
        continue;
      }
      colours.push_back(static_cast<int32_t>(BgrToRgb(rgb)));  // the swap is its own inverse
      restyle();
      i += kFontOpen.size() + 8;
    } else if (rest.starts_with(u"</font>")) {
      if (!colours.empty()) colours.pop_back();
      restyle();
      i += 7;
    } else if (rest.starts_with(u"&amp;")) {
      current.text += u'&';
      i += 5;
    } else if (rest.starts_with(u"&lt;")) {
      current.text += u'<';
      i += 4;
    } else if (rest.starts_with(u"&gt;")) {
      current.text += u'>';
      i += 4;
    } else if (rest.starts_with(u"&quot;")) {
      current.text += u'"';
      i += 6;
    } else {
      current.text += html[i++];
    }
  }
  flush();
  return runs;
}

UString NumberFormatForDecimals(int32_t decimals) {
  decimals = std::min(decimals, kMaxColumnDecimals);
  if (decimals <= 0) return u"#,##0";
  return u"#,##0." + UString(static_cast<size_t>(decimals), u'0');
}

int32_t DefinedFormatForGridDataRec(const TGrid_head32& heading, bool numbers) {
  const TExportStyleColours style = ExportStyleColours();
  const bool fg_ok = IsOKColour(heading.foreground);
  const bool bg_ok = IsOKColour(heading.background);
  const int32_t text = fg_ok ? heading.foreground : style.base_text;
  const int32_t back = bg_ok ? heading.background : style.background;
  const uint8_t k = heading.column_kind;
  const int32_t alignment = !numbers && (k == 0 || k == 2 || k == 4) ? kExcelAlignLeft : kExcelAlignRight;
  return DefinedFormatNum0Based(NumberFormatForDecimals(heading.decimals), alignment, !fg_ok, -1, 0x1FFFFFFF, back,
                                text);
}

int32_t DefaultNumberFormat() {
  const TExportStyleColours style = ExportStyleColours();
  return DefinedFormatNum0Based(u"#,##0.00", kExcelAlignRight, true, -1, 0x1FFFFFFF, style.background,
                                style.base_text);
}
