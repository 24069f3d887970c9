// The stored keywords settings as "keyword-settings" shows and changes them: each setting has a
// name, the values it takes, and one field of the keywords record of the settings store, which
// "compare" reads when it computes a keyword list.
#include <charconv>
#include <cmath>
#include <cstdint>
#include <functional>
#include <sstream>

#include "platform/settings/settings_access.h"
#include "platform/runtime/vx_maths.h"
#include "tools/wordlist_commands.h"
#include "tools/wordlist_view_commands.h"

namespace {

using TRec = TKeywordsSettingsRec32;

struct TKeywordSetting {
  const char* name;
  std::function<std::string(const TRec&)> get;
  // False with what the value must be.
  std::function<bool(TRec&, const std::string&, std::string&)> set;
};

bool WholeNumber(const std::string& text, int64_t lo, int64_t hi, int64_t& v) {
  const char* end = text.data() + text.size();
  const auto [p, ec] = std::from_chars(text.data(), end, v);
  return ec == std::errc() && p == end && v >= lo && v <= hi;
}

TKeywordSetting Count(const char* name, int32_t (*get)(const TRec&), void (*set)(TRec&, int32_t)) {
  return {name, [get](const TRec& r) { return std::to_string(get(r)); },
          [set](TRec& r, const std::string& text, std::string& must) {
            int64_t v = 0;
            if (!WholeNumber(text, 0, INT32_MAX, v)) {
              must = "a whole number from 0 to " + std::to_string(INT32_MAX);
              return false;
            }
            set(r, static_cast<int32_t>(v));
            return true;
          }};
}

// One of two words for a flag.
TKeywordSetting Choice(const char* name, const char* when_false, const char* when_true, bool (*get)(const TRec&),
                       void (*set)(TRec&, bool)) {
  return {name, [=](const TRec& r) { return std::string(get(r) ? when_true : when_false); },
          [=](TRec& r, const std::string& text, std::string& must) {
            if (text != when_false && text != when_true) {
              must = std::string(when_false) + " or " + when_true;
              return false;
            }
            set(r, text == when_true);
            return true;
          }};
}

TKeywordSetting MaximumP() {
  return {"max-p",
          [](const TRec& r) {
            std::ostringstream s;
            s << r.KeywordMaxP();
            return s.str();
          },
          [](TRec& r, const std::string& text, std::string& must) {
            double v = -1;
            const char* end = text.data() + text.size();
            const auto [p, ec] = std::from_chars(text.data(), end, v);
            if (ec != std::errc() || p != end || !std::isfinite(v) || v < 0 || v > 1) {
              must = "a probability from 0 to 1 (0: no limit)";
              return false;
            }
            r.SetKeywordMaxP(v);
            return true;
          }};
}

const std::vector<TKeywordSetting>& KeywordSettings() {
  static const std::vector<TKeywordSetting> settings{
      Choice(
          "procedure", "log-likelihood", "chi-square",
          [](const TRec& r) { return r.KeynessProcedure() == kKeynessChiSquare; },
          [](TRec& r, bool chi) { r.SetKeynessProcedure(chi ? kKeynessChiSquare : kKeynessLogLikelihood); }),
      MaximumP(),
      Count(
          "min-frequency", [](const TRec& r) { return r.KeywordMinFrequency(); },
          [](TRec& r, int32_t v) { r.SetKeywordMinFrequency(v); }),
      Count(
          "min-texts", [](const TRec& r) { return r.KeywordMinTexts(); },
          [](TRec& r, int32_t v) { r.SetKeywordMinTexts(v); }),
      Count(
          "max-wanted", [](const TRec& r) { return r.MaxKeywordsWanted(); },
          [](TRec& r, int32_t v) { r.SetMaxKeywordsWanted(v); }),
      Choice(
          "negative-keywords", "no", "yes", [](const TRec& r) { return r.IncludeNegativeKeywords(); },
          [](TRec& r, bool v) { r.SetIncludeNegativeKeywords(v); }),
      Choice(
          "shares", "tokens", "texts", [](const TRec& r) { return r.SharesOverTexts(); },
          [](TRec& r, bool v) { r.SetSharesOverTexts(v); }),
  };
  return settings;
}

}  // namespace

std::vector<std::string> KeywordSettingsLines() {
  const TRec rec = GetKeywordsSettings();
  std::vector<std::string> lines;
  for (const TKeywordSetting& s : KeywordSettings()) lines.push_back(std::string(s.name) + " = " + s.get(rec));
  return lines;
}

bool ChangeKeywordSettings(const std::vector<std::string>& changes, std::string& error) {
  TRec rec = GetKeywordsSettings();
  for (const std::string& change : changes) {
    const size_t eq = change.find('=');
    const std::string name = change.substr(0, eq);
    const TKeywordSetting* setting = nullptr;
    for (const TKeywordSetting& s : KeywordSettings())
      if (name == s.name) setting = &s;
    if (!setting) {
      error = "unknown keyword setting \"" + name + "\" (keyword-settings without a change lists them)";
      return false;
    }
    std::string must;
    if (eq == std::string::npos || !setting->set(rec, change.substr(eq + 1), must)) {
      error = name + " needs " + (must.empty() ? std::string("a value (NAME=VALUE)") : must);
      return false;
    }
  }
  SetKeywordsSettings(rec);
  return true;
}

int KeywordSettingsCommand(const TWordlistToolArgs& args, std::ostream& out, std::ostream& err) {
  std::string error;
  if (!args.operands.empty() && !ChangeKeywordSettings(args.operands, error)) {
    err << "linzora_wordlist: " << error << "\n";
    return kWordlistToolFailed;
  }
  for (const std::string& line : KeywordSettingsLines()) out << line << "\n";
  return kWordlistToolDone;
}
