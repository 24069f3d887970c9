// A file launcher for tests: it records which files were to be shown and which edited.
#pragma once

#include <vector>

#include "shell/files/saved_texts.h"

class TRecordingLauncher : public TFileLauncher {
 public:
  bool ShowFile(UStringView name) override {
    shown.emplace_back(name);
    return true;
  }
  bool EditFile(UStringView name) override {
    edited.emplace_back(name);
    return true;
  }
  std::vector<UString> shown, edited;
};
