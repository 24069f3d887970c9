// A list whose grid rows are given by the test, and readers for what the exports write.
#pragma once

#include <expat.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "model/documents/work_base.h"
#include "platform/rtl/streams.h"
#include "platform/zip/zip_forge.h"

inline TGrid_data_rec TextCell(UStringView text, bool visible = true) {
  TGrid_data_rec c;
  c.text = UString(text);
  c.has_text = !c.text.empty();
  c.visible = visible;
  return c;
}

inline TGrid_data_rec NumberCell(float value, uint8_t kind = 0) {
  TGrid_data_rec c;
  c.has_number = true;
  c.number.kind = kind;
  c.number.value = value;
  c.export_kind = 1;
  c.text = IntToUStr(static_cast<int64_t>(value));
  c.has_text = true;
  return c;
}

class TGivenRowsList : public TVXBaseLemmaMatchCapableList {
 public:
  explicit TGivenRowsList(TVXBaseHolder* holder, TTessorineList type = 7)
      : TVXBaseLemmaMatchCapableList(holder, nullptr, 6, type, 0) {}
  std::vector<std::vector<TGrid_data_rec>> rows;  // row 0: headings
  std::vector<TGrid_data_rec> totals;             // one column-total row, by column
  std::vector<UString> dates;

  int TotalRowCount() const override { return static_cast<int>(rows.size()) - 1; }
  int ColumnTotalRowCount() const override { return totals.empty() ? 0 : 1; }
  using TVXBaseLemmaMatchCapableList::EntryDetailsAsGridDataRecs;
  void EntryDetailsAsGridDataRecs(int row, std::vector<TGrid_data_rec>& cells) override {
    if (row >= 0 && row < static_cast<int>(rows.size())) cells = rows[static_cast<size_t>(row)];
    else cells.clear();
  }
  void GetColumnTotalDataForGrid(int col, int, TGrid_data_rec& cell) override {
    cell = col < static_cast<int>(totals.size()) ? totals[static_cast<size_t>(col)] : TGrid_data_rec();
  }
  std::vector<UString> TimeLineDataDateHeaders() override { return dates; }
  // Headings from row 0.
  void UseRow0AsHeadings() {
    std::vector<UString> h;
    for (const auto& c : rows.at(0)) h.push_back(c.text);
    SetHeadings(h);
  }
};

// Named apart from the other test helpers' byte readers: two inline functions of one name and
// parameters but different results break the one-definition rule, and the linker keeps either.
inline std::string FileAsString(const UString& name) {
  std::ifstream f(Utf16ToUtf8(name), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), {});
}

// The fields of a tab-separated text export (UTF-16LE after its byte-order mark), line by line.
inline std::vector<std::vector<UString>> TextExportFields(const UString& name) {
  const std::string bytes = FileAsString(name);
  std::vector<std::vector<UString>> rows;
  std::vector<UString> fields(1);
  for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
    const auto c =
        static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) | static_cast<unsigned char>(bytes[i + 1]) << 8);
    if (c == u'\t') {
      fields.emplace_back();
    } else if (c == u'\n') {
      rows.push_back(std::move(fields));
      fields.assign(1, UString());
    } else {
      fields.back() += c;
    }
  }
  if (fields.size() > 1 || !fields.back().empty()) rows.push_back(std::move(fields));
  return rows;
}

// Element names and character data of a document, or the parser's complaint.
struct TParsedXml {
  bool ok = false;
  std::string error;
  std::vector<std::string> elements;
  std::vector<std::string> texts;  // the text of each element closed, in closing order
};

inline TParsedXml ParseXml(const std::string& bytes) {
  struct State {
    TParsedXml* out;
    std::vector<std::string> stack;
  };
  TParsedXml out;
  State st{&out, {}};
  XML_Parser p = XML_ParserCreate(nullptr);
  XML_SetUserData(p, &st);
  XML_SetElementHandler(
      p,
      [](void* u, const XML_Char* name, const XML_Char**) {
        auto* s = static_cast<State*>(u);
        s->out->elements.push_back(name);
        s->stack.emplace_back();
      },
      [](void* u, const XML_Char*) {
        auto* s = static_cast<State*>(u);
        s->out->texts.push_back(s->stack.back());
        s->stack.pop_back();
      });
  XML_SetCharacterDataHandler(p, [](void* u, const XML_Char* text, int len) {
    auto* s = static_cast<State*>(u);
    if (!s->stack.empty()) s->stack.back().append(text, static_cast<size_t>(len));
  });
  out.ok = XML_Parse(p, bytes.data(), static_cast<int>(bytes.size()), 1) == XML_STATUS_OK;
  if (!out.ok) out.error = XML_ErrorString(XML_GetErrorCode(p));
  XML_ParserFree(p);
  return out;
}

// One member of an archive as bytes; empty when missing.
inline std::string ZipMember(const UString& archive, UStringView member) {
  TZipForge zip;
  zip.SetFileName(archive);
  if (!zip.OpenArchive()) return std::string();
  const int32_t i = zip.FindMember(member);
  if (i < 0) return std::string();
  TMemoryStream m;
  if (!zip.ExtractToStream(i, m)) return std::string();
  return std::string(reinterpret_cast<const char*>(m.Memory()), static_cast<size_t>(m.Size()));
}
