// Throughput of the text reader: a folder of generated texts read through TBufferProcessor (load,
// decode, cut, classify, pre-process), in UTF-8 and in UTF-16, with tag handling off and on, and
// a plain UTF-8 text without mark-up read with tag handling on (the tag passes find nothing).
// Prints megabytes of input per second on one core. Usage: bench_reader [megabytes per kind]
// bench_reader --judged FILE...: how much of the texts' characters lie in chunks the fast pass
// judged, read as a concordance reads them.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "model/reading/text_reader.h"
#include "model/reading/tag_handler.h"
#include "model/reading/tag_lists.h"
#include "model/reading/worker_tag_handler.h"
#include "platform/rtl/files.h"
#include "platform/runtime/vx_runtime.h"
#include "platform/settings/settings_access.h"
#include "platform/text/text_services.h"

namespace {

// Words with some accents and other scripts, sentences, light mark-up and entities (a plain
// text, not a page: entities are replaced only by the tag handler's list); without markup, the
// same words and sentences alone.
std::string MakeText(size_t bytes, uint32_t seed, bool markup = true) {
  std::vector<std::string> words = {"the", "of", "and", "concordance", "corpus", "linguist", "reads", "text",
                                          "word", "list", "in", "a", "collocate", "1998", "sort", "caf\xC3\xA9",
                                          "Stra\xC3\x9F" "e", "na\xC3\xAFve", "\xD1\x81\xD0\xBB\xD0\xBE\xD0\xB2\xD0\xBE",
                                          "don't", "well-known", "&amp;", "<b>bold</b>"};
  if (!markup) words.resize(words.size() - 2);
  std::mt19937 rng(seed);
  std::string s = markup ? "<head><title>A text</title></head>\n" : "A text\n";
  while (s.size() < bytes) {
    s += words[rng() % words.size()];
    const unsigned r = rng() % 20;
    if (!markup && (r == 3 || r == 4)) {
      s += r == 3 ? "\n" : " aside ";
      continue;
    }
    s += r == 0 ? ".\n" : r == 1 ? ". " : r == 2 ? ", " : r == 3 ? "\n<p>" : r == 4 ? " <note>aside</note> " : " ";
  }
  return s;
}

std::string Utf16LE(const std::string& utf8) {
  const UString u = Utf8ToUtf16(utf8);
  std::string out("\xFF\xFE", 2);
  out.append(reinterpret_cast<const char*>(u.data()), u.size() * 2);
  return out;
}

class TQuietProcessor : public TBufferProcessor {
 public:
  using TBufferProcessor::TBufferProcessor;
  bool ProcessAChunkOfFile(int32_t) override {
    characters += Length() - ChunkStartIndex();
    const int32_t all = Length() + LookAheadLength() - ChunkStartIndex();
    judged += FastChunk() ? all : 0;
    fast_chunks += FastChunk();
    all_characters += all;
    ++chunks;
    return true;
  }
  int64_t characters = 0;
  // Characters (with the look-ahead) the pass judged, and the chunks.
  int64_t judged = 0, all_characters = 0, chunks = 0, fast_chunks = 0;
};

// The share of the texts' characters the fast pass judged, with the default settings.
int PrintJudged(int argc, char** argv) {
  TTextReadRun reading(TakeTextReadSnapshot(nullptr));
  std::unique_ptr<TTextTagHandler> tags = MakeWorkerTagHandler(reading.Settings());
  TQuietProcessor total(nullptr, nullptr, nullptr, nullptr, TChosenFileDetailsFullRec{}, 10, false, false, true, &reading);
  for (int i = 2; i < argc; ++i) {
    const UString f = Utf8ToUtf16(argv[i]);
    TChosenFileDetailsFullRec chosen;
    chosen.folder = ExcludeTrailingPathDelimiter(ExtractFilePath(f));
    chosen.rec.filename = ExtractFileName(f);
    TQuietProcessor p(nullptr, nullptr, nullptr, tags.get(), chosen, 10, false, false, true, &reading);
    p.fKindsOnDemand = p.fTextOnDemand = true;
    if (p.SetupTheBuffer()) p.ReadAndProcess();
    total.judged += p.judged;
    total.all_characters += p.all_characters;
    total.chunks += p.chunks;
    total.fast_chunks += p.fast_chunks;
  }
  const double all = static_cast<double>(std::max<int64_t>(1, total.all_characters));
  std::printf("%lld chunks (%lld judged by the fast pass), %lld characters: %.1f %% of them in judged chunks\n",
              static_cast<long long>(total.chunks), static_cast<long long>(total.fast_chunks),
              static_cast<long long>(total.all_characters), 100.0 * static_cast<double>(total.judged) / all);
  return 0;
}

// Seconds to read every file once; the best of three runs.
double ReadAll(const std::vector<UString>& files, TTextTagHandler* tags, int64_t& characters) {
  double best = 1e30;
  for (int run = 0; run < 3; ++run) {
    characters = 0;
    const auto t0 = std::chrono::steady_clock::now();
    TTextReadRun reading(TakeTextReadSnapshot(nullptr));  // once per run, as a job takes it
    for (const UString& f : files) {
      TChosenFileDetailsFullRec chosen;
      chosen.folder = ExcludeTrailingPathDelimiter(ExtractFilePath(f));
      chosen.rec.filename = ExtractFileName(f);
      TQuietProcessor p(nullptr, nullptr, nullptr, tags, chosen, 10, false, false, true, &reading);
      if (p.SetupTheBuffer()) p.ReadAndProcess();
      characters += p.characters;
    }
    const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    best = std::min(best, s);
  }
  return best;
}

int64_t TotalBytes(const std::vector<UString>& files) {
  int64_t n = 0;
  for (const UString& f : files) n += FileSizeU(f);
  return n;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 2 && std::string(argv[1]) == "--judged") return PrintJudged(argc, argv);
  const int megabytes = argc > 1 ? std::max(8, std::atoi(argv[1])) : 160;
  const UString folder = IncludeTrailingPathDelimiter(UniqueTempName(SystemTempFolder(), u"bench_reader_", u""));
  ForceDirectories(folder);
  setenv("LINZORA_CONFIG_DIR", Utf16ToUtf8(folder + u"config").c_str(), 1);
  ResetSettingsStoreForTests();
  my_temp_path = folder;

  // The texts: files of 8 MB, the same words in UTF-8 and in UTF-16.
  std::vector<UString> utf8_files, utf16_files, plain_files;
  const int count = megabytes / 8;
  for (int i = 0; i < count; ++i) {
    const std::string text = MakeText(8u << 20, static_cast<uint32_t>(i));
    const UString a = folder + u"utf8_" + IntToUStr(i) + u".txt";
    const UString b = folder + u"utf16_" + IntToUStr(i) + u".txt";
    SafeSaveBytes(a, text.data(), static_cast<int64_t>(text.size()));
    const std::string wide = Utf16LE(text);
    SafeSaveBytes(b, wide.data(), static_cast<int64_t>(wide.size()));
    utf8_files.push_back(a);
    utf16_files.push_back(b);
    const std::string plain = MakeText(8u << 20, static_cast<uint32_t>(i), false);
    const UString c = folder + u"plain_" + IntToUStr(i) + u".txt";
    SafeSaveBytes(c, plain.data(), static_cast<int64_t>(plain.size()));
    plain_files.push_back(c);
  }

  // Tag handling on: tags to keep, spans to exclude, entities, sentence ends found
  // automatically, and the hidden mark-up between "<" and ">".
  {
    TTagsToKeepList keep(kLCID_EnglishUS, 1252);
    for (const char16_t* t : {u"<p>", u"<b>", u"</b>"}) {
      TStoredTagRec r{};
      r.tag = t;
      r.partner = -1;
      keep.Add(std::make_unique<TTagStringItem>(r, &keep));
    }
    keep.SavedToTempfile();
    TTagsToDeleteList exclude(kLCID_EnglishUS, 1252);
    TStoredTagRec r{};
    r.tag = u"<note>*</note>";
    r.partner = -1;
    r.tag_type = on_middle_and_off_again_tag;
    exclude.Add(std::make_unique<TTagStringItem>(r, &exclude));
    exclude.SavedToTempfile();
    TTagsToTranslateList entities(kLCID_EnglishUS, 1252);
    entities.AddFromALine(u"&amp; &");
    entities.SavedToTempfile();
  }
  TTextTagHandler tags(kLCID_EnglishUS, 1252);
  TTagsToTranslateList translate(kLCID_EnglishUS, 1252);
  tags.LoadFromSwapFile();
  tags.LoadExcludeTagListFromSwapFile();
  tags.LoadTranslationTagsFromSwapFile(translate);
  tags.LoadCurrentTextMarkers();

  std::printf("text reader: %d files of 8 MB per encoding, one core, best of 3\n", count);
  const char* only = std::getenv("BENCH_READER_ONLY");  // "off" or "on": one half only
  for (int with_tags = 0; with_tags < 2; ++with_tags) {
    if (only && std::string(only) != (with_tags ? "on" : "off")) continue;
    SetTagsWanted(with_tags ? 3 : 0);
    SetTagsExcludeWanted(with_tags ? 1 : 0);
    SetTagsTranslateWanted(with_tags ? 1 : 0);
    for (int kind = 0; kind < 3; ++kind) {
      const bool wide = kind == 1;
      const std::vector<UString>& files = kind == 0 ? utf8_files : wide ? utf16_files : plain_files;
      int64_t characters = 0;
      const double s = ReadAll(files, with_tags ? &tags : nullptr, characters);
      const double mb = static_cast<double>(TotalBytes(files)) / 1e6;
      std::printf("  %-12s tags %-3s  %8.1f MB in %6.3f s  = %7.1f MB/s  (%.1f M characters/s)\n",
                  kind == 0 ? "UTF-8" : wide ? "UTF-16" : "UTF-8 plain", with_tags ? "on" : "off", mb, s, mb / s,
                  static_cast<double>(characters) / 1e6 / s);
    }
  }

  for (const UString& f : utf8_files) DeleteFileU(f);
  for (const UString& f : utf16_files) DeleteFileU(f);
  for (const UString& f : plain_files) DeleteFileU(f);
  std::error_code ec;
  std::filesystem::remove_all(ToFsPath(folder), ec);
  return 0;
}
