// Search-item lists: the search, context, exclusion and tag-context words of a run, each item a
// TSearch_word_format_rec, streamed inside concordance documents; the found list that keeps the
// context-word hits of one concordance line; and the simple list used for highlighting.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/rtl/streams.h"
#include "platform/rtl/ustring.h"
#include "platform/search/search_records.h"

class TBaseSearchItems {
 public:
  // Stored with the list so that a stream of one kind is never read into another.
  enum TItemsKind : uint8_t {
    kSearchItems = 0,
    kContextItems = 1,
    kExclusionItems = 2,
    kTagContextItems = 3,
    kSimpleItems = 4
  };

  explicit TBaseSearchItems(const TSearchTextOptions& options = {});
  virtual ~TBaseSearchItems();
  virtual TItemsKind ItemsKind() const { return kSearchItems; }

  int32_t Count() const { return static_cast<int32_t>(items_.size()); }
  // false (rec untouched) when index is out of range.
  bool GetSWR(int32_t index, TSearch_word_format_rec& rec) const;
  TSearch_word_format_rec* GetPtr(int32_t index);
  const TSearch_word_format_rec* GetPtr(int32_t index) const;
  // Blanks between the words of the item's longest alternative ("old man/man" gives 1).
  int32_t GetSpacesInSW(int32_t index) const;
  void Clear();
  void ClearHits();

  // Adds one item per non-empty line of text (trimmed, runs of blanks made one) unless an item
  // typed the same way is there already. True when anything was added.
  virtual bool AddedSearchWords(UStringView text, int32_t instances_to_find = 0x7FFFFFFF);
  // The same, the new items going in front of the others; answers how many were added.
  int32_t InsertSearchWordsAtTop(UStringView text);
  // Index of the item typed exactly so, -1 when none.
  int32_t TypeInIndexOf(UStringView typed) const;
  // One item per line of a text file (UTF-16 with byte-order mark, or UTF-8), each wanting
  // instances_to_find accepted hits; sets from_file. False when the file cannot be read or gives no
  // item. Files over 16 MiB are refused.
  bool LoadFromFile(const UString& file_name, int32_t instances_to_find);

  std::vector<UString> TypedInWordsAsStringlist() const;
  // All typed items joined: for display with ", ", otherwise with tabs (which TypeInParts can split
  // again, as no item holds a tab).
  UString AllTypedSearchWordsAsOne(bool for_display = true) const;
  // Fills every item's plain_sw from its typed text.
  void ComputePlainSearchWords();
  // How many items a run will search: 1 when restricted to one item, else the count.
  int32_t SearchesPlannedCount() const;

  // The list's own versioned format; a failed read leaves the list as it was.
  bool SaveToStream(TStream& s) const;
  bool ReadFromStream(TStream& s);

  void SetLanguage(uint32_t lcid) { options_.lcid = lcid; }
  uint32_t Language() const { return options_.lcid; }
  const TSearchTextOptions& TextOptions() const { return options_; }
  void SetTextOptions(const TSearchTextOptions& options) { options_ = options; }

  // Makes an item from typed text: trimmed, blanks made single, "==...==" turned into the
  // case option, the tag flag set when the text holds mark-up, the plain form filled.
  static TSearch_word_format_rec MakeItem(UStringView typed, int32_t instances_to_find = 0x7FFFFFFF);
  // The typed text without case marks and mark-up, blanks made single.
  static UString PlainFormOf(UStringView typed);

  int32_t single_item = -1;            // restrict a run to this item; negative: all
  bool from_file = false;              // the items were loaded from a file
  bool context_words_present = false;  // the run counts as having context words
  bool exact_position = false;         // context words must stand at required_distance
  bool require_all = false;            // every context word must be found
  int32_t required_distance = 0;       // signed position of context words (left negative)

 protected:
  std::vector<TSearch_word_format_rec> items_;
  TSearchTextOptions options_;
};

class TSearchWordItems : public TBaseSearchItems {
 public:
  using TBaseSearchItems::TBaseSearchItems;
};

class TContextWordItems : public TBaseSearchItems {
 public:
  using TBaseSearchItems::TBaseSearchItems;
  TItemsKind ItemsKind() const override { return kContextItems; }
};

class TExclusionWordItems : public TBaseSearchItems {
 public:
  using TBaseSearchItems::TBaseSearchItems;
  TItemsKind ItemsKind() const override { return kExclusionItems; }
};

// Kept and stored with the run, but nothing searches them: adding items says so in the log.
class TTagContextWordItems : public TBaseSearchItems {
 public:
  using TBaseSearchItems::TBaseSearchItems;
  TItemsKind ItemsKind() const override { return kTagContextItems; }
  bool AddedSearchWords(UStringView text, int32_t instances_to_find = 0x7FFFFFFF) override;
};

// A plain list of search records (highlighting in the text viewer, counting words).
class TSimpleSearchlist : public TBaseSearchItems {
 public:
  using TBaseSearchItems::TBaseSearchItems;
  TItemsKind ItemsKind() const override { return kSimpleItems; }
  int32_t AddOne(const TSearch_word_format_rec& rec);
  // Replaces the items with one per non-empty string.
  void LoadFromAStringlist(const std::vector<UString>& strings);
  UString GetATypedInSW(int32_t index) const;
};

// One kept hit (a context word found for a concordance line).
class TSearchFoundHolder {
 public:
  explicit TSearchFoundHolder(const TSearchFound_Rec& rec) : found(rec) {}
  TSearchFound_Rec found;
};

class TSearchFoundList {
 public:
  int32_t Add(const TSearchFound_Rec& rec);
  int32_t Count() const { return static_cast<int32_t>(holders_.size()); }
  // nullptr outside 0 .. Count()-1.
  const TSearchFoundHolder* Get(int32_t index) const;
  void Clear() { holders_.clear(); }

 private:
  std::vector<TSearchFoundHolder> holders_;
};
