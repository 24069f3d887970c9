#include "model/documents/check_signature.h"

#include <algorithm>
#include <cstring>

#include "platform/rtl/streams.h"
#include "platform/runtime/vx_tools.h"

void ClearCheckSignature(TCheckSignature& h) { std::memset(&h, 0, sizeof h); }

void SetCheckSignatureText(TCheckSignature& h, std::string_view text) {
  const size_t n = std::min<size_t>(text.size(), kListSignatureChars);
  std::memset(h.list_signature, 0, sizeof h.list_signature);
  std::memcpy(h.list_signature, text.data(), n);
  h.list_signature_length = static_cast<uint8_t>(n);
}

std::string CheckSignatureText(const TCheckSignature& h) {
  const size_t n = std::min<size_t>(h.list_signature_length, kListSignatureChars);
  return std::string(h.list_signature, n);
}

void FillCheckSignature(TCheckSignature& h, uint8_t tool, uint8_t list_type, int32_t client_height,
                        int32_t client_width, int32_t saved_dpi) {
  ClearCheckSignature(h);
  h.signature = ToolSignature(tool);
  h.negated_dpi = static_cast<int32_t>(0u - static_cast<uint32_t>(saved_dpi));
  SetCheckSignatureText(h, list_signature32(list_type));
  h.client_height = client_height;
  h.client_width = client_width;
}

bool HasExtraStuffMarker(const TCheckSignature& h) {
  return static_cast<uint8_t>(h.list_signature[kListSignatureChars - 1]) == kExtraStuffMarker;
}

void SetExtraStuffMarker(TCheckSignature& h) {
  h.list_signature[kListSignatureChars - 1] = static_cast<char>(kExtraStuffMarker);
}

bool WriteCheckSignature(TStream& s, const TCheckSignature& h) {
  return s.WriteExact(&h, kCheckSignatureSize);
}

bool ReadCheckSignature(TStream& s, TCheckSignature& h) {
  TCheckSignature t;
  if (!s.ReadExact(&t, kCheckSignatureSize)) return false;
  h = t;
  return true;
}

bool CheckSignatureOfTool(const TCheckSignature& h, uint8_t tool) {
  const int32_t want = ToolSignature(tool);
  return want != 0 && h.signature == want;
}

bool CheckSignatureListType(const TCheckSignature& h, uint8_t& list_type) {
  return DiskFileType(&h.list_signature_length, list_type);
}

bool ReadAndCheckSignature(TStream& s, TCheckSignature& h, uint8_t tool) {
  return ReadCheckSignature(s, h) && CheckSignatureOfTool(h, tool);
}
