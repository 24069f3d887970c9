// Why a document that passed the header check still did not read, in words the user can act on.
//
// The window reads a file into a fresh document before it touches the loaded one; when that read
// fails it reads the file once more with zero bytes after its end and notes whether the reader
// went on into them, so that a file cut short (an interrupted copy or download) is told apart from
// one whose data are damaged. A damaged count that announces more data than there are reads as
// cut short: from the bytes alone the two cannot be told apart.
#pragma once

#include <cstdint>

#include "model/documents/work_derived.h"
#include "platform/rtl/ustring.h"

enum class TReadFailure : uint8_t {
  None,       // the document reads (with nothing read past its end)
  Missing,    // the file cannot be opened
  CutShort,   // the data run past the end of the file
  Damaged,    // the data are all there but do not fit together
};

// Reads the file into fresh (a document of the tool that has read nothing) as a secondary read,
// which changes nothing outside fresh (the user's settings, the last-file record), and says what
// went wrong; None when the read succeeds.
TReadFailure WhyDocumentDidNotRead(TTessorineholder& fresh, UStringView file_name, uint8_t tool);
// The same for a file already open (read from its start).
TReadFailure WhyDocumentDidNotRead(TTessorineholder& fresh, TStream& file, uint8_t tool);

// The argument of the FailedToRead message: the file name followed by the reason.
UString ReadFailureMessageArgument(UStringView file_name, TReadFailure failure);
