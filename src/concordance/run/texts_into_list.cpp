#include "concordance/run/texts_into_list.h"

#include "concordance/lines/list_line_sink.h"
#include "concordance/run/text_processor.h"
#include "model/reading/text_reader.h"

TConcordanceRunResult RunTextsIntoList(const std::vector<TChosenFileDetailsFullRec>& texts, UStringView typed_items,
                                       TConcordanceList& list, const TTextsIntoListChoices& choices) {
  TTextReadRun reading(TakeTextReadSnapshot(nullptr));
  const TSearchTextOptions options = SearchTextOptionsFromTextSettings(reading.Settings().text_settings);
  TSearchWordItems items(options);
  items.AddedSearchWords(typed_items);
  TTextWorkerSetup setup;
  setup.run = &reading;
  setup.search_items = &items;
  setup.text_options = options;
  setup.line_owner = &list;
  TConcordanceRunSettings settings;
  settings.text_count = static_cast<int32_t>(texts.size());
  settings.lines_wanted_per_item = choices.lines_wanted_per_item;
  settings.item_count = items.Count();
  for (int32_t i = 0; i < items.Count(); ++i) settings.item_words.push_back(items.GetPtr(i)->sw);
  settings.allowed_word_gap = choices.allowed_word_gap;
  settings.failure_ends_run = choices.failure_ends_run;
  settings.threads = choices.threads;
  settings.texts_ahead = choices.texts_ahead;
  settings.log = [](UStringView) {};
  TConcordanceListSink sink(list);
  TJobToken own_token;
  TJobToken& token = choices.token ? *choices.token : own_token;
  const TConcordanceRunResult result = RunConcordance(
      settings, [&](int32_t i) { return ReadTextForConcordance(setup, texts[static_cast<size_t>(i)], i); }, sink,
      token, nullptr);
  reading.StoreAtRunEnd();
  return result;
}
