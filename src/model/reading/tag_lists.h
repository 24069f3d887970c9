// Lists that the tools of the suite hand to each other through files in the user's own hand-over
// folder (shell/services/hand_over_folder.h: checked before every read and write, written 0600, a
// file there read only when it is this user's plain file, never through a link).
//
// Two families:
// - swap lists (TBaseSwapList): the mark-up tag lists the user defined: tags to keep
//   ("tags_to_keep.dat"), tags to exclude with everything between them ("tags_to_exclude.dat")
//   and character entities to translate ("entity_tags.dat"). Besides their temporary file they
//   can be filled from a plain text file the user wrote.
// - inter-tool lists (TBaseInterToolList): requests and data passed between two tools; a child
//   supplies the header it writes before the items and the items themselves.
//
// Swap-list temporary file (little-endian):
//   int32  -Count   (a file written before versions were kept starts with +Count instead and
//                    has no version word; its items are then in the short form, version 0)
//   int32  version  (only after a negative first word; written as at least 1)
//   items, in list order, each as the item writes itself.
// A tag item is its fixed record (84 bytes from version 1 on, 12 bytes in version 0) followed by
// the tag and its description (WriteAString); an entity item is 4 bytes (the character and its
// kind bits) followed by the entity text.
//
// Inter-tool temporary file: the child's header, int32 Count, then the items.
//
// Every read answers false when the file is missing or any part fails and keeps the items read
// whole before the failure; every write goes through a temporary sibling, so a failed write
// leaves the previous file as it was.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/rtl/ustring.h"

class TStream;

// --- stored records ----------------------------------------------------------------------------

// How a tag of a tag list pairs with others.
enum TTag_OnOffUnique : uint8_t {
  unique_tag = 0,
  on_tag = 1,
  off_tag = 2,
  on_middle_and_off_again_tag = 3,  // an excluded pair: opening tag, anything, closing tag
};

#pragma pack(push, 1)
struct TAddedTagData {
  uint8_t isTagForTagStringOnlyDisplay;  // Boolean
  uint8_t bools[7];                      // reserved, zero
  uint8_t extras[64];                    // reserved, zero
};

// The part of a tag record that is stored byte for byte.
struct TStoredTagFixed {
  uint8_t tag_type;           // TTag_OnOffUnique
  int16_t partner;            // index of the matching on/off tag in the same list, -1 none
  uint8_t isMediaTag;         // Boolean: the tag marks a media segment to play
  int32_t foreground_colour;  // colours as the user interface keeps them (0x00BBGGRR)
  int32_t background_colour;
  TAddedTagData added;
};

struct TTranslateTagFixed {
  char16_t short_form;  // the character that replaces the entity
  uint16_t short_C1;    // its character-kind bits
};
#pragma pack(pop)

static_assert(sizeof(TAddedTagData) == 72);
static_assert(sizeof(TStoredTagFixed) == 84, "a tag record stores 84 bytes");
static_assert(offsetof(TStoredTagFixed, partner) == 1 && offsetof(TStoredTagFixed, isMediaTag) == 3 &&
              offsetof(TStoredTagFixed, foreground_colour) == 4 &&
              offsetof(TStoredTagFixed, background_colour) == 8 && offsetof(TStoredTagFixed, added) == 12);
static_assert(sizeof(TTranslateTagFixed) == 4);
// Bytes of a tag record in a version-0 file: tag_type to background_colour.
inline constexpr int64_t kShortStoredTagBytes = 12;

// One tag of a tag file.
struct TStoredTagRec : TStoredTagFixed {
  UString tag;          // e.g. "<p>", possibly with wildcards
  UString description;  // free text; "section" makes the tag a section start
  TStoredTagRec() : TStoredTagFixed{} {}
};

// One character entity.
struct TTranslateTagRec : TTranslateTagFixed {
  UString long_form;  // the entity as found in texts, e.g. "&amp;"
  TTranslateTagRec() : TTranslateTagFixed{} {}
};

// --- swap lists ----------------------------------------------------------------------------------

// The largest tag file a user may give (ReadFromUserSpecifiedFile refuses a larger one).
inline constexpr int64_t kMostUserTagFileBytes = int64_t{64} << 20;

class TBaseSwapList;

// Base of the items of a swap list.
class TTagListObj {
 public:
  explicit TTagListObj(TBaseSwapList* Aparent) : papai(Aparent) {}
  virtual ~TTagListObj() = default;
  TBaseSwapList* papai;  // the owning list
};

// The item class of a list: makes a blank item for the list.
using TTagListObjClass = std::unique_ptr<TTagListObj> (*)(TBaseSwapList* Aparent);

class TTagStringItem : public TTagListObj {
 public:
  TTagStringItem(const TStoredTagRec& e, TBaseSwapList* Aparent) : TTagListObj(Aparent), data(e) {}
  static std::unique_ptr<TTagListObj> CreateBlank(TBaseSwapList* Aparent);
  // Reads the 84-byte form when the owning list's fVersion is above 0, else the 12-byte form.
  bool ReadFromStream(TStream& Stream);
  bool SaveToStream(TStream& Stream) const;  // always the 84-byte form
  // Sorting support: copies this item's record into the owner's holder, or compares this item's
  // tag with the holder's (locale-aware, by the owner's language).
  void SetBase(int32_t index, TBaseSwapList* Aparent, int32_t ASortStage) const;
  int32_t CompareWithBase(int32_t index, TBaseSwapList* Aparent, int32_t ASortStage) const;

  TStoredTagRec data;
};

class TTranslateTagStringItem : public TTagListObj {
 public:
  TTranslateTagStringItem(const TTranslateTagRec& e, TBaseSwapList* Aparent) : TTagListObj(Aparent), data(e) {}
  static std::unique_ptr<TTagListObj> CreateBlank(TBaseSwapList* Aparent);
  bool ReadFromStream(TStream& Stream);
  bool SaveToStream(TStream& Stream) const;
  void SetBase(int32_t index, TBaseSwapList* Aparent, int32_t ASortStage) const;
  int32_t CompareWithBase(int32_t index, TBaseSwapList* Aparent, int32_t ASortStage) const;

  TTranslateTagRec data;
};

class TBaseSwapList {
 public:
  TBaseSwapList(uint32_t anLCID, uint16_t aCodepage);
  virtual ~TBaseSwapList();
  TBaseSwapList(const TBaseSwapList&) = delete;
  TBaseSwapList& operator=(const TBaseSwapList&) = delete;

  int32_t Count() const { return static_cast<int32_t>(items_.size()); }
  TTagListObj* Items(int32_t i) const;  // nullptr outside the list
  void Add(std::unique_ptr<TTagListObj> item);
  virtual void Clear();  // frees every item

  // The temporary file: false when it is missing, no plain file of this user's, larger than a
  // hand-over may be (kMostChosenTextsBytes), or any part fails (the items read whole stay).
  bool LoadFromTempFile();
  bool SavedToTempfile();
  // A plain text file the user wrote: one entry per line (or between commas outside double
  // quotes); ";" starts a comment. UTF-16 with a byte-order mark, UTF-8 with or without one, or
  // 8-bit text in the list's code page. The result says whether the file could be read;
  // rejected entries are counted in bad_lines.
  virtual bool ReadFromUserSpecifiedFile(const UString& filename);
  // Counts and reports an entry in the wrong format (at most five warnings per file).
  void TryToFuss(const UString& s);

  // Parses one entry of a user file and adds it when it is well formed.
  virtual void AddFromALine(const UString& s) = 0;
  virtual bool ReadAnItem(TStream& stream, int32_t index) = 0;
  virtual bool SavedAnItem(TStream& stream, int32_t index) = 0;
  virtual UString TempFilename() const = 0;
  // The blank item the line parser fills and the sort routines compare with.
  virtual TTagListObj* Holder() = 0;

  // The user's hand-over folder followed by name; empty when no such folder can be trusted.
  static UString SwapFileName(UStringView name);

  int32_t fVersion = 0;    // version of the temporary file last read or written
  int32_t quotes = 0;      // double quotes met while splitting a user file (odd: inside quotes)
  int32_t bad_lines = 0;   // entries rejected while reading a user file
  uint32_t fLCID;
  TTagListObjClass fEntriesClass = nullptr;
  uint16_t fWrong_Format_strs = 0;  // "wrong format" warnings already shown
  uint16_t fCodepage;
  UString CurrentTagType;  // the kind of list, shown in warnings

 protected:
  // Bytes that one stored item takes at the least (to check a count against the file).
  virtual int64_t MinStoredItemBytes() const = 0;
  // Splits decoded text into entries and gives each to AddFromALine. `wide`: the file was UTF-16.
  void ParseUserText(const UString& text, bool wide);
  // Runs after every read of the temporary file, whole or not.
  virtual void AfterTempFileRead() {}

  std::vector<std::unique_ptr<TTagListObj>> items_;
};

// The lists whose items are tags (keep and exclude).
class TBaseTagStringList : public TBaseSwapList {
 public:
  TBaseTagStringList(uint32_t anLCID, uint16_t aCodepage);
  ~TBaseTagStringList() override;

  TTagStringItem* TagItem(int32_t i) const;  // nullptr outside the list
  // The record of item i; a zero-filled record when i is outside the list.
  TStoredTagRec GetTagRec(int32_t i) const;
  // Puts a record into item i; ignored when i is outside the list.
  void PutTagRec(int32_t i, const TStoredTagRec& rec);
  // The partner of item i; -1 outside the list.
  int32_t Partner(int32_t i) const;

  bool ReadAnItem(TStream& stream, int32_t index) override;
  bool SavedAnItem(TStream& stream, int32_t index) override;
  TTagListObj* Holder() override { return fTagHolder.get(); }

  std::unique_ptr<TTagStringItem> fTagHolder;

 protected:
  int64_t MinStoredItemBytes() const override;
  void AfterTempFileRead() override;  // partners outside the list become none
  // Adds a copy of the holder's record as a new item.
  void AddHolderCopy();
};

class TTagsToKeepList : public TBaseTagStringList {
 public:
  TTagsToKeepList(uint32_t anLCID, uint16_t aCodepage);

  // A line that is no tag between "<" and ">" is counted in bad_lines and, when messages are
  // shown, added only when the user says so; after five such questions in a file (counted with
  // the wrong-format warnings) the rest are left out unasked.
  void AddFromALine(const UString& s) override;
  // The same, but such a line is added without asking (the user was asked when it was read).
  void AddFromALineWithoutAsking(const UString& s);
  UString TempFilename() const override;  // "tags_to_keep.dat"
  bool ReadFromUserSpecifiedFile(const UString& filename) override;  // then pairs the tags

  // The first item equal to ATag in type, partner, media flag, tag, description and colours.
  int32_t IndexOf(const TStoredTagRec& ATag) const;
  // Pairs opening and closing tags whose texts agree once blanks, "*" and "/" are removed.
  void CheckTagPartners();

 private:
  void AddTagLine(const UString& s, bool ask);
};

class TTagsToDeleteList : public TBaseTagStringList {
 public:
  TTagsToDeleteList(uint32_t anLCID, uint16_t aCodepage);

  void AddFromALine(const UString& s) override;
  UString TempFilename() const override;  // "tags_to_exclude.dat"
};

class TTagsToTranslateList : public TBaseSwapList {
 public:
  TTagsToTranslateList(uint32_t anLCID, uint16_t aCodepage);
  ~TTagsToTranslateList() override;

  // "entity replacement": the entity, one blank, then the character itself or its number after
  // "#" or "{" (decimal, or hexadecimal after "x" or "$"). Lines without an entity, without a
  // replacement, or whose number is 0 or above 0xFFFF are rejected.
  void AddFromALine(const UString& s) override;
  bool ReadAnItem(TStream& stream, int32_t index) override;
  bool SavedAnItem(TStream& stream, int32_t index) override;
  UString TempFilename() const override;  // "entity_tags.dat"
  TTagListObj* Holder() override { return fTagHolder.get(); }

  TTranslateTagStringItem* TranslateItem(int32_t i) const;  // nullptr outside the list
  TTranslateTagRec GetTranslateRec(int32_t i) const;        // zero-filled outside the list
  int32_t IndexOf(const TTranslateTagRec& ATag) const;

  std::unique_ptr<TTranslateTagStringItem> fTagHolder;
  TTranslateTagRec fbasedata;

 protected:
  int64_t MinStoredItemBytes() const override;
};

// The colour (0x00BBGGRR) a tag file names: the suite's own names ("Cream", "Dollar Green",
// "Grey-Green", ...) and the web colour names, without regard to case or blanks. False for an
// unknown name.
bool TagColourFromName(UStringView name, int32_t& colour);
// Default colours of tags and of text in the current visual style.
int32_t DefaultTagTextColour();
int32_t DefaultTagBackgroundColour();
int32_t DefaultBackgroundColour();

// --- inter-tool lists ----------------------------------------------------------------------------

class TBaseInterToolList;

class TInterToolListObj {
 public:
  explicit TInterToolListObj(TBaseInterToolList* APertenceA) : PertenceA(APertenceA) {}
  virtual ~TInterToolListObj() = default;
  TBaseInterToolList* PertenceA;  // the owning list
};

using TInterToolListObjClass = std::unique_ptr<TInterToolListObj> (*)(TBaseInterToolList* APertenceA);

// A list passed from one tool (fCreateTool) to another (fUseTool). The list owns its items:
// Clear and destruction free them (a child frees what its items hold in their destructors).
class TBaseInterToolList {
 public:
  TBaseInterToolList(uint8_t AcreateTool, uint8_t AuseTool);
  virtual ~TBaseInterToolList();
  TBaseInterToolList(const TBaseInterToolList&) = delete;
  TBaseInterToolList& operator=(const TBaseInterToolList&) = delete;

  int32_t Count() const { return static_cast<int32_t>(items_.size()); }
  TInterToolListObj* Items(int32_t i) const;  // nullptr outside the list
  void Add(std::unique_ptr<TInterToolListObj> item);
  virtual void Clear();

  // Adds the file's items to those held (the list is not cleared first). False when the file is
  // missing, its header or count is bad, or an item fails; the items read whole stay. The file is
  // a hand-over (hand_over_folder.h): it is read only when it is this user's plain file, and one
  // larger than a choice of texts may be (kMostChosenTextsBytes), or holding more items than such
  // a choice holds texts, is refused before it is read, ReadProblem() saying why.
  bool ReadFromTempfile();
  // Written private (0600, a link at the name replaced, not followed).
  bool SavedToTempfile();
  // Why the last ReadFromTempfile refused the file unread; empty when it was read (if damaged).
  const UString& ReadProblem() const { return fReadProblem; }

  uint8_t fCreateTool;
  uint8_t fUseTool;
  TInterToolListObjClass fEntriesClass = nullptr;

 protected:
  virtual bool ReadPreliminaries(TStream& stream) = 0;
  virtual bool ReadAnItem(TStream& stream, int32_t index) = 0;
  virtual bool SavedPreliminaries(TStream& stream) = 0;
  virtual bool SavedAnItem(TStream& stream, int32_t index) = 0;
  virtual UString TempFilename() const = 0;
  // Bytes that one stored item takes at the least (to check the count against the file).
  virtual int64_t MinStoredItemBytes() const { return 1; }

  std::vector<std::unique_ptr<TInterToolListObj>> items_;
  UString fReadProblem;
};
