// Where the programs of the suite hand lists to one another: a folder of this user's alone, and in
// it the one hand-over file of each tool.
//
// The folder is the store's temporary folder. Before anything is written into it or read from it,
// it must be a plain folder (not a link) that belongs to this user, with no access for others: a
// folder planted by someone else could otherwise feed a tool their file or read what it hands on.
#pragma once

#include <cstdint>

#include "platform/rtl/ustring.h"

// This user's own folder for hand-over files (with a trailing delimiter), made with mode 0700
// when missing and narrowed to it when wider. Empty, with why in *why, when it exists but
// belongs to someone else or is not a plain folder.
UString UserHandOverFolder(UString* why = nullptr);
// The same checks for a given folder (tests point it at folders of their own).
UString CheckedHandOverFolder(const UString& folder, UString* why = nullptr);

// The file a tool hands its document over in: the folder above, the tool's name, "_handover" and
// the tool's own extension (so that the file is recognised as the tool's). Empty, with why in *why,
// when the folder cannot be trusted.
UString ToolHandOverFilename(uint8_t tool, UString* why = nullptr);
