#include "shell/viewers/word_cloud_layout.h"

#include <algorithm>
#include <cmath>

#include "platform/text/text_services.h"

namespace {

// A ring of the search lies this many blocks beyond the last, with this many more points.
constexpr int kRingStep = 5;
constexpr int kRingPointsStep = 10;
constexpr int kMostFailures = 10;
constexpr int kDefaultMinFontSize = 9;
// A page or screen holds no more than this: a damaged printer record (a page measure near 0, dots
// in the millions) must not ask for a picture of billions of pixels.
constexpr double kLeastPageInches = 1.0;
constexpr double kMostPageInches = 50.0;
constexpr double kLeastDpi = 24.0;
constexpr double kMostDpi = 600.0;
constexpr auto kYieldEvery = std::chrono::milliseconds(20);

double SpacingFactor(float f) { return std::isfinite(f) && f >= 1.0f ? std::min(3.0, double(f)) : 1.0; }

}  // namespace

void TWordFreqAndSourceNumList::SortOnFreqs() {
  std::stable_sort(items_.begin(), items_.end(),
                   [](const TWordFreqAndSourceNum& a, const TWordFreqAndSourceNum& b) { return a.freq > b.freq; });
}

void TMyCloudTXTList::GetNextCloudDatum(TWordFreqAndSourceNum& rec) {
  if (cursor >= 0 && cursor < Count()) {
    rec.number = cursor + 1;
    rec.word = Strings(cursor);
    rec.freq = Longint(cursor);
  } else {
    rec = TWordFreqAndSourceNum();
  }
  ++cursor;
}

UString OutputConvertedStr(UStringView word, uint8_t output_case) {
  switch (output_case) {
    case kOutputLower: return LowerCaseU(word);
    case kOutputUpper: return UpperCaseU(word);
    case kOutputInitialCapital: {
      UString out = LowerCaseU(word);
      if (!out.empty()) out = UpperCaseU(out.substr(0, 1)) + out.substr(1);
      return out;
    }
    default: return UString(word);
  }
}

TCloudPoint CrownPos(int i, int n, int radius, TCloudPoint centre) {
  if (n <= 0) return centre;
  const double a = 2.0 * M_PI * static_cast<double>(i) / static_cast<double>(n);
  return {centre.x + static_cast<int>(std::lround(radius * std::cos(a))),
          centre.y + static_cast<int>(std::lround(radius * std::sin(a)))};
}

uint32_t CloudColourOfSize(int points) {
  if (points >= 1 && points <= 10) return 0x800000;
  if (points >= 11 && points <= 12) return 0x000000;
  if (points >= 13 && points <= 16) return 0x8B0000;
  if (points >= 17 && points <= 20) return 0x800080;
  if (points >= 21 && points <= 25) return 0x82004B;
  if (points >= 26 && points <= 30) return 0xD30094;
  return 0xFF0000;
}

TWordCloud::TWordCloud(int h, int v, TWordCloudWordGetNext get_next)
    : fOnWordCloudWordGetNext(std::move(get_next)), horiz_pixels(std::max(h, 0)), vert_pixels(std::max(v, 0)) {
  CloudSettings.SetMinFontSize(kDefaultMinFontSize);
  CloudSettings.SetHorizontalSpacing(1.0f);
  CloudSettings.SetVerticalSpacing(1.0f);
  Clear();
}

void TWordCloud::Clear() {
  blocks_horiz = horiz_pixels / 3;
  blocks_vert = vert_pixels / 3;
  midblock = {blocks_horiz / 2, blocks_vert / 2};
  current_radius = 0;
  avoid_centre_radius = 0;
  printer_rect = TCloudRect();
  occupied_.assign(static_cast<size_t>(blocks_horiz) * static_cast<size_t>(blocks_vert), 0);
  draws_.clear();
  boxes_.clear();
  for (TTopSlot& s : top_) s = TTopSlot();
}

int TWordCloud::MinFontSize() const {
  const int v = CloudSettings.MinFontSize();
  return v > 0 ? std::clamp(v, kCloudMinFontLowest, kCloudMinFontHighest) : kDefaultMinFontSize;
}

void TWordCloud::ComputeFontScale(int n, double height_inches) {
  max_font_size = 40;
  const double h = std::max(height_inches * 4.0, 1e-9);
  double count = n;
  while (count / h < 45.0 && max_font_size < 120) {
    max_font_size += 5;
    count *= 2;
  }
  const double range = std::max(1.0, static_cast<double>(max_freq) - static_cast<double>(min_freq));
  multiplier = static_cast<float>(std::max(0, max_font_size - MinFontSize()) / range);
}

int TWordCloud::FontSizeOf(int32_t freq) const {
  // In doubles: frequencies far apart must not wrap round; a frequency below the range's least
  // (a range given from outside) takes the smallest size.
  const double scaled = (static_cast<double>(freq) - static_cast<double>(min_freq)) * multiplier;
  const int least = std::min(MinFontSize(), max_font_size);
  if (!(scaled > 0)) return least;
  return static_cast<int>(std::clamp(std::round(scaled) + least, double(least), double(max_font_size)));
}

int CloudPadX(int cy) { return std::max(3, cy / 5); }
int CloudPadY(int cy) { return std::max(1, cy / 16); }

void TWordCloud::MaybeYield() {
  if (!yield_) return;
  const auto now = std::chrono::steady_clock::now();
  if (now - last_yield_ < kYieldEvery) return;
  yield_();
  last_yield_ = std::chrono::steady_clock::now();
}

bool TWordCloud::InsideMargins(int x, int y, int hw, int hh) const {
  const int g = gap_between_blocks;
  return x - hw >= g && y - hh >= g && x + hw < blocks_horiz - g && y + hh < blocks_vert - g;
}

bool TWordCloud::Fits(int x, int y, int hw, int hh) const {
  if (!InsideMargins(x, y, hw, hh)) return false;
  for (int by = y - hh; by <= y + hh; ++by) {
    const int32_t* row = occupied_.data() + static_cast<size_t>(by) * blocks_horiz;
    for (int bx = x - hw; bx <= x + hw; ++bx)
      if (row[bx] != 0) return false;
  }
  return true;
}

void TWordCloud::Claim(int x, int y, int hw, int hh, int32_t m) {
  for (int by = y - hh; by <= y + hh; ++by)
    for (int bx = x - hw; bx <= x + hw; ++bx) occupied_[static_cast<size_t>(by) * blocks_horiz + bx] = m;
}

TCloudRect TWordCloud::FindPlace(int cx, int cy, int32_t m) {
  // Whole blocks round the drawn box (widened by the spacing, and a gap kept each side so that
  // neighbours never touch and no word meets the frame), an odd count each way so the box
  // centres on its block.
  const double wide = std::ceil(cx * SpacingFactor(CloudSettings.HorizontalSpacing())) + 2.0 * CloudPadX(cy);
  const double high = std::ceil(cy * SpacingFactor(CloudSettings.VerticalSpacing())) + 2.0 * CloudPadY(cy);
  const int bw = static_cast<int>(std::min(std::ceil(wide / 3.0), double(INT32_MAX / 4)));
  const int bh = static_cast<int>(std::min(std::ceil(high / 3.0), double(INT32_MAX / 4)));
  const int hw = std::max(bw, 1) / 2;
  const int hh = std::max(bh, 1) / 2;
  current_radius = avoid_centre_radius >= 1 ? avoid_centre_radius : 0;
  int n = 0;
  std::vector<TCloudPoint> candidates{midblock};
  uint32_t tests = 0;
  for (;;) {
    for (const TCloudPoint& p : candidates) {
      if (++tests % 64 == 0) {
        MaybeYield();
        if (cancel_) return TCloudRect();
      }
      if (!Fits(p.x, p.y, hw, hh)) continue;
      Claim(p.x, p.y, hw, hh, m);
      return {(p.x - hw) * 3, (p.y - hh) * 3, (p.x + hw + 1) * 3, (p.y + hh + 1) * 3};
    }
    current_radius += kRingStep;
    n += kRingPointsStep;
    candidates.clear();
    int outside = 0;
    for (int i = 0; i < n; ++i) {
      const TCloudPoint p = CrownPos(i, n, current_radius, midblock);
      if (!InsideMargins(p.x, p.y, hw, hh)) {
        ++outside;
        continue;
      }
      if (Occupied(p.x, p.y) == 0) candidates.push_back(p);
    }
    if (candidates.empty() && outside > 0) return TCloudRect();
  }
}

void TWordCloud::Place(const TWordFreqAndSourceNum& rec, const TMeasure& measure) {
  const int limit = max_items_showable / 3;
  TCloudWordDraw d;
  d.text = CloudSettings.UseCase() ? OutputConvertedStr(rec.word, CloudSettings.OutputCase()) : rec.word;
  d.number = rec.number;
  d.points = FontSizeOf(rec.freq);
  if (avoid_centre_radius == 0 && d.points < 20) avoid_centre_radius = current_radius;
  d.size = measure(d.text, d.points);
  d.rect = FindPlace(d.size.cx, d.size.cy, rec.number);
  if (d.rect.Empty()) {
    ++failures;
    return;
  }
  d.text_left = d.rect.left + (d.rect.Width() - d.size.cx) / 2;
  d.text_top = d.rect.top + (d.rect.Height() - d.size.cy) / 2;
  d.shape = (CloudSettings.ShowShapes() || CloudSettings.Shape() > 0) && rec.number <= limit;
  if (rec.number > limit) d.colour = kCloudGreyColour;
  else if (!CloudSettings.ColourBySize()) d.colour = wordcolour;
  else d.colour = CloudColourOfSize(d.points);
  if (rec.number >= 0 && rec.number <= 10) {
    top_[rec.number].used = true;
    top_[rec.number].draw = d;
  }
  if (rec.number > 0) {
    if (static_cast<size_t>(rec.number) >= boxes_.size()) boxes_.resize(static_cast<size_t>(rec.number) + 1);
    boxes_[static_cast<size_t>(rec.number)] = d.rect;
  }
  draws_.push_back(std::move(d));
}

bool TWordCloud::LayOut(const TMeasure& measure, double pixels_per_inch, const TYield& yield) {
  if (busy_) return false;
  busy_ = true;
  cancel_ = false;
  yield_ = yield;
  last_yield_ = std::chrono::steady_clock::now();
  Clear();
  gap_between_blocks = 0;
  failures = 0;
  const double height_inches = vert_pixels / std::max(pixels_per_inch, 1.0);
  const int n = std::min(fListItemsCount, max_items_showable);
  if (fOnWordCloudWordGetNext && blocks_horiz > 0 && blocks_vert > 0) {
    if (max_freq == 0) {
      TWordFreqAndSourceNumList kept;
      bool first = true;
      for (int k = 1; k <= fListItemsCount + 1 && k <= max_items_showable && !cancel_; ++k) {
        TWordFreqAndSourceNum rec;
        fOnWordCloudWordGetNext(rec);
        if (rec.freq <= 0 || rec.word.empty()) continue;
        min_freq = first ? rec.freq : std::min(min_freq, rec.freq);
        max_freq = first ? rec.freq : std::max(max_freq, rec.freq);
        first = false;
        kept.Add(std::move(rec));
      }
      ComputeFontScale(n, height_inches);
      kept.SortOnFreqs();
      for (int i = 0; i < kept.Count() && failures < kMostFailures && !cancel_; ++i) Place(kept[i], measure);
    } else {
      ComputeFontScale(n, height_inches);
      while (!cancel_) {
        TWordFreqAndSourceNum rec;
        fOnWordCloudWordGetNext(rec);
        if (rec.number > max_items_showable || rec.freq <= 0 || rec.word.empty()) break;
        Place(rec, measure);
        if (failures >= kMostFailures) break;
      }
    }
    // The first ten stay on top.
    for (int slot = 10; slot >= 1; --slot)
      if (top_[slot].used && top_[slot].draw.number == slot) {
        TCloudWordDraw again = top_[slot].draw;
        again.redraw = true;
        draws_.push_back(std::move(again));
      }
  }
  yield_ = nullptr;
  busy_ = false;
  return true;
}

int TWordCloud::ItemAt(int x, int y, TCloudRect* box) const {
  if (busy_ || x < 0 || y < 0) return 0;
  const int bx = x / 3, by = y / 3;
  if (bx >= blocks_horiz || by >= blocks_vert) return 0;
  const int32_t m = Occupied(bx, by);
  if (m > 0 && box && static_cast<size_t>(m) < boxes_.size()) *box = boxes_[static_cast<size_t>(m)];
  return m > 0 ? m : 0;
}

double PrintableInches(const TPrinterRec& printer, bool horizontal) {
  const double measure = printer.PageMeasure();
  const int32_t dots = horizontal ? printer.PageWidth() : printer.PageHeight();
  if (std::isfinite(measure) && measure > 0 && dots > 0)
    return std::clamp(dots / measure, kLeastPageInches, kMostPageInches);
  return horizontal ? 8.27 : 11.69;
}

TCloudArea CloudAreaFor(const TPrinterRec& printer, double dpi_x, double dpi_y) {
  auto dpi = [](double d) { return std::isfinite(d) ? std::clamp(d, kLeastDpi, kMostDpi) : 96.0; };
  return {static_cast<int>(std::lround(PrintableInches(printer, true) * dpi(dpi_x))),
          static_cast<int>(std::lround(PrintableInches(printer, false) * dpi(dpi_y)))};
}
