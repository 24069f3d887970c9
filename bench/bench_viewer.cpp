// The one-text viewer over a generated 100 MB UTF-8 text (offscreen): time from the open call to
// the first page painted, from a jump to a hit in the last megabyte to that hit painted
// highlighted, the whole key-word scan, and the memory the viewer holds (far below the text's
// size). Targets: first page under 200 ms, the jump under 100 ms.
// Usage: bench_viewer [MEGABYTES]
#include <QApplication>
#include <QElapsedTimer>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <unistd.h>

#include "platform/rtl/files.h"
#include "shell/qt/qt_application.h"
#include "windows/one_text_viewer.h"

namespace {

long ResidentKiB() {
  std::ifstream statm("/proc/self/statm");
  long pages = 0, resident = 0;
  statm >> pages >> resident;
  return resident * 4;
}

double Ms(const QElapsedTimer& t) { return static_cast<double>(t.nsecsElapsed()) / 1e6; }

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  const int64_t megabytes = argc > 1 ? std::atoll(argv[1]) : 100;
  QApplication app(argc, argv);
  SetUpQtApplication();
  // The text: English-like prose in paragraphs, an accented word now and then, and one
  // "mooring" in its last megabyte.
  const std::string file = "/tmp/linzora_bench_viewer_" + std::to_string(::getpid()) + ".txt";
  {
    static const char* words[] = {"the", "of", "and", "water", "stone", "river", "walked", "along", "the",
                                  "old", "bank", "mill", "under", "bridge", "caf\xC3\xA9", "morning", "light"};
    std::ofstream out(file, std::ios::binary);
    uint32_t seed = 1;
    std::string para;
    int64_t written = 0;
    const int64_t total = megabytes << 20;
    bool placed = false;
    while (written < total) {
      para.clear();
      for (int w = 0; w < 80; ++w) {
        seed = seed * 1103515245 + 12345;
        para += words[(seed >> 16) % 17];
        para += (w % 13 == 12) ? ". " : " ";
      }
      if (!placed && written > total - (512 << 10)) {
        para += "mooring ";
        placed = true;
      }
      para += "\n";
      out << para;
      written += static_cast<int64_t>(para.size());
    }
  }
  const UString name = Utf8ToUtf16(file);
  TFormOneTextFileShower viewer;
  viewer.resize(1000, 700);
  viewer.show();
  QApplication::processEvents();
  const long before = ResidentKiB();

  QElapsedTimer t;
  t.start();
  TFileDetails3_string details;
  details.file_name = name;
  if (!viewer.OpenAndShowAText(details, 0x7FFFFFFF, nullptr)) {
    std::printf("the text did not open\n");
    return 1;
  }
  viewer.View()->viewport()->repaint();
  std::printf("first page painted: %.1f ms after the open call (%lld MB)\n", Ms(t), static_cast<long long>(megabytes));

  // The hit in the last megabyte, as a concordance line names it.
  int64_t byte = -1;
  {
    std::ifstream in(file, std::ios::binary);
    in.seekg(-(1 << 20), std::ios::end);
    const int64_t from = in.tellg();
    std::string tail((std::istreambuf_iterator<char>(in)), {});
    const size_t at = tail.find("mooring");
    if (at != std::string::npos) byte = from + static_cast<int64_t>(at);
  }
  t.restart();
  viewer.View()->ShowByte(byte, true);
  viewer.View()->SelectAtByte(byte, 7);
  TSimpleSearchlist words;
  words.LoadFromAStringlist({u"mooring", u"river"});
  viewer.View()->SearchList.LoadFromAStringlist({u"mooring", u"river"});
  viewer.View()->ShowWordsInWindow(words.TypedInWordsAsStringlist());
  viewer.View()->viewport()->repaint();
  std::printf("hit in the last megabyte shown highlighted: %.1f ms\n", Ms(t));
  const long after_jump = ResidentKiB();

  t.restart();
  const int hits = viewer.HighlightAnyKWS();
  std::printf("key-word scan of the whole text (yielding between pages): %.0f ms, %d hits\n", Ms(t), hits);
  const long after_scan = ResidentKiB();
  std::printf("memory the viewer adds: %ld KiB after the jump, %ld KiB after the scan (text: %lld KiB); pages held %zu (%zu KiB)\n",
              after_jump - before, after_scan - before, static_cast<long long>(megabytes << 10),
              viewer.View()->Model()->PagesHeld(), viewer.View()->Model()->BytesHeld() >> 10);
  std::remove(file.c_str());
  return 0;
}
