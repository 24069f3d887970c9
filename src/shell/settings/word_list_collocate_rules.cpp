#include "shell/settings/word_list_collocate_rules.h"

#include <cmath>

#include "platform/runtime/vx_maths.h"
#include "platform/settings/settings_access.h"

namespace {

using R = TCollocateScriptSettingsRec;

struct TBoundFields {
  const char16_t* caption;
  int least;
  int most;
};
constexpr TBoundFields kBounds[kWordListBounds] = {
    {u"Word length", R::kMinWordLength, R::kMaxWordLength},
    {u"Texts", R::kMinTexts, R::kMaxTexts},
    {u"Frequency", R::kMinFrequency, R::kMaxFrequency},
    {u"Collocate total", R::kMinCollocateTotal, R::kMaxCollocateTotal},
    {u"Collocates", R::kMinCollocates, R::kMaxCollocates},
};

std::vector<UString> Problems(const TWordListCollocatesChoice& c) {
  std::vector<UString> p;
  for (int i = 0; i < kWordListBounds; ++i) {
    const TWordListBound& b = c.bounds[static_cast<size_t>(i)];
    const UString field(kBounds[i].caption);
    if (b.least < 0) p.push_back(field + u": the least, " + IntToUStr(b.least) + u", is below 0");
    else if (b.most < b.least)
      p.push_back(field + u": the most, " + IntToUStr(b.most) + u", is below the least, " + IntToUStr(b.least));
  }
  for (int k = 0; k < TKollaxaMutualChecks::kStatistics; ++k) {
    const double t = c.thresholds[static_cast<size_t>(k)];
    if (!std::isfinite(t) || std::fabs(t) > 1e30)
      p.push_back(u"Least " + RelationshipAsString(k) + u": not a number");
  }
  return p;
}

}  // namespace

UString WordListBoundCaption(int bound) {
  return (bound >= 0 && bound < kWordListBounds) ? UString(kBounds[bound].caption) : UString();
}

TWordListCollocatesChoice CurrentWordListCollocates() {
  const TCollocateScriptSettingsRec limits = GetCollocateScriptSettings();
  const TKollaxaMutualChecks checks = GetKollaxaMutualChecks();
  TWordListCollocatesChoice c;
  for (int i = 0; i < kWordListBounds; ++i)
    c.bounds[static_cast<size_t>(i)] = {limits.Field(kBounds[i].least), limits.Field(kBounds[i].most)};
  for (int k = 0; k < TKollaxaMutualChecks::kStatistics; ++k) {
    c.tested[static_cast<size_t>(k)] = checks.Tested(k);
    c.thresholds[static_cast<size_t>(k)] = checks.Threshold(k);
  }
  c.all_must_pass = checks.AllMustPass();
  return c;
}

std::vector<UString> ApplyWordListCollocates(const TWordListCollocatesChoice& c) {
  std::vector<UString> problems = Problems(c);
  if (!problems.empty()) return problems;
  TCollocateScriptSettingsRec limits = GetCollocateScriptSettings();
  for (int i = 0; i < kWordListBounds; ++i) {
    limits.SetField(kBounds[i].least, c.bounds[static_cast<size_t>(i)].least);
    limits.SetField(kBounds[i].most, c.bounds[static_cast<size_t>(i)].most);
  }
  SetCollocateScriptSettings(limits);
  TKollaxaMutualChecks checks = GetKollaxaMutualChecks();
  for (int k = 0; k < TKollaxaMutualChecks::kStatistics; ++k) {
    checks.SetTested(k, c.tested[static_cast<size_t>(k)]);
    checks.SetThreshold(k, static_cast<float>(c.thresholds[static_cast<size_t>(k)]));
  }
  checks.SetAllMustPass(c.all_must_pass);
  SetKollaxaMutualChecks(checks);
  return problems;
}
