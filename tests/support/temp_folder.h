// A fresh folder under the system's temporary folder, removed with everything in it at the end.
#pragma once

#include "platform/rtl/ustring.h"

class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  // With a trailing delimiter.
  const UString& Path() const { return path_; }
  // Writes bytes to Path() + name (folders made as needed); returns the full name.
  UString Write(UStringView name, std::string_view bytes) const;

 private:
  UString path_;
};
