#include "shell/settings/page_setup_rules.h"

#include <gtest/gtest.h>

#include "model/text_reader_test_support.h"
#include "platform/settings/settings_access.h"
#include "shell/main_window/main_window_rules.h"

namespace {

class PageSetupRulesTest : public testing::Test {
 protected:
  text_reader_test::ScopedSettings settings;
};

}  // namespace

TEST(PageSetupUnits, LengthsConvertThroughHundredthsOfAMillimetre) {
  struct Case {
    int32_t hundredths;
    TPageUnit unit;
    double shown;
  };
  for (const Case& c : {Case{21000, TPageUnit::Millimetres, 210.0}, Case{21000, TPageUnit::Inches, 8.27},
                        Case{2540, TPageUnit::Inches, 1.0}, Case{1500, TPageUnit::Inches, 0.59},
                        Case{0, TPageUnit::Inches, 0.0}, Case{1, TPageUnit::Millimetres, 0.01}}) {
    EXPECT_DOUBLE_EQ(FromHundredthsOfMm(c.hundredths, c.unit), c.shown) << c.hundredths;
  }
  EXPECT_EQ(ToHundredthsOfMm(1.0, TPageUnit::Inches), 2540);
  EXPECT_EQ(ToHundredthsOfMm(8.5, TPageUnit::Inches), 21590);
  EXPECT_EQ(ToHundredthsOfMm(297.0, TPageUnit::Millimetres), 29700);
  // Letter paper in inches, shown in millimetres and back.
  TPageSetupChoice letter;
  letter.unit = TPageUnit::Inches;
  letter.paper_width = 8.5;
  letter.paper_height = 11.0;
  letter.margins = {1.0, 0.5, 1.0, 0.5};
  const TPageSetupChoice mm = InUnit(letter, TPageUnit::Millimetres);
  EXPECT_DOUBLE_EQ(mm.paper_width, 215.9);
  EXPECT_DOUBLE_EQ(mm.paper_height, 279.4);
  EXPECT_DOUBLE_EQ(mm.margins[1], 12.7);
  EXPECT_EQ(InUnit(mm, TPageUnit::Inches), letter);
}

TEST_F(PageSetupRulesTest, WhatIsAppliedIsWhatPrintingAndTheCloudRead) {
  EXPECT_EQ(CurrentPageSetup(), TPageSetupChoice());  // A4 portrait, 15 mm margins, a PDF file
  TPageSetupChoice c;
  c.printer_name = u"Office laser";
  c.unit = TPageUnit::Inches;
  c.paper_width = 8.5;
  c.paper_height = 11.0;
  c.margins = {1.0, 0.5, 0.5, 0.5};
  c.landscape = true;
  c.grey = true;
  c.plain_lines = true;
  TPrintPageRec before = GetPrintPageRec();
  before.SetHeader(u"my header");
  before.SetHeaderWanted(true);
  SetPrintPageRec(before);
  ASSERT_TRUE(ApplyPageSetup(c).empty());
  EXPECT_EQ(CurrentPageSetup(), c);
  const TPrintPageRec page = GetPrintPageRec();
  EXPECT_EQ(page.PageWidth(), 21590);
  EXPECT_EQ(page.PageHeight(), 27940);
  EXPECT_EQ(page.Margins(), (std::array<int32_t, 4>{2540, 1270, 1270, 1270}));
  EXPECT_TRUE(page.Landscape());
  EXPECT_TRUE(page.Monochrome());
  EXPECT_EQ(page.Header(), u"my header");  // the preview's own fields stay
  EXPECT_TRUE(page.HeaderWanted());
  // Lying: 11 in across less 1.5 in of margins, 8.5 in down less 1 in, at 100 dots an inch.
  const TPrinterRec printer = GetPrinterRec();
  EXPECT_EQ(printer.PrinterName(), u"Office laser");
  EXPECT_DOUBLE_EQ(printer.PageMeasure(), 100.0);
  EXPECT_EQ(printer.PageWidth(), 950);
  EXPECT_EQ(printer.PageHeight(), 750);
  EXPECT_EQ(GetPrinterPrefs().MeasurementUnit(), 1);
  // The plain-lines choice is byte 1 of the printer preferences, beside the unit in byte 0.
  EXPECT_EQ(GetPrinterPrefs().bytes[0], 1);
  EXPECT_EQ(GetPrinterPrefs().bytes[1], 1);
  c.plain_lines = false;
  ASSERT_TRUE(ApplyPageSetup(c).empty());
  EXPECT_FALSE(GetPrinterPrefs().PlainLines());
  EXPECT_EQ(GetPrinterPrefs().MeasurementUnit(), 1);
}

TEST_F(PageSetupRulesTest, BadFieldsAreNamedAndNothingIsStored) {
  const TPrintPageRec page = GetPrintPageRec();
  const TPrinterRec printer = GetPrinterRec();
  const std::pair<std::function<void(TPageSetupChoice&)>, const char16_t*> cases[] = {
      {[](TPageSetupChoice& c) { c.paper_width = 49.0; }, u"Paper width: not from 50 mm to 1200 mm"},
      {[](TPageSetupChoice& c) { c.paper_height = 1201.0; }, u"Paper height: not from 50 mm to 1200 mm"},
      {[](TPageSetupChoice& c) {
         c.unit = TPageUnit::Inches;
         c.paper_width = 1.0;
         c.paper_height = 11.0;
       },
       u"Paper width: not from 2 inches to 47.2 inches"},
      {[](TPageSetupChoice& c) { c.margins[3] = -1.0; }, u"Bottom margin: below 0"},
      {[](TPageSetupChoice& c) { c.margins[0] = c.margins[2] = 96.0; },
       u"Left margin: with the right margin it leaves less than 20 mm of the page's width"},
      {[](TPageSetupChoice& c) {
         c.landscape = true;
         c.margins[1] = c.margins[3] = 96.0;
       },
       u"Top margin: with the bottom margin it leaves less than 20 mm of the page's height"},
      {[](TPageSetupChoice& c) { c.printer_name = UString(80, u'p'); }, u"Printer: the name is longer than 79 characters"},
  };
  for (const auto& [change, said] : cases) {
    TPageSetupChoice c;
    change(c);
    const std::vector<UString> problems = ApplyPageSetup(c);
    ASSERT_EQ(problems.size(), 1u) << Utf16ToUtf8(said);
    EXPECT_EQ(problems[0], said);
  }
  // Portrait, such top and bottom margins leave 105 mm: accepted.
  TPageSetupChoice tall;
  tall.margins[1] = tall.margins[3] = 96.0;
  EXPECT_TRUE(ApplyPageSetup(tall).empty());
  SetPrintPageRec(page);
  SetPrinterRec(printer);
}
