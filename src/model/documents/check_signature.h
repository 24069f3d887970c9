// The 57-byte header that begins every document of the suite and several of its other files
// (the chosen-texts stream among them).
//
//   0  int32  the writing tool's signature
//   4  int32  minus the screen's dots per inch the window sizes were taken at (0: none)
//   8  int32  the main window's client height (the chosen texts keep their version here)
//  12  int32  the main window's client width
//  16  uint8  length of the list signature (0..40)
//  17  40 single-byte characters: the list signature, unused characters 0
//
// Byte 56, the last signature character, is the extra-stuff marker: a document that carries the
// block after the header has 9 there. List signatures are at most 39 characters, so the marker
// never hides one of their characters.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

class TStream;

#pragma pack(push, 1)
struct TCheckSignature {
  int32_t signature;
  int32_t negated_dpi;
  int32_t client_height;
  int32_t client_width;
  uint8_t list_signature_length;
  char list_signature[40];
};
#pragma pack(pop)
static_assert(sizeof(TCheckSignature) == 57, "the file header is 57 bytes");

inline constexpr int kCheckSignatureSize = 57;
inline constexpr int kListSignatureChars = 40;
inline constexpr int kExtraStuffMarkerOffset = 56;
inline constexpr uint8_t kExtraStuffMarker = 9;

// All 57 bytes zero.
void ClearCheckSignature(TCheckSignature& h);
// Puts text into the short string: length byte, then at most 40 characters; the rest zero.
void SetCheckSignatureText(TCheckSignature& h, std::string_view text);
// The short string's text (a length above 40 is taken as 40).
std::string CheckSignatureText(const TCheckSignature& h);

// A document header as a save begins it: cleared; the tool's signature; minus saved_dpi; the
// list type's signature text; the window's client height and width.
void FillCheckSignature(TCheckSignature& h, uint8_t tool, uint8_t list_type, int32_t client_height,
                        int32_t client_width, int32_t saved_dpi);

bool HasExtraStuffMarker(const TCheckSignature& h);
void SetExtraStuffMarker(TCheckSignature& h);

// True only when all 57 bytes moved.
bool WriteCheckSignature(TStream& s, const TCheckSignature& h);
bool ReadCheckSignature(TStream& s, TCheckSignature& h);

// Word 0 is the signature of that tool (a tool without a signature never matches).
bool CheckSignatureOfTool(const TCheckSignature& h, uint8_t tool);
// The list type the header's signature text names; false for one that names none.
bool CheckSignatureListType(const TCheckSignature& h, uint8_t& list_type);
// Reads the header and checks that the tool wrote it.
bool ReadAndCheckSignature(TStream& s, TCheckSignature& h, uint8_t tool);
