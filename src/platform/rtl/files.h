// Files and folders by UTF-16 name, as the program names them.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <vector>

#include <string>

#include "platform/rtl/safe_save.h"
#include "platform/rtl/ustring.h"

class TStream;

inline constexpr char16_t PathDelim = u'/';

std::filesystem::path ToFsPath(UStringView name);
UString FromFsPath(const std::filesystem::path& p);

bool FileExists(UStringView name);       // a regular file (or a link to one)
bool IsDirectory(UStringView name);
bool DirectoryExists(UStringView name);
bool ForceDirectories(UStringView name);  // creates every missing folder; true when it exists after
bool DeleteFileU(UStringView name);
bool RenameFileU(UStringView from, UStringView to);  // replaces an existing target
bool CopyFileU(UStringView from, UStringView to);    // replaces an existing target
int64_t FileSizeU(UStringView name);                 // -1 when absent

// Name parts, in the runtime's sense: the path keeps its trailing delimiter, the extension its dot.
UString ExtractFilePath(UStringView name);
UString ExtractFileName(UStringView name);
UString ExtractFileExt(UStringView name);
UString ChangeFileExt(UStringView name, UStringView ext);
UString IncludeTrailingPathDelimiter(UStringView name);
UString ExcludeTrailingPathDelimiter(UStringView name);

// True when name matches a mask of "*" and "?" (case-sensitive, as Linux names are).
bool MatchesMask(UStringView name, UStringView mask);
// Files (not folders) of a folder whose names match the mask, sorted by name; with recurse, the
// files of every sub-folder too. A missing folder gives an empty list.
std::vector<UString> FindFiles(UStringView folder, UStringView mask, bool recurse = false);

// Writes a file through a temporary sibling that is renamed over the target only when the
// writer answered true and every byte reached the disk; otherwise the temporary file is removed
// and the previous file stays as it was. A link at the name is followed, the file keeps its mode
// (and owner where allowed), and a write-protected file is refused (safe_save.h). The error
// text, when asked for, says what failed and names the file.
bool SafeSaveToFile(UStringView name, const std::function<bool(TStream&)>& writer, UString* error = nullptr,
                    TSafeSaveOptions options = {});
bool SafeSaveBytes(UStringView name, const void* data, int64_t size, UString* error = nullptr,
                   TSafeSaveOptions options = {});

// A unique, not yet existing name in folder, made from prefix and suffix.
UString UniqueTempName(UStringView folder, UStringView prefix, UStringView suffix);

// The system's temporary folder, with a trailing delimiter.
UString SystemTempFolder();

// Everything left to read from an open descriptor (a read interrupted by a signal is retried);
// false on a read error.
bool ReadAllFromDescriptor(int fd, std::string& out);
// Up to `size` bytes from the start of a file into buffer, with one open and as few reads as it
// takes (cheap enough to ask of thousands of files); the bytes read, or -1 when the file cannot
// be opened or read (a folder included). A pipe is not waited for.
int64_t ReadFileHead(UStringView name, void* buffer, int64_t size);
// The same for a file asked about before it is read, where whether it is there matters too: -2
// when no plain file is at the name (none, a folder, a pipe, a device: what FileExists denies),
// -1 when one is there but cannot be opened or read. One open where FileExists and ReadFileHead
// would take two visits.
int64_t ReadPlainFileHead(UStringView name, void* buffer, int64_t size);
// The text of the last system error (errno), for messages that name why a file failed.
UString LastSystemErrorText();
