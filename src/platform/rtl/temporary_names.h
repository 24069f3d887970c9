// Temporary files that a save or a modification writes beside the file it is about to replace.
//
// Every one is named ".~<name>.lz<pid>-<8 hex digits>.tmp": hidden, with the process that made
// it, so that
//   - the text chooser and the runs can pass them by (IsOurTemporaryName), whatever mask the
//     user chose;
//   - a later save can tell one left behind by a killed process from one being written: the
//     first temporary file a process makes in a folder first removes the stale ones there (this
//     user's plain files of the pattern whose process is gone).
// <name> is the target's own name, cut at a character boundary when the whole would pass the
// 255 bytes a folder allows for a name; the target's name itself is never shortened.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/rtl/ustring.h"

// True for a name (with or without its folder) of the pattern above.
bool IsOurTemporaryName(UStringView name);
bool IsOurTemporaryName(std::string_view name);

// The temporary name for target (a UTF-8 path) made by process pid with the given 32 bits.
std::string TemporarySiblingName(std::string_view target, long pid, uint32_t unique);

// Makes a new, empty temporary sibling of target (a UTF-8 path), open for reading and writing,
// with the given mode (the umask applies); its name goes to temp. -1, with errno set, when it
// cannot be made.
int CreateTemporarySibling(const std::string& target, unsigned mode, std::string& temp);

// Removes the temporary files of folder whose process is gone; answers how many went.
int RemoveStaleTemporaries(const std::string& folder);
