// The page set-up without a window: the printer, the paper, its margins and orientation, and the
// unit they are shown in. The print preview and printing read the page record and the printer's
// name each time they start; the word cloud sizes its picture to the printable part of the page
// the printer record describes.
//   - page record: paper width and height, margins (left, top, right, bottom), landscape, grey;
//   - printer record: the printer's name (empty: the PDF file printer), and the printable part of
//     the page, kept as dots at kPageSetupDotsPerInch;
//   - printer preferences: millimetres or inches, and whether concordance lines print plain
//     (without the coloured marks the screen shows).
// Sizes are given in the unit chosen. ApplyPageSetup checks every field first; one bad value and
// nothing is written, and each problem names its field.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "platform/rtl/ustring.h"

inline constexpr double kPageSetupDotsPerInch = 100.0;
inline constexpr double kLeastPaperMillimetres = 50.0;
inline constexpr double kMostPaperMillimetres = 1200.0;
inline constexpr double kLeastPrintableMillimetres = 20.0;  // left between the margins either way

enum class TPageUnit : uint8_t { Millimetres = 0, Inches = 1 };

struct TPageSetupChoice {
  UString printer_name;  // empty: a PDF file
  TPageUnit unit = TPageUnit::Millimetres;
  double paper_width = 210.0;
  double paper_height = 297.0;
  std::array<double, 4> margins{15.0, 15.0, 15.0, 15.0};  // left, top, right, bottom
  bool landscape = false;
  bool grey = false;
  bool plain_lines = false;  // concordance lines printed without coloured marks
  bool operator==(const TPageSetupChoice&) const = default;
};

// A length in the unit, from hundredths of a millimetre and back (rounded to a hundredth).
double FromHundredthsOfMm(int32_t v, TPageUnit unit);
int32_t ToHundredthsOfMm(double v, TPageUnit unit);
// The same choice with its sizes in the other unit.
TPageSetupChoice InUnit(const TPageSetupChoice& c, TPageUnit unit);

TPageSetupChoice CurrentPageSetup();
// The problems, one line each naming its field; empty when everything was stored.
std::vector<UString> ApplyPageSetup(const TPageSetupChoice& choice);
