// A concordance run in miniature: the chosen texts are read chunk by chunk through the text
// reader with the document's tag handler, and each prepared chunk is handed to the search engine
// the way the concordance text processor hands it over. Every hit is kept with what a
// concordance line takes from it, and so are the statistics call-backs.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "text_reader_test_support.h"
#include "model/reading/text_reader.h"
#include "model/reading/tag_handler.h"
#include "model/reading/chosen_texts.h"
#include "model/reading/tag_lists.h"
#include "model/documents/work_base.h"
#include "model/documents/work_derived.h"
#include "platform/rtl/files.h"
#include "platform/rtl/streams.h"
#include "platform/runtime/vx_runtime.h"
#include "platform/search/search_engine.h"
#include "platform/search/search_items.h"
#include "platform/settings/settings_access.h"

namespace read_and_search {

// One hit as the line builder would take it.
struct THitSeen {
  UString file;          // the text's full name
  int32_t chunk = 0;     // chunk index
  int32_t item = 0;      // search item
  int64_t byte = 0;      // file byte of its first character
  int64_t end_byte = 0;  // file byte just after its last character
  int32_t word_num = 0;  // 1-based word number in the text
  int32_t sentence = 0, paragraph = 0;
  int32_t sentence_pos = 0;  // word position in its sentence (1-based)
  int32_t sentence_len = 0;  // length of its sentence when it ends in the chunk, else 0
  float percent = 0;
  UString text;  // the chunk's characters of the hit
};

// What a run saw.
struct TRunSeen {
  std::vector<THitSeen> hits;
  std::vector<TSearchStatsRec> ends;                     // statistics call-backs
  std::vector<std::pair<int32_t, int32_t>> buffer_ends;  // HandleTextStatsAtEndOfBuffer arguments
  std::vector<int32_t> words_per_text;
  std::vector<bool> read_ok;
  std::vector<TFileHandledRec> handled;
  int32_t chunks_processed = 0;

  std::vector<THitSeen> OfItem(int32_t item) const {
    std::vector<THitSeen> out;
    for (const THitSeen& h : hits)
      if (h.item == item) out.push_back(h);
    return out;
  }
};

// The concordance processor's protocol with the engine, without the line building.
class TSearchingProcessor : public TBufferProcessor {
 public:
  TSearchingProcessor(TTessorineholder& doc, const TChosenFileDetailsFullRec& chosen, TSearchAndDoEngine& engine,
                      TSearchWordItems& items, TRunSeen& seen, bool first, TTextReadRun* run = nullptr)
      : TBufferProcessor(
            &doc,
            [&doc](const TFileHandledRec& info, bool is_first) {
              TAllFileHandledInfo all{};
              CopyFileHandledInfo(info, all);
              doc.UpdateAllFileHandledInfo(all, is_first);
              if (NeedsUnicodeDocument(info)) doc.SetUnicode(true);
            },
            [&engine](bool unicode) { engine.UnicodeChangeTo(unicode); }, doc.TextTagHandler, chosen, 10,
            doc.TextSettings().PrecomposedCharacters(), first, first, run),
        engine_(engine),
        items_(items),
        seen_(seen) {}

  bool SetupTheBuffer() override {
    const bool ok = TBufferProcessor::SetupTheBuffer();
    engine_.ClearChunkTextStats();
    items_.ClearHits();
    text_stats_ = TSearchStatsRec{};
    return ok;
  }

  void HandleTextStatsAtEndOfBuffer(int32_t buffer_number, int32_t buffer_count) override {
    seen_.buffer_ends.emplace_back(buffer_number, buffer_count);
  }

  bool ProcessAChunkOfFile(int32_t chunk_index) override {
    ++seen_.chunks_processed;
    const TTagsFoundArray none{};
    engine_.SetArrayOfTagsFound(fTagHandler ? fTagHandler->TagsFound().data() : none.data());
    const TChunkPositions pos{0,           ChunkStartIndex(), Length(), chunk_index, IsLastChunk(), ChunkStartInFile(),
                              FileSize(), &ByteMap()};
    const int32_t words_before = text_stats_.words_in_chunk;
    engine_.PrepareForConcordancing(
        fFullFilename, Text(), Kinds(), pos,
        [this, chunk_index, words_before](TSearchAndDoEngine&, TSearchFound_Rec& f) {
          THitSeen h{fFullFilename, chunk_index, f.item_index};
          h.byte = ByteMap().FileByteOf(f.hit_position);
          h.end_byte = ByteMap().FileByteOf(f.hit_position + f.hit_length);
          h.word_num = words_before + f.stats.words_in_chunk + 1;
          h.sentence = f.stats.unit_number[kUnitSentence];
          h.paragraph = f.stats.unit_number[kUnitParagraph];
          h.sentence_pos = f.stats.unit_position[kUnitSentence];
          h.sentence_len = f.stats.unit_length[kUnitSentence];
          h.percent = f.percent;
          h.text.assign(Text() + f.hit_position, static_cast<size_t>(f.hit_length));
          seen_.hits.push_back(std::move(h));
          return true;
        },
        [this](TSearchAndDoEngine&, TSearchStatsRec& s) { seen_.ends.push_back(s); });
    for (int32_t i = 0; i < items_.Count(); ++i) {
      if (items_.single_item >= 0 && items_.single_item != i) continue;
      engine_.SetCurrentItem(i);
      engine_.ClearChunkTextStats();
      engine_.SearchAndDo(*items_.GetPtr(i), i);
    }
    engine_.CopyAChunkTextStats(text_stats_);
    return true;
  }

  int32_t WordsOfText() const { return text_stats_.words_in_chunk; }

 private:
  TSearchAndDoEngine& engine_;
  TSearchWordItems& items_;
  TRunSeen& seen_;
  TSearchStatsRec text_stats_{};
};

// The document, its tag handler and entity list, set up as a run starts: one snapshot of the
// settings serves the reader, the tag handler and the engine.
class TRunDocument {
 public:
  TRunDocument()
      : tags_(static_cast<uint32_t>(GetTextSettings().LCID()), GetTextSettings().WindowsCodePage()),
        translate_(static_cast<uint32_t>(GetTextSettings().LCID()), GetTextSettings().WindowsCodePage()),
        doc_(GetTextSettings(), nullptr, nullptr, nullptr, false, false, &tags_, &translate_),
        snapshot_(TakeTextReadSnapshot(&doc_)) {
    doc_.ReCheckTags(snapshot_.tags);
    doc_.StartProcessUsingTextTagHandler();
  }
  TTessorineholder& Doc() { return doc_; }
  const TTextReadSnapshot& Snapshot() const { return snapshot_; }

 private:
  TLinzoraTextTagHandler tags_;
  TTagsToTranslateList translate_;
  TTessorineholder doc_;
  TTextReadSnapshot snapshot_;
};

// Searches the typed items (one a line) in every chosen text, in order, as a concordance run does;
// after the first text that fails, the run passes the others over.
inline TRunSeen RunOver(TSharedChosenFilesClass& chosen, UStringView typed_items) {
  TRunSeen seen;
  TRunDocument run;
  const TSearchTextOptions options = SearchTextOptionsFromTextSettings(run.Snapshot().text_settings);
  TSearchWordItems items(options);
  items.AddedSearchWords(typed_items);
  TSearchAndDoEngine engine(run.Doc().Unicode(), true, options);
  TTextReadRun reading(run.Snapshot());
  bool failed = false;
  for (int32_t i = 0; i < chosen.FileCount(); ++i) {
    if (failed) {
      seen.read_ok.push_back(false);
      seen.words_per_text.push_back(0);
      seen.handled.push_back(TFileHandledRec{});
      continue;
    }
    TSearchingProcessor p(run.Doc(), chosen.GetFullFileDetails(i), engine, items, seen, i == 0, &reading);
    const bool ok = p.SetupTheBuffer() && p.ReadAndProcess();
    failed = !ok;
    seen.read_ok.push_back(ok);
    seen.words_per_text.push_back(p.WordsOfText());
    seen.handled.push_back(p.FileHandledInfo);
  }
  reading.StoreAtRunEnd();
  return seen;
}

// The same for single files given by their full names.
inline TRunSeen RunOverFiles(const std::vector<UString>& names, UStringView typed_items) {
  TSharedChosenFilesClass chosen(false, nullptr, 1);
  for (const UString& n : names) EXPECT_TRUE(chosen.ToolAddAFile(n)) << Utf16ToUtf8(n);
  return RunOver(chosen, typed_items);
}

// Bytes [at, at + count) of a file, read back from disk.
inline std::string FileBytesAt(const UString& name, int64_t at, int64_t count) {
  std::unique_ptr<TFileStream> f = TFileStream::Open(name, TFileMode::OpenRead);
  if (!f || !f->SetPosition(at)) return std::string();
  std::string out(static_cast<size_t>(std::max<int64_t>(0, count)), '\0');
  out.resize(static_cast<size_t>(std::max<int64_t>(0, f->Read(out.data(), count))));
  return out;
}

// A tag list as a user's tag file is read and stored for the tools, and wanted from now on.
template <typename TList>
void UseTagList(std::initializer_list<const char16_t*> lines, void (*wanted)(int32_t), void (*modified)(bool)) {
  TList l(static_cast<uint32_t>(GetTextSettings().LCID()), GetTextSettings().WindowsCodePage());
  for (const char16_t* line : lines) l.AddFromALine(line);
  ASSERT_EQ(l.Count(), static_cast<int32_t>(lines.size()));
  ASSERT_TRUE(l.SavedToTempfile());
  wanted(l.Count());
  modified(true);
}
inline void UseTagsToKeep(std::initializer_list<const char16_t*> lines) {
  UseTagList<TTagsToKeepList>(lines, SetTagsWanted, SetTagModified);
}
// Spans to exclude with everything between their tags ("<note>*</note>").
inline void UseTagsToExclude(std::initializer_list<const char16_t*> lines) {
  UseTagList<TTagsToDeleteList>(lines, SetTagsExcludeWanted, SetTagsExcludeModified);
}
inline void UseEntities(std::initializer_list<const char16_t*> lines) {
  UseTagList<TTagsToTranslateList>(lines, SetTagsTranslateWanted, SetTagTranslateModified);
}

}  // namespace read_and_search
