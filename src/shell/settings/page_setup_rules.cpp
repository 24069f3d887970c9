#include "shell/settings/page_setup_rules.h"

#include <cmath>

#include "platform/settings/settings_access.h"
#include "shell/main_window/main_window_rules.h"

namespace {

constexpr double kMmPerInch = 25.4;
constexpr size_t kPrinterNameUnits = 79;  // the record's 80 units less the terminator
const char16_t* const kMarginFields[4] = {u"Left margin", u"Top margin", u"Right margin", u"Bottom margin"};

double ToMm(double v, TPageUnit unit) { return unit == TPageUnit::Inches ? v * kMmPerInch : v; }

UString UnitName(TPageUnit unit) { return unit == TPageUnit::Inches ? u"inches" : u"mm"; }

UString Shown(double mm, TPageUnit unit) {
  const double v = unit == TPageUnit::Inches ? mm / kMmPerInch : mm;
  const int64_t tenths = std::llround(v * 10.0);
  UString s = IntToUStr(tenths / 10);
  if (tenths % 10 != 0) s += u"." + IntToUStr(tenths % 10);
  return s + u" " + UnitName(unit);
}

std::vector<UString> Problems(const TPageSetupChoice& c) {
  std::vector<UString> p;
  if (c.printer_name.size() > kPrinterNameUnits)
    p.push_back(u"Printer: the name is longer than " + IntToUStr(static_cast<int64_t>(kPrinterNameUnits)) + u" characters");
  const double width = ToMm(c.paper_width, c.unit), height = ToMm(c.paper_height, c.unit);
  for (const auto& [field, mm] : {std::pair<const char16_t*, double>{u"Paper width", width}, {u"Paper height", height}})
    if (!(mm >= kLeastPaperMillimetres && mm <= kMostPaperMillimetres))
      p.push_back(UString(field) + u": not from " + Shown(kLeastPaperMillimetres, c.unit) + u" to " +
                  Shown(kMostPaperMillimetres, c.unit));
  bool margins_ok = true;
  for (size_t i = 0; i < 4; ++i)
    if (!(c.margins[i] >= 0.0 && std::isfinite(c.margins[i]))) {
      p.push_back(UString(kMarginFields[i]) + u": below 0");
      margins_ok = false;
    }
  if (!margins_ok || !p.empty()) return p;
  // The paper as it lies: landscape turns it.
  const double across = c.landscape ? height : width, down = c.landscape ? width : height;
  if (across - ToMm(c.margins[0] + c.margins[2], c.unit) < kLeastPrintableMillimetres)
    p.push_back(u"Left margin: with the right margin it leaves less than " + Shown(kLeastPrintableMillimetres, c.unit) +
                u" of the page's width");
  if (down - ToMm(c.margins[1] + c.margins[3], c.unit) < kLeastPrintableMillimetres)
    p.push_back(u"Top margin: with the bottom margin it leaves less than " + Shown(kLeastPrintableMillimetres, c.unit) +
                u" of the page's height");
  return p;
}

}  // namespace

double FromHundredthsOfMm(int32_t v, TPageUnit unit) {
  const double mm = v / 100.0;
  return unit == TPageUnit::Inches ? std::round(mm / kMmPerInch * 100.0) / 100.0 : mm;
}

int32_t ToHundredthsOfMm(double v, TPageUnit unit) { return static_cast<int32_t>(std::llround(ToMm(v, unit) * 100.0)); }

TPageSetupChoice InUnit(const TPageSetupChoice& c, TPageUnit unit) {
  if (c.unit == unit) return c;
  TPageSetupChoice out = c;
  out.unit = unit;
  auto convert = [&](double v) { return FromHundredthsOfMm(ToHundredthsOfMm(v, c.unit), unit); };
  out.paper_width = convert(c.paper_width);
  out.paper_height = convert(c.paper_height);
  for (double& m : out.margins) m = convert(m);
  return out;
}

TPageSetupChoice CurrentPageSetup() {
  const TPrintPageRec page = GetPrintPageRec();
  TPageSetupChoice c;
  c.printer_name = GetPrinterRec().PrinterName();
  const TPrinterPrefsRec prefs = GetPrinterPrefs();
  c.unit = prefs.MeasurementUnit() == 1 ? TPageUnit::Inches : TPageUnit::Millimetres;
  c.plain_lines = prefs.PlainLines();
  c.paper_width = FromHundredthsOfMm(page.PageWidth(), c.unit);
  c.paper_height = FromHundredthsOfMm(page.PageHeight(), c.unit);
  const std::array<int32_t, 4> m = page.Margins();
  for (size_t i = 0; i < 4; ++i) c.margins[i] = FromHundredthsOfMm(m[i], c.unit);
  c.landscape = page.Landscape();
  c.grey = page.Monochrome();
  return c;
}

std::vector<UString> ApplyPageSetup(const TPageSetupChoice& c) {
  std::vector<UString> problems = Problems(c);
  if (!problems.empty()) return problems;
  TPrintPageRec page = GetPrintPageRec();
  const int32_t width = ToHundredthsOfMm(c.paper_width, c.unit), height = ToHundredthsOfMm(c.paper_height, c.unit);
  std::array<int32_t, 4> m{};
  for (size_t i = 0; i < 4; ++i) m[i] = ToHundredthsOfMm(c.margins[i], c.unit);
  page.SetPageSize(width, height);
  page.SetMargins(m);
  page.SetLandscape(c.landscape);
  page.SetMonochrome(c.grey);
  SetPrintPageRec(page);

  // The printable part of the page as it lies, in dots.
  const int32_t across = (c.landscape ? height : width) - m[0] - m[2];
  const int32_t down = (c.landscape ? width : height) - m[1] - m[3];
  auto dots = [](int32_t hundredths) {
    return static_cast<int32_t>(std::llround(hundredths / 100.0 / kMmPerInch * kPageSetupDotsPerInch));
  };
  TPrinterRec printer = GetPrinterRec();
  printer.SetPrinterName(c.printer_name);
  printer.SetPageMeasure(kPageSetupDotsPerInch);
  printer.SetPageWidth(dots(across));
  printer.SetPageHeight(dots(down));
  SetPrinterRec(printer);

  TPrinterPrefsRec prefs = GetPrinterPrefs();
  prefs.SetMeasurementUnit(static_cast<uint8_t>(c.unit));
  prefs.SetPlainLines(c.plain_lines);
  SetPrinterPrefs(prefs);
  return problems;
}
