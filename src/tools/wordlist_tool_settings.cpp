#include "tools/wordlist_tool_settings.h"

#include <charconv>
#include <cmath>
#include <filesystem>
#include <functional>
#include <sstream>

#include "platform/lemmatiser/lemmatiser.h"
#include "platform/rtl/files.h"
#include "platform/runtime/vx_tools.h"
#include "platform/settings/settings_access.h"
#include "wordlist/wordlist_indexer_streams.h"

namespace {

// The five records a change may touch, read once and written back together.
struct TToolRecords {
  TWordlist_settings_rec words = GetWordlistSettings();
  TWordlistIndexSettingsRec index = GetWordlistIndexSettings();
  TMovingWindowSettingsRec window = GetMovingWindowSettings();
  TDetailedConsistencySettingsRec consistency = GetDetailedConsistencySettings();
  TStopListSettingsRec stop = GetLemmaMatchStopSettings(kToolWordLister, lmsStop);
  void Save() const {
    SetWordlistSettings(words);
    SetWordlistIndexSettings(index);
    SetMovingWindowSettings(window);
    SetDetailedConsistencySettings(consistency);
    SetLemmaMatchStopSettings(kToolWordLister, lmsStop, stop);
  }
};

struct TSetting {
  const char* name;
  std::function<std::string(const TToolRecords&)> get;
  // False with what the value must be.
  std::function<bool(TToolRecords&, const std::string&, std::string&)> set;
};

template <typename R>
R& RecordOf(TToolRecords& r);
template <> TWordlist_settings_rec& RecordOf(TToolRecords& r) { return r.words; }
template <> TWordlistIndexSettingsRec& RecordOf(TToolRecords& r) { return r.index; }
template <> TMovingWindowSettingsRec& RecordOf(TToolRecords& r) { return r.window; }
template <> TDetailedConsistencySettingsRec& RecordOf(TToolRecords& r) { return r.consistency; }
template <> TStopListSettingsRec& RecordOf(TToolRecords& r) { return r.stop; }

// A whole number from lo to hi.
template <typename R, typename T>
TSetting Number(const char* name, T (R::*get)() const, void (R::*set)(T), int64_t lo, int64_t hi) {
  return {name,
          [get](const TToolRecords& r) { return std::to_string((RecordOf<R>(const_cast<TToolRecords&>(r)).*get)()); },
          [set, lo, hi](TToolRecords& r, const std::string& text, std::string& must) {
            int64_t v = 0;
            const char* end = text.data() + text.size();
            const auto [p, ec] = std::from_chars(text.data(), end, v);
            if (ec != std::errc() || p != end || v < lo || v > hi) {
              must = "a whole number from " + std::to_string(lo) + " to " + std::to_string(hi);
              return false;
            }
            (RecordOf<R>(r).*set)(static_cast<T>(v));
            return true;
          }};
}

template <typename R>
TSetting YesNo(const char* name, bool (R::*get)() const, void (R::*set)(bool)) {
  return {name,
          [get](const TToolRecords& r) {
            return std::string((RecordOf<R>(const_cast<TToolRecords&>(r)).*get)() ? "yes" : "no");
          },
          [set](TToolRecords& r, const std::string& text, std::string& must) {
            if (text != "yes" && text != "no") {
              must = "yes or no";
              return false;
            }
            (RecordOf<R>(r).*set)(text == "yes");
            return true;
          }};
}

TSetting Percent(const char* name, float (TWordlistIndexSettingsRec::*get)() const,
                 void (TWordlistIndexSettingsRec::*set)(float)) {
  return {name,
          [get](const TToolRecords& r) {
            std::ostringstream s;
            s << (r.index.*get)();
            return s.str();
          },
          [set](TToolRecords& r, const std::string& text, std::string& must) {
            double v = -1;
            const char* end = text.data() + text.size();
            const auto [p, ec] = std::from_chars(text.data(), end, v);
            if (ec != std::errc() || p != end || !std::isfinite(v) || v <= 0 || v > 100) {
              must = "a percentage above 0 and at most 100";
              return false;
            }
            (r.index.*set)(static_cast<float>(v));
            return true;
          }};
}

constexpr size_t kMostStopListNameUnits = 260;  // the record keeps 260 code units and a terminator

// The stop list's file: a file that exists switches the list on, "none" switches it off.
TSetting StopListFile() {
  return {"stop-list",
          [](const TToolRecords& r) {
            return r.stop.Activated() && !r.stop.FileName().empty() ? Utf16ToUtf8(r.stop.FileName()) : std::string("none");
          },
          [](TToolRecords& r, const std::string& text, std::string& must) {
            if (text == "none") {
              r.stop.SetActivated(false);
              return true;
            }
            std::error_code ec;
            const UString file = Utf8ToUtf16(std::filesystem::absolute(text, ec).string());
            if (!FileExists(file) || file.size() > kMostStopListNameUnits) {
              must = "a file that exists (one stop word a line, its full name at most 260 characters) or none";
              return false;
            }
            r.stop.SetFileName(file);
            r.stop.SetActivated(true);
            return true;
          }};
}

const std::vector<TSetting>& Settings() {
  using W = TWordlist_settings_rec;
  using X = TWordlistIndexSettingsRec;
  using M = TMovingWindowSettingsRec;
  using C = TDetailedConsistencySettingsRec;
  using S = TStopListSettingsRec;
  static const std::vector<TSetting> settings{
      Number<W, uint8_t>("min-frequency", &W::MinFrequency, &W::SetMinFrequency, 1, 255),
      Number<W, int32_t>("max-frequency", &W::MaxFrequency, &W::SetMaxFrequency, 1, INT32_MAX),
      Number<W, uint8_t>("min-word-length", &W::MinWordLength, &W::SetMinWordLength, 1, 255),
      Number<W, uint8_t>("max-word-length", &W::MaxWordLength, &W::SetMaxWordLength, 1, 255),
      Number<W, uint16_t>("min-texts", &W::MinTexts, &W::SetMinTexts, 1, 65535),
      Number<W, int32_t>("max-texts", &W::MaxTexts, &W::SetMaxTexts, 1, INT32_MAX),
      YesNo<W>("numbers", &W::NumbersIncluded, &W::SetNumbersIncluded),
      YesNo<W>("case-sensitive", &W::CaseSensitive, &W::SetCaseSensitive),
      Number<X, int32_t>("min-type-frequency", &X::MinTypeFrequency, &X::SetMinTypeFrequency, 0, INT32_MAX),
      YesNo<X>("recount-running-words", &X::RecountRunningWords, &X::SetRecountRunningWords),
      Number<X, int16_t>("cluster-min-size", &X::ClusterSizeMin, &X::SetClusterSizeMin, 1, TTokenFileStream::kBlockRecords),
      Number<X, int16_t>("cluster-max-size", &X::ClusterSizeMax, &X::SetClusterSizeMax, 1, TTokenFileStream::kBlockRecords),
      Number<X, int32_t>("cluster-min-frequency", &X::ClusterMinFrequency, &X::SetClusterMinFrequency, 1, INT32_MAX),
      Number<X, int32_t>("cluster-min-texts", &X::ClusterMinTexts, &X::SetClusterMinTexts, 1, INT32_MAX),
      Number<X, int32_t>("cluster-seconds-per-word", &X::ClusterSecondsPerWord, &X::SetClusterSecondsPerWord, 0,
                         INT32_MAX),
      Number<X, int32_t>("base-word-min-frequency", &X::FirstFilterMinFrequency, &X::SetFirstFilterMinFrequency, 1,
                         INT32_MAX),
      Percent("base-word-max-percent", &X::FirstFilterMaxPercent, &X::SetFirstFilterMaxPercent),
      Number<X, uint8_t>("cluster-stop-at", &X::ClusterStopAt, &X::SetClusterStopAt, 0, 5),
      YesNo<X>("clusters-per-text", &X::ClustersPerText, &X::SetClustersPerText),
      YesNo<X>("drop-plain-clusters", &X::DropPlainClusters, &X::SetDropPlainClusters),
      YesNo<X>("drop-starred-clusters", &X::DropStarredClusters, &X::SetDropStarredClusters),
      YesNo<X>("cluster-positions", &X::ClusterKeepPositions, &X::SetClusterKeepPositions),
      YesNo<X>("cluster-stop-list", &X::ClusterApplyStopList, &X::SetClusterApplyStopList),
      YesNo<X>("exclude-numbers", &X::ExcludeHashEntries, &X::SetExcludeHashEntries),
      YesNo<X>("cluster-dispersion", &X::ClusterDispersion, &X::SetClusterDispersion),
      YesNo<X>("phrase-frames-off", &X::PhraseFramesOff, &X::SetPhraseFramesOff),
      Number<X, int32_t>("phrase-frame-min-frequency", &X::PhraseFrameMinFrequency, &X::SetPhraseFrameMinFrequency, 1,
                         INT32_MAX),
      Number<M, int32_t>("window-min-frequency", &M::MinFrequency, &M::SetMinFrequency, 0, INT32_MAX),
      Number<M, int32_t>("window-words-to-follow", &M::WordCount, &M::SetWordCount, 0, INT32_MAX),
      Number<C, int32_t>("consistency-min-lists", &C::MinTexts, &C::SetMinTexts, 1, INT32_MAX),
      Number<C, int32_t>("consistency-min-total", &C::MinTotalFrequency, &C::SetMinTotalFrequency, 1, INT32_MAX),
      StopListFile(),
      YesNo<S>("stop-list-statistics", &S::AppliesToStatistics, &S::SetAppliesToStatistics),
  };
  return settings;
}

}  // namespace

std::vector<std::string> WordlistToolSettingsLines() {
  const TToolRecords records;
  std::vector<std::string> lines;
  for (const TSetting& s : Settings()) lines.push_back(std::string(s.name) + " = " + s.get(records));
  return lines;
}

bool ChangeWordlistToolSettings(const std::vector<std::string>& changes, std::string& error) {
  TToolRecords records;
  for (const std::string& change : changes) {
    const size_t eq = change.find('=');
    const std::string name = change.substr(0, eq);
    const TSetting* setting = nullptr;
    for (const TSetting& s : Settings())
      if (name == s.name) setting = &s;
    if (!setting) {
      error = "unknown setting \"" + name + "\" (settings without a change lists them)";
      return false;
    }
    std::string must;
    if (eq == std::string::npos || !setting->set(records, change.substr(eq + 1), must)) {
      error = name + " needs " + (must.empty() ? std::string("a value (NAME=VALUE)") : must);
      return false;
    }
  }
  if (records.index.ClusterSizeMin() > records.index.ClusterSizeMax()) {
    error = "cluster-min-size is above cluster-max-size";
    return false;
  }
  records.Save();
  return true;
}
