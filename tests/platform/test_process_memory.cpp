// No large pages asked for the heaps that hold a reader's buffers: a concordance run over a text
// of several chunks, on one worker and on several, leaves every mapping of the process as the
// system made it (clearing 2 MiB pages on their first touch cost more than they saved).
#include <gtest/gtest.h>
#include <sys/mman.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "concordance/lines/concordance_list.h"
#include "concordance/run/texts_into_list.h"
#include "model/reading/chosen_texts.h"
#include "platform/runtime/process_memory.h"
#include "support/temp_folder.h"

namespace {

// The flags /proc/self/smaps gives the mapping that holds `at` ("" where none does).
std::string MappingFlags(const void* at) {
  const auto a = reinterpret_cast<uintptr_t>(at);
  FILE* smaps = std::fopen("/proc/self/smaps", "re");
  if (smaps == nullptr) return "";
  char line[512];
  bool in = false;
  std::string flags;
  while (std::fgets(line, sizeof line, smaps) != nullptr) {
    unsigned long long from = 0, to = 0;
    char dash = 0;
    if (std::sscanf(line, "%llx%c%llx ", &from, &dash, &to) == 3 && dash == '-') {
      if (in) break;
      in = a >= from && a < to;
      continue;
    }
    if (in && std::strncmp(line, "VmFlags:", 8) == 0) flags = line + 8;
  }
  std::fclose(smaps);
  return flags;
}

bool LargePagesAsked(const void* at) { return MappingFlags(at).find(" hg") != std::string::npos; }

// How many mappings of the process have large pages asked for.
int MappingsAsked() {
  FILE* smaps = std::fopen("/proc/self/smaps", "re");
  if (smaps == nullptr) return -1;
  char line[512];
  int n = 0;
  while (std::fgets(line, sizeof line, smaps) != nullptr)
    if (std::strncmp(line, "VmFlags:", 8) == 0 && std::strstr(line, " hg") != nullptr) ++n;
  std::fclose(smaps);
  return n;
}

// Whether the system takes the wish for large pages, and shows it among a mapping's flags: asked
// of a scratch mapping of its own.
bool SystemShowsLargePagesAsked() {
  const size_t bytes = size_t{4} << 20;
  void* p = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (p == MAP_FAILED) return false;
  const bool shown = madvise(p, bytes, MADV_HUGEPAGE) == 0 && LargePagesAsked(p);
  munmap(p, bytes);
  return shown;
}

}  // namespace

TEST(LargePages, AConcordanceRunAsksForNone) {
  if (!SystemShowsLargePagesAsked()) GTEST_SKIP() << "the system shows no large pages asked for";
  KeepFreedMemoryInProcess();
  // Eight megabytes of plain words, "sea" once in about fifty: several chunks, each buffer of
  // them megabytes, the lines' records thousands.
  static const char* kWords[] = {"the", "old", "man", "sat", "by", "and", "a", "dog", "ran", "home"};
  std::mt19937 rng(11);
  std::string text;
  while (text.size() < (size_t{8} << 20)) {
    text += rng() % 50 == 0 ? "sea" : kWords[rng() % 10];
    text += rng() % 20 == 0 ? ".\n" : " ";
  }
  TempFolder tmp;
  const UString name = tmp.Write(u"big.txt", text);
  for (const int32_t workers : {1, 3}) {
    const int before = MappingsAsked();
    TSharedChosenFilesClass chosen(false, nullptr, 1);
    ASSERT_TRUE(chosen.ToolAddAFile(name));
    const std::vector<TChosenFileDetailsFullRec> details{chosen.GetFullFileDetails(0)};
    TConcordanceListDocument doc;
    TConcordanceList list(nullptr, &doc);
    TTextsIntoListChoices choices;
    choices.threads = workers;
    RunTextsIntoList(details, u"sea", list, choices);
    EXPECT_GT(list.Count(), 10000) << workers;
    // The heap that holds what the run left, and every other mapping: as they were.
    std::vector<char> after(size_t{4} << 20);
    EXPECT_FALSE(LargePagesAsked(after.data() + (size_t{2} << 20))) << workers;
    EXPECT_EQ(MappingsAsked(), before) << workers;
  }
}
