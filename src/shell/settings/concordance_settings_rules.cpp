#include "shell/settings/concordance_settings_rules.h"

#include "platform/rtl/files.h"
#include "platform/settings/settings_access.h"
#include "platform/settings/settings_store.h"

namespace {

constexpr int32_t kNoLineLimit = 0x7FFFFFFF;
constexpr int kLeastLineCharacters = 20;
constexpr int kMostLineCharacters = 32000;  // the longest line a concordance keeps
constexpr int kMostCollocateLength = 255;
constexpr int kMostSamplingRange = 65535;
constexpr size_t kMostMarkerCharacters = 20;

const char16_t* const kStopCaptions[kContextStops] = {
    u"no limits",           u"stop at punctuation break", u"stop at sentence break", u"stop at paragraph break",
    u"stop at heading break", u"stop at section break",   u"stop at end of text"};

// The library a name stands for, as the run will look for it.
UString UserFilterFullName(const UString& name) {
  if (name.empty() || name[0] == u'/') return name;
  return SharedSettingsStore().Folder() + name;
}

void CheckRange(std::vector<UString>& problems, UStringView field, int64_t value, int64_t lowest, int64_t highest) {
  if (value >= lowest && value <= highest) return;
  problems.push_back(UString(field) + u": " + IntToUStr(value) + u" is not from " + IntToUStr(lowest) + u" to " +
                     IntToUStr(highest));
}

// A multi-word unit's tag is one opening tag: "<", a name holding no blank, "<" or ">" and not
// beginning with "/", then ">".
bool IsOpeningTag(const UString& tag) {
  if (tag.size() < 3 || tag.front() != u'<' || tag.back() != u'>' || tag[1] == u'/') return false;
  for (size_t i = 1; i + 1 < tag.size(); ++i)
    if (tag[i] == u'<' || tag[i] == u'>' || tag[i] <= u' ') return false;
  return true;
}

std::vector<UString> Problems(const TConcordanceSettingsChoice& c) {
  std::vector<UString> p;
  CheckRange(p, u"Collocate horizon, left", c.colloc_left, 0, kMostCollocateHorizon);
  CheckRange(p, u"Collocate horizon, right", c.colloc_right, 0, kMostCollocateHorizon);
  CheckRange(p, u"Least collocate frequency", c.min_collocate_frequency, 1, 65535);
  CheckRange(p, u"Least collocate length", c.min_collocate_length, 1, kMostCollocateLength);
  CheckRange(p, u"Least collocate texts", c.min_collocate_texts, 1, kMostCollocateTexts);
  CheckRange(p, u"Characters per line", c.characters_per_line, kLeastLineCharacters, kMostLineCharacters);
  CheckRange(p, u"Context word search stops", c.context_stop, 0, kContextStops - 1);
  CheckRange(p, u"Lines per search word", c.lines_per_search_word, 0, kNoLineLimit - 1);
  CheckRange(p, u"Close hits within (words)", c.close_hits_gap, -1, kMostCloseHitsGap);
  if (c.sampling) CheckRange(p, u"Sampling: one hit in", c.sampling_range, 2, kMostSamplingRange);
  CheckRange(p, u"Characters of a line in text output", c.text_output_characters, 0, kMostLineCharacters);
  for (const auto& [field, marker] : {std::pair<const char16_t*, const UString*>{u"Search word marker", &c.search_word_marker},
                                     {u"Context word marker", &c.context_word_marker}})
    if (marker->size() > kMostMarkerCharacters)
      p.push_back(UString(field) + u": longer than " + IntToUStr(static_cast<int64_t>(kMostMarkerCharacters)) +
                  u" characters");
  if (!c.multi_word_tag.empty()) {
    if (c.multi_word_tag.size() > kMostMultiWordTagCharacters)
      p.push_back(u"Multi-word unit tag: longer than " + IntToUStr(static_cast<int64_t>(kMostMultiWordTagCharacters)) +
                  u" characters");
    else if (!IsOpeningTag(c.multi_word_tag))
      p.push_back(u"Multi-word unit tag: \"" + c.multi_word_tag + u"\" is not an opening tag such as <mwu>");
  }
  if (c.user_filter) {
    if (c.user_filter_library.empty()) p.push_back(u"User filter: switched on, but no library was given");
    else if (!FileExists(UserFilterFullName(c.user_filter_library)))
      p.push_back(u"User filter: the library \"" + c.user_filter_library + u"\" does not exist");
  }
  return p;
}

}  // namespace

UString ContextStopCaption(int stop) { return (stop >= 0 && stop < kContextStops) ? UString(kStopCaptions[stop]) : UString(); }

TConcordanceSettingsChoice CurrentConcordanceSettings(uint8_t tool) {
  const TConcSettingsRec32 r = GetConcSaveRec();
  TConcordanceSettingsChoice c;
  c.colloc_left = r.CollocHorizonLeft();
  c.colloc_right = r.CollocHorizonRight();
  c.min_collocate_frequency = r.MinCollocateFrequency();
  c.min_collocate_length = r.MinWordLength();
  c.collocates_case_sensitive = r.CollocatesCaseSensitive();
  c.collocate_stop_list = r.CollocateStopList();
  c.collocate_zero_positions = r.CollocateExtraColumnsComputed();
  c.min_collocate_texts = r.MinCollocateTexts();
  c.search_words_together = r.CollocateSearchWordsTogether();
  c.keep_numbers = GetTextSettings().NumbersIncluded();
  c.close_hits_gap = r.AllowedLastWordGap() < 0 ? -1 : r.AllowedLastWordGap();
  c.multi_word_tag = GetWordlistClusterTag();
  c.plot_rows_by_text = r.PlotRowOrder() == 1;
  c.characters_per_line = r.CharactersPerLine();
  c.context_stop = r.ContextStop();
  const int32_t wanted = r.WantedPerSearchWord();
  c.lines_per_search_word = (wanted <= 0 || wanted == kNoLineLimit) ? 0 : wanted;
  c.skip_punctuation = r.SkipPunctuation();
  c.remove_duplicates = GetRemoveDuplicatesAutomatically(tool);
  c.sampling = GetRandomising();
  c.sampling_range = GetRandomRange();
  c.text_output_characters = GetConcCharactersForTextOnly();
  c.search_word_marker = GetConc_SW_TXT_Marker();
  c.context_word_marker = GetConc_Context_W_TXT_Marker();
  c.save_text_file_details = GetPostProcessSaveFilenames();
  c.user_filter = GetUseUserFilter();
  c.user_filter_library = GetUserDLLFileName();
  return c;
}

std::vector<UString> ApplyConcordanceSettings(uint8_t tool, const TConcordanceSettingsChoice& c) {
  std::vector<UString> problems = Problems(c);
  if (!problems.empty()) return problems;
  TConcSettingsRec32 r = GetConcSaveRec();
  r.SetCollocHorizonLeft(static_cast<int16_t>(c.colloc_left));
  r.SetCollocHorizonRight(static_cast<int16_t>(c.colloc_right));
  r.SetMinCollocateFrequency(static_cast<uint16_t>(c.min_collocate_frequency));
  r.SetMinWordLength(static_cast<uint8_t>(c.min_collocate_length));
  r.SetCollocatesCaseSensitive(c.collocates_case_sensitive);
  r.SetCollocateStopList(c.collocate_stop_list);
  r.SetCharactersPerLine(static_cast<uint16_t>(c.characters_per_line));
  r.SetWantedPerSearchWord(c.lines_per_search_word == 0 ? kNoLineLimit : c.lines_per_search_word);
  r.SetSkipPunctuation(c.skip_punctuation);
  r.SetCollocateExtraColumnsComputed(c.collocate_zero_positions);
  r.SetPlotRowOrder(c.plot_rows_by_text ? 1 : 0);
  r.SetMinCollocateTexts(static_cast<uint8_t>(c.min_collocate_texts));
  r.SetCollocateSearchWordsTogether(c.search_words_together);
  r.SetAllowedLastWordGap(c.close_hits_gap);
  SetConcSaveRec(r);
  TTextsett_rec32 text = GetTextSettings();
  text.SetNumbersIncluded(c.keep_numbers);
  SetTextSettings(text);
  SetWordlistClusterTag(c.multi_word_tag);
  SetConcSaveRecContextStopAt(static_cast<uint8_t>(c.context_stop));
  SetRemoveDuplicatesAutomatically(tool, c.remove_duplicates);
  SetRandomising(c.sampling);
  if (c.sampling) SetRandomRange(static_cast<uint16_t>(c.sampling_range));
  SetConcCharactersForTextOnly(c.text_output_characters);
  SetConc_SW_TXT_Marker(c.search_word_marker);
  SetConc_Context_W_TXT_Marker(c.context_word_marker);
  SetPostProcessSaveFilenames(c.save_text_file_details);
  SetUseUserFilter(c.user_filter);
  SetUserDLLFileName(c.user_filter_library);
  return problems;
}
