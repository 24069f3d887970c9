// The modification log held under its lock, and undoing changes written into source texts.
//
// The log (see modify_texts.h for its lines) is read whole; its entries are the lines that are
// not empty, do not begin with ";" and hold a tab, each kept exactly as written and split at tabs
// only, so a comma in a name or phrase never shifts a field.
//
// Pending lines: a modification writes its lines, flushed to disk, before it replaces the text,
// each with "?" in place of its closing tab, and turns the "?" into the tab once the text is in
// place. Whoever opens the log under its lock (TModificationLogSession, and through it
// ReadModificationLog, UndoModifications and every modification) settles the pending lines of a
// modification that was stopped between the two: the pending lines of one text are marked done
// when the text holds all their changes, and dropped when it does not (the text was never
// replaced). A text that cannot be read decides nothing: its lines wait, pending.
//
// UndoModifications, under the log's lock, for the chosen entries from the last to the first
// (later changes to a text sit at or after earlier ones):
//   1. takes the lock of the text the entry names (links followed, so a link stays a link) and
//      reads its bytes; the reader decides their encoding (modify_text_form.h), as it did when
//      the change was written, so a stray byte in UTF-8 text or UTF-16 without its mark is read
//      the same way;
//   2. finds what the entry says was written at its character offset (field 6): for SET the
//      inserted text (field 9); for SEARCHWORD the marker (field 4) followed by the phrase
//      (field 7) with its blanks joined as the change joins them (field 8 when logged);
//   3. replaces only the bytes of the change (with the phrase as it was, or nothing), so the text
//      keeps its encoding, signature, line ends and every byte around the change;
//   4. writes the text through a temporary sibling renamed over it.
// An entry is counted, and its line dropped from the log, only when its text was written. The log
// is rewritten the same way (temporary sibling, rename) with every other line kept byte for byte:
// comments, lines of other kinds, damaged lines and the entries not undone, so that it holds as
// many lines fewer as entries went. Should those bytes, without the lines that went, read
// otherwise (a byte-order mark now first, another encoding decided), the kept lines are written
// with their text as read, in UTF-16 after its mark. Nothing here shows a window.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "concordance/modify/modify_locks.h"
#include "platform/rtl/ustring.h"

struct TTextReadSnapshot;
struct TTextForm;

// One line of the log that the Undo list offers.
struct TModificationLogEntry {
  int32_t line = 0;  // index among the log's lines
  UString raw;       // as written, without its line end; a pending line with its closing tab
  bool pending = false;  // written before its text was replaced and not marked done since
  // Field n (from 1), split at tabs.
  UString Field(int n) const;
  // As the list shows it: every tab a comma.
  UString Shown() const;
};

struct TModificationLog {
  bool exists = false;
  std::vector<UString> lines;  // each with the line end it had (the last may have none)
  std::vector<TModificationLogEntry> entries;
  // Field 2 of the last entry among the log's last five lines; empty when none.
  UString latest_stamp;
  // How the log's bytes are written, so that a rewrite keeps them so.
  uint8_t bytes_kind = 0;  // TTextBytesKind
  bool signature = false;
  int code_page = 1252;
};

// The log for one modification or one undo, from taking its lock to letting it go.
class TModificationLogSession {
 public:
  TModificationLogSession() = default;
  ~TModificationLogSession();
  TModificationLogSession(const TModificationLogSession&) = delete;
  TModificationLogSession& operator=(const TModificationLogSession&) = delete;

  // Takes the log's lock (making the log's folder when missing), reads the log (a missing one is
  // empty) and settles its pending lines, reading their texts with the snapshot's settings
  // (nullptr: the store's); false with why.
  bool Open(UStringView log_name, const TTextReadSnapshot* snapshot, UString& error);
  const TModificationLog& Log() const { return log_; }
  // Whether lines can be appended: the log is empty or UTF-16LE with its byte-order mark.
  bool Appendable(UString& error) const;
  // Appends the lines (each ending in its closing tab) pending, flushed to disk; false, with the
  // log as it was, when they cannot be written.
  bool AppendPending(const std::vector<UString>& lines, UString& error);
  // The lines appended last: their changes are in the text (they are marked done), or were never
  // made (they go).
  bool MarkDone(UString& error);
  void DropPending();
  // Writes the log without the lines marked, through a temporary sibling renamed over it.
  bool Rewrite(const std::vector<bool>& drop, UString& error);

 private:
  void Settle(const TTextReadSnapshot* snapshot);
  // Writes the lines not dropped (their bytes, and their text to check the result reads the same).
  bool WriteLines(const std::vector<bool>& drop, std::vector<std::string> lines, std::vector<UString> texts,
                  UString& error);

  UString name_;
  TLogLock lock_;
  TModificationLog log_;
  int64_t size_ = 0;         // the log's bytes as read
  std::string lead_;         // its byte-order mark or signature, as read
  std::vector<std::string> line_bytes_;  // each line's bytes, its end included
  int fd_ = -1;              // open for the pending lines
  int64_t pending_at_ = -1;  // where they begin
  std::string pending_;      // their bytes
  std::vector<size_t> marks_;  // where in them each "?" lies
  bool made_ = false;        // the log did not exist before them
};

// Reads the log under its lock, settling pending lines. A missing log reads as empty (true); a
// log that cannot be read answers false with why. When the lock cannot be taken (a folder that
// is not writable) the log is read as it stands.
bool ReadModificationLog(UStringView log_name, TModificationLog& log, UString& error);

// The ticks the "only by" and "at" choices give: an entry whose field 1 (initials) or field 2
// (stamp "yyyymmddhhnn") equals the text exactly.
std::vector<bool> EntriesByInitials(const std::vector<TModificationLogEntry>& entries, UStringView initials);
std::vector<bool> EntriesAtStamp(const std::vector<TModificationLogEntry>& entries, UStringView stamp);

// Where a logged change lies in its text's bytes, and what undoing it writes there.
struct TLoggedChangeSpot {
  int64_t byte = 0;      // the change's first byte
  int64_t length = 0;    // its bytes
  std::string restored;  // the bytes that go there instead (the phrase as it was, or none)
};
// Finds the entry's change in the text's bytes, read in form; false with why (naming the text)
// when the text does not hold it there, or the form cannot carry what was there before.
bool LocateLoggedChange(const TModificationLogEntry& e, const TTextForm& form, const std::string& bytes,
                        TLoggedChangeSpot& spot, UString& why);

struct TUndoResult {
  int32_t undone = 0;
  std::vector<UString> notes;  // one per chosen entry left alone: which line and why
  UString log_problem;         // the log could not be read or rewritten
};

// Undoes the entries whose log line indices are given (as the log reads under the lock). Texts are read with the reader's settings
// (nullptr: the store's); code_page, when not 0, reads 8-bit texts that are not UTF-8 in that code
// page instead of the settings' one.
TUndoResult UndoModifications(UStringView log_name, const std::vector<int32_t>& lines, int code_page = 0,
                              const TTextReadSnapshot* snapshot = nullptr);
// The same for entries as an earlier read listed them: each is found in the log as it is now by
// its text (at its old place when it is still there), so that an undo or a modification by
// someone else since the listing never makes another entry be undone in its stead; one that is
// gone is noted.
TUndoResult UndoListedModifications(UStringView log_name, const std::vector<TModificationLogEntry>& entries,
                                  int code_page = 0, const TTextReadSnapshot* snapshot = nullptr);
