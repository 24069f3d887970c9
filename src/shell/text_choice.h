// The tool's own choice of texts, as the chooser window edits it: files, folders (with a mask,
// sub-folders and zip members), members picked from one archive, removing, clearing, saving
// and loading a choice, and handing the choice over to the tool.
//
// Bad input loses nothing: each operation answers what it could not do as lines of text (a
// folder that vanished, a damaged archive, a member name that would leave its folder) and
// keeps everything else. A file that exists but cannot be read is kept, marked "not found".
// Commit writes the choice to the store (the tool's hand-over file, SetChosenTextFiles,
// SetNewChoiceOfTextFiles) and posts 1241 to the tool's window; nothing changes until then.
#pragma once

#include <cstdint>
#include <vector>

#include "model/chosen_texts_handover.h"

inline constexpr uint16_t kCodeTextsChosen = 1241;

class TTextChoice {
 public:
  explicit TTextChoice(uint8_t tool);
  TVXFileDetails& Texts() { return texts_; }
  int32_t Count() const { return texts_.FileCount(); }

  std::vector<UString> AddFiles(const std::vector<UString>& files);
  // Answers how many were added in *added when given.
  std::vector<UString> AddFolder(UStringView folder, UStringView mask, bool with_sub_folders,
                                 bool within_zips, int32_t* added = nullptr);
  // The members of an archive that can be chosen (folders left out); problems when it cannot be
  // read.
  std::vector<UString> ZipMemberNames(UStringView archive, std::vector<UString>& problems);
  std::vector<UString> AddZipMembers(UStringView archive, const std::vector<UString>& names);
  void Remove(std::vector<int32_t> indices);
  void Clear() { texts_.ClearThem(); }
  bool Save(UStringView file);
  std::vector<UString> Load(UStringView file);
  // Stops a folder walk in progress (from the window's Stop button while the walk pumps).
  void StopCollecting() { texts_.StopCollecting(); }

  bool Commit();

 private:
  TVXFileDetails texts_;
};
