// The tool's own choice of texts, as the chooser window edits it: files, folders (with a mask,
// sub-folders and zip members), members picked from one archive, removing, clearing, saving
// and loading a choice, and handing the choice over to the tool.
//
// Bad input loses nothing: each operation answers what it could not do as lines of text (a
// folder that vanished, a damaged archive, a member name that would leave its folder) and
// keeps everything else. A file that exists but cannot be read is kept, marked "not found".
// A zip archive added as a file stands for its texts, which take its place; one that cannot be
// read, or holds no text, is kept, marked, and named.
// Commit writes the choice to the store (the tool's hand-over file, SetChosenTextFiles,
// SetNewChoiceOfTextFiles) and posts 1241 to the tool's window; nothing changes until then.
//
// A text is chosen once: adding a file, a folder (again, or its parent with sub-folders), zip
// members or a saved choice leaves out the texts chosen already (the same folder, name and size)
// and RepeatsLeftOut says how many the last of these left out.
//
// A choice saved under a name ending in ".txt" is a plain list of full names (UTF-16), any other
// name gets the headed stream; Load reads either, whatever the name, and leaves out (naming them)
// the texts that are no longer there.
//
// The chooser opens on the current choice (the tool's hand-over file the store names). A folder
// that gives no texts is said at once, naming it, and when it holds zip archives while "inside
// zips" is off, saying so. An empty choice is never handed over: Refusal says why, naming the
// folders that gave nothing.
//
// A folder walk pumps the event loop between files, so a window can show its progress (Count
// grows) and stop it (StopCollecting). The walk borrows the process's stop state: whatever state
// a running job had before the walk is given back after it, so stopping the walk never stops
// the job, nor does the walk swallow a stop the user asked of the job.
//
// The kind of a text (plain 8-bit text, UTF-8, UTF-16, a document, a zip member) is looked up
// the first time it is asked for (the first 64 KiB decide) and kept with the text, so a list of
// 100,000 texts reads only the files whose rows are shown. A file that is no text (a program)
// is marked as a run finds it (FileLooksBinary): "not found", with the kind it seemed to have.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "model/reading/chosen_texts_handover.h"

class TZipForge;

inline constexpr uint16_t kCodeTextsChosen = 1241;

// "plain text (8-bit)", "UTF-8", "UTF-16", ...; ", zip member" added for a member of an archive;
// "not looked at" for kind 0.
UString KindDescription(TFileContentsSet kind, bool zip_member);

class TTextChoice {
 public:
  explicit TTextChoice(uint8_t tool);
  ~TTextChoice();
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
  void Clear() {
    texts_.ClearThem();
    repeats_ = 0;
  }
  // The texts the last adding or loading left out because they were chosen already.
  int32_t RepeatsLeftOut() const { return repeats_; }
  bool Save(UStringView file);
  std::vector<UString> Load(UStringView file);
  // Stops a folder walk in progress (from the window's Stop button while the walk pumps).
  void StopCollecting() { texts_.StopCollecting(); }
  bool Collecting() const { return collecting_; }
  // Whether the last folder walk ended early because it was stopped.
  bool LastWalkStopped() const { return stopped_; }
  // The kind of the text's contents, looked at once; 0 for a text that cannot be read (it is then
  // marked not found) and outside the list.
  TFileContentsSet KindOf(int32_t index);
  // What the Kind column says: the kind, "unreadable", or "not a text (binary)".
  UString KindText(int32_t index);

  // The choice the tool holds now, from its hand-over file; false when the store names none.
  bool LoadCurrentChoice();
  // Why the choice may not be handed over (empty when it may): no texts.
  std::vector<UString> Refusal() const;
  // Hands the choice over; false when it is refused or cannot be written.
  bool Commit();

 private:
  TVXFileDetails texts_;
  bool collecting_ = false;
  bool stopped_ = false;
  int32_t repeats_ = 0;
  std::vector<UString> empty_folders_;  // what each folder added that gave no texts held
  std::unique_ptr<TZipForge> zip_;  // the archive of the last member looked at, kept open
};
