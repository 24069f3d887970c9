// A concordance worker's read-only set-up for tests: the run's snapshot, the typed items and a
// line owner that answers only the stream version.
#pragma once

#include "../model/read_and_search_support.h"
#include "concordance/run/text_processor.h"
#include "support/scoped_env.h"

class TFakeOwner : public TConcordanceLineOwner {
 public:
  int32_t StreamVersion() const override { return 25; }
};

// A run's worth of read-only setup.
struct TWorkerRun {
  explicit TWorkerRun(UStringView items_text, UStringView context = u"", UStringView exclusion = u"")
      : run(TakeTextReadSnapshot(nullptr)),
        options(SearchTextOptionsFromTextSettings(run.Settings().text_settings)),
        items(options),
        context_items(options),
        exclusion_items(options) {
    items.AddedSearchWords(items_text);
    if (!context.empty()) context_items.AddedSearchWords(context);
    if (!exclusion.empty()) exclusion_items.AddedSearchWords(exclusion);
    setup.run = &run;
    setup.search_items = &items;
    setup.context_items = &context_items;
    setup.exclusion_items = &exclusion_items;
    setup.text_options = options;
    setup.line_owner = &owner;
  }
  TTextOutcome Read(const UString& file, int32_t text_index = 0) const {
    return ReadTextForConcordance(setup, text_reader_test::ChosenFile(file), text_index);
  }
  TTextOutcome ReadAtWidth(const UString& file, int32_t width) {
    setup.line_width = width;
    return ReadTextForConcordance(setup, text_reader_test::ChosenFile(file), 0);
  }

  TTextReadRun run;
  TSearchTextOptions options;
  TSearchWordItems items;
  TContextWordItems context_items;
  TExclusionWordItems exclusion_items;
  TFakeOwner owner;
  TTextWorkerSetup setup;
};

// Private settings and temporary folders for a test, the suite's temporary folder among them.
class TWorkerTest : public ::testing::Test {
 protected:
  ~TWorkerTest() override {
    global_panic_state = kPanicNone;
  }
  text_reader_test::ScopedSettings settings_;
  TempFolder tmp_;
  TempFolder swap_;  // the suite's temporary folder, where tag lists are handed over
  ScopedHandOverFolder hand_over_{swap_.Path()};
};
