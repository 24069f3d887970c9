// What the fast-road tests share: reading a text's chunks down either road, and the concordance
// list stream and word list of texts run down either road.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "../concordance/worker_test_support.h"
#include "concordance/lines/concordance_list.h"
#include "concordance/run/texts_into_list.h"
#include "model/reading/chosen_texts.h"
#include "model/reading/worker_tag_handler.h"
#include "platform/rtl/streams.h"
#include "platform/search/fast_first_pass.h"
#include "platform/settings/settings_access.h"
#include "text_reader_test_support.h"
#include "wordlist/word_list_document.h"

namespace fast_road_test {

using namespace text_reader_test;

// Switches the fast pass for the scope, and back on at its end.
class TFullRoad {
 public:
  explicit TFullRoad(bool full) { SetFastFirstPass(!full); }
  ~TFullRoad() { SetFastFirstPass(true); }
};

// For the scope, the reader marks what it takes over unwritten (each new chunk's kinds, the last
// text's characters) with values no step writes: a step that reads them too early then changes
// what the text gives.
class TMarkUnwritten {
 public:
  TMarkUnwritten() { setenv("LINZORA_MARK_UNWRITTEN", "1", 1); }
  ~TMarkUnwritten() { unsetenv("LINZORA_MARK_UNWRITTEN"); }
  TMarkUnwritten(const TMarkUnwritten&) = delete;
  TMarkUnwritten& operator=(const TMarkUnwritten&) = delete;
};

struct TChunkRecord {
  ChunkSeen seen;
  bool fast = false;
  bool beyond_ascii = false;  // judged by the pass, with characters beyond ASCII
  bool as_bytes = false;      // read as one byte a character, the units beyond ASCII put in place
  TTagsFoundArray found{};
};

// on_demand: the reader leaves kinds and text to be made when asked for (as concordances have it).
// precomposed: the characters are composed as they are read.
inline std::vector<TChunkRecord> ReadChunks(const UString& file, bool full_road, bool on_demand = false,
                                     bool precomposed = false) {
  TFullRoad road(full_road);
  TTextReadRun run(TakeTextReadSnapshot(nullptr));
  std::unique_ptr<TTextTagHandler> tags = MakeWorkerTagHandler(run.Settings());
  TCollector c(ChosenFile(file), tags.get(), precomposed, nullptr, nullptr, true, &run);
  c.keep_kinds = true;
  c.fKindsOnDemand = c.fTextOnDemand = on_demand;
  std::vector<TChunkRecord> records;
  c.on_chunk = [&](TCollector& me, int32_t) {
    TChunkRecord r;
    r.fast = me.FastChunk();
    r.beyond_ascii = me.FastPassFound() != nullptr && !me.FastPassFound()->all_ascii;
    r.as_bytes = me.ReadAsBytes();
    r.found = tags->TagsFound();
    records.push_back(std::move(r));
  };
  EXPECT_TRUE(ReadThrough(c));
  for (size_t i = 0; i < records.size(); ++i) records[i].seen = c.chunks[i];
  return records;
}

inline void ExpectSameChunks(const std::vector<TChunkRecord>& fast, const std::vector<TChunkRecord>& full) {
  ASSERT_EQ(fast.size(), full.size());
  for (size_t i = 0; i < fast.size(); ++i) {
    SCOPED_TRACE(testing::Message() << "chunk " << i);
    const ChunkSeen& a = fast[i].seen;
    const ChunkSeen& b = full[i].seen;
    EXPECT_FALSE(full[i].fast);
    EXPECT_EQ(a.start, b.start);
    EXPECT_EQ(a.end, b.end);
    EXPECT_TRUE(a.text == b.text);
    EXPECT_EQ(a.bytes, b.bytes);
    EXPECT_EQ(a.kinds, b.kinds);
    EXPECT_TRUE(a.carried == b.carried);
    EXPECT_EQ(a.carried_kinds, b.carried_kinds);
    EXPECT_TRUE(a.ahead == b.ahead);
    EXPECT_EQ(a.ahead_kinds, b.ahead_kinds);
    EXPECT_EQ(fast[i].found, full[i].found);
  }
}

class TRoadDocument : public TConcordanceListDocument {};

// The concordance list stream of texts run fast or full.
inline std::vector<uint8_t> ConcordanceStream(const std::vector<UString>& files, UStringView items, bool full_road,
                                       int32_t workers = 1) {
  TFullRoad road(full_road);
  std::vector<TChosenFileDetailsFullRec> texts;
  for (const UString& f : files) texts.push_back(ChosenFile(f));
  TRoadDocument doc;
  TConcordanceList list(nullptr, &doc);
  TTextsIntoListChoices choices;
  choices.threads = workers;
  RunTextsIntoList(texts, items, list, choices);
  TMemoryStream s;
  EXPECT_TRUE(list.SaveToStream(s));
  EXPECT_GT(list.Count(), 0);
  return s.Data();
}

// Word list rows with their frequencies and texts, then each text's statistics record.
inline std::string WordListOf(const std::vector<UString>& files, bool full_road, bool case_sensitive = false,
                       int32_t lcid = 0, int32_t threads = 1) {
  TFullRoad road(full_road);
  T_WholeWordlistHolder doc(nullptr, nullptr, nullptr, kListWordList, false, false, nullptr, nullptr);
  doc.WordlistSettings.SetMinFrequency(1);
  doc.WordlistSettings.SetMinWordLength(1);
  doc.WordlistSettings.SetMaxWordLength(50);
  doc.WordlistSettings.SetNumbersIncluded(true);
  doc.WordlistSettings.SetCaseSensitive(case_sensitive);
  TTextsett_rec32 t = GetTextSettings();
  if (lcid != 0) t.SetLCID(lcid);
  doc.SetTextSettings(t);
  TSharedChosenFilesClass chosen(false, nullptr, 1);
  for (const UString& f : files) EXPECT_TRUE(chosen.ToolAddAFile(f));
  int32_t converted = 0;
  TMakeWordlistOptions workers;
  workers.threads = threads;
  EXPECT_TRUE(doc.MakeWordlist(chosen, 0, kListWordlist, converted, workers));
  std::string out;
  for (int i = 0; i < doc.Words().Count(); ++i) {
    const TWordlistData& d = doc.Words().Row(i)->data;
    out += Utf16ToUtf8(d.word) + "/" + std::to_string(d.frequency) + "/" + std::to_string(d.n_texts) + " ";
  }
  TMemoryStream stats;
  EXPECT_TRUE(doc.Stats().SaveToStream(stats));
  out.append(stats.Data().begin(), stats.Data().end());
  return out;
}

}  // namespace fast_road_test
