// The files of a corpus index, byte for byte (docs/formats.md has them field by field), and the
// streams that write and read them.
//
//   ".tokens"  signature record (57 bytes), int32 N, N token records of 16 bytes in text order
//              from offset 61, then the 3352-byte index settings block; nothing after it.
//   ".types"   signature record, int32 N, N int32 offsets (entry i, at 61 + 4 i: where type i's
//              record starts; int64 entries at 61 + 8 i when a record starts beyond 2^31 - 1),
//              the type records in number order (36 bytes, 24 in a file of version 0, and the
//              word as WriteAString writes it), then the column headings (int32 count, each
//              WriteAString) and the notes.
//   ".stats"   a 57-byte header (the word lister's signature, list type 19), then the statistics
//              list's stream; each row keeps the text's size and modification time at 340.
//   ".markup"  the section starts' own stream form.
// The two index files carry the word lister's signature and list type 23 whichever tool writes
// them, and version 1 (a larger version is a newer program's index and is not read; version 0
// is the older layout of 24-byte type records, read as well).
//
// Writing never touches a file that is there: every file is written to a temporary sibling, and
// CommitIndexFiles (index_commit.h) puts the siblings in place together, through a commit record
// that lets an opener roll a save cut short back, or a finished one forward. Every write answers true only when every
// byte was written; a write that fails names the file and the system's reason.
//
// Reading takes nothing on trust: counts, offsets and places are checked against the file's
// size before they are used, and a chain is followed only forwards, within the records.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <vector>

#include "model/documents/check_signature.h"
#include "platform/rtl/ustring.h"
#include "platform/settings/settings_records.h"

class TVXBaseHolder;
class TIndexTypeView;

inline constexpr int64_t kIndexDataStart = 61;      // the first record of either index file
inline constexpr int64_t kIndexSettingsBytes = 3352;
inline constexpr int32_t kIndexVersionNum = 1;      // signature record, offset 8
inline constexpr int32_t kIndexBlockVersion = 1;    // settings block, offset 3288
inline constexpr int32_t kIndexSaveWidth = -1;      // signature record, offset 12

// Bits 0-27 of a token's word_type_number are its type, bits 28-31 its marker: 1 punctuation
// right after the word, 2 a sentence boundary before the next word, 4 a paragraph, heading or
// section boundary before it, 8 the last word of its text.
inline constexpr uint32_t kTokenTypeMask = 0x0FFFFFFF;
inline constexpr uint32_t kGapMarker = 0x0FFFFFFF;  // a gap in a word-type sequence ("*")
inline constexpr uint32_t kMaxTypeNumber = kGapMarker - 1;
enum : uint32_t {
  kMarkPunctuation = 1,
  kMarkSentenceEnd = 2,
  kMarkUnitEnd = 4,
  kMarkTextEnd = 8,
};
inline uint32_t TypeRecWithoutTextMarker(uint32_t word_type_number) { return word_type_number & kTokenTypeMask; }
inline uint32_t TextMarkerOf(uint32_t word_type_number) { return word_type_number >> 28; }
inline uint32_t WithTextMarker(uint32_t type, uint32_t marker) { return (type & kTokenTypeMask) | (marker << 28); }

#pragma pack(push, 1)
struct TTokensFileRec {
  uint32_t word_type_number;  // type in bits 0-27, marker in 28-31
  int32_t next_known_token;   // the next running word of the same type; -1 none
  int32_t file_number;        // 1-based text of the index
  int32_t file_byte_position;
};
// The stored part of a type record.
struct TIndexTypeFileRec {
  int32_t first_token_place;
  int32_t last_token_place;
  uint32_t word_type_num;
  int32_t last_running_word_count;  // the index's running words up to and with the last place
  int32_t n_texts;
  int32_t freq;
  int32_t tag_units;  // the word begins with a tag of this many units (tags counted with words)
  uint8_t spare[8];
};
struct TTokenAndPlaceRec {
  int32_t index_place;
  TTokensFileRec data;
};
#pragma pack(pop)
static_assert(sizeof(TTokensFileRec) == 16 && offsetof(TTokensFileRec, file_byte_position) == 12);
static_assert(sizeof(TIndexTypeFileRec) == 36 && offsetof(TIndexTypeFileRec, freq) == 20 &&
              offsetof(TIndexTypeFileRec, tag_units) == 24);
static_assert(sizeof(TTokenAndPlaceRec) == 20);

// A type record with its word.
struct TIndexTypeRec {
  TIndexTypeFileRec rec{};
  UString data;
};

// The index settings block as a save writes it (see docs/formats.md).
using TIndexSettingsBlock = TWordlistIndexSettingsRec;

// --- the seam for failing writes -------------------------------------------------------------
// From now on, the n-th write or rename of an index file (0: the next one) fails as a full disk
// does; a negative n: none fails. For tests that fail each step of a save in turn.
void SetIndexWriteFailureAfter(int64_t n);
// Writes and renames since the seam was last set.
int64_t IndexWritesCounted();
// Counts one write or rename; true when the seam makes this one fail.
bool IndexWriteSeamFails();

// --- one file ----------------------------------------------------------------------------------

// A file read or written at byte positions (64-bit), through the descriptor.
class TIndexFile {
 public:
  ~TIndexFile();
  TIndexFile(const TIndexFile&) = delete;
  TIndexFile& operator=(const TIndexFile&) = delete;

  // Opens an existing file to read; nullptr (error says why) when it cannot be.
  static std::unique_ptr<TIndexFile> OpenRead(const UString& name, UString* error);
  // A new, empty temporary sibling of `final_name` in its folder; it is removed when the object
  // goes unless Keep() was called (CommitIndexFiles does).
  static std::unique_ptr<TIndexFile> CreateTemp(const UString& final_name, UString* error);
  // The same holding `bytes`; nullptr (error says why) when it could not be written.
  static std::unique_ptr<TIndexFile> TempHolding(const UString& final_name, const std::vector<uint8_t>& bytes,
                                                 UString& error);

  bool ReadAt(int64_t position, void* buffer, int64_t count);   // every byte, or false
  bool WriteAt(int64_t position, const void* data, int64_t count);  // every byte, or false
  int64_t Size() const;
  bool Truncate(int64_t size);
  bool Sync();
  // Copies `count` bytes of `from` at `from_position` to this file at `to_position`.
  bool CopyFrom(TIndexFile& from, int64_t from_position, int64_t to_position, int64_t count);

  const UString& Name() const { return name_; }
  const UString& FinalName() const { return final_name_; }
  // What failed last: the file and the system's reason.
  const UString& Error() const { return error_; }
  // Notes a failure of the caller's (`what` the file: errno); answers false.
  bool Failure(const char16_t* what) { return Fail(what); }
  int Descriptor() const { return fd_; }
  void Keep() { keep_ = true; }
  // Where CommitIndexFiles puts a temporary file.
  void SetFinalName(const UString& name) { final_name_ = name; }

 private:
  TIndexFile() = default;
  bool Fail(const char16_t* what);
  int fd_ = -1;
  UString name_;
  UString final_name_;
  UString error_;
  bool temporary_ = false;
  bool keep_ = false;
};

// Writes through a buffer to the end of a file; the first failure sticks.
class TIndexFileWriter {
 public:
  explicit TIndexFileWriter(TIndexFile& file, int64_t position = 0, size_t buffer_bytes = size_t{1} << 20);
  ~TIndexFileWriter();
  bool Write(const void* data, size_t count);
  template <typename T>
  bool Put(const T& v) { return Write(&v, sizeof v); }
  bool PutString(UStringView s);  // WriteAString's framing
  bool Flush();
  int64_t Position() const { return position_ + static_cast<int64_t>(used_); }
  bool Failed() const { return failed_; }

 private:
  TIndexFile& file_;
  int64_t position_;
  std::vector<uint8_t> buffer_;
  size_t used_ = 0;
  bool failed_ = false;
};

// --- the index file streams --------------------------------------------------------------------

// A file opened as an index file: the signature record and the entry count at its head.
class TIndexFileStream {
 public:
  virtual ~TIndexFileStream();
  // holder: the owning document (its width decides nothing here: words are always UTF-16).
  TIndexFileStream(TVXBaseHolder* holder, std::unique_ptr<TIndexFile> file);

  // Reads the record: true only for the word lister's signature and list type 23 (fcheck and
  // `list` keep what was read either way).
  bool CheckSignature();
  // -1 when the signature does not check; otherwise the int32 after the record (-1 when cut).
  virtual int32_t ReadNEntries();
  // The signature record and the count; true only when all 61 bytes were written.
  bool WriteNEntries(int32_t total_entries_now);
  int32_t Check() const { return fcheck.signature; }
  int32_t VersionNum() const { return fcheck.client_height; }

  TIndexFile& File() { return *file_; }
  std::unique_ptr<TIndexFile> ReleaseFile() { return std::move(file_); }

  TCheckSignature fcheck{};
  uint8_t list = 0;
  TVXBaseHolder* VXHolder = nullptr;

 protected:
  std::unique_ptr<TIndexFile> file_;
};

// ".tokens": appending token records while an index is built (through a buffer of up to
// kAppendRecords records, written out whole) and linking their chains in place; reading them
// once the file is opened, a few at a time or all through a read-only mapping.
class TTokenFileStream : public TIndexFileStream {
 public:
  static constexpr int32_t kBlockRecords = 102;  // TTokensFileRecArray
  static constexpr size_t kAppendRecords = size_t{1} << 21;

  TTokenFileStream(TVXBaseHolder* holder, std::unique_ptr<TIndexFile> file);
  ~TTokenFileStream() override;

  // --- reading (after MapRecords)
  // Records 0..entries-1 of an opened file are to be read.
  bool MapRecords(int32_t entries);
  // All the records through a read-only mapping, made when first asked for (any thread);
  // nullptr when the file cannot be mapped.
  const TTokensFileRec* Records() const;
  // n records from index on through a read (for a few records: no mapping); false outside them.
  bool ReadRecords(int64_t index, int32_t n, TTokensFileRec* out) const;
  int32_t TokenEntries() const { return fTokenEntries; }
  // Reads how_many records (at most 102) from index into `into`, which is first filled with 0xFF;
  // true only when every one lay within the records (those past the last stay unset).
  bool ReadSeveralTextOrderRecs(int64_t index, int32_t how_many, TTokensFileRec* into) const;
  // One record; outside the records raises "Index Seek problem".
  TTokensFileRec ReadTokenRecord(int64_t index) const;
  TTokensFileRec ReadTokenRecordUnmarked(int64_t index) const;

  // --- writing (a build into a temporary file)
  // Starts the records after `existing` records already in the file (copied there by the caller).
  void StartAppending(int32_t existing);
  // Appends one record; false once a write failed (Error() says why).
  bool WriteAtEnd(const TTokensFileRec& data) {
    if (used_ == room_ && !NewBuffer()) return false;
    window_[used_++] = data;
    return true;
  }
  // Records appended so far (with those there before).
  int64_t AppendedEntries() const { return window_first_ + static_cast<int64_t>(used_); }
  // Marks the last record the end of its text (marker bits := 8 | the word's flags) when it was
  // appended at or after first_of_text; a text that gave no record changes nothing. False when a
  // write failed.
  bool MakeLastEntryEOT(int64_t first_of_text);
  // Drops every record from `entries` on (a text that could not be read to its end).
  bool TruncateTo(int64_t entries);
  // Links the chains: every record's next_known_token := the next record of its type, -1 for
  // the last. One pass backwards over the records (types: how many there are).
  bool LinkChains(uint32_t types);
  // Writes what the buffer holds.
  bool FlushRecords();
  // The count, the settings block after the records, and everything to the disk.
  bool Saved(const TIndexSettingsBlock& block);
  // Where the settings block starts.
  int64_t SettingsBlockPosition() const { return kIndexDataStart + 16 * int64_t{fTokenEntries}; }
  bool Failed() const { return failed_; }

  int32_t fTokenEntries = 0;

 private:
  // Writes the buffer out and makes room in it.
  bool NewBuffer();

  mutable const TTokensFileRec* records_ = nullptr;
  mutable void* mapping_ = nullptr;
  mutable size_t mapping_bytes_ = 0;
  mutable std::once_flag mapped_;
  // The records being appended: the buffer, the number of its first record, used and room.
  std::vector<TTokensFileRec> buffer_;
  TTokensFileRec* window_ = nullptr;
  int64_t window_first_ = 0;
  size_t used_ = 0;
  size_t room_ = 0;
  bool failed_ = false;
};

// The column headings and notes that follow the type records.
struct TTypeFileTail {
  std::vector<UString> headings;
  std::vector<UString> notes;
};

// ".types": the type records by number, written in one pass, read in one pass.
class TTypeFileStream : public TIndexFileStream {
 public:
  TTypeFileStream(TVXBaseHolder* holder, std::unique_ptr<TIndexFile> file);

  // Writes the whole file: the records of types 0..count-1 (record(i) and text(i) give them),
  // then the headings and notes. False when a write failed.
  bool WriteAllData(int32_t count, const std::function<const TIndexTypeFileRec&(int32_t)>& record,
                    const std::function<UStringView(int32_t)>& text, const TTypeFileTail& tail);
  // Reads the whole file into `types` and checks every record in number order against it (the
  // offset table, the number, places within token_entries, frequencies), then reads the tail;
  // frequencies gets the frequencies' sum. False with a message (naming the byte offset) for a
  // damaged or cut file; `types` is then empty.
  bool ReadAllData(int32_t token_entries, TIndexTypeView& types, TTypeFileTail& tail, int64_t& frequencies,
                   UString& why);
  // One record by number through the offset table; false when it is not there or carries
  // another number (a damaged table).
  bool ReadTypeRecord(int32_t number, TIndexTypeRec& out);
  // A copy of the file with the headings and notes replaced, in a temporary sibling of `final_name`.
  std::unique_ptr<TIndexFile> RewriteTypeNotes(const TTypeFileTail& tail, const UString& final_name, UString& why);

  int64_t GridHeadingsStart() const { return fGridHeadingsStart; }

 private:
  int32_t fTypeEntries = 0;
  int64_t fGridHeadingsStart = 0;
  // The bytes of an offset-table entry (4, or 8 in a file too big for int32 offsets) and of a
  // record's stored part, as last written or read.
  int32_t fOffsetWidth = 4;
  int32_t fRecordHead = 36;
};

// The file position of type i's offset-table entry.
// The offset table holds int32 entries (at 61 + 4 i) unless a record starts beyond what an int32
// holds; then its entries are int64 (at 61 + 8 i). Type 0's record follows the table at once, so
// the first entry tells a reader the width.
inline int64_t TypeOffsetEntry(int32_t i, int32_t width) { return kIndexDataStart + width * int64_t{i}; }
// The stored part of a type record: 36 bytes, 24 (up to freq) in a file of version 0.
inline int64_t TypeRecordHead(int32_t version) { return version == 0 ? 24 : 36; }
// The stored size of a type record with its word of `units` UTF-16 units.
inline int64_t TypeRecordBytes(size_t units, int32_t version = kIndexVersionNum) {
  return TypeRecordHead(version) + 4 + 2 * static_cast<int64_t>(units);
}
