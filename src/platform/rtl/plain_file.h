// Opening a file that must be a plain file, for reading, when something else may stand at its
// name: a pipe or a device there must not hold the program in the open, and the checks and the
// read must concern the same file (the open descriptor, not the name a second time).
#pragma once

#include <sys/stat.h>

#include <memory>

#include "platform/rtl/streams.h"
#include "platform/rtl/ustring.h"

// Opens path for reading when it is a plain file. nullptr, with why in *why, when it cannot be
// opened or is no plain file; with follow_links false a link at the name is refused ("is a
// link"). *status, when given, gets the open file's status (its owner, mode and size).
std::unique_ptr<TFileStream> OpenPlainFileForReading(const UString& path, bool follow_links, UString* why,
                                                     struct stat* status = nullptr);
