// Reading one text in chunks: the gate every corpus text passes before it is searched or counted.
//
// TMyMemoryStream loads a text file (or a member of a zip archive) at most 2 MiB at a time.
// TBufferProcessor turns each loaded piece into a clean, classified UTF-16 buffer:
//   1. on the first piece it finds the encoding: a UTF-16 byte-order mark (either byte order), a
//      UTF-16 text without mark (statistical guess), a UTF-8 signature (skipped like the mark),
//      otherwise UTF-8 or the language's 8-bit code page (Windows-1252 unless the text settings
//      name another), decided once, on the first piece with a byte of 0x80 or above: UTF-8
//      when it holds a well-formed multi-byte sequence and fewer than one bad byte in 1,000
//      (each bad byte then reads as U+FFFD at its own byte), else the code page;
//   2. it decodes the piece to UTF-16 (composed, when the text settings ask for precomposed
//      characters, whatever the encoding) and keeps, for every character, the byte of the file
//      it came from (the chunk's byte map), through entity replacement and composition too;
//   3. a piece that is not the end of the text is cut at its last line end (else its last space,
//      else before its last character) and the cut-off tail is read again, from the file bytes of
//      its first character, at the start of the next piece: every character is read exactly once;
//   4. it classifies every character, then selects, cuts the header and hands the piece to the
//      tag handler's pre-processing steps, and finally to the tool's ProcessAChunkOfFile;
//   5. every piece after the first is handed over with the previous piece's last processed
//      characters before it (at least its last 64 words and 1,000 characters, a line's width,
//      at most 4,096 characters, from a word start), with the kinds they had then and their
//      bytes in the byte map, so that a phrase across a cut can be matched and a line can show
//      its left context: ChunkStartIndex() is where the new characters begin, and
//      ChunkStartInFile() is their first byte. Each character is new in exactly one piece;
//   6. every piece but the text's last is followed in the buffer by a look-ahead: the next
//      LookAheadLength() characters after the cut (at most LookAheadWanted, 500 unless set, half
//      a line's width), with their kinds and bytes, classified and tag-handled with the piece so
//      that a line can show its right context and a full stop at the cut is judged on what
//      follows it. Length() leaves the look-ahead out: it is never searched or counted, no tag,
//      section, marker or sentence end in it is counted, and it is read again, as new
//      characters, at the start of the next piece. The two zero kinds follow the look-ahead.
// A tagged span to exclude that opens before a cut and closes after it stays open into the
// next piece: its characters are hidden in both, however far the opening lies from the cut.
// A run of texts (a job) takes one TTextReadSnapshot of the settings before its first text and
// hands it, with the run's own counters, to every processor through a TTextReadRun: reading a
// text writes nothing shared and asks no one but the run's question call-back. For as long as the
// run lives, each zip archive of its texts is opened and listed once. Between chunks a processor
// polls the run's job token (stop state, progress), or without one the program's stop state.
// Memory stays at one chunk, its carried tail and its look-ahead: the raw bytes, their UTF-16
// form, one kind word and one byte offset per character. Sizes and positions are 64-bit.
// The tag passes run once the carried characters are in place, over the new characters and the
// look-ahead; a chunk without any character that could start a tag skips the passes that only
// look for tags (keeping, hiding).
//
// Stream form of a processed chunk (SaveToStream / ReadFromStream), little-endian:
//   chunk 0 only: TFileHandledRec (56 bytes)
//   uint8 UTF-16 flag (1: two bytes a character; 0: one byte, in the document's code page),
//   int32 characters, the characters
//   int32 n, n character kinds (uint16)
//   TBufferDetailsRec (80 bytes)
//   the section starts (their own stream form)
//   the byte map: int64 first byte, int32 width (1 or 2; 0 when offsets follow), then for 0:
//   int32 n and n uint32 offsets (one per character and one for the end); a map that does not
//   lie within the text's size, or a chunk start outside the buffer, marks a damaged stream.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <utility>
#include <string>
#include <vector>

#include "model/reading/chosen_texts.h"
#include "model/reading/tag_handler.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/unfilled_vector.h"
#include "platform/rtl/ustring.h"
#include "platform/runtime/job_token.h"
#include "platform/runtime/vx_tools.h"
#include "platform/search/chunk_byte_map.h"
#include "platform/search/fast_first_pass.h"
#include "platform/settings/settings_records.h"
#include "platform/text/mapped_text.h"
#include "platform/zip/zip_archive_cache.h"

struct TAllFileHandledInfo;
class TTextTagHandler;
class TTessorineholder;
class TSectionStartsList;
class TZipForge;
class TBufferProcessor;

inline constexpr int64_t kTextChunkBytes = 2097152;  // bytes read at a time
// Bytes of a plain file mapped at a time, for the chunks the fast pass reads where they lie: a
// few chunks, so that maps are made seldom, while what a reading worker holds mapped stays small
// (mapped pages count in the process's resident memory).
inline constexpr int64_t kMapStretchBytes = int64_t{8} << 20;
// How the chunks read so far went, over every text and thread: how many the fast pass judged and
// how many it read as bytes, its blocks of 64 characters (those holding units beyond ASCII, and
// those it classified one at a time), and why the others went down the full road, most often
// first. For the benchmarks, which print it after a run.
struct TRoadShare {
  int64_t chunks = 0, judged = 0, as_bytes = 0;
  int64_t blocks = 0, blocks_beyond_ascii = 0, blocks_alone = 0;
  std::vector<std::pair<std::string, int64_t>> reasons;
};
TRoadShare RoadShare();

// A chunk of UTF-8 keeps where its characters lie as runs of one byte a character (TByteRuns)
// while it holds at most about one sequence beyond ASCII in this many units (Czech prose, say),
// and is then read as one byte a character; denser text (Cyrillic, Greek) keeps an offset a
// character and is read as units.
inline constexpr size_t kRunsAtMostOneIn = 4;

inline constexpr int32_t kBoundarySearchChars = 10000;  // how far back a chunk looks for its cut
inline constexpr int kTextSelectStrings = 28;
inline constexpr int32_t kCarriedWordsMin = 64;      // words of a piece handed over again with the next
inline constexpr int32_t kCarriedCharsMin = 1000;   // and at least a line's width of characters
inline constexpr int32_t kCarriedCharsMax = 4096;   // at most this many characters
inline constexpr int32_t kLookAheadChars = 500;     // characters after a cut kept in the buffer: half a line
inline constexpr int32_t kLookAheadCharsMax = 16000;  // half the widest line

#pragma pack(push, 1)
// How one text was handled; the owner adds it to its totals when the processor is freed.
struct TFileHandledRec {
  int64_t file_size;             // bytes of the text (file or zip member)
  uint8_t is_html;               // the text is mark-up (begins with "<html>"): entities replaced
  uint8_t is_zipped;             // a member of a zip archive
  uint8_t is_unicode;            // the text is UTF-16
  uint8_t excluded;              // the text selection excluded it
  uint8_t converted_to_unicode;  // 8-bit text (UTF-8 or a code page) converted to UTF-16
  uint8_t utf8_signature;        // the text begins with the UTF-8 signature
  // The document must hold UTF-16 entries from this text on (a UTF-16 text, mark-up, a UTF-8
  // text kept as it is): the job sets the document's flag, the reader never does.
  uint8_t unicode_content;
  uint8_t reserved[41];
};

// What the current buffer holds.
struct TBufferDetailsRec {
  uint8_t has_media_tags;     // the tag handler's two flags, copied when the chunk is processed
  uint8_t has_section_tags;
  uint8_t encoding;           // TTextEncoding of the chunk's bytes
  uint8_t last_chunk;         // the text ends with this chunk
  int32_t length_in_chars;    // characters in the buffer
  int64_t chunk_file_offset;  // file byte of the first character
  int64_t chunk_file_end;     // file byte just after the chunk (where the next one starts)
  int64_t file_size;
  int32_t chunk_index;
  int32_t header_length_in_chars;
  int32_t code_page;          // for 8-bit text: the code page it was read in
  int32_t chunk_start;        // where the chunk's new characters begin; those before it are carried over
  int32_t look_ahead;         // characters after length_in_chars read ahead (never searched); 0 when stored
  uint8_t reserved[28];
};
#pragma pack(pop)
static_assert(sizeof(TFileHandledRec) == 56, "the file-handled record is 56 bytes");
static_assert(sizeof(TBufferDetailsRec) == 80, "the buffer details record is 80 bytes");
static_assert(offsetof(TFileHandledRec, is_html) == 8 && offsetof(TFileHandledRec, is_unicode) == 10 &&
              offsetof(TFileHandledRec, converted_to_unicode) == 12 && offsetof(TFileHandledRec, utf8_signature) == 13);
static_assert(offsetof(TFileHandledRec, unicode_content) == 14);
static_assert(offsetof(TBufferDetailsRec, length_in_chars) == 4 && offsetof(TBufferDetailsRec, code_page) == 40 &&
              offsetof(TBufferDetailsRec, chunk_start) == 44 && offsetof(TBufferDetailsRec, look_ahead) == 48);

// The text asks the document to hold UTF-16 entries (the job then sets its flag).
bool NeedsUnicodeDocument(const TFileHandledRec& info);
// The document keeps the same 56 bytes as its all-file-handled info.
void CopyFileHandledInfo(const TFileHandledRec& from, TAllFileHandledInfo& to);

struct TUtf8RunBreaks;

enum class TTextEncoding : uint8_t { CodePage = 0, Utf8 = 1, Utf16LE = 2, Utf16BE = 3 };

// --- the reader's encoding rules (step 1), for anything else that reads a text's bytes ---------
// What a text's start says: head holds its first head_n (at most 4) bytes, text_bytes how many
// bytes the text has at least, chunk its first piece. A byte-order mark (either way) or the UTF-8
// signature decides and is skipped; else a piece that looks like UTF-16 is read as such; else the
// text is 8-bit, UTF-8 or the code page as EightBitEncodingOf decides on the first piece with a
// byte of 0x80 or above (eight_bit_decided: already known).
struct TTextStartRec {
  TTextEncoding encoding = TTextEncoding::Utf8;
  uint32_t signature_bytes = 0;
  bool utf8_signature = false;
  bool eight_bit_decided = false;
};
TTextStartRec TextStartOf(const uint8_t* head, int64_t head_n, int64_t text_bytes, const uint8_t* chunk, size_t chunk_n);
// UTF-8 when the piece holds a well-formed multi-byte sequence and fewer than one bad byte in
// 1,000, else the code page. False (encoding untouched) for a piece of plain ASCII.
bool EightBitEncodingOf(const uint8_t* bytes, size_t n, TTextEncoding& encoding);

// Adds to the fast pass's rules the sentence punctuation beyond ASCII, as the sentence-end walk
// takes it: question and exclamation marks and the ellipsis are judged on the next letter alone,
// as "?" is; the other full stops (which a number or an abbreviation may hold) stop the pass.
void AddSentenceMarksBeyondAscii(TFastPassRules& r);
// UTF-8 with every bad byte read as U+FFFD at its own byte: text and one offset (base + byte) per
// UTF-16 unit and one for the end are appended. With more_follows, a sequence broken off at the
// end is left for the next piece. Answers the first bad byte's index, -1 when none.
int64_t DecodeUtf8Lenient(const uint8_t* bytes, size_t n, uint32_t base, bool more_follows, UString& text,
                          std::vector<uint32_t>& offsets);

// Everything reading takes from the settings store and the document, read once before a run's
// first text. The processors of the run only read it: a setting changed during the run is seen
// by the next run.
struct TTextReadSnapshot {
  TTextsett_rec32 text_settings;     // the document's, or the store's for a text read for none
  uint32_t conversion_options = 0;   // 4: may ask about UTF-8 texts, 8: asks
  bool messages_allowed = true;      // questions may be asked (not a run without messages)
  uint8_t tool = 0;                  // the tool the run reads for
  int32_t ignore_tags_span = 0;      // how far a tag may reach
  bool translating_tags = false;     // entities of the user's list are replaced
  bool keeping_tags = false;         // tags to keep are wanted
  bool excluding_spans = false;      // spans of the exclude list are dropped
  UString end_of_header;             // header-end markers separated by ";"
  bool selecting_texts = false;      // the text selection strings are used
  UString text_select[kTextSelectStrings];
  UString cluster_tag;               // the tag that joins a multi-word unit
  TTagReadSettings tags;             // what the tag handlers of the run are set up from
};
// Reads the snapshot: from the document when there is one (its text settings), else from the
// store alone. Also loads the user's entity table, once per process, before any text needs it.
TTextReadSnapshot TakeTextReadSnapshot(const TTessorineholder* document);

// The question a reader may put to its job, and the answers.
enum class TTextQuestion : uint8_t { ConvertUtf8Text };  // a text with the UTF-8 signature: convert it?
enum class TTextAnswer : uint8_t { No, Yes, NoToAll, YesToAll };
using TAskAboutText = std::function<TTextAnswer(TTextQuestion question, UStringView file_name)>;

// One run of reading (a job over its texts): the snapshot, the job's question call-back and what
// the run counts. A reader asks the call-back only when the settings say a question may be
// asked; without a call-back the answer is No (the text is read as it is). A "to all" answer
// holds for the rest of the run.
class TTextReadRun {
 public:
  // job, when given, is polled between chunks for a stop and for progress; without it the
  // program's stop state is read and events are pumped between chunks.
  explicit TTextReadRun(TTextReadSnapshot snapshot, TAskAboutText ask = nullptr, TJobToken* job = nullptr)
      : settings_(std::move(snapshot)), ask_fn_(std::move(ask)), job_(job) {}
  const TTextReadSnapshot& Settings() const { return settings_; }
  TJobToken* Job() const { return job_; }
  // The answer for this text: a "to all" answer given earlier, else the call-back's.
  TTextAnswer Ask(TTextQuestion question, UStringView file_name);
  // The run's counters and answers are shared by the readers of every worker thread.
  void NoteHeaderCut() { header_cuts_.fetch_add(1, std::memory_order_relaxed); }
  int32_t HeaderCuts() const { return header_cuts_.load(std::memory_order_relaxed); }
  bool AnsweredToAll() const { return to_all_.load() != 0; }
  // Stores what the run leaves for later ones, once, when it ends: the texts whose header was
  // cut, and that the UTF-8 question is not to be asked again after a "to all" answer.
  void StoreAtRunEnd();

 private:
  TTextReadSnapshot settings_;
  TAskAboutText ask_fn_;
  TJobToken* job_ = nullptr;
  TZipArchiveRun archives_;  // texts in zip archives: each archive opened and listed once a run
  std::atomic<int32_t> header_cuts_{0};
  std::atomic<uint8_t> to_all_{0};  // 0: none, else 1 + the TTextAnswer
  std::mutex ask_;  // one question at a time
  bool stored_ = false;
};

// The raw bytes of one chunk of a text. The memory holds the chunk's bytes followed by one space
// and three zero bytes; or, for a chunk of a plain file mapped into memory, the chunk's bytes are
// read where the map holds them (ChunkBytes), with no padding after them.
class TMyMemoryStream : public TMemoryStream {
 public:
  TMyMemoryStream(TBufferProcessor* owner, int64_t* start_reading_from);
  ~TMyMemoryStream() override;
  TMyMemoryStream(const TMyMemoryStream&) = delete;
  TMyMemoryStream& operator=(const TMyMemoryStream&) = delete;

  // Opens the text: a plain file read-only, or the member (1-based zip_member) of the archive
  // that the folder names. Sets fcomplete_file_size and fchunks_altogether; false when the text
  // cannot be opened (it is then taken as empty).
  bool OpenText(const TChosenFileDetailsFullRec& chosen);
  // Reads from the caller's stream from now on (not owned; it must outlive the stream).
  void UseSource(TStream* source);
  TStream* Source() const { return source_; }

  // Loads the chunk that starts at position (opening the text first when needed); answers the
  // bytes loaded.
  int64_t LoadFromAFile(int32_t chunk_index, const TChosenFileDetailsFullRec& chosen, int64_t position);
  // map_wanted: a chunk of a plain file is mapped rather than read, where it can be (the reader
  // then reads no byte beyond the chunk and its look-ahead).
  int64_t LoadFromAStream(TStream& stream, int64_t position, bool map_wanted = false);
  // The chunk's bytes (fReadThisChunk of them, then the look-ahead's).
  const uint8_t* ChunkBytes() { return chunk_mapped_ ? mapped_.At(fGetChunkFrom) : Memory(); }
  // Whether the text is a plain file that can be mapped.
  bool CanMap() const { return fd_ >= 0; }
  bool Mapped() const { return chunk_mapped_; }
  // Copies a mapped chunk into the memory (with its padding) and drops the map: for steps that
  // read the padding.
  void CopyMappedChunk();
  // Whether the file lost bytes of the mapped chunk while it was read (it was shortened): those
  // read as zeros. Stays set until the next chunk is loaded.
  bool MapDamaged() const { return map_damaged_ || (chunk_mapped_ && mapped_.Damaged()); }
  // Whether the plain file was written since it was opened (its size or time of last change are
  // no longer those it had then): its later chunks were not the text its earlier ones began.
  // False for other sources.
  bool ChangedSinceOpened() const;

  TBufferProcessor* BufferProcessor;
  int64_t* fPointerToStartReadingFrom;  // the window start, rounded down to 256 when read
  int64_t fchunks_altogether = 0;  // file size div 2 MiB
  int64_t fGetChunkFrom = 0;       // file byte where the current chunk starts
  int64_t fReadThisChunk = 0;      // bytes in the current chunk
  int64_t fMemSize = 0;            // size of the memory after sizing
  int64_t fcomplete_file_size = 0;
  bool the_lot = true;             // chunk after chunk (else one window around StartReadingFrom)
  int64_t fSpareBufferSize = 10000;
  TZipForge* Zipper = nullptr;     // the archive reader, nullptr for a plain file
  int64_t Last_chunk_ended_at = 0;  // file byte just after the current chunk
  int64_t fReadAhead = 0;           // bytes loaded after the chunk's for its look-ahead
  int64_t fReadAheadWanted = 0;     // bytes to load after each chunk
  bool fReadFailed = false;         // the text could not be read as far as its size said

 private:
  std::unique_ptr<TStream> owned_source_;
  TStream* source_ = nullptr;
  int fd_ = -1;  // the source's descriptor when the text is a plain file (for mapping its chunks)
  // The plain file's size and time of last change when it was opened.
  int64_t opened_size_ = -1;
  int64_t opened_change_sec_ = 0, opened_change_nsec_ = 0;
  // A stretch of the file of kMapStretchBytes or so, kept from chunk to chunk while it holds them.
  TMappedStretch mapped_;
  bool chunk_mapped_ = false;  // the current chunk is read where mapped_ holds it
  bool map_damaged_ = false;
  void CloseMapping();
};

class TBufferProcessor {
 public:
  // The owner's totals: this text's facts, and whether it was the first text of the run.
  using TOnUpdateAllFileHandledInfo = std::function<void(const TFileHandledRec& info, bool is_first_file)>;
  // Called on the first chunk: the text is handed over as UTF-16.
  using TOnChangeUnicodeSettingTo = std::function<void(bool unicode)>;

  TBufferProcessor(TTessorineholder* Holder, TOnUpdateAllFileHandledInfo OnUpdateAllFileHandledInfo,
                   TOnChangeUnicodeSettingTo OnChangeUnicodeSettingTo, TTextTagHandler* TagHandler,
                   const TChosenFileDetailsFullRec& ChosenFile, TTessorineList ThisList,
                   bool RequiringPrecomposed, bool MaySaveBuffer, bool IsFirstFile, TTextReadRun* Run = nullptr);
  // Run: the job's run of reading; without one, the processor takes a snapshot of its own when the
  // text is set up (one run of one text).
  // Reports the text's FileHandledInfo to the owner, then frees the zip reader and the lists.
  virtual ~TBufferProcessor();
  TBufferProcessor(const TBufferProcessor&) = delete;
  TBufferProcessor& operator=(const TBufferProcessor&) = delete;

  // --- virtual operations
  // Reads a processed chunk as SaveToStream wrote it; false (with the buffer emptied) for a
  // damaged or truncated stream.
  virtual bool ReadFromStream(TStream& s, int32_t chunk_index);
  // Writes the current chunk; true only when every write was complete.
  virtual bool SaveToStream(TStream& s, int32_t chunk_index);
  virtual bool OKToProcess();
  virtual void HandleTextStatsAtEndOfBuffer(int32_t buffer_number, int32_t buffer_count);
  // Prepares for the text: analyses it and reads the reading settings. False for an empty or
  // missing text.
  virtual bool SetupTheBuffer();
  // The tool's work on one prepared chunk; the base does nothing and answers false.
  virtual bool ProcessAChunkOfFile(int32_t chunk_index);

  // Reads and processes the whole text (or one window of it when fReadTheWholeFile is false).
  // False when the text could not be read to its end (missing, unreadable, stopped, a chunk that
  // failed or ProcessAChunkOfFile answering false). A text that the selection leaves out is read
  // no further and answers true (FileHandledInfo.excluded tells).
  bool ReadAndProcess();

  // --- steps the tools call on a prepared chunk
  void CutLowerCaseWords();
  void CutUpperCaseWords() {}
  void Capitalise();
  void HandleAllowables();

  // Reads the text from the caller's stream instead of the chosen file (a stream the caller
  // has open, a generated text). Call before SetupTheBuffer; the stream must outlive the reading.
  void UseSourceStream(TStream* source);

  // --- the current chunk
  // The buffer holds the characters carried over from the last chunk, then the new ones.
  const char16_t* Text() const { return fText.data(); }
  char16_t* MutableText() { return fText.data(); }
  int32_t Length() const { return BufferDetails.length_in_chars; }
  // Characters read ahead after Length() (text, kinds and bytes there): 0 for a text's last chunk.
  int32_t LookAheadLength() const { return BufferDetails.look_ahead; }
  uint16_t* Kinds() { return fwchar_kinds.data(); }
  const uint16_t* Kinds() const { return fwchar_kinds.data(); }
  // File byte of character i of the chunk (i may be Length(): the chunk's end).
  int64_t FileByteOf(int32_t char_index) const { return fByteMap.FileByteOf(char_index); }
  const TChunkByteMap& ByteMap() const { return fByteMap; }
  // Where the chunk's new characters begin in the buffer (0 for the first chunk).
  int32_t ChunkStartIndex() const { return BufferDetails.chunk_start; }
  // File byte of the first new character.
  int64_t ChunkStartInFile() const { return BufferDetails.chunk_file_offset; }
  int64_t ChunkEndInFile() const { return BufferDetails.chunk_file_end; }
  int32_t ChunkIndex() const { return BufferDetails.chunk_index; }
  bool IsLastChunk() const { return BufferDetails.last_chunk != 0; }
  TTextEncoding Encoding() const { return fEncoding; }
  int CodePage() const { return fCodePage; }
  TMyMemoryStream* Stream() const { return fStream.get(); }
  TSectionStartsList* SectionStarts() const { return fSectionStarts.get(); }
  const TChosenFileDetailsFullRec& ChosenFile() const { return fone_data_to_process; }
  TTessorineholder* Holder() const { return WH; }
  TTextTagHandler* TagHandler() const { return fTagHandler; }
  int64_t FileSize() const { return FileHandledInfo.file_size; }
  // Whether the fast first pass judged the current chunk (the full road did not run over it).
  bool FastChunk() const { return fFastChunk; }
  // What that pass found (its masks cover blocks of 64 from ChunkStartIndex()), or nullptr.
  const TFastPassResult* FastPassFound() const { return fFastChunk ? &fFastResult : nullptr; }
  // A tool that reads the kinds of a chunk only here and there sets this before reading: the
  // fast pass then leaves the kinds of the chunks it judges unwritten, and the tool asks for
  // those of each stretch it reads (EnsureKinds) before reading them. Every other kind of a
  // chunk (the carried characters', the full road's) is there as ever.
  bool fKindsOnDemand = false;
  // With fKindsOnDemand: the text of a plain ASCII chunk is widened on demand too (EnsureKinds
  // and EnsureText make it), but for the stretch where the cut is looked for.
  bool fTextOnDemand = false;
  // Writes the kinds of characters [from, to) where they were left to be written on demand
  // (and their text, where that was left unwidened too).
  void EnsureKinds(int32_t from, int32_t to);
  // Writes the text alone of characters [from, to) where it was left unwidened.
  void EnsureText(int32_t from, int32_t to);

  // The run the text is read in (set up by SetupTheBuffer at the latest).
  const TTextReadRun* Run() const { return fRun; }
  // Jump positions (file bytes) of this reader: the first is taken when the text starts, and the
  // line builder moves it on as it meets them; a chunk that ends before it is not searched.
  int64_t LowestJumpTo() const { return fLowestJumpTo; }
  void SetLowestJumpTo(int64_t file_byte) { fLowestJumpTo = file_byte; }

  // --- state (the tools read and set these)
  TChosenFileDetailsFullRec fone_data_to_process;
  // One per character and two more (0: the end). Grown unfilled: every chunk's kinds are written
  // whole before they are read (by the full road's classification, the fast pass, or on demand
  // through EnsureKinds), and the two after them are set.
  TWorkVector<uint16_t> fwchar_kinds;
  std::unique_ptr<TZipForge> fZipper;
  UString ftext_select_atall_W[kTextSelectStrings];
  TTessorineList fThis_List;
  bool IsFirstFile;
  bool fCheckingBetween = false;
  bool fHandlingOnlyPartsOfTexts = false;
  bool fMarking_Text_Elements = false;
  bool file_analysed = false;
  bool fReadTheWholeFile = true;
  bool LittleEndian = false;  // the UTF-16 text was byte-reversed and has been swapped
  bool RequiringPrecomposedCharacters;
  bool fMaySaveBuffer;
  uint32_t fTextSignature = 0;  // the first four bytes of the text
  int32_t fChunksToDo = 0;
  int32_t fHeaderLengthInChars = 0;
  int32_t ftag_clearing_max = 0;
  UString fFullFilename;
  TTextTagHandler* fTagHandler;
  TOnChangeUnicodeSettingTo OnChangeUnicodeSettingTo;
  TOnUpdateAllFileHandledInfo fOnUpdateAllFileHandledInfo;
  int64_t CurrentStreamSize = 0;
  TTessorineholder* WH;
  bool Removing_Punctuation = false;
  TFileHandledRec FileHandledInfo;
  TBufferDetailsRec BufferDetails;
  int64_t KnownBytePosition = 0;
  uint32_t FileSignatureBytes = 0;  // bytes of a byte-order mark or UTF-8 signature skipped
  int32_t SpareBufferSize = 10000;
  // Characters to read ahead after each cut (0: none; at most kLookAheadCharsMax). Set before reading.
  int32_t LookAheadWanted = kLookAheadChars;
  // step switches, set by SetupTheBuffer and the tools
  bool PleaseConvertTheFileToUnicode = false;  // the UTF-8 question was answered Yes: read converted
  bool Retaining_TagFileTags = false;
  bool Retaining_Section_Starts = false;
  bool Compacting_Text = false;
  bool Clearing_All_Control_Chars = false;
  bool Cutting_Header = false;
  bool Marking_IgnoreTags = false;
  bool Removing_unwanted_TagFile_Tags = false;
  bool Removing_IgnoreTags = false;
  bool Translating_Tags = false;
  bool Clearing_Excess_Spaces = false;
  int64_t StartReadingFrom = 0;
  UString wide_allowables;  // characters allowed inside words
  UString End_Of_Header;    // header-end markers separated by ";"

 protected:
  // One chunk: load, prepare, pre-process, hand over. False ends the chunk loop.
  bool ProcessOneChunk(int32_t chunk_index);
  bool AnalyseTheText();
  void MakeTheStream();
  void FreeTheStream();
  bool PrepareTheChunk(int32_t chunk_index);
  // One try. With narrow_allowed, the plain ASCII at the start of a UTF-8 chunk read for a tool
  // that reads text on demand is left for the fast pass to check as it judges it; false when
  // it was not plain ASCII after all (the chunk is then prepared again without).
  bool PrepareTheChunkOnce(int32_t chunk_index, bool narrow_allowed);
  bool PreProcessTheChunk(int32_t chunk_index);
  void DetectEncoding(const uint8_t* bytes, int64_t n);
  void AskAboutUtf8();
  void EnsureRun();
  // The stop and event checks between chunks, in one place.
  void PollBetweenChunks();
  // The stop state as the run's job token (or, without one, the program) gives it: 0 none,
  // 1 finish this text, 2 stop now.
  uint8_t StopState() const;
  // Decides between UTF-8 and the code page on the first piece with a byte of 0x80 or above.
  void DecideEightBitEncoding(const uint8_t* bytes, size_t n);
  void DecodeUtf8Lenient(const uint8_t* b, size_t m, uint32_t base, bool more_follows);
  // Puts the last chunk's carried characters (text and bytes; their kinds go in when the chunk
  // is classified) before this one's, and keeps this one's tail.
  void JoinCarriedCharacters();
  void KeepTailForNextChunk();
  // Bytes at the start of the chunk of n bytes at chunk_start that are left unwidened for the
  // fast pass, which reads them as bytes; 0 when the chunk goes another road.
  int64_t BytesLeftUnwidened(int32_t chunk_index, int64_t chunk_start, int64_t n) const;
  // Whether the mapped chunk's file lost bytes while they were read; logs it once.
  bool TextChangedWhileMapped();
  // Decodes bytes [skip, n) of the chunk into fText and fOffsets (relative to the chunk start).
  // not_strict: the bytes are known not to be well-formed UTF-8 to their end (a strict decoding
  // of them failed already).
  void DecodeChunk(const uint8_t* bytes, int64_t n, int64_t skip, bool more_follows, bool not_strict = false);
  void ComposeChunk();
  void MaterialiseOffsets();
  // Makes room for n offsets (a whole chunk's worth, the first time).
  void ReserveOffsets(size_t n);
  void ReplaceEntities();
  // Cuts a chunk that is not the end of the text; answers the characters kept.
  int32_t CutAtBoundary(int32_t n);
  // Characters decoded from the piece's bytes below `bytes` (from its first byte).
  int32_t CharactersBelowByte(int64_t bytes) const;
  // The allowed in-word symbols from character `first` on.
  void HandleAllowablesFrom(int32_t first);
  // False when the chunk must be prepared again (PrepareTheChunkOnce).
  bool ClassifyTheChunk();
  // The fast first pass's rules for this text, from the settings and the tag handler.
  void SetUpFastPass();
  // The steps of PreProcessTheChunk that a chunk the fast first pass judged still needs.
  void PreProcessFastChunk(int32_t chunk_index);
  // Adds the chunk just classified to the tally of the road (RoadShare); why_not: what kept it
  // off the fast road, when nothing in the chunk's text did.
  void NoteRoad(const char* why_not);
  bool TextSelected() const;
  void CutTheHeader();
  void MarkMultiWordUnits();
  // Drops the characters of the stretches [first, end) from the chunk and its look-ahead, with
  // their kinds; the characters left keep their bytes in the file.
  void DropCharacters(std::vector<std::pair<int32_t, int32_t>> spans);
  int CodePageOfDocument() const;

  std::unique_ptr<TMyMemoryStream> fStream;
  TStream* fExternalSource = nullptr;
  std::unique_ptr<TSectionStartsList> fSectionStarts;
  UString fText;                    // the chunk's characters
  // While preparing: where the new characters begin in fText (the carried ones, put in place
  // first, lie before); 0 once they are joined, and whenever the new ones were decoded alone.
  int32_t fPrepBase = 0;
  // Where the new characters were widened in place from plain ASCII: their bytes, one a
  // character (the fast pass reads those); nullptr otherwise. Where the piece held characters
  // beyond ASCII: fNarrowBytes, made from it (fNarrowMade).
  const uint8_t* fNarrowNew = nullptr;
  // A piece beyond ASCII read as one byte a character (see DecodeUtf8Narrow): an ASCII
  // character's byte, or 0x80 for a unit beyond ASCII, which fText holds at its place.
  std::vector<uint8_t> fNarrowBytes;
  bool fNarrowMade = false;
  // Too many characters of this text lay beyond ASCII for reading it as bytes to pay.
  bool fDenseBeyondAscii = false;
  // What reading a UTF-8 piece as bytes came to: read so; decoded to units after the carried
  // characters instead, as DecodeUtf8AfterCarried leaves them (a zero byte, too many characters
  // beyond ASCII, characters to compose); or not well-formed (nothing kept).
  enum class TBytesRead { AsBytes, AsUnits, NotUtf8 };
  // For a tool reading text on demand: reads well-formed UTF-8 after the carried characters as
  // one byte a character into fNarrowBytes, with the units beyond ASCII put in fText; the text
  // of all but the last (own - lazy) characters before byte `own` (and the look-ahead) is left
  // to be widened on demand.
  TBytesRead DecodeUtf8Narrow(const uint8_t* b, size_t m, uint32_t base, bool more_follows, size_t own, size_t lazy);
  // The units of this 8-bit text's code page where its bytes can be read as they lie, one a
  // character (one byte a character, ASCII as itself, and where characters are composed, none
  // that composition changes); nullptr otherwise. Kept for the code page last asked about.
  const char16_t* CodePageUnitsForBytes() const;
  mutable const char16_t* fCodePageUnits = nullptr;
  mutable int fCodePageUnitsOf = -1;
  // The same for a piece of such a text: its bytes are the characters' (fNarrowNew), the units
  // beyond ASCII put in fText, all but the first `lazy` characters widened. False (nothing
  // kept) where a byte is zero.
  bool ReadCodePageBytes(const uint8_t* b, size_t m, uint32_t base, size_t lazy, const char16_t* units);
  // Of those, how many (from the first) are still to be widened (a tool reading kinds on demand).
  int32_t fLazyTextEnd = 0;
  // Widens them, the new characters starting at `at` in fText.
  void WidenLazyText(int32_t at);
  // Decodes well-formed UTF-8 straight after the carried characters (fPrepBase then set);
  // false, with fText to be made afresh, when the bytes are not.
  bool DecodeUtf8AfterCarried(const uint8_t* b, size_t m, uint32_t base, bool more_follows);
  // The units of well-formed UTF-8 decoded after the carried characters (b[0, consumed) made
  // `units`) kept as the new characters: the carried ones put before, the offsets, zeros as
  // spaces (fPrepBase set).
  void KeepUtf8UnitsAfterCarried(const uint8_t* b, size_t consumed, size_t units, uint32_t base,
                                 const TUtf8RunBreaks& breaks);
  // Where each of `units` characters decoded from b[0, consumed) of well-formed UTF-8 lies
  // (runs_noted: fRuns holds their runs already, noted by the decoder).
  void Utf8OffsetsOf(const uint8_t* b, size_t consumed, size_t units, uint32_t base, bool runs_noted);
  // Whether the new characters need no composing.
  bool ComposedAlready() const;
  // A chunk of this text held bytes left to the pass that were not plain ASCII.
  bool fBeyondAsciiSeen = false;
  std::vector<uint32_t> fOffsets;   // while preparing: byte of each character from the chunk's first byte
  bool fOffsetsFixedWidth = false;  // while preparing: fOffsets unused, one width for all
  bool fOffsetsSparse = false;      // while preparing: fOffsets unused, fRuns holds the bytes
  TByteRuns fRuns;
  int fFixedWidth = 1;
  uint32_t fOffsetsBase = 0;        // bytes skipped at the chunk's start (a byte-order mark)
  UString fComposedText;            // what the last chunk composed was made in, kept for the next
  std::vector<uint32_t> fComposedOffsets;
  UString fComposedPiece;
  TChunkByteMap fByteMap;
  TTextEncoding fEncoding = TTextEncoding::Utf8;
  bool fEncodingKnown = false;
  int fCodePage = 1252;
  UString fClusterTag;  // the tag that joins a multi-word unit
  TTextsett_rec32 fTextSettings;  // the run's
  std::unique_ptr<TTextReadRun> fOwnRun;  // when no run was handed over
  TTextReadRun* fRun = nullptr;
  int64_t fLowestJumpTo = 0;
  bool fEightBitDecided = false;  // UTF-8 or the code page has been decided for this text
  bool fBadUtf8Logged = false;
  // The tail of the last processed chunk: characters, their kinds and file bytes (one more for
  // the end).
  UString fCarryText;
  std::vector<uint16_t> fCarryKinds;
  std::vector<int64_t> fCarryBytes;
  std::vector<int32_t> fLiteralBrackets;  // brackets of the chunk that were written as entities
  TFastPassRules fFastRules;       // set up on the text's first chunk
  bool fFastChunk = false;         // the fast first pass judged the current chunk
  TFastPassResult fFastResult;     // what it found there
};
