// Which texts a result row stands for (the Filenames command), without a window.
//
// A concordance line names its own text; a row of the texts page its text; a collocate row the
// texts of the lines in which the collocate stands within the collocate horizons (the lines
// its total counts); a cluster row the texts of the lines that hold its words in a row (case
// ignored, punctuation between words passed over). Names come once each, in the order the lines
// or rows give them. Any other list names none.
#pragma once

#include <vector>

#include "platform/rtl/ustring.h"

class T_WholeLinzoraHolder;
class TVXBaseDataClass;

// The texts of entry index (from 0) of list, or of every entry for index -1.
std::vector<UString> FileNamesOfRows(T_WholeLinzoraHolder& doc, TVXBaseDataClass& list, int index);

// The names, one a line (UTF-16 with its byte-order mark), in a new ".txt" file of this user's
// hand-over folder; its name, or empty with why when it could not be written.
UString WriteFileNamesToTempFile(const std::vector<UString>& names, UString& why);
