// Writing changes back into the source texts of a concordance: a Set value inserted as a marker
// before each line's hit ("set"), or a line's search phrase joined into one unit ("search
// word"), with a one-time backup, an undo log and the concordance moved to the new bytes.
//
// Per text, in this order (ModifyOneText); the first failure of the text itself refuses the
// whole text, which is then left byte-identical, and the refusal names the text and its reason
// (a hit that is not found passes over its own change only, step 4):
//   1. the name: no tab or line break (the log is tab-separated); not a member of an archive;
//   2. the file, symbolic links followed (the log names the file they lead to, so that an undo
//      changes that file and a link stays a link); the log's lock (with logging) and then the
//      text's are taken (modify_locks.h), the text's until the rename: a regular file under
//      4 GiB (positions are 32-bit in older documents), the file and its folder writable;
//   3. the fingerprint (size + last-write time in ns) the concordance took when the text was
//      read must still hold; without one (older documents) the size known to the concordance,
//      when known, must;
//   4. the text is read with the reader's own rules (encoding, byte-order mark, UTF-8 or code
//      page, entities, composition, tags): a change's hit must start at a character whose file
//      byte is the line's position and read as the line shows it (a run of blanks, a line end
//      among them, one blank: TextUnitsShownAs); this gives each hit's extent in bytes. A change
//      whose hit is not found so is passed over with a note naming what the text reads there;
//      the text's other changes go ahead;
//   5. what is written must be encodable in the text's own encoding (UTF-8, UTF-16LE or BE with
//      its mark or without, or its code page); nothing else in the text is re-encoded;
//   6. the backup "name.original" beside the file is made once: an existing one (older) is
//      kept; without a backup nothing is changed;
//   7. one rewrite through a temporary sibling, written, flushed to disk and given the file's
//      mode;
//   8. with logging, one log line per change, numbered after the log's lines as read under its
//      lock, appended pending and flushed to disk (modify_undo.h): a log that cannot take them
//      refuses the text;
//   9. the rewrite is renamed over the file only when the fingerprint still holds; then the
//      log's lines are marked done.
// A search phrase: within its extent every blank (space, tab, line break) outside a tag ("<" to
// ">") becomes the joiner, one character for one; with logging a marker naming the change goes
// before it. Two lines with one hit change it once; a phrase overlapping an earlier one is
// skipped and reported.
//
// Moving the concordance: an insertion at byte p moves every position at or after p (the
// line's own too, so it still names its hit); a replaced blank moves the positions after it.
//
// The log: UTF-16LE with a byte-order mark, LF line ends. Fields, tab-separated:
//   1 initials (or the system's user name), 2 time stamp "yyyymmddhhnn", 3 full name of the file
//   changed (links resolved), 4 marker, 5 keyword (SET, SEARCHWORD), 6 character offset of the
//   change from 0 in the text without its mark, decoded as the reader decodes it
//   (modify_text_form.h), as it is once the earlier changes of the run are made; then for SET:
//   empty, empty, the inserted text, and a closing tab; for SEARCHWORD: the phrase as it was,
//   the phrase as written (both as PhraseForLog gives them), and two closing tabs. Until its text is replaced a line ends in "?"
//   instead of its last closing tab (pending).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "model/reading/text_reader.h"
#include "platform/rtl/datetime.h"
#include "platform/rtl/ustring.h"

class TConcordanceList;
class TLinzoraFilenamelist;

enum class TModifySourceTexts : uint8_t { mst_none = 0, mst_set = 1, mst_search_word = 2, mst_undo = 3 };

// --- small pieces ---------------------------------------------------------------------------------

// "", "SET", "SEARCHWORD", "UNDO".
UString ModifySourceTextsKeyword(TModifySourceTexts kind);
// The kind whose keyword equals the text exactly; mst_none when none does.
TModifySourceTexts StringToModifySourceTexts(UStringView keyword);
// "yyyymmddhhnn".
UString DateTimeAsTimeStamp(TDateTime t);
UString NowAsTimeStamp();
// A stamp of exactly 12 characters without a blank: year 1-4 (2006 when not a number), month,
// day, hour, minute (1 when not a number). Any other stamp, or one naming no real date (month
// 13, day 32), gives now.
TDateTime TimeStampToDateTime(UStringView stamp);
// Field n (from 1) of text split at delimiter; empty when there are fewer fields.
UString NthDelimitedField(UStringView text, char16_t delimiter, int n);
// "<ut_" before unless the text starts with "<", "/>" after unless it ends with ">".
UString WrappedAsMarker(UStringView text);

// The modification log's full name; empty until set, then the store's user folder is used.
void SetModificationLogFileName(UStringView name);
UString ModificationLogFileName();

// A phrase as the log's fields 7 and 8 hold it: a tab, line feed or carriage return (a phrase
// over a line end) as its control picture (U+2409, U+240A, U+240D), so that the phrase keeps to
// its field and line; PhraseFromLog gives the phrase back.
UString PhraseForLog(UStringView phrase);
UString PhraseFromLog(UStringView field);

// Why a value cannot go into mark-up or the log (a tab, line break, quote, angle bracket; a
// blank where a name is wanted); empty when it can. what names the value in the message.
UString MarkupValueProblem(UStringView value, UStringView what, bool blank_allowed);

// --- one text ----------------------------------------------------------------------------------

// One change a line asks for.
struct TTextChange {
  int32_t line = -1;          // the caller's number for it (reports)
  int64_t byte_position = 0;  // the hit's first byte in the file
  int32_t hit_characters = 0;
  UString hit_text;           // what the concordance shows of the hit
  UString set_text;           // set: the text to insert (wrapped as a marker here)
};

struct TTextToModify {
  UString full_name;
  bool archive_member = false;
  int64_t fingerprint_size = 0;      // 0 and 0: none taken
  int64_t fingerprint_write_ns = 0;
  int64_t known_size = 0;            // the size the concordance knows; 0 unknown
  std::vector<TTextChange> changes;  // in the caller's order
};

struct TModifyOptions {
  TModifySourceTexts mode = TModifySourceTexts::mst_none;
  UString joiner = u"_";  // search word: exactly one character
  UString initials;       // the log's first column and the markers; empty: the user's name
  UString attribute;      // set: ` tid="attribute"` follows the Set text when given
  bool logging = true;
  UString log_file;       // empty: ModificationLogFileName()
  UString stamp;          // empty: now
  // How texts are read (nullptr: the store's settings); a tag handler maker (nullptr: from the
  // snapshot's tag settings).
  const TTextReadSnapshot* snapshot = nullptr;
  std::function<std::unique_ptr<TTextTagHandler>()> make_tag_handler;
  // Called just before the rewritten text replaces the file; false abandons it (tests).
  std::function<bool(UStringView full_name)> before_replacing;
};

// One edit of the file's bytes: old_length bytes at old_offset became new_length bytes.
struct TByteEdit {
  int64_t old_offset = 0;
  int64_t old_length = 0;
  int64_t new_length = 0;
};
// Where a byte position lies after the edits (sorted by offset): an insertion at p moves
// positions at or after p, a replacement the positions after it.
int64_t MovedBytePosition(const std::vector<TByteEdit>& edits, int64_t position);

struct TChangeResult {
  int32_t line = -1;
  bool changed = false;  // this line's change was written
  UString note;          // why a line was passed over (empty otherwise)
};

struct TTextModifyResult {
  bool modified = false;
  UString refusal;  // the text's name and the reason, when refused
  std::vector<TChangeResult> changes;  // one per requested change, in order
  std::vector<TByteEdit> edits;        // sorted by offset
  int64_t new_size = 0;
  int64_t new_write_ns = 0;
  UString backup;                 // the backup's name (made now or kept from before)
  std::vector<UString> log_lines; // as appended
  UString log_problem;            // the log could not be written (the text was changed)
};

TTextModifyResult ModifyOneText(const TTextToModify& text, const TModifyOptions& options);

// --- a concordance ------------------------------------------------------------------------------

struct TModifyReport {
  int32_t lines_changed = 0;
  int32_t texts_changed = 0;
  std::vector<UString> refusals;  // one per refused text or line, for the user
  std::vector<UString> problems;  // a log that could not be written
};

// Groups the lines per source text, modifies each text and moves every line of a changed text
// to its new bytes; the text's row takes the new size and fingerprint. Answers the lines changed
// (-1 when nothing could be asked: no mode, a bad joiner, initials or attribute, which the
// report names).
int32_t ModifyConcordanceSourceTexts(TConcordanceList& list, TLinzoraFilenamelist& files,
                                     const TModifyOptions& options, TModifyReport& report);
