#include "platform/runtime/vx_tools.h"

#include <unistd.h>

#include <cstring>
#include <filesystem>

#include "platform/rtl/files.h"

namespace {

struct TToolRow {
  const char16_t* name;
  const char16_t* short_file;
  const char16_t* default_ext;
};

// Indexed by tool type. Tools 3 to 15 are the suite's small utilities.
constexpr TToolRow kTools[kToolTypeCount] = {
    {u"Word Lister", u"wordlister", u".lst"},       // 0
    {u"Linzora", u"linzora", u".cnc"},              // 1
    {u"Keyness", u"keyness", u".kws"},              // 2
    {u"Utility 3", u"utility3", u".dat"},           // 3
    {u"Utility 4", u"utility4", u".dat"},           // 4
    {u"File Utilities", u"fileutilities", u".txt"}, // 5
    {u"Utility 6", u"utility6", u".dat"},           // 6
    {u"Utility 7", u"utility7", u".dat"},           // 7
    {u"Utility 8", u"utility8", u".dat"},           // 8
    {u"Utility 9", u"utility9", u".dat"},           // 9
    {u"Utility 10", u"utility10", u".dat"},         // 10
    {u"Utility 11", u"utility11", u".dat"},         // 11
    {u"Utility 12", u"utility12", u".dat"},         // 12
    {u"Utility 13", u"utility13", u".dat"},         // 13
    {u"Utility 14", u"utility14", u".dat"},         // 14
    {u"Utility 15", u"utility15", u".dat"},         // 15
    {u"Tessorine Controller", u"tessorine7", u".dat"},  // 16
    {u"", u"", u".dat"},                            // 17: no tool
};

struct TListRow {
  const char16_t* name;
  const char* signature;
  const char16_t* ext;
  uint8_t tool;
};

constexpr uint8_t N = kToolNone;
// Indexed by list type. Every signature is distinct and at most 39 characters.
constexpr TListRow kLists[kListTypeCount] = {
    {u"Word list", "TESSORINE WORD LIST", u".lst", kToolWordLister},                    // 0
    {u"Keywords", "TESSORINE KEYWORDS", u".kws", kToolKeyness},                         // 1
    {u"List type 2", "TESSORINE LIST 02", u".dat", N},                                  // 2
    {u"List type 3", "TESSORINE LIST 03", u".dat", N},                                  // 3
    {u"Detailed consistency", "TESSORINE DETAILED CONSISTENCY", u".lst", kToolWordLister},  // 4
    {u"Collocates", "TESSORINE COLLOCATES", u".cnc", 1},                                // 5
    {u"List type 6", "TESSORINE LIST 06", u".dat", N},                                  // 6
    {u"List type 7", "TESSORINE LIST 07", u".dat", N},                                  // 7
    {u"List type 8", "TESSORINE LIST 08", u".dat", N},                                  // 8
    {u"List type 9", "TESSORINE LIST 09", u".dat", N},                                  // 9
    {u"Concordance", "TESSORINE CONCORDANCE", u".cnc", 1},                              // 10
    {u"List type 11", "TESSORINE LIST 11", u".dat", N},                                 // 11
    {u"Plot", "TESSORINE PLOT", u".cnc", 1},                                            // 12
    {u"Clusters", "TESSORINE CLUSTERS", u".cnc", 1},                                    // 13
    {u"Patterns", "TESSORINE PATTERNS", u".cnc", 1},                                    // 14
    {u"List type 15", "TESSORINE LIST 15", u".dat", N},                                 // 15
    {u"List type 16", "TESSORINE LIST 16", u".dat", N},                                 // 16
    {u"Filenames", "TESSORINE SOURCE FILES", u".cnc", 1},                               // 17
    {u"List type 18", "TESSORINE LIST 18", u".dat", N},                                 // 18
    {u"Statistics", "TESSORINE STATISTICS", u".stats", kToolWordLister},                // 19
    {u"Time-line", "TESSORINE TIME-LINE", u".cnc", 1},                                  // 20
    {u"List type 21", "TESSORINE LIST 21", u".dat", N},                                 // 21
    {u"Text file", "TESSORINE TEXT FILE", u".txt", kToolFileUtilities},                 // 22
    {u"Index", "TESSORINE INDEX", u".tokens", kToolWordLister},                         // 23
    {u"List type 24", "TESSORINE LIST 24", u".dat", N},                                 // 24
    {u"None", "TESSORINE NO LIST", u".dat", N},                                         // 25
    {u"Notes", "TESSORINE LIST 26", u".dat", N},                                        // 26
    {u"Source text", "TESSORINE LIST 27", u".dat", N},                                  // 27
    {u"Relationships", "TESSORINE RELATIONSHIPS", u".lst", kToolWordLister},            // 28
    {u"List type 29", "TESSORINE LIST 29", u".dat", N},                                 // 29
    {u"List type 30", "TESSORINE LIST 30", u".dat", N},                                 // 30
    {u"List type 31", "TESSORINE LIST 31", u".dat", N},                                 // 31
    {u"List type 32", "TESSORINE LIST 32", u".dat", N},                                 // 32
    {u"List type 33", "TESSORINE LIST 33", u".dat", N},                                 // 33
    {u"List type 34", "TESSORINE LIST 34", u".dat", N},                                 // 34
    {u"List type 35", "TESSORINE LIST 35", u".dat", N},                                 // 35
    {u"List type 36", "TESSORINE LIST 36", u".dat", N},                                 // 36
    {u"List type 37", "TESSORINE LIST 37", u".dat", N},                                 // 37
    {u"List type 38", "TESSORINE LIST 38", u".dat", N},                                 // 38
    {u"List type 39", "TESSORINE LIST 39", u".dat", N},                                 // 39
    {u"List type 40", "TESSORINE LIST 40", u".dat", N},                                 // 40
    {u"List type 41", "TESSORINE LIST 41", u".dat", N},                                 // 41
    {u"List type 42", "TESSORINE LIST 42", u".dat", N},                                 // 42
    {u"List type 43", "TESSORINE LIST 43", u".dat", N},                                 // 43
    {u"List type 44", "TESSORINE LIST 44", u".dat", N},                                 // 44
    {u"List type 45", "TESSORINE LIST 45", u".dat", N},                                 // 45
    {u"List type 46", "TESSORINE LIST 46", u".dat", N},                                 // 46
    {u"List type 47", "TESSORINE LIST 47", u".dat", N},                                 // 47
};

constexpr bool SignaturesFit() {
  for (const auto& row : kLists) {
    size_t n = 0;
    while (row.signature[n]) ++n;
    if (n == 0 || n > kListSignatureMax) return false;
  }
  return true;
}
static_assert(SignaturesFit(), "list signatures must fit before the header's marker byte");

UString DefaultToolFolder() {
  std::error_code ec;
  const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) return u"./";
  return IncludeTrailingPathDelimiter(FromFsPath(exe.parent_path()));
}

UString& ToolFolderRef() {
  static UString folder = DefaultToolFolder();
  return folder;
}

UString& HelpUrlRef() {
  static UString url;
  return url;
}

}  // namespace

// "TZL" and the tool type, little-endian: distinct for every tool, never 0.
const int32_t CurrentSignature[kToolTypeCount] = {
    0x4C5A5400, 0x4C5A5401, 0x4C5A5402, 0x4C5A5403, 0x4C5A5404, 0x4C5A5405,
    0x4C5A5406, 0x4C5A5407, 0x4C5A5408, 0x4C5A5409, 0x4C5A540A, 0x4C5A540B,
    0x4C5A540C, 0x4C5A540D, 0x4C5A540E, 0x4C5A540F, 0x4C5A5410, 0x4C5A5411,
};

UString Tool_Name(uint8_t tool) { return tool < kToolTypeCount ? UString(kTools[tool].name) : UString(); }

UString GetShortToolFilename(uint8_t tool) {
  return tool < kToolTypeCount ? UString(kTools[tool].short_file) : UString();
}

UString GetFullToolFilename(uint8_t tool) {
  const UString name = GetShortToolFilename(tool);
  return name.empty() ? UString() : GetToolFolder() + name;
}

UString GetToolFolder() { return ToolFolderRef(); }
void SetToolFolder(UStringView folder) { ToolFolderRef() = IncludeTrailingPathDelimiter(folder); }

UString ConvertedAppFolderInFilename(UStringView name, bool to_token) {
  const UString folder = ExcludeTrailingPathDelimiter(GetToolFolder());
  const UStringView token(kProgramFolderToken);
  if (to_token) {
    // Only the whole folder: "/opt/suite2/x" is not inside "/opt/suite".
    if (folder.empty() || !StartsWithU(name, folder)) return UString(name);
    if (name.size() > folder.size() && name[folder.size()] != PathDelim) return UString(name);
    return UString(token) + UString(name.substr(folder.size()));
  }
  if (!StartsWithU(name, token)) return UString(name);
  return folder + UString(name.substr(token.size()));
}

UString TessorineHelpURL() {
  const UString& url = HelpUrlRef();
  return url.empty() ? u"file://" + GetToolFolder() + u"help/" : url;
}
void SetTessorineHelpURL(UStringView url) { HelpUrlRef() = UString(url); }

int32_t ToolSignature(uint8_t tool) { return tool < kToolTypeCount ? CurrentSignature[tool] : 0; }

bool ToolOfSignature(int32_t signature, uint8_t& tool) {
  for (int t = 0; t < kToolTypeCount; ++t)
    if (CurrentSignature[t] == signature) {
      tool = static_cast<uint8_t>(t);
      return true;
    }
  return false;
}

UString list_type_as_string(TTessorineList type) {
  return type < kListTypeCount ? UString(kLists[type].name) : UString();
}

std::string list_signature32(TTessorineList type) {
  return type < kListTypeCount ? std::string(kLists[type].signature) : std::string();
}

bool DiskFileTypeFromText(std::string_view signature, TTessorineList& type) {
  for (int t = 0; t < kListTypeCount; ++t)
    if (signature == kLists[t].signature) {
      type = static_cast<TTessorineList>(t);
      return true;
    }
  return false;
}

bool DiskFileType(const uint8_t* field, TTessorineList& type) {
  if (!field) return false;
  const uint8_t len = field[0];
  if (len == 0 || len > 40) return false;
  return DiskFileTypeFromText(std::string_view(reinterpret_cast<const char*>(field + 1), len), type);
}

uint8_t ToolOfListType(TTessorineList type) { return type < kListTypeCount ? kLists[type].tool : kToolNone; }

UString DefaultExtFromListType(TTessorineList type) {
  return type < kListTypeCount ? UString(kLists[type].ext) : UString(u".dat");
}

UString DocumentFileName(UStringView name, TTessorineList type) {
  return ExtractFileExt(name).empty() ? UString(name) + DefaultExtFromListType(type) : UString(name);
}

UString DefaultExtFromToolType(uint8_t tool) {
  return tool < kToolTypeCount ? UString(kTools[tool].default_ext) : UString(u".dat");
}

bool ListTypeFromFileExt(UStringView ext, TTessorineList& type) {
  UString e = AsciiLower(ext);
  if (e.empty()) return false;
  if (e[0] != u'.') e.insert(e.begin(), u'.');
  if (e == u".dat") return false;
  // The first list type (in table order) whose default extension this is: a document of a
  // tool is read as that tool's main list (".cnc" -> concordance, ".lst" -> word list).
  static constexpr TTessorineList kMain[] = {kListWordList, kListKeywords, kListConcordance,
                                             kListStatistics, kListPlainText, kListIndex};
  for (TTessorineList t : kMain)
    if (e == kLists[t].ext) {
      type = t;
      return true;
    }
  return false;
}

int TagToMatchAction(int tag) {
  switch (tag) {
    case kTagMarkMatches: return 0;
    case kTagDeleteMatched: return 1;
    case kTagDeleteUnmatched: return 2;
    case kTagClearAllMatches: return 3;
    default: return -1;
  }
}
