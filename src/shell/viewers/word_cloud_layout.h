// Laying a list's words out as a word cloud, without a window: each word sized by its frequency,
// the first at the centre, every later one at the centre or on growing rings around it, no two
// overlapping. The window measures and draws (shell/qt/word_cloud_painter.h); this unit only
// decides where each word goes and in what order the words are drawn.
//
// A layout, in order (LayOut):
//   1. the area is a grid of 3 x 3 pixel blocks, all free; a word claims every block its drawn
//      box touches (the box widened by the spacing factors, with a gap of CloudPadX and
//      CloudPadY pixels kept free on each side), so no two words touch and none meets the edge;
//   2. words come from the call-back, one record a call, until a record with frequency 0 or an
//      empty word. With the frequency range unknown (min_freq = max_freq = 0) the records (at
//      most 2000) are gathered, their range measured, and they are placed in descending order of
//      frequency (ties keep the source's order); with a range known they are placed as they
//      come (the source's order), up to the word numbered 2000;
//   3. a word's points: (frequency - min_freq) x multiplier + the minimum size (6 to 70), at most
//      the largest size, which grows from 40 by 5 for every doubling the area has room for (at most
//      120);
//   4. a word that finds no place is skipped and counted; after 10 such failures no further word
//      is placed;
//   5. the first ten words by number are drawn again at the end, so nothing covers them.
// Words numbered above 666 are drawn grey and without a shape.
//
// Only one layout runs at a time: the call-back may yield to the window's events (every 20 ms of
// work), and a second LayOut asked meanwhile is refused, ItemAt answers 0, and Cancel ends the
// layout at its next yield (the words placed so far stay).
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <vector>

#include "platform/rtl/ustring.h"
#include "platform/settings/settings_records.h"

// One word of a cloud: its text, frequency and 1-based position in its source.
struct TWordFreqAndSourceNum {
  UString word;
  int32_t freq = 0;
  int32_t number = 0;
};

class TWordFreqAndSourceNumList {
 public:
  void Add(TWordFreqAndSourceNum w) { items_.push_back(std::move(w)); }
  int Count() const { return static_cast<int>(items_.size()); }
  const TWordFreqAndSourceNum& operator[](int i) const { return items_[static_cast<size_t>(i)]; }
  // Descending frequency; equal frequencies keep their order.
  void SortOnFreqs();

 private:
  std::vector<TWordFreqAndSourceNum> items_;
};

// A string list with one 32-bit number per string.
class TStringListWithALongint {
 public:
  void Add(UStringView s, int32_t n) { items_.push_back({UString(s), n}); }
  int Count() const { return static_cast<int>(items_.size()); }
  const UString& Strings(int i) const { return items_[static_cast<size_t>(i)].first; }
  int32_t Longint(int i) const { return items_[static_cast<size_t>(i)].second; }
  void Clear() { items_.clear(); }

 private:
  std::vector<std::pair<UString, int32_t>> items_;
};

// Words with numbers as a cloud's source: a read cursor from 0.
class TMyCloudTXTList : public TStringListWithALongint {
 public:
  // The record at the cursor (number = cursor + 1, frequency = its number), or an all-zero
  // record past the end; the cursor moves on either way.
  void GetNextCloudDatum(TWordFreqAndSourceNum& rec);
  int cursor = 0;
};

// How the words are written: as they are, lower case, upper case, or with an initial capital.
enum TOutput_results_case : uint8_t { kOutputAsIs = 0, kOutputLower = 1, kOutputUpper = 2, kOutputInitialCapital = 3 };
UString OutputConvertedStr(UStringView word, uint8_t output_case);

struct TCloudPoint {
  int x = 0;
  int y = 0;
  bool operator==(const TCloudPoint&) const = default;
};
// Point i of a crown of n points of the radius around the centre: evenly spaced, point 0 to the
// right of the centre, the others following clockwise.
TCloudPoint CrownPos(int i, int n, int radius, TCloudPoint centre);

// Pixels; right and bottom exclusive.
struct TCloudRect {
  int left = -999;
  int top = 0;
  int right = 0;
  int bottom = 0;
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  bool Empty() const { return left <= -999 || right <= left || bottom <= top; }
};

struct TCloudTextSize {
  int cx = 0;
  int cy = 0;
};
// The pixels kept free left and right, and above and below, of a word cy pixels high.
int CloudPadX(int cy);
int CloudPadY(int cy);

// One word as it is drawn, in drawing order.
struct TCloudWordDraw {
  UString text;
  int32_t number = 0;
  int points = 0;
  TCloudRect rect;     // the blocks it claims
  int text_left = 0;   // where its text goes (the text's own box, centred in rect)
  int text_top = 0;
  TCloudTextSize size;
  uint32_t colour = 0;  // 0x00BBGGRR
  bool shape = false;
  bool redraw = false;  // a top-ten word drawn again at the end
};

inline constexpr uint32_t kCloudGreyColour = 0x908070;
// The minimum font size a cloud takes (a stored size outside is brought within).
inline constexpr int kCloudMinFontLowest = 6;
inline constexpr int kCloudMinFontHighest = 70;
// The colour by font size (0x00BBGGRR).
uint32_t CloudColourOfSize(int points);

class TWordCloud {
 public:
  using TWordCloudWordGetNext = std::function<void(TWordFreqAndSourceNum& rec)>;
  // The text's size in pixels at the given points.
  using TMeasure = std::function<TCloudTextSize(UStringView text, int points)>;
  using TYield = std::function<void()>;

  TWordCloud(int horiz_pixels, int vert_pixels, TWordCloudWordGetNext get_next = nullptr);

  void Clear();
  // The layout (see above). pixels_per_inch: of the surface (for the area's height in inches).
  // False when another layout is running.
  bool LayOut(const TMeasure& measure, double pixels_per_inch, const TYield& yield = nullptr);
  bool Busy() const { return busy_; }
  // Ends a running layout at its next yield.
  void Cancel() { cancel_ = true; }
  const std::vector<TCloudWordDraw>& Draws() const { return draws_; }
  // The number of the word whose blocks hold pixel (x, y) (0 for none or while laying out), and
  // the box it claims.
  int ItemAt(int x, int y, TCloudRect* box = nullptr) const;
  // The block owner, for tests (0 free).
  int32_t Occupied(int bx, int by) const { return occupied_[static_cast<size_t>(by) * blocks_horiz + bx]; }
  // The font size of a frequency under the current scale.
  int FontSizeOf(int32_t freq) const;
  // The scale for n words on an area of the given height in inches (sets max_font_size and
  // multiplier).
  void ComputeFontScale(int n, double height_inches);

  TWordCloudWordGetNext fOnWordCloudWordGetNext;
  TWordCloudSettingsRec CloudSettings{};
  float multiplier = 1.0f;
  int max_items_showable = 2000;
  int horiz_pixels = 0;
  int vert_pixels = 0;
  int max_font_size = 80;
  int blocks_horiz = 0;
  int blocks_vert = 0;
  int gap_between_blocks = 0;
  int fListItemsCount = 0;
  int current_radius = 0;
  int avoid_centre_radius = 0;
  TCloudPoint midblock;
  int32_t min_freq = 0;
  int32_t max_freq = 0;
  uint32_t pencolour = 0;
  uint32_t scrollbox_background_colour = 0xFFFFFF;
  uint32_t wordcolour = 0;
  uint32_t shapefillcolour = 0xFFFFFF;
  int failures = 0;
  TCloudRect printer_rect;

 private:
  void Place(const TWordFreqAndSourceNum& rec, const TMeasure& measure);
  TCloudRect FindPlace(int cx, int cy, int32_t m);
  bool Fits(int x, int y, int hw, int hh) const;
  bool InsideMargins(int x, int y, int hw, int hh) const;
  void Claim(int x, int y, int hw, int hh, int32_t m);
  void MaybeYield();
  int MinFontSize() const;

  std::vector<int32_t> occupied_;
  std::vector<TCloudWordDraw> draws_;
  struct TTopSlot {
    bool used = false;
    TCloudWordDraw draw;
  };
  TTopSlot top_[11];
  std::vector<TCloudRect> boxes_;  // by word number (index 0 unused)
  TYield yield_;
  std::chrono::steady_clock::time_point last_yield_;
  bool busy_ = false;
  bool cancel_ = false;
};

// The cloud's area: the printable page in inches (from the printer record: page dots over dots
// per inch, 1 to 50 inches; an A4 page, 8.27 x 11.69 inches, without a printer) times the
// screen's pixels per inch in the same direction (24 to 600), rounded.
struct TCloudArea {
  int width = 0;
  int height = 0;
};
double PrintableInches(const TPrinterRec& printer, bool horizontal);
TCloudArea CloudAreaFor(const TPrinterRec& printer, double dpi_x, double dpi_y);
