// Parsing media marks: a million generated marker texts of every form (a file name with marks,
// the text's own name, marks in either order, blanks after a marker, decimal commas, minutes,
// times by position, widening, a mark that does not read) looked up on one core, the disk
// answered from memory. Target: under 1 s. Usage: bench_media_markers [COUNT]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/settings/settings_defaults.h"
#include "shell/media/media_markers.h"

int main(int argc, char** argv) {
  const int count = argc > 1 ? std::atoi(argv[1]) : 1000000;
  TMediaMarkersRec settings = DefaultMediaMarkers();
  settings.SetMethod(0);
  settings.SetFileNameMarker(u"<media ");
  settings.SetStartMarker(u"START=");
  settings.SetDurationMarker(u"DUR=");
  settings.SetDefaultDurationSeconds(5);
  settings.SetWideningStepSeconds(0.5f);
  TMediaFileTests disk;
  disk.exists = [](UStringView name) { return name.size() > 4 && name[name.size() - 4] == u'.'; };
  disk.read_lines = [](UStringView, std::vector<UString>&) { return false; };

  // Every form, with its numbers varied by the text's index.
  std::vector<UString> texts;
  texts.reserve(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) {
    const std::string n = std::to_string(i % 3600);
    const std::string f = std::to_string(i % 10);
    std::string t;
    switch (i % 10) {
      case 0: t = "<media talk" + n + ".wav START=" + n + "." + f + " DUR=2>"; break;
      case 1: t = "<media SAMEFILE START=" + n + " DUR=" + f + ">"; break;
      case 2: t = "<MEDIA clip" + n + ".mp3 dur=3 start=" + n + ",5>"; break;
      case 3: t = "<media /corpus/audio/interview " + n + ".ogg START= 1:" + f + "0 DUR= 4>"; break;
      case 4: t = "<media v" + n + ".mp4 " + n + ".25 6>"; break;
      case 5: t = "<media v" + n + ".webm START=" + n + ">"; break;
      case 6: t = "<media a" + n + ".avi DUR=7 " + n + ">"; break;
      case 7: t = "no marker in this tag context " + n; break;
      case 8: t = "<media bad" + n + ".wav START=abc>"; break;
      default: t = "<media long name with spaces " + n + ".wav START=" + n + "." + f + f + " DUR=1.5 more words>"; break;
    }
    texts.push_back(Utf8ToUtf16(t));
  }
  const UString source = u"/corpus/texts/interview.txt";
  int64_t found = 0, checksum = 0;
  const auto began = std::chrono::steady_clock::now();
  for (int i = 0; i < count; ++i) {
    const TMediaLookup r = FindMediaOfLine(settings, texts[static_cast<size_t>(i)], source, 1 + i % 3, disk);
    found += r.result.found;
    checksum += r.start_ms + r.duration_ms;
  }
  const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
  std::printf("%d marker texts looked up in %.3f s (%.0f ns each); %lld found, checksum %lld\n", count, s,
              s * 1e9 / count, static_cast<long long>(found), static_cast<long long>(checksum));
  return 0;
}
