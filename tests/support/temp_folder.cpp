#include "support/temp_folder.h"

#include <filesystem>
#include <fstream>

#include "platform/rtl/files.h"

TempFolder::TempFolder() {
  path_ = IncludeTrailingPathDelimiter(UniqueTempName(SystemTempFolder(), u"linzora_test_", u""));
  ForceDirectories(path_);
}

TempFolder::~TempFolder() {
  std::error_code ec;
  std::filesystem::remove_all(ToFsPath(path_), ec);
}

UString TempFolder::Write(UStringView name, std::string_view bytes) const {
  const UString full = path_ + UString(name);
  ForceDirectories(ExtractFilePath(full));
  std::ofstream out(ToFsPath(full), std::ios::binary);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return full;
}
