// The tools of the suite and the kinds of list they save: names, program files, file signatures,
// default extensions. Every tool uses these same tables; docs/formats.md lists their values.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/rtl/ustring.h"

// Tool types (the byte current_tool_var holds). 0 to 15 are tools, 16 the controller, 17 "no
// tool named" (a command line that names none).
inline constexpr uint8_t kToolWordLister = 0;
inline constexpr uint8_t kToolKeyness = 2;
inline constexpr uint8_t kToolFileUtilities = 5;
inline constexpr uint8_t kToolNone = 17;
inline constexpr int kToolTypeCount = 18;

// The tool's display name ("Linzora" for tool 1); "" for an unknown tool.
UString Tool_Name(uint8_t tool);
// The program file's name without folder ("linzora"; the controller's is "tessorine7").
UString GetShortToolFilename(uint8_t tool);
// The installation folder + the short file name; "" for an unknown tool or "no tool".
UString GetFullToolFilename(uint8_t tool);
// The installation folder (with a trailing delimiter): by default the folder of the running
// program; tests and installers may point it elsewhere.
UString GetToolFolder();
void SetToolFolder(UStringView folder);
// Stored file names inside the installation folder carry a token in its place, so that they
// stay valid when the suite is installed elsewhere. to_token: the folder (at the start of name)
// becomes kProgramFolderToken; otherwise a leading token becomes the folder. Other names are
// returned as they are.
inline constexpr char16_t kProgramFolderToken[] = u"%PROGRAM_FOLDER%";
UString ConvertedAppFolderInFilename(UStringView name, bool to_token);
// Where the help pages live (with a trailing delimiter); by default "file://" + the
// installation folder + "help/".
UString TessorineHelpURL();
void SetTessorineHelpURL(UStringView url);

// The file signature of each tool: word 0 of the 57-byte header of every file it writes. Entry
// 16 (the controller's) also marks the chosen-texts stream. Distinct for every tool type.
extern const int32_t CurrentSignature[kToolTypeCount];
// The signature of a tool type; 0 (never a valid signature) outside the table.
int32_t ToolSignature(uint8_t tool);
// The tool type whose signature this is; false when none has it.
bool ToolOfSignature(int32_t signature, uint8_t& tool);

// --- list types ------------------------------------------------------------------------------
using TTessorineList = uint8_t;
inline constexpr TTessorineList kListWordList = 0;
inline constexpr TTessorineList kListKeywords = 1;
inline constexpr TTessorineList kListDetailedConsistency = 4;
inline constexpr TTessorineList kListCollocates = 5;
inline constexpr TTessorineList kListConcordance = 10;
inline constexpr TTessorineList kListPlot = 12;
inline constexpr TTessorineList kListClusters = 13;
inline constexpr TTessorineList kListPatterns = 14;
inline constexpr TTessorineList kListSourceFiles = 17;
inline constexpr TTessorineList kListStatistics = 19;
inline constexpr TTessorineList kListTimeline = 20;
inline constexpr TTessorineList kListPlainText = 22;
inline constexpr TTessorineList kListIndex = 23;
inline constexpr TTessorineList kListNone = 25;  // no list (an empty page, a batch)
inline constexpr TTessorineList kListRelationships = 28;
inline constexpr int kListTypeCount = 48;

// The list type's name, as notes, captions and exports show it; "" outside the table.
UString list_type_as_string(TTessorineList type);
// The list signature text written into the file header (ASCII, at most kListSignatureMax
// characters, so that the header's marker byte never overwrites part of it); "" outside.
inline constexpr size_t kListSignatureMax = 39;
std::string list_signature32(TTessorineList type);
// The list type of a header's list-signature field (the 41 bytes at header offset 16: length
// byte, then 40 characters). An unknown signature (or a length above 40) answers false: the
// file is not one of ours and its read fails.
bool DiskFileType(const uint8_t* signature_field41, TTessorineList& type);
bool DiskFileTypeFromText(std::string_view signature, TTessorineList& type);

// The tool whose documents hold this list type (kToolNone when no tool saves it on its own).
uint8_t ToolOfListType(TTessorineList type);
// Default file extensions, with the dot (".cnc"); ".dat" for a type without one of its own.
UString DefaultExtFromListType(TTessorineList type);
UString DefaultExtFromToolType(uint8_t tool);
// The file a document of this list type is saved as when named `name`: the name as given, or with
// the type's extension when it has none.
UString DocumentFileName(UStringView name, TTessorineList type);
// The list type a file extension announces (case-insensitive, with or without the dot); false
// for an extension that is no list type's default.
bool ListTypeFromFileExt(UStringView ext, TTessorineList& type);

// --- match commands ----------------------------------------------------------------------------
// Menu tags of the match commands and the action each asks of a list's match run.
inline constexpr int kTagMarkMatches = 7;
inline constexpr int kTagDeleteMatched = 156;
inline constexpr int kTagDeleteUnmatched = 157;
inline constexpr int kTagClearAllMatches = 209;
// 0 mark, 1 delete matches, 2 delete non-matches, 3 remove match marking; -1 for another tag.
int TagToMatchAction(int tag);
