// bench_index --same: whether two corpus indexes hold the same records, types and statistics,
// which tells whether builds with different numbers of workers wrote the same files.
#pragma once

#include <cstdint>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "wordlist/index_type_table.h"
#include "wordlist/wordlist_indexer_streams.h"

namespace bench_index {

inline std::vector<char> FileBytes(const std::string& name) {
  std::ifstream in(name, std::ios::binary);
  return std::vector<char>(std::istreambuf_iterator<char>(in), {});
}

// ".types" but for its notes, which hold the day and time of the build: the bytes of the type
// records, then the headings, where the index's own reader finds them. Nothing when the reader
// refuses the file.
inline std::optional<std::vector<char>> TypesWithoutNotes(const std::string& index) {
  UString why;
  std::unique_ptr<TIndexFile> file = TIndexFile::OpenRead(Utf8ToUtf16(index + ".types"), &why);
  if (!file) return std::nullopt;
  TTypeFileStream stream(nullptr, std::move(file));
  TIndexTypeView types;
  TTypeFileTail tail;
  int64_t frequencies = 0;
  if (!stream.ReadAllData(INT32_MAX, types, tail, frequencies, why)) return std::nullopt;
  std::vector<char> kept = FileBytes(index + ".types");
  kept.resize(static_cast<size_t>(stream.GridHeadingsStart()));
  for (const UString& heading : tail.headings) {
    const std::string line = Utf16ToUtf8(heading) + "\n";
    kept.insert(kept.end(), line.begin(), line.end());
  }
  return kept;
}

// The files of the two indexes that differ (" .tokens .types"), "" when none does.
inline std::string DifferingIndexFiles(const std::string& a, const std::string& b) {
  std::string differing;
  for (const char* ext : {".tokens", ".stats", ".markup"})
    if (FileBytes(a + ext) != FileBytes(b + ext)) differing += std::string(" ") + ext;
  const std::optional<std::vector<char>> types_a = TypesWithoutNotes(a), types_b = TypesWithoutNotes(b);
  if (!types_a || !types_b || *types_a != *types_b) differing += " .types";
  return differing;
}

}  // namespace bench_index
