// Texts inside a zip archive read whole, one after another, as a run over the chosen texts
// reads them: an archive of many small members (20,000 by default), each opened and loaded
// through the text reader's stream. Prints the time a text.
// Usage: bench_zip_texts [members]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

#include "model/reading/chosen_texts.h"
#include "model/reading/text_reader.h"
#include "platform/rtl/files.h"
#include "platform/zip/zip_forge.h"
#if __has_include("platform/zip/zip_archive_cache.h")
#include "platform/zip/zip_archive_cache.h"
#define HAVE_ARCHIVE_RUN 1
#endif

int main(int argc, char** argv) {
  const int n = argc > 1 ? std::atoi(argv[1]) : 20000;
  const UString folder = Utf8ToUtf16("/tmp/bench_zip_texts_" + std::to_string(::getpid()) + "/");
  ForceDirectories(folder);
  const UString archive = folder + u"corpus.zip";
  {
    TZipForge z;
    z.SetFileName(archive);
    if (!z.OpenArchive(TZipOpenMode::ReadWrite)) return 1;
    for (int i = 0; i < n; ++i) {
      std::string text = "Text " + std::to_string(i) + ": the linguist reads the corpus, word after word.\n";
      TMemoryStream m(std::vector<uint8_t>(text.begin(), text.end()));
      if (!z.AddFromStream(u"texts/t" + IntToUStr(i) + u".txt", m)) return 1;
    }
    if (!z.CloseArchive()) return 1;
  }
  int64_t bytes = 0;
  int read = 0;
  const auto t = std::chrono::steady_clock::now();
  {
#ifdef HAVE_ARCHIVE_RUN
    TZipArchiveRun run;
#endif
    for (int i = 0; i < n; ++i) {
      TChosenFileDetailsFullRec chosen;
      chosen.folder = folder;
      chosen.rec.filename = u"corpus.zip/texts/t" + IntToUStr(i) + u".txt";
      chosen.rec.zip_member = i + 1;
      TMyMemoryStream s(nullptr, nullptr);
      if (!s.OpenText(chosen)) continue;
      const int64_t got = s.LoadFromAFile(0, chosen, 0);
      if (got > 0) ++read;
      bytes += got;
    }
  }
  const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t).count();
  DeleteFileU(archive);
  ::rmdir(Utf16ToUtf8(folder).c_str());
  std::printf("%d members: %d read (%lld bytes) in %.1f ms, %.3f ms a text\n", n, read, static_cast<long long>(bytes),
              ms, ms / n);
  return read == n ? 0 : 1;
}
