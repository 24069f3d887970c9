// Reading a document's strings from a file against reading them from memory: 200,000 strings in
// the runtime's framing (int32 count, UTF-16 units), as the lists of a big document hold them.
// Usage: bench_list_stream [strings]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

#include "platform/rtl/files.h"
#include "platform/rtl/streams.h"

namespace {

double Ms(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - since).count();
}

// Reads every string; answers how many were read.
int ReadAll(TStream& s, int n) {
  UString text;
  int got = 0;
  for (int i = 0; i < n && ReadAString(s, text); ++i) ++got;
  return got;
}

}  // namespace

int main(int argc, char** argv) {
  const int n = argc > 1 ? std::atoi(argv[1]) : 200000;
  const UString path = Utf8ToUtf16("/tmp/bench_list_stream_" + std::to_string(::getpid()) + ".bin");
  {
    TMemoryStream out;
    for (int i = 0; i < n; ++i) WriteAString(out, u"word" + IntToUStr(i % 5000) + u"-entry");
    if (!out.SaveToFile(path)) {
      std::fprintf(stderr, "cannot write %s\n", Utf16ToUtf8(path).c_str());
      return 1;
    }
  }
  double file_ms = 0, memory_ms = 0;
  int from_file = 0, from_memory = 0;
  {
    const auto t = std::chrono::steady_clock::now();
    auto f = TFileStream::Open(path, TFileMode::OpenRead);
    if (f) from_file = ReadAll(*f, n);
    file_ms = Ms(t);
  }
  {
    const auto t = std::chrono::steady_clock::now();
    TMemoryStream m;
    if (m.LoadFromFile(path)) from_memory = ReadAll(m, n);
    memory_ms = Ms(t);
  }
  DeleteFileU(path);
  std::printf("%d strings: file %.1f ms (%d read), memory %.1f ms (%d read)\n", n, file_ms, from_file, memory_ms,
              from_memory);
  return from_file == n && from_memory == n ? 0 : 1;
}
