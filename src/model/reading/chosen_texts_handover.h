// The chosen texts as tools pass them on and users save them: a temporary hand-over file named
// after the tool ("<hand-over folder>/<tool name>.chosen_texts"), a saved choice (the headed stream),
// a plain list of file names, and the texts the lists and the printed page show for a text.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "model/reading/chosen_texts.h"

// The most one choice of texts handed between tools may hold: texts, and bytes of the file that
// carries them (a plain list of names too). A request from another tool is bounded alike: no
// more items than texts, no larger a file.
inline constexpr int32_t kMostChosenTexts = 1 << 20;
inline constexpr int64_t kMostChosenTextsBytes = int64_t{256} << 20;

enum TVLFileReadMode : uint8_t { tvl_failed = 0, tvl_VX_Format = 1, tvl_txt = 2 };

// What a printed list of the chosen texts shows: a heading, six column headings and one row per
// text. The window layer measures and draws it on its printer: the first column left-aligned
// from its left edge, the others right-aligned against their right edge, each clipped to its
// cell, with a new page when the next row would pass the page's height.
struct TChosenTextsPrintTable {
  static constexpr int kColumns = 6;
  UString heading;
  std::array<UString, kColumns> column_headings;
  std::vector<std::array<UString, kColumns>> rows;
};

class TVXFileDetails : public TSharedChosenFilesClass {
 public:
  TVXFileDetails(bool ARestrictTo3LetterExtensions, uint8_t ATool, TErrorEvent AOnError = {});

  // This user's hand-over folder (hand_over_folder.h) + the tool's name + ".chosen_texts";
  // empty when no folder of this user's can be trusted.
  UString TempFilename() const;
  // Written private (0600, a link at the name replaced, not followed).
  bool SavedToTempFile();
  // Clears the texts; true only when the temporary file is this user's plain file, no larger
  // than kMostChosenTextsBytes, holding a headed chosen-texts stream.
  bool LoadedChosenFromTempFile();

  // Writes the headed stream through a temporary sibling renamed over the file, so that a
  // failed save leaves an earlier file as it was.
  bool SaveAllChosenToFile(UStringView AFilename);
  // Clears the texts, then reads a plain list (".txt") or a headed stream (any name, ".txt" too
  // when the file opens with the header).
  TVLFileReadMode ReadChosenFromFile(UStringView AFilename);
  // One full name per line, UTF-16 little-endian with a byte-order mark, lines ended by LF;
  // written through a temporary sibling; answers whether the file was written.
  bool WriteAllChosenToFileAsPlainText(UStringView AFilename);
  // Lines of a text file (UTF-16 either way with its mark, UTF-8, else Windows-1252; any line
  // end); each line split at tabs: the field naming an existing file (or a member of a zip
  // archive) is the text, another field its date ("yyyy-mm-dd hh:nn:ss", time optional). Lines
  // naming nothing are skipped. tvl_txt when at least one text is chosen.
  TVLFileReadMode ReadChosenFromPlainTextFile(UStringView AFilename);
  // The "n text files loaded from ..." message of the last plain-list read (also logged).
  const UString& LastLoadMessage() const { return fLastLoadMessage; }

  // The page a printer prints; see TChosenTextsPrintTable.
  TChosenTextsPrintTable PrintTable(uint8_t ATool) const;

 private:
  UString fLastLoadMessage;
};

// Cell texts.
UString KindAsString(TFileContentsSet aKind);   // "?" for none, else e.g. "8Z", "UB"
UString SizeAsString(int64_t ASize);            // with digit grouping
UString WantedAsString(TFileWantedType aWanted);  // "??", "OK", "not found", ""
UString WordsAsString(int32_t aWords);          // "??" below 1, else with digit grouping
// The date of a Julian day number ("yyyy-mm-dd hh:nn:ss"); "" for 0. The time-line basis is
// accepted for the callers that pass one; the chosen texts show the whole date and time.
UString FormatJulianDateAsString(double aDate, int Plotbasis);

// A whole number with "," between groups of three digits.
UString IntToDecStr(int64_t n);
// Reads "yyyy-mm-dd", "yyyy-mm-dd hh:nn" or "yyyy-mm-dd hh:nn:ss" ("/" or "." may separate the
// date's parts, "T" the time). False for anything else or an impossible date.
bool UserStrDateAndTimeParsed(UStringView s, TDateTime& out);

// Passes the position just reached (the details' place moves on; the list itself is not changed)
// and answers the next (at least 1), or 0 when none is left.
int64_t TakeNextJumpPosition(TChosenFileDetailsFullRec& details);
