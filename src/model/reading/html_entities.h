// User-written list files and the HTML character-entity table.
//
// A user list is plain text with one entry per line (8-bit lists also split at ","; UTF-16 lists
// also at "(", ")" and vertical tab); an entry beginning with ";" comments out the rest of its
// line. The entity table is such a list of lines like "&gt; 62": the entity as written, a tab or
// blank, and its character code (or the character itself). One table serves the whole program;
// it starts with "&gt;", "&lt;" and "&ast;" and takes more from the user's "html_entities.txt",
// loaded once before a run.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/rtl/ustring.h"

class TStream;

class TSimpleUserTextFileReader {
 public:
  virtual ~TSimpleUserTextFileReader() = default;

  // False when the file is missing or unreadable. Entries are added to those already held.
  virtual bool LoadedFromFile(UStringView filename);
  // Reads from the stream's position to its end. False for fewer than 2 bytes (or a stream too
  // large for a list); otherwise every entry is offered to AddIfFormatOK.
  bool LoadedFromStream(TStream& stream);

 protected:
  // Takes one trimmed, non-empty entry; adds an item when it is well formed.
  virtual void AddIfFormatOK(const UString& s) = 0;
};

struct TEntity_rec {
  int32_t char_num = 0;  // the character's code point (1 to 0x10FFFF)
  int32_t len = 0;       // characters in human
  UString human;         // the entity as written, beginning with "&", e.g. "&gt;"
};

class TEntityRecHolder {
 public:
  TEntity_rec rec;
};

class TEntityRecList : public TSimpleUserTextFileReader {
 public:
  TEntityRecList() = default;

  // Starts again from the three defaults, then adds the file's entities (later entries take
  // precedence over earlier ones of the same name). False when the file could not be read; the
  // defaults are then in place.
  bool LoadedFromFile(UStringView filename) override;
  void LoadUpDefaults();  // adds "&gt; 62", "&lt; 60" and "&ast; 42"
  void Clear();
  int32_t Count() const { return static_cast<int32_t>(items_.size()); }
  const TEntity_rec& Get(int32_t i) const { return items_[static_cast<size_t>(i)]->rec; }

  // "&name;" (with its closing ";" or blank, when it has one) to a code point: an entry written
  // in exactly that case first, else one that differs only in case; 0 when there is none.
  char32_t Lookup(const char16_t* name, size_t n) const;
  // The longest entity held, in characters.
  size_t LongestEntity() const { return longest_; }

  void AddIfFormatOK(const UString& s) override;

 private:
  std::vector<std::unique_ptr<TEntityRecHolder>> items_;
  size_t longest_ = 0;
};

// The program's entity table: the three defaults, and the user's entities once LoadEntityTable
// has read them. It is loaded before texts are read and only read while they are, so readers on
// any number of threads share it without a lock.
const TEntityRecList& EntityTable();
// Starts the table again from the defaults and adds the file's entities; false when the file
// could not be read (the defaults are then in place). Called while no text is being read.
bool LoadEntityTable(UStringView filename);
// Whether LoadEntityTable has run in this process (safe to ask from any thread).
bool EntityTableLoaded();
// The same table, writable: for set-up code alone, never while texts are read.
TEntityRecList& GlobalEntityRecList();

// Replaces character entities in place: "&#62;", "&#x3E;"/"&#X3e;" (";" optional) and named
// entities of the table. Code points above 0xFFFF become surrogate pairs; a number that is 0,
// above 0x10FFFF, a surrogate, or missing leaves its "&" and the rest as they are, as does a name
// not in the table. Returns the new number of characters; when that is below length a 0 is
// written after the text.
// With positions (one per character of the buffer), each character left takes the position of
// the character it came from (a replaced entity: that of its "&"), so a reader keeps knowing where
// each character lies in its file.
size_t DecodeHtmlEntitiesInPlace(char16_t* buffer, size_t length, const TEntityRecList& entities,
                                 uint32_t* positions = nullptr);
size_t DecodeHtmlEntitiesInPlace(char16_t* buffer, size_t length);
// For a zero-terminated buffer.
size_t DecodeHtmlEntitiesInPlace(char16_t* buffer);

// Text for HTML: > < & and " as named entities; the backslash and characters 160-255 as decimal
// entities; everything else as it is.
UString HtmlEscaped(UStringView s);

// Every "<...>" of s shown as text in a font element of the colour (a BGR value, the platform's
// colour order; written as RRGGBB): <font color = "#RRGGBB">&lt;inner&gt;</font>, the inner text
// escaped. The text around the tags is copied as it is.
UString TagsInHtmlColour(UStringView s, uint32_t colour);
