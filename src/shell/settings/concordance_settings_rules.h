// The concordancer's own settings ("Specific to this Tool") without a window. The dialog edits
// exactly what a run and its views read from the store:
//   - collocates: the horizons (words left and right), the least frequency and length, the least
//     number of texts a collocate is found in, whether letter case counts, whether stop-list
//     words are left out, whether a position where a collocate was never met shows 0 or stays
//     empty, whether the collocates of all search words are counted together (one row a word),
//     whether words holding a digit are kept as they stand (otherwise each counts as "#");
//   - lines: the characters kept per line, where a context-word search stops, how many lines a
//     search word may give (0 no limit), punctuation skipped between words, duplicates removed
//     automatically after a run, the close-hits rule (a hit this many words or fewer after the
//     line before it gives no line of its own; off below 0);
//   - reading texts: the tag that joins a multi-word unit ("<mwu>": the words between it and
//     "</mwu>" count as one word; empty for none);
//   - sampling: whether hits are sampled, and one hit in how many is kept;
//   - plot: whether the rows of one text (rather than of one search word) follow each other;
//   - text output: the characters of a line in text output (0 whole lines) and the markers put
//     before the search word and the first context word;
//   - after and during a run: the text files' details written to a text file, and the user's own
//     filter library, which sees every line (a relative name is taken from the settings' folder;
//     switched on, the library must exist).
// ApplyConcordanceSettings checks every field first; one bad value and nothing is written, and
// each problem names its field.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/rtl/ustring.h"

inline constexpr int kMostCollocateHorizon = 25;
inline constexpr int kContextStops = 7;  // no limits, punctuation ... end of text
inline constexpr int32_t kMostCloseHitsGap = 1000;  // words; -1 is the rule off
inline constexpr int kMostCollocateTexts = 255;
inline constexpr size_t kMostMultiWordTagCharacters = 40;

struct TConcordanceSettingsChoice {
  int colloc_left = 5;
  int colloc_right = 5;
  int min_collocate_frequency = 5;
  int min_collocate_length = 1;
  bool collocates_case_sensitive = false;
  bool collocate_stop_list = false;
  bool collocate_zero_positions = false;
  int min_collocate_texts = 1;
  bool search_words_together = false;
  bool keep_numbers = false;
  int32_t close_hits_gap = -1;  // -1: off
  UString multi_word_tag;
  int characters_per_line = 1000;
  int context_stop = 0;
  int32_t lines_per_search_word = 0;  // 0: no limit
  bool skip_punctuation = false;
  bool remove_duplicates = false;
  bool sampling = false;
  int sampling_range = 2;
  bool plot_rows_by_text = false;
  int32_t text_output_characters = 0;
  UString search_word_marker;
  UString context_word_marker;
  bool save_text_file_details = false;
  bool user_filter = false;
  UString user_filter_library;
  bool operator==(const TConcordanceSettingsChoice&) const = default;
};

// The captions of the context stops, in stored order ("no limits", "stop at punctuation break", ...).
UString ContextStopCaption(int stop);

TConcordanceSettingsChoice CurrentConcordanceSettings(uint8_t tool);
// The problems, one line each naming its field; empty when everything was stored.
std::vector<UString> ApplyConcordanceSettings(uint8_t tool, const TConcordanceSettingsChoice& choice);
