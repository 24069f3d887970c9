// Stand-ins that the tool document builds on until the units that own these types are in:
// the 57-byte file header record, the runtime root of a document and the little of a result
// list that the document itself calls. Each keeps the name and calls of the type it stands in
// for, so that the document's code does not change when the real type replaces it.
#pragma once

#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

#include "platform/rtl/streams.h"
#include "platform/rtl/ustring.h"
#include "platform/runtime/vx_tools.h"
#include "shell/services/tessor_minimal_progress.h"

// --- the file header record ------------------------------------------------------------------

#pragma pack(push, 1)
// The 57-byte head of every document: the writing tool's signature, the negated screen
// resolution at which the two window sizes were taken, the sizes, and the list signature as a
// length byte followed by 40 characters. The last of the 40 (byte 56) doubles as the marker
// that announces the extra-stuff block.
struct TCheckSignatureSeam {
  int32_t Check;        // 0
  int32_t NegatedDPI;   // 4
  int32_t ClientHeight; // 8
  int32_t ClientWidth;  // 12
  uint8_t SignatureLength;  // 16
  char Signature[40];       // 17..56
};
#pragma pack(pop)
static_assert(sizeof(TCheckSignatureSeam) == 57, "the file header is 57 bytes");

inline constexpr int kSignatureMarkerOffset = 56;
inline constexpr uint8_t kExtraStuffMarker = 9;

// Zeroes the record, then sets the tool signature and at most 40 characters of the list signature.
inline void FillCheckSignatureSeam(TCheckSignatureSeam& rec, int32_t check, std::string_view list_signature) {
  std::memset(&rec, 0, sizeof rec);
  rec.Check = check;
  const size_t n = list_signature.size() < 40 ? list_signature.size() : 40;
  rec.SignatureLength = static_cast<uint8_t>(n);
  std::memcpy(rec.Signature, list_signature.data(), n);
}
inline uint8_t SignatureMarkerSeam(const TCheckSignatureSeam& rec) {
  return reinterpret_cast<const uint8_t*>(&rec)[kSignatureMarkerOffset];
}
inline void SetSignatureMarkerSeam(TCheckSignatureSeam& rec, uint8_t marker) {
  reinterpret_cast<uint8_t*>(&rec)[kSignatureMarkerOffset] = marker;
}
// The length byte and the 40 characters, as the list-type look-up takes them.
inline const uint8_t* SignatureFieldSeam(const TCheckSignatureSeam& rec) {
  return reinterpret_cast<const uint8_t*>(&rec) + 16;
}

// --- the runtime root of a document ----------------------------------------------------------

using TLangIDSeam = uint32_t;

class TVXBaseHolderSeam {
 public:
  TVXBaseHolderSeam() = default;
  virtual ~TVXBaseHolderSeam() = default;

  virtual void SetUnicode(bool unicode) { unicode_ = unicode; }
  bool Unicode() const { return unicode_; }
  void SetLCID(TLangIDSeam lcid) { lcid_ = lcid; }
  TLangIDSeam LCID() const { return lcid_; }
  void SetCodePage(int code_page) { code_page_ = code_page; }
  int CodePage() const { return code_page_; }
  virtual void CheckExportSettings() {}

  bool export_all_rows = true;
  bool export_all_columns = true;
  std::vector<int32_t> selected_rows;
  std::vector<int32_t> selected_columns;

 private:
  bool unicode_ = true;
  TLangIDSeam lcid_ = 0x0409;
  int code_page_ = 1252;
};

// --- what the document calls of a result list ------------------------------------------------

class TDocListSeam {
 public:
  explicit TDocListSeam(TTessorineList list_type) : list_type_(list_type) {}
  virtual ~TDocListSeam() = default;
  TDocListSeam(const TDocListSeam&) = delete;
  TDocListSeam& operator=(const TDocListSeam&) = delete;

  virtual void ConvertEntriesToUnicode(int code_page) {}
  virtual int Count() const { return 0; }
  TTessorineList ListType() const { return list_type_; }
  int32_t ChangedEntries() const { return changed_entries_; }
  void ClearChangedEntries() { changed_entries_ = 0; }
  void NoteChange() { ++changed_entries_; }
  void SetHeadings(std::vector<UString> headings) { headings_ = std::move(headings); }
  const std::vector<UString>& Headings() const { return headings_; }
  int HeadingCount() const { return static_cast<int>(headings_.size()); }

  // The main window's centre, for placing the list's dialogs and progress.
  TPoint (*main_form_centre)() = nullptr;

 private:
  TTessorineList list_type_;
  int32_t changed_entries_ = 0;
  std::vector<UString> headings_;
};
