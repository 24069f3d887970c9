#include "tools/wordlist_tool_settings.h"

#include <charconv>
#include <cmath>
#include <filesystem>
#include <functional>
#include <sstream>

#include "platform/lemmatiser/lemmatiser.h"
#include "platform/rtl/files.h"
#include "platform/runtime/vx_maths.h"
#include "platform/runtime/vx_tools.h"
#include "platform/settings/settings_access.h"
#include "wordlist/wordlist_indexer_streams.h"

namespace {

// The records a change may touch, read once and written back together. The relationship
// settings live inside the index settings; the last six are single values of the store.
struct TToolRecords {
  TWordlist_settings_rec words = GetWordlistSettings();
  TWordlistIndexSettingsRec index = GetWordlistIndexSettings();
  TRelationshipSettingsRec relationships = RelationshipSettingsOf(index);
  TMovingWindowSettingsRec window = GetMovingWindowSettings();
  TDetailedConsistencySettingsRec consistency = GetDetailedConsistencySettings();
  TStopListSettingsRec stop = GetLemmaMatchStopSettings(kToolWordLister, lmsStop);
  TLemmaListSettingsRec lemmas = GetLemmaMatchStopSettings(kToolWordLister, lmsLemma);
  int32_t divisions = GetWordListDispersionDivisions();
  bool exact_word_length = GetExactWordLength();
  bool cut_lower_case = GetCutLowCase();
  uint32_t conversion = GetTextConversionOptions();
  bool head_word_only = GetLemmaHeadWordFreqOnly();
  bool omit_head_word = GetLemmaOmitHeadWordInWordlist();
  void Save() {
    SetRelationshipSettingsOf(index, relationships);
    SetWordlistSettings(words);
    SetWordlistIndexSettings(index);
    SetMovingWindowSettings(window);
    SetDetailedConsistencySettings(consistency);
    SetLemmaMatchStopSettings(kToolWordLister, lmsStop, stop);
    SetLemmaMatchStopSettings(kToolWordLister, lmsLemma, lemmas);
    SetWordListDispersionDivisions(divisions);
    SetExactWordLength(exact_word_length);
    SetCutLowCase(cut_lower_case);
    SetTextConversionOptions(conversion);
    SetLemmaHeadWordFreqOnly(head_word_only);
    SetLemmaOmitHeadWordInWordlist(omit_head_word);
  }
};

struct TSetting {
  const char* name;
  std::function<std::string(const TToolRecords&)> get;
  // False with what the value must be.
  std::function<bool(TToolRecords&, const std::string&, std::string&)> set;
};

using TGet = std::function<int64_t(const TToolRecords&)>;
using TPut = std::function<void(TToolRecords&, int64_t)>;

// A whole number from lo to hi.
TSetting Number(const char* name, TGet get, TPut set, int64_t lo, int64_t hi) {
  return {name, [get](const TToolRecords& r) { return std::to_string(get(r)); },
          [set, lo, hi](TToolRecords& r, const std::string& text, std::string& must) {
            int64_t v = 0;
            const char* end = text.data() + text.size();
            const auto [p, ec] = std::from_chars(text.data(), end, v);
            if (ec != std::errc() || p != end || v < lo || v > hi) {
              must = "a whole number from " + std::to_string(lo) + " to " + std::to_string(hi);
              return false;
            }
            set(r, v);
            return true;
          }};
}

TSetting YesNo(const char* name, std::function<bool(const TToolRecords&)> get,
               std::function<void(TToolRecords&, bool)> set) {
  return {name, [get](const TToolRecords& r) { return std::string(get(r) ? "yes" : "no"); },
          [set](TToolRecords& r, const std::string& text, std::string& must) {
            if (text != "yes" && text != "no") {
              must = "yes or no";
              return false;
            }
            set(r, text == "yes");
            return true;
          }};
}

// A decimal number; with `percent` above 0 and at most 100.
TSetting Decimal(const char* name, std::function<float(const TToolRecords&)> get,
                 std::function<void(TToolRecords&, float)> set, bool percent) {
  return {name,
          [get](const TToolRecords& r) {
            std::ostringstream s;
            s << get(r);
            return s.str();
          },
          [set, percent](TToolRecords& r, const std::string& text, std::string& must) {
            double v = -1;
            const char* end = text.data() + text.size();
            const auto [p, ec] = std::from_chars(text.data(), end, v);
            const bool ok = ec == std::errc() && p == end && std::isfinite(v) && std::fabs(v) < 1e30;
            if (!ok || (percent && (v <= 0 || v > 100))) {
              must = percent ? "a percentage above 0 and at most 100" : "a number";
              return false;
            }
            set(r, static_cast<float>(v));
            return true;
          }};
}

constexpr size_t kMostListNameUnits = 260;  // the record keeps 260 code units and a terminator

// A list's file (stop or lemma list): a file that exists switches the list on, "none" off.
TSetting ListFile(const char* name, TLemmaMatchStopSettingsRec TToolRecords::*list) {
  return {name,
          [list](const TToolRecords& r) {
            const TLemmaMatchStopSettingsRec& l = r.*list;
            return l.Activated() && !l.FileName().empty() ? Utf16ToUtf8(l.FileName()) : std::string("none");
          },
          [list, name](TToolRecords& r, const std::string& text, std::string& must) {
            TLemmaMatchStopSettingsRec& l = r.*list;
            if (text == "none") {
              l.SetActivated(false);
              return true;
            }
            std::error_code ec;
            const UString file = Utf8ToUtf16(std::filesystem::absolute(text, ec).string());
            if (!FileExists(file) || file.size() > kMostListNameUnits) {
              must = std::string("a file that exists (") +
                     (std::string(name) == "lemma-list" ? "one lemma a line, \"head -> form, form\""
                                                        : "one stop word a line") +
                     ", its full name at most 260 characters) or none";
              return false;
            }
            l.SetFileName(file);
            l.SetActivated(true);
            return true;
          }};
}

// "relationship-min-" and the measure's name in small letters, words joined by "-".
std::string ThresholdName(int k) {
  std::string name = "relationship-min-";
  bool dash = false;
  for (char16_t c : RelationshipAsString(k)) {
    if ((c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9')) {
      if (dash && name.back() != '-') name += '-';
      dash = false;
      name += static_cast<char>(c >= u'A' && c <= u'Z' ? c - u'A' + u'a' : c);
    } else {
      dash = true;
    }
  }
  return name;
}

// The UTF-8 question: bit 4 lets it be asked, bit 8 asks it.
constexpr uint32_t kUtf8QuestionBits = 4 | 8;

const std::vector<TSetting>& Settings() {
  using R = TToolRecords;
  static const std::vector<std::string> threshold_names = [] {
    std::vector<std::string> names;
    for (int k = 0; k < TRelationshipSettingsRec::kStatistics; ++k) names.push_back(ThresholdName(k));
    return names;
  }();
  static const std::vector<TSetting> settings = [] {
    std::vector<TSetting> s{
        Number("min-frequency", [](const R& r) { return r.words.MinFrequency(); },
               [](R& r, int64_t v) { r.words.SetMinFrequency(static_cast<uint8_t>(v)); }, 1, 255),
        Number("max-frequency", [](const R& r) { return r.words.MaxFrequency(); },
               [](R& r, int64_t v) { r.words.SetMaxFrequency(static_cast<int32_t>(v)); }, 1, INT32_MAX),
        Number("min-word-length", [](const R& r) { return r.words.MinWordLength(); },
               [](R& r, int64_t v) { r.words.SetMinWordLength(static_cast<uint8_t>(v)); }, 1, 255),
        Number("max-word-length", [](const R& r) { return r.words.MaxWordLength(); },
               [](R& r, int64_t v) { r.words.SetMaxWordLength(static_cast<uint8_t>(v)); }, 1, 255),
        Number("min-texts", [](const R& r) { return r.words.MinTexts(); },
               [](R& r, int64_t v) { r.words.SetMinTexts(static_cast<uint16_t>(v)); }, 1, 65535),
        Number("max-texts", [](const R& r) { return r.words.MaxTexts(); },
               [](R& r, int64_t v) { r.words.SetMaxTexts(static_cast<int32_t>(v)); }, 1, INT32_MAX),
        YesNo("numbers", [](const R& r) { return r.words.NumbersIncluded(); },
              [](R& r, bool v) { r.words.SetNumbersIncluded(v); }),
        YesNo("case-sensitive", [](const R& r) { return r.words.CaseSensitive(); },
              [](R& r, bool v) { r.words.SetCaseSensitive(v); }),
        Number("ratio-basis", [](const R& r) { return r.words.RatioBasis(); },
               [](R& r, int64_t v) { r.words.SetRatioBasis(static_cast<uint16_t>(v)); }, 1, 65535),
        Number("dispersion-divisions", [](const R& r) { return r.divisions; },
               [](R& r, int64_t v) { r.divisions = static_cast<int32_t>(v); }, 1, 100),
        YesNo("exact-word-length", [](const R& r) { return r.exact_word_length; },
              [](R& r, bool v) { r.exact_word_length = v; }),
        YesNo("cut-lower-case", [](const R& r) { return r.cut_lower_case; },
              [](R& r, bool v) { r.cut_lower_case = v; }),
        YesNo("utf8-question", [](const R& r) { return (r.conversion & kUtf8QuestionBits) == kUtf8QuestionBits; },
              [](R& r, bool v) { r.conversion = v ? (r.conversion | kUtf8QuestionBits) : (r.conversion & ~kUtf8QuestionBits); }),
        Number("min-type-frequency", [](const R& r) { return r.index.MinTypeFrequency(); },
               [](R& r, int64_t v) { r.index.SetMinTypeFrequency(static_cast<int32_t>(v)); }, 0, INT32_MAX),
        YesNo("recount-running-words", [](const R& r) { return r.index.RecountRunningWords(); },
              [](R& r, bool v) { r.index.SetRecountRunningWords(v); }),
        Number("cluster-min-size", [](const R& r) { return r.index.ClusterSizeMin(); },
               [](R& r, int64_t v) { r.index.SetClusterSizeMin(static_cast<int16_t>(v)); }, 1,
               TTokenFileStream::kBlockRecords),
        Number("cluster-max-size", [](const R& r) { return r.index.ClusterSizeMax(); },
               [](R& r, int64_t v) { r.index.SetClusterSizeMax(static_cast<int16_t>(v)); }, 1,
               TTokenFileStream::kBlockRecords),
        Number("cluster-min-frequency", [](const R& r) { return r.index.ClusterMinFrequency(); },
               [](R& r, int64_t v) { r.index.SetClusterMinFrequency(static_cast<int32_t>(v)); }, 1, INT32_MAX),
        Number("cluster-min-texts", [](const R& r) { return r.index.ClusterMinTexts(); },
               [](R& r, int64_t v) { r.index.SetClusterMinTexts(static_cast<int32_t>(v)); }, 1, INT32_MAX),
        Number("cluster-seconds-per-word", [](const R& r) { return r.index.ClusterSecondsPerWord(); },
               [](R& r, int64_t v) { r.index.SetClusterSecondsPerWord(static_cast<int32_t>(v)); }, 0, INT32_MAX),
        Number("base-word-min-frequency", [](const R& r) { return r.index.FirstFilterMinFrequency(); },
               [](R& r, int64_t v) { r.index.SetFirstFilterMinFrequency(static_cast<int32_t>(v)); }, 1, INT32_MAX),
        Decimal("base-word-max-percent", [](const R& r) { return r.index.FirstFilterMaxPercent(); },
                [](R& r, float v) { r.index.SetFirstFilterMaxPercent(v); }, true),
        Number("cluster-stop-at", [](const R& r) { return r.index.ClusterStopAt(); },
               [](R& r, int64_t v) { r.index.SetClusterStopAt(static_cast<uint8_t>(v)); }, 0, 5),
        YesNo("clusters-per-text", [](const R& r) { return r.index.ClustersPerText(); },
              [](R& r, bool v) { r.index.SetClustersPerText(v); }),
        YesNo("drop-plain-clusters", [](const R& r) { return r.index.DropPlainClusters(); },
              [](R& r, bool v) { r.index.SetDropPlainClusters(v); }),
        YesNo("drop-starred-clusters", [](const R& r) { return r.index.DropStarredClusters(); },
              [](R& r, bool v) { r.index.SetDropStarredClusters(v); }),
        YesNo("cluster-positions", [](const R& r) { return r.index.ClusterKeepPositions(); },
              [](R& r, bool v) { r.index.SetClusterKeepPositions(v); }),
        YesNo("cluster-stop-list", [](const R& r) { return r.index.ClusterApplyStopList(); },
              [](R& r, bool v) { r.index.SetClusterApplyStopList(v); }),
        YesNo("exclude-numbers", [](const R& r) { return r.index.ExcludeHashEntries(); },
              [](R& r, bool v) { r.index.SetExcludeHashEntries(v); }),
        YesNo("cluster-dispersion", [](const R& r) { return r.index.ClusterDispersion(); },
              [](R& r, bool v) { r.index.SetClusterDispersion(v); }),
        YesNo("phrase-frames-off", [](const R& r) { return r.index.PhraseFramesOff(); },
              [](R& r, bool v) { r.index.SetPhraseFramesOff(v); }),
        Number("phrase-frame-min-frequency", [](const R& r) { return r.index.PhraseFrameMinFrequency(); },
               [](R& r, int64_t v) { r.index.SetPhraseFrameMinFrequency(static_cast<int32_t>(v)); }, 1, INT32_MAX),
        Number("relationship-span", [](const R& r) { return r.relationships.Span(); },
               [](R& r, int64_t v) { r.relationships.SetSpan(static_cast<int16_t>(v)); }, 1, 1000),
        YesNo("relationship-left-and-right", [](const R& r) { return r.relationships.LeftAndRight(); },
              [](R& r, bool v) { r.relationships.SetLeftAndRight(v); }),
        Number("relationship-min-joint-frequency", [](const R& r) { return r.relationships.MinJointFrequency(); },
               [](R& r, int64_t v) { r.relationships.SetMinJointFrequency(static_cast<int32_t>(v)); }, 1, INT32_MAX),
        Number("relationship-min-texts", [](const R& r) { return r.relationships.MinTexts(); },
               [](R& r, int64_t v) { r.relationships.SetMinTexts(static_cast<int32_t>(v)); }, 0, INT32_MAX),
        Number("relationship-min-frequency-word2", [](const R& r) { return r.relationships.MinFrequencyWord2(); },
               [](R& r, int64_t v) { r.relationships.SetMinFrequencyWord2(static_cast<int32_t>(v)); }, 0, INT32_MAX),
        Decimal("relationship-max-percent", [](const R& r) { return r.relationships.MaxPercent(); },
                [](R& r, float v) { r.relationships.SetMaxPercent(v); }, true),
        Number("relationship-stop-list", [](const R& r) { return r.relationships.StopListOption(); },
               [](R& r, int64_t v) { r.relationships.SetStopListOption(static_cast<uint8_t>(v)); }, 0, 3),
        YesNo("relationship-omit-same-word", [](const R& r) { return r.relationships.OmitSameWord(); },
              [](R& r, bool v) { r.relationships.SetOmitSameWord(v); }),
        YesNo("relationship-exclude-numbers", [](const R& r) { return r.relationships.ExcludeHash(); },
              [](R& r, bool v) { r.relationships.SetExcludeHash(v); }),
        Number("relationship-stop-at", [](const R& r) { return r.relationships.StopAt(); },
               [](R& r, int64_t v) { r.relationships.SetStopAt(static_cast<uint8_t>(v)); }, 0, 5),
        YesNo("relationship-both-ways", [](const R& r) { return r.relationships.BothWays(); },
              [](R& r, bool v) { r.relationships.SetBothWays(v); }),
        YesNo("relationship-all-must-pass", [](const R& r) { return r.relationships.AllMustPass(); },
              [](R& r, bool v) { r.relationships.SetAllMustPass(v); }),
    };
    for (int k = 0; k < TRelationshipSettingsRec::kStatistics; ++k)
      s.push_back(Decimal(
          threshold_names[static_cast<size_t>(k)].c_str(), [k](const R& r) { return r.relationships.Threshold(k); },
          [k](R& r, float v) { r.relationships.SetThreshold(k, v); }, false));
    const std::vector<TSetting> rest{
        Number("window-min-frequency", [](const R& r) { return r.window.MinFrequency(); },
               [](R& r, int64_t v) { r.window.SetMinFrequency(static_cast<int32_t>(v)); }, 0, INT32_MAX),
        Number("consistency-min-lists", [](const R& r) { return r.consistency.MinTexts(); },
               [](R& r, int64_t v) { r.consistency.SetMinTexts(static_cast<int32_t>(v)); }, 1, INT32_MAX),
        Number("consistency-min-total", [](const R& r) { return r.consistency.MinTotalFrequency(); },
               [](R& r, int64_t v) { r.consistency.SetMinTotalFrequency(static_cast<int32_t>(v)); }, 1, INT32_MAX),
        ListFile("stop-list", &R::stop),
        YesNo("stop-list-statistics", [](const R& r) { return r.stop.AppliesToStatistics(); },
              [](R& r, bool v) { r.stop.SetAppliesToStatistics(v); }),
        YesNo("stop-list-continuous", [](const R& r) { return r.stop.Action() != 0; },
              [](R& r, bool v) { r.stop.SetAction(v ? 1 : 0); }),
        ListFile("lemma-list", &R::lemmas),
        YesNo("lemma-head-word-frequency-only", [](const R& r) { return r.head_word_only; },
              [](R& r, bool v) { r.head_word_only = v; }),
        YesNo("lemma-omit-head-word", [](const R& r) { return r.omit_head_word; },
              [](R& r, bool v) { r.omit_head_word = v; }),
    };
    s.insert(s.end(), rest.begin(), rest.end());
    return s;
  }();
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
