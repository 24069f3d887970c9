// Building a corpus index: the committer's side (types numbered as words first come, token
// records appended, a text taken back when it could not be read to its end) and the run that
// reads the texts on workers and hands their tokens over in text order. wordlist_indexer.h holds
// the whole contract.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <vector>

#include "wordlist/index_type_table.h"
#include "wordlist/wordlist_counting.h"
#include "wordlist/wordlist_indexer_streams.h"

// Tokens of one text handed over before the text ends: the words of the keys they bring (those
// of the text's counter from key `first_key` on), then the tokens.
struct TTokenBatch {
  int32_t first_key = 0;
  std::vector<char16_t> key_units;                  // tag then word, key after key
  std::vector<std::pair<uint32_t, uint32_t>> keys;  // (tag units, word units) of each key
  std::vector<uint64_t> hashes;                     // each key's hash (TWordCounter's)
  std::vector<TCountedToken> tokens;
  // Takes from a text's answer the keys not yet handed over and, with all_tokens, every token
  // (else all but the last).
  void TakeFrom(TTextWordCounts& text, bool all_tokens);
  size_t Bytes() const { return key_units.size() * 2 + keys.size() * 16 + tokens.size() * sizeof(TCountedToken); }
};

class TIndexBuild {
 public:
  TIndexBuild();
  ~TIndexBuild();
  TIndexBuild(const TIndexBuild&) = delete;
  TIndexBuild& operator=(const TIndexBuild&) = delete;

  // Starts the records in a temporary sibling of tokens_name. For adding, old_tokens holds the
  // index's records (copied first), and the index's types and texts are handed over here.
  bool Begin(const UString& tokens_name, TIndexFile* old_tokens, int32_t old_entries);
  void TakeOldTypes(TIndexTypeTable&& table, std::vector<TIndexTypeFileRec>&& recs, int32_t texts);

  // --- one text, on the calling thread
  void StartText();
  bool AddBatch(const TTokenBatch& batch);
  // Marks the text's last token the end of its text; the text counts from now on.
  bool EndText();
  // Takes back everything the text added (it could not be read to its end).
  void DropText();

  // --- after the texts
  // Links the chains and writes the count and the settings block: the ".tokens" file is complete.
  bool FinishTokens(const TIndexSettingsBlock& block);
  // Writes ".types" to a temporary sibling of types_name.
  std::unique_ptr<TIndexFile> WriteTypes(const UString& types_name, const TTypeFileTail& tail);
  std::unique_ptr<TIndexFile> ReleaseTokens();

  int64_t Tokens() const { return tokens_ ? tokens_->AppendedEntries() : 0; }
  int32_t Texts() const { return texts_; }
  int32_t TypeCount() const { return types_.Count(); }
  const TIndexTypeTable& Types() const { return types_; }
  // What failed: names the file and the reason.
  const UString& Error() const { return error_; }

 private:
  bool Fail(const UString& why);

  // What every token changes of its type, kept together; the rest of a type record is made when
  // ".types" is written.
  struct THot {
    int32_t first;
    int32_t last;
    int32_t freq;
    int32_t n_texts;
    int32_t last_text;
  };
  TIndexTypeTable types_;
  std::vector<THot> hot_;
  std::unique_ptr<TTokenFileStream> tokens_;
  int32_t texts_ = 0;
  UString error_;
  // The text being committed: its keys' types, and what taking it back needs.
  std::vector<int32_t> local_;
  int64_t text_first_token_ = 0;
  int32_t types_at_text_start_ = 0;
  struct TUndo {
    int32_t type;
    THot hot;
  };
  std::vector<TUndo> undo_;
};

// Reads texts 0..count-1 on `threads` workers (inline for one) and hands each text's tokens to
// the calling thread in text order: batch(k, ...) for every batch handed over while text k was
// read, then end(k, answer) once with the text's answer (its last tokens among it). read(k)
// reads text k with `setup`, whose hand_over_tokens the run sets (a text read again on the
// calling thread, inside end, hands its batches straight to batch). Workers read at most
// 2 x threads texts ahead and hold back while the batches waiting for the calling thread pass a
// bound, so memory stays bounded whatever the texts' sizes. batch or end answering false ends
// the run (texts being read stop at their next chunk).
void RunTextsIntoIndexInOrder(int32_t count, int32_t threads, TWordCountSetup& setup,
                              const std::function<TTextWordCounts(int32_t)>& read,
                              const std::function<bool(int32_t, TTokenBatch&)>& batch,
                              const std::function<bool(int32_t, TTextWordCounts&)>& end);
