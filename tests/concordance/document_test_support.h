// Helpers of the concordance document's tests: a private settings store, a small corpus, and the
// run as the main window starts it (close the old document, take the text settings' language,
// make the document, call MakeConcordance with the window's argument table).
#pragma once

#include <functional>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "../model/text_reader_test_support.h"
#include "concordance/document/concordance_document.h"
#include "model/reading/chosen_texts.h"
#include "model/reading/tag_handler.h"
#include "platform/rtl/streams.h"
#include "platform/runtime/vx_runtime.h"
#include "platform/settings/settings_access.h"
#include "platform/text/text_services.h"
#include "support/temp_folder.h"

namespace document_test {

using text_reader_test::ScopedSettings;
using text_reader_test::Utf16Bytes;

inline TPoint Centre() { return TPoint{300, 200}; }

// Texts written to a fresh folder; names holds their full names in the order given.
struct TTextFolder {
  TempFolder tmp;
  std::vector<UString> names;
  TTextFolder(std::initializer_list<std::pair<const char16_t*, std::string>> texts) {
    for (const auto& [name, bytes] : texts) names.push_back(tmp.Write(name, bytes));
  }
};

inline std::unique_ptr<T_WholeLinzoraHolder> NewDocument() {
  return std::make_unique<T_WholeLinzoraHolder>(kListConcordance, &Centre, nullptr, nullptr, false, false, nullptr,
                                                nullptr);
}

// What the window hands a run.
struct TRunRequest {
  std::vector<UString> texts;  // full names, in the order chosen
  UString search_words;        // one per line
  UString context_words;
  UString exclusion_words;
  int32_t wanted = 1000;
  uint8_t batch_mode = 0;
  int32_t batch_number = 0;
  // Context-word horizons in words (left, right); below 0: as the store has them.
  int16_t context_left = -1;
  int16_t context_right = -1;
  // A folder whose texts (and the members of its zip archives) are chosen after `texts`.
  UString folder;
  // The window's tag handler; given, it is refreshed from the settings store before the run and
  // the document is made with it (its tags are the visible ones).
  TTextTagHandler* tags = nullptr;
  int32_t threads = 0;  // 0: every core
  // Told after each chunk of each text (see TMakeConcordanceArgs::chunk_done).
  std::function<void(int32_t text_index, int64_t bytes_read, int64_t size, int32_t words)> chunk_done;
  // The document's failed-read handler (none: nothing is told).
  TFailedReadEvent failed_read;
};

struct TRunDone {
  std::unique_ptr<T_WholeLinzoraHolder> doc;
  std::unique_ptr<TSharedChosenFilesClass> chosen;
  bool ok = false;     // what MakeConcordance answered
  bool found = false;  // ok, and at least one line
  int32_t converted = 0;
};

// The main window's run: the tag handler is refreshed from the store, the old document goes,
// the text settings' language goes to the tag handler, a new document is made and
// MakeConcordance is called with 10, the batch mode, false, false; found = ok and lines > 0.
inline TRunDone RunConcordance(const TRunRequest& request) {
  TRunDone done;
  TConcSettingsRec32 rec = GetConcSaveRec();
  rec.SetWantedPerSearchWord(request.wanted);
  rec.SetContextWord(request.context_words);
  rec.SetExclusionWord(request.exclusion_words);
  if (request.context_left >= 0) rec.SetContextHorizonLeft(request.context_left);
  if (request.context_right >= 0) rec.SetContextHorizonRight(request.context_right);
  SetConcSaveRec(rec);
  done.chosen = std::make_unique<TSharedChosenFilesClass>(false, nullptr, kToolConcordancer);
  for (const UString& t : request.texts) done.chosen->ToolAddAFile(t);
  if (!request.folder.empty()) done.chosen->AddedFolderContents(request.folder, u"*.*", false, true);
  if (request.tags) {
    TTagsToTranslateList translate(request.tags->fLCID, request.tags->fCodepage);
    RefreshTagHandlerFromSettings(*request.tags, translate);
    request.tags->fLCID = static_cast<uint32_t>(GetTextSettings().LCID());
  }
  done.doc = std::make_unique<T_WholeLinzoraHolder>(kListConcordance, &Centre, nullptr, request.failed_read, false,
                                                    false, request.tags, nullptr);
  TSearchWordItems items(SearchTextOptionsFromTextSettings(done.doc->TextSettings()));
  items.AddedSearchWords(request.search_words);
  TContextWordItems context;
  context.AddedSearchWords(request.context_words);
  TExclusionWordItems exclusion;
  exclusion.AddedSearchWords(request.exclusion_words);
  TTagContextWordItems tag_context;
  TMakeConcordanceArgs args;
  args.chosen = done.chosen.get();
  args.search_items = &items;
  args.context_items = &context;
  args.exclusion_items = &exclusion;
  args.tag_context_items = &tag_context;
  args.batch_number = request.batch_number;
  args.converted_count = &done.converted;
  args.list_kind = kListConcordance;
  args.batch_mode = request.batch_mode;
  args.sw_batch_mode = false;
  args.skip_plot = false;
  args.threads = request.threads;
  args.chunk_done = request.chunk_done;
  done.ok = done.doc->MakeConcordance(args);
  done.found = done.ok && done.doc->fConcordanceList->Count() > 0;
  return done;
}

// A file's bytes (empty when it cannot be read).
inline std::string WholeFileBytes(const UString& name) {
  auto f = TFileStream::Open(name, TFileMode::OpenRead);
  if (!f) return {};
  std::string out(static_cast<size_t>(f->Size()), '\0');
  f->ReadExact(out.data(), static_cast<int64_t>(out.size()));
  return out;
}

// The lines' texts, in list order.
inline std::vector<UString> LineTexts(const T_WholeLinzoraHolder& doc) {
  std::vector<UString> out;
  for (int i = 0; i < doc.fConcordanceList->Count(); ++i)
    out.emplace_back(doc.fConcordanceList->Line(i)->Text());
  return out;
}

inline std::string Bytes(const TMemoryStream& m) {
  return std::string(m.Data().begin(), m.Data().end());
}

inline std::string SavedBytes(T_WholeLinzoraHolder& doc) {
  TMemoryStream m;
  EXPECT_TRUE(doc.StartSaveToFile(m, u"x.cnc", 0, 0, 96) && doc.SaveToStream(m));
  return Bytes(m);
}

// Reads a saved document back through the same road as a file open.
inline bool ReadBack(T_WholeLinzoraHolder& doc, const std::string& bytes) {
  TMemoryStream m;
  m.WriteExact(bytes.data(), static_cast<int64_t>(bytes.size()));
  m.SetPosition(0);
  return doc.StartReadFromStream(m) && doc.ReadWholeFromStream(m);
}

}  // namespace document_test
