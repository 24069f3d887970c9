// The program's log sent to a file of the test's own while one of these lives.
#pragma once

#include <fstream>
#include <string>
#include <vector>

#include "platform/rtl/files.h"
#include "platform/runtime/vx_runtime.h"

class TLogCapture {
 public:
  explicit TLogCapture(const UString& folder) : name_(folder + u"test.log") {
    was_on_ = global_keeping_log;
    was_name_ = GetLogFilename();
    DeleteFileU(name_);
    global_keeping_log = true;
    SetLogFilename(name_);
  }
  ~TLogCapture() {
    global_keeping_log = was_on_;
    SetLogFilename(was_name_);
  }
  TLogCapture(const TLogCapture&) = delete;
  TLogCapture& operator=(const TLogCapture&) = delete;

  // The lines written so far, as they stand in the file.
  std::vector<std::string> Text() const {
    std::ifstream in(ToFsPath(name_), std::ios::binary);
    std::vector<std::string> out;
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
  }
  int Lines() const { return static_cast<int>(Text().size()); }
  // How many lines hold the text.
  int LinesWith(const std::string& text) const {
    int n = 0;
    for (const std::string& line : Text()) n += line.find(text) != std::string::npos ? 1 : 0;
    return n;
  }

 private:
  UString name_;
  bool was_on_;
  UString was_name_;
};
