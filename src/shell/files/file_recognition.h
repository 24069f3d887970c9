// Which files a list tool will open, and the texts its main window shows for them.
//
// A file given on the command line, dropped on the window, picked from the recent-file list or
// chosen in a dialog is examined before anything is read: a saved list of this tool (or a batch
// archive of such lists) is accepted; another tool's file, an older layout of ours and a foreign
// file are refused with a message that names the file and the reason. Nothing here needs a window.
#pragma once

#include <cstdint>
#include <optional>

#include "model/documents/work_derived.h"
#include "platform/rtl/ustring.h"

// What a file is, as far as a tool is concerned.
enum class TFileVerdict : uint8_t {
  ForThisTool,   // a saved list (or batch archive) this tool opens
  OtherTool,     // a saved list of the suite that belongs to another tool
  OlderFormat,   // our header, but a list signature this version does not know
  NotOurs,       // readable, but no document of the suite
  Missing,       // no such file, or it cannot be read
};

struct TFileExamination {
  TFileVerdict verdict = TFileVerdict::Missing;
  TTessorineList list_type = kListNone;  // for ForThisTool and OtherTool
  uint8_t owner_tool = 17;               // the tool the list type belongs to
  bool batch_archive = false;            // a zip archive of saved lists
};

TFileExamination ExamineFile(UStringView name, uint8_t tool);
// The same for a file already open, from its header alone (a batch archive is not looked for);
// the stream is left at its start.
TFileExamination ExamineOpenFile(TStream& file, uint8_t tool);

// True for a saved list of the tool whose list type belongs to it, or a batch archive of such
// lists with at least one member.
bool IsAFileForThisTool(UStringView name, uint8_t tool);

// Accepts or refuses the file the record names. The file-utilities tool also takes plain texts
// (".txt" and "*.??_srt") as list type 22. A refusal tells the user why (WrongToolForFile,
// IsntTessorFile, IsntACurrentTessorFile, FailedToFind) and clears the record. An accepted file of
// the word lister gets its list type from its extension.
bool CheckFileForTool(TVXStored_File_rec& rec, uint8_t tool);
// The same for the file the record names, already open (ExamineOpenFile).
bool CheckOpenFileForTool(TVXStored_File_rec& rec, TStream& file, uint8_t tool);

// The file record a command-line parameter names: empty for fewer than 3 characters or a missing
// file (logged); else the trimmed name with the list type its extension announces (22 for a
// plain text of the file utilities, 25 for a zip archive that is not a batch of lists).
TVXStored_File_rec FileRecFromParameter(UStringView parameter, uint8_t tool);

// Web pages and XML open in the browser (after asking); every other file in the editor.
bool IsBrowserFileExtension(UStringView name);

// The main caption for a file: the name itself when it differs from the document's stored name,
// else its name part; an index document shows it through the index-file text.
UString CaptionForFile(UStringView file_name, UStringView stored_name, TTessorineList list_type);

// A recent file as a menu shows it: "\n" as "\N", every "&" doubled (a menu takes a single one
// as the accelerator mark). The item keeps the path itself as its data.
UString RecentFileMenuText(UStringView path);

// done as a whole percentage of total, in 64 bits; nothing for a total of 0 or less.
std::optional<int> PercentDone(int64_t done, int64_t total);

// The count typed into "reduce to N": a whole number from 1 to below current; else nothing.
std::optional<int64_t> ReduceCountFromText(UStringView text, int64_t current);
