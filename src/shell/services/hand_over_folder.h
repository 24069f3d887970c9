// Where the programs of the suite hand lists to one another: a folder of this user's alone, and in
// it the one hand-over file of each tool, the chosen texts and the requests.
//
// The folder is the store's temporary folder. Before anything is written into it or read from it,
// it is checked: a plain folder (not a link) that belongs to this user, with no access for others
// (one of this user's that is wider is narrowed), inside a folder where no one else can rename it
// away. A folder planted by someone else could otherwise feed a tool their file or read what it
// hands on. When the temporary folder fails, the files go to this user's folder under the
// runtime folder ($XDG_RUNTIME_DIR/linzora/) or, without one, under the cache folder
// ($XDG_CACHE_HOME or ~/.cache, then linzora/hand-over/), checked the same way, and the log says
// so once: someone else's folder cannot stop the hand-overs for good.
//
// A file in the folder is read only when it is a plain file of this user's (a link is not
// followed) no larger than its reader allows; files are written private (safe_save.h).
#pragma once

#include <cstdint>
#include <memory>

#include "platform/rtl/safe_save.h"
#include "platform/rtl/ustring.h"

class TFileStream;

// How hand-over files are saved: 0600, a link at the name replaced rather than followed.
inline constexpr TSafeSaveOptions kHandOverSave{true};

// This user's own folder for hand-over files (with a trailing delimiter): the temporary folder,
// else the folder under the runtime or cache folder. Empty, with why in *why, when neither
// can be trusted.
UString UserHandOverFolder(UString* why = nullptr);
// The checks for one folder (made with mode 0700 when missing); tests point it at folders of
// their own. Empty, with why in *why naming the folder, when it fails.
UString CheckedHandOverFolder(const UString& folder, UString* why = nullptr);
// Where the files go when the temporary folder fails (not yet checked); empty when the
// environment names neither a runtime nor a cache nor a home folder.
UString FallbackHandOverFolder();

// The file a tool hands its document over in: the folder above, the tool's name, "_handover" and
// the tool's own extension (so that the file is recognised as the tool's). Empty, with why in *why,
// when the folder cannot be trusted.
UString ToolHandOverFilename(uint8_t tool, UString* why = nullptr);

// Opens a hand-over file for reading. nullptr, with why in *why naming the file, when it is
// missing, a link, not a plain file, someone else's, or larger than most_bytes.
std::unique_ptr<TFileStream> OpenHandOverFile(const UString& name, int64_t most_bytes, UString* why = nullptr);
