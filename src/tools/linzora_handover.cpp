// Plays another tool of the suite asking the concordancer for a follow-up search: it leaves the
// search word (temporary string 1) and the chosen texts (the concordancer's hand-over file) in
// the shared settings store, so that "linzora -F" then runs that search.
//
// Usage: linzora_handover <folder> <word>. Every ".txt" in the folder and its sub-folders is
// chosen, and the ".txt" members of zip archives there. A missing folder is named and nothing is
// left in the store (exit code 1).
#include <cstdio>
#include <string>

#include "model/reading/chosen_texts_handover.h"
#include "platform/rtl/files.h"
#include "platform/runtime/vx_runtime.h"
#include "platform/settings/settings_access.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: linzora_handover <folder> <word>\n");
    return 2;
  }
  const UString folder = Utf8ToUtf16(argv[1]);
  const UString word = Utf8ToUtf16(argv[2]);
  if (!DirectoryExists(folder)) {
    std::fprintf(stderr, "linzora_handover: no such folder: %s\n", argv[1]);
    return 1;
  }
  if (TrimU(word).empty()) {
    std::fprintf(stderr, "linzora_handover: no word to search for\n");
    return 1;
  }
  SetupVXbufSharing();
  TVXFileDetails texts(false, kToolConcordancer);
  const int32_t added = texts.AddedFolderContents(ExcludeTrailingPathDelimiter(folder), u"*.txt", true, true);
  if (added <= 0) {
    std::fprintf(stderr, "linzora_handover: no .txt texts in %s\n", argv[1]);
    return 1;
  }
  if (!texts.SavedToTempFile()) {
    std::fprintf(stderr, "linzora_handover: could not write %s\n", Utf16ToUtf8(texts.TempFilename()).c_str());
    return 1;
  }
  SetChosenTextFiles(true, texts.TempFilename(), texts.FileCount());
  SetATempString(word, 1);
  std::printf("linzora_handover: %d texts from %s, word \"%s\"\n", texts.FileCount(), argv[1], argv[2]);
  return 0;
}
