// What the chosen texts and the file header take from the runtime library and the settings store:
// the tool and list tables, the tool's name, resource texts and the suite's temporary folder.
// Kept here in one place so that these units do not depend on how those libraries spell them.
#pragma once

#include <cstdint>
#include <string>

#include "platform/rtl/ustring.h"

namespace chosen_seam {

// The signature integer of a tool type (word 0 of the file header); 0 for none.
int32_t ToolSignature(uint8_t tool);
// The list signature text of a list type (ASCII, at most 39 characters); "" outside the table.
std::string ListSignature(uint8_t list_type);
// The list type of the header's 41-byte list-signature field; false when it names none.
bool DiskFileType(const uint8_t* signature_field41, uint8_t& list_type);
// The tool's display name.
UString ToolName(uint8_t tool);
// The suite's temporary folder, with a trailing delimiter.
UString TempFolder();

// Resource texts used by the chosen texts; placeholders "%s" / "%d" filled in order.
enum class Text {
  TheseFiles,               // "these files: %s"
  NManyTextFilesLoadedFrom, // "%d text files loaded from %s"
  XTextFiles,               // "%d text files (%s)"
  Filename,
  Date,
  Size,
  Unicode,
  Wanted,
  Words,
};
UString ResText(Text id);
UString ResFmt(Text id, std::initializer_list<UStringView> args);

}  // namespace chosen_seam
