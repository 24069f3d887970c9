#include <gtest/gtest.h>

#include <cmath>

#include "model/export/export_cells.h"
#include "model/export_test_support.h"
#include "model/lists/column_formula.h"
#include "model/lists/grid_headings.h"
#include "model/work_test_list.h"
#include "shell/grid_tools/grid_cells.h"
#include "model/export/list_export.h"
#include "model/export/rtf_writer.h"
#include "model/text_reader_test_support.h"
#include "platform/rtl/datetime.h"
#include "platform/rtl/files.h"
#include "platform/runtime/vx_resources.h"
#include "platform/runtime/vx_runtime.h"
#include "platform/settings/settings_access.h"
#include "platform/spreadsheet/spreadsheet.h"
#include "support/temp_folder.h"

namespace {

std::string U8(UStringView s) { return Utf16ToUtf8(s); }

TGrid_data_rec LineCell(UStringView text, int32_t sw_start_0, int32_t width) {
  TGrid_data_rec c = TextCell(text);
  c.kind = kCellConcordanceLine;
  c.sw_start = sw_start_0 + 1;
  c.centre_start = sw_start_0;
  c.centre_length = width;
  return c;
}

}  // namespace

// --- cell rules ------------------------------------------------------------------------------

TEST(ExportCellRules, XmlElementNames) {
  const struct {
    const char16_t* heading;
    int32_t number;
    const char16_t* want;
  } cases[] = {
      {u"Word", 0, u"Word"},        {u"a.b c1", 0, u"a_b_c_"},   {u"%", 2, u"percent2"},
      {u"#", 0, u"num"},            {u"", 0, u"_"},              {u"", 3, u"_3"},
      {u"9x", 0, u"_x"},            {u"\u00e9t\u00e9", 1, u"\u00e9t\u00e91"},  {u"\u00d7\u00f7", 0, u"__"},
      {u"\u00c0\u00d6\u00d8\u00f6\u00f8\u02ff\u0370\u037d\u037e\u037f\u1fff\u2000", 0,
       u"\u00c0\u00d6\u00d8\u00f6\u00f8\u02ff\u0370\u037d_\u037f\u1fff_"},
  };
  for (const auto& c : cases) EXPECT_EQ(U8(XMLElementName(c.heading, c.number)), U8(c.want)) << U8(c.heading);
}

TEST(ExportCellRules, XmlEscapingKeepsTextAndReplacesForbiddenCharacters) {
  const struct {
    UString in;
    UString want;
  } cases[] = {
      {u"a&lt;b & \"c\" <d>", u"a&amp;lt;b &amp; &quot;c&quot; &lt;d&gt;"},
      {UString(u"x\u0001y\tz\n\r"), UString(u"x\uFFFDy\tz\n\r")},
      {UString(1, char16_t(0xD800)) + u"a" + UString(1, char16_t(0xDC00)), u"\uFFFDa\uFFFD"},
      {u"\U0001F600", u"\U0001F600"},
      {UString(1, char16_t(0xFFFE)) + UString(1, char16_t(0xFFFF)), u"\uFFFD\uFFFD"},
  };
  for (const auto& c : cases) EXPECT_EQ(XmlEscaped(c.in), c.want);
}

TEST(ExportCellRules, HeadingWithNumberDisplay) {
  const struct {
    const char16_t* heading;
    uint8_t kind;
    const char16_t* want;
  } cases[] = {
      {u"Upper case", 2, u"Upper Case"},        // "per " inside a word is no cut
      {u"freq. per 1,000", 3, u"Freq. Per 1,000,000"},
      {u"share %", 2, u"Share %"},
      {u"texts % per text", 4, u"Texts Ratio"},  // the first of "%" and "per " cuts
      {u"Per text", 2, u"%"},
      {u"plain", 1, u"Plain"},
  };
  for (const auto& c : cases) EXPECT_EQ(U8(HeadingWithNumberDisplay(c.heading, c.kind)), U8(c.want)) << U8(c.heading);
}

TEST(ExportCellRules, LineInThreeSectionsWholeOrCut) {
  const UString text = UString(30, u'a') + u"HIT" + UString(30, u'b');
  const TGrid_data_rec cell = LineCell(text, 30, 3);
  TCellSections whole = ConcLinein3Sections(cell, 0);
  EXPECT_EQ(whole.left, UString(30, u'a'));
  EXPECT_EQ(whole.centre, u"HIT");
  EXPECT_EQ(whole.right, UString(30, u'b'));
  TCellSections cut = ConcLinein3Sections(cell, 40);
  EXPECT_EQ(cut.left, UString(20, u'a'));
  EXPECT_EQ(cut.right, UString(20, u'b'));

  // The coloured search-word piece wins over the cell's start; tags do not count.
  TGrid_data_rec pieces = LineCell(u"<t>one TWO three", 0, 3);
  pieces.pieces = {{0, 3, true, false, 0, 0, 0}, {7, 3, false, false, 50, 0, 0}};
  EXPECT_EQ(ConcLinein3Sections(pieces, 0).centre, u"TWO");

  // A cut never keeps half of a pair.
  const UString pairs = u"\U0001F600\U0001F600X\U0001F600\U0001F600";
  TCellSections p = ConcLinein3Sections(LineCell(pairs, 4, 1), 6);
  EXPECT_EQ(p.left, u"\U0001F600");
  EXPECT_EQ(p.right, u"\U0001F600");

  // A sentence start above 1: left from there without leading blanks, right without trailing.
  TGrid_data_rec sentence = LineCell(u"xx. Then HIT it.  ", 9, 3);
  sentence.start_position = 4;
  TCellSections s = ConcLinein3Sections(sentence, 40);
  EXPECT_EQ(s.left, u"Then ");
  EXPECT_EQ(s.right, u" it.");
}

TEST(ExportCellRules, FormatCellForExport) {
  const struct {
    uint8_t kind;
    float value;
    int32_t decimals;
    double date;
    const char16_t* want;
  } cases[] = {
      {0, 2.6f, 0, 0.0, u"3"},       {1, 1.25f, 2, 0.0, u"1.25"},  {2, 0.6f, 0, 0.0, u"1"},
      {3, 12.0f, 3, 0.0, u"12.000"}, {0, 0.0f, 0, NAN, u"??"},
  };
  for (const auto& c : cases) {
    TGrid_data_rec cell;
    cell.make_text_from_number = true;
    cell.number.kind = c.kind;
    cell.number.value = c.value;
    cell.decimals = c.decimals;
    cell.date = c.date;
    FormatCellForExport(cell);
    EXPECT_EQ(U8(cell.text), U8(c.want));
    EXPECT_TRUE(cell.has_text);
  }
}

TEST(ExportCellRules, NumberFormatsAndColours) {
  EXPECT_EQ(U8(NumberFormatForDecimals(0)), "#,##0");
  EXPECT_EQ(U8(NumberFormatForDecimals(-1)), "#,##0");
  EXPECT_EQ(U8(NumberFormatForDecimals(3)), "#,##0.000");
  EXPECT_EQ(NumberFormatForDecimals(99).size(), 6u + 30u);
  EXPECT_EQ(BgrToRgb(0x0000FF), 0xFF0000u);
  EXPECT_EQ(BgrToRgb(0x123456), 0x563412u);
  EXPECT_EQ(U8(ColourAsHex(0x0000FF)), "FF0000");
  EXPECT_EQ(U8(ColourAsHex(-5)), U8(ColourAsHex(ExportStyleColours().base_text)));
}

TEST(ExportCellRules, HtmlCellsAreExactAndBecomeRuns) {
  TGrid_data_rec cell = TextCell(u"x");
  cell.prefix = u"&lt;";
  EXPECT_EQ(U8(ColouredSegmentsAsHTML(cell)),
            "<font color = \"#808080\">&amp;lt;</font><font color = \"#000000\">x</font>");
  const UString html = ConcLineAsHTML({u"a<b", u"&x", u"c"}, 0x0000FF);
  // The sections as they are: no blank is added beside the search word.
  EXPECT_EQ(U8(html), "a&lt;b<b><font color = \"#FF0000\">&amp;x</font></b>c");
  const std::vector<TSpreadsheetRun> runs = HtmlCellToRuns(html);
  ASSERT_EQ(runs.size(), 3u);
  EXPECT_EQ(runs[0].text, u"a<b");
  EXPECT_FALSE(runs[0].bold);
  EXPECT_EQ(runs[1].text, u"&x");
  EXPECT_TRUE(runs[1].bold);
  EXPECT_EQ(runs[1].colour, 0x0000FF);
  EXPECT_EQ(runs[2].text, u"c");
}

// A line's runs made straight from its sections equal those of its HTML read back.
TEST(ExportCellRules, LineRunsEqualTheHtmlRoute) {
  const UString pair = u"\U0001F600";
  const TCellSections cases[] = {
      {u"a<b", u"&x", u"c"}, {u"", u"hit", u""},        {u"left", u"", u"right"}, {u"", u"", u""},
      {u"x\x01y", u"\xFFFE", u"\xD800z"},                {pair, pair + u"&quot;", u"&amp;"},
      {u"tab\there", u"new\nline", u"\"q\" >"},
  };
  for (int32_t colour : {0x0000FF, 0x123456, -7}) {
    const int32_t run_colour = ConcLineRunColour(colour);
    std::vector<TSpreadsheetRun> runs(5, TSpreadsheetRun{u"stale", 3, true});
    for (const TCellSections& c : cases) {
      ConcLineRuns(TCellSectionViews{c.left, c.centre, c.right}, run_colour, runs);
      const std::vector<TSpreadsheetRun> html = HtmlCellToRuns(ConcLineAsHTML(c, colour));
      ASSERT_EQ(runs.size(), html.size()) << U8(c.left) << "|" << U8(c.centre);
      for (size_t i = 0; i < runs.size(); ++i) {
        EXPECT_EQ(runs[i].text, html[i].text) << i;
        EXPECT_EQ(runs[i].colour, html[i].colour) << i;
        EXPECT_EQ(runs[i].bold, html[i].bold) << i;
      }
    }
  }
}

TEST(ExportCellRules, SheetNames) {
  EXPECT_EQ(U8(CleanSheetName(u"a[b]:c*d?e/f\\g")), "abcdefg");
  EXPECT_EQ(U8(CleanSheetName(u"'quoted'")), "quoted");
  EXPECT_EQ(CleanSheetName(UString(40, u'z')).size(), 31u);
  EXPECT_EQ(CleanSheetName(UString(30, u'z') + u"\U0001F600").size(), 30u);
}

// --- text, XML and rich text files ------------------------------------------------------------

namespace {

struct TListFixture {
  TVXBaseHolder holder;
  TGivenRowsList list{&holder};
  TListFixture() {
    list.rows = {{TextCell(u"N"), TextCell(u"Word"), TextCell(u"Freq")},
                 {TextCell(u"1"), TextCell(u"a&b"), TextCell(u"7")},
                 {TextCell(u"2"), TextCell(u""), TextCell(u"<x>")}};
    list.UseRow0AsHeadings();
  }
};

std::string Utf16File(const std::u16string& s) {
  std::string out("\xFF\xFE", 2);
  for (char16_t c : s) {
    out += static_cast<char>(c & 0xFF);
    out += static_cast<char>(c >> 8);
  }
  return out;
}

}  // namespace

TEST(ListExport, TextKeepsEmptyCellsInPlaceAndLeavesOutInvisibleOnes) {
  TempFolder tmp;
  TListFixture f;
  f.list.rows[2][0].visible = false;
  const UString name = tmp.Path() + u"out.txt";
  ASSERT_TRUE(ExportListAsTXT(f.list, f.holder, name));
  // The hidden cell's text is left out; its place under its heading stays, empty.
  EXPECT_EQ(FileAsString(name), Utf16File(u"N\tWord\tFreq\n1\ta&b\t7\n\t\t<x>\n"));
}

TEST(ListExport, TextWithoutRowsWritesNoFile) {
  TempFolder tmp;
  TListFixture f;
  f.holder.export_all_rows = false;
  const UString name = tmp.Path() + u"none.txt";
  EXPECT_FALSE(ExportListAsTXT(f.list, f.holder, name));
  EXPECT_FALSE(FileExists(name));
}

TEST(ListExport, StopLeavesThePreviousFile) {
  TempFolder tmp;
  TListFixture f;
  const UString name = tmp.Write(u"old.txt", "old");
  global_panic_state = kPanicStopNow;
  EXPECT_FALSE(ExportListAsTXT(f.list, f.holder, name));
  global_panic_state = kPanicNone;
  EXPECT_EQ(FileAsString(name), "old");
}

TEST(ListExport, XmlExactBytesForTwoRows) {
  TempFolder tmp;
  TListFixture f;
  f.holder.selected_rows = {0, 1};
  f.holder.export_all_rows = false;
  const UString name = tmp.Path() + u"out.xml";
  ASSERT_TRUE(ExportListAsXML(f.list, f.holder, name));
  const std::string list_el = U8(XMLElementName(list_type_as_string(f.list.ListType()), 0));
  EXPECT_EQ(FileAsString(name), "\xEF\xBB\xBF<Tessorine_Tools>\n<" + list_el +
                                 ">\n\t<Row0>\n\t\t<N>N</N>\n\t\t<Word1>Word</Word1>\n\t\t<Freq2>Freq</Freq2>\n\t</Row0>"
                                 "\n\t<Row1>\n\t\t<N>1</N>\n\t\t<Word1>a&amp;b</Word1>\n\t\t<Freq2>7</Freq2>\n\t</Row1>\n</" +
                                 list_el + ">\n</Tessorine_Tools>");
}

TEST(ListExport, XmlParsesWhateverTheHeadingsAndTexts) {
  TempFolder tmp;
  TVXBaseHolder holder;
  TGivenRowsList list(&holder);
  list.rows = {{TextCell(u""), TextCell(u"123"), TextCell(u"%"), TextCell(u"\u00e9l\u00e8ve")},
               {TextCell(u"\u0001&<"), TextCell(UString(1, char16_t(0xD800))), TextCell(u"&amp;"), TextCell(u"\"q\"")}};
  list.UseRow0AsHeadings();
  const UString name = tmp.Path() + u"odd.xml";
  ASSERT_TRUE(ExportListAsXML(list, holder, name));
  const TParsedXml xml = ParseXml(FileAsString(name));
  ASSERT_TRUE(xml.ok) << xml.error;
  EXPECT_EQ(xml.elements[3], "_");
  EXPECT_EQ(xml.elements[4], "___1");
  EXPECT_EQ(xml.elements[5], "percent2");
  EXPECT_EQ(xml.elements[6], U8(u"\u00e9l\u00e8ve3"));
  // Texts come back as written, forbidden characters as U+FFFD.
  EXPECT_EQ(xml.texts[5], U8(u"\uFFFD&<"));
  EXPECT_EQ(xml.texts[7], "&amp;");
  EXPECT_EQ(xml.texts[8], "\"q\"");
}

TEST(ListExport, XmlWithoutRowsStillWritesRootAndList) {
  TempFolder tmp;
  TListFixture f;
  f.holder.export_all_rows = false;
  const UString name = tmp.Path() + u"empty.xml";
  ASSERT_TRUE(ExportListAsXML(f.list, f.holder, name));
  const TParsedXml xml = ParseXml(FileAsString(name));
  ASSERT_TRUE(xml.ok);
  EXPECT_EQ(xml.elements.size(), 2u);
}

namespace {

// Reads the text of an RTF document back: \par as LF, \tab as TAB, \uN? as N, groups of the
// header skipped; the colour table's entries and the \cf of each character.
struct TRtfRead {
  UString text;
  std::vector<uint32_t> colours;  // RRGGBB, index 1 first
  std::vector<int> colour_of;     // per character of text
  int font_size_half_points = 0;
};

TRtfRead ReadRtf(const std::string& rtf) {
  TRtfRead out;
  int cf = 0;
  size_t i = 0;
  int depth = 0;
  bool skip_group = false;
  int skip_depth = 0;
  while (i < rtf.size()) {
    const char c = rtf[i];
    if (c == '{') {
      ++depth;
      ++i;
      if (rtf.compare(i, 8, "\\fonttbl") == 0 || rtf.compare(i, 9, "\\colortbl") == 0) {
        if (rtf.compare(i, 9, "\\colortbl") == 0) {
          const size_t end = rtf.find('}', i);
          std::string t = rtf.substr(i, end - i);
          size_t p = 0;
          while ((p = t.find("\\red", p)) != std::string::npos) {
            int r = 0, g = 0, b = 0;
            std::sscanf(t.c_str() + p, "\\red%d\\green%d\\blue%d", &r, &g, &b);
            out.colours.push_back(static_cast<uint32_t>(r << 16 | g << 8 | b));
            ++p;
          }
        }
        skip_group = true;
        skip_depth = depth;
      }
      continue;
    }
    if (c == '}') {
      if (skip_group && depth == skip_depth) skip_group = false;
      --depth;
      ++i;
      continue;
    }
    if (skip_group) {
      ++i;
      continue;
    }
    if (c == '\\') {
      const char n = rtf[i + 1];
      if (n == '\\' || n == '{' || n == '}') {
        out.text += static_cast<char16_t>(n);
        out.colour_of.push_back(cf);
        i += 2;
        continue;
      }
      size_t j = i + 1;
      while (j < rtf.size() && std::isalpha(static_cast<unsigned char>(rtf[j]))) ++j;
      const std::string word = rtf.substr(i + 1, j - i - 1);
      size_t k = j;
      if (k < rtf.size() && (rtf[k] == '-' || std::isdigit(static_cast<unsigned char>(rtf[k])))) ++k;
      while (k < rtf.size() && std::isdigit(static_cast<unsigned char>(rtf[k]))) ++k;
      const int arg = k > j ? std::stoi(rtf.substr(j, k - j)) : 0;
      if (k < rtf.size() && rtf[k] == ' ') ++k;
      if (word == "par" || word == "tab" || word == "u") {
        out.text += word == "par" ? u'\n' : word == "tab" ? u'\t' : static_cast<char16_t>(static_cast<uint16_t>(arg));
        out.colour_of.push_back(cf);
        if (word == "u" && k < rtf.size() && rtf[k] == '?') ++k;
      }
      if (word == "cf") cf = arg;
      if (word == "fs") out.font_size_half_points = arg;
      i = k;
      continue;
    }
    if (c != '\n' && c != '\r') {
      out.text += static_cast<char16_t>(static_cast<unsigned char>(c));
      out.colour_of.push_back(cf);
    }
    ++i;
  }
  return out;
}

}  // namespace

namespace {
// The search word's colour of the current style and the texts' font, as Settings > Colours and
// Settings > Font store them.
void StoreSearchWordColourAndFont(int32_t bgr, UStringView font, uint8_t points) {
  TWordHandlingColourRec sw = GetWordHandling4ColourRecAndTypeface(GetGlobalStyleNumber(), kSearchWordColourRecord);
  sw.SetForeground(bgr);
  SetWordHandling4ColourRecAndTypeface(GetGlobalStyleNumber(), kSearchWordColourRecord, sw);
  TTextsett_rec32 text = GetTextSettings();
  Tfixed_lang_details32 language = text.Language();
  language.SetFontName(font);
  language.SetFontSize(points);
  text.SetLanguage(language);
  SetTextSettings(text);
}
}  // namespace

TEST(ListExport, RichTextReadsBack) {
  text_reader_test::ScopedSettings settings;
  StoreSearchWordColourAndFont(0x0080FF, u"DejaVu Serif", 14);
  TempFolder tmp;
  TVXBaseHolder holder;
  TGivenRowsList list(&holder, 10);
  list.rows = {{TextCell(u"Concordance")}, {LineCell(u"caf\u00e9 {HIT} \U0001F600", 5, 5)}};
  const UString name = tmp.Path() + u"out.rtf";
  SetConcCharactersForTextOnly(0);
  ASSERT_TRUE(ExportListAsRTF(list, holder, name, u"/x/doc.cnc"));
  const std::string rtf = FileAsString(name);
  const TRtfRead r = ReadRtf(rtf);
  EXPECT_EQ(r.font_size_half_points, 28);
  EXPECT_NE(rtf.find("{\\f0\\fnil DejaVu Serif;}"), std::string::npos) << rtf.substr(0, 120);
  EXPECT_EQ(U8(r.text), U8(TessorineControllerCaption() + u"\n" + list_type_as_string(10) +
                           u"\n/x/doc.cnc\nConcordance\ncaf\u00e9 {HIT} \U0001F600\t\n"));
  // The search word in the search-word colour, the rest in the base colour.
  const size_t hit = r.text.find(u"{HIT}");
  ASSERT_NE(hit, UString::npos);
  const int sw = r.colour_of[hit];
  ASSERT_GT(sw, 0);
  EXPECT_EQ(r.colours[static_cast<size_t>(sw - 1)], 0xFF8000u);
  EXPECT_NE(r.colour_of[hit - 1], sw);
}

TEST(ListExport, RichTextWithoutRowsWritesNoFile) {
  TempFolder tmp;
  TListFixture f;
  f.holder.export_all_rows = false;
  const UString name = tmp.Path() + u"none.rtf";
  EXPECT_FALSE(ExportListAsRTF(f.list, f.holder, name, u""));
  EXPECT_FALSE(FileExists(name));
}

// --- spreadsheet -----------------------------------------------------------------------------

TEST(Spreadsheet, RowsComeInOrderAndPassedRowsAreRefused) {
  TempFolder tmp;
  ASSERT_TRUE(StartAnExcelFile(1));
  EXPECT_TRUE(SetACellString(2, 1, u"b"));
  EXPECT_TRUE(SetACellString(2, 3, u"c"));
  EXPECT_FALSE(SetACellString(1, 1, u"late"));
  EXPECT_FALSE(SetACellString(3, kExcelMaxColumns + 1, u"wide"));
  EXPECT_EQ(RefusedExcelCellWrites(), 2);
  const UString name = tmp.Path() + u"rows.xlsx";
  ASSERT_TRUE(SaveAnExcelFile(name));
  const std::string sheet = ZipMember(name, u"xl/worksheets/sheet1.xml");
  EXPECT_NE(sheet.find("b"), std::string::npos);
  EXPECT_EQ(sheet.find("late"), std::string::npos);
  CloseAnExcelFile();  // nothing more to do after a save
}

TEST(Spreadsheet, FailedSaveLeavesTargetAlone) {
  TempFolder tmp;
  ASSERT_TRUE(StartAnExcelFile(1));
  SetACellString(1, 1, u"x");
  EXPECT_FALSE(SaveAnExcelFile(tmp.Path() + u"missing/folder/x.xlsx"));
  // A folder in the target's place cannot be replaced.
  ForceDirectories(tmp.Path() + u"taken.xlsx");
  ASSERT_TRUE(StartAnExcelFile(1));
  SetACellString(1, 1, u"x");
  EXPECT_FALSE(SaveAnExcelFile(tmp.Path() + u"taken.xlsx"));
  EXPECT_TRUE(DirectoryExists(tmp.Path() + u"taken.xlsx"));
  EXPECT_TRUE(FindFiles(tmp.Path(), u"*.tmp").empty());
}

namespace {

struct TWorkbookFixture {
  TVXBaseHolder holder;
  TGivenRowsList list{&holder, 10};
  TWorkbookFixture() {
    TGrid_data_rec share = NumberCell(12.5f, 2);
    TGrid_data_rec freq = NumberCell(7);
    list.rows = {{TextCell(u"n"), TextCell(u"concordance"), TextCell(u"freq"), TextCell(u"share")},
                 {NumberCell(1), LineCell(u"the cat HIT the dog", 8, 3), freq, share}};
    for (int c = 0; c < 4; ++c) list.rows[1][static_cast<size_t>(c)].col = c;
    list.UseRow0AsHeadings();
    list.heading_settings.resize(4);
    list.heading_settings[2] = {true, 0, 1, 0, 0x00FF00, -1, 100, true};
    list.heading_settings[3] = {true, 2, 1, 3, 0x0000FF, 0x00FFFF, 200, true};
    TGrid_data_rec label = TextCell(u"Total");
    list.totals = {label, TGrid_data_rec(), NumberCell(70), NumberCell(99.5f, 2)};
    holder.export_all_columns = false;
    holder.selected_columns = {0, 1, 3};  // column 2 of 4 hidden
  }
};

}  // namespace

TEST(ListExport, WorkbookLayout) {
  text_reader_test::ScopedSettings settings;
  StoreSearchWordColourAndFont(0x0080FF, u"DejaVu Serif", 14);
  TempFolder tmp;
  TWorkbookFixture f;
  SetConcCharactersForTextOnly(0);
  const UString name = tmp.Path() + u"list.xlsx";
  ASSERT_TRUE(ExportListAsExcel(f.list, f.holder, name, u"/some/where/doc.cnc"));
  const std::string book = ZipMember(name, u"xl/workbook.xml");
  const std::string sheet = ZipMember(name, u"xl/worksheets/sheet1.xml");
  const std::string styles = ZipMember(name, u"xl/styles.xml");
  for (const std::string* part : {&book, &sheet, &styles}) ASSERT_TRUE(ParseXml(*part).ok);
  EXPECT_NE(book.find("name=\"" + U8(CleanSheetName(VXResFmt(TVXRes::VXTessorineList, {list_type_as_string(10)}))) + "\""),
            std::string::npos);
  EXPECT_NE(sheet.find("<mergeCell ref=\"A1:G3\"/>"), std::string::npos);
  EXPECT_NE(sheet.find("(doc.cnc)"), std::string::npos);
  EXPECT_NE(sheet.find("<c r=\"H3\""), std::string::npos);  // the characters-per-line note
  // Totals on row 4 under their own data: the label in B, share in D, nothing in C.
  EXPECT_NE(sheet.find("<c r=\"B4\""), std::string::npos);
  EXPECT_NE(sheet.find("<c r=\"D4\""), std::string::npos);
  EXPECT_EQ(sheet.find("<c r=\"C4\""), std::string::npos);
  // Headings on row 6 (one row left free below the totals), data on row 7; column C stays
  // empty on every row.
  EXPECT_NE(sheet.find("<c r=\"D6\" s=\"1\" t=\"inlineStr\"><is><t>Share</t>"), std::string::npos);
  EXPECT_NE(sheet.find("<c r=\"D7\" s=\"2\"><v>12.5</v>"), std::string::npos);
  EXPECT_EQ(sheet.find("<c r=\"C6\""), std::string::npos);
  EXPECT_EQ(sheet.find("<c r=\"C7\""), std::string::npos);
  // The line as rich runs: the centre bold in the search-word colour.
  EXPECT_NE(sheet.find("<r><rPr><b/><sz val=\"11\"/><color rgb=\"FFFF8000\"/>"), std::string::npos) << sheet;
  EXPECT_NE(sheet.find(">HIT</t>"), std::string::npos);
  // The share column's three decimals and colours; the width of column D only (not C).
  EXPECT_NE(styles.find("formatCode=\"#,##0.000\""), std::string::npos);
  EXPECT_NE(styles.find("rgb=\"FFFFFF00\""), std::string::npos);  // background BGR 00FFFF
  EXPECT_NE(sheet.find("<col min=\"4\" max=\"4\" width=\"28.5703125\""), std::string::npos);
  EXPECT_EQ(sheet.find("<col min=\"3\" max=\"3\""), std::string::npos);
}

TEST(ListExport, WorkbookTimeLineAndPositionsSheets) {
  TempFolder tmp;
  TVXBaseHolder holder;
  TGivenRowsList list(&holder);
  TGrid_data_rec tl = TextCell(u"tl");
  tl.export_kind = 4;
  tl.int_value = 5;
  tl.str_value = u"cat";
  tl.ints = {1, 2, 3};
  TGrid_data_rec pos = TextCell(u"plot");
  pos.export_kind = 2;
  pos.int_value = 9;
  pos.str_value = u"a.txt";
  pos.plot_hits.Add({10, u""});
  pos.plot_hits.Add({20, u""});
  list.rows = {{TextCell(u"N"), TextCell(u"T"), TextCell(u"P")}, {NumberCell(1), tl, pos}, {NumberCell(2), tl, pos}};
  list.UseRow0AsHeadings();
  list.dates.resize(static_cast<size_t>(kExcelMaxColumns));  // more than the sheet holds
  for (size_t i = 0; i < list.dates.size(); ++i) list.dates[i] = IntToUStr(static_cast<int64_t>(1900 + i));
  const UString name = tmp.Path() + u"tl.xlsx";
  ASSERT_TRUE(ExportListAsExcel(list, holder, name, u""));
  const std::string book = ZipMember(name, u"xl/workbook.xml");
  EXPECT_NE(book.find("name=\"Time-line\""), std::string::npos);
  EXPECT_NE(book.find("name=\"Positions(3)\""), std::string::npos);
  const std::string timeline = ZipMember(name, u"xl/worksheets/sheet2.xml");
  ASSERT_TRUE(ParseXml(timeline).ok);
  EXPECT_NE(timeline.find("<c r=\"XFD3\""), std::string::npos);   // the last column holds a date
  EXPECT_NE(timeline.find("dates are beyond"), std::string::npos);
  EXPECT_NE(timeline.find("<c r=\"A5\""), std::string::npos);     // the second row's data
  const std::string positions = ZipMember(name, u"xl/worksheets/sheet3.xml");
  EXPECT_NE(positions.find("<mergeCell ref=\"A1:T1\"/>"), std::string::npos);
  EXPECT_NE(positions.find("a.txt"), std::string::npos);
  const std::string main = ZipMember(name, u"xl/worksheets/sheet1.xml");
  EXPECT_NE(main.find("See the next worksheet"), std::string::npos);
}

TEST(ListExport, WorkbookSaveFailureIsFalse) {
  TempFolder tmp;
  TListFixture f;
  EXPECT_FALSE(ExportListAsExcel(f.list, f.holder, tmp.Path() + u"no/such/dir.xlsx", u""));
}

// --- cells written as the grid shows them ------------------------------------------------------

namespace {

TGrid_data_rec ShownNumber(float value, uint8_t kind, bool real, int32_t decimals = 0) {
  TGrid_data_rec c;
  c.has_number = true;
  c.number.value = value;
  c.number.kind = kind;
  c.number.is_real = real;
  c.decimals = decimals;
  return c;
}

}  // namespace

// Every export and the grid show a cell by one rule; the values were worked out by hand.
TEST(ExportCellRules, CellsAsTheGridShowsThem) {
  TGrid_data_rec text = TextCell(u"THE");
  text.prefix = u"(";
  text.suffix = u")";
  TGrid_data_rec made = ShownNumber(12.3456f, 2, true, 2);  // a list that made the text itself
  made.text = u"12.35";
  made.has_text = true;
  TGrid_data_rec hidden_value = ShownNumber(5, 0, false);
  hidden_value.has_number = false;
  struct Case {
    const char* what;
    TGrid_data_rec cell;
    const char16_t* shown;
    int32_t decimals;
    double value;  // in a spreadsheet (under a format of the decimals shown)
  } cases[] = {
      {"share from a float", ShownNumber(10.8812345f, 2, true), u"10.88", 2, 10.881234},
      {"float tail", ShownNumber(0.1f, 2, true), u"0.10", 2, 0.1},
      {"count", ShownNumber(132, 0, false), u"132", 0, 132},
      {"rounded, not cut", ShownNumber(2.6f, 0, false), u"3", 0, 2.6},
      {"negative", ShownNumber(-3, 0, false), u"-3", 0, -3},
      {"own decimals", ShownNumber(0.125f, 1, true, 3), u"0.125", 3, 0.125},
      {"whole with a decimal", ShownNumber(7, 1, false, 1), u"7.0", 1, 7},
      {"text with affixes", text, u"(THE)", 0, 0},
      {"text made from the number", made, u"12.35", 2, 12.3456},
      {"no value", hidden_value, u"", 0, 5},
      {"nothing", TGrid_data_rec(), u"", 0, 0},
      {"a Dice value under no decimals", ShownNumber(0.0034567f, 0, false), u"0", 0, 0.0034567},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(U8(CellTextAsShown(c.cell)), U8(c.shown)) << c.what;
    TGrid_data_rec copy = c.cell;
    EXPECT_EQ(U8(DoExportaCellToTXT(copy, 0)), U8(c.shown)) << c.what;
    if (!c.cell.has_number) continue;
    EXPECT_EQ(CellShownDecimals(c.cell), c.decimals) << c.what;
    // Stored whole: the decimal of the float, however few decimals are shown.
    EXPECT_EQ(CellValueToStore(c.cell), c.value) << c.what;
  }
  TGrid_data_rec nan = ShownNumber(std::nanf(""), 2, true);
  EXPECT_EQ(U8(CellTextAsShown(nan)), "");

  TGrid_data_rec plot;
  plot.export_kind = kExportKindPlotPositions;
  for (const TV2GeneralPlotDataRec& hit : {TV2GeneralPlotDataRec{10, u"old"}, {20, u""}, {35, u"sea"}})
    plot.plot_hits.Add(hit);
  EXPECT_EQ(U8(PlotPositionsText(plot)), "10 (old); 20; 35 (sea)");
  EXPECT_EQ(U8(DoExportaCellToTXT(plot, 0)), "10 (old); 20; 35 (sea)");
}

namespace {

// Rows as a derived view gives them: numbers without text, a statistic hidden on every row (its
// heading too), and a column whose second row hides its cell.
struct TNumbersFixture {
  TVXBaseHolder holder;
  TGivenRowsList list{&holder, 5};
  TNumbersFixture() {
    TGrid_data_rec stat_heading = TextCell(u"MI", false);
    TGrid_data_rec stat = ShownNumber(3.2f, 1, true);
    stat.visible = false;
    TGrid_data_rec left_hidden = ShownNumber(4, 0, false);
    left_hidden.visible = false;
    TGrid_data_rec n1 = NumberCell(1), n2 = NumberCell(2);
    list.rows = {{TextCell(u"N"), TextCell(u"Word"), stat_heading, TextCell(u"Total"), TextCell(u"Share"),
                  TextCell(u"Left")},
                 {n1, TextCell(u"THE"), stat, ShownNumber(132, 0, false), ShownNumber(10.8812345f, 2, true),
                  ShownNumber(60, 0, false)},
                 {n2, TextCell(u"OF"), stat, ShownNumber(7, 0, false), ShownNumber(0.5f, 2, true), left_hidden}};
    list.UseRow0AsHeadings();
  }
};

}  // namespace

// Numbers without a text of their own are written as the grid shows them; the heading row and
// every data row have the same fields (a column hidden on every row is left out of all of them,
// a cell hidden in one row keeps its place, empty).
TEST(ListExport, NumbersAreWrittenAsShownAndRowsMatchTheHeadings) {
  TempFolder tmp;
  TNumbersFixture f;
  const UString txt = tmp.Path() + u"numbers.txt";
  ASSERT_TRUE(ExportListAsTXT(f.list, f.holder, txt));
  const std::vector<std::vector<UString>> expected = {{u"N", u"Word", u"Total", u"Share", u"Left"},
                                                      {u"1", u"THE", u"132", u"10.88", u"60"},
                                                      {u"2", u"OF", u"7", u"0.50", u""}};
  EXPECT_EQ(TextExportFields(txt), expected);

  const UString xml = tmp.Path() + u"numbers.xml";
  ASSERT_TRUE(ExportListAsXML(f.list, f.holder, xml));
  const std::string x = FileAsString(xml);
  for (const char* element : {"<Total3>132</Total3>", "<Share4>10.88</Share4>", "<Total3>7</Total3>",
                              "<Share4>0.50</Share4>", "<Left5>60</Left5>"})
    EXPECT_NE(x.find(element), std::string::npos) << element;
  EXPECT_EQ(x.find("MI"), std::string::npos);

  const UString rtf = tmp.Path() + u"numbers.rtf";
  ASSERT_TRUE(ExportListAsRTF(f.list, f.holder, rtf, u""));
  const UString read = ReadRtf(FileAsString(rtf)).text;
  EXPECT_NE(read.find(u"N\tWord\tTotal\tShare\tLeft\n1\tTHE\t132\t10.88\t60\n2\tOF\t7\t0.50\t\n"), UString::npos)
      << U8(read);
}

namespace {

// The number format of a cell of a written workbook ("General" when it has none).
std::string FormatCodeOf(const std::string& sheet, const std::string& styles, const std::string& ref) {
  const size_t at = sheet.find("<c r=\"" + ref + "\"");
  if (at == std::string::npos) return "missing";
  const size_t end = sheet.find('>', at);
  const size_t s = sheet.find(" s=\"", at);
  if (s == std::string::npos || s > end) return "General";
  const int xf = std::stoi(sheet.substr(s + 4));
  size_t p = styles.find("<cellXfs");
  for (int i = 0; i <= xf && p != std::string::npos; ++i) p = styles.find("<xf ", p + 1);
  if (p == std::string::npos) return "no style";
  const size_t id_at = styles.find("numFmtId=\"", p);
  const int id = std::stoi(styles.substr(id_at + 10));
  switch (id) {
    case 0: return "General";
    case 3: return "#,##0";
    case 4: return "#,##0.00";
    default: break;
  }
  const size_t def = styles.find("<numFmt numFmtId=\"" + std::to_string(id) + "\" formatCode=\"");
  if (def == std::string::npos) return "undefined";
  const size_t from = styles.find("formatCode=\"", def) + 12;
  return styles.substr(from, styles.find('"', from) - from);
}

// The horizontal alignment of a cell's style ("general" when none is set).
std::string AlignmentOf(const std::string& sheet, const std::string& styles, const std::string& ref) {
  const size_t at = sheet.find("<c r=\"" + ref + "\"");
  if (at == std::string::npos) return "missing";
  const size_t end = sheet.find('>', at);
  const size_t s = sheet.find(" s=\"", at);
  if (s == std::string::npos || s > end) return "general";
  const int xf = std::stoi(sheet.substr(s + 4));
  size_t p = styles.find("<cellXfs");
  for (int i = 0; i <= xf && p != std::string::npos; ++i) p = styles.find("<xf ", p + 1);
  if (p == std::string::npos) return "no style";
  const size_t close = styles.find("</xf>", p), next = styles.find("<xf ", p + 1);
  const size_t h = styles.find("horizontal=\"", p);
  if (h == std::string::npos || h > std::min(close, next)) return "general";
  return styles.substr(h + 12, styles.find('"', h + 12) - h - 12);
}

std::string ValueOf(const std::string& sheet, const std::string& ref) {
  const size_t at = sheet.find("<c r=\"" + ref + "\"");
  if (at == std::string::npos) return "missing";
  const size_t v = sheet.find("<v>", at);
  if (v == std::string::npos || v > sheet.find("</c>", at)) return "no value";
  return sheet.substr(v + 3, sheet.find("</v>", v) - v - 3);
}

}  // namespace

// A text's date is a date in the workbook, which the sheet can sort and reckon with; one before
// the sheet's calendar starts keeps its text.
TEST(ListExport, WorkbookDatesAreDatesWhereTheSheetCanHoldThem) {
  TempFolder tmp;
  TVXBaseHolder holder;
  TGivenRowsList list{&holder};
  auto date_cell = [](int year, int month, int day, int hour, int minute, int second) {
    TDateTime d = 0;
    EXPECT_TRUE(TryEncodeDateTime(year, month, day, hour, minute, second, d));
    TGrid_data_rec c = TextCell(DateTimeToUStr(d));
    c.date = DateTimeToJulianAddingConst(d);
    return c;
  };
  list.rows = {{TextCell(u"File"), TextCell(u"Date")},
               {TextCell(u"report_199.txt"), date_cell(2019, 4, 20, 12, 0, 0)},
               {TextCell(u"1790_address.txt"), date_cell(1790, 1, 8, 0, 0, 0)}};
  list.UseRow0AsHeadings();
  const UString name = tmp.Path() + u"dates.xlsx";
  ASSERT_TRUE(ExportListAsExcel(list, holder, name, u""));
  const std::string sheet = ZipMember(name, u"xl/worksheets/sheet1.xml");
  const std::string styles = ZipMember(name, u"xl/styles.xml");
  // 2019-04-20 is day 43,575 of the sheet's calendar, noon half a day on.
  EXPECT_EQ(ValueOf(sheet, "B6"), "43575.5");
  EXPECT_EQ(FormatCodeOf(sheet, styles, "B6"), "yyyy-mm-dd hh:mm:ss");
  EXPECT_EQ(AlignmentOf(sheet, styles, "B6"), "right");
  const size_t old = sheet.find("<c r=\"B7\"");
  ASSERT_NE(old, std::string::npos);
  const std::string cell = sheet.substr(old, sheet.find("</c>", old) - old);
  EXPECT_EQ(cell.find("<v>"), std::string::npos) << cell;
  EXPECT_NE(cell.find("1790-01-08"), std::string::npos) << cell;
}

// In a workbook numbers are stored whole under a format that shows the grid's decimals (10.881234
// shown as 10.88); the search word has no blanks added around it.
TEST(ListExport, WorkbookNumbersCarryTheGridsDecimals) {
  TempFolder tmp;
  TNumbersFixture f;
  f.list.rows[0].push_back(TextCell(u"Concordance"));
  f.list.rows[1].push_back(LineCell(u"from our Government .", 9, 10));
  f.list.rows[2].push_back(LineCell(u"Government of", 0, 10));
  f.list.UseRow0AsHeadings();
  SetConcCharactersForTextOnly(0);
  const UString name = tmp.Path() + u"numbers.xlsx";
  ASSERT_TRUE(ExportListAsExcel(f.list, f.holder, name, u""));
  const std::string sheet = ZipMember(name, u"xl/worksheets/sheet1.xml");
  const std::string styles = ZipMember(name, u"xl/styles.xml");
  ASSERT_TRUE(ParseXml(sheet).ok && ParseXml(styles).ok);
  // Headings on row 5, data on rows 6 and 7; grid column c in spreadsheet column c + 1.
  struct Cell {
    const char* ref;
    const char* value;
    const char* format;
  } cells[] = {{"A6", "1", "#,##0"},     {"D6", "132", "#,##0"}, {"E6", "10.881234", "#,##0.00"},
               {"F6", "60", "#,##0"},    {"D7", "7", "#,##0"},   {"E7", "0.5", "#,##0.00"}};
  for (const Cell& c : cells) {
    EXPECT_EQ(ValueOf(sheet, c.ref), c.value) << c.ref;
    EXPECT_EQ(FormatCodeOf(sheet, styles, c.ref), c.format) << c.ref;
    // Numbers stand right-aligned, as the grid shows them, in whatever column.
    EXPECT_EQ(AlignmentOf(sheet, styles, c.ref), "right") << c.ref;
  }
  EXPECT_NE(sheet.find("<c r=\"D5\""), std::string::npos);
  EXPECT_EQ(sheet.find("<c r=\"C5\""), std::string::npos);  // the hidden statistic, heading too
  EXPECT_EQ(sheet.find("<c r=\"C6\""), std::string::npos);
  EXPECT_EQ(sheet.find("<c r=\"F7\""), std::string::npos);  // hidden in its row only
  // The lines as the grid shows them: no blank added beside the search word.
  EXPECT_NE(sheet.find(">from our </t>"), std::string::npos) << sheet;
  EXPECT_NE(sheet.find("<t>Government</t>"), std::string::npos) << sheet;
  EXPECT_NE(sheet.find("<t xml:space=\"preserve\"> .</t>"), std::string::npos) << sheet;
  EXPECT_NE(sheet.find("<t xml:space=\"preserve\"> of</t>"), std::string::npos) << sheet;
  for (const char* doubled : {"our  ", "> Government", "Government ", ">  ."})
    EXPECT_EQ(sheet.find(doubled), std::string::npos) << doubled;
}

// A fresh store exports concordance lines whole, and the workbook's note says so; a setting
// cuts each side to half of it.
TEST(ListExport, ConcordanceCharactersOfAFreshStoreExportWholeLines) {
  text_reader_test::ScopedSettings settings;
  EXPECT_EQ(GetConcCharactersForTextOnly(), 0);
  const UString left(480, u'l'), right(500, u'r');
  struct Case {
    int32_t setting;  // -1: as a fresh store has it
    size_t left_kept, right_kept;
    UString note;
  } cases[] = {{-1, 480, 500, u"(" + VXRes(TVXRes::VXWholeLinesSavedPerEntry) + u")"},
               {40, 20, 20, u"(" + VXResFmt(TVXRes::VXNmanyCharactersSavedPerEntry, {u"40"}) + u")"}};
  for (const Case& c : cases) {
    if (c.setting >= 0) SetConcCharactersForTextOnly(c.setting);
    TempFolder tmp;
    TVXBaseHolder holder;
    TGivenRowsList list(&holder, 10);
    list.rows = {{TextCell(u"N"), TextCell(u"Concordance")}, {NumberCell(1), LineCell(left + u"HIT" + right, 480, 3)}};
    list.UseRow0AsHeadings();
    const UString txt = tmp.Path() + u"lines.txt";
    ASSERT_TRUE(ExportListAsTXT(list, holder, txt));
    const std::vector<std::vector<UString>> rows = TextExportFields(txt);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[1][1], UString(c.left_kept, u'l') + u"HIT" + UString(c.right_kept, u'r')) << c.setting;
    const UString xlsx = tmp.Path() + u"lines.xlsx";
    ASSERT_TRUE(ExportListAsExcel(list, holder, xlsx, u""));
    EXPECT_NE(ZipMember(xlsx, u"xl/worksheets/sheet1.xml").find(U8(c.note)), std::string::npos) << c.setting;
  }
}

// --- columns the user added, in the grid's layout ----------------------------------------------

namespace {

// Words with two numbers the grid shows without a text of their own: column 2 the frequency,
// column 3 the word's length.
class TFreqLengthList : public TTestWordList {
 public:
  explicit TFreqLengthList(TVXBaseHolder* holder) : TTestWordList(holder) {
    SetHeadings({u"N", u"Word", u"Freq", u"Length"});
  }
  void DrawgridDataRec(int col, int row, TGrid_data_rec& cell, int kind_of_display) override {
    TTestWordList::DrawgridDataRec(col, row, cell, kind_of_display);
    if (row < 1 || (col != 2 && col != 3) || !At(row - 1)) return;
    cell.text.clear();
    cell.has_text = false;
    cell.has_number = true;
    cell.number.value = static_cast<float>(col == 2 ? At(row - 1)->freq : At(row - 1)->word.size());
  }
};

// the (40), cat (6), sat (3); a computed column Freq / Length moved before Freq, a set column
// with two categories, Length hidden and a threshold of 5 on Freq.
struct TAddedColumnsFixture {
  TVXBaseHolder holder;
  TFreqLengthList list{&holder};
  int computed = -1, set = -1;
  TAddedColumnsFixture() {
    list.Fill({{u"the", 40}, {u"cat", 6}, {u"sat", 3}});
    EnsureGridHeadings(list);
    UString why;
    computed = AddFormulaColumn(list, u"COL(\"Freq\") / COL(\"Length\")", why);
    set = list.AddSetColumn();
    TGrid_head32 h;
    h.column_number = static_cast<int16_t>(set);
    h.heading = u"Set 1";
    h.added = 1;
    h.set_column = 1;
    h.case_allowed = 1;
    list.grid_headings.push_back(h);
    list.SetAddedCellText(set, 0, u"noun");
    list.SetAddedCellText(set, 2, u"verb");
    TGrid_header_array& heads = list.grid_headings;
    heads[static_cast<size_t>(HeadingIndexOfColumn(heads, 3))].visible = false;
    heads[static_cast<size_t>(HeadingIndexOfColumn(heads, 2))].threshold = 5;
    ExchangeTwoHeadings(heads, HeadingIndexOfColumn(heads, 2), HeadingIndexOfColumn(heads, computed));
  }
};

const UString kFormula = u"COL(\"Freq\") / COL(\"Length\")";

// The rows worked out by hand: 40 / 3 = 13.33, 6 / 3 = 2, 3 / 3 = 1 (two decimals); sat's 3 is
// below the threshold; cat has no category.
const std::vector<std::vector<UString>> kAddedColumnsRows = {{u"N", u"Word", kFormula, u"Freq", u"Set 1"},
                                                            {u"1", u"the", u"13.33", u"40", u"noun"},
                                                            {u"2", u"cat", u"2.00", u"6", u""},
                                                            {u"3", u"sat", u"1.00", u"", u"verb"}};

// The text of a workbook cell: its inline or shared string, or its value.
std::string SheetText(const std::string& sheet, const std::string& ref) {
  const size_t at = sheet.find("<c r=\"" + ref + "\"");
  if (at == std::string::npos) return "missing";
  const size_t end = sheet.find("</c>", at);
  const size_t t = sheet.find("<t", at);
  if (t != std::string::npos && t < end) {
    const size_t from = sheet.find('>', t) + 1;
    return sheet.substr(from, sheet.find("</t>", from) - from);
  }
  return ValueOf(sheet, ref);
}

// A cell of a written workbook: its text (SheetText) and, when given, its number format.
struct TSheetCell {
  const char* ref;
  std::string text;
  const char* format;  // nullptr: not checked
};

// Writes the list as a workbook and checks the cells of its first sheet.
void ExpectWorkbookCells(TExportList& list, TVXBaseHolder& holder, const UString& name,
                         std::initializer_list<TSheetCell> cells) {
  ASSERT_TRUE(ExportListAsExcel(list, holder, name, u""));
  const std::string sheet = ZipMember(name, u"xl/worksheets/sheet1.xml");
  const std::string styles = ZipMember(name, u"xl/styles.xml");
  ASSERT_TRUE(ParseXml(sheet).ok && ParseXml(styles).ok);
  for (const TSheetCell& c : cells) {
    EXPECT_EQ(SheetText(sheet, c.ref), c.text) << c.ref;
    if (c.format) {
      EXPECT_EQ(FormatCodeOf(sheet, styles, c.ref), c.format) << c.ref;
    }
  }
}

}  // namespace

// Added columns are written like the others: in the layout's order, with the headings and values
// the grid shows, hidden columns left out; the heading row and the data rows from one column list.
TEST(ListExport, AddedColumnsInLayoutOrderInEveryFormat) {
  TempFolder tmp;
  TAddedColumnsFixture f;
  ASSERT_GE(f.computed, 0);
  EXPECT_EQ(ExportedColumns(f.list, f.holder), (std::vector<int>{0, 1, f.computed, 2, f.set}));

  const UString txt = tmp.Path() + u"added.txt";
  ASSERT_TRUE(ExportListAsTXT(f.list, f.holder, txt));
  EXPECT_EQ(TextExportFields(txt), kAddedColumnsRows);

  // The grid shows the same fields.
  TGridCellSource grid;
  grid.SetList(&f.list);
  for (int r = 0; r <= 3; ++r) {
    const std::vector<TGrid_data_rec> shown = grid.RowCells(r);
    ASSERT_EQ(shown.size(), kAddedColumnsRows[static_cast<size_t>(r)].size()) << r;
    for (size_t k = 0; k < shown.size(); ++k)
      EXPECT_EQ(U8(GridCellText(shown[k])), U8(kAddedColumnsRows[static_cast<size_t>(r)][k])) << r << " " << k;
  }

  const UString xml = tmp.Path() + u"added.xml";
  ASSERT_TRUE(ExportListAsXML(f.list, f.holder, xml));
  const TParsedXml x = ParseXml(FileAsString(xml));
  ASSERT_TRUE(x.ok) << x.error;
  // Root, list, then per row its element and five cells, named from the heading and the place.
  const std::vector<std::string> names = {"N", "Word1", "COL__Freq_____COL__Length__2", "Freq3", "Set__4"};
  ASSERT_EQ(x.elements.size(), 2u + 4u * 6u);
  for (size_t r = 0; r < 4; ++r) {
    EXPECT_EQ(x.elements[2 + r * 6], "Row" + std::to_string(r));
    for (size_t k = 0; k < 5; ++k) {
      EXPECT_EQ(x.elements[3 + r * 6 + k], names[k]) << r;
      // Texts come in closing order: the five cells of a row, then the row.
      EXPECT_EQ(x.texts[r * 6 + k], U8(kAddedColumnsRows[r][k])) << r << " " << k;
    }
  }

  const UString rtf = tmp.Path() + u"added.rtf";
  ASSERT_TRUE(ExportListAsRTF(f.list, f.holder, rtf, u""));
  UString lines;
  for (const auto& row : kAddedColumnsRows) {
    for (size_t k = 0; k < row.size(); ++k) lines += (k ? u"\t" : u"") + row[k];
    lines += u"\n";
  }
  EXPECT_NE(ReadRtf(FileAsString(rtf)).text.find(lines), UString::npos) << U8(ReadRtf(FileAsString(rtf)).text);

  // Headings on row 5, data from row 6; the column at place p in spreadsheet column p + 1; a
  // computed value stored whole (40 / 3) under its two decimals.
  const UString xlsx = tmp.Path() + u"added.xlsx";
  ExpectWorkbookCells(f.list, f.holder, xlsx,
                      {{"B5", "Word", nullptr},     {"D5", "Freq", nullptr},     {"E5", "Set 1", nullptr},
                       {"C6", "13.333333", "#,##0.00"}, {"C7", "2", "#,##0.00"},  {"C8", "1", "#,##0.00"},
                       {"D6", "40", "#,##0"},       {"D7", "6", "#,##0"},        {"D8", "missing", nullptr},
                       {"E6", "noun", nullptr},     {"E7", "missing", nullptr},  {"E8", "verb", nullptr},
                       {"B8", "sat", nullptr},      {"F5", "missing", nullptr}});
  const std::string sheet = ZipMember(xlsx, u"xl/worksheets/sheet1.xml");
  EXPECT_NE(SheetText(sheet, "C5").find("Length"), std::string::npos);
}

// Choosing columns names their places in the layout: the computed column at place 2 and the set
// column at place 4 are written without the others.
TEST(ListExport, ChosenColumnsAreThePlacesOfTheLayout) {
  TempFolder tmp;
  TAddedColumnsFixture f;
  f.holder.export_all_columns = false;
  f.holder.selected_columns = {1, 2, 4};
  const UString txt = tmp.Path() + u"chosen.txt";
  ASSERT_TRUE(ExportListAsTXT(f.list, f.holder, txt));
  const std::vector<std::vector<UString>> expected = {{u"Word", kFormula, u"Set 1"},
                                                      {u"the", u"13.33", u"noun"},
                                                      {u"cat", u"2.00", u""},
                                                      {u"sat", u"1.00", u"verb"}};
  EXPECT_EQ(TextExportFields(txt), expected);
}

namespace {

// A list of known numbers with no heading settings of its own: whether a column holds numbers is
// found from its cells. Its totals row sums each number column.
struct TTotalsFixture {
  TVXBaseHolder holder;
  TGivenRowsList list{&holder};
  TTotalsFixture() {
    auto share = [](float v) {
      TGrid_data_rec c;
      c.has_number = true;
      c.number.kind = 2;
      c.number.is_real = true;
      c.number.value = v;
      c.decimals = 2;
      return c;
    };
    list.rows = {{TextCell(u"N"), TextCell(u"Word"), TextCell(u"Freq"), TextCell(u"Share")},
                 {NumberCell(1), TextCell(u"the"), NumberCell(40), share(12.5f)},
                 {NumberCell(2), TextCell(u"cat"), NumberCell(6), share(30.25f)},
                 {NumberCell(3), TextCell(u"sat"), NumberCell(3), share(7.25f)}};
    list.UseRow0AsHeadings();
    list.totals = {TextCell(u"Total"), TextCell(u"3 words"), TGrid_data_rec(), TGrid_data_rec()};
    for (size_t c = 2; c < 4; ++c) {
      double sum = 0;
      for (size_t r = 1; r < list.rows.size(); ++r) sum += list.rows[r][c].number.value;
      list.totals[c] = c == 2 ? NumberCell(static_cast<float>(sum)) : share(static_cast<float>(sum));
    }
  }
};

}  // namespace

// Totals go under every column that holds numbers, though the list gives no heading settings: 40 +
// 6 + 3 = 49 and 12.5 + 30.25 + 7.25 = 50.00; the word column gets none, the label its place.
TEST(ListExport, WorkbookTotalsUnderTheColumnsThatHoldNumbers) {
  TempFolder tmp;
  TTotalsFixture f;
  ASSERT_TRUE(f.list.heading_settings.empty());
  const UString name = tmp.Path() + u"totals.xlsx";
  ExpectWorkbookCells(f.list, f.holder, name,
                      {{"B4", "Total: ", nullptr}, {"C4", "49", "#,##0"}, {"D4", "50", "#,##0.00"},
                       {"A4", "missing", nullptr}, {"C7", "40", "#,##0"}, {"D9", "7.25", "#,##0.00"}});
  EXPECT_NE(ZipMember(name, u"xl/worksheets/sheet1.xml").find(U8(VXRes(TVXRes::VXWithColumnTotals))),
            std::string::npos);
  // A layout that moves the word column takes the label with it.
  EnsureGridHeadings(f.list);
  ExchangeTwoHeadings(f.list.grid_headings, 1, 3);
  ASSERT_TRUE(ExportListAsExcel(f.list, f.holder, name, u""));
  const std::string moved = ZipMember(name, u"xl/worksheets/sheet1.xml");
  EXPECT_EQ(SheetText(moved, "D4"), "Total: ");
  EXPECT_EQ(SheetText(moved, "B4"), "50");
  EXPECT_EQ(SheetText(moved, "C4"), "49");
}

// "Separate thousands" groups the whole part of every number a text export writes; text cells and
// a list saved without the choice keep their digits as they are.
TEST(ListExport, SeparateThousandsGroupsTheNumbersOfATextExport) {
  const struct {
    const char* shown;
    const char* grouped;
  } cases[] = {{"7", "7"},           {"999", "999"},         {"3059", "3,059"},          {"-3059", "-3,059"},
               {"1234567", "1,234,567"}, {"10.88", "10.88"},  {"12345.25", "12,345.25"}, {"", ""},
               {"1e+20", "1e+20"},   {"-", "-"}};
  setenv("LC_NUMERIC", "en_US.UTF-8", 1);
  for (const auto& c : cases) EXPECT_EQ(U8(GroupedNumberText(Utf8ToUtf16(c.shown))), c.grouped) << c.shown;
  unsetenv("LC_NUMERIC");

  TempFolder tmp;
  TListFixture f;
  f.list.rows[1][2] = NumberCell(3059);
  f.list.rows[2][1] = TextCell(u"4096");
  for (const bool grouped : {false, true}) {
    f.holder.export_thousands_separator = grouped;
    const UString name = tmp.Path() + (grouped ? u"grouped.txt" : u"plain.txt");
    ASSERT_TRUE(ExportListAsTXT(f.list, f.holder, name));
    EXPECT_EQ(FileAsString(name), Utf16File(grouped ? u"N\tWord\tFreq\n1\ta&b\t3,059\n2\t4096\t<x>\n"
                                                    : u"N\tWord\tFreq\n1\ta&b\t3059\n2\t4096\t<x>\n"));
  }
}
